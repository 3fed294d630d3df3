// quorvane-bench: runs every benchmark on generated data and prints one line per operation:
//   BENCH <name> <ms> REF <ms> RATIO <x> CPU <ms> REFCPU <ms> CPURATIO <x>
// (wall-clock medians of our runs and of the reference's, taken in turn, then the CPU time of each)
#include "bench.h"

#include <QApplication>
#include <cstdio>

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", qgetenv("QT_QPA_PLATFORM").isEmpty() ? QByteArray("offscreen") : qgetenv("QT_QPA_PLATFORM"));
    QApplication app(argc, argv);
    const QStringList filter = app.arguments().mid(1);
    int run = 0;
    for (const auto &b : quorvane::bench::all()) {
        if (!filter.isEmpty() && !filter.contains(QString::fromStdString(b.name)))
            continue;
        b.fn();
        ++run;
    }
    if (run == 0)
        std::printf("no benchmark selected\n");
    return 0;
}
