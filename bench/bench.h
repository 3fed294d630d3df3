#pragma once
#include "shell/services.h"

#include <QElapsedTimer>
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
