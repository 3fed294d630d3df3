#include "workbook/xlsxparts.h"

#include <QHash>
#include <expat.h>
#include <iconv.h>

#include <algorithm>
#include <cerrno>
#include <cstddef>
#include <cstdlib>
#include <cstring>
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
constexpr int kMaxAttributes = 1000;     // attributes and namespace declarations of one tag (a workbook's carry a handful)
constexpr size_t kTokensPerStop = 64;    // tokens the parser gives before it waits for the reader
constexpr size_t kNamesShared = 16;      // element names kept to be shared
constexpr qint64 kReadPiece = 256 * 1024;  // bytes of a part unpacked at a time
constexpr char kNsSeparator = '\x01';    // between namespace and local name (no XML text holds it)

// The parser's own memory, counted for the parser of this thread (one parses at a time): the
// unparsed rest of a part it copies when it first stops (up to the budget) and 8 MB more for
// what it keeps while parsing (a sound part needs far less). It keeps every element, attribute and prefix name it has seen for the rest of
// the part, so millions of different names (2.5 s and 230 MB) end at this limit instead, as
// a part too large to read.
constexpr size_t kParserMemory = size_t(XmlBudget::kBytes) + 8 * 1024 * 1024;
thread_local size_t tParserMemory = 0;

struct alignas(std::max_align_t) Allocation
{
    size_t size;
};

void *parserMalloc(size_t size)
{
    if (size > kParserMemory - tParserMemory)
        return nullptr;
    auto *a = static_cast<Allocation *>(std::malloc(sizeof(Allocation) + size));
    if (!a)
        return nullptr;
    a->size = size;
    tParserMemory += size;
    return a + 1;
}

void parserFree(void *p)
{
    if (!p)
        return;
    Allocation *a = static_cast<Allocation *>(p) - 1;
    tParserMemory -= a->size;
    std::free(a);
}

void *parserRealloc(void *p, size_t size)
{
    if (!p)
        return parserMalloc(size);
    Allocation *a = static_cast<Allocation *>(p) - 1;
    const size_t old = a->size;
    if (size > old && size - old > kParserMemory - tParserMemory)
        return nullptr;
    auto *b = static_cast<Allocation *>(std::realloc(a, sizeof(Allocation) + size));
    if (!b)
        return nullptr;
    tParserMemory = tParserMemory - old + size;
    b->size = size;
    return b + 1;
}

const XML_Memory_Handling_Suite kParserAllocator = {parserMalloc, parserRealloc, parserFree};

// Whether some tag of the XML has more than kMaxAttributes attributes (counted as the '=' outside
// quoted values; comments, CDATA sections and processing instructions passed over). Checked in
// one pass before parsing: the parser's own work on a tag grows faster than its attributes, and
// it keeps every attribute name it has seen.
bool floodedTag(const QByteArray &xml)
{
    const char *const begin = xml.constData();
    const char *const end = begin + xml.size();
    const char *p = begin;
    auto skipPast = [&](const char *opener, const char *closer) -> bool {
        const qsizetype n = qsizetype(std::strlen(opener));
        if (end - p < n || std::memcmp(p, opener, size_t(n)) != 0)
            return false;
        const qsizetype at = xml.indexOf(closer, (p - begin) + n);
        p = at < 0 ? end : begin + at + qsizetype(std::strlen(closer));
        return true;
    };
    while (p < end && (p = static_cast<const char *>(std::memchr(p, '<', size_t(end - p))))) {
        if (skipPast("<!--", "-->") || skipPast("<![CDATA[", "]]>") || skipPast("<?", "?>"))
            continue;
        int equals = 0;
        char quote = 0;
        for (++p; p < end; ++p) {
            if (quote) {
                if (*p == quote)
                    quote = 0;
            } else if (*p == '"' || *p == '\'') {
                quote = *p;
            } else if (*p == '=') {
                if (++equals > kMaxAttributes)
                    return true;
            } else if (*p == '>') {
                break;
            }
        }
    }
    return false;
}

// How a part's bytes came to what the parser is given.
enum class PartBytes { Whole, BeyondLimit, NotOfItsEncoding };

// The encoding named by the XML declaration at the start of a part, and where its name stands
// (at < 0: none named).
struct DeclaredEncoding
{
    qsizetype at = -1;
    qsizetype size = 0;
};

DeclaredEncoding declaredEncoding(const QByteArray &start)
{
    if (!start.startsWith("<?xml"))
        return {};
    const qsizetype end = start.indexOf("?>");
    qsizetype at = end < 0 ? -1 : start.indexOf("encoding", 5);
    if (at < 0 || at > end)
        return {};
    auto skipSpace = [&] {
        while (at < end && (start[at] == ' ' || start[at] == '\t' || start[at] == '\r' || start[at] == '\n'))
            ++at;
    };
    at += 8;
    skipSpace();
    if (at >= end || start[at] != '=')
        return {};
    ++at;
    skipSpace();
    if (at >= end || (start[at] != '"' && start[at] != '\''))
        return {};
    const qsizetype close = start.indexOf(start[at], at + 1);
    if (close < 0 || close > end)
        return {};
    return {at + 1, close - at - 1};
}

