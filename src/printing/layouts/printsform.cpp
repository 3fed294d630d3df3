#include "printing/layouts/printsform.h"

#include "controls/propertybag.h"
#include "printing/engine/LumoPrinter.h"
#include "printing/layouts/layouts.h"
#include "printing/layouts/reportlayouts.h"
#include "shell/globals.h"
#include "shell/services.h"

#include <QResizeEvent>
#include <QVBoxLayout>

namespace quorvane {

namespace {

// The report codes of the program: which window asked for each report (shown again when the
// preview closes) and which routine lays it out. A new report is one line here and one file with
// its routine (declared in layouts.h).
const ReportEntry kReports[] = {
    {4, "managst", print_managst},
    {31, "bpdy2", print_bjzw},
    {32, "bpdy2", print_kczw},
    {33, "dkcj", print_dkcj},
    {34, "gkcj", print_gkcj},
    {35, "average", print_average},
    {36, "gkdz", print_gkdz},
    {37, "fdtj", print_fdtj},
    {38, "cjbq", print_cjbq},
    {41, "cjintool", print_cjintool},
};

} // namespace

const ReportEntry *reportEntry(qint16 code)
{
    for (const ReportEntry &e : kReports) {
        if (e.code == code)
            return &e;
    }
    return nullptr;
}

printsform::printsform() : Window(QStringLiteral("printsform"))
{
    setWindowTitle(QStringLiteral("打印预览"));
    resize(900, 700);
}

void printsform::createControls(QWidget *root)
{
    auto *lay = new QVBoxLayout(root);
    lay->setContentsMargins(0, 0, 0, 0);
    LumoPrinter1 = new LumoPrinter(root);
    LumoPrinter1->ReadProperties(PropertyBag());
    lay->addWidget(LumoPrinter1);

    connect(LumoPrinter1, &LumoPrinter::PrintHeader, this, [this](PageTextArgs &a) { LumoPrinter1_PrintHeader(a); });
    connect(LumoPrinter1, &LumoPrinter::PrintFooter, this, [this](PageTextArgs &a) { LumoPrinter1_PrintFooter(a); });
    connect(LumoPrinter1, &LumoPrinter::NeedRedraw, this, [this] { LumoPrinter1_NeedRedraw(); });
    connect(LumoPrinter1, &LumoPrinter::CloseRequest, this, [this] { LumoPrinter1_CloseRequest(); });
    connect(LumoPrinter1, &LumoPrinter::RealPrint, this, [this] { LumoPrinter1_RealPrint(); });
    connect(LumoPrinter1, &LumoPrinter::cmdprint2Preview, this, [this] { LumoPrinter1_cmdprint2Preview(); });
    connect(LumoPrinter1, &LumoPrinter::cmdprint3Preview, this, [this] { LumoPrinter1_cmdprint3Preview(); });
}

void printsform::Form_Load()
{
    m_reportCode = gReportCode;
    // On screen while the report is laid out.
    show();
    raise();

    // The school's name on the right of every page head: blue, underlined and italic.
    const auto right = LumoPrinter1->Header()->RightFont();
    right->setUnderline(true);
    right->setItalic(true);
    LumoPrinter1->Header()->setRightColor(0xFF0000);

    print_topreview();
}

void printsform::Form_Unload()
{
    curpage = 0;
    if (const ReportEntry *e = reportEntry(m_reportCode))
        windows::show(QString::fromLatin1(e->askingWindow));
}

void printsform::Form_Resize()
{
    if (LumoPrinter1 && LumoPrinter1->parentWidget())
        LumoPrinter1->setGeometry(0, 0, LumoPrinter1->parentWidget()->width(), LumoPrinter1->parentWidget()->height());
}

void printsform::resizeEvent(QResizeEvent *event)
{
    Window::resizeEvent(event);
    Form_Resize();
}

void printsform::dispatch(int dest)
{
    if (!LumoPrinter1)
        return;
    const ReportEntry *e = reportEntry(m_reportCode);
    if (!e || !e->layout)
        return;
    int d = dest;
    e->layout(*this, d);
}

void printsform::print_topreview()
{
    dispatch(0);
}

void printsform::print_toprinter()
{
    dispatch(1);
}

void printsform::LumoPrinter1_PrintHeader(PageTextArgs &args)
{
    args.LeftText = QStringLiteral("Quorvane");
    args.RightText = QStringLiteral("Wexmoor");
}

void printsform::LumoPrinter1_PrintFooter(PageTextArgs &args)
{
    args.CenterText = QStringLiteral("第") + QString::number(args.CurrentPage) + QStringLiteral("页");
    args.RightText = services::today().toString(QStringLiteral("yyyy-MM-dd"));
}

void printsform::LumoPrinter1_NeedRedraw()
{
    LumoPrinter1->setAutoRedraw(false);
    print_topreview();
}

void printsform::LumoPrinter1_CloseRequest()
{
    Unload();
}

void printsform::LumoPrinter1_RealPrint()
{
    print_toprinter();
}

void printsform::LumoPrinter1_cmdprint2Preview()
{
    printCurrentPage();
}

void printsform::LumoPrinter1_cmdprint3Preview()
{
    printCurrentPage();
}

void printsform::printCurrentPage()
{
    curpage = qint16(LumoPrinter1->CurrentPage());
    print_toprinter();
    // Back to the whole report at once: a later whole-report print or a redraw after a page-setup
    // change must not lay out this one page alone.
    curpage = 0;
}

} // namespace quorvane
