#pragma once
// What the score labels and the all-subject score book share in building their student lists: the
// rows of cell texts, the rank headings and the block of the two totals with their ticked ranks.
#include <QHash>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <vector>

namespace quorvane::reports {

// A student list: one row of cell texts per student, indexed by grid column (column 0 empty).
struct StudentRows
{
    int cols = 0;
    std::vector<QStringList> rows;
};

// The rank column kind of a rank box (0 班级, 1 同类班级, 2 年级): "bj", "tl", "nj".
QLatin1String rankKind(int box);
// The headings of the ticked rank boxes, in box order ("|^班名", "|^类名", "|^年名").
QString rankHeadings(const bool boxes[3]);
// The heading of the totals block: 总分1 and 总分2, each followed by the ticked ranks' headings.
QString totalsHeading(const bool boxes[3]);

// Field positions of the two totals (keall a/b) and of their three ranks (zf..no a/b); -1 when the
// record lacks the field.
struct TotalFields
{
    int total[2];
    int rank[2][3];
};
TotalFields totalFields(const QSqlRecord &rec);

// The value of the query's current row at a field position; an invalid value when the position
// is < 0 (the record lacks the field).
inline QVariant fieldValue(const QSqlQuery &row, int field)
{
    return field >= 0 ? row.value(field) : QVariant();
}

// The texts of a list's stored values by the list's text rules (valueText, scoreText, presentText).
// A stored number's text is made once a list and rule: every cell that shows the number shares that
// one string, which keeps a long list small and spares formatting the same number again.
class ListTexts
{
public:
    QString value(const QVariant &stored) { return cached(m_value, stored, &valueRule); }
    QString score(const QVariant &stored) { return cached(m_score, stored, &scoreRule); }
    QString present(const QVariant &stored) { return cached(m_present, stored, &presentRule); }

private:
    using Rule = QString (*)(const QVariant &);
    static QString valueRule(const QVariant &stored);
    static QString scoreRule(const QVariant &stored);
    static QString presentRule(const QVariant &stored);
    static QString cached(QHash<double, QString> &texts, const QVariant &stored, Rule rule);

    QHash<double, QString> m_value, m_score, m_present;
};

// A row of cols empty cells.
QStringList emptyCells(int cols);

// Writes 总分1 and 总分2 of the query's current row, each followed by its ticked ranks, from column
// firstCol on. Every total and ticked rank keeps its column, also when its value is missing.
void fillTotals(QStringList &cells, int firstCol, const TotalFields &fields, const bool boxes[3], const QSqlQuery &row,
                ListTexts &texts);

// Moves rows into out with the column count; false, leaving out as it was, when rows is empty.
bool takeRows(std::vector<QStringList> &rows, int cols, StudentRows &out);

} // namespace quorvane::reports
