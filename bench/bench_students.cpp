// Student export and import of 3,000 generated students, each beside a reference measured in the
// same run:
//   student_export: stuinputok1 to an .xlsx, against writing the same cells with bare libxlsxwriter;
//   student_import: stuinputok0 (clear, append) from that file, against reading the same cells
//                   with bare libzip + QXmlStreamReader and inserting them with one prepared
//                   statement in one transaction.
// The import of 3,000 students is expected to stay under one second.
#include "bench.h"
#include "generate.h"

#include "shell/database.h"
#include "shell/excelio.h"
#include "shell/services.h"
#include "shell/studentio.h"
#include "shell/workbook.h"

#include <QFile>
#include <QSqlQuery>
#include <QVariant>
#include <QVector>
#include <QXmlStreamReader>

#include <xlsxwriter.h>
#include <zip.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <deque>
#include <stdexcept>
#include <vector>

using namespace quorvane;

namespace {

using Row = std::array<QString, 5>;

QByteArray readEntry(zip_t *z, const char *name)
{
    QByteArray out;
    zip_stat_t st;
    if (zip_stat(z, name, 0, &st) != 0)
        return out;
    zip_file_t *f = zip_fopen(z, name, 0);
    if (!f)
        return out;
    out.resize(qsizetype(st.size));
    zip_fread(f, out.data(), st.size);
    zip_fclose(f);
    return out;
}

// The reference reader: the fixed part names libxlsxwriter writes, shared strings and the sheet.
std::vector<Row> bareRead(const QString &path)
{
    std::vector<Row> rows;
    int err = 0;
    zip_t *z = zip_open(QFile::encodeName(path).constData(), ZIP_RDONLY, &err);
    if (!z)
        return rows;
    QVector<QString> shared;
    {
        QXmlStreamReader xml(readEntry(z, "xl/sharedStrings.xml"));
        while (!xml.atEnd())
            if (xml.readNext() == QXmlStreamReader::StartElement && xml.name() == QLatin1String("t"))
                shared.append(xml.readElementText());
    }
    QXmlStreamReader xml(readEntry(z, "xl/worksheets/sheet1.xml"));
    int col = 0;
    bool isShared = false;
    while (!xml.atEnd()) {
        const auto tok = xml.readNext();
        if (tok != QXmlStreamReader::StartElement)
            continue;
        if (xml.name() == QLatin1String("row")) {
            rows.emplace_back();
            col = 0;
        } else if (xml.name() == QLatin1String("c")) {
            const auto r = xml.attributes().value(QLatin1String("r"));
            col = r.isEmpty() ? col + 1 : r.at(0).unicode() - 'A' + 1;
            isShared = xml.attributes().value(QLatin1String("t")) == QLatin1String("s");
        } else if (xml.name() == QLatin1String("v") && !rows.empty() && col >= 1 && col <= 5) {
            const QString v = xml.readElementText();
            rows.back()[size_t(col - 1)] = isShared ? shared.value(v.toInt()) : v;
        }
    }
    zip_discard(z);
    return rows;
}

// The reference writer: the same select and the same text cells with bare libxlsxwriter.
void bareWrite(const QSqlDatabase &db, const QString &path)
{
    lxw_workbook *wb = workbook_new(QFile::encodeName(path).constData());
    lxw_worksheet *ws = workbook_add_worksheet(wb, nullptr);
    lxw_format *fmt = workbook_add_format(wb);
    format_set_font_size(fmt, 10);
    format_set_num_format(fmt, "@");
    const char *heads[] = {"学号", "姓名", "班级", "座号", "文理倾向"};
    for (int c = 0; c < 5; ++c)
        worksheet_write_string(ws, 0, lxw_col_t(c), heads[c], fmt);
    QSqlQuery q = prepare(db, QStringLiteral("SELECT stid, stname, stclass, stclassno, keflag FROM stinfo ORDER BY stid"));
    q.exec();
    lxw_row_t r = 0;
    while (q.next()) {
        ++r;
        for (int c = 0; c < 5; ++c) {
            const QString text = c == 4 ? streamText(q.value(4)) : c >= 2 ? numberText(q.value(c).toDouble()) : q.value(c).toString();
            worksheet_write_string(ws, r, lxw_col_t(c), text.toUtf8().constData(), fmt);
        }
    }
    if (workbook_close(wb) != LXW_NO_ERROR)
        std::printf("reference export failed\n");
}

int countStudents(const QSqlDatabase &db)
{
    QSqlQuery q = prepare(db, QStringLiteral("SELECT count(*) FROM stinfo"));
    q.exec();
    q.next();
    return q.value(0).toInt();
}

void run()
{
    bench::School school;
    auto quiet = std::make_unique<bench::QuietServices>();
    bench::QuietServices &ui = *quiet;
    services::install(std::move(quiet));

    StudentIoContext ctx;
    ctx.db = school.cohort();
    ctx.cohortYear = school.spec().year;
    int steps = 0;
    ctx.progress = [&](int) { ++steps; };
    const QString file = school.folder() + QStringLiteral("2023学生信息.xlsx");
    const QString refFile = school.folder() + QStringLiteral("reference.xlsx");
    const int students = countStudents(ctx.db);

    const bench::Line exportLine = bench::alternate({[&] { stuinputok1(file, ctx); }}, {[&] { bareWrite(ctx.db, refFile); }});
    if (ui.last != QStringLiteral("学生信息导出完毕，请认真检查是否正确。"))
        std::printf("student export did not finish: %s\n", qPrintable(ui.last));
    bench::report("student_export", exportLine);

    ExcelIo excel{studentExcelTexts()};
    StudentImportResult result;
    const bench::Side import{.run =
                                 [&] {
                                     result = stuinputok0(excel, file, ctx);
                                     excel.el_closeexcel();
                                 },
                             .before = [&] { ui.answers = {MsgAnswer::Yes, MsgAnswer::Yes}; }, // clear the register, then append
                             .after =
                                 [&] {
                                     if (!result.finished || result.added != students || countStudents(ctx.db) != students)
                                         std::printf("student import incomplete: %d of %d students\n", result.added, students);
                                 }};
    const bench::Side reference{[&] {
        const std::vector<Row> rows = bareRead(file);
        QSqlDatabase db = ctx.db;
        Transaction tx(db);
        execSql(db, QStringLiteral("DELETE FROM stinfo"));
        QSqlQuery q = prepare(db, QStringLiteral("INSERT INTO stinfo(stid, stname, stclass, stclassno, keflag) VALUES(?, ?, ?, ?, ?)"));
        for (size_t i = 1; i < rows.size(); ++i) {
            q.bindValue(0, rows[i][0]);
            q.bindValue(1, rows[i][1]);
            q.bindValue(2, rows[i][2].toDouble());
            q.bindValue(3, rows[i][3].toDouble());
            q.bindValue(4, std::max(1, streamCode(rows[i][4]))); // as the import stores it: 1 for any other text
            q.exec();
        }
        tx.commit();
    }};
    const bench::Line importLine = bench::alternate(import, reference);
    bench::report("student_import", importLine);
    const double importMs = importLine.ours.wallMs();
    if (importMs >= 1000.0)
        std::printf("student_import of %d students took %.0f ms: over the one-second budget\n", students, importMs);
    services::install(std::make_unique<DesktopServices>());
}

bench::Registration reg("students", run);

} // namespace
