#include "reports/register.h"
#include "reports/gkcj.h"

namespace quorvane {

void registerReportsWindows()
{
    windows::registerFactory(QStringLiteral("gkcj"), [] { return new gkcj; });
}

} // namespace quorvane
