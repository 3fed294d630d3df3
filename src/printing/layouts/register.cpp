#include "printing/layouts/register.h"

namespace quorvane {

void registerLayoutsWindows()
{
}

} // namespace quorvane
