#pragma once
#include "workbook/xls/xlscontainer.h"

#include <QByteArray>
#include <QHash>
#include <QPair>
#include <QString>
#include <QVector>

namespace quorvane {

// Records of an .xls workbook stream, and the repairs that let FreeXL 1.0.x read what real files
// hold. Run only inside the isolated reader (quorvane-xlsreader). Every loop here is bounded by
// the stream: records are walked in order, each record's length checked against what is left.

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

// The records of a workbook stream: offset of each header, type and payload length.
struct XlsRecord
{
    qint64 at;
    quint16 type;
    quint16 len;
};
QVector<XlsRecord> xlsRecords(const QByteArray &stream);

// Whether the workbook is encrypted: a FILEPASS record among the global records.
bool xlsEncrypted(const QByteArray &stream);

// The sheet a reader opens: the active tab when it is a visible worksheet, else the first
// visible worksheet; -1 when the stream does not say (the first sheet is read then), -2 when no
// sheet is a visible worksheet. Sheets count in the order of their BOUNDSHEET records.
int xlsSheetToRead(const QByteArray &stream);

// The texts of the truth-value and error cells of one sheet (TRUE, FALSE, #DIV/0!, ...), by row
// and column from 1, taken from their BOOLERR records (FreeXL reads them as 1 and 0).
QHash<QPair<int, int>, QString> xlsTruthAndErrorCells(const QByteArray &stream, int sheet);

// Formula cells rewritten into the value records of their stored results.
bool convertXlsFormulas(QByteArray &stream);
// Cell formats using a Chinese, Japanese or Korean built-in date format pointed at 14 or 21.
bool useStandardDateFormats(QByteArray &stream);
// The repaired file, or an empty array when the file needs no repair or cannot be repaired.
QByteArray repairXls(const QByteArray &file);

// The one-character text that stands for an empty text in a repaired file.
constexpr char kXlsEmptyMark = '\x01';

} // namespace quorvane
