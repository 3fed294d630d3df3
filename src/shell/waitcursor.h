#pragma once
// The hourglass pointer for a span of work: shown when the object is made (when on), taken back
// by release() or when it goes out of scope, whichever comes first (also on an early return).
#include <QApplication>
#include <QCursor>

namespace quorvane {

class WaitCursor
{
public:
    explicit WaitCursor(bool on = true) : m_on(on)
    {
        if (m_on)
            QApplication::setOverrideCursor(QCursor(Qt::WaitCursor));
    }
    ~WaitCursor() { release(); }
    WaitCursor(const WaitCursor &) = delete;
    WaitCursor &operator=(const WaitCursor &) = delete;

    // Takes the hourglass back now; later calls and the destructor do nothing more.
    void release()
    {
        if (m_on)
            QApplication::restoreOverrideCursor();
        m_on = false;
    }

private:
    bool m_on;
};

} // namespace quorvane
