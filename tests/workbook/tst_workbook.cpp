// Reading workbooks as the texts their cells display, and writing new .xlsx workbooks.
#include "workbook/workbook.h"
#include "workbook/workbookwriter.h"
#include "workbooktest.h"
#include "testsupport.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include <xlsxwriter.h>
#include <zip.h>

#include <ctime>
#include <utility>
#include <vector>

using namespace quorvane;
using namespace quorvane::test;

class tst_workbook : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void numbersAndDatesAsDisplayed();
    void cellReferences();
    void xlsxPackageDetails();
    void writerRoundTripAndFailure();
    void damagedFilesAreRefused();
    void xlsFixture();
    void readerChosenByContentNotName();
    void isoDatesFormulasAndStrictPackages();
    void columnsRightOfTheCapAreNotKept();
    void unreadableKindsSayWhy();
    void xlsWithEmptyTexts();
    void smallXlsInTheMiniStream();
    void xlsActiveAndHiddenSheets();
    void xlsFormulasReadTheirStoredResults();
    void xlsChineseBuiltInDateFormats();
    void xlsTruthAndErrorValues();
    void xlsCellsAsTheImportsReadThem_data();
    void xlsCellsAsTheImportsReadThem();
    void oversizedPartsAreNotUnpacked();

private:
    QTemporaryDir m_dir;
    QString path(const QString &name) const { return m_dir.filePath(name); }

    // Opens `rounds` copies of a workbook, each with `changes` bytes at or after `from` changed
    // (seeded): each copy is refused with a reason or read, never a crash.
    void damagedCopiesAreRefusedOrRead(const QByteArray &bytes, quint32 seed, int rounds, int changes, int from,
                                       const QString &name)
    {
        Workbook wb;
        for (int round = 0; round < rounds; ++round) {
            QByteArray damaged = bytes;
            for (int k = 0; k < changes; ++k) {
                seed = seed * 1103515245u + 12345u;
                const int at = from + int((seed >> 8) % quint32(damaged.size() - from));
                damaged[at] = char(seed >> 24);
            }
            QFile f(path(name));
            QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
            f.write(damaged);
            f.close();
            if (!wb.open(f.fileName()))
                QVERIFY(!wb.errorText().isEmpty());
        }
    }
};

void tst_workbook::numbersAndDatesAsDisplayed()
{
    QCOMPARE(numberText(2023007), QStringLiteral("2023007"));
    QCOMPARE(numberText(85.5), QStringLiteral("85.5"));
    QCOMPARE(numberText(2.4000000000000004), QStringLiteral("2.4"));
    QCOMPARE(numberText(0.1 + 0.2), QStringLiteral("0.3"));
    QCOMPARE(numberText(89.99999999999999), QStringLiteral("90"));
    QCOMPARE(numberText(-3), QStringLiteral("-3"));
    QCOMPARE(numberText(-0.0), QStringLiteral("0"));
    QCOMPARE(numberText(1e20), QStringLiteral("100000000000000000000"));
    QCOMPARE(numberText(0.000015), QStringLiteral("0.000015"));
    // An 18-digit identity number stored as a number keeps only 15 significant digits.
    QCOMPARE(numberText(110101200801011234.0), QStringLiteral("110101200801011000"));

    QCOMPARE(serialDateText(45170, false), QStringLiteral("2023-09-01"));
    QCOMPARE(serialDateText(1, false), QStringLiteral("1900-01-01"));
    QCOMPARE(serialDateText(59, false), QStringLiteral("1900-02-28"));
    QCOMPARE(serialDateText(60, false), QStringLiteral("1900-02-29"));
    QCOMPARE(serialDateText(61, false), QStringLiteral("1900-03-01"));
    QCOMPARE(serialDateText(0, true), QStringLiteral("1904-01-01"));
    QCOMPARE(serialDateText(45170.75, false, true), QStringLiteral("2023-09-01 18:00:00"));
    QCOMPARE(serialDateText(0.5, false, false, true), QStringLiteral("12:00:00"));
}

void tst_workbook::cellReferences()
{
    int r = 0, c = 0;
    QVERIFY(parseCellRef(QStringLiteral("a1"), &r, &c));
    QCOMPARE(r, 1);
    QCOMPARE(c, 1);
    QVERIFY(parseCellRef(QStringLiteral("E6000"), &r, &c));
    QCOMPARE(r, 6000);
    QCOMPARE(c, 5);
    QVERIFY(parseCellRef(QStringLiteral("$AB$12"), &r, &c));
    QCOMPARE(c, 28);
    QVERIFY(!parseCellRef(QStringLiteral("12"), &r, &c));
    QVERIFY(!parseCellRef(QStringLiteral("A"), &r, &c));
    QVERIFY(!parseCellRef(QStringLiteral("A0"), &r, &c));
    QVERIFY(!parseCellRef(QStringLiteral("A1x"), &r, &c));
}

