#include "shell/services.h"

#include "shell/database.h"
#include "shell/window.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDesktopServices>
#include <QFileDialog>
#include <QFileInfo>
#include <QFontMetrics>
#include <QGridLayout>
#include <QMessageBox>
#include <QPageSetupDialog>
#include <QPrintDialog>
#include <QPrinter>
#include <QSpacerItem>
#include <QUrl>
#include <cstdio>
#include <cstdlib>

namespace quorvane {

namespace {
// What a window frame takes beside its title: the window icon and the minimise, maximise and close
// buttons, with their spacing.
constexpr int kTitleFrameRoom = 200;

// Dialogs belong to the work window the user is working in (whose handler asks for them), so they
// open over it, also over a window kept above all others (the score entry window). The active
// window will not do: just after a file dialog has closed there is none.
QWidget *owner()
{
    if (Window *w = windows::workWindow())
        return w;
    return QApplication::activeWindow();
}

void keepAboveOwner(QWidget *dialog, const QWidget *owner)
{
    if (owner && owner->windowFlags().testFlag(Qt::WindowStaysOnTopHint))
        dialog->setWindowFlag(Qt::WindowStaysOnTopHint, true);
}

// A box sizes itself to its text, and the frame then cuts a longer title ("系…："). It is made at
// least as wide as the title in a frame's font (bold, often larger than the box's), with room for
// the frame's icon and buttons.
void fitTitle(QMessageBox &box, const QString &title)
{
    QFont font = box.font();
    font.setBold(true);
    if (font.pointSizeF() > 0)
        font.setPointSizeF(font.pointSizeF() * 1.25);
    const int width = QFontMetrics(font).horizontalAdvance(title) + kTitleFrameRoom;
    if (auto *grid = qobject_cast<QGridLayout *>(box.layout()))
        grid->addItem(new QSpacerItem(width, 0, QSizePolicy::Minimum, QSizePolicy::Minimum), grid->rowCount(), 0, 1,
                      grid->columnCount());
}
} // namespace

MsgAnswer DesktopServices::message(const QString &text, const QString &title, MsgIcon icon, MsgButtons buttons)
{
    return question(text, title, icon, buttons, buttons == MsgButtons::YesNo ? MsgAnswer::Yes : MsgAnswer::Ok);
}

MsgAnswer DesktopServices::question(const QString &text, const QString &title, MsgIcon icon, MsgButtons buttons, MsgAnswer defaultButton)
{
    // Run without anyone at the screen (QUORVANE_NO_DIALOGS set, as for a scripted start), a box
    // would wait for an answer no one gives: the text goes to the error output instead.
    if (qEnvironmentVariableIsSet("QUORVANE_NO_DIALOGS")) {
        std::fprintf(stderr, "%s %s\n", title.toLocal8Bit().constData(), text.toLocal8Bit().constData());
        std::fflush(stderr);
        return defaultButton;
    }
    QWidget *parent = owner();
    QMessageBox box(parent);
    keepAboveOwner(&box, parent);
    box.setWindowTitle(title);
    box.setText(text);
    switch (icon) {
    case MsgIcon::Exclamation: box.setIcon(QMessageBox::Warning); break;
    case MsgIcon::Question: box.setIcon(QMessageBox::Question); break;
    case MsgIcon::Information: box.setIcon(QMessageBox::Information); break;
    case MsgIcon::Critical: box.setIcon(QMessageBox::Critical); break;
    case MsgIcon::None: break;
    }
    fitTitle(box, title); // after the icon, which lays the box out anew
    // The buttons read as on a Chinese desktop, whatever language the toolkit runs in.
    auto label = [&box](QMessageBox::StandardButton which, const QString &text) {
        if (QAbstractButton *b = box.button(which))
            b->setText(text);
    };
    switch (buttons) {
    case MsgButtons::Ok:
        box.setStandardButtons(QMessageBox::Ok);
        label(QMessageBox::Ok, QStringLiteral("确定"));
        box.exec();
        return MsgAnswer::Ok;
    case MsgButtons::OkCancel:
        box.setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel);
        label(QMessageBox::Ok, QStringLiteral("确定"));
        label(QMessageBox::Cancel, QStringLiteral("取消"));
        box.setDefaultButton(defaultButton == MsgAnswer::Cancel ? QMessageBox::Cancel : QMessageBox::Ok);
        return box.exec() == QMessageBox::Ok ? MsgAnswer::Ok : MsgAnswer::Cancel;
    case MsgButtons::YesNo:
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
        label(QMessageBox::Yes, QStringLiteral("是"));
        label(QMessageBox::No, QStringLiteral("否"));
        box.setDefaultButton(defaultButton == MsgAnswer::No ? QMessageBox::No : QMessageBox::Yes);
        return box.exec() == QMessageBox::Yes ? MsgAnswer::Yes : MsgAnswer::No;
    }
    return MsgAnswer::Ok;
}

