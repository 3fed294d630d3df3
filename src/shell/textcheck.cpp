#include "shell/textcheck.h"

#include "workbook/celltext.h"

#include <QLineEdit>
#include <QValidator>
#include <QWidget>
#include <cmath>
#include <iconv.h>

namespace quorvane {

namespace {

// Number of characters the examining routines look at: the length of the text without its leading
// and trailing blanks, counted from the start of the text as passed.
int examinedLength(const QString &text)
{
    return static_cast<int>(TrimBlanks(text).size());
}

// Bytes of one UTF-16 unit in the GBK code page; 1 for a unit that GBK cannot represent (it would
// be written as a question mark).
int gbkBytes(QChar ch)
{
    if (ch.unicode() < 0x80)
        return 1;
    static iconv_t cd = iconv_open("GBK", "UTF-16LE");
    if (cd == reinterpret_cast<iconv_t>(-1))
        return 2;
    char16_t in = ch.unicode();
    char out[8];
    char *inp = reinterpret_cast<char *>(&in);
    size_t inLeft = sizeof in;
    char *outp = out;
    size_t outLeft = sizeof out;
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
    const size_t r = iconv(cd, &inp, &inLeft, &outp, &outLeft);
    if (r == static_cast<size_t>(-1))
        return 1;
    return static_cast<int>(sizeof out - outLeft) >= 2 ? 2 : 1;
}

// Accepts every text, with its unpaired surrogates replaced.
class WellFormedText : public QValidator
{
public:
    using QValidator::QValidator;
    State validate(QString &input, int &) const override
    {
        input = validText(input); // one unit for one unit: the caret stays where it was
        return Acceptable;
    }
};

} // namespace

void KeepWellFormed(QLineEdit *box)
{
    box->setValidator(new WellFormedText(box));
}

qint16 DisplayWidth(const QString &text)
{
    const int n = examinedLength(text);
    int width = 0;
    for (int i = 0; i < n; ++i)
        width += gbkBytes(text[i]);
    return static_cast<qint16>(width);
}

bool HasNonDigit(const QString &text)
{
    const int n = examinedLength(text);
    for (int i = 0; i < n; ++i) {
        const char16_t c = text[i].unicode();
        if (c < u'0' || c > u'9')
            return true;
    }
    return false;
}

bool HasNonAlnum(const QString &text)
{
    const int n = examinedLength(text);
    for (int i = 0; i < n; ++i) {
        const char16_t c = text[i].toLower().unicode();
        if (!((c >= u'a' && c <= u'z') || (c >= u'0' && c <= u'9')))
            return true;
    }
    return false;
}

QString StripBlanks(const QString &text)
{
    QString out = text;
    out.remove(QLatin1Char(' '));
    out.remove(QLatin1Char('\n'));
    return out;
}

namespace {
// Changing the stay-on-top flag makes the toolkit hide the window and create it anew; show it again
// where it was and as large as it was, and bring it forward.
void setStaysOnTop(QWidget *window, bool on)
{
    if (!window || window->windowFlags().testFlag(Qt::WindowStaysOnTopHint) == on)
        return;
    const bool visible = window->isVisible();
    const QRect geometry = window->geometry();
    window->setWindowFlag(Qt::WindowStaysOnTopHint, on);
    if (visible) {
        window->setGeometry(geometry);
        window->show();
        window->raise();
    }
}
} // namespace

void SetTopMost(QWidget *window)
{
    setStaysOnTop(window, true);
}

void ClearTopMost(QWidget *window)
{
    setStaysOnTop(window, false);
}

QString TrimBlanks(const QString &text)
{
    qsizetype first = 0, end = text.size();
    while (first < end && text[first] == QLatin1Char(' '))
        ++first;
    while (end > first && text[end - 1] == QLatin1Char(' '))
        --end;
    return text.mid(first, end - first);
}

double Val(const QString &text)
{
    QString s;
    s.reserve(text.size());
    for (QChar ch : text)
        if (ch != QLatin1Char(' ') && ch != QLatin1Char('\t') && ch != QLatin1Char('\n')) // blanks, tabs, line feeds
            s += ch;
    // Take the longest prefix of the form [sign] digits [. digits] [(e|d) [sign] digits] and let the
    // C library convert it, so 2.4 reads as the double nearest to 2.4.
    qsizetype i = 0;
    const qsizetype n = s.size();
    auto digit = [&](qsizetype k) { return k < n && s[k] >= QLatin1Char('0') && s[k] <= QLatin1Char('9'); };
    QString number;
    if (i < n && (s[i] == QLatin1Char('-') || s[i] == QLatin1Char('+')))
        number += s[i++];
    bool any = false;
    while (digit(i)) {
        number += s[i++];
        any = true;
    }
    if (i < n && s[i] == QLatin1Char('.')) {
        number += s[i++];
        while (digit(i)) {
            number += s[i++];
            any = true;
        }
    }
    if (!any)
        return 0;
    if (i < n && (s[i] == QLatin1Char('e') || s[i] == QLatin1Char('E') || s[i] == QLatin1Char('d') || s[i] == QLatin1Char('D'))) {
        QString exp = QStringLiteral("e");
        qsizetype k = i + 1;
        if (k < n && (s[k] == QLatin1Char('-') || s[k] == QLatin1Char('+')))
            exp += s[k++];
        if (digit(k)) {
            while (digit(k))
                exp += s[k++];
            number += exp;
        }
    }
    bool ok = false;
    const double v = number.toDouble(&ok);
    return ok && std::isfinite(v) ? v : 0;
}

} // namespace quorvane