void tst_workbook::xlsxPackageDetails()
{
    // A package as odd writers make it: the workbook found through the relationships under
    // another name and letter case, backslashes in an entry name, shared strings with rich runs,
    // phonetic runs and empty entries, inline strings, cells and rows without references,
    // prefixed elements, styles with built-in, Chinese and custom date formats, a hidden first
    // sheet and the active tab on the third.
    const QByteArray shared =
        "<?xml version=\"1.0\"?><sst xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\" count=\"5\">"
        "<si><t>学号</t></si>"
        "<si><t/></si>"
        "<si><r><rPr><b/></rPr><t>东京</t></r><r><t xml:space=\"preserve\">都 </t></r><rPh sb=\"0\" eb=\"2\"><t>とうきょうと</t></rPh></si>"
        "<si><t>a_x000D_b</t></si>"
        "<si><t>理科</t></si></sst>";
    const QByteArray styles =
        "<?xml version=\"1.0\"?><styleSheet xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\">"
        "<numFmts count=\"2\"><numFmt numFmtId=\"164\" formatCode=\"yyyy/m/d\"/><numFmt numFmtId=\"165\" formatCode=\"[h]:mm\"/>"
        "<numFmt numFmtId=\"166\" formatCode=\"&quot;day&quot;0.00\"/></numFmts>"
        "<cellStyleXfs count=\"1\"><xf numFmtId=\"14\"/></cellStyleXfs>"
        "<cellXfs count=\"6\"><xf numFmtId=\"0\"/><xf numFmtId=\"14\"/><xf numFmtId=\"31\"/><xf numFmtId=\"164\"/>"
        "<xf numFmtId=\"165\"/><xf numFmtId=\"166\"/></cellXfs></styleSheet>";
    const QByteArray sheet3 = sheetXml(
        "<x:row r=\"1\"><x:c r=\"A1\" t=\"s\"><x:v>0</x:v></x:c><x:c t=\"s\"><x:v>1</x:v></x:c><x:c t=\"s\"><x:v>2</x:v></x:c>"
        "<x:c t=\"s\"><x:v>3</x:v></x:c><x:c t=\"s\"><x:v>4</x:v></x:c></x:row>"
        "<x:row><x:c><x:v>2023007</x:v></x:c><x:c t=\"inlineStr\"><x:is><x:t>张三</x:t></x:is></x:c>"
        "<x:c><x:v>85.5</x:v></x:c><x:c><x:v>2.4000000000000004</x:v></x:c><x:c t=\"b\"><x:v>1</x:v></x:c>"
        "<x:c t=\"e\"><x:v>#N/A</x:v></x:c><x:c t=\"str\"><x:f>A1</x:f><x:v>学号</x:v></x:c></x:row>"
        "<x:row r=\"5\"><x:c r=\"B5\" s=\"1\"><x:v>45170</x:v></x:c><x:c s=\"2\"><x:v>45170</x:v></x:c>"
        "<x:c s=\"3\"><x:v>45170.5</x:v></x:c><x:c s=\"4\"><x:v>1.5</x:v></x:c><x:c s=\"5\"><x:v>7</x:v></x:c>"
        "<x:c s=\"1\"/><x:c r=\"H5\" t=\"d\"><x:v>2024-02-29T00:00:00</x:v></x:c></x:row>",
        "x");
    const Parts parts = {
        {QStringLiteral("[Content_Types].xml"), kContentTypes},
        {QStringLiteral("_rels/.rels"), rootRels(QStringLiteral("/xl/Book.xml"))},
        {QStringLiteral("XL/book.xml"),
         "<?xml version=\"1.0\"?><workbook xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\" "
         "xmlns:r=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships\">"
         "<bookViews><workbookView activeTab=\"2\"/></bookViews><sheets>"
         "<sheet name=\"隐藏\" sheetId=\"1\" state=\"hidden\" r:id=\"rId1\"/><sheet name=\"第一\" sheetId=\"2\" r:id=\"rId2\"/>"
         "<sheet name=\"名单\" sheetId=\"3\" r:id=\"rId3\"/></sheets></workbook>"},
        {QStringLiteral("xl/_rels/book.xml.rels"),
         "<?xml version=\"1.0\"?><Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">"
         "<Relationship Id=\"rId1\" Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/worksheet\" Target=\"worksheets/a.xml\"/>"
         "<Relationship Id=\"rId2\" Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/worksheet\" Target=\"worksheets/b.xml\"/>"
         "<Relationship Id=\"rId3\" Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/worksheet\" Target=\"/xl/worksheets/../worksheets/Sheet3.xml\"/>"
         "<Relationship Id=\"rId4\" Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/sharedStrings\" Target=\"SharedStrings.xml\"/>"
         "<Relationship Id=\"rId5\" Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/styles\" Target=\"styles.xml\"/>"
         "</Relationships>"},
        {QStringLiteral("xl\\sharedstrings.xml"), shared},
        {QStringLiteral("xl/styles.xml"), styles},
        {QStringLiteral("xl/worksheets/a.xml"), sheetXml("<row><c t=\"inlineStr\"><is><t>hidden</t></is></c></row>")},
        {QStringLiteral("xl/worksheets/b.xml"), sheetXml("<row><c t=\"inlineStr\"><is><t>first</t></is></c></row>")},
        {QStringLiteral("xl/worksheets/sheet3.xml"), sheet3},
    };
    const QString file = path(QStringLiteral("odd.xlsx"));
    QVERIFY(writeZip(file, parts));
    Workbook wb;
    QVERIFY2(wb.open(file), qPrintable(wb.errorText()));
    QCOMPARE(wb.format(), Workbook::Format::Xlsx);
    QCOMPARE(wb.sheetName(), QStringLiteral("名单"));
    QCOMPARE(wb.text(QStringLiteral("a1")), QStringLiteral("学号"));
    QCOMPARE(wb.text(1, 2), QString());
    QCOMPARE(wb.text(1, 3), QStringLiteral("东京都 "));
    QCOMPARE(wb.text(1, 4), QStringLiteral("a\rb"));
    QCOMPARE(wb.text(1, 5), QStringLiteral("理科"));
    QCOMPARE(wb.text(2, 1), QStringLiteral("2023007"));
    QCOMPARE(wb.text(2, 2), QStringLiteral("张三"));
    QCOMPARE(wb.text(2, 3), QStringLiteral("85.5"));
    QCOMPARE(wb.text(2, 4), QStringLiteral("2.4"));
    QCOMPARE(wb.text(2, 5), QStringLiteral("TRUE"));
    QCOMPARE(wb.text(2, 6), QStringLiteral("#N/A"));
    QCOMPARE(wb.text(2, 7), QStringLiteral("学号"));
    QCOMPARE(wb.text(5, 2), QStringLiteral("2023-09-01"));
    QCOMPARE(wb.text(5, 3), QStringLiteral("2023-09-01"));          // 年月日 built-in format 31
    QCOMPARE(wb.text(5, 4), QStringLiteral("2023-09-01"));          // custom yyyy/m/d: the date only
    QCOMPARE(wb.text(5, 5), QStringLiteral("1.5"));                 // [h]:mm is a duration, not a date
    QCOMPARE(wb.text(5, 6), QStringLiteral("7"));                   // quoted "day" is not a date
    QCOMPARE(wb.text(5, 7), QString());
    QCOMPARE(wb.text(5, 8), QStringLiteral("2024-02-29"));
    QCOMPARE(wb.rowCount(), 5);
    QCOMPARE(wb.columnCount(), 8);

    // maxRows stops the reading: later rows are never looked at.
    QVERIFY(wb.open(file, 2));
    QCOMPARE(wb.text(2, 1), QStringLiteral("2023007"));
    QCOMPARE(wb.text(5, 2), QString());
    QCOMPARE(wb.rowCount(), 2);

    // The 1904 date system shifts dates by 1462 days.
    QVERIFY(writeZip(file, simplePackage(sheetXml("<row><c s=\"1\"><v>0</v></c></row>"))));
    Parts p1904 = simplePackage(sheetXml("<row><c s=\"1\"><v>0</v></c></row>"));
    p1904[2].second.replace("<sheets>", "<workbookPr date1904=\"1\"/><sheets>");
    p1904[3].second.replace("</Relationships>",
                            "<Relationship Id=\"rId9\" Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/styles\" Target=\"styles.xml\"/></Relationships>");
    p1904.push_back({QStringLiteral("xl/styles.xml"), styles});
    QVERIFY(writeZip(file, p1904));
    QVERIFY2(wb.open(file), qPrintable(wb.errorText()));
    QCOMPARE(wb.text(1, 1), QStringLiteral("1904-01-01"));
}

