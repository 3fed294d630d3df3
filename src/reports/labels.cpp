#include "reports/labels.h"

#include "reports/reportframe.h"
#include "shell/database.h"
#include "shell/subjects.h"

#include <QSqlQuery>
#include <QSqlRecord>

namespace quorvane::labels {

namespace {

// A stored field in its plain text form (student number, name, seat): empty for Null.
QString plainText(const QVariant &v)
{
    if (v.isNull())
        return QString();
    if (v.typeId() == QMetaType::Double)
        return reports::numText(v.toDouble());
    return v.toString();
}

const char *const kRankKinds[3] = {"bj", "tl", "nj"};
const char *const kRankHeads[3] = {"|^班名", "|^类名", "|^年名"};

} // namespace

QString headingFormat(const std::vector<int> &subjects, const Options &options)
{
    QString format = QStringLiteral("|^    学   号|^   姓 名|^座号");
    for (int k : subjects)
        format += QStringLiteral("|^") + subjectName(k);
    if (options.totals) {
        const bool boxes[3] = {options.rankClass, options.rankStream, options.rankGrade};
        QString ranks;
        for (int b = 0; b < 3; ++b)
            if (boxes[b])
                ranks += QString::fromUtf8(kRankHeads[b]);
        format += QStringLiteral("|^总分1") + ranks + QStringLiteral("|^总分2") + ranks;
    }
    return format;
}

int columnCount(const std::vector<int> &subjects, const Options &options)
{
    int cols = 4 + int(subjects.size());
    if (options.totals)
        cols += 2 * (1 + options.rankBoxes());
    return cols;
}

bool build(const QSqlDatabase &cohort, const QString &examId, const QString &classText,
           const std::vector<int> &subjects, const Options &options, Sheet &sheet)
{
    // The class is compared as a number; a text that is no number finds no class.
    bool ok = false;
    const qlonglong bj = classText.trimmed().toLongLong(&ok);
    QSqlQuery q = prepare(cohort, QStringLiteral("SELECT * FROM stucj WHERE bj = ? AND id = ? ORDER BY zh, rowid"),
                          {ok ? QVariant(bj) : QVariant(classText), examId});
    q.setForwardOnly(true);
    if (!q.exec())
        return false;

    const QSqlRecord rec = q.record();
    const int fStid = rec.indexOf(QStringLiteral("stid"));
    const int fName = rec.indexOf(QStringLiteral("name"));
    const int fZh = rec.indexOf(QStringLiteral("zh"));
    std::vector<int> fScore;
    for (int k : subjects)
        fScore.push_back(rec.indexOf(QStringLiteral("ke%1").arg(k)));
    const bool boxes[3] = {options.rankClass, options.rankStream, options.rankGrade};
    int fTotal[2];
    int fRank[2][3];
    for (int t = 0; t < 2; ++t) {
        const QChar suffix = t == 0 ? QLatin1Char('a') : QLatin1Char('b');
        fTotal[t] = rec.indexOf(QStringLiteral("keall") + suffix);
        for (int b = 0; b < 3; ++b)
            fRank[t][b] = rec.indexOf(QStringLiteral("zf%1no").arg(QLatin1String(kRankKinds[b])) + suffix);
    }
    auto value = [&q](int index) { return index >= 0 ? q.value(index) : QVariant(); };

    const int cols = columnCount(subjects, options);
    const int n = int(subjects.size());
    std::vector<QStringList> rows;
    while (q.next()) {
        QStringList cells;
        cells.reserve(cols);
        for (int c = 0; c < cols; ++c)
            cells << QString();
        cells[1] = plainText(value(fStid));
        cells[2] = plainText(value(fName));
        cells[3] = plainText(value(fZh));
        for (int i = 0; i < n; ++i)
            cells[4 + i] = reports::scoreText(value(fScore[size_t(i)]));
        if (options.totals) {
            // Every total and ticked rank keeps its column, also when its value is missing.
            int col = 4 + n;
            for (int t = 0; t < 2; ++t) {
                cells[col] = reports::presentText(value(fTotal[t]));
                for (int b = 0; b < 3; ++b) {
                    if (!boxes[b])
                        continue;
                    ++col;
                    cells[col] = reports::presentText(value(fRank[t][b]));
                }
                ++col;
            }
        }
        rows.push_back(std::move(cells));
    }
    if (rows.empty())
        return false;
    sheet.cols = cols;
    sheet.rows = std::move(rows);
    return true;
}

} // namespace quorvane::labels
