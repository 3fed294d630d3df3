#include "workbook/xlsxparts.h"

#include <QHash>
#include <expat.h>

#include <algorithm>
#include <cstring>
#include <deque>
#include <new>
#include <vector>

namespace quorvane {

namespace {

constexpr int kLastSheetRow = 1048576;   // the last row a sheet can have
constexpr int kLastSheetColumn = 16384;  // XFD
constexpr int kMaxFormats = 65536;       // number formats and cell formats kept (Excel allows 64,000)
// XML bytes of a sheet read past maxRows to count its further rows: about 100,000 rows.
constexpr qint64 kCountingChars = 4LL * 1000 * 1000;

constexpr int kMaxDepth = 256;           // elements nested deeper make the part damaged (workbooks nest a handful)
constexpr qint64 kReadPiece = 256 * 1024;  // bytes of a part unpacked at a time
constexpr char kNsSeparator = '\x01';    // between namespace and local name (no XML text holds it)

// The attributes of one start tag: full names ("local", or namespace, separator, local) and
// values as UTF-8, turned into text only when asked.
class XmlAttributes
{
public:
    void clear() { m_items.clear(); }
    void add(const char *name, const char *value) { m_items.push_back({QByteArray(name), QByteArray(value)}); }
    // The value of the attribute of that name without a namespace prefix.
    QString value(QLatin1StringView name) const
    {
        for (const auto &a : m_items)
            if (QLatin1StringView(a.first) == name)
                return QString::fromUtf8(a.second);
        return QString();
    }
    // The value of an attribute of that local name in some namespace (r:id).
    QString namespacedValue(QLatin1StringView local) const
    {
        for (const auto &a : m_items) {
            const qsizetype sep = a.first.lastIndexOf(kNsSeparator);
            if (sep >= 0 && QLatin1StringView(a.first.constData() + sep + 1) == local)
                return QString::fromUtf8(a.second);
        }
        return QString();
    }

private:
    std::vector<std::pair<QByteArray, QByteArray>> m_items;
};

// One part's XML, read token by token. The part is taken into memory within the read's budget
// and handed to expat in one call (whose work is linear in the bytes; fed in pieces, a token
// that spans many pieces is parsed again for each). The parser stops after every token and is
// resumed by next(), so tokens are read one by one, in constant memory.
class PartReader
{
public:
    enum Token { None, Start, End, Text };

    PartReader(QIODevice *in, XmlBudget &budget) : m_in(in)
    {
        // One byte more than is left tells whether the part goes on past the budget. Read in
        // pieces: the part may be far shorter than the budget.
        while (m_data.size() <= budget.bytes) {
            const QByteArray piece = in->read(std::min<qint64>(kReadPiece, budget.bytes + 1 - m_data.size()));
            if (piece.isEmpty())
                break;
            m_data += piece;
        }
        if (m_data.size() > budget.bytes) {
            m_data.truncate(qsizetype(budget.bytes));
            m_truncated = true;
        }
        budget.bytes -= m_data.size();
        m_parser = XML_ParserCreateNS(nullptr, kNsSeparator);
        if (!m_parser)
            throw std::bad_alloc();
        XML_SetUserData(m_parser, this);
        XML_SetElementHandler(m_parser, &PartReader::onStart, &PartReader::onEnd);
        XML_SetCharacterDataHandler(m_parser, &PartReader::onText);
        // No spreadsheet part has a document type; its entities could multiply the text.
        XML_SetStartDoctypeDeclHandler(m_parser, &PartReader::onDoctype);
        XML_SetEntityDeclHandler(m_parser, &PartReader::onEntity);
        XML_SetParamEntityParsing(m_parser, XML_PARAM_ENTITY_PARSING_NEVER);
    }
    ~PartReader() { XML_ParserFree(m_parser); }
    PartReader(const PartReader &) = delete;
    PartReader &operator=(const PartReader &) = delete;

    // Reads the next token; false at the end of the part, on an error and when the budget is spent.
    bool next()
    {
        while (m_queued.empty()) {
            if (m_stopped)
                return false;
            step();
        }
        m_current = std::move(m_queued.front());
        m_queued.pop_front();
        m_token = m_current.type;
        return true;
    }

    bool isStart() const { return m_token == Start; }
    bool isEnd() const { return m_token == End; }
    // The local name of the element whose start or end the reader stands on.
    QLatin1StringView name() const { return QLatin1StringView(m_current.name); }
    const XmlAttributes &attributes() const { return m_current.attributes; }

    // The text of the element whose start the reader stands on, its child elements' text included;
    // the reader ends on its end element.
    QString elementText()
    {
        QString text;
        walkElement(&text);
        return text;
    }

    // Passes over the element whose start the reader stands on.
    void skipElement() { walkElement(nullptr); }

    // Walks to the end element of the element whose start the reader stands on, collecting its
    // text where asked.
    void walkElement(QString *text)
    {
        int depth = 1;
        while (depth > 0 && next()) {
            if (m_token == Start)
                ++depth;
            else if (m_token == End)
                --depth;
            else if (text)
                *text += m_current.text;
        }
    }

    // Text of a rich-text container (<si> or <is>) whose start the reader stands on: every <t>,
    // phonetic runs (<rPh>) left out. The reader ends on the container's end element.
    QString richText()
    {
        QString text;
        int depth = 1;
        while (depth > 0 && next()) {
            if (m_token == Start) {
                if (name() == QLatin1String("t"))
                    text += elementText();
                else if (name() == QLatin1String("rPh"))
                    skipElement();
                else
                    ++depth;
            } else if (m_token == End) {
                --depth;
            }
        }
        return decodeEscapes(text);
    }

