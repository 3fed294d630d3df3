#include "shell/codes.h"

namespace quorvane {

namespace {
// The whole number a stored code holds, or 0 when it holds none.
int codeValue(const QVariant &v)
{
    if (v.isNull())
        return 0;
    bool ok = false;
    const double d = v.toDouble(&ok);
    return ok && d == static_cast<int>(d) ? static_cast<int>(d) : 0;
}
} // namespace

QString streamText(const QVariant &code)
{
    switch (codeValue(code)) {
    case 1: return QStringLiteral("不限");
    case 2: return QStringLiteral("文科");
    case 3: return QStringLiteral("理科");
    default: return QString();
    }
}

QString gradeText(const QVariant &grade)
{
    switch (codeValue(grade)) {
    case 1: return QStringLiteral("高一");
    case 2: return QStringLiteral("高二");
    case 3: return QStringLiteral("高三");
    default: return QString();
    }
}

} // namespace quorvane
