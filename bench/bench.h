#pragma once
#include <QElapsedTimer>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

namespace quorvane::bench {

struct Benchmark
{
    std::string name;
    std::function<void()> fn;
};

// Benchmarks register themselves with a static Registration in their own file.
inline std::vector<Benchmark> &all()
{
    static std::vector<Benchmark> list;
    return list;
}

struct Registration
{
    Registration(std::string name, std::function<void()> fn) { all().push_back({std::move(name), std::move(fn)}); }
};

// Milliseconds a function takes (best of `repeat` runs).
inline double timeMs(const std::function<void()> &fn, int repeat = 3)
{
    double best = 1e300;
    for (int i = 0; i < repeat; ++i) {
        QElapsedTimer t;
        t.start();
        fn();
        best = std::min(best, t.nsecsElapsed() / 1e6);
    }
    return best;
}

inline void report(const std::string &name, double ms, double refMs)
{
    std::printf("BENCH %s %.1f REF %.1f RATIO %.2f\n", name.c_str(), ms, refMs, refMs > 0 ? ms / refMs : 0.0);
    std::fflush(stdout);
}

} // namespace quorvane::bench
