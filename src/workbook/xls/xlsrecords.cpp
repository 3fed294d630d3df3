#include "workbook/xls/xlsrecords.h"

#include "workbook/celltext.h"

#include <QHash>
#include <QSet>

#include <algorithm>
#include <climits>
#include <cstring>

namespace quorvane {

namespace {

// The type given to a record that FreeXL is not to see: one no reader knows (not 0, which FreeXL
// takes for the end of the stream when the record is empty).
constexpr quint16 kUnknownRecord = 0x1FFF;
// The longest payload of a BIFF8 record: FreeXL stops reading at a longer one (and says nothing).
constexpr qint64 kMaxRecordLength = 8224;

} // namespace

QVector<XlsRecord> xlsRecords(const QByteArray &stream)
{
    QVector<XlsRecord> recs;
    const qint64 size = stream.size();
    for (qint64 at = 0; at + 4 <= size;) {
        const XlsRecord r{at, le16(stream, at), le16(stream, at + 2)};
        if (at + 4 + r.len > size)
            break;
        recs.append(r);
        at += 4 + r.len;
    }
    return recs;
}

bool xlsEncrypted(const QByteArray &stream)
{
    for (const XlsRecord &r : xlsRecords(stream)) {
        if (r.type == 0x000A)
            break;
        if (r.type == 0x002F)
            return true;
    }
    return false;
}

// The sheet a reader opens: the active tab when it is a visible worksheet, else the first
// visible worksheet; -1 when the stream does not say (the first sheet is read then), -2 when no
// sheet is a visible worksheet. Sheets count in the order of their BOUNDSHEET records.
int xlsSheetToRead(const QByteArray &stream)
{
    int activeTab = -1;
    QVector<bool> readable;
    for (const XlsRecord &r : xlsRecords(stream)) {
        if (r.type == 0x000A)
            break;
        if (r.type == 0x003D && r.len >= 12 && activeTab < 0)
            activeTab = le16(stream, r.at + 4 + 10);
        else if (r.type == 0x0085 && r.len >= 6)
            readable.append((uchar(stream[r.at + 4 + 4]) & 0x03) == 0 && uchar(stream[r.at + 4 + 5]) == 0);
    }
    if (readable.isEmpty())
        return -1;
    if (activeTab >= 0 && activeTab < readable.size() && readable[activeTab])
        return activeTab;
    const int first = int(readable.indexOf(true));
    return first >= 0 ? first : -2;
}

// The text of an error code of a cell (BOOLERR) or a formula result.
static QByteArray xlsErrorText(uchar code)
{
    switch (code) {
    case 0x00: return "#NULL!";
    case 0x07: return "#DIV/0!";
    case 0x0F: return "#VALUE!";
    case 0x17: return "#REF!";
    case 0x1D: return "#NAME?";
    case 0x24: return "#NUM!";
    default: return "#N/A";
    }
}

namespace {

// BIFF8 strings in a record and the CONTINUE records after it, in order: the shared-string table
// (the SST record), or a formula's text result (a STRING record). A string's header lies whole in
// one record; its characters may go on in the next records, each time after a byte that tells
// their width (one or two bytes a character, which may change from one record to the next), and
// its formatting runs and phonetic data may go on as they are.
class ContinuedStrings
{
public:
    // At most `count` strings, from byte `from` of record `block` on.
    ContinuedStrings(const QByteArray &stream, const QVector<XlsRecord> &recs, int block, qint64 from, quint32 count)
        : m_s(stream), m_recs(recs), m_block(block), m_pos(from), m_end(recs[block].at + 4 + recs[block].len), m_left(count)
    {
    }
    // The strings of the shared-string table that is record `sst`.
    static ContinuedStrings table(const QByteArray &stream, const QVector<XlsRecord> &recs, int sst)
    {
        return ContinuedStrings(stream, recs, sst, recs[sst].at + 4 + 8, le32(stream, recs[sst].at + 4 + 4));
    }

