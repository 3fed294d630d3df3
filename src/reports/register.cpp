#include "reports/register.h"
#include "reports/average.h"
#include "reports/dkcj.h"
#include "reports/cjbq.h"
#include "reports/gkcj.h"
#include "reports/fdtj.h"
#include "reports/gkdz.h"

namespace quorvane {

void registerReportsWindows()
{
    windows::registerFactory(QStringLiteral("average"), [] { return new average; });
    windows::registerFactory(QStringLiteral("dkcj"), [] { return new dkcj; });
    windows::registerFactory(QStringLiteral("gkcj"), [] { return new gkcj; });
    windows::registerFactory(QStringLiteral("cjbq"), [] { return new cjbq; });
    windows::registerFactory(QStringLiteral("fdtj"), [] { return new fdtj; });
    windows::registerFactory(QStringLiteral("gkdz"), [] { return new gkdz; });
}

} // namespace quorvane
