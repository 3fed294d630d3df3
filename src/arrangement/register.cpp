#include "arrangement/register.h"
#include "arrangement/bpdy.h"
#include "arrangement/bpdy2.h"
#include "arrangement/gkksxx.h"
#include "arrangement/kcbp.h"
#include "arrangement/kcsz.h"
#include "shell/window.h"

namespace quorvane {

void registerArrangementWindows()
{
    windows::registerFactory(QStringLiteral("kcsz"), [] { return new kcsz; });
    windows::registerFactory(QStringLiteral("kcbp"), [] { return new kcbp; });
    windows::registerFactory(QStringLiteral("gkksxx"), [] { return new gkksxx; });
    windows::registerFactory(QStringLiteral("bpdy"), [] { return new bpdy; });
    windows::registerFactory(QStringLiteral("bpdy2"), [] { return new bpdy2; });
}

} // namespace quorvane