    // The next string's length in characters, and its text into *text unless text is null;
    // false at the end of the table or where it does not hold together.
    bool next(quint32 *chars, QString *text)
    {
        if (m_left == 0 || (m_pos >= m_end && !nextRecord()) || m_pos + 3 > m_end)
            return false;
        const quint32 cch = le16(m_s, m_pos);
        const uchar flags = uchar(m_s[m_pos + 2]);
        qint64 p = m_pos + 3;
        qint64 extra = 0;
        if (flags & 0x08) { // formatting runs, four bytes each
            if (p + 2 > m_end)
                return false;
            extra += 4 * qint64(le16(m_s, p));
            p += 2;
        }
        if (flags & 0x04) { // phonetic data
            if (p + 4 > m_end)
                return false;
            extra += le32(m_s, p);
            p += 4;
        }
        bool wide = flags & 0x01;
        if (text) {
            text->clear();
            text->reserve(cch);
        }
        for (quint32 left = cch; left > 0;) {
            if (p >= m_end) {
                if (!nextRecord() || m_pos >= m_end)
                    return false;
                wide = uchar(m_s[m_pos]) & 0x01;
                p = m_pos + 1;
                continue;
            }
            const quint32 take = std::min(left, quint32((m_end - p) / (wide ? 2 : 1)));
            if (take == 0)
                return false; // half a character at the end of a record
            if (text && wide) {
                const qsizetype from = text->size();
                text->resize(from + take);
                QChar *out = text->data() + from;
                for (quint32 i = 0; i < take; ++i)
                    out[i] = QChar(le16(m_s, p + 2 * qint64(i)));
            } else if (text) {
                text->append(QLatin1StringView(m_s.constData() + p, take));
            }
            p += qint64(take) * (wide ? 2 : 1);
            left -= take;
        }
        while (extra > 0) {
            if (p >= m_end) {
                if (!nextRecord())
                    return false;
                p = m_pos;
                continue;
            }
            const qint64 take = std::min(extra, m_end - p);
            p += take;
            extra -= take;
        }
        m_pos = p;
        --m_left;
        *chars = cch;
        return true;
    }

private:
    bool nextRecord()
    {
        if (m_block + 1 >= m_recs.size() || m_recs[m_block + 1].type != 0x003C)
            return false;
        ++m_block;
        m_pos = m_recs[m_block].at + 4;
        m_end = m_pos + m_recs[m_block].len;
        return true;
    }

