#include "reports/allsubjectbook.h"

#include "reports/reportframe.h"
#include "shell/database.h"
#include "shell/subjects.h"

#include <QSqlQuery>
#include <QSqlRecord>

namespace quorvane::allsubjectbook {

namespace {

// A stored field in its plain text form (student number, name, class, seat): empty for Null.
QString plainText(const QVariant &v)
{
    if (v.isNull())
        return QString();
    if (v.typeId() == QMetaType::Double)
        return reports::numText(v.toDouble());
    return v.toString();
}

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

// Rank column prefixes of a subject (dk..no + k) and of the totals (zf..no + a/b), by rank box.
const char *const kRankKinds[3] = {"bj", "tl", "nj"};
const char *const kRankHeads[3] = {"|^班名", "|^类名", "|^年名"};

} // namespace

Selection selectionOf(const QString &chooserText)
{
    const QString tail = chooserText.right(2);
    if (tail == QStringLiteral("年级"))
        return Selection::WholeExam;
    if (tail == QStringLiteral("文科"))
        return Selection::Arts;
    if (tail == QStringLiteral("理科"))
        return Selection::Science;
    return Selection::Class;
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
    auto rankPieces = [&] {
        QString s;
        for (int b = 0; b < 3; ++b)
            if (boxes[b])
                s += QString::fromUtf8(kRankHeads[b]);
        return s;
    };
    QString format = QStringLiteral("|^    学   号|^   姓 名|^班级|^座号");
    for (int k : subjects) {
        format += QStringLiteral("|^") + subjectName(k);
        if (options.subjectRanks)
            format += rankPieces();
    }
    if (options.totals)
        format += QStringLiteral("|^总分1") + rankPieces() + QStringLiteral("|^总分2") + rankPieces();
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
        q.sql = QStringLiteral("SELECT * FROM stucj WHERE wlflag = 2 AND id = ?");
        q.values = {examId};
        break;
    case Selection::Science:
        q.sql = QStringLiteral("SELECT * FROM stucj WHERE wlflag = 3 AND id = ?");
        q.values = {examId};
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
            f.rank[b] = field(QStringLiteral("dk%1no%2").arg(QLatin1String(kRankKinds[b])).arg(k));
        sf.push_back(f);
    }
    int totalField[2];
    int totalRank[2][3];
    for (int t = 0; t < 2; ++t) {
        const QChar suffix = t == 0 ? QLatin1Char('a') : QLatin1Char('b');
        totalField[t] = field(QStringLiteral("keall") + suffix);
        for (int b = 0; b < 3; ++b)
            totalRank[t][b] = field(QStringLiteral("zf%1no").arg(QLatin1String(kRankKinds[b])) + suffix);
    }

    const int cols = columnCount(subjects, options);
    const int r = options.subjectRankColumns();
    auto value = [&q](int index) { return index >= 0 ? q.value(index) : QVariant(); };

    std::vector<QStringList> rows;
    while (q.next()) {
        QStringList cells;
        cells.reserve(cols);
        for (int c = 0; c < cols; ++c)
            cells << QString();
        cells[1] = plainText(value(fStid));
        cells[2] = plainText(value(fName));
        cells[3] = plainText(value(fBj));
        cells[4] = plainText(value(fZh));
        for (size_t i = 0; i < sf.size(); ++i) {
            const QVariant score = value(sf[i].score);
            if (!reports::isPresent(score))
                continue; // no score: its rank cells stay empty too
            int col = 5 + int(i) * (r + 1);
            cells[col] = reports::scoreText(score);
            if (!options.subjectRanks)
                continue;
            for (int b = 0; b < 3; ++b) {
                if (!boxes[b])
                    continue;
                ++col;
                const QVariant rank = value(sf[i].rank[b]);
                cells[col] = reports::presentText(rank);
            }
        }
        if (options.totals) {
            int col = 5 + int(subjects.size()) * (r + 1);
            for (int t = 0; t < 2; ++t) {
                const QVariant total = value(totalField[t]);
                cells[col] = reports::presentText(total);
                for (int b = 0; b < 3; ++b) {
                    if (!boxes[b])
                        continue;
                    ++col;
                    const QVariant rank = value(totalRank[t][b]);
                    cells[col] = reports::presentText(rank);
                }
                ++col;
            }
        }
        rows.push_back(std::move(cells));
    }
    if (rows.empty())
        return false;
    book.cols = cols;
    book.rows = std::move(rows);
    return true;
}

} // namespace quorvane::allsubjectbook
