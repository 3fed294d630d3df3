#pragma once
#include "workbook/xls/xlscontainer.h"

#include <QByteArray>
#include <QHash>
#include <QString>
#include <QVector>

#include <vector>

namespace quorvane {

// Records of an .xls workbook stream, and the repairs that let FreeXL 1.0.x read what real files
// hold. Run only inside the isolated reader (quorvane-xlsreader). Every loop here is bounded by
// the stream: records are walked in order, each record's length checked against what is left.

// FreeXL 1.0.x (the .xls reader) falls short on sound files in several ways, each mended here
// in a temporary copy of the file that it then reads. The stream keeps its length, so that no
// offset in it moves: a record FreeXL is not to see is given a type it does not know, and a
// record that shrinks leaves a record of such a type behind it.
//   - it reads no formula result (convertXlsFormulas), and no text longer than a record: a
//     formula's text result over CONTINUE records is read here;
//   - it shows dates in the Chinese built-in formats as numbers (useStandardDateFormats);
//   - it does not read a short workbook whose stream lies in the compound file's mini stream
//     (small files that libraries write), nor a stream of exactly 4096 bytes beside a mini
//     stream: the stream is put into a new file of its own (xlsContainer);
//   - it refuses a whole workbook that holds an empty text (an empty inline LABEL cell, or an empty
//     shared string as libraries and pasted ="" results leave them), and cuts, moves or refuses a
//     shared string that spans more than two records (a text of more than about 8,000
//     characters): an empty LABEL is hidden, so the cell reads as blank, and the shared strings
//     are read here instead, every one whole over any number of CONTINUE records (FreeXL sees
//     neither the table nor the cells that show its texts);
//   - it takes a cell table for each sheet's whole declared size (16 bytes a cell; 256 MB for a
//     sheet that says 65536 x 256 because of one cell at the far corner), and reads truth values
//     and errors as 1 and 0: only the cells within the rows and columns read are left to it (the
//     rest hidden, the rows after the last one read counted first), and each sheet's DIMENSIONS
//     says what is left; the truth values and errors are read here;
//   - it takes the end of a chart embedded in a sheet (a substream within the sheet's) for the
//     end of the sheet, and refuses the file: such a chart's BOF and EOF are hidden, and so are
//     its records that FreeXL would take for the sheet's;
//   - it stops reading, without a word, at a record longer than 8,224 bytes (and reads no RSTRING
//     cell): no rewrite here makes such a record, and each read is checked against the cells the
//     sheet's own records give a value (XlsSheetFound::valued), so a read that stopped short or
//     left a cell out is refused rather than taken as whole.

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

// A formula's text result read from its STRING and CONTINUE records, and whether they hold it whole.
struct XlsFormulaText
{
    QString text;
    bool whole = false;
};
// Formula cells rewritten into the value records of their stored results. A text result that a
// LABEL record cannot carry (one that goes on in CONTINUE records, one that with the cell would
// pass a record's 8,224 bytes, or one not held whole) is put
// into *texts under the offset of its FORMULA record, which stays as it is.
bool convertXlsFormulas(QByteArray &stream, QHash<qint64, XlsFormulaText> *texts);
// Cell formats using a Chinese, Japanese or Korean built-in date format pointed at 14 or 21.
bool useStandardDateFormats(QByteArray &stream);

// What one read takes from a workbook: its sheet (as xlsSheetToRead counts them) and the rows and
// columns read (0: all).
struct XlsBounds
{
    int sheet = 0;
    int maxRows = 0;
    int maxCols = 0;
};

// A cell's text as the reader takes it from the records, not from FreeXL: row and column from 1.
struct XlsCellText
{
    int row;
    int col;
    QString text;
};

// What repairXls finds in the sheet read.
struct XlsSheetFound
{
    QVector<XlsCellText> texts; // shared texts, truth values and errors within the bounds
    int rowsBeyond = 0;         // rows after maxRows with a non-empty cell in the columns read
    // The stream cannot be read as it stands: a record runs past its end, or a cell counted or
    // read shows a shared text that the table does not hold whole.
    bool damaged = false;
    // The sheet's records were read (the file is a compound file with a workbook stream), and the
    // cells within the bounds that are left to FreeXL and hold a value (row << 16 | column, from
    // 0; blank cells and empty texts are not among them), in order, each once: FreeXL's read must
    // give a value for each of them, else it stopped short.
    bool scanned = false;
    std::vector<quint32> valued;
};

// The repaired file (of which `stream` is the workbook stream, as readXlsStream read it), or an
// empty array when the file needs no repair. Fills *found whatever it returns.
QByteArray repairXls(const QByteArray &file, XlsStream stream, const XlsBounds &bounds, XlsSheetFound *found);

} // namespace quorvane
