#include "shell/workbook.h"

#include <QDataStream>
#include <QDate>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryFile>
#include <QHash>
#include <QPair>
#include <QSet>
#include <QTime>
#include <QUrl>
#include <QVector>
#include <QXmlStreamReader>

#include <freexl.h>
#include <xlsxwriter.h>
#include <zip.h>

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

namespace quorvane {

// ---------------------------------------------------------------------------------------------
// Cell texts

QString numberText(double value)
{
    if (std::isnan(value))
        return QStringLiteral("#NUM!");
    if (std::isinf(value))
        return value > 0 ? QStringLiteral("#NUM!") : QStringLiteral("-#NUM!");
    if (value == 0)
        return QStringLiteral("0");
    // 15 significant digits, then written out without an exponent.
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.14e", value);
    const char *p = buf;
    const bool negative = *p == '-';
    if (negative)
        ++p;
    std::string digits;
    digits += *p++;
    if (*p == '.')
        ++p;
    while (*p >= '0' && *p <= '9')
        digits += *p++;
    int exponent = 0;
    if (*p == 'e' || *p == 'E')
        exponent = std::atoi(p + 1);
    while (digits.size() > 1 && digits.back() == '0')
        digits.pop_back();
    const int before = exponent + 1; // digits in front of the decimal point
    std::string out;
    if (before <= 0)
        out = "0." + std::string(size_t(-before), '0') + digits;
    else if (size_t(before) >= digits.size())
        out = digits + std::string(size_t(before) - digits.size(), '0');
    else
        out = digits.substr(0, size_t(before)) + "." + digits.substr(size_t(before));
    if (negative)
        out.insert(out.begin(), '-');
    return QString::fromLatin1(out.c_str());
}

QString serialDateText(double serial, bool date1904, bool withTime, bool timeOnly)
{
    if (!std::isfinite(serial) || serial < 0 || serial > 2958466.0)
        return numberText(serial);
    const qint64 seconds = qint64(std::llround(serial * 86400.0));
    qint64 days = seconds / 86400;
    const int secs = int(seconds % 86400);
    const QTime t = QTime(0, 0).addSecs(secs);
    const QString timeText = t.toString(QStringLiteral("HH:mm:ss"));
    if (timeOnly)
        return timeText;
    QString dateText;
    if (date1904) {
        dateText = QDate(1904, 1, 1).addDays(days).toString(QStringLiteral("yyyy-MM-dd"));
    } else if (days == 60) {
        dateText = QStringLiteral("1900-02-29"); // the day the 1900 date system counts but never was
    } else {
        if (days < 60)
            ++days;
        dateText = QDate(1899, 12, 30).addDays(days).toString(QStringLiteral("yyyy-MM-dd"));
    }
    return withTime ? dateText + QLatin1Char(' ') + timeText : dateText;
}

bool parseCellRef(const QString &ref, int *row, int *col)
{
    int i = 0;
    const int n = int(ref.size());
    if (i < n && ref[i] == QLatin1Char('$'))
        ++i;
    int c = 0;
    int letters = 0;
    while (i < n) {
        const QChar ch = ref[i];
        const char u = char(ch.toUpper().unicode());
        if (ch.unicode() < 128 && u >= 'A' && u <= 'Z') {
            c = c * 26 + (u - 'A' + 1);
            ++letters;
            ++i;
        } else {
            break;
        }
    }
    if (letters == 0 || letters > 3)
        return false;
    if (i < n && ref[i] == QLatin1Char('$'))
        ++i;
    int r = 0;
    int digits = 0;
    while (i < n && ref[i] >= QLatin1Char('0') && ref[i] <= QLatin1Char('9')) {
        r = r * 10 + (ref[i].unicode() - '0');
        if (++digits > 7)
            return false;
        ++i;
    }
    if (digits == 0 || i != n || r < 1)
        return false;
    if (row)
        *row = r;
    if (col)
        *col = c;
    return true;
}

// ---------------------------------------------------------------------------------------------
// Workbook

void Workbook::setCell(int row, int col, const QString &text)
{
    if (row < 1 || col < 1 || text.isEmpty() || (m_maxCols > 0 && col > m_maxCols))
        return;
    m_cells.insert(key(row, col), text);
    m_rows = std::max(m_rows, row);
    m_cols = std::max(m_cols, col);
}

QString Workbook::text(int row, int col) const
{
    return m_cells.value(key(row, col));
}

QString Workbook::text(const QString &a1) const
{
    int r = 0;
    int c = 0;
    if (!parseCellRef(a1, &r, &c))
        return QString();
    return text(r, c);
}

void Workbook::close()
{
    m_cells.clear();
    m_rows = 0;
    m_cols = 0;
    m_open = false;
    m_format = Format::None;
    m_sheetName.clear();
}

namespace {

constexpr qint64 kMaxFileBytes = 256LL * 1024 * 1024;   // largest workbook file read
constexpr zip_uint64_t kMaxPartBytes = 200ULL * 1024 * 1024; // largest unpacked part
constexpr zip_uint64_t kMaxUnpackedBytes = 256ULL * 1024 * 1024; // all parts read, together

const QString kDamaged = QStringLiteral("工作簿文件已损坏或不完整");
const QString kTooLarge = QStringLiteral("文件过大");

// Decodes the _xHHHH_ escapes that spreadsheet XML uses for control characters ("_x000D_" is a
// carriage return, "_x005F_" a literal underscore).
QString decodeEscapes(const QString &s)
{
    if (!s.contains(QLatin1String("_x"), Qt::CaseInsensitive))
        return s;
    QString out;
    out.reserve(s.size());
    const int n = int(s.size());
    for (int i = 0; i < n; ++i) {
        if (s[i] == QLatin1Char('_') && i + 6 < n && (s[i + 1] == QLatin1Char('x') || s[i + 1] == QLatin1Char('X')) && s[i + 6] == QLatin1Char('_')) {
            bool ok = false;
            const uint code = s.mid(i + 2, 4).toUInt(&ok, 16);
            if (ok) {
                out += QChar(char16_t(code));
                i += 6;
                continue;
            }
        }
        out += s[i];
    }
    return out;
}

// Text of a rich-text container (<si> or <is>): every <t>, phonetic runs (<rPh>) left out.
// The reader stands on the container's start element and ends on its end element.
QString readRichText(QXmlStreamReader &xml)
{
    QString text;
    int depth = 1;
    while (depth > 0 && !xml.atEnd()) {
        const auto tok = xml.readNext();
        if (tok == QXmlStreamReader::StartElement) {
            const auto name = xml.name();
            if (name == QLatin1String("t")) {
                text += xml.readElementText(QXmlStreamReader::IncludeChildElements);
            } else if (name == QLatin1String("rPh")) {
                xml.skipCurrentElement();
            } else {
                ++depth;
            }
        } else if (tok == QXmlStreamReader::EndElement) {
            --depth;
        }
    }
    return decodeEscapes(text);
}

// An ISO 8601 date or date-time as a t="d" cell holds it, shown like a date serial: the date,
// with the time only when there is one. Read as written, without any time zone (a local-time
// conversion would shift or refuse days on which a zone's clocks skip midnight); a zone suffix
// is ignored. A text that is no such date stays as it is.
QString isoDateText(const QString &value)
{
    const QString s = value.trimmed();
    int sep = int(s.indexOf(QLatin1Char('T')));
    if (sep < 0)
        sep = int(s.indexOf(QLatin1Char(' ')));
    const QString datePart = sep < 0 ? s : s.left(sep);
    QString timePart = sep < 0 ? QString() : s.mid(sep + 1);
    if (timePart.endsWith(QLatin1Char('Z'), Qt::CaseInsensitive))
        timePart.chop(1);
    const int offset = int(std::max(timePart.lastIndexOf(QLatin1Char('+')), timePart.lastIndexOf(QLatin1Char('-'))));
    if (offset > 0)
        timePart.truncate(offset);
    QTime time(0, 0);
    if (!timePart.isEmpty()) {
        time = QTime::fromString(timePart, Qt::ISODateWithMs);
        if (!time.isValid())
            return value;
    }
    const QDate date = QDate::fromString(datePart, Qt::ISODate);
    if (!date.isValid()) {
        // A time alone ("10:30:00").
        const QTime only = sep < 0 ? QTime::fromString(s, Qt::ISODateWithMs) : QTime();
        return only.isValid() ? only.toString(QStringLiteral("HH:mm:ss")) : value;
    }
    const QString dateText = date.toString(QStringLiteral("yyyy-MM-dd"));
    if (time.hour() == 0 && time.minute() == 0 && time.second() == 0)
        return dateText;
    return dateText + QLatin1Char(' ') + time.toString(QStringLiteral("HH:mm:ss"));
}

// Date kinds of number formats.
enum DateKind : quint8 { NotDate = 0, DateOnly = 1, DateTime = 2, TimeOnly = 3 };

DateKind builtinDateKind(int id)
{
    if ((id >= 14 && id <= 17) || id == 27 || id == 28 || id == 29 || id == 30 || id == 31 || id == 36
        || (id >= 50 && id <= 54) || id == 57 || id == 58)
        return DateOnly;
    if (id == 22)
        return DateTime;
    if ((id >= 18 && id <= 21) || (id >= 32 && id <= 35) || id == 45 || id == 47 || id == 55 || id == 56)
        return TimeOnly;
    return NotDate;
}

// A custom format is a date when its first section holds y, m, d, h or s outside quotes, escapes
// and brackets; an elapsed-time format ([h]:mm) is a duration, not a date.
DateKind customDateKind(const QString &code)
{
    bool date = false;
    bool time = false;
    bool month = false;
    const int n = int(code.size());
    for (int i = 0; i < n; ++i) {
        const QChar c = code[i];
        if (c == QLatin1Char(';'))
            break;
        if (c == QLatin1Char('"')) {
            ++i;
            while (i < n && code[i] != QLatin1Char('"'))
                ++i;
            continue;
        }
        if (c == QLatin1Char('\\') || c == QLatin1Char('_') || c == QLatin1Char('*')) {
            ++i;
            continue;
        }
        if (c == QLatin1Char('[')) {
            const int close = int(code.indexOf(QLatin1Char(']'), i));
            const QString inside = code.mid(i + 1, close < 0 ? -1 : close - i - 1).toLower();
            if (!inside.isEmpty() && (inside[0] == QLatin1Char('h') || inside[0] == QLatin1Char('m') || inside[0] == QLatin1Char('s')))
                return NotDate; // elapsed time
            if (close < 0)
                break;
            i = close;
            continue;
        }
        const QChar l = c.toLower();
        if (l == QLatin1Char('y') || l == QLatin1Char('d'))
            date = true;
        else if (l == QLatin1Char('m'))
            month = true;
        else if (l == QLatin1Char('h') || l == QLatin1Char('s'))
            time = true;
    }
    if (month && !time)
        date = true;
    if (date && time)
        return DateTime;
    if (date)
        return DateOnly;
    if (time)
        return TimeOnly;
    return NotDate;
}

// The files of a zip package, found by part name regardless of letter case and slash direction.
class ZipPackage
{
public:
    ~ZipPackage()
    {
        if (m_zip)
            zip_discard(m_zip);
    }

