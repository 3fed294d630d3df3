#include "reports/studentrows.h"

#include "reports/statrules.h"
#include "shell/valuetext.h"

namespace quorvane::reports {

namespace {
const char *const kRankKinds[3] = {"bj", "tl", "nj"};
const char *const kRankHeads[3] = {"|^班名", "|^类名", "|^年名"};
} // namespace

QLatin1String rankKind(int box)
{
    return QLatin1String(kRankKinds[box]);
}

QString rankHeadings(const bool boxes[3])
{
    QString s;
    for (int b = 0; b < 3; ++b)
        if (boxes[b])
            s += QString::fromUtf8(kRankHeads[b]);
    return s;
}

QString totalsHeading(const bool boxes[3])
{
    const QString ranks = rankHeadings(boxes);
    return QStringLiteral("|^总分1") + ranks + QStringLiteral("|^总分2") + ranks;
}

TotalFields totalFields(const QSqlRecord &rec)
{
    TotalFields f{};
    for (int t = 0; t < 2; ++t) {
        const QChar suffix = t == 0 ? QLatin1Char('a') : QLatin1Char('b');
        f.total[t] = rec.indexOf(QStringLiteral("keall") + suffix);
        for (int b = 0; b < 3; ++b)
            f.rank[t][b] = rec.indexOf(QStringLiteral("zf%1no").arg(rankKind(b)) + suffix);
    }
    return f;
}

QString ListTexts::valueRule(const QVariant &stored)
{
    return valueText(stored);
}

QString ListTexts::scoreRule(const QVariant &stored)
{
    return scoreText(stored);
}

QString ListTexts::presentRule(const QVariant &stored)
{
    return presentText(stored);
}

QString ListTexts::cached(QHash<double, QString> &texts, const QVariant &stored, Rule rule)
{
    // A stored number's text depends on its value alone; any other value goes to the rule itself.
    switch (stored.typeId()) {
    case QMetaType::Int:
    case QMetaType::LongLong:
    case QMetaType::Double:
        break;
    default:
        return rule(stored);
    }
    const double d = stored.toDouble();
    if (d != d)
        return rule(stored);
    auto it = texts.constFind(d);
    if (it == texts.constEnd())
        it = texts.insert(d, rule(stored));
    return it.value();
}

QStringList emptyCells(int cols)
{
    QStringList cells;
    cells.reserve(cols);
    for (int c = 0; c < cols; ++c)
        cells << QString();
    return cells;
}

void fillTotals(QStringList &cells, int firstCol, const TotalFields &fields, const bool boxes[3], const QSqlQuery &row,
                ListTexts &texts)
{
    int col = firstCol;
    for (int t = 0; t < 2; ++t) {
        cells[col] = texts.present(fieldValue(row, fields.total[t]));
        for (int b = 0; b < 3; ++b) {
            if (!boxes[b])
                continue;
            ++col;
            cells[col] = texts.present(fieldValue(row, fields.rank[t][b]));
        }
        ++col;
    }
}

bool takeRows(std::vector<QStringList> &rows, int cols, StudentRows &out)
{
    if (rows.empty())
        return false;
    out.cols = cols;
    out.rows = std::move(rows);
    return true;
}

} // namespace quorvane::reports