// The encoding to convert from for a part declared in a Chinese encoding the parser does not
// know (GB2312 and GBK are read as GBK, which holds GB2312 and the euro sign some writers add),
// or null: the parser reads UTF-8, UTF-16, ISO-8859-1 and US-ASCII itself and refuses the rest.
const char *chineseEncoding(QByteArrayView name)
{
    if (name.compare("GBK", Qt::CaseInsensitive) == 0 || name.compare("GB2312", Qt::CaseInsensitive) == 0)
        return "GBK";
    if (name.compare("GB18030", Qt::CaseInsensitive) == 0)
        return "GB18030";
    return nullptr;
}

// Converts the rest of a part, `raw` its first bytes, from `from` to UTF-8 into *out, up to
// `limit` bytes (as many as the part turns into, or fewer where it goes on past the limit).
PartBytes convertToUtf8(QIODevice *in, QByteArray raw, const char *from, qint64 limit, QByteArray *out)
{
    iconv_t cd = iconv_open("UTF-8", from);
    if (cd == iconv_t(-1)) {
        if (errno == ENOMEM)
            throw std::bad_alloc();
        return PartBytes::NotOfItsEncoding; // a C library without the conversion: as an unknown encoding
    }
    PartBytes result = PartBytes::Whole;
    bool atEnd = false;
    for (;;) {
        if (!atEnd) {
            const QByteArray piece = in->read(kReadPiece);
            atEnd = piece.isEmpty();
            raw += piece;
        }
        // A character of these encodings takes at most one and a half times its bytes in UTF-8.
        const qint64 room = std::min<qint64>(limit - out->size(), raw.size() + raw.size() / 2 + 4);
        const qsizetype done = out->size();
        out->resize(done + qsizetype(room));
        char *src = raw.data();
        size_t srcLeft = size_t(raw.size());
        char *dst = out->data() + done;
        size_t dstLeft = size_t(room);
        const size_t n = iconv(cd, &src, &srcLeft, &dst, &dstLeft);
        const int error = n == size_t(-1) ? errno : 0;
        out->resize(dst - out->data());
        raw.remove(0, src - raw.data());
        if (error == EILSEQ || (error == EINVAL && atEnd)) {
            result = PartBytes::NotOfItsEncoding;
            break;
        }
        if (error == E2BIG && out->size() + 4 >= limit) {
            result = PartBytes::BeyondLimit; // the next character does not fit
            break;
        }
        if (atEnd && raw.isEmpty())
            break;
    }
    iconv_close(cd);
    return result;
}

// The bytes of a part as the parser is to be given them, up to `limit` bytes: as they stand, or,
// for a part declared in a Chinese encoding, converted to UTF-8 with the declaration saying so.
PartBytes partXml(QIODevice *in, qint64 limit, QByteArray *out)
{
    // Read in pieces: the part may be far shorter than the limit.
    QByteArray head = in->read(std::min(kReadPiece, limit + 1));
    const DeclaredEncoding declared = declaredEncoding(head);
    const char *from = declared.at < 0 ? nullptr : chineseEncoding(QByteArrayView(head).sliced(declared.at, declared.size));
    if (from) {
        head.replace(declared.at, declared.size, "UTF-8"); // the same bytes in either encoding
        return convertToUtf8(in, std::move(head), from, limit, out);
    }
    // One byte more than the limit tells whether the part goes on past it.
    *out = std::move(head);
    while (out->size() <= limit) {
        const QByteArray piece = in->read(std::min<qint64>(kReadPiece, limit + 1 - out->size()));
        if (piece.isEmpty())
            break;
        *out += piece;
    }
    if (out->size() <= limit)
        return PartBytes::Whole;
    out->truncate(qsizetype(limit));
    return PartBytes::BeyondLimit;
}

// The attributes of one start tag: full names ("local", or namespace, separator, local) and
// values as UTF-8, each ended by a zero byte, turned into text only when asked.
class XmlAttributes
{
public:
    void clear() { m_flat.resize(0); }
    void add(const char *name, const char *value)
    {
        m_flat.append(name, qsizetype(std::strlen(name) + 1));
        m_flat.append(value, qsizetype(std::strlen(value) + 1));
    }
    // The value of the attribute of that name without a namespace prefix.
    QString value(QLatin1StringView name) const
    {
        return find([&](QLatin1StringView full) { return full == name; });
    }
    // The value of an attribute of that local name in some namespace (r:id).
    QString namespacedValue(QLatin1StringView local) const
    {
        return find([&](QLatin1StringView full) {
            const qsizetype sep = full.lastIndexOf(QLatin1Char(kNsSeparator));
            return sep >= 0 && full.mid(sep + 1) == local;
        });
    }

private:
    template<typename Match>
    QString find(const Match &match) const
    {
        const char *p = m_flat.constData();
        const char *const end = p + m_flat.size();
        while (p < end) {
            const QLatin1StringView name(p);
            const char *value = p + name.size() + 1;
            const qsizetype valueSize = qsizetype(std::strlen(value));
            if (match(name))
                return QString::fromUtf8(value, valueSize);
            p = value + valueSize + 1;
        }
        return QString();
    }

