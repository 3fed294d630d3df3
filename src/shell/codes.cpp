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

QString codeName(const std::array<QString, 3> &names, double code)
{
    for (int n = 1; n <= 3; ++n) {
        if (code == n)
            return names[n - 1];
    }
    return QString();
}

QString streamText(const QVariant &code)
{
    return codeName(kStreamNames, codeValue(code));
}

QString gradeText(const QVariant &grade)
{
    return codeName(kGradeNames, codeValue(grade));
}

} // namespace quorvane
