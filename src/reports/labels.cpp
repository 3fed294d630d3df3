#include "reports/labels.h"

#include "reports/statrules.h"
#include "shell/database.h"
#include "shell/subjects.h"

#include <QSqlQuery>
#include <QSqlRecord>

namespace quorvane::labels {

using reports::fieldValue;

QString headingFormat(const std::vector<int> &subjects, const Options &options)
{
    QString format = QStringLiteral("|^    学   号|^   姓 名|^座号");
    for (int k : subjects)
        format += QStringLiteral("|^") + subjectName(k);
    if (options.totals) {
        const bool boxes[3] = {options.rankClass, options.rankStream, options.rankGrade};
        format += reports::totalsHeading(boxes);
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
    const reports::TotalFields totals = reports::totalFields(rec);
    auto value = [&q](int index) { return fieldValue(q, index); };

    const int cols = columnCount(subjects, options);
    const int n = int(subjects.size());
    reports::ListTexts texts;
    std::vector<QStringList> rows;
    while (q.next()) {
        QStringList cells = reports::emptyCells(cols);
        cells[1] = texts.value(value(fStid));
        cells[2] = texts.value(value(fName));
        cells[3] = texts.value(value(fZh));
        for (int i = 0; i < n; ++i)
            cells[4 + i] = texts.score(value(fScore[size_t(i)]));
        if (options.totals)
            reports::fillTotals(cells, 4 + n, totals, boxes, q, texts);
        rows.push_back(std::move(cells));
    }
    return reports::takeRows(rows, cols, sheet);
}

} // namespace quorvane::labels