void tst_workbook::writerRoundTripAndFailure()
{
    const QString file = path(QStringLiteral("written.xlsx"));
    {
        WorkbookWriter w;
        QVERIFY(w.create(file, 10));
        QVERIFY(w.writeText(1, 1, QStringLiteral("学号")));
        QVERIFY(w.writeText(2, 1, QStringLiteral("007")));
        QVERIFY(w.writeText(2, 2, QStringLiteral("欧阳 小明")));
        QVERIFY(w.writeText(2, 5, QStringLiteral("3")));
        QVERIFY(w.writeText(3, 3, QString()));
        QVERIFY2(w.close(), qPrintable(w.errorText()));
    }
    Workbook wb;
    QVERIFY2(wb.open(file), qPrintable(wb.errorText()));
    QCOMPARE(wb.text(1, 1), QStringLiteral("学号"));
    QCOMPARE(wb.text(2, 1), QStringLiteral("007")); // text, so the leading zeros stay
    QCOMPARE(wb.text(2, 2), QStringLiteral("欧阳 小明"));
    QCOMPARE(wb.text(2, 5), QStringLiteral("3"));
    QCOMPARE(wb.rowCount(), 2);

    // A file that cannot be written makes close() fail with a reason.
    WorkbookWriter bad;
    QVERIFY(bad.create(path(QStringLiteral("no/such/folder/x.xlsx"))));
    bad.writeText(1, 1, QStringLiteral("x"));
    QVERIFY(!bad.close());
    QVERIFY(!bad.errorText().isEmpty());
    QVERIFY(!QFile::exists(path(QStringLiteral("no/such/folder/x.xlsx"))));

    // A write that fails leaves an existing file as it was (here a cell longer than a workbook
    // cell may be); a good one replaces it.
    {
        WorkbookWriter w;
        QVERIFY(w.create(file));
        QVERIFY(!w.writeText(1, 1, QString(40000, QLatin1Char('x'))));
        QVERIFY(!w.close());
        QVERIFY(!w.errorText().isEmpty());
    }
    QVERIFY(wb.open(file));
    QCOMPARE(wb.text(2, 1), QStringLiteral("007"));
    {
        WorkbookWriter w;
        QVERIFY(w.create(file));
        QVERIFY(w.writeText(1, 1, QStringLiteral("新")));
        QVERIFY(w.close());
    }
    QVERIFY(wb.open(file));
    QCOMPARE(wb.text(1, 1), QStringLiteral("新"));
    QCOMPARE(wb.rowCount(), 1);

    // A writer dropped without close() writes nothing.
    {
        WorkbookWriter dropped;
        QVERIFY(dropped.create(path(QStringLiteral("dropped.xlsx"))));
        dropped.writeText(1, 1, QStringLiteral("x"));
    }
    QVERIFY(!QFile::exists(path(QStringLiteral("dropped.xlsx"))));
    // No temporary file is left behind.
    QCOMPARE(QDir(m_dir.path()).entryList({QStringLiteral(".~*")}, QDir::Files | QDir::Hidden), QStringList());
}

