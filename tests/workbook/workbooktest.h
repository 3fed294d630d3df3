// Building workbook packages inside the tests: zip parts, relationships, a minimal sheet.
#pragma once
#include <QByteArray>
#include <QFile>
#include <QString>

#include "workbook/xls/xlscontainer.h"

#include <zip.h>

#include <algorithm>
#include <cstring>
#include <functional>
#include <utility>
#include <vector>

namespace quorvane::test {

using Parts = std::vector<std::pair<QString, QByteArray>>;

// Writes a zip package with the given parts (names exactly as given).
inline bool writeZip(const QString &path, const Parts &parts)
{
    QFile::remove(path);
    int err = 0;
    zip_t *z = zip_open(QFile::encodeName(path).constData(), ZIP_CREATE | ZIP_TRUNCATE, &err);
    if (!z)
        return false;
    for (const auto &p : parts) {
        zip_source_t *s = zip_source_buffer(z, p.second.constData(), zip_uint64_t(p.second.size()), 0);
        if (!s || zip_file_add(z, p.first.toUtf8().constData(), s, ZIP_FL_ENC_UTF_8) < 0) {
            zip_source_free(s);
            zip_discard(z);
            return false;
        }
    }
    return zip_close(z) == 0;
}

inline const QByteArray kContentTypes =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?><Types xmlns=\"http://schemas.openxmlformats.org/package/2006/content-types\"/>";

inline QByteArray rootRels(const QString &workbookTarget)
{
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>"
           "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">"
           "<Relationship Id=\"rId1\" Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/officeDocument\" Target=\""
        + workbookTarget.toUtf8() + "\"/></Relationships>";
}

inline QByteArray sheetXml(const QByteArray &rows, const QByteArray &prefix = QByteArray())
{
    const QByteArray p = prefix.isEmpty() ? QByteArray() : prefix + ":";
    const QByteArray ns = prefix.isEmpty() ? QByteArray("xmlns") : "xmlns:" + prefix;
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?><" + p + "worksheet " + ns
        + "=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\"><" + p + "sheetData>" + rows + "</" + p + "sheetData></" + p
        + "worksheet>";
}

// A minimal, valid one-sheet package around the given sheet XML.
inline Parts simplePackage(const QByteArray &sheet)
{
    return {
        {QStringLiteral("[Content_Types].xml"), kContentTypes},
        {QStringLiteral("_rels/.rels"), rootRels(QStringLiteral("xl/workbook.xml"))},
        {QStringLiteral("xl/workbook.xml"),
         "<?xml version=\"1.0\"?><workbook xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\" "
         "xmlns:r=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships\"><sheets>"
         "<sheet name=\"S\" sheetId=\"1\" r:id=\"rId1\"/></sheets></workbook>"},
        {QStringLiteral("xl/_rels/workbook.xml.rels"),
         "<?xml version=\"1.0\"?><Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">"
         "<Relationship Id=\"rId1\" Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/worksheet\" "
         "Target=\"worksheets/sheet1.xml\"/></Relationships>"},
        {QStringLiteral("xl/worksheets/sheet1.xml"), sheet},
    };
}


// Makes the package's directory declare another unpacked size for one entry (local header and
// central directory), as a crafted file does; the data stay as they are.
inline bool declareSize(const QString &path, const QByteArray &entry, quint32 size)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadWrite))
        return false;
    QByteArray b = f.readAll();
    int patched = 0;
    auto put32 = [&](qsizetype at, quint32 v) {
        for (int i = 0; i < 4; ++i)
            b[at + i] = char((v >> (8 * i)) & 0xFF);
    };
    for (qsizetype at = b.indexOf("PK\x03\x04"); at >= 0; at = b.indexOf("PK\x03\x04", at + 4)) {
        if (b.mid(at + 30, entry.size()) == entry) {
            put32(at + 22, size);
            ++patched;
        }
    }
    for (qsizetype at = b.indexOf("PK\x01\x02"); at >= 0; at = b.indexOf("PK\x01\x02", at + 4)) {
        if (b.mid(at + 46, entry.size()) == entry) {
            put32(at + 24, size);
            ++patched;
        }
    }
    f.seek(0);
    f.write(b);
    return patched == 2;
}

