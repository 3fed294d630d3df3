#pragma once
#include "shell/services.h"

#include <QElapsedTimer>

#include "cputime.h"

#include <algorithm>
#include <cstdio>
#include <deque>
#include <functional>
#include <stdexcept>
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

using quorvane::test::cpuMsSoFar;

// Wall and CPU milliseconds of one measured stretch.
struct Sample
{
    double wallMs = 0;
    double cpuMs = 0;
};

// Both clocks from its start (or restart): the wall clock and the CPU time of this process and its
// waited-for children.
class Stopwatch
{
public:
    Stopwatch() { restart(); }
    void restart()
    {
        m_cpu = cpuMsSoFar();
        m_wall.start();
    }
    Sample elapsed() const { return {double(m_wall.nsecsElapsed()) / 1e6, cpuMsSoFar() - m_cpu}; }

private:
    QElapsedTimer m_wall;
    double m_cpu = 0;
};

// One side of a line. run is timed; before and after, when given, run untimed around each run (to
// set it up, and to check or undo what it did). own, when given, is read after each run and gives
// that run's own measure (a line that measures until something is on view) instead of the whole
// call's.
struct Side
{
    std::function<void()> run;
    std::function<void()> before = {};
    std::function<void()> after = {};
    std::function<Sample()> own = {};
};

// The wall and CPU milliseconds of each run of one side.
struct Samples
{
    std::vector<double> wall;
    std::vector<double> cpu;

    static double median(std::vector<double> v)
    {
        if (v.empty())
            return 0;
        std::sort(v.begin(), v.end());
        const size_t mid = v.size() / 2;
        return v.size() % 2 ? v[mid] : (v[mid - 1] + v[mid]) / 2;
    }
    void add(const Sample &s)
    {
        wall.push_back(s.wallMs);
        cpu.push_back(s.cpuMs);
    }
    double wallMs() const { return median(wall); }
    double cpuMs() const { return median(cpu); }
};

struct Line
{
    Samples ours;
    Samples ref;
};

// Runs our side and the reference in turn (ours, reference, ours, reference, ...), `runs` times
// each, so a load that changes while the line is measured reaches both sides alike.
inline Line alternate(const Side &ours, const Side &reference, int runs = 3)
{
    Line line;
    const auto once = [](const Side &side, Samples &into) {
        if (side.before)
            side.before();
        const Stopwatch clock;
        side.run();
        const Sample whole = clock.elapsed();
        if (side.after)
            side.after();
        into.add(side.own ? side.own() : whole);
    };
    for (int i = 0; i < runs; ++i) {
        once(ours, line.ours);
        once(reference, line.ref);
    }
    return line;
}

// BENCH <name> <ms> REF <ms> RATIO <x> CPU <ms> REFCPU <ms> CPURATIO <x>: wall times, then CPU times
// of the process and its waited-for children.
inline void report(const std::string &name, double ms, double refMs, double cpuMs, double refCpuMs)
{
    const auto ratio = [](double a, double b) { return b > 0 ? a / b : 0.0; };
    std::printf("BENCH %s %.1f REF %.1f RATIO %.2f CPU %.1f REFCPU %.1f CPURATIO %.2f\n", name.c_str(), ms, refMs, ratio(ms, refMs),
                cpuMs, refCpuMs, ratio(cpuMs, refCpuMs));
    std::fflush(stdout);
}

// The line of the medians of each side.
inline void report(const std::string &name, const Line &line)
{
    report(name, line.ours.wallMs(), line.ref.wallMs(), line.ours.cpuMs(), line.ref.cpuMs());
}

// Shows nothing, so a run never waits for a user: every message goes to stderr and is kept as
// `last`; questions are answered from `answers`, then Yes/OK; file, print and page dialogs are
// cancelled.
class QuietServices : public ServiceHandler
{
public:
    MsgAnswer message(const QString &text, const QString &, MsgIcon, MsgButtons buttons) override
    {
        std::fprintf(stderr, "message: %s\n", qPrintable(text));
        last = text;
        if (buttons == MsgButtons::Ok)
            return MsgAnswer::Ok;
        if (answers.empty())
            return buttons == MsgButtons::YesNo ? MsgAnswer::Yes : MsgAnswer::Ok;
        const MsgAnswer a = answers.front();
        answers.pop_front();
        return a;
    }
    QString fileDialog(const FileDialogRequest &) override { return QString(); }
    bool printDialog(QPrintDialog &) override { return false; }
    bool pageSetupDialog(QPrinter *) override { return false; }
    void openHelp(const QString &) override {}
    QDateTime now() override { return QDateTime::currentDateTime(); }
    [[noreturn]] void endProgram() override { throw std::runtime_error("program ended"); }

    std::deque<MsgAnswer> answers;
    QString last;
};

} // namespace quorvane::bench
