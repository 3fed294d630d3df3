#include "generate.h"

#include "shell/database.h"
#include "shell/schema.h"

#include <QFile>
#include <QSqlQuery>
#include <QVariant>
#include <algorithm>
#include <cmath>
#include <stdexcept>
#include <vector>

namespace quorvane::bench {

namespace {

const char *const kSurnames[] = {"王", "李", "张", "刘", "陈", "杨", "黄", "赵", "吴", "周", "徐", "孙", "马", "朱", "胡", "郭", "何", "高", "林", "罗"};
const char *const kGiven[] = {"伟", "芳", "娜", "敏", "静", "丽", "强", "磊", "军", "洋", "勇", "艳", "杰", "娟", "涛", "明", "超", "秀英", "霞", "平",
                              "刚", "桂英", "浩然", "子涵", "欣怡", "梓轩", "雨桐", "宇航", "思远", "嘉怡"};
const char *const kBuildings[] = {"教学楼", "实验楼", "综合楼", "科技楼"};

// Subject k: full mark, who sits it (1 all, 2 arts, 3 science), objective part of the full mark.
struct SubjectPlan { double full; int who; double objective; };
SubjectPlan planOf(int k)
{
    switch (k) {
    case 1: case 2: return {150, 1, 0};
    case 3: return {150, 1, 40};
    case 4: case 7: case 8: return {100, 2, 0};
    case 5: case 6: case 9: return {100, 3, 0};
    default: return {100, 1, 0};
    }
}

void check(bool ok, const char *what)
{
    if (!ok)
        throw std::runtime_error(what);
}

} // namespace

School::School(const SchoolSpec &spec) : m_spec(spec), m_dir(std::make_unique<QTemporaryDir>()), m_rng(spec.seed)
{
    check(m_dir->isValid(), "no temporary folder");
    const QString schema = QStringLiteral(QUORVANE_SCHEMA_DIR);
    check(createDatabaseFromSchema(schema + QStringLiteral("/system.sql"), systemPath()).isEmpty(), "system database");
    check(createDatabaseFromSchema(schema + QStringLiteral("/cohort.sql"), folder() + QStringLiteral("dbyear.mdb")).isEmpty(), "template");
    check(QFile::copy(folder() + QStringLiteral("dbyear.mdb"), cohortPath()), "cohort copy");
    setDataFolder(folder());
    static int serial = 0;
    ++serial;
    check(openDatabase(systemPath(), DbKind::System, QStringLiteral("bench-gen-system%1").arg(serial), &m_system), "open system");
    check(openDatabase(cohortPath(), DbKind::Cohort, QStringLiteral("bench-gen-cohort%1").arg(serial), &m_cohort), "open cohort");

    execSql(m_system, QStringLiteral("INSERT INTO dbsystable(dbyear, dbname, bjsum, startbj) VALUES(?, ?, ?, ?)"),
            {m_spec.year, m_spec.dbname, m_spec.classes, m_spec.firstClass});

    // Rooms: 3-digit ids, 40 seats, spread over the school's buildings.
    {
        Transaction tx(m_system);
        QSqlQuery q = prepare(m_system, QStringLiteral("INSERT INTO kcszb(id, address, type, rs) VALUES(?, ?, ?, ?)"));
        for (int i = 1; i <= m_spec.rooms; ++i) {
            const QString id = QStringLiteral("%1").arg(i, 3, 10, QLatin1Char('0'));
            const QString address = QString::fromUtf8(kBuildings[(i - 1) / 20 % 4]) + QStringLiteral("%1室").arg(100 * ((i - 1) % 20 / 5 + 1) + (i - 1) % 5 + 1);
            q.addBindValue(id);
            q.addBindValue(address);
            q.addBindValue((i - 1) % 3 + 1);
            q.addBindValue(m_spec.seatsPerRoom);
            check(q.exec(), "insert room");
            m_roomIds << id;
        }
        check(tx.commit(), "commit rooms");
    }

    // Students: spread evenly over the classes, numbered by class and seat.
    {
        Transaction tx(m_cohort);
        QSqlQuery q = prepare(m_cohort, QStringLiteral("INSERT INTO stinfo(stid, stname, stclass, stclassno, keflag) VALUES(?, ?, ?, ?, ?)"));
        const int perClass = (m_spec.students + m_spec.classes - 1) / std::max(1, m_spec.classes);
        for (int i = 0; i < m_spec.students; ++i) {
            const int classIndex = i / std::max(1, perClass);
            const int classNo = m_spec.firstClass + classIndex;
            const int seat = i % std::max(1, perClass) + 1;
            const QString stid = m_spec.year + QStringLiteral("%1%2").arg(classNo, 2, 10, QLatin1Char('0')).arg(seat, 3, 10, QLatin1Char('0'));
            const QString name = QString::fromUtf8(kSurnames[m_rng() % 20]) + QString::fromUtf8(kGiven[m_rng() % 30]);
            q.addBindValue(stid);
            q.addBindValue(name);
            q.addBindValue(classNo);
            q.addBindValue(seat);
            q.addBindValue(classIndex < m_spec.artsClasses ? 2 : 3);
            check(q.exec(), "insert student");
            m_studentIds << stid;
        }
        check(tx.commit(), "commit students");
    }
}

School::~School()
{
    closeDatabase(m_cohort);
    closeDatabase(m_system);
    setDataFolder(QString());
}

QString School::folder() const { return m_dir->path() + QLatin1Char('/'); }
QString School::cohortPath() const { return folder() + cohortDbFile(); }
QString School::systemPath() const { return folder() + QStringLiteral("newclasssys.mdb"); }

QString School::addExam(const QString &name, const QString &roomList, const QString &basisExamId)
{
    ++m_exams;
    // yyMMddhhmmss: one exam a month from September of the cohort year.
    const int month = (8 + m_exams - 1) % 12 + 1;
    const int year = m_spec.year.toInt() % 100 + (8 + m_exams - 1) / 12;
    // (The time is appended, not written into the pattern: "%3080000" would read as the placeholder %30.)
    const QString id = QStringLiteral("%1%2%3").arg(year, 2, 10, QLatin1Char('0')).arg(month, 2, 10, QLatin1Char('0')).arg(m_exams % 28 + 1, 2, 10, QLatin1Char('0'))
                       + QStringLiteral("080000");
    const QString rooms = roomList.isEmpty() ? allRooms() : roomList;
    check(execSql(m_system, QStringLiteral("INSERT INTO kcbpb(id, name, num, bpid, year, grade, kcid) VALUES(?, ?, ?, ?, ?, 1, ?)"),
                  {id, name, int(rooms.size() / 3), basisExamId.isEmpty() ? QVariant() : QVariant(basisExamId), m_spec.year, rooms}),
          "insert exam");
    for (int k = 1; k <= std::min(12, m_spec.subjects); ++k) {
        const SubjectPlan p = planOf(k);
        check(execSql(m_system,
                      QStringLiteral("UPDATE kcbpb SET kstime%1 = ?, kgfs%1 = ?, zgfs%1 = ?, allfs%1 = ?, kstype%1 = ?, kmflag%1 = 1, "
                                     "cjlock%1 = 0, cjinput%1 = ?, zfjsa%1 = 1, zfjsb%1 = ? WHERE id = ?").arg(k),
                      {QStringLiteral("第%1场").arg(k), p.objective, p.objective > 0 ? p.full - p.objective : 0.0, p.full, p.who,
                       k % 2, k <= 3 ? 1 : 0, id}),
              "exam settings");
    }
    return id;
}

void School::seatStudents(const QString &examId)
{
    check(execSql(m_cohort, QStringLiteral("DELETE FROM stucj WHERE id = ?"), {examId}), "delete rows");
    struct Row { QString stid, name; int bj, zh, wl; };
    std::vector<Row> rows;
    {
        QSqlQuery q = prepare(m_cohort, QStringLiteral("SELECT stid, stname, stclass, stclassno, keflag FROM stinfo ORDER BY id"));
        check(q.exec(), "read register");
        while (q.next())
            rows.push_back({q.value(0).toString(), q.value(1).toString(), q.value(2).toInt(), q.value(3).toInt(), q.value(4).toInt()});
    }
    std::shuffle(rows.begin(), rows.end(), m_rng);
    std::stable_partition(rows.begin(), rows.end(), [](const Row &r) { return r.wl != 2; });
    Transaction tx(m_cohort);
    QSqlQuery q = prepare(m_cohort, QStringLiteral("INSERT INTO stucj(id, stid, name, bj, zh, wlflag, kcbj, kczh) VALUES(?, ?, ?, ?, ?, ?, ?, ?)"));
    int room = 0;
    int seat = 0;
    bool arts = false;
    for (const Row &r : rows) {
        if (r.wl == 2 && !arts) { // the arts students begin in a room of their own
            arts = true;
            if (seat > 0) {
                ++room;
                seat = 0;
            }
        }
        if (seat >= m_spec.seatsPerRoom) {
            ++room;
            seat = 0;
        }
        ++seat;
        const QString roomId = m_roomIds.isEmpty() ? QString() : m_roomIds.at(room % m_roomIds.size());
        for (const QVariant &v : QVariantList{examId, r.stid, r.name, r.bj, r.zh, r.wl, roomId, seat})
            q.addBindValue(v);
        check(q.exec(), "insert row");
    }
    check(tx.commit(), "commit rows");
}

void School::addScores(const QString &examId)
{
    std::normal_distribution<double> ratio(0.66, 0.14);
    Transaction tx(m_cohort);
    std::vector<std::pair<qint64, int>> rows;
    {
        QSqlQuery q = prepare(m_cohort, QStringLiteral("SELECT rowid, wlflag FROM stucj WHERE id = ? ORDER BY rowid"), {examId});
        check(q.exec(), "read rows");
        while (q.next())
            rows.emplace_back(q.value(0).toLongLong(), q.value(1).toInt());
    }
    QStringList sets;
    const int subjects = std::min(12, m_spec.subjects);
    for (int k = 1; k <= subjects; ++k)
        sets << QStringLiteral("ke%1 = ?, kea%1 = ?, keb%1 = ?").arg(k);
    QSqlQuery q = prepare(m_cohort, QStringLiteral("UPDATE stucj SET ") + sets.join(QStringLiteral(", ")) + QStringLiteral(" WHERE rowid = ?"));
    for (const auto &[rowid, stream] : rows) {
        for (int k = 1; k <= subjects; ++k) {
            const SubjectPlan p = planOf(k);
            const bool sits = p.who == 1 || p.who == stream;
            QVariant ke, kea, keb;
            if (sits) {
                const int roll = int(m_rng() % 1000);
                if (roll < 20) {
                    ke = -1;
                } else if (roll < 25) {
                    ke = -2;
                } else {
                    const double s = std::clamp(std::round(ratio(m_rng) * p.full * 2.0) / 2.0, 0.0, p.full);
                    if (p.objective > 0) {
                        const double a = std::clamp(std::round(s * p.objective / p.full), 0.0, p.objective);
                        kea = a;
                        keb = std::min(s - a, p.full - p.objective);
                        ke = kea.toDouble() + keb.toDouble();
                    } else {
                        ke = s;
                    }
                }
            }
            q.addBindValue(ke);
            q.addBindValue(kea);
            q.addBindValue(keb);
        }
        q.addBindValue(rowid);
        check(q.exec(), "write scores");
    }
    check(tx.commit(), "commit scores");
}

void School::addStreamRanks(const QString &examId)
{
    const int subjects = std::min(12, m_spec.subjects);
    QStringList parts;
    for (int k = 1; k <= subjects; ++k)
        parts << QStringLiteral("max(coalesce(ke%1, 0), 0)").arg(k);
    const QString sum = parts.join(QStringLiteral(" + "));
    check(execSql(m_cohort, QStringLiteral("UPDATE stucj SET kealla = %1, keallb = %1 WHERE id = ?").arg(sum), {examId}), "totals");

    // The rank within the stream: 1 + the number of distinct higher totals of the same stream. One
    // sorted pass per stream (a count over the stream for every row would be quadratic).
    struct Row { qint64 rowid; int stream; double total; };
    std::vector<Row> rows;
    {
        QSqlQuery q = prepare(m_cohort, QStringLiteral("SELECT rowid, wlflag, keallb FROM stucj WHERE id = ? AND wlflag IN (2, 3)"), {examId});
        check(q.exec(), "read totals");
        while (q.next())
            rows.push_back({q.value(0).toLongLong(), q.value(1).toInt(), q.value(2).toDouble()});
    }
    std::sort(rows.begin(), rows.end(), [](const Row &a, const Row &b) {
        return a.stream != b.stream ? a.stream < b.stream : a.total > b.total;
    });
    Transaction tx(m_cohort);
    QSqlQuery q = prepare(m_cohort, QStringLiteral("UPDATE stucj SET zftlnob = ? WHERE rowid = ?"));
    int rank = 0;
    for (size_t i = 0; i < rows.size(); ++i) {
        if (i == 0 || rows[i].stream != rows[i - 1].stream)
            rank = 1;
        else if (rows[i].total < rows[i - 1].total)
            ++rank;
        q.addBindValue(rank);
        q.addBindValue(rows[i].rowid);
        check(q.exec(), "stream rank");
    }
    check(tx.commit(), "commit stream ranks");
}

} // namespace quorvane::bench
