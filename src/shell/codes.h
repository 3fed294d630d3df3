#pragma once
#include <QString>
#include <QVariant>
#include <array>

namespace quorvane {

// The grade names by stored grade 1, 2, 3 and the stream (文理倾向) names by stored code 1, 2, 3:
// the one table every window and report names them from.
inline const std::array<QString, 3> kGradeNames{QStringLiteral("高一"), QStringLiteral("高二"), QStringLiteral("高三")};
inline const std::array<QString, 3> kStreamNames{QStringLiteral("不限"), QStringLiteral("文科"), QStringLiteral("理科")};
// The name of code in names when code is exactly 1, 2 or 3; empty otherwise.
QString codeName(const std::array<QString, 3> &names, double code);
// The code (1, 2 or 3) whose name in names is text; 0 when text is none of them.
int nameCode(const std::array<QString, 3> &names, const QString &text);

// Stream (文理倾向) text of a stored code: 1 "不限", 2 "文科", 3 "理科"; empty for Null or any
// other value.
QString streamText(const QVariant &code);
// Stream code of a stream name: "不限" 1, "文科" 2, "理科" 3; 0 for any other text.
int streamCode(const QString &name);
// Grade text of a stored grade: 1 "高一", 2 "高二", 3 "高三"; empty for Null or any other value.
QString gradeText(const QVariant &grade);

} // namespace quorvane
