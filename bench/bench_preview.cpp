// The print preview's first page on screen: the all-subject score book (各科成绩册) of a grade of
// 30,000 students with every box ticked, from the click on its 打印 button to the first page painted
// on the exposed preview (the rest of the book is then cancelled by the preview's close button, as
// a user who has seen enough does). Reference: the cells and texts of that first page drawn
// straight onto a screen image of the page's size with plain QPainter calls.
#include "bench.h"
#include "generate.h"
#include "gradebook.h"

#include "controls/grid/grid.h"
#include "printing/engine/LumoPrinter.h"
#include "printing/layouts/printsform.h"
#include "reports/gkcj.h"
#include "shell/window.h"

#include <QApplication>
#include <QPainter>
#include <QToolButton>
#include <QWindow>

using namespace quorvane;

namespace {

constexpr int Students = 30000;

// Takes the time at the first paint of a preview page on an exposed window, after the page is
// painted.
class FirstPaint : public QObject
{
public:
    bench::Stopwatch clock;
    bench::Sample seen{-1, -1};

protected:
    bool eventFilter(QObject *o, QEvent *e) override
    {
        auto *view = qobject_cast<PageView *>(o);
        if (seen.wallMs >= 0 || e->type() != QEvent::Paint || !view || !view->page())
            return false;
        const QWindow *w = view->window()->windowHandle();
        if (!w || !w->isExposed())
            return false;
        static_cast<QObject *>(view)->event(e);
        seen = clock.elapsed();
        // Seen enough: the preview's close button, served at the layout's next pause.
        if (auto *printer = qobject_cast<LumoPrinter *>(view->parentWidget()->parentWidget()))
            QMetaObject::invokeMethod(printer->cmdClose, &QToolButton::click, Qt::QueuedConnection);
        return true;
    }
};

// The first page of the book drawn directly: 13 rows of the 4 fixed cells and a score cell and a
// three-line rank cell per subject and total, on landscape A4 at screen resolution.
void drawFirstPage(const Grid &g)
{
    const double mm = 96 / 25.4;
    QImage img(int(297 * mm), int(210 * mm), QImage::Format_ARGB32_Premultiplied);
    img.fill(Qt::white);
    QPainter p(&img);
    QFont body(QStringLiteral("宋体"));
    body.setPointSizeF(9);
    p.setFont(body);
    const float fixed[4] = {20, 15, 7, 7};
    for (int r = 1; r <= 13 && r < g.Rows(); ++r) {
        double x = 5;
        const double y = 30 + 11 * (r - 1);
        const auto cell = [&](const QString &text, double w) {
            const QRectF box(x * mm, y * mm, w * mm, 11 * mm);
            p.drawRect(box);
            p.drawText(box, Qt::AlignCenter, text);
            x += w;
        };
        for (int c = 1; c <= 4; ++c)
            cell(g.TextMatrix(r, c), fixed[c - 1]);
        for (int c = 5; c + 3 < g.Cols(); c += 4) {
            cell(g.TextMatrix(r, c), 8);
            cell(g.TextMatrix(r, c + 1) + QLatin1Char('\n') + g.TextMatrix(r, c + 2) + QLatin1Char('\n') + g.TextMatrix(r, c + 3), 10);
        }
    }
}

void run()
{
    bench::SchoolSpec spec;
    spec.students = Students;
    spec.rooms = Students / spec.seatsPerRoom + 10;
    bench::School school(spec);
    // The window's query: the grade, every box ticked; the window on screen as the user has it.
    gkcj *w = bench::openGradeBook(school);
    w->Show();
    w->VsNetBut1_Click(2);
    if (w->Grid1->Rows() - 1 != Students) {
        std::printf("preview_first_page_shown: the query listed %d students\n", w->Grid1->Rows() - 1);
        return;
    }

    int pages = 0;
    bool painted = true;
    FirstPaint watch;
    const bench::Side firstPage{.run =
                                    [&] {
                                        watch.seen = {-1, -1};
                                        qApp->installEventFilter(&watch);
                                        watch.clock.restart();
                                        w->VsNetBut1_Click(1); // 打印: the preview opens and lays the book out
                                        // A preview that paints no page while it lays out shows it once the
                                        // program's event loop runs again after the click.
                                        QElapsedTimer wait;
                                        wait.start();
                                        while (watch.seen.wallMs < 0 && wait.elapsed() < 2000)
                                            QCoreApplication::processEvents();
                                        auto *form = windows::find<printsform>(QStringLiteral("printsform"));
                                        if (form && form->LumoPrinter1)
                                            pages = std::max(pages, form->LumoPrinter1->PageCount());
                                        if (form && form->isLoaded())
                                            form->Unload();
                                        // The program's event loop runs between two clicks: the closed
                                        // preview's controls go.
                                        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
                                        qApp->removeEventFilter(&watch);
                                        painted = painted && watch.seen.wallMs >= 0;
                                    },
                                .own = [&] { return watch.seen; }};
    const bench::Line line = bench::alternate(firstPage, {[&] { drawFirstPage(*w->Grid1); }});
    if (!painted) {
        std::printf("preview_first_page_shown: no page was painted\n");
        return;
    }
    std::printf("preview_first_page_shown: %d students, %d pages laid out before the close\n", Students, pages);
    bench::report("preview_first_page_shown", line);

    windows::destroyAll();
    services::install(std::make_unique<DesktopServices>());
}

bench::Registration reg("preview_first_page", run);
} // namespace
