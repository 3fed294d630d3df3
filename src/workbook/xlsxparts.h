#pragma once
#include "workbook/celltext.h"
#include "workbook/xlsxpackage.h"

#include <QIODevice>
#include <QString>
#include <QVector>

#include <functional>

namespace quorvane {

// Parsing the XML parts of an .xlsx package: relationships, the workbook part, shared strings,
// styles and the sheet. Every parser reads token by token from expat, whose work is linear in the
// part, and refuses as damaged a document type declaration (no spreadsheet part has one; its
// entities could multiply the text), nesting deeper than 256 elements and a tag of more than 1000
// attributes; it stops with PartResult::TooLarge when the read's budget or the parser's memory
// limit is spent. A part declared in GBK, GB2312 or GB18030, which the parser does not know, is
// converted to UTF-8 before it is parsed; a part in any other encoding the parser does not know
// is refused as damaged.

// The work one workbook read may do, counted in bytes of XML handed to the parser (as converted,
// where a part was) over all its parts (no single text or tag can be longer), and in texts kept.
// It bounds time and memory whatever a small packed file unpacks to, and holds the sheets the
// imports read: 6000 rows of 60 columns take about 15 MB.
struct XmlBudget
{
    static constexpr qint64 kBytes = 32LL * 1000 * 1000;
    static constexpr qint64 kStrings = 1000 * 1000;

    qint64 bytes = kBytes;
    qint64 strings = kStrings;
};

struct Relationship
{
    QString id;
    QString type;   // last segment of the type URI, lower case ("worksheet", "sharedstrings")
    QString target; // resolved part name
};
PartResult readRelationships(QIODevice *in, const QString &sourcePart, XmlBudget &budget, QVector<Relationship> *out);

struct SheetEntry
{
    QString name;
    QString rid;
    bool visible = true;
};
struct WorkbookPart
{
    QVector<SheetEntry> sheets;
    int activeTab = -1;
    bool date1904 = false;
};
PartResult readWorkbookPart(QIODevice *in, XmlBudget &budget, WorkbookPart *out);

// Shared strings: one entry per <si>, empty ones included; phonetic runs left out.
PartResult readSharedStrings(QIODevice *in, XmlBudget &budget, QVector<QString> *out);

// Styles: the date kind of every cell format (cellXfs), in order.
PartResult readStyles(QIODevice *in, XmlBudget &budget, QVector<quint8> *xfDateKind);

// The cells of a sheet as the texts they display, handed to cell(row, col, text) for rows up to
// maxRows (0: all) and columns up to maxCols (0: all). Rows after maxRows that hold a non-empty
// cell in those columns are counted into *rowsBeyond for about 100,000 rows and while the budget
// lasts (the sheet is not refused for them): on a longer sheet the count is a lower bound.
struct SheetContext
{
    int maxRows = 0;
    int maxCols = 0;
    bool date1904 = false;
    const QVector<QString> *shared = nullptr;
    const QVector<quint8> *xfDateKind = nullptr;
};
PartResult readSheet(QIODevice *in, XmlBudget &budget, const SheetContext &ctx,
                     const std::function<void(int row, int col, const QString &text)> &cell, int *rowsBeyond);

// Decodes the _xHHHH_ escapes that spreadsheet XML uses for control characters ("_x000D_" is a
// carriage return, "_x005F_" a literal underscore); a surrogate that does not pair up becomes
// U+FFFD.
QString decodeEscapes(const QString &text);

} // namespace quorvane
