#pragma once
#include <QString>
#include <QVariant>

namespace quorvane {

// Stream (文理倾向) text of a stored code: 1 "不限", 2 "文科", 3 "理科"; empty for Null or any
// other value.
QString streamText(const QVariant &code);
// Grade text of a stored grade: 1 "高一", 2 "高二", 3 "高三"; empty for Null or any other value.
QString gradeText(const QVariant &grade);

} // namespace quorvane
