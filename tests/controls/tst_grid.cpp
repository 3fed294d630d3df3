// The list grid: heading row 0 and fixed column 0, texts, format strings, widths and merging.
#include "controls/grid/grid.h"

#include <QHeaderView>
#include <QSignalSpy>
#include <QtTest>

using namespace quorvane;

class GridTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void headingsTextsAndSizes()
    {
        Grid g;
        g.setRows(4);
        g.setFormatString(QStringLiteral("|^   姓  名 |^座号|^分数|^位置"));
        QCOMPARE(g.Cols(), 5);
        QCOMPARE(g.TextMatrix(0, 1), QStringLiteral("   姓  名 "));
        QCOMPARE(g.TextMatrix(0, 2), QStringLiteral("座号"));
        QCOMPARE(g.ColAlignment(2), int(Grid::CenterCenter));
        // A heading's column is at least as wide as its text; the longer heading gives the wider column.
        QVERIFY(g.ColWidth(1) > g.ColWidth(2));
        QVERIFY(g.ColWidth(2) >= g.textWidthTwips(QStringLiteral("座号")));

        g.setTextMatrix(1, 1, QStringLiteral("张三"));
        g.setTextMatrix(3, 4, QStringLiteral("101"));
        QCOMPARE(g.TextMatrix(1, 1), QStringLiteral("张三"));
        QCOMPARE(g.TextMatrix(3, 4), QStringLiteral("101"));
        QCOMPARE(g.TextMatrix(2, 2), QString());
        QCOMPARE(g.TextMatrix(9, 9), QString()); // outside: empty, no crash
        QCOMPARE(g.model()->rowCount(), 3);               // the heading row is the table's header

        // Growing and shrinking keep the texts that stay.
        g.setRows(2);
        QCOMPARE(g.TextMatrix(1, 1), QStringLiteral("张三"));
        g.setRows(6);
        QCOMPARE(g.TextMatrix(3, 4), QString());
        QCOMPARE(g.TextMatrix(0, 2), QStringLiteral("座号"));

        g.setColWidth(3, 1500);
        QCOMPARE(g.ColWidth(3), 1500);
        g.setRowHeight(2, 450);
        QCOMPARE(g.RowHeight(2), 450);

        g.Clear();
        QCOMPARE(g.TextMatrix(1, 1), QString());
        QCOMPARE(g.TextMatrix(0, 2), QString());
        QCOMPARE(g.Rows(), 6);
    }

    void currentCellAndFixedRows()
    {
        Grid g;
        g.setRows(5);
        g.setCols(3);
        g.setRow(3);
        g.setCol(2);
        QCOMPARE(g.Row(), 3);
        QCOMPARE(g.Col(), 2);
        g.setTextMatrix(0, 1, QStringLiteral("标题"));
        g.setTextMatrix(2, 1, QStringLiteral("x"));
        // Without fixed rows, row 0 becomes an ordinary table row and keeps its text.
        g.setFixedRows(0);
        QCOMPARE(g.model()->rowCount(), 5);
        QCOMPARE(g.TextMatrix(0, 1), QStringLiteral("标题"));
        QCOMPARE(g.TextMatrix(2, 1), QStringLiteral("x"));
        g.setFixedRows(1);
        QCOMPARE(g.model()->rowCount(), 4);
        QCOMPARE(g.TextMatrix(0, 1), QStringLiteral("标题"));
        QCOMPARE(g.TextMatrix(2, 1), QStringLiteral("x"));
    }

    void fixedCellsAreNotSelectable()
    {
        Grid g;
        g.setRows(3);
        g.setCols(4);
        for (int r = 1; r < 3; ++r)
            for (int c = 0; c < 4; ++c)
                g.setTextMatrix(r, c, QString::number(r * 10 + c));
        auto selectable = [&g](int r, int c) { return bool(g.cellIndex(r, c).flags() & Qt::ItemIsSelectable); };
        QVERIFY(!selectable(1, 0));
        QVERIFY(selectable(1, 1));
        g.setFixedCols(2);
        QVERIFY(!selectable(2, 1));
        QVERIFY(selectable(2, 2));
        g.setFixedCols(1);
        QVERIFY(selectable(2, 1));
        // Only the heading stays when the rows go; the grid grows again from there.
        g.setRows(1);
        QCOMPARE(g.model()->rowCount(), 0);
        g.setTextMatrix(0, 1, QStringLiteral("学号"));
        g.setRows(3);
        QCOMPARE(g.TextMatrix(0, 1), QStringLiteral("学号"));
        QCOMPARE(g.TextMatrix(1, 1), QString());
        g.setTextMatrix(2, 0, QStringLiteral("2"));
        QVERIFY(!selectable(2, 0));
    }

    void rowTextsAndWidths()
    {
        Grid g;
        g.setRows(4);
        g.setCols(3);
        g.setTextMatrix(2, 2, QStringLiteral("旧"));
        // A whole row at once: columns past the list are emptied, texts past the last column dropped.
        g.setRowTexts(2, {QString(), QStringLiteral("8")});
        g.setRowTexts(3, {QString(), QStringLiteral("123"), QStringLiteral("x"), QStringLiteral("外")});
        g.setRowTexts(0, {QString(), QStringLiteral("学号")});
        QCOMPARE(g.TextMatrix(2, 1), QStringLiteral("8"));
        QCOMPARE(g.TextMatrix(2, 2), QString());
        QCOMPARE(g.TextMatrix(3, 2), QStringLiteral("x"));
        QCOMPARE(g.TextMatrix(3, 3), QString());
        QCOMPARE(g.cellIndex(3, 1).data().toString(), QStringLiteral("123"));
        QCOMPARE(g.model()->headerData(1, Qt::Horizontal).toString(), QStringLiteral("学号"));

        // The widest text of a column below the heading, measured anew when the font changes.
        QCOMPARE(g.widestTextTwips(0, 1), 0);
        QCOMPARE(g.widestTextTwips(1, 1), g.textWidthTwips(QStringLiteral("123")));
        QVERIFY(g.widestTextTwips(1, 1) > g.textWidthTwips(QStringLiteral("8")));
        const int small = g.widestTextTwips(1, 1);
        QFont larger = g.font();
        larger.setPointSize(larger.pointSize() * 3);
        g.setFont(larger);
        QVERIFY(g.widestTextTwips(1, 1) > 2 * small);
        QCOMPARE(g.widestTextTwips(1, 1), QFontMetrics(larger).horizontalAdvance(QStringLiteral("123")) * Grid::TwipsPerPixel);
    }

    void alignmentAndMerging()
    {
        Grid g;
        g.setRows(5);
        g.setCols(3);
        auto alignment = [&g](int r, int c) { return g.cellIndex(r, c).data(Qt::TextAlignmentRole).toInt(); };
        g.setTextMatrix(1, 1, QStringLiteral("123"));
        g.setTextMatrix(2, 1, QStringLiteral("12.5"));
        // General alignment: digits only to the right, anything else to the left.
        QVERIFY(alignment(1, 1) & Qt::AlignRight);
        QVERIFY(alignment(2, 1) & Qt::AlignLeft);
        g.setCellAlignment(1, 1, Grid::CenterCenter);
        QCOMPARE(g.CellAlignment(1, 1), int(Grid::CenterCenter));
        QVERIFY(alignment(1, 1) & Qt::AlignHCenter);

        g.setMergeCol(2, true);
        for (int r = 1; r <= 3; ++r)
            g.setTextMatrix(r, 2, QStringLiteral("一班"));
        g.setMergeRow(4, true);
        g.setTextMatrix(4, 0, QStringLiteral("合计"));
        g.setTextMatrix(4, 1, QStringLiteral("合计"));
        g.applyMerges();
        QCOMPARE(g.rowSpan(0, 2), 3);
        QCOMPARE(g.columnSpan(3, 0), 2);
        QVERIFY(g.MergeCol(2));
        QVERIFY(!g.MergeCol(1));
    }

    // The view shows what the model told it: after each change, the cell reads its new text through
    // the model, and a dataChanged, a header change, an insertion or a reset covers it (the view
    // reads the model live, so only the signal shows that a view would repaint the cell).
    void viewIsToldOfChanges_data()
    {
        QTest::addColumn<int>("change");
        QTest::addColumn<int>("row");
        QTest::addColumn<int>("col");
        QTest::addColumn<QString>("shown");
        QTest::newRow("text") << 0 << 2 << 1 << QStringLiteral("新");
        QTest::newRow("heading") << 1 << 0 << 2 << QStringLiteral("科目");
        QTest::newRow("row texts") << 2 << 3 << 2 << QString();
        QTest::newRow("columns shrunk and grown") << 3 << 2 << 3 << QString();
        QTest::newRow("heading of a column shrunk and grown") << 3 << 0 << 2 << QString();
        QTest::newRow("rows shrunk and grown") << 4 << 3 << 1 << QString();
        QTest::newRow("cleared") << 5 << 1 << 1 << QString();
    }
    void viewIsToldOfChanges()
    {
        QFETCH(int, change);
        QFETCH(int, row);
        QFETCH(int, col);
        QFETCH(QString, shown);
        Grid g;
        g.setRows(4);
        g.setCols(4);
        for (int r = 0; r < 4; ++r)
            for (int c = 0; c < 4; ++c)
                g.setTextMatrix(r, c, QStringLiteral("%1%2").arg(r).arg(c));
        const QAbstractItemModel *m = g.model();
        QSignalSpy data(m, &QAbstractItemModel::dataChanged), header(m, &QAbstractItemModel::headerDataChanged),
            cols(m, &QAbstractItemModel::columnsInserted), rows(m, &QAbstractItemModel::rowsInserted),
            reset(m, &QAbstractItemModel::modelReset);
        switch (change) {
        case 0: // a cell
        case 1: // a heading
            g.setTextMatrix(row, col, shown);
            break;
        case 2: g.setRowTexts(row, {QString(), QStringLiteral("x")}); break;
        case 3: g.setCols(2); g.setCols(4); break;
        case 4: g.setRows(2); g.setRows(4); break;
        default: g.Clear(); break;
        }
        QCOMPARE(g.TextMatrix(row, col), shown);
        QCOMPARE(row == 0 ? m->headerData(col, Qt::Horizontal).toString() : g.cellIndex(row, col).data().toString(), shown);
        const auto within = [](const QList<QVariant> &args, int first, int last, int at) {
            return args.at(first).toInt() <= at && at <= args.at(last).toInt();
        };
        bool covered = !reset.isEmpty();
        for (const QList<QVariant> &a : cols)
            covered = covered || within(a, 1, 2, col);
        for (const QList<QVariant> &a : header)
            covered = covered || (row == 0 && within(a, 1, 2, col));
        for (const QList<QVariant> &a : rows)
            covered = covered || (row > 0 && within(a, 1, 2, row - 1));
        for (const QList<QVariant> &a : data) {
            const auto from = a.at(0).toModelIndex(), to = a.at(1).toModelIndex();
            covered = covered || (row > 0 && from.row() <= row - 1 && row - 1 <= to.row() && from.column() <= col && col <= to.column());
        }
        QVERIFY(covered);
    }
};

QTEST_MAIN(GridTest)
#include "tst_grid.moc"
