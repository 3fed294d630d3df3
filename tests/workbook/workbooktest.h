// Building workbook packages inside the tests: zip parts, relationships, a minimal sheet.
#pragma once
#include <QByteArray>
#include <QFile>
#include <QString>

#include "workbook/xls/xlscontainer.h"

#include <zip.h>

#include <algorithm>
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

// An .xls workbook stream whose shared-string table holds n empty strings (over CONTINUE
// records), with a WRITEACCESS record long enough for the repair to give each a character.
inline QByteArray xlsWithEmptyStrings(int n)
{
    QByteArray stream = xlsWorkbookStart();
    appendXlsRecord(stream, 0x005C, QByteArray(n, ' '));
    constexpr int perBlock = 2000; // a block and its new characters stay under 8224 bytes
    QByteArray sst(8, '\0');
    put32(sst, 0, quint32(n));
    put32(sst, 4, quint32(n));
    for (int done = 0; done < n; done += perBlock) // three bytes each: no characters, one-byte width
        appendXlsRecord(stream, done == 0 ? 0x00FC : 0x003C, (done == 0 ? sst : QByteArray()) + QByteArray(3 * std::min(perBlock, n - done), '\0'));
    appendXlsRecord(stream, 0x000A, QByteArray());
    return stream;
}

} // namespace quorvane::test
