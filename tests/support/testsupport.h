#pragma once
#include "shell/database.h"
#include "shell/services.h"

#include <QAbstractButton>
#include <QPrinter>
#include <QSqlDatabase>
#include <QStringList>
#include <QTemporaryDir>
#include <deque>
#include <functional>
#include <optional>
#include <stdexcept>
#include <vector>

namespace quorvane::test {

// Thrown where the program would end at once; code after the end never runs.
struct ProgramEnded : std::runtime_error
{
    ProgramEnded() : std::runtime_error("program ended") {}
};

struct RecordedMessage
{
    QString text;
    QString title;
    MsgIcon icon;
    MsgButtons buttons;
    MsgAnswer defaultButton; // the button Enter presses
};

// Records every message and answers questions and dialogs from a script, so no test ever waits
// on a modal dialog. An unscripted question is answered OK/Yes; an unscripted file dialog is
// cancelled; the clock reads the set time (or the real one when none was set).
class ScriptedServices : public ServiceHandler
{
public:
    MsgAnswer message(const QString &text, const QString &title, MsgIcon icon, MsgButtons buttons) override;
    MsgAnswer question(const QString &text, const QString &title, MsgIcon icon, MsgButtons buttons, MsgAnswer defaultButton) override;
    QString fileDialog(const FileDialogRequest &request) override;
    bool printDialog(QPrinter *printer) override;
    bool pageSetupDialog(QPrinter *printer) override;
    void openHelp(const QString &path) override { helpOpened << path; }
    QDateTime now() override { return clock.isValid() ? clock : QDateTime::currentDateTime(); }
    [[noreturn]] void endProgram() override { ++programEnds; throw ProgramEnded(); }

    std::vector<RecordedMessage> messages;
    std::deque<MsgAnswer> answers;           // for questions, in order
    std::deque<QString> fileNames;           // for file dialogs, in order ("" = cancel)
    std::vector<FileDialogRequest> fileRequests;
    std::function<bool(QPrinter *)> onPrintDialog;      // default: accept
    std::function<bool(QPrinter *)> onPageSetupDialog;  // default: accept
    QStringList helpOpened;
    QDateTime clock;
    int programEnds = 0;

    QStringList texts() const;
    QString lastText() const { return messages.empty() ? QString() : messages.back().text; }
    void clear() { messages.clear(); }

private:
    std::optional<MsgAnswer> m_default; // the default button of the question being asked
};

// Installs a fresh ScriptedServices and returns it (owned by the service registry).
ScriptedServices &installScripted();

// Presses a button as a user does: a left mouse click in its middle. False, and no click, when a
// user could not press it (hidden, in a hidden window, or disabled). Use as QVERIFY(press(w->save)),
// so that a button whose click is not wired to its handler fails the test that presses it.
[[nodiscard]] bool press(QAbstractButton *button);

// Opens a database for a test's own set-up or checks; throws when it cannot be opened.
QSqlDatabase openOrThrow(const QString &path, DbKind kind, const QString &connectionName);
// Runs a statement of a test's set-up; throws when it fails, so that no test goes on against data
// that was never written.
void execOrThrow(const QSqlDatabase &db, const QString &sql, const QVariantList &values = {});

// Runs a command-line tool and returns what it printed.
QString runTool(const QString &program, const QStringList &args);
// Page count of a PDF file (pdfinfo), -1 when it cannot be read.
int pdfPages(const QString &pdf);
// Text of a PDF file (pdftotext -layout). The CJK fonts map a few ideographs to radical forms
// (高 as U+2FBC, 页 as U+2EDA): they are folded back.
QString pdfText(const QString &pdf);

// Adds an exam of one room and grade 1 to the system database; false when the row cannot be written.
bool addExamRow(const QSqlDatabase &system, const QString &id, const QString &name, const QString &year);
// The number of students (rows of stinfo) in a cohort database file; -1 when it cannot be read.
int studentCount(const QString &cohortPath);
// What a user who copies the database file alone (without its log) gets while the program runs:
// the first value of the query on such a copy; an invalid value when it cannot be read.
QVariant valueInCopy(const QString &path, DbKind kind, const QString &sql);

// A small disk of the test's own: a tmpfs mounted (in a mount namespace of the test process where
// it can make one) over a temporary folder, for tests of a full disk. Needs root: where it cannot
// be mounted, ok() is false and the test skips.
class SmallDisk
{
public:
    explicit SmallDisk(int kilobytes = 4096);
    ~SmallDisk();
    bool ok() const { return m_mounted; }
    QString path() const { return m_dir.path(); }
    // Fills the disk with a file of its own until at most leaveBytes are free.
    bool fill(qint64 leaveBytes = 0);
    SmallDisk(const SmallDisk &) = delete;
    SmallDisk &operator=(const SmallDisk &) = delete;

private:
    QTemporaryDir m_dir;
    bool m_mounted = false;
};

// A fresh data folder with an empty system database and the cohort template, set as the
// program's data folder for its lifetime; made inside parent when one is given.
class TempData
{
public:
    TempData();
    explicit TempData(const QString &parent);
    ~TempData();
    QString folder() const { return m_dir.path() + QLatin1Char('/'); }
    // Adds a cohort row and copies the template to <dbname>.mdb; throws when either cannot be done.
    void addCohort(const QString &year, const QString &dbname, int classes = 10, int firstClass = 1);
    QString systemPath() const;
    QString cohortPath(const QString &dbFile) const;

private:
    QTemporaryDir m_dir;
};

} // namespace quorvane::test
