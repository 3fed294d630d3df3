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

    // A key typed in the list: Enter leads to 确定; any other typed character is refused.
    void Combo1_KeyPress(int keyAscii);
    // Clears the list's text after a refused character, so that only a chosen cohort remains.
    void Combo1_Change();
    // 确定: takes the chosen cohort and opens the chosen function's window for it.
    void command1_Click();
    // 返回: closes the chooser, keeping the cohort chosen before.
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
