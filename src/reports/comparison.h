#pragma once
#include <QSqlDatabase>
#include <QString>
#include <QStringList>

#include <array>
#include <functional>
#include <vector>

namespace quorvane::comparison {

// The heading of both grids of the subject comparison: ten columns, column 0 without a caption.
inline const QString kHeading =
    QStringLiteral("|^   学  科|^    班   级|^ 实考数|^平均分|^最低分|^最高分|^标准差|^优良率|^及格率");
constexpr int kCols = 10;

// What the comparison is built from: the exam, its subjects with their whole-number full marks,
// the grade name and the cohort's classes.
struct Request
{
    QString examId;
    std::array<quint8, 13> kmno{};
    std::array<int, 13> kmfs{};
    int kmsum = 0;
    QString njname;
    int startbj = 0;
    int bjsum = 0;
};

// The work table: one block of bjsum + 1 rows per subject (a row per class slot, then the 全年级
// row), every row kCols texts. Index 0 is the work grid's row 1. A class without a counted score in
// a subject leaves its row empty; the subject name stands in column 1 of the block's first row,
// "全年级" in column 2 of its last row, whose figures are filled only when someone of the exam
// has a counted score in the subject (classes outside the cohort's range included).
// step runs after each record read (progress bar), afterQuery after each class query and after the
// whole-grade query.
std::vector<QStringList> buildWorkRows(const QSqlDatabase &cohort, const Request &req,
                                       const std::function<void()> &step,
                                       const std::function<void()> &afterQuery);

// The rows the user sees and prints: the work rows that carry a class label and a count, in order,
// with each listed subject's name in column 1 of its block's first listed row.
std::vector<QStringList> listedRows(const std::vector<QStringList> &workRows, int kmsum, int bjsum);

} // namespace quorvane::comparison