// The n-times repetition of a text made from each index.
inline QByteArray repeated(int n, const std::function<QByteArray(int)> &item)
{
    QByteArray out;
    for (int i = 0; i < n; ++i)
        out += item(i);
    return out;
}

// Appends one record to an .xls workbook stream.
inline void appendXlsRecord(QByteArray &stream, quint16 type, const QByteArray &payload)
{
    QByteArray head(4, '\0');
    put16(head, 0, type);
    put16(head, 2, quint16(payload.size()));
    stream += head + payload;
}

// One record of an .xls workbook stream.
inline QByteArray xlsRecord(quint16 type, const QByteArray &payload)
{
    QByteArray out;
    appendXlsRecord(out, type, payload);
    return out;
}

// The BOF record that starts a BIFF8 workbook stream.
inline QByteArray xlsWorkbookStart()
{
    QByteArray bof(16, '\0');
    put16(bof, 0, 0x0600);
    put16(bof, 2, 0x0005);
    QByteArray stream;
    appendXlsRecord(stream, 0x0809, bof);
    return stream;
}

// A compound file of 4096-byte sectors holding the given workbook stream (of at least 4096
// bytes), for streams too long for xlsContainer: up to 109 FAT sectors, 400 MB.
inline QByteArray xlsCompoundFile(const QByteArray &stream)
{
    constexpr qint64 ss = 4096;
    constexpr quint32 perFat = ss / 4;
    const quint32 streamSectors = quint32((stream.size() + ss - 1) / ss);
    quint32 fatSectors = 1;
    while (fatSectors * perFat < streamSectors + fatSectors + 1)
        ++fatSectors;
    const quint32 dirSector = streamSectors + fatSectors;
    QByteArray out(qsizetype((qint64(dirSector) + 2) * ss), '\0');
    out.replace(0, 8, QByteArray("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8));
    put16(out, 24, 0x003E);
    put16(out, 26, 0x0004);
    put16(out, 28, 0xFFFE);
    put16(out, 30, 12);
    put16(out, 32, 6);
    put32(out, 40, 1);
    put32(out, 44, fatSectors);
    put32(out, 48, dirSector);
    put32(out, 56, 4096);
    put32(out, 60, 0xFFFFFFFE);
    put32(out, 68, 0xFFFFFFFE);
    for (quint32 i = 0; i < 109; ++i)
        put32(out, 76 + 4 * i, i < fatSectors ? streamSectors + i : 0xFFFFFFFF);
    out.replace(ss, stream.size(), stream);
    const qint64 fat = (qint64(streamSectors) + 1) * ss;
    for (quint32 i = 0; i < fatSectors * perFat; ++i) {
        quint32 v = 0xFFFFFFFF;
        if (i + 1 < streamSectors)
            v = i + 1;
        else if (i + 1 == streamSectors || i == dirSector)
            v = 0xFFFFFFFE;
        else if (i >= streamSectors && i < dirSector)
            v = 0xFFFFFFFD;
        put32(out, fat + 4 * i, v);
    }
    const qint64 dir = (qint64(dirSector) + 1) * ss;
    auto entry = [&](int index, const char *name, quint8 type, quint32 child, quint32 start, quint32 size) {
        const qint64 at = dir + 128 * index;
        int n = 0;
        for (; name[n]; ++n)
            put16(out, at + 2 * n, quint16(name[n]));
        put16(out, at + 64, quint16(2 * (n + 1)));
        out[at + 66] = char(type);
        out[at + 67] = 1;
        put32(out, at + 68, 0xFFFFFFFF);
        put32(out, at + 72, 0xFFFFFFFF);
        put32(out, at + 76, child);
        put32(out, at + 116, start);
        put32(out, at + 120, size);
    };
    entry(0, "Root Entry", 5, 1, 0xFFFFFFFE, 0);
    entry(1, "Workbook", 2, 0xFFFFFFFF, 0, quint32(stream.size()));
    for (int i = 2; i < 32; ++i) {
        put32(out, dir + 128 * i + 68, 0xFFFFFFFF);
        put32(out, dir + 128 * i + 72, 0xFFFFFFFF);
        put32(out, dir + 128 * i + 76, 0xFFFFFFFF);
    }
    return out;
}

// A BIFF8 workbook stream of sheets named S, T, U and so on: the given global records after the
// workbook's BOF (a shared-string table, say), and each sheet's records after its BOF.
inline QByteArray xlsOfSheets(const QByteArray &globals, const QVector<QByteArray> &sheets)
{
    QByteArray stream = xlsWorkbookStart() + globals;
    QVector<qsizetype> boundsheets;
    for (int i = 0; i < sheets.size(); ++i) {
        boundsheets.append(stream.size());
        appendXlsRecord(stream, 0x0085, QByteArray("\0\0\0\0\0\0\x01\0", 8) + char('S' + i));
    }
    appendXlsRecord(stream, 0x000A, QByteArray());
    QByteArray bof(16, '\0');
    put16(bof, 0, 0x0600);
    put16(bof, 2, 0x0010);
    for (int i = 0; i < sheets.size(); ++i) {
        put32(stream, boundsheets[i] + 4, quint32(stream.size()));
        appendXlsRecord(stream, 0x0809, bof);
        stream += sheets[i];
        appendXlsRecord(stream, 0x000A, QByteArray());
    }
    return stream;
}

// A BIFF8 workbook stream of one sheet named S.
inline QByteArray xlsOfOneSheet(const QByteArray &globals, const QByteArray &sheet)
{
    return xlsOfSheets(globals, {sheet});
}

// The WINDOW1 record of a workbook whose active tab is the sheet `tab` (from 0).
inline QByteArray xlsActiveTab(int tab)
{
    QByteArray window(18, '\0');
    put16(window, 10, quint16(tab));
    return xlsRecord(0x003D, window);
}

// A sheet's DIMENSIONS record declaring rows 1 to `rows` and columns 1 to `columns`.
inline QByteArray xlsDimensions(quint32 rows, quint16 columns)
{
    QByteArray dimension(14, '\0');
    put32(dimension, 4, rows);
    put16(dimension, 10, columns);
    return xlsRecord(0x0200, dimension);
}

// The payload of a cell record: row and column from 0, format 0, then `rest`.
inline QByteArray xlsCell(int row, int col, const QByteArray &rest = QByteArray())
{
    QByteArray cell(6, '\0');
    put16(cell, 0, quint16(row));
    put16(cell, 2, quint16(col));
    return cell + rest;
}

// A LABEL record (row and column from 0) of the text: one byte a character where every character
// fits in one, else two.
inline QByteArray xlsLabel(int row, int col, const QString &text)
{
    const bool wide = std::any_of(text.cbegin(), text.cend(), [](QChar c) { return c.unicode() > 0xFF; });
    QByteArray payload(3, '\0');
    put16(payload, 0, quint16(text.size()));
    payload[2] = char(wide ? 0x01 : 0x00);
    for (const QChar c : text) {
        payload += char(c.unicode() & 0xFF);
        if (wide)
            payload += char(c.unicode() >> 8);
    }
    return xlsRecord(0x0204, xlsCell(row, col, payload));
}

// A NUMBER record (row and column from 0).
inline QByteArray xlsNumber(int row, int col, double value)
{
    QByteArray payload(8, '\0');
    std::memcpy(payload.data(), &value, 8); // little-endian, as the format
    return xlsRecord(0x0203, xlsCell(row, col, payload));
}

// Writes the bytes as the file at path.
inline bool writeFile(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(bytes) == bytes.size();
}

// A MULRK record: the whole numbers `values` in one row from column `col` (from 0).
inline QByteArray xlsMulrk(int row, int col, const QVector<int> &values)
{
    QByteArray mulrk(4 + 6 * values.size() + 2, '\0');
    put16(mulrk, 0, quint16(row));
    put16(mulrk, 2, quint16(col));
    for (int i = 0; i < values.size(); ++i)
        put32(mulrk, 4 + 6 * i + 2, (quint32(values[i]) << 2) | 2); // an integer RK value
    put16(mulrk, 4 + 6 * values.size(), quint16(col + values.size() - 1));
    return xlsRecord(0x00BD, mulrk);
}

// Records of a BIFF8 workbook stream as Excel splits a long text: records of at most 8224 bytes,
// the first of the given type, the rest CONTINUE records; a text's header never split, its
// characters continued after a byte telling their width, each piece in one byte a character when
// all of the piece's characters fit in one, else two (so the width may change at a CONTINUE).
class XlsContinuedRecords
{
public:
    explicit XlsContinuedRecords(quint16 type) : m_type(type) {}

    // A text: its header (whose byte `flags` gets the width of the first piece), then its
    // characters.
    void appendText(QByteArray header, int flags, const QString &text)
    {
        if (m_record.size() + header.size() > kMaxRecord)
            flush();
        bool wide = wideAt(text, 0, kMaxRecord - int(m_record.size() + header.size()));
        header[flags] = char(header[flags] | (wide ? 0x01 : 0x00));
        m_record += header;
        for (int i = 0; i < text.size(); ++i) {
            if (m_record.size() + (wide ? 2 : 1) > kMaxRecord) {
                flush();
                wide = wideAt(text, i, kMaxRecord - 1);
                m_record += char(wide ? 0x01 : 0x00);
            }
            m_record += char(text[i].unicode() & 0xFF);
            if (wide)
                m_record += char(text[i].unicode() >> 8);
        }
    }
    // Bytes that may go on in the next record as they are (a text's formatting runs).
    void appendBytes(const QByteArray &bytes)
    {
        if (m_record.size() + bytes.size() > kMaxRecord)
            flush();
        m_record += bytes;
    }
    QByteArray records()
    {
        flush();
        return m_out;
    }

private:
    static constexpr int kMaxRecord = 8224;
    // Whether a piece of `room` bytes from character `from` on needs two bytes a character.
    static bool wideAt(const QString &text, int from, int room)
    {
        const QString piece = text.mid(from, std::max(room, 0));
        return std::any_of(piece.cbegin(), piece.cend(), [](QChar c) { return c.unicode() > 0xFF; });
    }
    void flush()
    {
        appendXlsRecord(m_out, m_type, m_record);
        m_record.clear();
        m_type = 0x003C;
    }

    quint16 m_type;
    QByteArray m_record;
    QByteArray m_out;
};

// The records of a BIFF8 shared-string table of the given texts, each with the given number of
// formatting runs, split as XlsContinuedRecords splits them.
inline QByteArray xlsSharedStrings(const std::vector<std::pair<QString, int>> &texts)
{
    QByteArray counts(8, '\0');
    put32(counts, 0, quint32(texts.size()));
    put32(counts, 4, quint32(texts.size()));
    XlsContinuedRecords table(0x00FC);
    table.appendBytes(counts);
    for (const auto &[text, runs] : texts) {
        QByteArray header(runs > 0 ? 5 : 3, '\0');
        put16(header, 0, quint16(text.size()));
        header[2] = char(runs > 0 ? 0x08 : 0x00);
        if (runs > 0)
            put16(header, 3, quint16(runs));
        table.appendText(header, 2, text);
        for (int i = 0; i < runs; ++i)
            table.appendBytes(QByteArray("\x01\0\x05\0", 4));
    }
    return table.records();
}

// A formula cell (row and column from 0) whose stored result is the given text: a FORMULA
// record, then the text in a STRING record and as many CONTINUE records as it needs.
inline QByteArray xlsFormulaText(int row, int col, const QString &text)
{
    QByteArray result(16, '\0'); // the result (a text: kind 0, then 0xFFFF), options, cache, no tokens
    put16(result, 6, 0xFFFF);
    XlsContinuedRecords string(0x0207);
    QByteArray header(3, '\0');
    put16(header, 0, quint16(text.size()));
    string.appendText(header, 2, text);
    return xlsRecord(0x0006, xlsCell(row, col, result)) + string.records();
}

// An .xls workbook stream whose shared-string table holds n empty strings (over CONTINUE
// records).
inline QByteArray xlsWithEmptyStrings(int n)
{
    QByteArray stream = xlsWorkbookStart() + xlsSharedStrings(std::vector<std::pair<QString, int>>(size_t(n)));
    appendXlsRecord(stream, 0x000A, QByteArray());
    return stream;
}

// A workbook stream of one sheet named S whose rows 1 to `rows` each hold the whole numbers
// 1 to `columns` (MULRK records, six bytes a cell).
inline QByteArray xlsOfNumbers(int rows, int columns)
{
    QVector<int> values;
    for (int c = 1; c <= columns; ++c)
        values.append(c);
    QByteArray sheet = xlsDimensions(quint32(rows), quint16(columns));
    for (int r = 0; r < rows; ++r)
        sheet += xlsMulrk(r, 0, values);
    return xlsOfOneSheet(QByteArray(), sheet);
}

} // namespace quorvane::test
