#include "workbook/xlsxparts.h"

#include <QHash>
#include <QXmlStreamReader>

#include <algorithm>

namespace quorvane {

namespace {

constexpr int kLastSheetRow = 1048576;   // the last row a sheet can have
constexpr int kLastSheetColumn = 16384;  // XFD
constexpr int kMaxFormats = 65536;       // number formats and cell formats kept (Excel allows 64,000)
// XML characters of a sheet read past maxRows to count its further rows: about 100,000 rows.
constexpr qint64 kCountingChars = 4LL * 1000 * 1000;

// A part's bytes as the parser gets them: no more than the budget has left.
class BudgetDevice : public QIODevice
{
public:
    BudgetDevice(QIODevice *in, qint64 &left) : m_in(in), m_left(left) { open(QIODevice::ReadOnly | QIODevice::Unbuffered); }
    bool isSequential() const override { return true; }
    bool exhausted() const { return m_exhausted; }

protected:
    qint64 readData(char *data, qint64 maxSize) override
    {
        if (m_exhausted)
            return -1;
        // One byte more than is left tells whether the part goes on past the budget.
        const qint64 n = m_in->read(data, std::min(maxSize, m_left + 1));
        if (n > m_left) {
            m_exhausted = true;
            m_left = 0;
            return -1;
        }
        if (n > 0)
            m_left -= n;
        return n;
    }
    qint64 writeData(const char *, qint64) override { return -1; }

private:
    QIODevice *m_in;
    qint64 &m_left;
    bool m_exhausted = false;
};

// One part's XML, read token by token within the read's budget.
class PartReader
{
public:
    PartReader(QIODevice *in, XmlBudget &budget) : m_in(in), m_limited(in, budget.bytes), m_xml(&m_limited) {}
    PartReader(const PartReader &) = delete;
    PartReader &operator=(const PartReader &) = delete;

    // Reads the next token; false at the end of the part, on an error and when the budget is spent.
    bool next()
    {
        if (m_stopped)
            return false;
        m_token = m_xml.readNext();
        if (m_limited.exhausted()) {
            m_tooLarge = true;
            m_stopped = true;
        } else if (m_token == QXmlStreamReader::DTD) {
            m_damaged = true;
            m_stopped = true;
        } else if (m_token == QXmlStreamReader::Invalid || m_token == QXmlStreamReader::EndDocument) {
            m_stopped = true;
        }
        return !m_stopped;
    }

    bool isStart() const { return m_token == QXmlStreamReader::StartElement; }
    bool isEnd() const { return m_token == QXmlStreamReader::EndElement; }
    QStringView name() const { return m_xml.name(); }
    QXmlStreamAttributes attributes() const { return m_xml.attributes(); }

    // The text of the element whose start the reader stands on, its child elements' text included;
    // the reader ends on its end element. Read without recursion, however deep the nesting.
    QString elementText()
    {
        QString text;
        walkElement(&text);
        return text;
    }

    // Passes over the element whose start the reader stands on.
    void skipElement() { walkElement(nullptr); }

    // Walks to the end element of the element whose start the reader stands on, collecting its
    // text where asked; a depth count instead of recursion keeps deep nesting harmless.
    void walkElement(QString *text)
    {
        int depth = 1;
        while (depth > 0 && next()) {
            if (m_token == QXmlStreamReader::StartElement)
                ++depth;
            else if (m_token == QXmlStreamReader::EndElement)
                --depth;
            else if (text && m_token == QXmlStreamReader::Characters)
                *text += m_xml.text();
        }
    }

    // Text of a rich-text container (<si> or <is>) whose start the reader stands on: every <t>,
    // phonetic runs (<rPh>) left out. The reader ends on the container's end element.
    QString richText()
    {
        QString text;
        int depth = 1;
        while (depth > 0 && next()) {
            if (m_token == QXmlStreamReader::StartElement) {
                if (name() == QLatin1String("t"))
                    text += elementText();
                else if (name() == QLatin1String("rPh"))
                    skipElement();
                else
                    ++depth;
            } else if (m_token == QXmlStreamReader::EndElement) {
                --depth;
            }
        }
        return decodeEscapes(text);
    }

    // The outcome. stoppedEarly: the caller left
    // the part before its end on purpose (only its errors so far count).
    PartResult finish(bool stoppedEarly = false)
    {
        const auto *zipPart = dynamic_cast<const ZipPartDevice *>(m_in);
        if (m_damaged || (zipPart && zipPart->damaged()))
            return PartResult::Damaged;
        if (m_tooLarge)
            return PartResult::TooLarge;
        if (m_xml.hasError() && !(stoppedEarly && m_xml.error() == QXmlStreamReader::PrematureEndOfDocumentError))
            return PartResult::Damaged;
        return PartResult::Ok;
    }

