// Print engine: a 200-page table document produced into the preview (page files) and into a PDF
// printer, each beside the same text and lines drawn straight onto a QPdfWriter; and the time until
// the first preview page is on view, beside drawing that one page straight onto a screen image.
#include "bench.h"
#include "printing/engine/LumoPrinter.h"

#include <QFont>
#include <QPainter>
#include <QPdfWriter>
#include <QPrinter>
#include <QTemporaryDir>

namespace {
using namespace quorvane;

constexpr int Pages = 200;
constexpr int RowsPerPage = 30;
const float Widths[] = {20, 25, 20, 20, 20, 20, 20, 25};
constexpr int Cols = 8;

QString cellText(int page, int row, int col)
{
    static const QStringList names = {QStringLiteral("张伟"), QStringLiteral("王芳"), QStringLiteral("李娜"),
                                      QStringLiteral("刘洋"), QStringLiteral("陈静"), QStringLiteral("杨磊")};
    const int n = page * RowsPerPage + row;
    if (col == 0)
        return QStringLiteral("%1").arg(n + 1);
    if (col == 1)
        return names[n % names.size()];
    return QString::number(50 + (n * (col + 7)) % 50);
}

// The report as a host lays it out on the control.
void layOut(LumoPrinter &p, int dest, const std::function<void()> &afterFirstPage = {})
{
    p.StartPrint(dest);
    for (int page = 0; page < Pages; ++page) {
        p.NewPage();
        if (page == 1 && afterFirstPage)
            afterFirstPage();
        p.TitleOut(QStringLiteral("高一年级期中考试成绩册"), 14, 2);
        for (int c = 0; c < Cols; ++c)
            p.CellOut(QStringLiteral("科目%1").arg(c), Widths[c], 8, 4, QStringLiteral("1111"), 0xE0E0E0);
        p.NewCellRow(0, 0, 8);
        for (int r = 0; r < RowsPerPage; ++r) {
            for (int c = 0; c < Cols; ++c)
                p.CellOut(cellText(page, r, c), Widths[c], 7, c >= 2 ? 7 : 4, QStringLiteral("1111"));
            p.NewCellRow(0, 0, 7);
        }
    }
    p.EndDoc();
}

// The same text and boxes drawn straight onto a paint device, in millimetres of A4.
void drawDirect(QPainter &painter, double dotsPerMm, int firstPage, int lastPage, const std::function<void()> &newPage)
{
    QFont body(QStringLiteral("宋体"));
    body.setPointSizeF(9);
    QFont title(QStringLiteral("宋体"));
    title.setPointSizeF(14);
    const auto r = [&](double x, double y, double w, double h) {
        return QRectF((20 + x) * dotsPerMm, (20 + y) * dotsPerMm, w * dotsPerMm, h * dotsPerMm);
    };
    for (int page = firstPage; page < lastPage; ++page) {
        if (page > firstPage)
            newPage();
        painter.setFont(title);
        painter.drawText(r(0, 0, 170, 8), Qt::AlignHCenter | Qt::AlignTop, QStringLiteral("高一年级期中考试成绩册"));
        painter.setFont(body);
        double x = 0, y = 12;
        for (int c = 0; c < Cols; ++c) {
            painter.fillRect(r(x, y, Widths[c], 8), QColor(224, 224, 224));
            painter.drawRect(r(x, y, Widths[c], 8));
            painter.drawText(r(x, y, Widths[c], 8), Qt::AlignCenter, QStringLiteral("科目%1").arg(c));
            x += Widths[c];
        }
        y += 8;
        for (int row = 0; row < RowsPerPage; ++row) {
            x = 0;
            for (int c = 0; c < Cols; ++c) {
                painter.drawRect(r(x, y, Widths[c], 7));
                painter.drawText(r(x + 1, y, Widths[c] - 2, 7), (c >= 2 ? Qt::AlignRight : Qt::AlignHCenter) | Qt::AlignVCenter,
                                 cellText(page, row, c));
                x += Widths[c];
            }
            y += 7;
        }
    }
}

void referencePdf(const QString &file)
{
    QPdfWriter pdf(file);
    pdf.setResolution(1200);
    pdf.setPageSize(QPageSize(QPageSize::A4));
    pdf.setPageMargins(QMarginsF(0, 0, 0, 0));
    QPainter painter(&pdf);
    drawDirect(painter, 1200 / 25.4, 0, Pages, [&] { pdf.newPage(); });
}

void run()
{
    QFont::insertSubstitutions(QStringLiteral("宋体"), {QStringLiteral("Noto Serif CJK SC")});
    QFont::insertSubstitutions(QStringLiteral("黑体"), {QStringLiteral("Noto Sans CJK SC")});
    QTemporaryDir dir;
    const bench::Side reference{[&] { referencePdf(dir.filePath("ref.pdf")); }};

    LumoPrinter preview;
    preview.resize(1000, 800);
    bench::report("engine_preview_200_pages", bench::alternate({[&] { layOut(preview, 0); }}, reference));

    LumoPrinter printer;
    printer.Printer()->setOutputFormat(QPrinter::PdfFormat);
    printer.Printer()->setOutputFileName(dir.filePath("engine.pdf"));
    bench::report("engine_pdf_200_pages", bench::alternate({[&] { layOut(printer, 1); }}, reference));

    // First page on view: from StartPrint until page 1 is shown (when page 2 opens).
    bench::Sample seen;
    const bench::Side firstPage{.run =
                                    [&] {
                                        LumoPrinter fresh;
                                        fresh.resize(1000, 800);
                                        seen = {-1, -1};
                                        const bench::Stopwatch clock;
                                        layOut(fresh, 0, [&] {
                                            if (seen.wallMs < 0 && fresh.pageShown())
                                                seen = clock.elapsed();
                                        });
                                    },
                                .own = [&] { return seen; }};
    const bench::Side firstRef{[] {
        QImage img(794, 1123, QImage::Format_ARGB32_Premultiplied);
        img.fill(Qt::white);
        QPainter painter(&img);
        drawDirect(painter, 96 / 25.4, 0, 1, [] {});
    }};
    const bench::Line first = bench::alternate(firstPage, firstRef);
    if (std::any_of(first.ours.wall.begin(), first.ours.wall.end(), [](double ms) { return ms < 0; }))
        std::printf("engine_first_preview_page: the first page was not shown while the document was laid out\n");
    bench::report("engine_first_preview_page", first);
}

bench::Registration reg("engine", run);
} // namespace
