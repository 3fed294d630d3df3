#include "workbook/xlsxreader.h"

#include "workbook/workbook.h"
#include "workbook/xlsxpackage.h"
#include "workbook/xlsxparts.h"

#include <QHash>

namespace quorvane {

namespace {

const QString kDamaged = QStringLiteral("工作簿文件已损坏或不完整");
const QString kTooLarge = QStringLiteral("文件过大");
const QString kTooMuch = QStringLiteral("工作簿内容过多，超出了可以读取的范围");
const QString kNoSheet = QStringLiteral("工作簿中没有可读取的工作表");

QString reason(PartResult r, bool declaredTooLarge)
{
    if (r == PartResult::TooLarge)
        return declaredTooLarge ? kTooLarge : kTooMuch;
    return kDamaged;
}

} // namespace

bool readXlsx(const QByteArray &data, int maxRows, int maxCols, Workbook &cells, SheetRead *out)
{
    ZipPackage zip;
    if (!zip.open(data)) {
        out->error = kDamaged;
        return false;
    }
    XmlBudget budget;
    // Opens a part; Missing when there is none. A refusal from the declared size says "too large".
    auto parse = [&](const QString &name, const auto &reader) -> PartResult {
        PartResult opened = PartResult::Ok;
        const std::unique_ptr<QIODevice> dev = zip.part(name, &opened);
        if (!dev) {
            if (opened == PartResult::TooLarge)
                out->error = kTooLarge;
            else if (opened == PartResult::Damaged)
                out->error = kDamaged;
            return opened;
        }
        const PartResult r = reader(dev.get());
        if (r != PartResult::Ok)
            out->error = reason(r, false);
        return r;
    };

    // The workbook part, through the package relationships.
    QVector<Relationship> rels;
    PartResult rc = parse(relsOf(QStringLiteral("/")), [&](QIODevice *d) { return readRelationships(d, QStringLiteral("/"), budget, &rels); });
    if (rc != PartResult::Ok && rc != PartResult::Missing)
        return false;
    QString workbookPart;
    for (const Relationship &r : rels)
        if (r.type == QLatin1String("officedocument"))
            workbookPart = r.target;
    if (workbookPart.isEmpty())
        workbookPart = QStringLiteral("xl/workbook.xml");
    if (workbookPart.endsWith(QLatin1String(".bin"), Qt::CaseInsensitive)) {
        out->error = QStringLiteral("这是二进制格式（.xlsb）的工作簿，不能读取，请在Excel中另存为.xlsx或.xls格式");
        return false;
    }

    // Sheets in their order, the active tab and the date system.
    WorkbookPart book;
    rc = parse(workbookPart, [&](QIODevice *d) { return readWorkbookPart(d, budget, &book); });
    if (rc == PartResult::Missing) {
        out->error = QStringLiteral("文件不是Excel工作簿");
        return false;
    }
    if (rc != PartResult::Ok)
        return false;

    QVector<Relationship> wbRels;
    rc = parse(relsOf(workbookPart), [&](QIODevice *d) { return readRelationships(d, workbookPart, budget, &wbRels); });
    if (rc != PartResult::Ok && rc != PartResult::Missing)
        return false;
    // Each relationship by its type and id (the first of a pair that occurs twice), so that
    // finding a sheet's part costs the same however many relationships and sheets there are.
    QHash<QString, QString> byTypeAndId;
    auto typeAndId = [](const QString &type, const QString &id) { return type + QChar(0x1) + id; };
    for (auto it = wbRels.crbegin(); it != wbRels.crend(); ++it)
        byTypeAndId.insert(typeAndId(it->type, it->id), it->target);
    auto relTarget = [&](const QString &rid, const char *type) -> QString {
        return byTypeAndId.value(typeAndId(QLatin1String(type), rid));
    };
    auto firstOfType = [&](const char *type) -> QString {
        for (const Relationship &r : wbRels)
            if (r.type == QLatin1String(type))
                return r.target;
        return QString();
    };

    // The active sheet when it is a visible worksheet, else the first visible worksheet.
    QString sheetPart;
    const int activeTab = std::max(book.activeTab, 0);
    if (activeTab < book.sheets.size() && book.sheets[activeTab].visible) {
        sheetPart = relTarget(book.sheets[activeTab].rid, "worksheet");
        out->sheetName = book.sheets[activeTab].name;
    }
    for (int i = 0; sheetPart.isEmpty() && i < book.sheets.size(); ++i) {
        if (!book.sheets[i].visible)
            continue;
        sheetPart = relTarget(book.sheets[i].rid, "worksheet");
        out->sheetName = book.sheets[i].name;
    }
    if (sheetPart.isEmpty() || !zip.has(sheetPart)) {
        out->error = kNoSheet;
        return false;
    }

    // Shared strings and the date kinds of the cell formats.
    QVector<QString> shared;
    QString sharedPart = firstOfType("sharedstrings");
    if (sharedPart.isEmpty())
        sharedPart = folderOf(workbookPart) + QStringLiteral("sharedStrings.xml");
    rc = parse(sharedPart, [&](QIODevice *d) { return readSharedStrings(d, budget, &shared); });
    if (rc != PartResult::Ok && rc != PartResult::Missing)
        return false;
    QVector<quint8> xfDateKind;
    const QString stylesPart = firstOfType("styles");
    if (!stylesPart.isEmpty()) {
        rc = parse(stylesPart, [&](QIODevice *d) { return readStyles(d, budget, &xfDateKind); });
        if (rc != PartResult::Ok && rc != PartResult::Missing)
            return false;
    }

    // The sheet's cells.
    SheetContext ctx;
    ctx.maxRows = maxRows;
    ctx.maxCols = maxCols;
    ctx.date1904 = book.date1904;
    ctx.shared = &shared;
    ctx.xfDateKind = &xfDateKind;
    int beyond = 0;
    rc = parse(sheetPart, [&](QIODevice *d) {
        return readSheet(d, budget, ctx, [&](int row, int col, const QString &text) { cells.setCell(row, col, text); }, &beyond);
    });
    if (rc == PartResult::Missing)
        out->error = kNoSheet;
    if (rc != PartResult::Ok)
        return false;
    out->rowsBeyond = beyond;
    return true;
}

} // namespace quorvane