void tst_workbook::damagedFilesAreRefused()
{
    Workbook wb;
    auto refuses = [&](const QString &file) {
        const bool opened = wb.open(file);
        return !opened && !wb.isOpen() && !wb.errorText().isEmpty() && wb.rowCount() == 0;
    };
    QVERIFY(refuses(path(QStringLiteral("missing.xlsx"))));
    // A damaged .xls on which the .xls library itself reads out of bounds and crashes (a student
    // list with a few bytes changed): refused with a message, and the program goes on.
    QVERIFY(refuses(QStringLiteral(QUORVANE_FIXTURE_DIR "/damaged-crashes-freexl.xls")));
    QVERIFY(refuses(m_dir.path())); // a folder

    const QString empty = path(QStringLiteral("empty.xlsx"));
    QFile(empty).open(QIODevice::WriteOnly);
    QVERIFY(refuses(empty));
    QCOMPARE(wb.errorText(), QStringLiteral("文件是空的"));

    const QString text = path(QStringLiteral("text.xls"));
    {
        QFile f(text);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("学号,姓名\n1,张三\n");
    }
    QVERIFY(refuses(text));
    QCOMPARE(wb.errorText(), QStringLiteral("文件不是Excel工作簿"));

    // A good package cut in half.
    const QString good = path(QStringLiteral("good.xlsx"));
    QVERIFY(writeZip(good, simplePackage(sheetXml("<row><c t=\"inlineStr\"><is><t>学号</t></is></c></row>"))));
    QVERIFY(wb.open(good));
    QFile g(good);
    QVERIFY(g.open(QIODevice::ReadOnly));
    const QByteArray all = g.readAll();
    const QString cut = path(QStringLiteral("cut.xlsx"));
    {
        QFile f(cut);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(all.left(all.size() / 2));
    }
    QVERIFY(refuses(cut));

    // Damaged bytes inside the sheet's packed data (the zip's directory still intact).
    const QString flipped = path(QStringLiteral("flipped.xlsx"));
    {
        QByteArray rows;
        for (int i = 1; i <= 200; ++i)
            rows += "<row r=\"" + QByteArray::number(i) + "\"><c r=\"A" + QByteArray::number(i) + "\"><v>" + QByteArray::number(i * 7)
                + "</v></c></row>";
        QVERIFY(writeZip(flipped, simplePackage(sheetXml(rows))));
        QFile f(flipped);
        QVERIFY(f.open(QIODevice::ReadWrite));
        QByteArray content = f.readAll();
        const int at = int(content.indexOf("xl/worksheets/sheet1.xml")) + 24 + 40;
        QVERIFY(at > 64 && at < content.size());
        content[at] = char(content[at] ^ 0x5A);
        content[at + 1] = char(content[at + 1] ^ 0x33);
        f.seek(0);
        f.write(content);
    }
    QVERIFY(refuses(flipped));

    // A zip that holds no workbook.
    const QString other = path(QStringLiteral("other.xlsx"));
    QVERIFY(writeZip(other, {{QStringLiteral("readme.txt"), "hello"}}));
    QVERIFY(refuses(other));

    // Broken XML in the sheet.
    const QString badXml = path(QStringLiteral("badxml.xlsx"));
    QVERIFY(writeZip(badXml, simplePackage("<worksheet><sheetData><row><c><v>1</v></row></sheetData></worksheet>")));
    QVERIFY(refuses(badXml));

    // The sheet part named by the workbook is missing.
    Parts noSheet = simplePackage(sheetXml(""));
    noSheet.pop_back();
    const QString missingSheet = path(QStringLiteral("nosheet.xlsx"));
    QVERIFY(writeZip(missingSheet, noSheet));
    QVERIFY(refuses(missingSheet));

    // A workbook whose only sheet is hidden offers nothing to read.
    Parts hidden = simplePackage(sheetXml("<row><c><v>1</v></c></row>"));
    hidden[2].second.replace("r:id=\"rId1\"", "state=\"hidden\" r:id=\"rId1\"");
    const QString hiddenFile = path(QStringLiteral("hidden.xlsx"));
    QVERIFY(writeZip(hiddenFile, hidden));
    QVERIFY(refuses(hiddenFile));

    // An OLE file that is not a workbook (the first bytes alone are an OLE header).
    const QString ole = path(QStringLiteral("ole.xls"));
    {
        QFile f(ole);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(QByteArray("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8) + QByteArray(600, '\0'));
    }
    QVERIFY(refuses(ole));

    // After a refusal an earlier good open is gone, and a later good open works again.
    QVERIFY(wb.open(good));
    QCOMPARE(wb.text(1, 1), QStringLiteral("学号"));
}

void tst_workbook::xlsFixture()
{
    Workbook wb;
    const QString file = QStringLiteral(QUORVANE_FIXTURE_DIR) + QStringLiteral("/students.xls");
    QVERIFY2(wb.open(file), qPrintable(wb.errorText()));
    QCOMPARE(wb.format(), Workbook::Format::Xls);
    QCOMPARE(wb.sheetName(), QStringLiteral("学生"));
    QCOMPARE(wb.text(QStringLiteral("a1")), QStringLiteral("学号"));
    QCOMPARE(wb.text(QStringLiteral("e1")), QStringLiteral("文理倾向"));
    QCOMPARE(wb.text(2, 1), QStringLiteral("2023001"));
    QCOMPARE(wb.text(3, 1), QStringLiteral("2023002"));  // a number cell
    QCOMPARE(wb.text(3, 3), QStringLiteral("3班"));
    QCOMPARE(wb.text(4, 1), QStringLiteral("a2023003"));
    QCOMPARE(wb.text(5, 2), QStringLiteral("欧阳小明"));
    QCOMPARE(wb.text(5, 3), QStringLiteral("4"));
    QCOMPARE(wb.text(2, 7), QStringLiteral("2023-09-01")); // a date
    QCOMPARE(wb.text(3, 7), QStringLiteral("85.5"));
    QCOMPARE(wb.text(4, 7), QStringLiteral("2.4"));
    QCOMPARE(wb.text(5, 1), QStringLiteral("2023004"));
    QCOMPARE(wb.text(5, 5), QStringLiteral("文科"));
    // The last row is read (FreeXL's dimensions are counts, not last indexes as its header says).
    QCOMPARE(wb.rowCount(), 81);
    QCOMPARE(wb.text(81, 1), QStringLiteral("2023080"));
    QCOMPARE(wb.text(81, 5), QStringLiteral("不限"));
    // maxRows applies to .xls too.
    QVERIFY(wb.open(file, 3));
    QCOMPARE(wb.rowCount(), 3);

    // A copy whose header miscounts its FAT sectors: FreeXL reads it, but its records cannot be
    // read here, so nothing tells whether it read all of the sheet.
    QFile f(file);
    QVERIFY(f.open(QIODevice::ReadOnly));
    QByteArray bytes = f.readAll();
    put32(bytes, 44, le32(bytes, 44) + 0xE800);
    const QString miscounted = path(QStringLiteral("miscounted.xls"));
    QVERIFY(writeFile(miscounted, bytes));
    QVERIFY(!wb.open(miscounted));
    QCOMPARE(wb.errorText(), QStringLiteral("工作簿文件已损坏或不完整"));
}

void tst_workbook::readerChosenByContentNotName()
{
    // An .xlsx saved under an .xls name, and an .xls under an .xlsx name, both read.
    const QString xlsxAsXls = path(QStringLiteral("really-xlsx.xls"));
    QVERIFY(writeZip(xlsxAsXls, simplePackage(sheetXml("<row><c t=\"inlineStr\"><is><t>学号</t></is></c></row>"))));
    Workbook wb;
    QVERIFY(wb.open(xlsxAsXls));
    QCOMPARE(wb.format(), Workbook::Format::Xlsx);
    QCOMPARE(wb.text(1, 1), QStringLiteral("学号"));

    const QString xlsAsXlsx = path(QStringLiteral("really-xls.xlsx"));
    QVERIFY(QFile::copy(QStringLiteral(QUORVANE_FIXTURE_DIR) + QStringLiteral("/students.xls"), xlsAsXlsx));
    QVERIFY(wb.open(xlsAsXlsx));
    QCOMPARE(wb.format(), Workbook::Format::Xls);
    QCOMPARE(wb.text(1, 2), QStringLiteral("姓名"));
}

void tst_workbook::isoDatesFormulasAndStrictPackages()
{
    // t="d" cells are read as written, whatever the computer's time zone: in São Paulo the clocks
    // skipped midnight on 2018-11-04, which a local-time conversion refuses or moves to 01:00.
    const QByteArray oldTz = qgetenv("TZ");
    qputenv("TZ", "America/Sao_Paulo");
    tzset();
    const QString file = path(QStringLiteral("dates.xlsx"));
    QVERIFY(writeZip(file, simplePackage(sheetXml(
                               "<row r=\"1\"><c r=\"A1\" t=\"d\"><v>2018-11-04T00:00:00</v></c><c r=\"B1\" t=\"d\"><v>2018-11-04</v></c>"
                               "<c r=\"C1\" t=\"d\"><v>2023-09-01T08:30:00Z</v></c><c r=\"D1\" t=\"d\"><v>2023-09-01T00:00:00.000+08:00</v></c>"
                               "<c r=\"E1\" t=\"d\"><v>不是日期</v></c><c r=\"F1\" t=\"d\"><v>10:30:00</v></c></row>"
                               // Formulas: a stored result is read; without one (as some libraries
                               // write them) the cell reads empty rather than as the formula text.
                               "<row r=\"2\"><c r=\"A2\"><f>1+1</f><v>2</v></c><c r=\"B2\" t=\"str\"><f>\"a\"&amp;\"b\"</f><v>ab</v></c>"
                               "<c r=\"C2\"><f>SUM(A1:A9)</f></c><c r=\"D2\" t=\"str\"><f>A1</f></c><c r=\"E2\"><f>1/0</f><v></v></c></row>"))));
    Workbook wb;
    const bool opened = wb.open(file);
    qputenv("TZ", oldTz);
    if (oldTz.isEmpty())
        qunsetenv("TZ");
    tzset();
    QVERIFY2(opened, qPrintable(wb.errorText()));
    QCOMPARE(wb.text(1, 1), QStringLiteral("2018-11-04"));
    QCOMPARE(wb.text(1, 2), QStringLiteral("2018-11-04"));
    QCOMPARE(wb.text(1, 3), QStringLiteral("2023-09-01 08:30:00"));
    QCOMPARE(wb.text(1, 4), QStringLiteral("2023-09-01"));
    QCOMPARE(wb.text(1, 5), QStringLiteral("不是日期"));
    QCOMPARE(wb.text(1, 6), QStringLiteral("10:30:00"));
    QCOMPARE(wb.text(2, 1), QStringLiteral("2"));
    QCOMPARE(wb.text(2, 2), QStringLiteral("ab"));
    QCOMPARE(wb.text(2, 3), QString());
    QCOMPARE(wb.text(2, 4), QString());
    QCOMPARE(wb.text(2, 5), QString());

    // A Strict OOXML package: other namespaces and relationship types, the same cells.
    const QByteArray strictRel = "http://purl.oclc.org/ooxml/officeDocument/relationships";
    const Parts strict = {
        {QStringLiteral("[Content_Types].xml"), kContentTypes},
        {QStringLiteral("_rels/.rels"),
         "<?xml version=\"1.0\"?><Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">"
         "<Relationship Id=\"rId1\" Type=\"" + strictRel + "/officeDocument\" Target=\"xl/workbook.xml\"/></Relationships>"},
        {QStringLiteral("xl/workbook.xml"),
         "<?xml version=\"1.0\"?><workbook xmlns=\"http://purl.oclc.org/ooxml/spreadsheetml/main\" xmlns:r=\"" + strictRel + "\">"
         "<workbookPr dateCompatibility=\"0\"/><sheets><sheet name=\"名单\" sheetId=\"1\" r:id=\"rId1\"/></sheets></workbook>"},
        {QStringLiteral("xl/_rels/workbook.xml.rels"),
         "<?xml version=\"1.0\"?><Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">"
         "<Relationship Id=\"rId1\" Type=\"" + strictRel + "/worksheet\" Target=\"worksheets/sheet1.xml\"/>"
         "<Relationship Id=\"rId2\" Type=\"" + strictRel + "/sharedStrings\" Target=\"sharedStrings.xml\"/></Relationships>"},
        {QStringLiteral("xl/sharedStrings.xml"),
         "<?xml version=\"1.0\"?><sst xmlns=\"http://purl.oclc.org/ooxml/spreadsheetml/main\"><si><t>学号</t></si><si><t>姓名</t></si></sst>"},
        {QStringLiteral("xl/worksheets/sheet1.xml"),
         "<?xml version=\"1.0\"?><worksheet xmlns=\"http://purl.oclc.org/ooxml/spreadsheetml/main\"><sheetData>"
         "<row r=\"1\"><c r=\"A1\" t=\"s\"><v>0</v></c><c r=\"B1\" t=\"s\"><v>1</v></c></row>"
         "<row r=\"2\"><c r=\"A2\"><v>2023007</v></c></row></sheetData></worksheet>"},
    };
    QVERIFY(writeZip(file, strict));
    QVERIFY2(wb.open(file), qPrintable(wb.errorText()));
    QCOMPARE(wb.sheetName(), QStringLiteral("名单"));
    QCOMPARE(wb.text(QStringLiteral("a1")), QStringLiteral("学号"));
    QCOMPARE(wb.text(QStringLiteral("b1")), QStringLiteral("姓名"));
    QCOMPARE(wb.text(QStringLiteral("a2")), QStringLiteral("2023007"));
}

void tst_workbook::columnsRightOfTheCapAreNotKept()
{
    // A sheet of rows 16,000 cells wide: with a cap of 256 columns only those are kept.
    QByteArray rows;
    for (int r = 1; r <= 3; ++r) {
        rows += "<row r=\"" + QByteArray::number(r) + "\">";
        for (int c = 1; c <= 16000; ++c)
            rows += "<c><v>" + QByteArray::number(c) + "</v></c>";
        rows += "</row>";
    }
    const QString file = path(QStringLiteral("wide.xlsx"));
    QVERIFY(writeZip(file, simplePackage(sheetXml(rows))));
    Workbook wb;
    QVERIFY(wb.open(file, 0, 256));
    QCOMPARE(wb.text(3, 256), QStringLiteral("256"));
    QCOMPARE(wb.text(3, 257), QString());
    QCOMPARE(wb.columnCount(), 256);
    QCOMPARE(wb.rowCount(), 3);
    QVERIFY(wb.open(file));
    QCOMPARE(wb.text(3, 16000), QStringLiteral("16000"));
    QCOMPARE(wb.columnCount(), 16000);
}

void tst_workbook::unreadableKindsSayWhy()
{
    Workbook wb;
    // A binary workbook (.xlsb) is a zip too, but its parts are not XML.
    const QString xlsb = path(QStringLiteral("book.xlsb"));
    QVERIFY(writeZip(xlsb, {{QStringLiteral("[Content_Types].xml"), kContentTypes},
                            {QStringLiteral("_rels/.rels"), rootRels(QStringLiteral("xl/workbook.bin"))},
                            {QStringLiteral("xl/workbook.bin"), QByteArray("\x83\x01\x00\x80\x01\x00", 6)}}));
    QVERIFY(!wb.open(xlsb));
    QVERIFY2(wb.errorText().contains(QStringLiteral(".xlsb")), qPrintable(wb.errorText()));

    // A password-protected .xlsx is an OLE file holding EncryptionInfo and EncryptedPackage.
    auto utf16 = [](const char *name) {
        QByteArray b;
        for (const char *p = name; *p; ++p)
            b.append(*p).append('\0');
        return b;
    };
    const QString locked = path(QStringLiteral("locked.xlsx"));
    {
        QFile f(locked);
        QVERIFY(f.open(QIODevice::WriteOnly));
        QByteArray content = QByteArray("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8) + QByteArray(1016, '\0');
        content += utf16("EncryptionInfo") + QByteArray(100, '\0') + utf16("EncryptedPackage") + QByteArray(3000, '\0');
        f.write(content);
    }
    QVERIFY(!wb.open(locked));
    QCOMPARE(wb.errorText(), QStringLiteral("工作簿有密码保护，无法读取"));
    QVERIFY(!wb.isOpen());

    // An .xls saved with a password to open.
    QVERIFY(!wb.open(QStringLiteral(QUORVANE_FIXTURE_DIR "/password.xls")));
    QCOMPARE(wb.errorText(), QStringLiteral("工作簿有密码保护，无法读取"));
    QCOMPARE(wb.rowCount(), 0);
}

void tst_workbook::xlsWithEmptyTexts()
{
    // An empty text in the shared strings (as Excel keeps texts) or in a cell of its own: FreeXL
    // alone refuses both files; they read, the empty cell as empty.
    for (const char *name : {"empty-text-sst.xls", "empty-text-label.xls"}) {
        const QString file = QStringLiteral(QUORVANE_FIXTURE_DIR "/") + QLatin1String(name);
        Workbook wb;
        QVERIFY2(wb.open(file), qPrintable(QLatin1String(name) + QLatin1Char(' ') + wb.errorText()));
        QCOMPARE(wb.format(), Workbook::Format::Xls);
        QCOMPARE(wb.sheetName(), QStringLiteral("学生"));
        QCOMPARE(wb.text(QStringLiteral("e1")), QStringLiteral("文理倾向"));
        QCOMPARE(wb.text(2, 5), QStringLiteral("理科"));
        QCOMPARE(wb.text(3, 2), QStringLiteral("李四"));
        QCOMPARE(wb.text(3, 5), QString());
        QCOMPARE(wb.text(3, 3), QStringLiteral("3"));
        QCOMPARE(wb.text(4, 1), QStringLiteral("2023003"));
        QCOMPARE(wb.rowCount(), 81);
        QCOMPARE(wb.text(81, 1), QStringLiteral("2023080"));
        QCOMPARE(wb.text(81, 5), QStringLiteral("不限"));
        QVERIFY(wb.open(file, 3));
        QCOMPARE(wb.rowCount(), 3);
    }
    // The file itself is left as it was, and no repaired copy is left behind.
    QFile original(QStringLiteral(QUORVANE_FIXTURE_DIR "/empty-text-sst.xls"));
    QVERIFY(original.open(QIODevice::ReadOnly));
    const QByteArray bytes = original.readAll();
    original.close();
    Workbook wb;
    QVERIFY(wb.open(original.fileName()));
    QVERIFY(original.open(QIODevice::ReadOnly));
    QCOMPARE(original.readAll(), bytes);
    QCOMPARE(QDir(QDir::tempPath()).entryList({QStringLiteral("quorvane-*.xls")}, QDir::Files), QStringList());

    // Damaged copies (cut short, bytes changed all over) are refused or read, never a crash.
    int refused = 0;
    for (int cut = 512; cut < bytes.size(); cut += 1531) {
        const QString file = path(QStringLiteral("cut-%1.xls").arg(cut));
        QFile f(file);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(bytes.left(cut));
        f.close();
        refused += wb.open(file) ? 0 : 1;
    }
    QVERIFY(refused > 0);
    damagedCopiesAreRefusedOrRead(bytes, 12345, 40, 6, 512, QStringLiteral("damaged.xls"));
}

void tst_workbook::smallXlsInTheMiniStream()
{
    // A short list whose workbook stream lies in the compound file's mini stream (with an empty
    // text in it too), and the same list in a stream of exactly 4096 bytes beside a mini stream:
    // FreeXL alone cannot read either at all.
    const QString file = QStringLiteral(QUORVANE_FIXTURE_DIR "/small-list.xls");
    Workbook wb;
    for (const QString &name : {file, QStringLiteral(QUORVANE_FIXTURE_DIR "/exact-4096.xls")}) {
        QVERIFY2(wb.open(name), qPrintable(name + QLatin1Char(' ') + wb.errorText()));
        QCOMPARE(wb.format(), Workbook::Format::Xls);
        QCOMPARE(wb.sheetName(), QStringLiteral("学生"));
        QCOMPARE(wb.text(QStringLiteral("a1")), QStringLiteral("学号"));
        QCOMPARE(wb.text(QStringLiteral("e1")), QStringLiteral("文理倾向"));
        QCOMPARE(wb.text(2, 2), QStringLiteral("张三"));
        QCOMPARE(wb.text(3, 1), QStringLiteral("2023002"));
        QCOMPARE(wb.text(3, 3), QStringLiteral("3班"));
        QCOMPARE(wb.text(3, 5), QString());
        QCOMPARE(wb.text(4, 5), QStringLiteral("文科"));
        QCOMPARE(wb.rowCount(), 4);
        QCOMPARE(wb.columnCount(), 5);
    }

    // Cut short or damaged: refused or read, never a crash.
    QFile f(file);
    QVERIFY(f.open(QIODevice::ReadOnly));
    const QByteArray bytes = f.readAll();
    for (int cut = 1; cut <= 8; ++cut)
        damagedCopiesAreRefusedOrRead(bytes.left(512 * cut), 0, 1, 0, 0, QStringLiteral("small-cut.xls"));
    damagedCopiesAreRefusedOrRead(bytes, 777, 52, 4, 76, QStringLiteral("small-damaged.xls"));
}

void tst_workbook::xlsActiveAndHiddenSheets()
{
    // A hidden first sheet, a note, and the list as the active tab: the list is read.
    const QString fixture = QStringLiteral(QUORVANE_FIXTURE_DIR "/active-sheet.xls");
    Workbook wb;
    QVERIFY2(wb.open(fixture), qPrintable(wb.errorText()));
    QCOMPARE(wb.sheetName(), QStringLiteral("名单"));
    QCOMPARE(wb.text(QStringLiteral("a1")), QStringLiteral("学号"));
    QCOMPARE(wb.text(91, 1), QStringLiteral("2024090"));

    QFile f(fixture);
    QVERIFY(f.open(QIODevice::ReadOnly));
    const QByteArray bytes = f.readAll();
    // The active tab is one byte pair of the WINDOW1 record; each sheet's visibility one byte of
    // its BOUNDSHEET record (the stream lies in order in this small file).
    const int window1 = int(bytes.indexOf(QByteArray("\x3d\x00\x12\x00", 4)));
    QVERIFY(window1 > 0);
    QList<int> boundSheets;
    for (int at = int(bytes.indexOf(QByteArray("\x85\x00\x0c\x00", 4))); at >= 0; at = int(bytes.indexOf(QByteArray("\x85\x00\x0c\x00", 4), at + 1)))
        boundSheets << at;
    QCOMPARE(boundSheets.size(), 3);
    auto variant = [&](int activeTab, const QList<int> &hidden) {
        QByteArray b = bytes;
        b[window1 + 4 + 10] = char(activeTab);
        for (int i : hidden)
            b[boundSheets[i] + 4 + 4] = 1;
        const QString file = path(QStringLiteral("variant.xls"));
        QFile out(file);
        out.open(QIODevice::WriteOnly | QIODevice::Truncate);
        out.write(b);
        return file;
    };
    // The active tab on the hidden sheet: the first visible sheet is read.
    QVERIFY(wb.open(variant(0, {})));
    QCOMPARE(wb.sheetName(), QStringLiteral("说明"));
    QCOMPARE(wb.text(2, 1), QStringLiteral("请填写名单"));
    QVERIFY(wb.open(variant(1, {})));
    QCOMPARE(wb.sheetName(), QStringLiteral("说明"));
    // A tab index past the last sheet: the first visible sheet.
    QVERIFY(wb.open(variant(7, {})));
    QCOMPARE(wb.sheetName(), QStringLiteral("说明"));
    // Every sheet hidden: nothing to read.
    QVERIFY(!wb.open(variant(2, {0, 1, 2})));
    QCOMPARE(wb.errorText(), QStringLiteral("工作簿中没有可读取的工作表"));
}

void tst_workbook::xlsFormulasReadTheirStoredResults()
{
    // Formula cells show the result Excel stored with them (FreeXL alone reads them empty):
    // numbers by the one number rule, a date in a date format, texts, truth values and errors.
    const QString fixture = QStringLiteral(QUORVANE_FIXTURE_DIR "/formulas.xls");
    Workbook wb;
    QVERIFY2(wb.open(fixture), qPrintable(wb.errorText()));
    QCOMPARE(wb.sheetName(), QStringLiteral("成绩"));
    QCOMPARE(wb.text(QStringLiteral("e1")), QStringLiteral("分数"));
    QCOMPARE(wb.text(QStringLiteral("e2")), QStringLiteral("88.5"));
    QCOMPARE(wb.text(QStringLiteral("e3")), QStringLiteral("2.4"));
    QCOMPARE(wb.text(QStringLiteral("f2")), QStringLiteral("2023-09-01"));
    QCOMPARE(wb.text(QStringLiteral("g2")), QStringLiteral("缺考"));
    QCOMPARE(wb.text(QStringLiteral("g3")), QStringLiteral("TRUE"));
    QCOMPARE(wb.text(QStringLiteral("g4")), QStringLiteral("#DIV/0!"));
    QCOMPARE(wb.text(QStringLiteral("g5")), QString());
    QCOMPARE(wb.text(QStringLiteral("g6")), QStringLiteral("ok"));
    // Cells around them are as written.
    QCOMPARE(wb.text(QStringLiteral("a2")), QStringLiteral("1"));
    QCOMPARE(wb.text(QStringLiteral("b6")), QStringLiteral("学生5"));
    QCOMPARE(wb.text(QStringLiteral("c3")), QStringLiteral("42"));
    QCOMPARE(wb.text(QStringLiteral("e7")), QStringLiteral("0.25"));
    QCOMPARE(wb.text(121, 2), QStringLiteral("学生120"));
    QCOMPARE(wb.rowCount(), 121);

    // Damaged copies: refused or read, never a crash.
    QFile f(fixture);
    QVERIFY(f.open(QIODevice::ReadOnly));
    const QByteArray bytes = f.readAll();
    quint32 seed = 4242;
    for (int round = 0; round < 40; ++round) {
        QByteArray damaged = bytes;
        for (int k = 0; k < 8; ++k) {
            seed = seed * 1103515245u + 12345u;
            const int at = 512 + int((seed >> 8) % quint32(damaged.size() - 512));
            damaged[at] = char(seed >> 24);
        }
        const QString copy = path(QStringLiteral("formulas-damaged.xls"));
        QFile out(copy);
        QVERIFY(out.open(QIODevice::WriteOnly | QIODevice::Truncate));
        out.write(damaged);
        out.close();
        if (!wb.open(copy))
            QVERIFY(!wb.errorText().isEmpty());
    }
}

void tst_workbook::xlsChineseBuiltInDateFormats()
{
    // Built-in 31 (yyyy"年"m"月"d"日") and 32 (h"时"mm"分") without FORMAT records of their own:
    // a date and a time as for .xlsx, a plain number beside them stays a number.
    Workbook wb;
    QVERIFY2(wb.open(QStringLiteral(QUORVANE_FIXTURE_DIR "/cjk-dates.xls")), qPrintable(wb.errorText()));
    QCOMPARE(wb.text(QStringLiteral("a1")), QStringLiteral("日期"));
    QCOMPARE(wb.text(QStringLiteral("a2")), QStringLiteral("2023-09-01"));
    QCOMPARE(wb.text(QStringLiteral("b2")), QStringLiteral("12:00:00"));
    QCOMPARE(wb.text(QStringLiteral("c2")), QStringLiteral("45170"));
    QCOMPARE(wb.text(QStringLiteral("a200")), QStringLiteral("填充200"));
}

void tst_workbook::xlsTruthAndErrorValues()
{
    // As for .xlsx: TRUE, FALSE and the error's code, not the 1 and 0 FreeXL gives for them (an
    // error pasted into a score column would otherwise read as the score 1); real 1 and 0 stay.
    Workbook wb;
    QVERIFY2(wb.open(QStringLiteral(QUORVANE_FIXTURE_DIR "/truth-values.xls")), qPrintable(wb.errorText()));
    QCOMPARE(wb.text(QStringLiteral("a2")), QStringLiteral("TRUE"));
    QCOMPARE(wb.text(QStringLiteral("b2")), QStringLiteral("FALSE"));
    QCOMPARE(wb.text(QStringLiteral("c2")), QStringLiteral("1"));
    QCOMPARE(wb.text(QStringLiteral("d2")), QStringLiteral("0"));
    QCOMPARE(wb.text(QStringLiteral("c3")), QStringLiteral("#DIV/0!"));
    QCOMPARE(wb.text(QStringLiteral("d3")), QStringLiteral("#N/A"));
    QCOMPARE(wb.text(QStringLiteral("b4")), QStringLiteral("4"));
}

using CellTexts = QMap<QString, QString>; // "row,column" from 1: text

void tst_workbook::xlsCellsAsTheImportsReadThem_data()
{
    // Each sheet is read within the rows and columns asked (the student import reads 6000 rows of
    // A to E, the score import A to C), and every cell kept is compared.
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<int>("maxRows");
    QTest::addColumn<int>("maxCols");
    QTest::addColumn<CellTexts>("cells");
    QTest::addColumn<int>("beyond");  // rows after maxRows with a text in the columns read
    QTest::addColumn<QString>("reason"); // empty: the sheet reads
    auto at = [](int row, int col) { return QStringLiteral("%1,%2").arg(row).arg(col); };
    auto sst = [&](int row, int col, quint32 index) {
        QByteArray i(4, '\0');
        put32(i, 0, index);
        return xlsRecord(0x00FD, xlsCell(row, col, i));
    };
    const QByteArray twoAndAHalf("\0\0\0\0\0\0\x04\x40", 8); // a NUMBER's value

    // A sheet whose size says 65536 rows by 256 columns, from a value in its last cell: a table of
    // that size needs 256 MB, more than the reader may take. Row 1 holds texts, a truth value, an
    // inline text and a number (F1 is not read); rows 2 to 6005 the numbers 10 r + c in A to G; rows
    // after 6000 only partly count: blank, an empty text, a number right of E, a text in D.
    const QByteArray strings = xlsSharedStrings({{QStringLiteral("学号"), 0}, {QStringLiteral("姓名"), 0}, {QStringLiteral("备注"), 0},
                                                 {QString(), 0}, {QStringLiteral("x"), 0}});
    QByteArray wide = xlsDimensions(65536, 256) + sst(0, 0, 0) + sst(0, 1, 1) + xlsRecord(0x0205, xlsCell(0, 2, QByteArray("\x01\x00", 2)))
        + xlsRecord(0x0204, xlsCell(0, 3, QByteArray("\x02\x00\x01\xed\x73\xa7\x7e", 7))) // 班级, two bytes a character
        + xlsRecord(0x0203, xlsCell(0, 4, twoAndAHalf)) + sst(0, 5, 2);
    for (int r = 2; r <= 6005; ++r)
        wide += xlsMulrk(r - 1, 0, {10 * r + 1, 10 * r + 2, 10 * r + 3, 10 * r + 4, 10 * r + 5, 10 * r + 6, 10 * r + 7});
    wide += xlsRecord(0x0201, xlsCell(6005, 0)) + sst(6006, 0, 3) + xlsRecord(0x0203, xlsCell(6007, 5, QByteArray(8, '\0'))) + sst(6008, 3, 4)
        + xlsRecord(0x0205, xlsCell(65534, 2, QByteArray("\x00\x00", 2))) + xlsRecord(0x0203, xlsCell(65535, 255, QByteArray(8, '\0')));
    const QByteArray wideFile = xlsCompoundFile(xlsOfOneSheet(strings, wide));
    auto wideCells = [&](int columns) {
        CellTexts cells;
        const QStringList first = {QStringLiteral("学号"), QStringLiteral("姓名"), QStringLiteral("TRUE"), QStringLiteral("班级"), QStringLiteral("2.5")};
        for (int c = 1; c <= columns; ++c) {
            cells.insert(at(1, c), first[c - 1]);
            for (int r = 2; r <= 6000; ++r)
                cells.insert(at(r, c), QString::number(10 * r + c));
        }
        return cells;
    };
    QTest::newRow("65536 x 256 sheet, student import") << wideFile << 6000 << 5 << wideCells(5) << 5 + 1 + 1 << QString();
    QTest::newRow("65536 x 256 sheet, score import") << wideFile << 6000 << 3 << wideCells(3) << 5 + 1 << QString();
    QTest::newRow("65536 x 256 sheet, all of it") << wideFile << 0 << 0 << CellTexts() << 0
                                                 << QStringLiteral("读取所需内存超过限制，文件过大或已损坏");
    // FreeXL gives the same answer for a record it refuses (here the workbook's version): no memory reason then.
    QByteArray badVersion = xlsOfOneSheet(QByteArray(), xlsDimensions(1, 1) + xlsRecord(0x0203, xlsCell(0, 0, twoAndAHalf)));
    put16(badVersion, 4, 0x0700);
    QTest::newRow("unknown version") << xlsContainer(badVersion) << 6000 << 5 << CellTexts() << 0
                                     << QStringLiteral("工作簿文件已损坏、有密码保护或不是Excel工作簿");
    // A chart embedded in a sheet is a substream within the sheet's (here with a value of its
    // series): FreeXL took its end for the sheet's and refused the file.
    QByteArray chart(16, '\0');
    put16(chart, 0, 0x0600);
    put16(chart, 2, 0x0020);
    const QByteArray charted = xlsDimensions(1, 1) + xlsRecord(0x0203, xlsCell(0, 0, twoAndAHalf)) + xlsRecord(0x0809, chart)
        + xlsRecord(0x0203, xlsCell(0, 1, twoAndAHalf)) + xlsRecord(0x000A, QByteArray()) + xlsRecord(0x023E, QByteArray(18, '\0'));
    QTest::newRow("sheet with a chart") << xlsContainer(xlsOfOneSheet(QByteArray(), charted)) << 6000 << 5
                                        << CellTexts{{at(1, 1), QStringLiteral("2.5")}} << 0 << QString();

    // Shared texts over many records: 20,000 one-byte characters over three, 30,000 Chinese ones
    // with 3,000 formatting runs over ten, 20,000 mixed ones over six, an empty one, short ones
    // between them.
    QString latin;
    QString chinese;
    QString mixed;
    for (int i = 0; i < 30000; ++i) {
        latin += QChar(u'a' + (i * 7) % 26);
        chinese += QChar(char16_t(0x4E00 + (i * 13) % 20000));
        mixed += i % 3 ? QChar(u'0' + i % 10) : QChar(char16_t(0x9FA5 - i % 1000));
    }
    latin.truncate(20000);
    mixed.truncate(20000);
    const std::vector<std::pair<QString, int>> texts = {{QStringLiteral("学号"), 0}, {latin, 0},  {QStringLiteral("张三"), 0}, {chinese, 3000},
                                                        {QStringLiteral("李四"), 0}, {mixed, 0}, {QString(), 0},             {QStringLiteral("王五"), 1}};
    QByteArray texted = xlsDimensions(3, 5);
    CellTexts textCells;
    for (int i = 0; i < int(texts.size()); ++i) {
        texted += sst(i / 3, i % 3, quint32(i));
        if (!texts[i].first.isEmpty())
            textCells.insert(at(i / 3 + 1, i % 3 + 1), texts[i].first);
    }
    texted += xlsRecord(0x0203, xlsCell(2, 4, twoAndAHalf));
    textCells.insert(at(3, 5), QStringLiteral("2.5"));
    const QByteArray table = xlsSharedStrings(texts);
    QTest::newRow("long shared texts") << xlsCompoundFile(xlsOfOneSheet(table, texted)) << 6000 << 5 << textCells << 0 << QString();
    // The same table without its last record: the texts it ends are not there to read.
    qsizetype last = 0;
    for (qsizetype next = 0; next + 4 <= table.size(); next += 4 + le16(table, next + 2))
        last = next;
    QTest::newRow("shared texts cut short") << xlsCompoundFile(xlsOfOneSheet(table.left(last), texted)) << 6000 << 5 << CellTexts() << 0
                                            << QStringLiteral("工作簿文件已损坏或不完整");
    // A shared text whose pieces change width at each CONTINUE: one byte a character, two, then
    // one again.
    const QString changing = latin.left(9000) + chinese.left(4000) + latin.left(9000);
    QTest::newRow("shared text changing width") << xlsCompoundFile(xlsOfOneSheet(xlsSharedStrings({{changing, 0}}), xlsDimensions(1, 1) + sst(0, 0, 0)))
                                                << 6000 << 5 << CellTexts{{at(1, 1), changing}} << 0 << QString();

    // Formula results stored as long texts, over a STRING record and CONTINUE records (the first
    // changing width as above), beside a short one; the one in row 4 is counted beyond row 2.
    const QByteArray formulas = xlsDimensions(4, 2) + xlsFormulaText(0, 0, changing) + xlsFormulaText(0, 1, QStringLiteral("缺考"))
        + xlsFormulaText(1, 0, chinese.left(10000)) + xlsFormulaText(3, 0, latin);
    QTest::newRow("long formula texts") << xlsCompoundFile(xlsOfOneSheet(QByteArray(), formulas)) << 2 << 5
                                        << CellTexts{{at(1, 1), changing}, {at(1, 2), QStringLiteral("缺考")}, {at(2, 1), chinese.left(10000)}}
                                        << 1 << QString();
    // The first one without its last CONTINUE record: the text is not there whole.
    QByteArray cutFormula = xlsFormulaText(0, 0, changing);
    for (qsizetype next = 0; next + 4 <= cutFormula.size(); next += 4 + le16(cutFormula, next + 2))
        last = next;
    cutFormula.truncate(last);
    QTest::newRow("formula text cut short") << xlsCompoundFile(xlsOfOneSheet(QByteArray(), xlsDimensions(2, 1) + cutFormula + xlsRecord(0x0203, xlsCell(1, 0, twoAndAHalf))))
                                            << 6000 << 5 << CellTexts() << 0 << QStringLiteral("工作簿文件已损坏或不完整");

    // Formula texts in one STRING record of up to a record's limit, as a writer fills one: as a
    // LABEL they would pass the limit, where FreeXL stops reading. Cells follow in their row and the
    // next; the same text in a first sheet before the second one read.
    const QByteArray after = xlsNumber(0, 1, 2.5) + xlsNumber(1, 0, 2.5);
    const CellTexts afterCells{{at(1, 2), QStringLiteral("2.5")}, {at(2, 1), QStringLiteral("2.5")}};
    for (const QString &text : {chinese.left(4108), chinese.left(4109), chinese.left(4110), latin.left(8216), latin.left(8221)}) {
        const QByteArray sheet = xlsDimensions(2, 2) + xlsFormulaText(0, 0, text) + after;
        const QString size = QStringLiteral("%1 %2").arg(text.size()).arg(text.at(0).unicode() > 0xFF ? "Chinese" : "Latin");
        CellTexts cells = afterCells;
        cells.insert(at(1, 1), text);
        QTest::addRow("formula text of %s characters in one record", qPrintable(size))
            << xlsCompoundFile(xlsOfOneSheet(QByteArray(), sheet)) << 6000 << 5 << cells << 0 << QString();
        QTest::addRow("formula text of %s characters in the sheet before", qPrintable(size))
            << xlsCompoundFile(xlsOfSheets(xlsActiveTab(1), {sheet, xlsDimensions(2, 2) + after})) << 6000 << 5 << afterCells << 0 << QString();
    }
    // Records of the file itself over the limit, between cells: read whole or refused, never in part.
    QTest::newRow("LABEL of 8217 characters")
        << xlsCompoundFile(xlsOfOneSheet(QByteArray(), xlsDimensions(2, 2) + xlsLabel(0, 0, latin.left(8217)) + after))
        << 6000 << 5 << CellTexts() << 0 << QStringLiteral("工作簿文件已损坏或不完整");
    QTest::newRow("unknown record of 8225 bytes")
        << xlsCompoundFile(xlsOfOneSheet(QByteArray(), xlsDimensions(2, 2) + xlsNumber(0, 0, 2.5) + xlsRecord(0x0FFF, QByteArray(8225, 'x')) + after))
        << 6000 << 5 << CellTexts() << 0 << QStringLiteral("工作簿文件已损坏或不完整");
}

void tst_workbook::xlsCellsAsTheImportsReadThem()
{
    QFETCH(QByteArray, file);
    QFETCH(int, maxRows);
    QFETCH(int, maxCols);
    QFETCH(CellTexts, cells);
    QFETCH(int, beyond);
    QFETCH(QString, reason);
    const QString name = path(QStringLiteral("imported.xls"));
    QVERIFY(writeFile(name, file));
    Workbook wb;
    const bool read = wb.open(name, maxRows, maxCols);
    if (!reason.isEmpty()) {
        QVERIFY(!read);
        QCOMPARE(wb.errorText(), reason);
        return;
    }
    QVERIFY2(read, qPrintable(wb.errorText()));
    CellTexts got;
    wb.forEachCell([&](int r, int c, const QString &text) { got.insert(QStringLiteral("%1,%2").arg(r).arg(c), text); });
    for (auto it = cells.constBegin(); it != cells.constEnd(); ++it)
        QVERIFY2(got.value(it.key()) == it.value(), qPrintable(it.key() + QLatin1Char(' ') + got.value(it.key()).left(60)));
    QCOMPARE(got.size(), cells.size());
    QCOMPARE(wb.rowsBeyondLimit(), beyond);
}

void tst_workbook::oversizedPartsAreNotUnpacked()
{
    // A sheet declared at 300 MB: refused as too large from the declared size alone, at once.
    const QByteArray sheet = sheetXml("<row><c t=\"s\"><v>0</v></c></row>");
    Parts parts = simplePackage(sheet);
    // (writeZip keeps the parts' bytes until the package is closed.)
    parts[3].second.replace("</Relationships>",
                            "<Relationship Id=\"rId2\" Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/sharedStrings\" "
                            "Target=\"sharedStrings.xml\"/></Relationships>");
    parts.push_back({QStringLiteral("xl/sharedStrings.xml"),
                     "<?xml version=\"1.0\"?><sst xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\"><si><t>学号</t></si></sst>"});
    const QString file = path(QStringLiteral("declared.xlsx"));
    QVERIFY(writeZip(file, parts));
    Workbook wb;
    QVERIFY(wb.open(file));
    QCOMPARE(wb.text(1, 1), QStringLiteral("学号"));

    QVERIFY(declareSize(file, "xl/worksheets/sheet1.xml", 300u * 1024 * 1024));
    QVERIFY(!wb.open(file));
    QCOMPARE(wb.errorText(), QStringLiteral("文件过大"));
}

QTEST_MAIN(tst_workbook)
#include "tst_workbook.moc"
