#include "shell/excelio.h"

#include "shell/services.h"

#include <QCoreApplication>
#include <QCursor>
#include <QFileInfo>
#include <QGuiApplication>

namespace quorvane {

namespace {
// The hourglass pointer for the span of a workbook operation.
class BusyPointer
{
public:
    BusyPointer()
    {
        m_on = qobject_cast<QGuiApplication *>(QCoreApplication::instance()) != nullptr;
        if (m_on)
            QGuiApplication::setOverrideCursor(QCursor(Qt::WaitCursor));
    }
    ~BusyPointer()
    {
        if (m_on)
            QGuiApplication::restoreOverrideCursor();
    }
    BusyPointer(const BusyPointer &) = delete;
    BusyPointer &operator=(const BusyPointer &) = delete;

private:
    bool m_on = false;
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
    return QStringLiteral("Excel 工作簿 (*.xlsx *.xls)");
}

QString ExcelIo::exportFilter()
{
    return QStringLiteral("Excel 工作簿 (*.xlsx)");
}

bool ExcelIo::el_openexcel(const QString &fileName, int maxRows)
{
    m_activeRow = 1;
    m_activeCol = 1;
    if (m_book.open(fileName, maxRows))
        return true;
    services::msg(QStringLiteral("无法读取文件“") + QFileInfo(fileName).fileName() + QStringLiteral("”：") + m_book.errorText()
                      + QStringLiteral("，操作终止！"),
                  QStringLiteral("系统提示："));
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
    const QString name = services::openFileName(m_texts.importTitle, importFilter(), programFolder());
    if (name.contains(QLatin1String("xls"), Qt::CaseInsensitive)) {
        const MsgAnswer a = services::ask(QStringLiteral("导入的文件是：") + name + QStringLiteral("吗?"), QStringLiteral("系统提示:"),
                                          MsgButtons::YesNo, MsgIcon::None);
        if (a == MsgAnswer::Yes) {
            BusyPointer busy;
            reader(name);
        }
    }
    el_closeexcel();
}

void ExcelIo::selectout(const QString &presetName, const std::function<void(const QString &)> &writer)
{
    QString name = services::saveFileName(m_texts.exportTitle, exportFilter(), presetName, programFolder());
    if (name.endsWith(QLatin1String(".xls"), Qt::CaseInsensitive))
        name += QLatin1Char('x'); // the file written is an .xlsx workbook
    if (name.contains(QLatin1String("xls"), Qt::CaseInsensitive)) {
        const MsgAnswer a = services::ask(QStringLiteral("导出的文件是：") + name + QStringLiteral("吗?"), QStringLiteral("系统提示:"),
                                          MsgButtons::YesNo, MsgIcon::None);
        if (a == MsgAnswer::Yes) {
            BusyPointer busy;
            writer(name);
        }
    }
    el_closeexcel();
}

} // namespace quorvane
