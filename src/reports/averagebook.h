#pragma once
// The average score book computed without widgets: one row per class with the class average and
// rank of every subject of the exam and the class averages of total 1 and total 2.
#include <QSqlDatabase>
#include <QString>
#include <QStringList>
#include <array>
#include <functional>
#include <vector>

namespace quorvane::reports {

// The heading format string: "|^    班   级", one "|^<subject>|^名次" piece per subject position,
// then "|^ 总分1|^ 总分2".
QString averageFormatString(const std::array<quint8, 13> &kmno, int kmsum);

struct AverageBook
{
    QString formatString;
    int cols = 0;                      // 2 × kmsum + 4
    std::vector<QStringList> rows;     // rows[c − 1] is grid row c (class startbj + c − 1), cols cells each
};

struct AverageProgress
{
    std::function<void()> row;         // after each student row read
    std::function<void()> afterClass;  // after each class's query (lets events run)
};

// Reads the exam's rows class by class (startbj .. startbj + bjsum − 1) and builds the book.
AverageBook buildAverageBook(const QSqlDatabase &cohort, const QString &examId, const std::array<quint8, 13> &kmno,
                             int kmsum, int startbj, int bjsum, const QString &njname,
                             const AverageProgress &progress = {});

} // namespace quorvane::reports
