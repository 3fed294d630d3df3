#pragma once
#include "shell/window.h"

#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QStringList>

namespace quorvane {

// The cohort chooser every work function passes through: pick a cohort, then the function's
// window opens for it.
class selectyear : public Window
{
    Q_OBJECT
public:
    selectyear();

    QWidget *Frame1 = nullptr;
    QLabel *Label1 = nullptr;
    QComboBox *Combo1 = nullptr;
    QPushButton *command1 = nullptr;
    QPushButton *exitcom = nullptr;

    void Combo1_KeyPress(int keyAscii);
    void Combo1_Change();
    void command1_Click();
    void exitcom_Click();

    // The window opened for a function code (empty outside 1..13).
    static QString windowForFunction(int code);
    QStringList fileNames() const { return m_fileNames; }

protected:
    void createControls(QWidget *root) override;
    void Form_Load() override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QStringList m_fileNames;
    bool m_refused = false;
    // The key event the list's box has just seen; a key the box leaves alone goes on to the list
    // itself, where it must not count a second time.
    const QEvent *m_seenByBox = nullptr;
};

} // namespace quorvane
