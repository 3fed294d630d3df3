#include "workbook/xlsreader.h"

#include "workbook/workbook.h"

#include <QCoreApplication>
#include <QDataStream>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QProcess>

namespace quorvane {

namespace {

constexpr quint32 kMagic = 0x51584C53; // "QXLS"
constexpr qint32 kVersion = 1;
constexpr qint64 kMaxAnswerBytes = 64LL * 1024 * 1024; // far above 6,000 rows of 256 cells

const QString kDamaged = QStringLiteral("工作簿文件已损坏或不完整");

QString helperProgram()
{
    const QString set = xlsReaderSettings().program;
    if (!set.isEmpty())
        return set;
    const QString name = QStringLiteral("quorvane-xlsreader");
    if (QCoreApplication::instance()) {
        const QString beside = QDir(QCoreApplication::applicationDirPath()).filePath(name);
        if (QFileInfo(beside).isExecutable())
            return beside;
    }
#ifdef QUORVANE_XLSREADER_BUILT
    if (QFileInfo(QStringLiteral(QUORVANE_XLSREADER_BUILT)).isExecutable())
        return QStringLiteral(QUORVANE_XLSREADER_BUILT);
#endif
    return QString();
}

} // namespace

XlsReaderSettings &xlsReaderSettings()
{
    static XlsReaderSettings settings;
    return settings;
}

QByteArray encodeSheet(bool ok, const SheetRead &read, const Workbook &cells)
{
    QByteArray out;
    QDataStream ds(&out, QIODevice::WriteOnly);
    ds.setVersion(QDataStream::Qt_6_0);
    ds << kMagic << kVersion << ok << read.error << read.sheetName << qint32(read.rowsBeyond);
    qint32 count = 0;
    cells.forEachCell([&](int, int, const QString &) { ++count; });
    ds << count;
    cells.forEachCell([&](int r, int c, const QString &t) { ds << qint32(r) << qint32(c) << t; });
    return out;
}

bool decodeSheet(const QByteArray &data, int maxRows, int maxCols, Workbook &cells, SheetRead *out, bool *ok)
{
    QDataStream ds(data);
    ds.setVersion(QDataStream::Qt_6_0);
    quint32 magic = 0;
    qint32 version = 0;
    qint32 beyond = 0;
    qint32 count = 0;
    ds >> magic >> version;
    if (magic != kMagic || version != kVersion)
        return false;
    ds >> *ok >> out->error >> out->sheetName >> beyond >> count;
    if (ds.status() != QDataStream::Ok || count < 0 || count > Workbook::kMaxCells)
        return false;
    out->rowsBeyond = std::max(0, beyond);
    for (qint32 i = 0; i < count; ++i) {
        qint32 r = 0;
        qint32 c = 0;
        QString text;
        ds >> r >> c >> text;
        if (ds.status() != QDataStream::Ok || r < 1 || c < 1 || (maxRows > 0 && r > maxRows) || (maxCols > 0 && c > maxCols))
            return false;
        cells.setCell(r, c, text);
    }
    return ds.status() == QDataStream::Ok;
}

bool readXlsIsolated(const QString &path, int maxRows, int maxCols, Workbook &cells, SheetRead *out)
{
    const XlsReaderSettings &settings = xlsReaderSettings();
    const QString program = helperProgram();
    if (program.isEmpty()) {
        out->error = QStringLiteral("找不到读取.xls文件的程序quorvane-xlsreader，请重新安装本系统");
        return false;
    }
    QProcess helper;
    helper.setProgram(program);
    helper.setArguments({path, QString::number(maxRows), QString::number(maxCols), QString::number(settings.memoryLimitMb)});
    helper.setStandardErrorFile(QProcess::nullDevice());
    helper.start(QIODevice::ReadOnly);
    if (!helper.waitForStarted(settings.timeLimitMs)) {
        out->error = QStringLiteral("无法启动读取.xls文件的程序quorvane-xlsreader");
        return false;
    }
    QElapsedTimer clock;
    clock.start();
    QByteArray answer;
    bool stopped = false;
    for (;;) {
        const qint64 left = settings.timeLimitMs - clock.elapsed();
        if (left <= 0) {
            out->error = QStringLiteral("读取时间超过%1秒，文件可能已损坏").arg(settings.timeLimitMs / 1000.0, 0, 'g', 3);
            stopped = true;
            break;
        }
        const bool more = helper.waitForReadyRead(int(std::min<qint64>(left, 1000)));
        answer += helper.readAllStandardOutput();
        if (answer.size() > kMaxAnswerBytes) {
            out->error = QStringLiteral("工作簿内容过多，超出了可以读取的范围");
            stopped = true;
            break;
        }
        if (!more && helper.state() == QProcess::NotRunning)
            break;
    }
    if (stopped) {
        helper.kill();
        helper.waitForFinished(5000);
        return false;
    }
    helper.waitForFinished(1000);
    answer += helper.readAllStandardOutput();
    if (helper.exitStatus() != QProcess::NormalExit) {
        out->error = kDamaged; // the reader died on the file
        return false;
    }
    if (helper.exitCode() == XlsExitNoMemory) {
        out->error = QStringLiteral("读取所需内存超过限制，文件过大或已损坏");
        return false;
    }
    bool ok = false;
    if (helper.exitCode() != 0 || !decodeSheet(answer, maxRows, maxCols, cells, out, &ok)) {
        cells.close();
        out->error = kDamaged;
        return false;
    }
    if (!ok && out->error.isEmpty())
        out->error = kDamaged;
    return ok;
}

} // namespace quorvane
