#pragma once
#include <QDateTime>
#include <QString>
#include <QStringList>
#include <memory>

class QPrintDialog;
class QPrinter;

namespace quorvane {

enum class MsgIcon { None, Exclamation, Question, Information, Critical };
enum class MsgButtons { Ok, OkCancel, YesNo };
enum class MsgAnswer { Ok, Cancel, Yes, No };

struct FileDialogRequest
{
    bool save = false;      // save dialog (else open)
    QString title;
    QString filter;         // e.g. "Excel 工作簿 (*.xlsx *.xls)"
    QString presetName;     // file name proposed in a save dialog
    QString directory;
};

// Everything that waits for the user or leaves the program goes through here: message boxes,
// questions, file, print and page-setup dialogs, the help viewer, the clock and the end of the
// program. Production shows real dialogs; tests install a handler that records and answers.
class ServiceHandler
{
public:
    virtual ~ServiceHandler() = default;
    virtual MsgAnswer message(const QString &text, const QString &title, MsgIcon icon, MsgButtons buttons) = 0;
    // A question whose default button (the one Enter presses) is given. Questions whose answer
    // destroys data default to 否 or 取消.
    virtual MsgAnswer question(const QString &text, const QString &title, MsgIcon icon, MsgButtons buttons, MsgAnswer defaultButton)
    {
        (void)defaultButton;
        return message(text, title, icon, buttons);
    }
    // The chosen file name, or an empty string when the dialog was cancelled.
    virtual QString fileDialog(const FileDialogRequest &request) = 0;
    // Shows a print dialog the caller has set up (its pages and options); true = OK, and the
    // dialog's printer then holds what was chosen.
    virtual bool printDialog(QPrintDialog &dialog) = 0;
    virtual bool pageSetupDialog(QPrinter *printer) = 0;
    // Opens a help file with the desktop's viewer; reports nothing when that is not possible.
    virtual void openHelp(const QString &path) = 0;
    virtual QDateTime now() = 0;
    // Ends the program at once: no window's unload step runs. Never returns.
    [[noreturn]] virtual void endProgram() = 0;
};

// The production handler: Qt dialogs, the system clock, and an immediate process exit (reached only
// through services::endProgram, which closes every database connection first). With the environment
// variable QUORVANE_NO_DIALOGS set (a run without anyone at the screen), a message goes to the
// standard error output instead of a box and a question takes its default answer.
class DesktopServices : public ServiceHandler
{
public:
    MsgAnswer message(const QString &text, const QString &title, MsgIcon icon, MsgButtons buttons) override;
    MsgAnswer question(const QString &text, const QString &title, MsgIcon icon, MsgButtons buttons, MsgAnswer defaultButton) override;
    QString fileDialog(const FileDialogRequest &request) override;
    bool printDialog(QPrintDialog &dialog) override;
    bool pageSetupDialog(QPrinter *printer) override;
    void openHelp(const QString &path) override;
    QDateTime now() override;
    [[noreturn]] void endProgram() override;
};

namespace services {
// The handler in use (DesktopServices unless a test installed another). install takes ownership.
ServiceHandler &handler();
void install(std::unique_ptr<ServiceHandler> handler);

// A message box with one OK button.
void msg(const QString &text, const QString &title, MsgIcon icon = MsgIcon::Exclamation);
// A question: OK/Cancel or Yes/No. The first button (确定, 是) is the default one.
MsgAnswer ask(const QString &text, const QString &title, MsgButtons buttons, MsgIcon icon = MsgIcon::Question);
// A question with the given default button: 否 or 取消 for a question whose answer destroys data.
MsgAnswer ask(const QString &text, const QString &title, MsgButtons buttons, MsgAnswer defaultButton, MsgIcon icon = MsgIcon::Question);
QString openFileName(const QString &title, const QString &filter, const QString &directory = QString());
QString saveFileName(const QString &title, const QString &filter, const QString &presetName, const QString &directory = QString());
QDateTime now();
inline QDate today() { return now().date(); }
[[noreturn]] void endProgram();
} // namespace services

} // namespace quorvane
