#pragma once
#include <QString>

namespace quorvane {

// The twelve subjects in their fixed order; subject number k (1..12) is the suffix of every
// per-subject column (ke1..ke12, kmflag1..kmflag12, ...).
constexpr int kSubjectCount = 12;
// The name of subject number 1..12; empty outside 1..12.
QString subjectName(int number);
// The number of a subject name; 0 when the name is none of the twelve.
int subjectNumber(const QString &name);

} // namespace quorvane
