#pragma once
#include <QSqlDatabase>
#include <QString>
#include <QVariant>
#include <QVector>
#include <functional>

// The cohort register (table dbsystable of the system database) and each cohort's database file in
// the data folder: listing and looking up cohorts, and adding, changing and deleting a cohort with
// its file kept in step with its row. No widgets and no messages: each step says how it ended, and
// the window tells the user.
namespace quorvane::cohorts {

struct Cohort
{
    qint64 rowid = -1; // the stored row; -1 for a cohort not stored yet
    QString year;      // dbyear
    QString dbname;    // the cohort's file is <dbname>.mdb
    QVariant bjsum;    // number of classes
    QVariant startbj;  // first class number
};

// The file name of a cohort database: <dbname>.mdb.
QString fileName(const QString &dbname);

// Every cohort by year (creation order within one year); ok is false when the database failed.
QVector<Cohort> listCohorts(const QSqlDatabase &system, bool *ok = nullptr);
// The cohort stored under that year (letter case ignored); false when there is none or the read failed.
bool findByYear(const QSqlDatabase &system, const QString &year, Cohort *out);
// The year of a cohort other than exceptYear whose database name is dbname (empty when none).
QString yearUsingName(const QSqlDatabase &system, const QString &dbname, const QString &exceptYear);
// True for the names of the program's own files beside the cohorts (the template and the system
// database): a cohort of either name would overwrite them.
bool isReservedName(const QString &dbname);

// How adding, changing or deleting a cohort ended. Unless it is Done, nothing was changed.
enum class Outcome {
    Done,
    NoTemplate,   // the template dbyear.mdb is missing, so no cohort file can be made
    FileInUse,    // a connection of this program holds the cohort's file
    FileFailed,   // the cohort's file could not be made from the template
    FileExists,   // a file of the new name exists already
    RenameFailed, // the file could not be renamed; reason says why
    RowFailed,    // the row could not be written; reason says why
};
struct Result
{
    Outcome outcome = Outcome::Done;
    QString reason;
};

// Adds a cohort: its file first, copied from the template (a file of that name left without a row
// is replaced, with its log files), then its row; when the row cannot be written, the new file goes.
Result addCohort(const QSqlDatabase &system, const Cohort &cohort);
// Rewrites the stored cohort (its rowid) with the values of changed. A new year takes the cohort's
// exams with it in the same transaction. A new name moves the data to <new dbname>.mdb so that a
// crash at any step leaves the row naming a file that holds the cohort: a copy of the program's own
// name, written to the disk, gets the new name (as a second name where the file system has hard
// links, else by renaming the copy; refused as FileExists when the name is taken, so a user's file
// is never overwritten), the row is committed, then the old file goes. A new year or
// name is refused while a connection holds the file.
Result changeCohort(const QSqlDatabase &system, const Cohort &stored, const Cohort &changed);
// Clears away what a rename cut by a crash left: the copy, and the new name when the row was not
// committed or the old file when it was. Runs at start and before every rename. A copy already
// renamed to the new name (no hard links) when the cut came before the commit stays as a file no row
// names: the row still names the old file, which is whole.
void finishRenames(const QSqlDatabase &system);
// Opens the system database on its own connection and clears away what renames cut by a crash left.
void finishRenamesAtStart();
// For tests: called after each step of a rename (1 copy written, 2 new name given, 3 row committed,
// 4 old file removed); throwing from it cuts the rename there, as a crash would.
void setRenameStepHook(std::function<void(int)> hook);
// For tests: called before each link() and renameat2() of a rename with the call's name ("link",
// "renameat2"); a non-zero error number it returns refuses the call with that error, as a file
// system would.
void setFileCallHook(std::function<int(const char *call)> hook);
// Deletes the stored cohort: the row first (when it cannot be deleted, the file stays), then its file
// and log files, unless another cohort names that file too. Refused while a connection holds the file.
Result deleteCohort(const QSqlDatabase &system, const Cohort &stored);

} // namespace quorvane::cohorts
