#include "scores/register.h"

namespace quorvane {

void registerScoresWindows()
{
}

} // namespace quorvane
