#pragma once
#include <sys/resource.h>

namespace quorvane::test {

// Milliseconds of processor time used so far by this process and by the child processes it has
// waited for (the workbook helper among them): unlike the time on the clock, it hardly grows with
// the load of the machine, so work can be compared with a reference measured beside it.
inline double cpuMsSoFar()
{
    rusage self{}, children{};
    getrusage(RUSAGE_SELF, &self);
    getrusage(RUSAGE_CHILDREN, &children);
    const auto ms = [](const timeval &t) { return double(t.tv_sec) * 1e3 + double(t.tv_usec) / 1e3; };
    return ms(self.ru_utime) + ms(self.ru_stime) + ms(children.ru_utime) + ms(children.ru_stime);
}

} // namespace quorvane::test