    bool open(const QByteArray &data, QString *error)
    {
        m_data = data;
        zip_error_t ze;
        zip_error_init(&ze);
        zip_source_t *src = zip_source_buffer_create(m_data.constData(), zip_uint64_t(m_data.size()), 0, &ze);
        if (!src) {
            zip_error_fini(&ze);
            *error = kDamaged;
            return false;
        }
        m_zip = zip_open_from_source(src, ZIP_RDONLY, &ze);
        if (!m_zip) {
            zip_source_free(src);
            zip_error_fini(&ze);
            *error = kDamaged;
            return false;
        }
        zip_error_fini(&ze);
        const zip_int64_t count = zip_get_num_entries(m_zip, 0);
        for (zip_int64_t i = 0; i < count; ++i) {
            const char *name = zip_get_name(m_zip, zip_uint64_t(i), ZIP_FL_ENC_GUESS);
            if (name)
                m_index.insert(normalise(QString::fromUtf8(name)), i);
        }
        return true;
    }

    static QString normalise(QString name)
    {
        name.replace(QLatin1Char('\\'), QLatin1Char('/'));
        while (name.startsWith(QLatin1Char('/')))
            name.remove(0, 1);
        return name.toLower();
    }

    bool has(const QString &part) const { return m_index.contains(normalise(part)); }