    qint64 offset() const { return m_xml.characterOffset(); }
    bool tooLarge() const { return m_tooLarge; }
    bool failed() const { return m_damaged || m_tooLarge || m_xml.hasError(); }

private:
    QIODevice *m_in;
    BudgetDevice m_limited;
    QXmlStreamReader m_xml;
    QXmlStreamReader::TokenType m_token = QXmlStreamReader::NoToken;
    bool m_stopped = false;
    bool m_tooLarge = false;
    bool m_damaged = false;
};

// Whether a text of an attribute reads as true ("1" or "true").
bool isTrue(QStringView v)
{
    return v == QLatin1String("1") || v.compare(QLatin1String("true"), Qt::CaseInsensitive) == 0;
}

} // namespace

QString decodeEscapes(const QString &text)
{
    if (!text.contains(QLatin1String("_x"), Qt::CaseInsensitive))
        return validText(text);
    QString out;
    out.reserve(text.size());
    const int n = int(text.size());
    for (int i = 0; i < n; ++i) {
        if (text[i] == QLatin1Char('_') && i + 6 < n && (text[i + 1] == QLatin1Char('x') || text[i + 1] == QLatin1Char('X'))
            && text[i + 6] == QLatin1Char('_')) {
            bool ok = false;
            const uint code = QStringView(text).mid(i + 2, 4).toUInt(&ok, 16);
            if (ok) {
                out += QChar(char16_t(code));
                i += 6;
                continue;
            }
        }
        out += text[i];
    }
    // A surrogate from an escape pairs up only with its partner right beside it.
    return validText(out);
}

PartResult readRelationships(QIODevice *in, const QString &sourcePart, XmlBudget &budget, QVector<Relationship> *out)
{
    PartReader r(in, budget);
    const QString folder = folderOf(sourcePart);
    while (r.next()) {
        if (!r.isStart() || r.name() != QLatin1String("Relationship"))
            continue;
        const auto a = r.attributes();
        if (a.value(QLatin1String("TargetMode")).compare(QLatin1String("External"), Qt::CaseInsensitive) == 0)
            continue;
        const QStringView type = a.value(QLatin1String("Type"));
        Relationship rel;
        rel.id = a.value(QLatin1String("Id")).toString();
        rel.type = type.mid(type.lastIndexOf(QLatin1Char('/')) + 1).toString().toLower();
        rel.target = resolveTarget(folder, a.value(QLatin1String("Target")).toString());
        out->append(rel);
    }
    return r.finish();
}

PartResult readWorkbookPart(QIODevice *in, XmlBudget &budget, WorkbookPart *out)
{
    PartReader r(in, budget);
    while (r.next()) {
        if (!r.isStart())
            continue;
        const auto name = r.name();
        const auto a = r.attributes();
        if (name == QLatin1String("workbookPr")) {
            out->date1904 = isTrue(a.value(QLatin1String("date1904")));
        } else if (name == QLatin1String("workbookView") && out->activeTab < 0) {
            bool ok = false;
            const int t = a.value(QLatin1String("activeTab")).toInt(&ok);
            out->activeTab = ok && t >= 0 ? t : 0;
        } else if (name == QLatin1String("sheet")) {
            SheetEntry s;
            s.name = validText(a.value(QLatin1String("name")).toString());
            const auto state = a.value(QLatin1String("state"));
            s.visible = state.isEmpty() || state == QLatin1String("visible");
            for (const auto &attr : a)
                if (attr.name() == QLatin1String("id") && !attr.namespaceUri().isEmpty())
                    s.rid = attr.value().toString();
            out->sheets.append(s);
        }
    }
    return r.finish();
}

PartResult readSharedStrings(QIODevice *in, XmlBudget &budget, QVector<QString> *out)
{
    PartReader r(in, budget);
    while (r.next()) {
        if (r.isStart() && r.name() == QLatin1String("si")) {
            if (--budget.strings < 0)
                return PartResult::TooLarge;
            out->append(r.richText());
        }
    }
    return r.finish();
}

PartResult readStyles(QIODevice *in, XmlBudget &budget, QVector<quint8> *xfDateKind)
{
    PartReader r(in, budget);
    QHash<int, DateKind> custom;
    bool inCellXfs = false;
    while (r.next()) {
        if (r.isStart()) {
            const auto name = r.name();
            const auto a = r.attributes();
            if (name == QLatin1String("numFmt")) {
                if (custom.size() < kMaxFormats)
                    custom.insert(a.value(QLatin1String("numFmtId")).toInt(), customDateKind(a.value(QLatin1String("formatCode")).toString()));
            } else if (name == QLatin1String("cellXfs")) {
                inCellXfs = true;
            } else if (name == QLatin1String("xf") && inCellXfs) {
                const int id = a.value(QLatin1String("numFmtId")).toInt();
                if (xfDateKind->size() < kMaxFormats)
                    xfDateKind->append(custom.contains(id) ? custom.value(id) : builtinDateKind(id));
                r.skipElement();
            }
        } else if (r.isEnd() && r.name() == QLatin1String("cellXfs")) {
            inCellXfs = false;
        }
    }
    return r.finish();
}

PartResult readSheet(QIODevice *in, XmlBudget &budget, const SheetContext &ctx,
                     const std::function<void(int, int, const QString &)> &cell, int *rowsBeyond)
{
    PartReader r(in, budget);
    const int maxRows = ctx.maxRows > 0 ? std::min(ctx.maxRows, kLastSheetRow) : kLastSheetRow;
    const int maxCols = ctx.maxCols > 0 ? std::min(ctx.maxCols, kLastSheetColumn) : kLastSheetColumn;
    int row = 0;
    int col = 0;
    bool inData = false;
    bool sawWorksheet = false;
    bool beyond = false; // past maxRows: rows are only counted
    qint64 countingFrom = -1;
    int lastCounted = 0;
    bool ended = false;  // the sheet's data, or the last row a sheet can have, is over
    while (!ended && r.next()) {
        if (beyond && countingFrom < 0)
            countingFrom = r.offset();
        if (countingFrom >= 0 && r.offset() - countingFrom > kCountingChars)
            break; // rows counted as far as is reasonable
        if (r.isEnd() && r.name() == QLatin1String("sheetData"))
            break;
        if (!r.isStart())
            continue;
        const auto name = r.name();
        if (name == QLatin1String("worksheet")) {
            sawWorksheet = true;
        } else if (name == QLatin1String("sheetData")) {
            inData = true;
        } else if (name == QLatin1String("row") && inData) {
            bool ok = false;
            const int n = r.attributes().value(QLatin1String("r")).toInt(&ok);
            row = ok && n > 0 ? n : row + 1;
            col = 0;
            if (row > kLastSheetRow)
                ended = true;
            else if (row > maxRows)
                beyond = true;
        } else if (name == QLatin1String("c") && inData) {
            const auto a = r.attributes();
            int cr = 0;
            int cc = 0;
            if (parseCellRef(a.value(QLatin1String("r")).toString(), &cr, &cc)) {
                col = cc;
                row = cr;
            } else {
                col = std::min(col + 1, kLastSheetColumn + 1);
            }
            if (row < 1)
                row = 1;
            if (row > kLastSheetRow) {
                ended = true;
                break;
            }
            if (row > maxRows)
                beyond = true;
            // Right of the columns kept, or in a row past maxRows already counted: nothing to read.
            if (col > maxCols || (beyond && row == lastCounted)) {
                r.skipElement();
                continue;
            }
            const QStringView type = a.value(QLatin1String("t"));
            const int style = a.value(QLatin1String("s")).toInt();
            QString value;
            QString inlineText;
            bool hasValue = false;
            int depth = 1;
            while (depth > 0 && r.next()) {
                if (r.isStart()) {
                    if (r.name() == QLatin1String("v")) {
                        value = r.elementText();
                        hasValue = true;
                    } else if (r.name() == QLatin1String("is")) {
                        inlineText = r.richText();
                    } else {
                        r.skipElement();
                    }
                } else if (r.isEnd()) {
                    --depth;
                }
            }
            if (r.failed())
                break;
            if (beyond) {
                // Only whether the cell shows anything counts here.
                bool shows = hasValue ? !value.isEmpty() : !inlineText.isEmpty();
                if (type == QLatin1String("s")) {
                    bool ok = false;
                    const int idx = value.trimmed().toInt(&ok);
                    shows = ok && ctx.shared && idx >= 0 && idx < ctx.shared->size() && !ctx.shared->at(idx).isEmpty();
                }
                if (shows && row != lastCounted) {
                    lastCounted = row;
                    if (rowsBeyond)
                        ++*rowsBeyond;
                }
                continue;
            }
            QString text;
            if (type == QLatin1String("s")) {
                bool ok = false;
                const int idx = value.trimmed().toInt(&ok);
                if (ok && ctx.shared && idx >= 0 && idx < ctx.shared->size())
                    text = ctx.shared->at(idx);
            } else if (type == QLatin1String("inlineStr")) {
                text = hasValue ? decodeEscapes(value) : inlineText;
            } else if (type == QLatin1String("str")) {
                text = decodeEscapes(value);
            } else if (type == QLatin1String("b")) {
                if (hasValue)
                    text = value.trimmed() == QLatin1String("1") ? QStringLiteral("TRUE") : QStringLiteral("FALSE");
            } else if (type == QLatin1String("e")) {
                text = validText(value);
            } else if (type == QLatin1String("d")) {
                text = validText(isoDateText(value));
            } else if (hasValue) {
                bool ok = false;
                const double v = value.trimmed().toDouble(&ok);
                if (!ok) {
                    text = validText(value);
                } else {
                    const quint8 kind = ctx.xfDateKind && style >= 0 && style < ctx.xfDateKind->size() ? ctx.xfDateKind->at(style) : quint8(NotDate);
                    if (kind == NotDate || v < 0)
                        text = numberText(v);
                    else
                        text = serialDateText(v, ctx.date1904, kind == DateTime, kind == TimeOnly);
                }
            }
            cell(row, col, text);
        }
    }
    const bool early = ended || !r.failed();
    const PartResult result = r.finish(early);
    // Rows past maxRows are counted as far as the budget goes: the rows read stand.
    if (beyond && result == PartResult::TooLarge)
        return PartResult::Ok;
    if (result == PartResult::Ok && !sawWorksheet)
        return PartResult::Damaged;
    return result;
}

} // namespace quorvane
