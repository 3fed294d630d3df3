#pragma once
#include <QByteArray>
#include <QVector>

namespace quorvane {

// Little-endian fields of .xls files: the 16- or 32-bit value at byte offset `at` of `bytes`
// (the caller has checked that the bytes are there), and writing `value` there.
quint16 le16(const QByteArray &bytes, qint64 at);
quint32 le32(const QByteArray &bytes, qint64 at);
void put16(QByteArray &bytes, qint64 at, quint16 value);
void put32(QByteArray &bytes, qint64 at, quint32 value);

// The smallest stream that a compound file keeps in its ordinary sectors.
constexpr qint64 kXlsMiniCutoff = 4096;

// The workbook stream of an .xls compound (OLE) file.
struct XlsStream
{
    QByteArray bytes;
    QVector<quint32> sectors; // where it lies in the file (none when in the mini stream)
    qint64 sectorSize = 512;
    bool inMiniStream = false;
    bool encryptedPackage = false; // the file is a password-protected .xlsx (EncryptedPackage)
};

// Finds and reads the Workbook (or Book) stream. Everything is bounded by the file itself:
// sector numbers are checked against the sectors the file holds, the FAT has no more sectors
// than the file, every chain (DIFAT, FAT, directory, mini FAT, mini stream, the stream) is walked
// once and refused when it loops, and nothing is allocated before the file is seen to hold it.
// False for a file that is no compound file or whose structure does not hold together.
bool readXlsStream(const QByteArray &file, XlsStream *out);

// A new compound file (512-byte sectors) holding only the given workbook stream, padded so that
// it lies in ordinary sectors; empty when the stream is too long for this simple layout.
QByteArray xlsContainer(QByteArray stream);

} // namespace quorvane
