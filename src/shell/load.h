#pragma once
#include "shell/window.h"

#include <QLabel>
#include <QTimer>

namespace quorvane {

class XP_ProgressBar;

// The start-up splash: a progress bar counts 50 ticks of 20 ms, then the main window appears.
class load : public Window
{
    Q_OBJECT
public:
    load();

    QWidget *Frame1 = nullptr;
    XP_ProgressBar *XP_ProgressBar1 = nullptr;
    QLabel *Label1 = nullptr;
    QTimer *Timer1 = nullptr;

    void Timer1_Timer(); // one tick: moves the bar on, and at the 50th tick ends the splash
    void kkk();          // ends the splash: stops the timer, closes it and shows the main window
    qint16 ticks() const { return m_ticks; }

protected:
    void createControls(QWidget *root) override;
    void Form_Load() override;

private:
    qint16 m_ticks = 0;
};

} // namespace quorvane
