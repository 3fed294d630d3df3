#include "reports/register.h"

namespace quorvane {

void registerReportsWindows()
{
}

} // namespace quorvane