    const QByteArray &m_s;
    const QVector<XlsRecord> &m_recs;
    int m_block;
    qint64 m_pos;
    qint64 m_end;
    quint32 m_left; // strings still to be read
};

} // namespace

// FreeXL 1.0.x reads no formula cell of a BIFF5/BIFF8 workbook: each would read empty, although
// the file keeps the result the formula last had. Each FORMULA record (with the STRING record
// that holds a text result) is rewritten into the value record of its result (NUMBER, or LABEL
// for a text, a truth value or an error) followed by a record of a type no reader knows that
// fills the rest, so the stream keeps its length. A text that goes on in CONTINUE records, that
// would make a LABEL longer than a record may be, or that its records do not hold whole, is read
// here instead (the records that hold it are hidden).
// Returns whether anything was rewritten.
bool convertXlsFormulas(QByteArray &stream, QHash<qint64, XlsFormulaText> *texts)
{
    const QVector<XlsRecord> recs = xlsRecords(stream);
    bool biff8 = true;
    bool changed = false;
    QByteArray out;
    out.reserve(stream.size());
    auto appendRecord = [&](quint16 type, const QByteArray &payload) {
        QByteArray h(4, '\0');
        put16(h, 0, type);
        put16(h, 2, quint16(payload.size()));
        out += h;
        out += payload;
    };
    auto filler = [&](qint64 len) { appendRecord(kUnknownRecord, QByteArray(int(len), '\0')); };
    auto label = [&](const QByteArray &cell, const QByteArray &latin1) {
        QByteArray p = cell;
        QByteArray n(2, '\0');
        put16(n, 0, quint16(latin1.size()));
        p += n;
        if (biff8)
            p += '\0'; // one byte per character
        p += latin1;
        return p;
    };
    for (int i = 0; i < recs.size(); ++i) {
        const XlsRecord &r = recs[i];
        const QByteArray whole = stream.mid(r.at, 4 + r.len);
        if (r.type == 0x0809 && r.len >= 2) // BOF: 0x0600 is BIFF8, 0x0500 BIFF5
            biff8 = le16(stream, r.at + 4) != 0x0500;
        if (r.type != 0x0006 || r.len < 22) { // a formula: 22 bytes, then its tokens
            out += whole;
            continue;
        }
        const qint64 body = r.at + 4;
        const QByteArray cell = stream.mid(body, 6); // row, column, format
        const QByteArray value = stream.mid(body + 6, 8);
        changed = true;
        if (le16(value, 6) != 0xFFFF) {
            appendRecord(0x0203, cell + value); // NUMBER
            filler(r.len - 14 - 4);
            continue;
        }
        const uchar kind = uchar(value[0]);
        if (kind == 0) {
            // A text: in the STRING record after the formula (after the shared or array formula
            // records that may come between).
            int j = i + 1;
            while (j < recs.size() && (recs[j].type == 0x04BC || recs[j].type == 0x0221 || recs[j].type == 0x0236))
                ++j;
            if (j >= recs.size() || recs[j].type != 0x0207 || recs[j].len < 2) {
                filler(r.len); // no text stored: the cell stays blank
                continue;
            }
            int end = j + 1; // the CONTINUE records that go on with the STRING record
            while (end < recs.size() && recs[end].type == 0x003C)
                ++end;
            XlsFormulaText text;
            const quint32 cch = le16(stream, recs[j].at + 4);
            quint32 chars = 0;
            if (cch == 0)
                text.whole = true;
            else if (biff8)
                text.whole = ContinuedStrings(stream, recs, j, recs[j].at + 4, 1).next(&chars, &text.text);
            else // one byte a character (a BIFF5 text holds at most 255, never continued)
                text.whole = recs[j].len >= 2 + qint64(cch);
            // A LABEL takes the cell's 6 bytes besides the STRING record's payload: a text that
            // nearly fills its record would make one longer than a record may be.
            const bool fits = 6 + qint64(recs[j].len) <= kMaxRecordLength;
            if (!fits && !biff8)
                text.whole = false; // a BIFF5 text is never that long: a damaged record
            const bool asLabel = text.whole && fits && (end == j + 1 || !biff8);
            if (asLabel) {
                appendRecord(0x0204, cell + stream.mid(recs[j].at + 4, recs[j].len)); // LABEL
                filler(r.len - 6); // the formula and the STRING record's header make up the rest
            } else {
                // Longer than a LABEL record holds, or not there whole: the formula stays, and its
                // text is read from *texts.
                texts->insert(r.at, text);
                out += whole;
            }
            for (int k = i + 1; k < j; ++k)
                out += stream.mid(recs[k].at, 4 + recs[k].len);
            for (int k = asLabel ? j + 1 : j; k < end; ++k)
                filler(recs[k].len);
            i = end - 1; // the STRING and CONTINUE records are taken
            continue;
        }
        QByteArray text;
        if (kind == 1) {
            text = uchar(value[2]) ? "TRUE" : "FALSE";
        } else if (kind == 2) {
            text = xlsErrorText(uchar(value[2]));
        }
        const QByteArray payload = label(cell, text);
        if (text.isEmpty() || r.len - qint64(payload.size()) - 4 < 1) {
            filler(r.len); // an empty text: the cell stays blank
            continue;
        }
        appendRecord(0x0204, payload);
        filler(r.len - payload.size() - 4);
    }
    if (!changed)
        return false;
    out += stream.mid(recs.isEmpty() ? 0 : recs.last().at + 4 + recs.last().len); // bytes after the last record
    if (out.size() != stream.size())
        return false;
    stream = out;
    return true;
}

// FreeXL 1.0.x knows the built-in date and time formats 14 to 22 and 45 to 47 only; the
// built-ins of Chinese, Japanese and Korean Excel (27 to 36 and 50 to 58, such as 31,
// yyyy"年"m"月"d"日"), which a file uses without a FORMAT record of its own, would show their
// dates as serial numbers. Cell formats (XF records) that use one of them are pointed at the
// standard date (14) or time (21) format instead. Returns whether any was changed.
bool useStandardDateFormats(QByteArray &stream)
{
    const QVector<XlsRecord> recs = xlsRecords(stream);
    QSet<int> ownFormats;
    for (const XlsRecord &r : recs) {
        if (r.type == 0x000A)
            break;
        if (r.type == 0x041E && r.len >= 2)
            ownFormats.insert(le16(stream, r.at + 4));
    }
    bool changed = false;
    for (const XlsRecord &r : recs) {
        if (r.type == 0x000A)
            break;
        if (r.type != 0x00E0 || r.len < 4)
            continue;
        const int id = le16(stream, r.at + 4 + 2);
        if (ownFormats.contains(id))
            continue;
        const DateKind kind = (id >= 27 && id <= 36) || (id >= 50 && id <= 58) ? builtinDateKind(id) : NotDate;
        if (kind == DateOnly || kind == DateTime) {
            put16(stream, r.at + 4 + 2, 14);
            changed = true;
        } else if (kind == TimeOnly) {
            put16(stream, r.at + 4 + 2, 21);
            changed = true;
        }
    }
    return changed;
}

namespace {

bool isCellRecord(quint16 type)
{
    switch (type) {
    case 0x0006: // FORMULA (one convertXlsFormulas leaves: with a long text result, or too short for one)
    case 0x00BD: // MULRK
    case 0x00BE: // MULBLANK
    case 0x00D6: // RSTRING
    case 0x00FD: // LABELSST
    case 0x0201: // BLANK
    case 0x0203: // NUMBER
    case 0x0204: // LABEL
    case 0x0205: // BOOLERR
    case 0x027E: // RK
        return true;
    default:
        return false;
    }
}

// The cells FreeXL reads of a MULRK record of `len` bytes (it reads six bytes a cell while more
// than six are left after them).
int mulrkCells(int len)
{
    return len > 10 ? (len - 10 + 5) / 6 : 0;
}

} // namespace

QByteArray repairXls(const QByteArray &file, XlsStream xs, const XlsBounds &bounds, XlsSheetFound *found)
{
    *found = XlsSheetFound();
    QByteArray &stream = xs.bytes;
    // An encrypted workbook (FILEPASS) has its records' contents encrypted: nothing to change.
    if (xlsEncrypted(stream))
        return {};
    QHash<qint64, XlsFormulaText> formulaTexts;
    bool changed = convertXlsFormulas(stream, &formulaTexts);
    changed = useStandardDateFormats(stream) || changed;
    const QVector<XlsRecord> recs = xlsRecords(stream);
    if (stream.size() - (recs.isEmpty() ? 0 : recs.last().at + 4 + recs.last().len) >= 4) {
        found->damaged = true; // a record runs past the end of the stream
        return {};
    }
    auto hide = [&](const XlsRecord &r) {
        put16(stream, r.at, kUnknownRecord);
        changed = true;
    };

    // The global records: the version, the shared-string table, where each sheet starts.
    bool biff8 = true;
    int sst = -1;
    QHash<quint32, int> sheetAt;
    int sheets = 0;
    int k = 0;
    for (; k < recs.size(); ++k) {
        const XlsRecord &r = recs[k];
        if (k == 0 && r.type == 0x0809 && r.len >= 2) // BOF: 0x0600 is BIFF8, 0x0500 BIFF5
            biff8 = le16(stream, r.at + 4) != 0x0500;
        if (r.type == 0x000A)
            break;
        if (r.type == 0x00FC && r.len >= 8 && sst < 0)
            sst = k;
        else if (r.type == 0x0085 && r.len >= 6) {
            const quint32 at = le32(stream, r.at + 4);
            if (!sheetAt.contains(at)) // FreeXL reads the first sheet said to start there
                sheetAt.insert(at, sheets);
            ++sheets;
        }
    }
    // Which strings are empty, for the strings the table holds whole; FreeXL sees no table.
    std::vector<bool> emptyText;
    if (sst >= 0) {
        ContinuedStrings table = ContinuedStrings::table(stream, recs, sst);
        for (quint32 chars = 0; table.next(&chars, nullptr);)
            emptyText.push_back(chars == 0);
        hide(recs[sst]);
    }

    // The cells of every sheet: those of the sheet read within the bounds stay (FreeXL's cells;
    // the shared texts, truth values and errors are read here), every other one is hidden, the
    // rows after the last one read counted first.
    int firstRow = INT_MAX; // what is left of the sheet read
    int lastRow = -1;
    int firstCol = INT_MAX;
    int lastCol = -1;
    QVector<QPair<int, bool>> dimensions; // every sheet's DIMENSIONS record, and whether it is the sheet read's
    struct SharedCell
    {
        int row;
        int col;
        quint32 index;
    };
    QVector<SharedCell> shared;
    std::vector<bool> counted(65536, false); // rows after the bound with a text in the columns read
    auto inColumns = [&](int col) { return bounds.maxCols <= 0 || col < bounds.maxCols; };
    int sheet = -1;    // the sheet whose substream this is (-1: another substream)
    bool open = false; // between a substream's BOF and its EOF
    int within = 0;    // substreams open within it (an embedded chart)
    for (++k; k < recs.size(); ++k) {
        const XlsRecord &r = recs[k];
        if ((r.type == 0x0809 && open) || (r.type == 0x000A && within > 0)) {
            // A chart embedded in a sheet: FreeXL would take its EOF for the sheet's and refuse
            // the sheet's records after it; its records are none of the sheet's cells.
            within += r.type == 0x0809 ? 1 : -1;
            hide(r);
            continue;
        }
        if (r.type == 0x0809 || r.type == 0x000A) {
            sheet = sheetAt.value(quint32(r.at), -1);
            open = r.type == 0x0809;
            continue;
        }
        if (r.type == 0x0200 && within > 0)
            hide(r);
        else if (r.type == 0x0200 && sheet >= 0)
            dimensions.append({k, sheet == bounds.sheet});
        if (!isCellRecord(r.type))
            continue;
        const qint64 body = r.at + 4;
        const bool read = within == 0 && sheet >= 0 && sheet == bounds.sheet && r.len >= 4;
        const int row = read ? le16(stream, body) : 0;
        const int col = read ? le16(stream, body + 2) : 0;
        if (!read || r.type == 0x0201 || r.type == 0x00BE) { // blank cells show nothing
            hide(r);
            continue;
        }
        const int cells = r.type == 0x00BD ? mulrkCells(r.len) : 1;
        const int kept = inColumns(col) ? (bounds.maxCols > 0 ? std::min(cells, bounds.maxCols - col) : cells) : 0;
        const bool label = r.type == 0x0204 || r.type == 0x00D6;
        const bool sharedText = r.type == 0x00FD;
        const quint32 index = sharedText && r.len >= 10 ? le32(stream, body + 6) : quint32(-1);
        if (sharedText && kept > 0 && index >= emptyText.size())
            found->damaged = true; // shows no text the table holds whole
        const auto formula = r.type == 0x0006 ? formulaTexts.constFind(r.at) : formulaTexts.cend();
        const bool formulaText = formula != formulaTexts.cend();
        if (formulaText && kept > 0 && !formula->whole)
            found->damaged = true; // its text result is not there whole
        if (bounds.maxRows > 0 && row >= bounds.maxRows) {
            bool text = kept > 0 && (r.type != 0x0006 || formulaText);
            if (label)
                text = text && r.len >= 8 && le16(stream, body + 6) > 0;
            else if (sharedText)
                text = text && index < emptyText.size() && !emptyText[index];
            else if (formulaText)
                text = text && !formula->text.isEmpty();
            if (text)
                counted[size_t(row)] = true;
            hide(r);
            continue;
        }
        if (kept == 0 || sharedText || formulaText || (r.type == 0x0204 && r.len >= 8 && le16(stream, body + 6) == 0)) {
            // Not read, read here, or an empty inline text (which FreeXL refuses): hidden.
            if (sharedText && kept > 0 && index < emptyText.size() && !emptyText[index])
                shared.append({row, col, index});
            if (formulaText && kept > 0 && !formula->text.isEmpty())
                found->texts.append({row + 1, col + 1, validText(formula->text)});
            hide(r);
            continue;
        }
        // FreeXL reads a value into each cell kept, but from a FORMULA left as it is (it reads
        // none) and an inline text without characters.
        if (r.type != 0x0006 && !(label && (r.len < 8 || le16(stream, body + 6) == 0))) {
            for (int c = col; c < col + kept; ++c)
                found->valued.push_back(quint32(row) << 16 | quint32(c));
        }
        if (kept < cells) {
            // A MULRK record that goes on right of the columns read ends at the last of them; the
            // bytes after it become a record of their own.
            const int len = 4 + 6 * kept + 2;
            put16(stream, r.at + 2, quint16(len));
            put16(stream, body + len - 2, quint16(col + kept - 1));
            put16(stream, body + len, kUnknownRecord);
            put16(stream, body + len + 2, quint16(r.len - len - 4));
            changed = true;
        } else if (r.type == 0x0205 && r.len >= 8) {
            // A truth value or an error: FreeXL reads it as 1 or 0.
            const uchar value = uchar(stream[body + 6]);
            const bool error = uchar(stream[body + 7]) != 0;
            found->texts.append({row + 1, col + 1, QString::fromLatin1(error ? xlsErrorText(value) : QByteArray(value ? "TRUE" : "FALSE"))});
        }
        firstRow = std::min(firstRow, row);
        lastRow = std::max(lastRow, row);
        firstCol = std::min(firstCol, col);
        lastCol = std::max(lastCol, col + kept - 1);
    }
    found->rowsBeyond = int(std::count(counted.cbegin(), counted.cend(), true));
    std::sort(found->valued.begin(), found->valued.end());
    found->valued.erase(std::unique(found->valued.begin(), found->valued.end()), found->valued.end());
    found->scanned = true;

    // Each sheet's size as what is left of it (FreeXL takes a cell table of that size): nothing
    // but in the sheet read.
    const int rowBytes = biff8 ? 4 : 2; // DIMENSIONS: first row, row after the last, then the same of columns
    for (const auto &[d, isRead] : dimensions) {
        if (recs[d].len < 2 * rowBytes + 4)
            continue;
        const bool any = isRead && lastRow >= 0;
        const qint64 body = recs[d].at + 4;
        const QByteArray before = stream.mid(body, 2 * rowBytes + 4);
        for (const auto &[at, row] : {std::pair{body, any ? firstRow : 0}, std::pair{body + rowBytes, any ? lastRow + 1 : 0}})
            rowBytes == 4 ? put32(stream, at, quint32(row)) : put16(stream, at, quint16(row));
        put16(stream, body + 2 * rowBytes, quint16(any ? firstCol : 0));
        put16(stream, body + 2 * rowBytes + 2, quint16(any ? lastCol + 1 : 0));
        changed = changed || stream.mid(body, 2 * rowBytes + 4) != before;
    }

    // The shared texts the cells read show, each read whole from the table.
    if (!shared.isEmpty()) {
        QHash<quint32, QString> texts;
        quint32 last = 0;
        for (const SharedCell &c : shared) {
            texts.insert(c.index, QString());
            last = std::max(last, c.index);
        }
        ContinuedStrings table = ContinuedStrings::table(stream, recs, sst);
        quint32 chars = 0;
        for (quint32 i = 0; i <= last; ++i) {
            auto it = texts.find(i);
            if (!table.next(&chars, it != texts.end() ? &*it : nullptr))
                break;
            if (it != texts.end())
                *it = validText(*it);
        }
        for (const SharedCell &c : shared) {
            const QString text = texts.value(c.index);
            if (!text.isEmpty())
                found->texts.append({c.row + 1, c.col + 1, text});
        }
    }

    // FreeXL also looks for a stream of exactly the cut-off size in the mini stream, where it
    // is not: such a stream is given a file of its own as well.
    const qint64 streamSize = stream.size();
    if (xs.inMiniStream || (streamSize == qint64(le32(file, 56)) && streamSize == kXlsMiniCutoff))
        return xlsContainer(stream);
    if (!changed)
        return {};
    QByteArray repaired = file;
    for (int i = 0; i < xs.sectors.size(); ++i) {
        const qint64 from = qint64(i) * xs.sectorSize;
        const qint64 len = std::min(xs.sectorSize, streamSize - from);
        if (len <= 0)
            break;
        std::memcpy(repaired.data() + (qint64(xs.sectors[i]) + 1) * xs.sectorSize, stream.constData() + from, size_t(len));
    }
    return repaired;
}

} // namespace quorvane