    // The outcome. stoppedEarly: the caller left the part before its end on purpose (only its
    // errors so far count).
    PartResult finish(bool stoppedEarly = false)
    {
        const auto *zipPart = dynamic_cast<const ZipPartDevice *>(m_in);
        if (m_damaged || (zipPart && zipPart->damaged()))
            return PartResult::Damaged;
        if (m_error)
            return PartResult::Damaged; // only what was parsed counts: a part left early is read no further
        if (m_tooLarge)
            return PartResult::TooLarge;
        if (!m_ended && !stoppedEarly)
            return PartResult::Damaged;
        return PartResult::Ok;
    }

    // Byte offset of the current token in the part.
    qint64 offset() const { return m_current.offset; }
    bool tooLarge() const { return m_tooLarge; }
    bool failed() const { return m_damaged || m_tooLarge || m_error; }

private:
    struct Item
    {
        Token type = None;
        QByteArray name;
        XmlAttributes attributes;
        QString text;
        qint64 offset = 0;
    };

    // Parses on to the next stop: the start, or the resumption after a token.
    void step()
    {
        XML_Status status;
        if (!m_started) {
            m_started = true;
            status = XML_Parse(m_parser, m_data.constData(), int(m_data.size()), m_truncated ? XML_FALSE : XML_TRUE);
        } else {
            status = XML_ResumeParser(m_parser);
        }
        if (status == XML_STATUS_SUSPENDED)
            return;
        m_stopped = true;
        if (status == XML_STATUS_ERROR) {
            if (!m_damaged)
                m_error = true;
        } else if (m_truncated) {
            m_tooLarge = true; // the budget ends inside this part
        } else {
            m_ended = true;
        }
    }

    Item &push(Token type)
    {
        m_queued.emplace_back();
        Item &item = m_queued.back();
        item.type = type;
        item.offset = XML_GetCurrentByteIndex(m_parser);
        XML_ParsingStatus st;
        XML_GetParsingStatus(m_parser, &st);
        if (st.parsing == XML_PARSING)
            XML_StopParser(m_parser, XML_TRUE);
        return item;
    }

    static QByteArray localName(const char *name)
    {
        const char *sep = std::strrchr(name, kNsSeparator);
        return QByteArray(sep ? sep + 1 : name);
    }

    void refuse()
    {
        m_damaged = true;
        m_queued.clear();
        XML_StopParser(m_parser, XML_FALSE);
    }

    static void onStart(void *self, const XML_Char *name, const XML_Char **atts)
    {
        auto *r = static_cast<PartReader *>(self);
        if (r->m_damaged)
            return;
        if (++r->m_depth > kMaxDepth) {
            r->refuse();
            return;
        }
        Item &item = r->push(Start);
        item.name = localName(name);
        for (const XML_Char **a = atts; a[0] && a[1]; a += 2)
            item.attributes.add(a[0], a[1]);
    }
    static void onEnd(void *self, const XML_Char *name)
    {
        auto *r = static_cast<PartReader *>(self);
        if (r->m_damaged)
            return;
        --r->m_depth;
        r->push(End).name = localName(name);
    }
    static void onText(void *self, const XML_Char *s, int len)
    {
        auto *r = static_cast<PartReader *>(self);
        if (r->m_damaged)
            return;
        r->push(Text).text = QString::fromUtf8(s, len);
    }
    static void onDoctype(void *self, const XML_Char *, const XML_Char *, const XML_Char *, int)
    {
        static_cast<PartReader *>(self)->refuse();
    }
    static void onEntity(void *self, const XML_Char *, int, const XML_Char *, int, const XML_Char *, const XML_Char *,
                         const XML_Char *, const XML_Char *)
    {
        static_cast<PartReader *>(self)->refuse();
    }

    QIODevice *m_in;
    QByteArray m_data;
    XML_Parser m_parser = nullptr;
    std::deque<Item> m_queued;
    Item m_current;
    Token m_token = None;
    int m_depth = 0;
    bool m_truncated = false;
    bool m_started = false;
    bool m_stopped = false;
    bool m_ended = false;
    bool m_error = false;
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
        const auto &a = r.attributes();
        if (a.value(QLatin1String("TargetMode")).compare(QLatin1String("External"), Qt::CaseInsensitive) == 0)
            continue;
        const QString type = a.value(QLatin1String("Type"));
        Relationship rel;
        rel.id = a.value(QLatin1String("Id"));
        rel.type = type.mid(type.lastIndexOf(QLatin1Char('/')) + 1).toLower();
        rel.target = resolveTarget(folder, a.value(QLatin1String("Target")));
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
        const auto &a = r.attributes();
        if (name == QLatin1String("workbookPr")) {
            out->date1904 = isTrue(a.value(QLatin1String("date1904")));
        } else if (name == QLatin1String("workbookView") && out->activeTab < 0) {
            bool ok = false;
            const int t = a.value(QLatin1String("activeTab")).toInt(&ok);
            out->activeTab = ok && t >= 0 ? t : 0;
        } else if (name == QLatin1String("sheet")) {
            SheetEntry s;
            s.name = validText(a.value(QLatin1String("name")));
            const auto state = a.value(QLatin1String("state"));
            s.visible = state.isEmpty() || state == QLatin1String("visible");
            s.rid = a.namespacedValue(QLatin1String("id"));
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
            const auto &a = r.attributes();
            if (name == QLatin1String("numFmt")) {
                if (custom.size() < kMaxFormats)
                    custom.insert(a.value(QLatin1String("numFmtId")).toInt(), customDateKind(a.value(QLatin1String("formatCode"))));
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
            const auto &a = r.attributes();
            int cr = 0;
            int cc = 0;
            if (parseCellRef(a.value(QLatin1String("r")), &cr, &cc)) {
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
            const QString type = a.value(QLatin1String("t"));
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
