#pragma once
#include <QHash>
#include <QSqlDatabase>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <array>
#include <functional>
#include <vector>

#include "shell/subjects.h"
#include "shell/sysdb.h"

namespace quorvane::scoresheet {

// The subjects in their fixed order; subject numbers run 1..12.
constexpr int SubjectCount = kSubjectCount;
using quorvane::subjectName;                // empty outside 1..12
using quorvane::subjectNumber;              // 0 when the name is none of the twelve

// The score items of a subject and the stucj column each one writes.
enum class ScoreItem { None, Objective, Subjective, Total };
ScoreItem itemFromText(const QString &text);    // "客观分", "主观分", "总 分"
QString itemText(ScoreItem item);
// The stucj column of an item of a subject: "kea"/"keb"/"ke" + the subject number, formed only from
// the fixed prefixes and a subject number 1..12 (empty for any other).
QString scoreColumn(ScoreItem item, int subject);

// A stored full mark as a whole number: the nearest one, halves to even; Null, 0 and negative
// values give 0.
int wholeFullMark(const QVariant &stored);
// The full mark of one item of a subject as a whole number of any size (a 300-point subject keeps
// its 300); 0 means the item is not offered.
int fullMark(const sysdb::SubjectSettings &subject, ScoreItem item);

// Reads the exam's settings row for the cohort year. Without a row it returns false and leaves
// settings and subjects untouched; otherwise settings are replaced and subjects lists the names of
// the exam's subjects in subject order.
bool loadSubjectSettings(const QSqlDatabase &system, const QString &year, const QString &examId,
                         sysdb::ExamSettings &settings, QStringList &subjects);

// The class numbers of the cohort (startbj .. startbj + bjsum - 1, at most 1000) as plain decimal
// texts.
QStringList classList(const QSqlDatabase &system, const QString &year);

// What a score sheet lists: one item of one subject of one exam, for a class or an exam room.
struct SheetContext
{
    QString examId;
    int subject = 0;
    ScoreItem item = ScoreItem::None;
    bool classMode = true;
    QString place;   // class number (class mode) or room id (room mode)

    bool valid() const { return !examId.isEmpty() && subject >= 1 && subject <= SubjectCount && item != ScoreItem::None; }
};

// One listed student. stid and rowId identify the student's stucj row; they are kept beside the
// grid, never in a grid column.
struct SheetRow
{
    QString name;    // class mode only
    QString seat;    // zh in class mode, kczh in room mode
    QString score;   // the stored score as cell text, empty for Null and 0 ("85", "-1", "85.5")
    QString stid;
    qint64 rowId = -1;
};

// The students of the sheet in seat order, only those of the subject's stream (kstype 1 all,
// 2 wlflag 2, 3 wlflag 3). Returns false, loading nothing, for any other kstype.
bool loadSheetRows(const QSqlDatabase &cohort, const SheetContext &ctx, int kstype, std::vector<SheetRow> &rows);

// The value save writes for a grid cell: Null for an empty cell, else the number the text begins with.
QVariant storedScore(const QString &cell);

// The check save applies to each cell: digits only, or the markers -1 (缺考) and -2 (作弊), and not
// above the full mark. An empty cell passes.
enum class EntryCheck { Ok, IllegalCharacter, AboveFullMark };
EntryCheck checkCell(const QString &cell, const QString &fullMarkText);
// The check of the entry box when Enter, Down or Up leaves a row: the same as save's.
EntryCheck checkEntry(const QString &typed, const QString &fullMarkText);

// One row to save: the student's row and the grid cell.
struct SaveRow
{
    QString stid;
    qint64 rowId = -1;
    QString score;
};

// Writes the item's column of every listed student's own stucj row (found by exam, student number
// and row, never by seat), all in one transaction: on any database error nothing is written,
// false is returned and error holds the reason. progress gets the row number after each row.
bool saveScores(QSqlDatabase &cohort, const SheetContext &ctx, const std::vector<SaveRow> &rows,
                const std::function<void(int)> &progress = {}, QString *error = nullptr);

// The rows of a listed sheet by seat number, built once for an import so that each sheet row is
// placed without a search through the list: every seat number (compared as numbers, 03 matches 3)
// leads to its rows in grid order.
class SeatIndex
{
public:
    SeatIndex() = default;
    // seats[i] and names[i] are the cells of grid row i + 1 (names may be empty on a room sheet).
    explicit SeatIndex(const std::vector<QString> &seats, const std::vector<QString> &names = {});
    // The first row (index into seats) whose seat number equals that of seatText; -1 when none does.
    int findSeat(const QString &seatText) const;
    // The row of a class sheet's row: the first with that seat number whose name, without blanks,
    // is name. -1 when there is none; nameDiffers then tells whether rows with that seat number are
    // there under other names (a sheet of another class).
    int findStudent(const QString &seatText, const QString &name, bool *nameDiffers) const;

private:
    const std::vector<int> *rowsOf(const QString &seatText) const;
    QHash<double, std::vector<int>> m_rows;
    std::vector<QString> m_names; // without blanks
};

// The score workbook: a table of texts (sheet row i = table[i - 1], sheet column j = table row's
// element j - 1) written as a new .xlsx whose cells are all text in size 10. False, with the
// reason in error, when the file cannot be created or written. progress gets each sheet row.
bool writeScoreWorkbook(const QString &fileName, const std::vector<QStringList> &table,
                        const std::function<void(int)> &progress = {}, QString *error = nullptr);

// The last sheet row a score import reads.
constexpr int LastScoreRow = 6000;

// The rows of an opened score workbook: columns A, B and C of sheet rows 2 to LastScoreRow, each
// trimmed and without spaces and line feeds, up to the first row whose column A is then empty.
// cell(ref) gives the displayed text of an A1 reference ("a2"); each row goes to take. True when
// the rows went on to the last row read, so that rows after it may have been left unread.
bool readScoreRows(const std::function<QString(const QString &)> &cell,
                   const std::function<void(const QString &, const QString &, const QString &)> &take,
                   const std::function<void(int)> &progress = {});

} // namespace quorvane::scoresheet