    // 1 read, 0 no such part, -1 damaged, -2 too large to unpack.
    int read(const QString &part, QByteArray *out) const
    {
        const auto it = m_index.constFind(normalise(part));
        if (it == m_index.constEnd())
            return 0;
        zip_stat_t st;
        zip_stat_init(&st);
        if (zip_stat_index(m_zip, zip_uint64_t(*it), 0, &st) != 0 || !(st.valid & ZIP_STAT_SIZE))
            return -1;
        // Sizes as the package's directory declares them, checked before anything is unpacked
        // (a small file can declare, and unpack to, gigabytes).
        if (st.size > kMaxPartBytes || m_unpacked + st.size > kMaxUnpackedBytes)
            return -2;
        zip_file_t *f = zip_fopen_index(m_zip, zip_uint64_t(*it), 0);
        if (!f)
            return -1;
        out->resize(qsizetype(st.size));
        zip_uint64_t got = 0;
        while (got < st.size) {
            const zip_int64_t n = zip_fread(f, out->data() + got, st.size - got);
            if (n <= 0)
                break;
            got += zip_uint64_t(n);
        }
        // A final read past the end makes libzip check the CRC of the whole entry.
        char extra = 0;
        const zip_int64_t tail = got == st.size ? zip_fread(f, &extra, 1) : -1;
        zip_fclose(f);
        if (got != st.size || tail != 0)
            return -1;
        m_unpacked += st.size;
        return 1;
    }

private:
    QByteArray m_data;
    zip_t *m_zip = nullptr;
    QHash<QString, zip_int64_t> m_index;
    mutable zip_uint64_t m_unpacked = 0;
};

// A part name taken from a relationship's target, relative to the folder of the source part.
QString resolveTarget(const QString &sourceFolder, QString target)
{
    target = QUrl::fromPercentEncoding(target.toUtf8());
    target.replace(QLatin1Char('\\'), QLatin1Char('/'));
    QString path = target.startsWith(QLatin1Char('/')) ? target.mid(1) : sourceFolder + target;
    QStringList out;
    const QStringList parts = path.split(QLatin1Char('/'), Qt::SkipEmptyParts);
    for (const QString &p : parts) {
        if (p == QLatin1String("."))
            continue;
        if (p == QLatin1String("..")) {
            if (!out.isEmpty())
                out.removeLast();
            continue;
        }
        out << p;
    }
    return out.join(QLatin1Char('/'));
}

QString folderOf(const QString &part)
{
    const int slash = int(part.lastIndexOf(QLatin1Char('/')));
    return slash < 0 ? QString() : part.left(slash + 1);
}

QString relsOf(const QString &part)
{
    const int slash = int(part.lastIndexOf(QLatin1Char('/')));
    return part.left(slash + 1) + QStringLiteral("_rels/") + part.mid(slash + 1) + QStringLiteral(".rels");
}

struct Relationship
{
    QString id;
    QString type;   // last segment of the type URI, lower case ("worksheet", "sharedstrings")
    QString target; // resolved part name
};

bool readRelationships(const ZipPackage &zip, const QString &source, QVector<Relationship> *out, bool *found)
{
    QByteArray data;
    const int rc = zip.read(relsOf(source), &data);
    *found = rc == 1;
    if (rc <= 0)
        return rc == 0;
    QXmlStreamReader xml(data);
    const QString folder = folderOf(source);
    while (!xml.atEnd()) {
        if (xml.readNext() == QXmlStreamReader::StartElement && xml.name() == QLatin1String("Relationship")) {
            const auto a = xml.attributes();
            if (a.value(QLatin1String("TargetMode")).compare(QLatin1String("External"), Qt::CaseInsensitive) == 0)
                continue;
            const QString type = a.value(QLatin1String("Type")).toString();
            Relationship r;
            r.id = a.value(QLatin1String("Id")).toString();
            r.type = type.mid(type.lastIndexOf(QLatin1Char('/')) + 1).toLower();
            r.target = resolveTarget(folder, a.value(QLatin1String("Target")).toString());
            out->append(r);
        }
    }
    return !xml.hasError();
}

// ---------------------------------------------------------------------------------------------
// Repair of .xls files that FreeXL 1.0.x reads wrongly or not at all

// FreeXL 1.0.x (the .xls reader) falls short on sound files in several ways, each mended here
// in a temporary copy of the file that it then reads:
//   - it reads no formula result (convertXlsFormulas);
//   - it shows dates in the Chinese built-in formats as numbers (useStandardDateFormats);
//   - it does not read a short workbook whose stream lies in the compound file's mini stream
//     (small files that libraries write), nor a stream of exactly 4096 bytes beside a mini
//     stream: the stream is put into a new file of its own (xlsContainer);
//   - it refuses a whole workbook that holds an empty text (an empty string in the shared
//     string table, as libraries and pasted ="" results leave them, or an empty inline LABEL
//     cell). The stream is changed in place, keeping its length so that no offset in it moves:
//     an empty shared string becomes the one-character text kXlsEmptyMark, the byte it needs
//     taken from the padding of the WRITEACCESS record (or from EXTSST, an index FreeXL does
//     not read), and cells showing kXlsEmptyMark read as empty again; an empty LABEL cell is
//     given a record type no reader knows, so it reads as a blank cell.
const char kXlsEmptyMark = '\x01';

quint16 le16(const QByteArray &b, qint64 at)
{
    return quint16(uchar(b[at])) | quint16(uchar(b[at + 1])) << 8;
}

quint32 le32(const QByteArray &b, qint64 at)
{
    return quint32(le16(b, at)) | quint32(le16(b, at + 2)) << 16;
}

void put16(QByteArray &b, qint64 at, quint16 v)
{
    b[at] = char(v & 0xFF);
    b[at + 1] = char(v >> 8);
}

// The smallest stream that a compound file keeps in its ordinary sectors.
constexpr qint64 kXlsMiniCutoff = 4096;

void put32(QByteArray &b, qint64 at, quint32 v)
{
    put16(b, at, quint16(v & 0xFFFF));
    put16(b, at + 2, quint16(v >> 16));
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

// The workbook stream of an .xls compound file.
struct XlsStream
{
    QByteArray bytes;
    QVector<quint32> sectors; // where it lies in the file (none when in the mini stream)
    qint64 sectorSize = 512;
    bool inMiniStream = false;
};

bool readXlsStream(const QByteArray &file, XlsStream *out)
{
    const qint64 n = file.size();
    if (n < 512)
        return false;
    const int shift = le16(file, 30);
    if (shift != 9 && shift != 12)
        return false;
    const qint64 ss = qint64(1) << shift;
    const qint64 sectors = n / ss - 1;
    auto sectorOk = [&](quint32 s) { return qint64(s) < sectors; };
    auto offsetOf = [&](quint32 s) { return (qint64(s) + 1) * ss; };

    // FAT: its sectors from the header's list and the DIFAT chain.
    QVector<quint32> fatSectors;
    const quint32 fatCount = le32(file, 44);
    for (quint32 i = 0; i < 109 && quint32(fatSectors.size()) < fatCount; ++i)
        fatSectors.append(le32(file, 76 + 4 * i));
    quint32 difat = le32(file, 68);
    for (int guard = 0; quint32(fatSectors.size()) < fatCount && sectorOk(difat) && guard < 1 << 16; ++guard) {
        const qint64 at = offsetOf(difat);
        for (qint64 i = 0; i < ss / 4 - 1 && quint32(fatSectors.size()) < fatCount; ++i)
            fatSectors.append(le32(file, at + 4 * i));
        difat = le32(file, at + ss - 4);
    }
    QVector<quint32> fat;
    for (quint32 s : fatSectors) {
        if (!sectorOk(s))
            return false;
        for (qint64 i = 0; i < ss / 4; ++i)
            fat.append(le32(file, offsetOf(s) + 4 * i));
    }
    auto chain = [&](quint32 s) {
        QVector<quint32> out;
        while (s < 0xFFFFFFFA) {
            if (!sectorOk(s) || s >= quint32(fat.size()) || out.size() > fat.size())
                return QVector<quint32>();
            out.append(s);
            s = fat[s];
        }
        return out;
    };

    // The Workbook stream, from the directory.
    const QVector<quint32> dirChain = chain(le32(file, 48));
    qint64 streamSize = -1;
    quint32 streamStart = 0xFFFFFFFE;
    quint32 rootStart = 0xFFFFFFFE;
    for (quint32 d : dirChain) {
        for (qint64 e = offsetOf(d); e + 128 <= offsetOf(d) + ss; e += 128) {
            if (uchar(file[e + 66]) == 5 && d == dirChain.first() && e == offsetOf(d))
                rootStart = le32(file, e + 116); // the root entry holds the mini stream
            const int nameBytes = le16(file, e + 64);
            if (uchar(file[e + 66]) != 2 || nameBytes < 2 || nameBytes > 64)
                continue;
            const QString name = QString::fromUtf16(reinterpret_cast<const char16_t *>(file.constData() + e), nameBytes / 2 - 1);
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
    // write), which FreeXL 1.0.x does not read at all: it is lifted into a new file below.
    const bool inMiniStream = streamSize < qint64(le32(file, 56));
    QByteArray stream;
    QVector<quint32> streamChain;
    if (inMiniStream) {
        if (streamSize > kXlsMiniCutoff || le16(file, 32) != 6)
            return false;
        QVector<quint32> miniFat;
        for (quint32 s : chain(le32(file, 60)))
            for (qint64 i = 0; i < ss / 4; ++i)
                miniFat.append(le32(file, offsetOf(s) + 4 * i));
        QByteArray container;
        for (quint32 s : chain(rootStart))
            container.append(file.constData() + offsetOf(s), int(ss));
        for (quint32 m = streamStart; m < 0xFFFFFFFA && stream.size() < streamSize;) {
            if (m >= quint32(miniFat.size()) || (qint64(m) + 1) * 64 > container.size())
                return false;
            stream.append(container.constData() + qint64(m) * 64, 64);
            m = miniFat[m];
        }
        if (stream.size() < streamSize)
            return false;
        stream.truncate(streamSize);
    } else {
        streamChain = chain(streamStart);
        if (streamChain.size() * ss < streamSize)
            return false;
        stream.reserve(streamSize);
        for (quint32 s : streamChain)
            stream.append(file.constData() + offsetOf(s), int(ss));
        stream.truncate(streamSize);
    }
    out->bytes = stream;
    out->sectors = streamChain;
    out->sectorSize = ss;
    out->inMiniStream = inMiniStream;
    return true;
}

// The records of a workbook stream: offset of each header, type and payload length.
struct XlsRecord
{
    qint64 at;
    quint16 type;
    quint16 len;
};

QVector<XlsRecord> xlsRecords(const QByteArray &stream)
{
    QVector<XlsRecord> recs;
    const qint64 size = stream.size();
    for (qint64 at = 0; at + 4 <= size;) {
        const XlsRecord r{at, le16(stream, at), le16(stream, at + 2)};
        if (at + 4 + r.len > size)
            break;
        recs.append(r);
        at += 4 + r.len;
    }
    return recs;
}

// The sheet a reader opens: the active tab when it is a visible worksheet, else the first
// visible worksheet; -1 when the stream does not say (the first sheet is read then), -2 when no
// sheet is a visible worksheet. Sheets count in the order of their BOUNDSHEET records.
int xlsSheetToRead(const QByteArray &stream)
{
    int activeTab = -1;
    QVector<bool> readable;
    for (const XlsRecord &r : xlsRecords(stream)) {
        if (r.type == 0x000A)
            break;
        if (r.type == 0x003D && r.len >= 12 && activeTab < 0)
            activeTab = le16(stream, r.at + 4 + 10);
        else if (r.type == 0x0085 && r.len >= 6)
            readable.append((uchar(stream[r.at + 4 + 4]) & 0x03) == 0 && uchar(stream[r.at + 4 + 5]) == 0);
    }
    if (readable.isEmpty())
        return -1;
    if (activeTab >= 0 && activeTab < readable.size() && readable[activeTab])
        return activeTab;
    const int first = int(readable.indexOf(true));
    return first >= 0 ? first : -2;
}

// The text of an error code of a cell (BOOLERR) or a formula result.
QByteArray xlsErrorText(uchar code)
{
    switch (code) {
    case 0x00: return "#NULL!";
    case 0x07: return "#DIV/0!";
    case 0x0F: return "#VALUE!";
    case 0x17: return "#REF!";
    case 0x1D: return "#NAME?";
    case 0x24: return "#NUM!";
    default: return "#N/A";
    }
}

// FreeXL 1.0.x reads a truth value as the number 1 or 0 and an error value as 1. The texts of
// those cells of one sheet (TRUE, FALSE, #DIV/0!, ...), by row and column from 1, taken from
// their BOOLERR records.
QHash<QPair<int, int>, QString> xlsTruthAndErrorCells(const QByteArray &stream, int sheet)
{
    QHash<QPair<int, int>, QString> cells;
    const QVector<XlsRecord> globals = xlsRecords(stream);
    qint64 start = -1;
    int index = 0;
    for (const XlsRecord &r : globals) {
        if (r.type == 0x000A)
            break;
        if (r.type == 0x0085 && r.len >= 6 && index++ == sheet)
            start = le32(stream, r.at + 4);
    }
    if (start < 0 || start + 4 > stream.size())
        return cells;
    for (qint64 at = start; at + 4 <= stream.size();) {
        const quint16 type = le16(stream, at);
        const quint16 len = le16(stream, at + 2);
        if (at + 4 + len > stream.size() || (type == 0x000A && at > start))
            break;
        if (type == 0x0205 && len >= 8) {
            const int row = le16(stream, at + 4) + 1;
            const int col = le16(stream, at + 6) + 1;
            const uchar value = uchar(stream[at + 4 + 6]);
            const bool error = uchar(stream[at + 4 + 7]) != 0;
            cells.insert({row, col}, QString::fromLatin1(error ? xlsErrorText(value) : QByteArray(value ? "TRUE" : "FALSE")));
        }
        at += 4 + len;
    }
    return cells;
}

// FreeXL 1.0.x reads no formula cell of a BIFF5/BIFF8 workbook: each would read empty, although
// the file keeps the result the formula last had. Each FORMULA record (with the STRING record
// that holds a text result) is rewritten into the value record of its result (NUMBER, or LABEL
// for a text, a truth value or an error) followed by a record of a type no reader knows that
// fills the rest, so the stream keeps its length. Returns whether anything was rewritten.
bool convertXlsFormulas(QByteArray &stream)
{
    const QVector<XlsRecord> recs = xlsRecords(stream);
    bool biff8 = true;
    bool changed = false;
    QByteArray out;
    out.reserve(stream.size());
    auto appendRecord = [&](quint16 type, const QByteArray &payload) {
        QByteArray h(4, '\0');
        put16(h, 0, type);
        put16(h, 2, quint16(payload.size()));
        out += h;
        out += payload;
    };
    auto filler = [&](qint64 len) { appendRecord(0x0000, QByteArray(int(len), '\0')); };
    auto label = [&](const QByteArray &cell, const QByteArray &latin1) {
        QByteArray p = cell;
        QByteArray n(2, '\0');
        put16(n, 0, quint16(latin1.size()));
        p += n;
        if (biff8)
            p += '\0'; // one byte per character
        p += latin1;
        return p;
    };
    for (int i = 0; i < recs.size(); ++i) {
        const XlsRecord &r = recs[i];
        const QByteArray whole = stream.mid(r.at, 4 + r.len);
        if (r.type == 0x0809 && r.len >= 2) // BOF: 0x0600 is BIFF8, 0x0500 BIFF5
            biff8 = le16(stream, r.at + 4) != 0x0500;
        if (r.type != 0x0006 || r.len < 22) { // a formula: 22 bytes, then its tokens
            out += whole;
            continue;
        }
        const qint64 body = r.at + 4;
        const QByteArray cell = stream.mid(body, 6); // row, column, format
        const QByteArray value = stream.mid(body + 6, 8);
        changed = true;
        if (le16(value, 6) != 0xFFFF) {
            appendRecord(0x0203, cell + value); // NUMBER
            filler(r.len - 14 - 4);
            continue;
        }
        const uchar kind = uchar(value[0]);
        if (kind == 0) {
            // A text: in the STRING record after the formula (after the shared or array formula
            // records that may come between).
            int j = i + 1;
            while (j < recs.size() && (recs[j].type == 0x04BC || recs[j].type == 0x0221 || recs[j].type == 0x0236))
                ++j;
            const bool single = j < recs.size() && recs[j].type == 0x0207 && recs[j].len >= 2
                && (j + 1 >= recs.size() || recs[j + 1].type != 0x003C);
            if (!single) {
                filler(r.len);
                continue;
            }
            appendRecord(0x0204, cell + stream.mid(recs[j].at + 4, recs[j].len)); // LABEL
            filler(r.len - 6); // the formula and the STRING record's header make up the rest
            for (int k = i + 1; k < j; ++k)
                out += stream.mid(recs[k].at, 4 + recs[k].len);
            i = j; // the STRING record is taken
            continue;
        }
        QByteArray text;
        if (kind == 1) {
            text = uchar(value[2]) ? "TRUE" : "FALSE";
        } else if (kind == 2) {
            text = xlsErrorText(uchar(value[2]));
        }
        const QByteArray payload = label(cell, text);
        if (text.isEmpty() || r.len - qint64(payload.size()) - 4 < 1) {
            filler(r.len); // an empty text: the cell stays blank
            continue;
        }
        appendRecord(0x0204, payload);
        filler(r.len - payload.size() - 4);
    }
    if (!changed)
        return false;
    out += stream.mid(recs.isEmpty() ? 0 : recs.last().at + 4 + recs.last().len); // bytes after the last record
    if (out.size() != stream.size())
        return false;
    stream = out;
    return true;
}

// FreeXL 1.0.x knows the built-in date and time formats 14 to 22 and 45 to 47 only; the
// built-ins of Chinese, Japanese and Korean Excel (27 to 36 and 50 to 58, such as 31,
// yyyy"年"m"月"d"日"), which a file uses without a FORMAT record of its own, would show their
// dates as serial numbers. Cell formats (XF records) that use one of them are pointed at the
// standard date (14) or time (21) format instead. Returns whether any was changed.
bool useStandardDateFormats(QByteArray &stream)
{
    const QVector<XlsRecord> recs = xlsRecords(stream);
    QSet<int> ownFormats;
    for (const XlsRecord &r : recs) {
        if (r.type == 0x000A)
            break;
        if (r.type == 0x041E && r.len >= 2)
            ownFormats.insert(le16(stream, r.at + 4));
    }
    bool changed = false;
    for (const XlsRecord &r : recs) {
        if (r.type == 0x000A)
            break;
        if (r.type != 0x00E0 || r.len < 4)
            continue;
        const int id = le16(stream, r.at + 4 + 2);
        if (ownFormats.contains(id))
            continue;
        const DateKind kind = (id >= 27 && id <= 36) || (id >= 50 && id <= 58) ? builtinDateKind(id) : NotDate;
        if (kind == DateOnly || kind == DateTime) {
            put16(stream, r.at + 4 + 2, 14);
            changed = true;
        } else if (kind == TimeOnly) {
            put16(stream, r.at + 4 + 2, 21);
            changed = true;
        }
    }
    return changed;
}

// The repaired file, or an empty array when the file needs no repair or cannot be repaired.
QByteArray repairXls(const QByteArray &file)
{
    XlsStream xs;
    if (!readXlsStream(file, &xs))
        return {};
    QByteArray &stream = xs.bytes;
    const qint64 streamSize = stream.size();
    const bool inMiniStream = xs.inMiniStream;
    const QVector<quint32> &streamChain = xs.sectors;
    const qint64 ss = xs.sectorSize;
    auto offsetOf = [&](quint32 sector) { return (qint64(sector) + 1) * ss; };
    // An encrypted workbook (FILEPASS) has its records' contents encrypted: nothing to change.
    for (const XlsRecord &r : xlsRecords(stream)) {
        if (r.type == 0x002F)
            return {};
        if (r.type == 0x000A)
            break;
    }
    bool changed = convertXlsFormulas(stream);
    changed = useStandardDateFormats(stream) || changed;
    using Rec = XlsRecord;
    const QVector<Rec> recs = xlsRecords(stream);

    // Empty inline texts: the cell record is made unknown.
    for (const Rec &r : recs) {
        if (r.type == 0x0204 && r.len >= 8 && le16(stream, r.at + 4 + 6) == 0) {
            put16(stream, r.at, 0x0000);
            changed = true;
        }
    }

    // Empty shared strings: the first SST of the workbook's global records and its CONTINUEs.
    int sst = -1;
    for (int i = 0; i < recs.size() && sst < 0; ++i) {
        if (recs[i].type == 0x000A)
            break;
        if (recs[i].type == 0x00FC && recs[i].len >= 8)
            sst = i;
    }
    struct Empty
    {
        qint64 header;   // the text's length and flags
        qint64 insertAt; // where the character goes
        int block;       // record (index in recs) that grows
    };
    QVector<Empty> empties;
    // A table this walk does not understand is left as it is (the other repairs still apply).
    auto findEmpties = [&]() -> bool {
        int block = sst;
        qint64 pos = recs[sst].at + 4 + 8;
        qint64 end = recs[sst].at + 4 + recs[sst].len;
        auto next = [&]() {
            if (block + 1 >= recs.size() || recs[block + 1].type != 0x003C)
                return false;
            ++block;
            pos = recs[block].at + 4;
            end = pos + recs[block].len;
            return true;
        };
        const quint32 count = le32(stream, recs[sst].at + 4 + 4);
        for (quint32 i = 0; i < count; ++i) {
            if (pos >= end && !next())
                break;
            if (pos + 3 > end)
                return false;
            const quint32 cch = le16(stream, pos);
            const uchar flags = uchar(stream[pos + 2]);
            qint64 p = pos + 3;
            quint32 extra = 0;
            if (flags & 0x08) {
                if (p + 2 > end)
                    return false;
                extra += 4 * quint32(le16(stream, p));
                p += 2;
            }
            if (flags & 0x04) {
                if (p + 4 > end)
                    return false;
                extra += le32(stream, p);
                p += 4;
            }
            if (cch == 0)
                empties.append({pos, p, block});
            bool wide = flags & 0x01;
            quint32 left = cch;
            while (left > 0) {
                const quint32 fits = quint32((end - p) / (wide ? 2 : 1));
                const quint32 take = std::min(left, fits);
                p += qint64(take) * (wide ? 2 : 1);
                left -= take;
                if (left == 0)
                    break;
                if (!next() || pos >= end)
                    return false;
                wide = uchar(stream[pos]) & 0x01; // a continued text starts with its width flag
                p = pos + 1;
            }
            while (extra > 0) {
                const quint32 take = std::min<quint32>(extra, quint32(end - p));
                p += take;
                extra -= take;
                if (extra > 0 && !next())
                    return false;
                if (extra > 0)
                    p = pos;
            }
            pos = p;
        }
        return true;
    };
    if (sst >= 0 && !findEmpties())
        empties.clear();
    if (!empties.isEmpty()) {
        // The donor: WRITEACCESS (padding) or EXTSST, among the global records.
        const int need = int(empties.size());
        int donor = -1;
        for (int i = 0; i < recs.size() && donor < 0; ++i) {
            if (recs[i].type == 0x000A)
                break;
            if ((recs[i].type == 0x005C || recs[i].type == 0x00FF) && recs[i].len >= need)
                donor = i;
        }
        if (donor < 0)
            return {};
        QHash<int, int> grow; // a donor holds at most 8224 bytes, so this stays small
        for (const Empty &e : empties)
            grow[e.block] += 1;
        for (auto it = grow.constBegin(); it != grow.constEnd(); ++it)
            if (recs[it.key()].len + it.value() > 8224)
                return {};
        // The new stream: the same bytes, with one mark per empty string and the donor shortened.
        QSet<qint64> marks;
        for (const Empty &e : empties)
            marks.insert(e.insertAt);
        const qint64 cutFrom = recs[donor].at + 4 + recs[donor].len - need;
        QByteArray out;
        out.reserve(streamSize);
        for (qint64 i = 0; i < streamSize; ++i) {
            if (marks.contains(i))
                out.append(kXlsEmptyMark);
            if (i >= cutFrom && i < cutFrom + need)
                continue;
            out.append(stream[i]);
        }
        if (out.size() != streamSize)
            return {};
        // Lengths and the texts' headers, at their new places.
        auto moved = [&](qint64 at) {
            qint64 shiftBy = 0;
            if (at >= cutFrom + need)
                shiftBy -= need;
            for (qint64 m : marks)
                if (m <= at)
                    ++shiftBy;
            return at + shiftBy;
        };
        for (auto it = grow.constBegin(); it != grow.constEnd(); ++it)
            put16(out, moved(recs[it.key()].at) + 2, quint16(recs[it.key()].len + it.value()));
        put16(out, moved(recs[donor].at) + 2, quint16(recs[donor].len - need));
        if (recs[donor].type == 0x00FF)
            put16(out, moved(recs[donor].at), 0x0000); // an index of no use any more
        for (const Empty &e : empties) {
            // One character, written in one byte.
            const qint64 header = moved(e.header);
            put16(out, header, 1);
            out[header + 2] = char(uchar(out[header + 2]) & ~0x01);
        }
        stream = out;
        changed = true;
    }
    // FreeXL also looks for a stream of exactly the cut-off size in the mini stream, where it
    // is not: such a stream is given a file of its own as well.
    if (inMiniStream || (streamSize == qint64(le32(file, 56)) && streamSize == kXlsMiniCutoff))
        return xlsContainer(stream);
    if (!changed)
        return {};
    QByteArray repaired = file;
    for (int i = 0; i < streamChain.size(); ++i) {
        const qint64 from = qint64(i) * ss;
        const qint64 len = std::min(ss, streamSize - from);
        if (len <= 0)
            break;
        std::memcpy(repaired.data() + offsetOf(streamChain[i]), stream.constData() + from, size_t(len));
    }
    return repaired;
}

} // namespace

// The two readers, with access to the workbook's cells.
class WorkbookReaders
{
public:
    static bool readXlsx(Workbook &wb, const QByteArray &data, int maxRows);
    static bool readXls(Workbook &wb, const QString &path, int maxRows);

private:
    static bool readXlsFile(Workbook &wb, const QString &path, int maxRows, int sheet, bool repaired,
                            const QHash<QPair<int, int>, QString> &truthAndErrors);
    static bool readXlsWithFreexl(Workbook &wb, const QString &path, int maxRows, int sheet, bool repaired,
                                  const QHash<QPair<int, int>, QString> &truthAndErrors);
};

bool WorkbookReaders::readXlsx(Workbook &wb, const QByteArray &data, int maxRows)
{
    ZipPackage zip;
    if (!zip.open(data, &wb.m_error))
        return false;

    // The workbook part, through the package relationships.
    bool found = false;
    QVector<Relationship> rels;
    if (!readRelationships(zip, QStringLiteral("/"), &rels, &found)) {
        wb.m_error = kDamaged;
        return false;
    }
    QString workbookPart;
    for (const Relationship &r : rels)
        if (r.type == QLatin1String("officedocument"))
            workbookPart = r.target;
    if (workbookPart.isEmpty())
        workbookPart = QStringLiteral("xl/workbook.xml");
    if (workbookPart.endsWith(QLatin1String(".bin"), Qt::CaseInsensitive)) {
        wb.m_error = QStringLiteral("这是二进制格式（.xlsb）的工作簿，不能读取，请在Excel中另存为.xlsx或.xls格式");
        return false;
    }
    QByteArray workbookXml;
    int rc = zip.read(workbookPart, &workbookXml);
    if (rc == 0) {
        wb.m_error = QStringLiteral("文件不是Excel工作簿");
        return false;
    }
    if (rc < 0) {
        wb.m_error = rc == -2 ? kTooLarge : kDamaged;
        return false;
    }

    // Sheets in their order, the active tab and the date system.
    struct SheetEntry
    {
        QString name;
        QString rid;
        bool visible = true;
    };
    QVector<SheetEntry> sheets;
    int activeTab = -1;
    bool date1904 = false;
    {
        QXmlStreamReader xml(workbookXml);
        while (!xml.atEnd()) {
            if (xml.readNext() != QXmlStreamReader::StartElement)
                continue;
            const auto name = xml.name();
            const auto a = xml.attributes();
            if (name == QLatin1String("workbookPr")) {
                const auto v = a.value(QLatin1String("date1904"));
                date1904 = v == QLatin1String("1") || v.compare(QLatin1String("true"), Qt::CaseInsensitive) == 0;
            } else if (name == QLatin1String("workbookView") && activeTab < 0) {
                bool ok = false;
                const int t = a.value(QLatin1String("activeTab")).toInt(&ok);
                activeTab = ok ? t : 0;
            } else if (name == QLatin1String("sheet")) {
                SheetEntry s;
                s.name = a.value(QLatin1String("name")).toString();
                const auto state = a.value(QLatin1String("state"));
                s.visible = state.isEmpty() || state == QLatin1String("visible");
                for (const auto &attr : a)
                    if (attr.name() == QLatin1String("id") && !attr.namespaceUri().isEmpty())
                        s.rid = attr.value().toString();
                sheets.append(s);
            }
        }
        if (xml.hasError()) {
            wb.m_error = kDamaged;
            return false;
        }
    }

    QVector<Relationship> wbRels;
    if (!readRelationships(zip, workbookPart, &wbRels, &found)) {
        wb.m_error = kDamaged;
        return false;
    }
    auto relTarget = [&](const QString &rid, const char *type) -> QString {
        for (const Relationship &r : wbRels)
            if (r.id == rid && r.type == QLatin1String(type))
                return r.target;
        return QString();
    };
    auto firstOfType = [&](const char *type) -> QString {
        for (const Relationship &r : wbRels)
            if (r.type == QLatin1String(type))
                return r.target;
        return QString();
    };

    // The active sheet when it is a visible worksheet, else the first visible worksheet.
    QString sheetPart;
    if (activeTab < 0)
        activeTab = 0;
    if (activeTab < sheets.size() && sheets[activeTab].visible) {
        sheetPart = relTarget(sheets[activeTab].rid, "worksheet");
        wb.m_sheetName = sheets[activeTab].name;
    }
    for (int i = 0; sheetPart.isEmpty() && i < sheets.size(); ++i) {
        if (!sheets[i].visible)
            continue;
        sheetPart = relTarget(sheets[i].rid, "worksheet");
        wb.m_sheetName = sheets[i].name;
    }
    if (sheetPart.isEmpty() || !zip.has(sheetPart)) {
        wb.m_error = QStringLiteral("工作簿中没有可读取的工作表");
        return false;
    }

    // Shared strings: one entry per <si>, empty ones included.
    QVector<QString> shared;
    {
        QString part = firstOfType("sharedstrings");
        if (part.isEmpty())
            part = folderOf(workbookPart) + QStringLiteral("sharedStrings.xml");
        QByteArray xmlData;
        rc = zip.read(part, &xmlData);
        if (rc < 0) {
            wb.m_error = rc == -2 ? kTooLarge : kDamaged;
            return false;
        }
        if (rc > 0) {
            QXmlStreamReader xml(xmlData);
            while (!xml.atEnd()) {
                if (xml.readNext() == QXmlStreamReader::StartElement && xml.name() == QLatin1String("si"))
                    shared.append(readRichText(xml));
            }
            if (xml.hasError()) {
                wb.m_error = kDamaged;
                return false;
            }
        }
    }

    // Styles: the date kind of every cell format.
    QVector<quint8> xfDateKind;
    {
        const QString part = firstOfType("styles");
        QByteArray xmlData;
        rc = part.isEmpty() ? 0 : zip.read(part, &xmlData);
        if (rc < 0) {
            wb.m_error = rc == -2 ? kTooLarge : kDamaged;
            return false;
        }
        if (rc > 0) {
            QHash<int, DateKind> custom;
            QXmlStreamReader xml(xmlData);
            bool inCellXfs = false;
            while (!xml.atEnd()) {
                const auto tok = xml.readNext();
                if (tok == QXmlStreamReader::StartElement) {
                    const auto name = xml.name();
                    const auto a = xml.attributes();
                    if (name == QLatin1String("numFmt")) {
                        custom.insert(a.value(QLatin1String("numFmtId")).toInt(), customDateKind(a.value(QLatin1String("formatCode")).toString()));
                    } else if (name == QLatin1String("cellXfs")) {
                        inCellXfs = true;
                    } else if (name == QLatin1String("xf") && inCellXfs) {
                        const int id = a.value(QLatin1String("numFmtId")).toInt();
                        xfDateKind.append(custom.contains(id) ? custom.value(id) : builtinDateKind(id));
                        xml.skipCurrentElement();
                    }
                } else if (tok == QXmlStreamReader::EndElement && xml.name() == QLatin1String("cellXfs")) {
                    inCellXfs = false;
                }
            }
            if (xml.hasError()) {
                wb.m_error = kDamaged;
                return false;
            }
        }
    }

    // The sheet's cells.
    QByteArray sheetXml;
    rc = zip.read(sheetPart, &sheetXml);
    if (rc <= 0) {
        wb.m_error = rc == -2 ? kTooLarge : kDamaged;
        return false;
    }
    QXmlStreamReader xml(sheetXml);
    int row = 0;
    int col = 0;
    bool inData = false;
    bool sawWorksheet = false;
    bool stopped = false;
    while (!xml.atEnd() && !stopped) {
        const auto tok = xml.readNext();
        if (tok == QXmlStreamReader::EndElement && xml.name() == QLatin1String("sheetData"))
            break;
        if (tok != QXmlStreamReader::StartElement)
            continue;
        const auto name = xml.name();
        if (name == QLatin1String("worksheet")) {
            sawWorksheet = true;
        } else if (name == QLatin1String("sheetData")) {
            inData = true;
        } else if (name == QLatin1String("row") && inData) {
            bool ok = false;
            const int r = xml.attributes().value(QLatin1String("r")).toInt(&ok);
            row = ok && r > 0 ? r : row + 1;
            col = 0;
            if (maxRows > 0 && row > maxRows)
                stopped = true;
        } else if (name == QLatin1String("c") && inData) {
            const auto a = xml.attributes();
            int r = 0;
            int c = 0;
            if (parseCellRef(a.value(QLatin1String("r")).toString(), &r, &c)) {
                col = c;
                if (r != row) {
                    row = r;
                    if (maxRows > 0 && row > maxRows) {
                        stopped = true;
                        break;
                    }
                }
            } else {
                ++col;
            }
            if (row < 1)
                row = 1;
            const QString type = a.value(QLatin1String("t")).toString();
            const int style = a.value(QLatin1String("s")).toInt();
            QString value;
            QString inlineText;
            bool hasValue = false;
            int depth = 1;
            while (depth > 0 && !xml.atEnd()) {
                const auto t = xml.readNext();
                if (t == QXmlStreamReader::StartElement) {
                    if (xml.name() == QLatin1String("v")) {
                        value = xml.readElementText(QXmlStreamReader::IncludeChildElements);
                        hasValue = true;
                    } else if (xml.name() == QLatin1String("is")) {
                        inlineText = readRichText(xml);
                    } else {
                        xml.skipCurrentElement();
                    }
                } else if (t == QXmlStreamReader::EndElement) {
                    --depth;
                }
            }
            QString text;
            if (type == QLatin1String("s")) {
                bool ok = false;
                const int idx = value.trimmed().toInt(&ok);
                if (ok && idx >= 0 && idx < shared.size())
                    text = shared[idx];
            } else if (type == QLatin1String("inlineStr")) {
                text = hasValue ? decodeEscapes(value) : inlineText;
            } else if (type == QLatin1String("str")) {
                text = decodeEscapes(value);
            } else if (type == QLatin1String("b")) {
                if (hasValue)
                    text = value.trimmed() == QLatin1String("1") ? QStringLiteral("TRUE") : QStringLiteral("FALSE");
            } else if (type == QLatin1String("e")) {
                text = value;
            } else if (type == QLatin1String("d")) {
                text = isoDateText(value);
            } else if (hasValue) {
                bool ok = false;
                const double v = value.trimmed().toDouble(&ok);
                if (!ok) {
                    text = value;
                } else {
                    const quint8 kind = style >= 0 && style < xfDateKind.size() ? xfDateKind[style] : quint8(NotDate);
                    if (kind == NotDate || v < 0)
                        text = numberText(v);
                    else
                        text = serialDateText(v, date1904, kind == DateTime, kind == TimeOnly);
                }
            }
            wb.setCell(row, col, text);
        }
    }
    if (!stopped && (xml.hasError() || !sawWorksheet)) {
        wb.m_error = kDamaged;
        return false;
    }
    return true;
}

bool WorkbookReaders::readXls(Workbook &wb, const QString &path, int maxRows)
{
    // The sheet to read, as the workbook's own records name it (FreeXL only offers sheets by
    // position and says nothing of the active tab or of hidden sheets).
    QByteArray file;
    {
        QFile f(path);
        if (f.open(QIODevice::ReadOnly))
            file = f.readAll();
    }
    int sheet = 0;
    XlsStream xs;
    QHash<QPair<int, int>, QString> truthAndErrors;
    if (readXlsStream(file, &xs)) {
        const int chosen = xlsSheetToRead(xs.bytes);
        if (chosen == -2) {
            wb.m_error = QStringLiteral("工作簿中没有可读取的工作表");
            return false;
        }
        sheet = std::max(chosen, 0);
        truthAndErrors = xlsTruthAndErrorCells(xs.bytes, sheet);
    }
    // What FreeXL reads wrongly or not at all (see repairXls) is read from a repaired copy; the
    // file as it stands is the fallback.
    const QByteArray repaired = repairXls(file);
    if (!repaired.isEmpty()) {
        QTemporaryFile copy(QDir::tempPath() + QStringLiteral("/quorvane-XXXXXX.xls"));
        if (copy.open() && copy.write(repaired) == repaired.size() && copy.flush()
            && readXlsFile(wb, copy.fileName(), maxRows, sheet, true, truthAndErrors)) {
            wb.m_error.clear();
            return true;
        }
        wb.m_cells.clear();
        wb.m_rows = 0;
        wb.m_cols = 0;
        wb.m_sheetName.clear();
    }
    return readXlsFile(wb, path, maxRows, sheet, false, truthAndErrors);
}

// FreeXL 1.0.x reads past its buffers on some damaged files and can bring the whole program down
// with it (found by feeding it damaged copies of good workbooks). It therefore reads in a child
// process of its own: the cells come back through a pipe, and a child that dies means a damaged
// file, reported as such, while the program and whatever the user has typed stay as they were.
bool WorkbookReaders::readXlsFile(Workbook &wb, const QString &path, int maxRows, int sheet, bool repaired,
                                  const QHash<QPair<int, int>, QString> &truthAndErrors)
{
    int fds[2];
    if (::pipe(fds) != 0)
        return readXlsWithFreexl(wb, path, maxRows, sheet, repaired, truthAndErrors);
    const pid_t pid = ::fork();
    if (pid < 0) {
        ::close(fds[0]);
        ::close(fds[1]);
        return readXlsWithFreexl(wb, path, maxRows, sheet, repaired, truthAndErrors);
    }
    if (pid == 0) {
        ::close(fds[0]);
        Workbook local;
        local.m_maxCols = wb.m_maxCols;
        const bool ok = readXlsWithFreexl(local, path, maxRows, sheet, repaired, truthAndErrors);
        QByteArray out;
        {
            QDataStream ds(&out, QIODevice::WriteOnly);
            ds << ok << local.m_error << local.m_sheetName << qint32(local.m_rows) << qint32(local.m_cols) << local.m_cells;
        }
        const char *p = out.constData();
        qint64 left = out.size();
        while (left > 0) {
            const ssize_t n = ::write(fds[1], p, size_t(left));
            if (n <= 0)
                ::_exit(1);
            p += n;
            left -= n;
        }
        ::_exit(0);
    }
    ::close(fds[1]);
    QByteArray in;
    char buf[65536];
    for (;;) {
        const ssize_t n = ::read(fds[0], buf, sizeof buf);
        if (n > 0)
            in.append(buf, qsizetype(n));
        else if (n == 0 || errno != EINTR)
            break;
    }
    ::close(fds[0]);
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0 || in.isEmpty()) {
        wb.m_error = kDamaged;
        return false;
    }
    bool ok = false;
    qint32 rows = 0, cols = 0;
    QDataStream ds(in);
    ds >> ok >> wb.m_error >> wb.m_sheetName >> rows >> cols >> wb.m_cells;
    if (ds.status() != QDataStream::Ok) {
        wb.m_cells.clear();
        wb.m_error = kDamaged;
        return false;
    }
    wb.m_rows = rows;
    wb.m_cols = cols;
    return ok;
}

bool WorkbookReaders::readXlsWithFreexl(Workbook &wb, const QString &path, int maxRows, int sheet, bool repaired,
                                        const QHash<QPair<int, int>, QString> &truthAndErrors)
{
    const void *h = nullptr;
    const QByteArray name = QFile::encodeName(path);
    int rc = freexl_open(name.constData(), &h);
    struct Closer
    {
        const void *&h;
        ~Closer()
        {
            if (h)
                freexl_close(h);
        }
    } closer{h};
    if (rc != FREEXL_OK || !h) {
        wb.m_error = QStringLiteral("工作簿文件已损坏、有密码保护或不是Excel工作簿");
        return false;
    }
    unsigned int info = 0;
    if (freexl_get_info(h, FREEXL_BIFF_PASSWORD, &info) == FREEXL_OK && info == FREEXL_BIFF_OBFUSCATED) {
        wb.m_error = QStringLiteral("工作簿有密码保护，无法读取");
        return false;
    }
    unsigned int sheets = 0;
    if (freexl_get_info(h, FREEXL_BIFF_SHEET_COUNT, &sheets) != FREEXL_OK || sheets == 0) {
        wb.m_error = QStringLiteral("工作簿中没有可读取的工作表");
        return false;
    }
    if (sheet < 0 || unsigned(sheet) >= sheets)
        sheet = 0;
    if (freexl_select_active_worksheet(h, unsigned(sheet)) != FREEXL_OK) {
        wb.m_error = QStringLiteral("工作簿中没有可读取的工作表");
        return false;
    }
    const char *sheetName = nullptr;
    if (freexl_get_worksheet_name(h, unsigned(sheet), &sheetName) == FREEXL_OK && sheetName)
        wb.m_sheetName = QString::fromUtf8(sheetName);
    unsigned int rows = 0;
    unsigned short cols = 0;
    if (freexl_worksheet_dimensions(h, &rows, &cols) != FREEXL_OK) {
        wb.m_error = kDamaged;
        return false;
    }
    if (maxRows > 0 && rows > unsigned(maxRows))
        rows = unsigned(maxRows);
    for (unsigned int r = 0; r < rows; ++r) {
        for (unsigned short c = 0; c < cols; ++c) {
            FreeXL_CellValue v;
            if (freexl_get_cell_value(h, r, c, &v) != FREEXL_OK)
                continue;
            QString text;
            switch (v.type) {
            case FREEXL_CELL_INT:
                text = QString::number(v.value.int_value);
                break;
            case FREEXL_CELL_DOUBLE:
                text = numberText(v.value.double_value);
                break;
            case FREEXL_CELL_TEXT:
            case FREEXL_CELL_SST_TEXT:
                text = v.value.text_value ? QString::fromUtf8(v.value.text_value) : QString();
                if (repaired && text == QLatin1Char(kXlsEmptyMark))
                    text.clear(); // an empty text, marked by the repair
                break;
            case FREEXL_CELL_DATE:
            case FREEXL_CELL_DATETIME:
            case FREEXL_CELL_TIME:
                text = v.value.text_value ? QString::fromUtf8(v.value.text_value) : QString();
                break;
            default:
                break;
            }
            if (v.type == FREEXL_CELL_INT) {
                const auto it = truthAndErrors.constFind({int(r) + 1, int(c) + 1});
                if (it != truthAndErrors.constEnd())
                    text = *it;
            }
            wb.setCell(int(r) + 1, int(c) + 1, text);
        }
    }
    return true;
}

bool Workbook::open(const QString &path, int maxRows, int maxCols)
{
    close();
    m_error.clear();
    m_maxCols = std::max(0, maxCols);
    QFile f(path);
    if (path.isEmpty() || !f.open(QIODevice::ReadOnly)) {
        m_error = QStringLiteral("文件不存在或无法读取");
        return false;
    }
    if (f.size() == 0) {
        m_error = QStringLiteral("文件是空的");
        return false;
    }
    if (f.size() > kMaxFileBytes) {
        m_error = kTooLarge;
        return false;
    }
    const QByteArray head = f.peek(8);
    bool ok = false;
    if (head.startsWith(QByteArray("PK\x03\x04", 4)) || head.startsWith(QByteArray("PK\x05\x06", 4))) {
        const QByteArray data = f.readAll();
        f.close();
        m_format = Format::Xlsx;
        ok = WorkbookReaders::readXlsx(*this, data, maxRows);
    } else if (head == QByteArray("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8)) {
        m_format = Format::Xls;
        ok = WorkbookReaders::readXls(*this, path, maxRows);
        // A password-protected .xlsx is an OLE file too: its package sits, encrypted, in a
        // stream named EncryptedPackage beside EncryptionInfo.
        if (!ok && f.seek(0)) {
            const QByteArray all = f.readAll();
            auto utf16 = [](const char *name) {
                QByteArray b;
                for (const char *p = name; *p; ++p)
                    b.append(*p).append('\0');
                return b;
            };
            if (all.contains(utf16("EncryptedPackage")) && all.contains(utf16("EncryptionInfo")))
                m_error = QStringLiteral("工作簿有密码保护，无法读取");
        }
        f.close();
    } else {
        m_error = QStringLiteral("文件不是Excel工作簿");
    }
    if (!ok) {
        const QString why = m_error.isEmpty() ? kDamaged : m_error;
        close();
        m_error = why;
        return false;
    }
    m_open = true;
    return true;
}

// ---------------------------------------------------------------------------------------------
// WorkbookWriter

struct WorkbookWriter::Impl
{
    lxw_workbook *wb = nullptr;
    lxw_worksheet *ws = nullptr;
    lxw_format *text = nullptr;
    lxw_error firstError = LXW_NO_ERROR;
    QString target;  // the file the user chose
    QString temp;    // where the workbook is written first, beside the target

    // Drops an unfinished workbook and its temporary file.
    void discard()
    {
        if (wb)
            lxw_workbook_free(wb);
        wb = nullptr;
        ws = nullptr;
        if (!temp.isEmpty())
            QFile::remove(temp);
        temp.clear();
    }
};

WorkbookWriter::WorkbookWriter() : d(std::make_unique<Impl>()) {}

WorkbookWriter::~WorkbookWriter()
{
    d->discard(); // abandoned: nothing is written
}

bool WorkbookWriter::create(const QString &path, double fontSize, const QString &sheetName)
{
    d->discard();
    *d = Impl();
    m_error.clear();
    d->target = path;
    // The workbook goes to a temporary file in the target's folder and replaces the target only
    // when it was written whole, so a failed export leaves an existing file as it was.
    const QFileInfo info(path);
    QTemporaryFile tmp(info.absolutePath() + QStringLiteral("/.~") + info.fileName() + QStringLiteral(".XXXXXX"));
    tmp.setAutoRemove(false);
    if (tmp.open()) {
        d->temp = tmp.fileName();
        tmp.close();
    }
    const QByteArray file = (d->temp.isEmpty() ? path : d->temp).toUtf8();
    d->wb = workbook_new(file.constData());
    if (!d->wb) {
        d->discard();
        m_error = QStringLiteral("工作簿无法创建");
        return false;
    }
    // Sheet names: at most 31 characters, none of []:*?/\ .
    QString sheet = sheetName;
    static const QString forbidden = QStringLiteral("[]:*?/\\");
    for (QChar &c : sheet)
        if (forbidden.contains(c))
            c = QLatin1Char('_');
    sheet = sheet.left(31);
    const QByteArray sheetUtf8 = sheet.toUtf8();
    d->ws = workbook_add_worksheet(d->wb, sheet.isEmpty() ? nullptr : sheetUtf8.constData());
    if (!d->ws) {
        d->discard();
        m_error = QStringLiteral("工作簿无法创建");
        return false;
    }
    d->text = workbook_add_format(d->wb);
    format_set_font_size(d->text, fontSize);
    format_set_num_format(d->text, "@");
    worksheet_set_column(d->ws, 0, LXW_COL_MAX - 1, LXW_DEF_COL_WIDTH, d->text);
    return true;
}

bool WorkbookWriter::writeText(int row, int col, const QString &text)
{
    if (!d->wb || row < 1 || col < 1)
        return false;
    if (text.isEmpty())
        return true;
    const QByteArray utf8 = text.toUtf8();
    const lxw_error err = worksheet_write_string(d->ws, lxw_row_t(row - 1), lxw_col_t(col - 1), utf8.constData(), d->text);
    if (err != LXW_NO_ERROR) {
        if (d->firstError == LXW_NO_ERROR)
            d->firstError = err;
        return false;
    }
    return true;
}

bool WorkbookWriter::close()
{
    if (!d->wb) {
        m_error = QStringLiteral("工作簿无法创建");
        return false;
    }
    const QString cannotWrite = QStringLiteral("文件无法写入（文件夹不存在、没有写入权限，或文件正被其他程序打开）");
    if (d->firstError != LXW_NO_ERROR) {
        m_error = QStringLiteral("有单元格无法写入（") + QString::fromUtf8(lxw_strerror(d->firstError)) + QStringLiteral("）");
        d->discard();
        return false;
    }
    const lxw_error err = workbook_close(d->wb);
    d->wb = nullptr;
    d->ws = nullptr;
    if (err != LXW_NO_ERROR) {
        m_error = err == LXW_ERROR_CREATING_XLSX_FILE || err == LXW_ERROR_CREATING_TMPFILE
            ? cannotWrite
            : QStringLiteral("文件写入出错（") + QString::fromUtf8(lxw_strerror(err)) + QStringLiteral("）");
        d->discard();
        return false;
    }
    if (!d->temp.isEmpty()) {
        const QByteArray from = QFile::encodeName(d->temp);
        const QByteArray to = QFile::encodeName(d->target);
        bool moved = std::rename(from.constData(), to.constData()) == 0;
        if (!moved && QFileInfo(d->target).isFile() && QFile::remove(d->target))
            moved = QFile::rename(d->temp, d->target);
        if (!moved) {
            m_error = cannotWrite;
            d->discard();
            return false;
        }
        d->temp.clear();
        QFile::setPermissions(d->target, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadGroup | QFileDevice::ReadOther);
    }
    return true;
}

} // namespace quorvane
