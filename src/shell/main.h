#pragma once
#include "shell/window.h"

#include <QAction>
#include <QIcon>
#include <QMenuBar>
#include <QToolBar>

namespace quorvane {

// The program's icon, for every window's title bar and the task bar.
QIcon programIcon();

// The main window: the menu bar and toolbar from which every function is opened.
class main : public Window
{
    Q_OBJECT
public:
    main();

    QMenuBar *menuBar = nullptr;
    QToolBar *VsToolBar1 = nullptr;
    QWidget *Picture1 = nullptr;

    // Menu items by their names (m_xjsz, m_xxsx, ...), toolbar buttons by their keys.
    QAction *menuItem(const QString &name) const;
    QAction *toolButton(const QString &key) const;

    // Stores the function code and shows the cohort chooser.
    void chooseFunction(quint8 code);
    void m_xjsz_Click();  // 学届设置: opens the cohort register
    void m_kcsz_Click();  // 考场设置: opens the room register
    void m_quit_Click();  // 退出: ends the program
    // A toolbar button (by its position and key): opens its function or window, as its menu item does.
    void VsToolBar1_ButtonClick(int index, const QString &key);

protected:
    void createControls(QWidget *root) override;

private:
    QHash<QString, QAction *> m_menuItems;
    QHash<QString, QAction *> m_toolButtons;
};

} // namespace quorvane
