#include "workbook/celltext.h"

#include <QDate>
#include <QTime>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace quorvane {

QString numberText(double value)
{
    if (std::isnan(value))
        return QStringLiteral("#NUM!");
    if (std::isinf(value))
        return value > 0 ? QStringLiteral("#NUM!") : QStringLiteral("-#NUM!");
    if (value == 0)
        return QStringLiteral("0");
    // 15 significant digits, then written out without an exponent.
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.14e", value);
    const char *p = buf;
    const bool negative = *p == '-';
    if (negative)
        ++p;
    std::string digits;
    digits += *p++;
    if (*p == '.')
        ++p;
    while (*p >= '0' && *p <= '9')
        digits += *p++;
    int exponent = 0;
    if (*p == 'e' || *p == 'E')
        exponent = std::atoi(p + 1);
    while (digits.size() > 1 && digits.back() == '0')
        digits.pop_back();
    const int before = exponent + 1; // digits in front of the decimal point
    std::string out;
    if (before <= 0)
        out = "0." + std::string(size_t(-before), '0') + digits;
    else if (size_t(before) >= digits.size())
        out = digits + std::string(size_t(before) - digits.size(), '0');
    else
        out = digits.substr(0, size_t(before)) + "." + digits.substr(size_t(before));
    if (negative)
        out.insert(out.begin(), '-');
    return QString::fromLatin1(out.c_str());
}

QString serialDateText(double serial, bool date1904, bool withTime, bool timeOnly)
{
    if (!std::isfinite(serial) || serial < 0 || serial > 2958466.0)
        return numberText(serial);
    const qint64 seconds = qint64(std::llround(serial * 86400.0));
    qint64 days = seconds / 86400;
    const int secs = int(seconds % 86400);
    const QTime t = QTime(0, 0).addSecs(secs);
    const QString timeText = t.toString(QStringLiteral("HH:mm:ss"));
    if (timeOnly)
        return timeText;
    QString dateText;
    if (date1904) {
        dateText = QDate(1904, 1, 1).addDays(days).toString(QStringLiteral("yyyy-MM-dd"));
    } else if (days == 60) {
        dateText = QStringLiteral("1900-02-29"); // the day the 1900 date system counts but never was
    } else {
        if (days < 60)
            ++days;
        dateText = QDate(1899, 12, 30).addDays(days).toString(QStringLiteral("yyyy-MM-dd"));
    }
    return withTime ? dateText + QLatin1Char(' ') + timeText : dateText;
}

bool parseCellRef(const QString &ref, int *row, int *col)
{
    int i = 0;
    const int n = int(ref.size());
    if (i < n && ref[i] == QLatin1Char('$'))
        ++i;
    // At most three letters (XFD is the last column a sheet has): a longer run is no reference,
    // and the column is never accumulated past it.
    int c = 0;
    int letters = 0;
    while (i < n) {
        const QChar ch = ref[i];
        const char u = char(ch.toUpper().unicode());
        if (ch.unicode() >= 128 || u < 'A' || u > 'Z')
            break;
        if (++letters > 3)
            return false;
        c = c * 26 + (u - 'A' + 1);
        ++i;
    }
    if (letters == 0)
        return false;
    if (i < n && ref[i] == QLatin1Char('$'))
        ++i;
    int r = 0;
    int digits = 0;
    while (i < n && ref[i] >= QLatin1Char('0') && ref[i] <= QLatin1Char('9')) {
        if (++digits > 7)
            return false;
        r = r * 10 + (ref[i].unicode() - '0');
        ++i;
    }
    if (digits == 0 || i != n || r < 1)
        return false;
    if (row)
        *row = r;
    if (col)
        *col = c;
    return true;
}

QString validText(QString text)
{
    const qsizetype n = text.size();
    const QChar *p = text.constData();
    qsizetype bad = -1;
    for (qsizetype i = 0; i < n; ++i) {
        if (p[i].isHighSurrogate() && i + 1 < n && p[i + 1].isLowSurrogate()) {
            ++i;
        } else if (p[i].isSurrogate()) {
            bad = i;
            break;
        }
    }
    if (bad < 0)
        return text;
    QChar *w = text.data();
    for (qsizetype i = bad; i < n; ++i) {
        if (w[i].isHighSurrogate() && i + 1 < n && w[i + 1].isLowSurrogate())
            ++i;
        else if (w[i].isSurrogate())
            w[i] = QChar(QChar::ReplacementCharacter);
    }
    return text;
}

