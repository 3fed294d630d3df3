#include "arrangement/register.h"

namespace quorvane {

void registerArrangementWindows()
{
}

} // namespace quorvane
