#include "shell/excelio.h"

#include "shell/services.h"
#include "shell/titles.h"
#include "shell/waitcursor.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QGuiApplication>

namespace quorvane {

namespace {
// The hourglass of the workbook operation running now (one runs at a time), so that normalPointer
// can take it back before the operation's final message.
WaitCursor *gBusy = nullptr;

// Whether there is a screen to show the hourglass on.
bool withPointer()
{
    return qobject_cast<QGuiApplication *>(QCoreApplication::instance()) != nullptr;
}

// The hourglass for the span of a reader or writer (only where there is a screen to show it on):
// gone afterwards, also when the reader already took it back before its final message.
class BusySpan
{
public:
    BusySpan() { gBusy = &m_wait; }
    ~BusySpan() { gBusy = nullptr; }
    BusySpan(const BusySpan &) = delete;
    BusySpan &operator=(const BusySpan &) = delete;

private:
    WaitCursor m_wait{withPointer()};
};

QString programFolder()
{
    return QCoreApplication::applicationDirPath();
}
} // namespace

ExcelTexts studentExcelTexts()
{
    return {QStringLiteral("学生信息导入"), QStringLiteral("学生信息导出")};
}

ExcelTexts scoreExcelTexts()
{
    return {QStringLiteral("成绩导入"), QStringLiteral("成绩导出")};
}

ExcelIo::ExcelIo(ExcelTexts texts) : m_texts(std::move(texts)) {}

QString ExcelIo::importFilter()
{
    return QStringLiteral("格式(.xls) (*.xls *.xlsx)");
}

QString ExcelIo::exportFilter()
{
    return QStringLiteral("格式(.xlsx) (*.xlsx)");
}

void ExcelIo::normalPointer()
{
    if (gBusy)
        gBusy->release();
}

FileDialogRequest ExcelIo::dialogRequest(bool save, const QString &title, const QString &filter) const
{
    FileDialogRequest r;
    r.save = save;
    r.title = title;
    r.filter = filter;
    r.directory = programFolder();
    // A name with a folder (what an earlier dialog returned) opens in that folder.
    const QFileInfo held(m_dialogName);
    if (!m_dialogName.isEmpty() && held.isAbsolute()) {
        r.presetName = held.fileName();
        r.directory = held.absolutePath();
    } else {
        r.presetName = m_dialogName;
    }
    return r;
}

bool ExcelIo::el_openexcel(const QString &fileName, int maxRows, int maxCols)
{
    m_activeRow = 1;
    m_activeCol = 1;
    // The hourglass shows while the helper reads (the window still paints meanwhile).
    WaitCursor reading{withPointer()};
    if (m_book.open(fileName, maxRows, maxCols))
        return true;
    reading.release();
    services::msg(QStringLiteral("无法读取文件“") + QFileInfo(fileName).fileName() + QStringLiteral("”：") + m_book.errorText()
                      + QStringLiteral("，操作终止！"),
                  titles::kSystem);
    return false;
}

void ExcelIo::el_closeexcel()
{
    m_book.close();
    m_activeRow = 1;
    m_activeCol = 1;
}

void ExcelIo::el_selsectx(const QString &ref)
{
    int r = 0;
    int c = 0;
    if (parseCellRef(ref, &r, &c)) {
        m_activeRow = r;
        m_activeCol = c;
    }
}

QString ExcelIo::ActiveCellText() const
{
    return m_book.text(m_activeRow, m_activeCol);
}

void ExcelIo::selectin(const std::function<void(const QString &)> &reader)
{
    // No name is preset: the dialog starts with the name it last held in this window.
    const QString name = services::handler().fileDialog(dialogRequest(false, m_texts.importTitle, importFilter()));
    if (!name.isEmpty())
        m_dialogName = name;
    if (name.contains(QLatin1String("xls"), Qt::CaseInsensitive)) {
        const MsgAnswer a = services::ask(QStringLiteral("导入的文件是：") + name + QStringLiteral("吗?"), titles::kSystemAscii,
                                          MsgButtons::YesNo, MsgIcon::None);
        if (a == MsgAnswer::Yes) {
            BusySpan busy;
            reader(name);
        }
    }
    el_closeexcel();
}

void ExcelIo::selectout(const QString &presetName, const std::function<void(const QString &)> &writer)
{
    m_dialogName = presetName;
    QString name = services::handler().fileDialog(dialogRequest(true, m_texts.exportTitle, exportFilter()));
    if (!name.isEmpty())
        m_dialogName = name;
    if (name.endsWith(QLatin1String(".xls"), Qt::CaseInsensitive))
        name += QLatin1Char('x'); // the file written is an .xlsx workbook
    if (name.contains(QLatin1String("xls"), Qt::CaseInsensitive)) {
        const MsgAnswer a = services::ask(QStringLiteral("导出的文件是：") + name + QStringLiteral("吗?"), titles::kSystemAscii,
                                          MsgButtons::YesNo, MsgIcon::None);
        if (a == MsgAnswer::Yes) {
            BusySpan busy;
            writer(name);
        }
    }
    el_closeexcel();
}

} // namespace quorvane
