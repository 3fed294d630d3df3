#include "reports/allsubjectbook.h"

#include "reports/statrules.h"
#include "shell/codes.h"
#include "shell/database.h"
#include "shell/subjects.h"

#include <QSqlQuery>
#include <QSqlRecord>

namespace quorvane::allsubjectbook {

namespace {

// The order clauses by sort option: for the whole exam or a stream, and for one class. Rows equal
// in every key keep the order in which they were written.
struct OrderClause
{
    const char *caption;
    const char *many;
    const char *oneClass;
};
constexpr OrderClause kOrders[8] = {
    {"班级学号", "bj, stid", "stid"},
    {"班级座号", "bj, zh", "zh"},
    {"班级总分1", "bj, zfbjnoa, zh", "zfbjnoa, zh"},
    {"同类班级总分1", "zftlnoa, bj, zh", "zftlnoa, zh"},
    {"年级总分1", "zfnjnoa, bj, zh", "zfnjnoa, zh"},
    {"班级总分2", "bj, zfbjnob, zh", "zfbjnob, zh"},
    {"同类班级总分2", "zftlnob, bj, zh", "zftlnob, zh"},
    {"年级总分2", "zfnjnob, bj, zh", "zfnjnob, zh"},
};

} // namespace

using reports::fieldValue;
using reports::kArtsStream;
using reports::kScienceStream;

Selection selectionOf(const QString &chooserText)
{
    const QString tail = chooserText.right(2);
    if (tail == QStringLiteral("年级"))
        return Selection::WholeExam;
    switch (streamCode(tail)) {
    case kArtsStream:
        return Selection::Arts;
    case kScienceStream:
        return Selection::Science;
    default:
        return Selection::Class;
    }
}

QStringList orderCaptions()
{
    QStringList list;
    for (const OrderClause &o : kOrders)
        list << QString::fromUtf8(o.caption);
    return list;
}

QString headingFormat(const std::vector<int> &subjects, const Options &options)
{
    const bool boxes[3] = {options.rankClass, options.rankStream, options.rankGrade};
    QString format = QStringLiteral("|^    学   号|^   姓 名|^班级|^座号");
    for (int k : subjects) {
        format += QStringLiteral("|^") + subjectName(k);
        if (options.subjectRanks)
            format += reports::rankHeadings(boxes);
    }
    if (options.totals)
        format += reports::totalsHeading(boxes);
    return format;
}

int columnCount(const std::vector<int> &subjects, const Options &options)
{
    const int n = int(subjects.size());
    int cols = 5 + n * (options.subjectRankColumns() + 1);
    if (options.totals)
        cols += 2 * (1 + options.rankBoxes());
    return cols;
}

Query listQuery(const QString &examId, const QString &chooserText, int order)
{
    const OrderClause &o = kOrders[order >= 0 && order < 8 ? order : 1];
    Query q;
    switch (selectionOf(chooserText)) {
    case Selection::WholeExam:
        q.sql = QStringLiteral("SELECT * FROM stucj WHERE id = ?");
        q.values = {examId};
        break;
    case Selection::Arts:
        q.sql = QStringLiteral("SELECT * FROM stucj WHERE wlflag = ? AND id = ?");
        q.values = {kArtsStream, examId};
        break;
    case Selection::Science:
        q.sql = QStringLiteral("SELECT * FROM stucj WHERE wlflag = ? AND id = ?");
        q.values = {kScienceStream, examId};
        break;
    case Selection::Class: {
        // The class is compared as a number; a text that is no number finds no class.
        bool ok = false;
        const qlonglong bj = chooserText.trimmed().toLongLong(&ok);
        q.sql = QStringLiteral("SELECT * FROM stucj WHERE bj = ? AND id = ?");
        q.values = {ok ? QVariant(bj) : QVariant(chooserText), examId};
        q.sql += QStringLiteral(" ORDER BY ") + QString::fromLatin1(o.oneClass) + QStringLiteral(", rowid");
        return q;
    }
    }
    q.sql += QStringLiteral(" ORDER BY ") + QString::fromLatin1(o.many) + QStringLiteral(", rowid");
    return q;
}

bool build(const QSqlDatabase &cohort, const QString &examId, const QString &chooserText,
           const std::vector<int> &subjects, const Options &options, Book &book)
{
    const Query lq = listQuery(examId, chooserText, options.order);
    QSqlQuery q = prepare(cohort, lq.sql, lq.values);
    q.setForwardOnly(true);
    if (!q.exec())
        return false;

    const QSqlRecord rec = q.record();
    auto field = [&rec](const QString &name) { return rec.indexOf(name); };
    const int fStid = field(QStringLiteral("stid"));
    const int fName = field(QStringLiteral("name"));
    const int fBj = field(QStringLiteral("bj"));
    const int fZh = field(QStringLiteral("zh"));
    const bool boxes[3] = {options.rankClass, options.rankStream, options.rankGrade};

    // Field positions of every subject's score and its three ranks, and of the totals' blocks.
    struct SubjectFields
    {
        int score;
        int rank[3];
    };
    std::vector<SubjectFields> sf;
    sf.reserve(subjects.size());
    for (int k : subjects) {
        SubjectFields f{};
        f.score = field(QStringLiteral("ke%1").arg(k));
        for (int b = 0; b < 3; ++b)
            f.rank[b] = field(QStringLiteral("dk%1no%2").arg(reports::rankKind(b)).arg(k));
        sf.push_back(f);
    }
    const reports::TotalFields totals = reports::totalFields(rec);

    const int cols = columnCount(subjects, options);
    const int r = options.subjectRankColumns();
    auto value = [&q](int index) { return fieldValue(q, index); };

    reports::ListTexts texts;
    std::vector<QStringList> rows;
    while (q.next()) {
        QStringList cells = reports::emptyCells(cols);
        cells[1] = texts.value(value(fStid));
        cells[2] = texts.value(value(fName));
        cells[3] = texts.value(value(fBj));
        cells[4] = texts.value(value(fZh));
        for (size_t i = 0; i < sf.size(); ++i) {
            const QVariant score = value(sf[i].score);
            if (!reports::isPresent(score))
                continue; // no score: its rank cells stay empty too
            int col = 5 + int(i) * (r + 1);
            cells[col] = texts.score(score);
            if (!options.subjectRanks)
                continue;
            for (int b = 0; b < 3; ++b) {
                if (!boxes[b])
                    continue;
                ++col;
                const QVariant rank = value(sf[i].rank[b]);
                cells[col] = texts.present(rank);
            }
        }
        if (options.totals)
            reports::fillTotals(cells, 5 + int(subjects.size()) * (r + 1), totals, boxes, q, texts);
        rows.push_back(std::move(cells));
    }
    return reports::takeRows(rows, cols, book);
}

} // namespace quorvane::allsubjectbook
