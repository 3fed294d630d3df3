#include "workbook/xls/xlscontainer.h"

#include <QString>

#include <vector>

namespace quorvane {

quint16 le16(const QByteArray &bytes, qint64 at)
{
    return quint16(uchar(bytes[at])) | quint16(uchar(bytes[at + 1])) << 8;
}

quint32 le32(const QByteArray &bytes, qint64 at)
{
    return quint32(le16(bytes, at)) | quint32(le16(bytes, at + 2)) << 16;
}

void put16(QByteArray &bytes, qint64 at, quint16 value)
{
    bytes[at] = char(value & 0xFF);
    bytes[at + 1] = char(value >> 8);
}

void put32(QByteArray &bytes, qint64 at, quint32 value)
{
    put16(bytes, at, quint16(value & 0xFFFF));
    put16(bytes, at + 2, quint16(value >> 16));
}

// A new compound file (512-byte sectors) that holds only the given workbook stream, padded with
// zeros (empty records) to the mini-stream cut-off, so that it lies in ordinary sectors.
QByteArray xlsContainer(QByteArray stream)
{
    if (stream.size() < kXlsMiniCutoff)
        stream.append(QByteArray(int(kXlsMiniCutoff - stream.size()), '\0'));
    const quint32 streamSectors = quint32((stream.size() + 511) / 512);
    if (streamSectors + 2 > 128)
        return {};
    stream.append(QByteArray(int(streamSectors * 512 - stream.size()), '\0'));
    const quint32 fatSector = streamSectors;
    const quint32 dirSector = streamSectors + 1;
    constexpr quint32 endOfChain = 0xFFFFFFFE;
    constexpr quint32 freeSector = 0xFFFFFFFF;
    QByteArray out(int(512 * (dirSector + 2)), '\0');
    // Header.
    out.replace(0, 8, QByteArray("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8));
    put16(out, 24, 0x003E);
    put16(out, 26, 0x0003);
    put16(out, 28, 0xFFFE);
    put16(out, 30, 9);
    put16(out, 32, 6);
    put32(out, 44, 1);
    put32(out, 48, dirSector);
    put32(out, 56, quint32(kXlsMiniCutoff));
    put32(out, 60, endOfChain);
    put32(out, 68, endOfChain);
    put32(out, 76, fatSector);
    for (int i = 1; i < 109; ++i)
        put32(out, 76 + 4 * i, freeSector);
    // The stream, the FAT and the directory.
    out.replace(512, int(stream.size()), stream);
    const qint64 fat = 512 * (qint64(fatSector) + 1);
    for (quint32 i = 0; i < 128; ++i) {
        quint32 v = freeSector;
        if (i + 1 < streamSectors)
            v = i + 1;
        else if (i + 1 == streamSectors || i == dirSector)
            v = endOfChain;
        else if (i == fatSector)
            v = 0xFFFFFFFD;
        put32(out, fat + 4 * i, v);
    }
    const qint64 dir = 512 * (qint64(dirSector) + 1);
    auto entry = [&](int index, const QString &name, uchar type, quint32 child, quint32 start, quint32 size) {
        const qint64 e = dir + 128 * index;
        for (int i = 0; i < name.size(); ++i)
            put16(out, e + 2 * i, name[i].unicode());
        put16(out, e + 64, quint16(name.isEmpty() ? 0 : 2 * (name.size() + 1)));
        out[e + 66] = char(type);
        out[e + 67] = char(name.isEmpty() ? 0 : 1); // black
        put32(out, e + 68, 0xFFFFFFFF);
        put32(out, e + 72, 0xFFFFFFFF);
        put32(out, e + 76, child);
        put32(out, e + 116, start);
        put32(out, e + 120, size);
    };
    entry(0, QStringLiteral("Root Entry"), 5, 1, endOfChain, 0);
    entry(1, QStringLiteral("Workbook"), 2, 0xFFFFFFFF, 0, quint32(stream.size()));
    entry(2, QString(), 0, 0xFFFFFFFF, 0, 0);
    entry(3, QString(), 0, 0xFFFFFFFF, 0, 0);
    return out;
}

namespace {

constexpr quint32 kEndOfChain = 0xFFFFFFFE;
constexpr quint32 kLastSectorNumber = 0xFFFFFFFA; // above: free, end of chain, FAT, DIFAT

// The sector chains of one compound file, each walked once with a mark per sector visited.
class Chains
{
public:
    Chains(const QVector<quint32> &table, qint64 limit) : m_table(table), m_limit(limit) {}

    // The chain from start, or false when it leaves the table or loops.
    bool walk(quint32 start, QVector<quint32> *out) const
    {
        std::vector<bool> seen(size_t(m_table.size()), false);
        for (quint32 s = start; s < kLastSectorNumber;) {
            if (qint64(s) >= m_limit || s >= quint32(m_table.size()) || seen[s])
                return false;
            seen[s] = true;
            out->append(s);
            s = m_table[qsizetype(s)];
        }
        return true;
    }

private:
    const QVector<quint32> &m_table;
    qint64 m_limit; // entries that may be used: sectors (or mini sectors) that exist
};

} // namespace

bool readXlsStream(const QByteArray &file, XlsStream *out)
{
    const qint64 n = file.size();
    if (n < 512)
        return false;
    const int shift = le16(file, 30);
    if (shift != 9 && shift != 12)
        return false;
    const qint64 ss = qint64(1) << shift;
    const qint64 sectors = n / ss - 1; // whole sectors after the header
    if (sectors < 1)
        return false;
    auto sectorOk = [&](quint32 s) { return qint64(s) < sectors; };
    auto offsetOf = [&](quint32 s) { return (qint64(s) + 1) * ss; };
    const qint64 perSector = ss / 4;

    // FAT: its sectors from the header's list and the DIFAT chain; no more than the file holds,
    // none twice.
    const quint32 fatCount = le32(file, 44);
    if (qint64(fatCount) > sectors)
        return false;
    std::vector<bool> fatOrDifat(size_t(sectors), false);
    QVector<quint32> fatSectors;
    for (quint32 i = 0; i < 109 && quint32(fatSectors.size()) < fatCount; ++i)
        fatSectors.append(le32(file, 76 + 4 * i));
    for (quint32 difat = le32(file, 68); quint32(fatSectors.size()) < fatCount;) {
        if (!sectorOk(difat) || fatOrDifat[difat])
            return false;
        fatOrDifat[difat] = true;
        const qint64 at = offsetOf(difat);
        for (qint64 i = 0; i < perSector - 1 && quint32(fatSectors.size()) < fatCount; ++i)
            fatSectors.append(le32(file, at + 4 * i));
        difat = le32(file, at + ss - 4);
    }
    QVector<quint32> fat;
    fat.reserve(fatSectors.size() * perSector);
    for (quint32 s : fatSectors) {
        if (!sectorOk(s) || fatOrDifat[s])
            return false;
        fatOrDifat[s] = true;
        for (qint64 i = 0; i < perSector; ++i)
            fat.append(le32(file, offsetOf(s) + 4 * i));
    }
    const Chains chains(fat, sectors);

    // The Workbook stream, from the directory.
    QVector<quint32> dirChain;
    if (!chains.walk(le32(file, 48), &dirChain) || dirChain.isEmpty())
        return false;
    qint64 streamSize = -1;
    quint32 streamStart = kEndOfChain;
    quint32 rootStart = kEndOfChain;
    for (quint32 d : dirChain) {
        for (qint64 e = offsetOf(d); e + 128 <= offsetOf(d) + ss; e += 128) {
            if (uchar(file[e + 66]) == 5 && d == dirChain.first() && e == offsetOf(d))
                rootStart = le32(file, e + 116); // the root entry holds the mini stream
            const int nameBytes = le16(file, e + 64);
            if (uchar(file[e + 66]) != 2 || nameBytes < 2 || nameBytes > 64)
                continue;
            const QString name = QString::fromUtf16(reinterpret_cast<const char16_t *>(file.constData() + e), nameBytes / 2 - 1);
            if (name.compare(QLatin1String("EncryptedPackage"), Qt::CaseInsensitive) == 0)
                out->encryptedPackage = true;
            if (name.compare(QLatin1String("Workbook"), Qt::CaseInsensitive) != 0
                && name.compare(QLatin1String("Book"), Qt::CaseInsensitive) != 0)
                continue;
            streamSize = le32(file, e + 120);
            streamStart = le32(file, e + 116);
        }
    }
    if (streamSize < 0)
        return false;
    // A stream below the mini-stream cut-off lives in the mini stream (small files some libraries
    // write).
    const bool inMiniStream = streamSize < qint64(le32(file, 56));
    QByteArray stream;
    QVector<quint32> streamChain;
    if (inMiniStream) {
        if (streamSize > kXlsMiniCutoff || le16(file, 32) != 6)
            return false;
        QVector<quint32> miniFatChain;
        QVector<quint32> rootChain;
        if (!chains.walk(le32(file, 60), &miniFatChain) || !chains.walk(rootStart, &rootChain))
            return false;
        QVector<quint32> miniFat;
        for (quint32 s : miniFatChain)
            for (qint64 i = 0; i < perSector; ++i)
                miniFat.append(le32(file, offsetOf(s) + 4 * i));
        QByteArray container;
        for (quint32 s : rootChain)
            container.append(file.constData() + offsetOf(s), int(ss));
        QVector<quint32> miniChain;
        if (!Chains(miniFat, container.size() / 64).walk(streamStart, &miniChain) || miniChain.size() * 64 < streamSize)
            return false;
        for (quint32 m : miniChain) {
            if (stream.size() >= streamSize)
                break;
            stream.append(container.constData() + qint64(m) * 64, 64);
        }
        stream.truncate(streamSize);
    } else {
        if (!chains.walk(streamStart, &streamChain) || streamChain.size() * ss < streamSize)
            return false;
        stream.reserve(streamSize);
        for (quint32 s : streamChain) {
            if (stream.size() >= streamSize)
                break;
            stream.append(file.constData() + offsetOf(s), int(ss));
        }
        stream.truncate(streamSize);
    }
    out->bytes = stream;
    out->sectors = streamChain;
    out->sectorSize = ss;
    out->inMiniStream = inMiniStream;
    return true;
}

} // namespace quorvane