    QByteArray m_flat;
};

// One part's XML, read token by token. The part is taken into memory within the read's budget
// and handed to expat in one call (whose work is linear in the bytes; fed in pieces, a token
// that spans many pieces is parsed again for each). The parser stops after a few tokens and is
// resumed by next() when they are read, so the tokens wait in a short queue.
class PartReader
{
public:
    enum Token { None, Start, End, Text };

    PartReader(QIODevice *in, XmlBudget &budget) : m_in(in)
    {
        // The budget counts the bytes the parser is given, after any conversion.
        const PartBytes got = partXml(in, budget.bytes, &m_data);
        m_truncated = got == PartBytes::BeyondLimit;
        budget.bytes = m_truncated ? 0 : budget.bytes - m_data.size();
        if (got == PartBytes::NotOfItsEncoding || floodedTag(m_data)) {
            m_damaged = true;
            m_stopped = true;
        }
        const XML_Char separator[] = {kNsSeparator, '\0'};
        m_parser = XML_ParserCreate_MM(nullptr, &kParserAllocator, separator);
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
        if (++m_head >= m_count) {
            // The tokens given so far are read: their places are used again.
            m_head = 0;
            m_count = 0;
            while (m_count == 0) {
                if (m_stopped) {
                    m_token = None;
                    return false;
                }
                step();
            }
        }
        m_token = current().type;
        return true;
    }

    bool isStart() const { return m_token == Start; }
    bool isEnd() const { return m_token == End; }
    // The local name of the element whose start or end the reader stands on.
    QLatin1StringView name() const { return QLatin1StringView(current().name); }
    const XmlAttributes &attributes() const { return current().attributes; }

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
                *text += QString::fromUtf8(current().text);
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
    qint64 offset() const { return m_count > 0 ? current().offset : 0; }
    bool tooLarge() const { return m_tooLarge; }
    bool failed() const { return m_damaged || m_tooLarge || m_error; }

private:
    // A token as the parser gave it. Items are used again and again, keeping their buffers.
    struct Item
    {
        Token type = None;
        QByteArray name;        // shared with the names seen before
        XmlAttributes attributes;
        QByteArray text;        // UTF-8
        qint64 offset = 0;
    };
    const Item &current() const { return m_items[size_t(m_head)]; }

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
            if (XML_GetErrorCode(m_parser) == XML_ERROR_NO_MEMORY)
                m_tooLarge = true;
            else if (!m_damaged)
                m_error = true;
        } else if (m_truncated) {
            m_tooLarge = true; // the budget ends inside this part
        } else {
            m_ended = true;
        }
    }

    Item &push(Token type)
    {
        if (size_t(m_count) == m_items.size())
            m_items.emplace_back();
        Item &item = m_items[size_t(m_count++)];
        item.type = type;
        item.offset = XML_GetCurrentByteIndex(m_parser);
        if (size_t(m_count) >= kTokensPerStop) {
            XML_ParsingStatus st;
            XML_GetParsingStatus(m_parser, &st);
            if (st.parsing == XML_PARSING)
                XML_StopParser(m_parser, XML_TRUE);
        }
        return item;
    }

    // The local name, shared with an earlier one of the same text (a part uses a few names).
    QByteArray localName(const char *name)
    {
        const char *sep = std::strrchr(name, kNsSeparator);
        const QLatin1StringView local(sep ? sep + 1 : name);
        for (const QByteArray &known : m_names)
            if (QLatin1StringView(known) == local)
                return known;
        QByteArray made(local.data(), local.size());
        if (m_names.size() < kNamesShared)
            m_names.push_back(made);
        return made;
    }

    void refuse()
    {
        m_damaged = true;
        m_count = 0;
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
        item.name = r->localName(name);
        item.attributes.clear();
        for (const XML_Char **a = atts; a[0] && a[1]; a += 2)
            item.attributes.add(a[0], a[1]);
    }
    static void onEnd(void *self, const XML_Char *name)
    {
        auto *r = static_cast<PartReader *>(self);
        if (r->m_damaged)
            return;
        --r->m_depth;
        r->push(End).name = r->localName(name);
    }
    static void onText(void *self, const XML_Char *s, int len)
    {
        auto *r = static_cast<PartReader *>(self);
        if (r->m_damaged)
            return;
        Item &item = r->push(Text);
        item.text.resize(0);
        item.text.append(s, len);
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
    std::vector<Item> m_items; // the tokens given by the parser: m_head is read now, m_count given
    int m_head = 0;
    int m_count = 0;
    std::vector<QByteArray> m_names;
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