// An ISO 8601 date or date-time as a t="d" cell holds it, shown like a date serial: the date,
// with the time only when there is one. Read as written, without any time zone (a local-time
// conversion would shift or refuse days on which a zone's clocks skip midnight); a zone suffix
// is ignored. A text that is no such date stays as it is.
QString isoDateText(const QString &value)
{
    const QString s = value.trimmed();
    int sep = int(s.indexOf(QLatin1Char('T')));
    if (sep < 0)
        sep = int(s.indexOf(QLatin1Char(' ')));
    const QString datePart = sep < 0 ? s : s.left(sep);
    QString timePart = sep < 0 ? QString() : s.mid(sep + 1);
    if (timePart.endsWith(QLatin1Char('Z'), Qt::CaseInsensitive))
        timePart.chop(1);
    const int offset = int(std::max(timePart.lastIndexOf(QLatin1Char('+')), timePart.lastIndexOf(QLatin1Char('-'))));
    if (offset > 0)
        timePart.truncate(offset);
    QTime time(0, 0);
    if (!timePart.isEmpty()) {
        time = QTime::fromString(timePart, Qt::ISODateWithMs);
        if (!time.isValid())
            return value;
    }
    const QDate date = QDate::fromString(datePart, Qt::ISODate);
    if (!date.isValid()) {
        // A time alone ("10:30:00").
        const QTime only = sep < 0 ? QTime::fromString(s, Qt::ISODateWithMs) : QTime();
        return only.isValid() ? only.toString(QStringLiteral("HH:mm:ss")) : value;
    }
    const QString dateText = date.toString(QStringLiteral("yyyy-MM-dd"));
    if (time.hour() == 0 && time.minute() == 0 && time.second() == 0)
        return dateText;
    return dateText + QLatin1Char(' ') + time.toString(QStringLiteral("HH:mm:ss"));
}

DateKind builtinDateKind(int id)
{
    if ((id >= 14 && id <= 17) || id == 27 || id == 28 || id == 29 || id == 30 || id == 31 || id == 36
        || (id >= 50 && id <= 54) || id == 57 || id == 58)
        return DateOnly;
    if (id == 22)
        return DateTime;
    if ((id >= 18 && id <= 21) || (id >= 32 && id <= 35) || id == 45 || id == 47 || id == 55 || id == 56)
        return TimeOnly;
    return NotDate;
}

// A custom format is a date when its first section holds y, m, d, h or s outside quotes, escapes
// and brackets; an elapsed-time format ([h]:mm) is a duration, not a date.
DateKind customDateKind(const QString &code)
{
    bool date = false;
    bool time = false;
    bool month = false;
    const int n = int(code.size());
    for (int i = 0; i < n; ++i) {
        const QChar c = code[i];
        if (c == QLatin1Char(';'))
            break;
        if (c == QLatin1Char('"')) {
            ++i;
            while (i < n && code[i] != QLatin1Char('"'))
                ++i;
            continue;
        }
        if (c == QLatin1Char('\\') || c == QLatin1Char('_') || c == QLatin1Char('*')) {
            ++i;
            continue;
        }
        if (c == QLatin1Char('[')) {
            const int close = int(code.indexOf(QLatin1Char(']'), i));
            const QString inside = code.mid(i + 1, close < 0 ? -1 : close - i - 1).toLower();
            if (!inside.isEmpty() && (inside[0] == QLatin1Char('h') || inside[0] == QLatin1Char('m') || inside[0] == QLatin1Char('s')))
                return NotDate; // elapsed time
            if (close < 0)
                break;
            i = close;
            continue;
        }
        const QChar l = c.toLower();
        if (l == QLatin1Char('y') || l == QLatin1Char('d'))
            date = true;
        else if (l == QLatin1Char('m'))
            month = true;
        else if (l == QLatin1Char('h') || l == QLatin1Char('s'))
            time = true;
    }
    if (month && !time)
        date = true;
    if (date && time)
        return DateTime;
    if (date)
        return DateOnly;
    if (time)
        return TimeOnly;
    return NotDate;
}

} // namespace quorvane
