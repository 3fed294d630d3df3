#include "shell/codes.h"

namespace quorvane {

namespace {
// The whole number a stored code holds, or 0 when it holds none.
int codeValue(const QVariant &stored)
{
    if (stored.isNull())
        return 0;
    bool ok = false;
    const double number = stored.toDouble(&ok);
    return ok && number == static_cast<int>(number) ? static_cast<int>(number) : 0;
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

int nameCode(const std::array<QString, 3> &names, const QString &text)
{
    for (int n = 1; n <= 3; ++n) {
        if (text == names[n - 1])
            return n;
    }
    return 0;
}

QString streamText(const QVariant &code)
{
    return codeName(kStreamNames, codeValue(code));
}

int streamCode(const QString &name)
{
    return nameCode(kStreamNames, name);
}

QString gradeText(const QVariant &grade)
{
    return codeName(kGradeNames, codeValue(grade));
}

} // namespace quorvane
