// libFuzzer target: the XML parts of an .xlsx package. The first byte chooses the part
// (relationships, workbook, shared strings, styles, sheet); the rest is its XML.
#include "workbook/xlsxparts.h"

#include <QBuffer>

#include <cstddef>
#include <cstdint>

using namespace quorvane;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 1)
        return 0;
    QByteArray xml(reinterpret_cast<const char *>(data + 1), qsizetype(size - 1));
    QBuffer in(&xml);
    in.open(QIODevice::ReadOnly);
    XmlBudget budget;
    switch (data[0] % 5) {
    case 0: {
        QVector<Relationship> rels;
        readRelationships(&in, QStringLiteral("xl/workbook.xml"), budget, &rels);
        break;
    }
    case 1: {
        WorkbookPart book;
        readWorkbookPart(&in, budget, &book);
        break;
    }
    case 2: {
        QVector<QString> shared;
        readSharedStrings(&in, budget, &shared);
        break;
    }
    case 3: {
        QVector<quint8> kinds;
        readStyles(&in, budget, &kinds);
        break;
    }
    default: {
        static const QVector<QString> shared = {QStringLiteral("学号"), QString(), QStringLiteral("a_x000D_b")};
        static const QVector<quint8> kinds = {NotDate, DateOnly, DateTime, TimeOnly};
        SheetContext ctx;
        ctx.maxRows = 6000;
        ctx.maxCols = 256;
        ctx.date1904 = (data[0] / 5) % 2;
        ctx.shared = &shared;
        ctx.xfDateKind = &kinds;
        int beyond = 0;
        qsizetype kept = 0;
        readSheet(&in, budget, ctx, [&](int, int, const QString &text) { kept += text.size(); }, &beyond);
        break;
    }
    }
    return 0;
}
