#include "reports/subjectbook.h"

#include "reports/statrules.h"
#include "shell/codes.h"
#include "shell/database.h"
#include "shell/subjects.h"
#include "shell/textcheck.h"
#include "shell/valuetext.h"

#include <QSqlQuery>

#include <algorithm>

namespace quorvane::reports {

SubjectSelection subjectSelectionFromText(const QString &text)
{
    SubjectSelection s;
    const int stream = streamCode(text);
    if (text == QStringLiteral("年级")) {
        s.kind = SubjectSelection::Grade;
    } else if (stream == kArtsStream) {
        s.kind = SubjectSelection::Arts;
    } else if (stream == kScienceStream) {
        s.kind = SubjectSelection::Science;
    } else {
        s.kind = SubjectSelection::Class;
        s.classNo = static_cast<int>(Val(text));
    }
    return s;
}

int SubjectBook::gridRows() const
{
    const int n = static_cast<int>(students.size());
    return n % 2 == 0 ? n / 2 + 1 : n / 2 + 2;
}

namespace {
// The last band row shown for the full mark; 6 when none is.
int lastShownBand(int fullMark)
{
    int band = 6;
    while (band < 15 && bandShown(band + 1, fullMark))
        ++band;
    return band;
}
} // namespace

SubjectBook buildSubjectBook(const QSqlDatabase &cohort, const QString &examId, int subject, int fullMark,
                             const SubjectSelection &selection, const std::function<void()> &step)
{
    SubjectBook book;
    if (subject < 1 || subject > kSubjectCount)
        return book;
    // The score column comes only from the fixed subject numbers; every value is bound.
    const QString col = QStringLiteral("ke%1").arg(subject);
    QString sql;
    QVariantList values;
    switch (selection.kind) {
    case SubjectSelection::Grade:
        sql = QStringLiteral("SELECT bj,zh,name,%1 FROM stucj WHERE id = ? ORDER BY bj,zh,rowid");
        values = {examId};
        break;
    case SubjectSelection::Arts:
    case SubjectSelection::Science:
        sql = QStringLiteral("SELECT bj,zh,name,%1 FROM stucj WHERE wlflag = ? AND id = ? ORDER BY bj,zh,rowid");
        values = {selection.kind == SubjectSelection::Arts ? kArtsStream : kScienceStream, examId};
        break;
    case SubjectSelection::Class:
        sql = QStringLiteral("SELECT bj,zh,name,%1 FROM stucj WHERE bj = ? AND id = ? ORDER BY zh,rowid");
        values = {selection.classNo, examId};
        break;
    }
    QSqlQuery q = prepare(cohort, sql.arg(col), values);
    if (!q.exec())
        return book;
    const int lastBand = lastShownBand(fullMark);
    auto &tj = book.tj;
    tj.fill(0);
    tj[1] = 0;
    tj[2] = 1000;
    while (q.next()) {
        SubjectBookStudent s;
        s.bj = valueText(q.value(0));
        s.zh = valueText(q.value(1));
        s.name = valueText(q.value(2));
        const QVariant v = q.value(3);
        bool ok = false;
        const double d = v.isNull() ? 0 : v.toDouble(&ok);
        if (!ok || d == 0) {
            // no score: no statistic changes
        } else if (d == -1) {
            s.score = QStringLiteral("0");
            s.note = QStringLiteral("缺考");
            tj[5] += 1;
        } else if (d == -2) {
            s.score = QStringLiteral("0");
            s.note = QStringLiteral("作弊");
            tj[6] += 1;
        } else {
            s.score = numberText(d);
            tj[0] += d;
            if (d > tj[1])
                tj[1] = d;
            if (d < tj[2])
                tj[2] = d;
            ++book.counted;
            // Exactly one band: each lower bound inclusive, each upper bound exclusive; a score
            // beyond the last band shown (the full mark itself) counts in that band.
            int band = 7;
            for (int bound = 60; bound <= 130; bound += 10)
                if (d >= bound)
                    ++band;
            if (lastBand >= 7)
                band = std::min(band, lastBand);
            tj[static_cast<size_t>(band)] += 1;
        }
        book.students.push_back(s);
        // One progress step per grid row (a row holds two students).
        if (step && book.students.size() % 2 == 1)
            step();
    }
    if (book.students.empty())
        return book;
    book.found = true;
    tj[3] = static_cast<double>(book.students.size());
    // No takers: average 0.
    tj[0] = average(tj[0], book.counted).value_or(0);
    tj[4] = book.counted;
    return book;
}

bool bandShown(int band, int fullMark)
{
    return fullMark >= (band - 1) * 10;
}

QString bandCaption(int band, int fullMark)
{
    if (band == 15)
        return QStringLiteral(">=130分人数:");
    if (band == lastShownBand(fullMark))
        return QStringLiteral("<=%1分人数:").arg(fullMark);
    return QStringLiteral("<%1分人数:").arg((band - 1) * 10);
}

} // namespace quorvane::reports