QString DesktopServices::fileDialog(const FileDialogRequest &r)
{
    QString start = r.directory;
    if (!r.presetName.isEmpty())
        start = start.isEmpty() ? r.presetName : start + QLatin1Char('/') + r.presetName;
    if (r.save)
        return QFileDialog::getSaveFileName(owner(), r.title, start, r.filter);
    return QFileDialog::getOpenFileName(owner(), r.title, start, r.filter);
}

bool DesktopServices::printDialog(QPrintDialog &dialog)
{
    QWidget *parent = owner();
    dialog.setParent(parent, dialog.windowFlags());
    keepAboveOwner(&dialog, parent);
    return dialog.exec() == QDialog::Accepted;
}

bool DesktopServices::pageSetupDialog(QPrinter *printer)
{
    QWidget *parent = owner();
    QPageSetupDialog dlg(printer, parent);
    keepAboveOwner(&dlg, parent);
    return dlg.exec() == QDialog::Accepted;
}

void DesktopServices::openHelp(const QString &path)
{
    if (QFileInfo::exists(path))
        QDesktopServices::openUrl(QUrl::fromLocalFile(path));
}

QDateTime DesktopServices::now()
{
    return QDateTime::currentDateTime();
}

void DesktopServices::endProgram()
{
    // services::endProgram, the one caller, has closed every connection already.
    std::_Exit(0);
}

namespace services {

namespace {
std::unique_ptr<ServiceHandler> &slot()
{
    static std::unique_ptr<ServiceHandler> h;
    return h;
}
} // namespace

ServiceHandler &handler()
{
    auto &h = slot();
    if (!h)
        h = std::make_unique<DesktopServices>();
    return *h;
}

void install(std::unique_ptr<ServiceHandler> h)
{
    slot() = std::move(h);
}

void msg(const QString &text, const QString &title, MsgIcon icon)
{
    handler().message(text, title, icon, MsgButtons::Ok);
}

MsgAnswer ask(const QString &text, const QString &title, MsgButtons buttons, MsgIcon icon)
{
    return handler().message(text, title, icon, buttons);
}

MsgAnswer ask(const QString &text, const QString &title, MsgButtons buttons, MsgAnswer defaultButton, MsgIcon icon)
{
    return handler().question(text, title, icon, buttons, defaultButton);
}

QString openFileName(const QString &title, const QString &filter, const QString &directory)
{
    return handler().fileDialog({false, title, filter, QString(), directory});
}

QString saveFileName(const QString &title, const QString &filter, const QString &presetName, const QString &directory)
{
    return handler().fileDialog({true, title, filter, presetName, directory});
}

QDateTime now()
{
    return handler().now();
}

void endProgram()
{
    // Every end of the program writes each file's log back first (users copy the .mdb), whatever
    // handler ends it.
    closeAllDatabases();
    handler().endProgram();
    std::_Exit(0); // a handler must not return; end here all the same
}

} // namespace services
} // namespace quorvane
