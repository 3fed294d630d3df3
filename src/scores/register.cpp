#include "scores/register.h"
#include "scores/cjintool.h"
#include "scores/make.h"
#include "scores/makea.h"
#include "shell/window.h"

namespace quorvane {

void registerScoresWindows()
{
    windows::registerFactory(QStringLiteral("cjintool"), [] { return new cjintool; });
    windows::registerFactory(QStringLiteral("make"), [] { return new make; });
    windows::registerFactory(QStringLiteral("makea"), [] { return new makea; });
}

} // namespace quorvane
