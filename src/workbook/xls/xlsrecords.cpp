#include "workbook/xls/xlsrecords.h"

#include "workbook/celltext.h"

#include <QSet>

#include <algorithm>
#include <cstring>

namespace quorvane {

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

// FreeXL 1.0.x reads a truth value as the number 1 or 0 and an error value as 1. The texts of
// those cells of one sheet (TRUE, FALSE, #DIV/0!, ...), by row and column from 1, taken from
// their BOOLERR records.
QHash<QPair<int, int>, QString> xlsTruthAndErrorCells(const QByteArray &stream, int sheet)
{
    QHash<QPair<int, int>, QString> cells;
    const QVector<XlsRecord> globals = xlsRecords(stream);
    qint64 start = -1;
    int index = 0;
    for (const XlsRecord &r : globals) {
        if (r.type == 0x000A)
            break;
        if (r.type == 0x0085 && r.len >= 6 && index++ == sheet)
            start = le32(stream, r.at + 4);
    }
    if (start < 0 || start + 4 > stream.size())
        return cells;
    for (qint64 at = start; at + 4 <= stream.size();) {
        const quint16 type = le16(stream, at);
        const quint16 len = le16(stream, at + 2);
        if (at + 4 + len > stream.size() || (type == 0x000A && at > start))
            break;
        if (type == 0x0205 && len >= 8) {
            const int row = le16(stream, at + 4) + 1;
            const int col = le16(stream, at + 6) + 1;
            const uchar value = uchar(stream[at + 4 + 6]);
            const bool error = uchar(stream[at + 4 + 7]) != 0;
            cells.insert({row, col}, QString::fromLatin1(error ? xlsErrorText(value) : QByteArray(value ? "TRUE" : "FALSE")));
        }
        at += 4 + len;
    }
    return cells;
}

// FreeXL 1.0.x reads no formula cell of a BIFF5/BIFF8 workbook: each would read empty, although
// the file keeps the result the formula last had. Each FORMULA record (with the STRING record
// that holds a text result) is rewritten into the value record of its result (NUMBER, or LABEL
// for a text, a truth value or an error) followed by a record of a type no reader knows that
// fills the rest, so the stream keeps its length. Returns whether anything was rewritten.
bool convertXlsFormulas(QByteArray &stream)
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
    auto filler = [&](qint64 len) { appendRecord(0x0000, QByteArray(int(len), '\0')); };
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
            const bool single = j < recs.size() && recs[j].type == 0x0207 && recs[j].len >= 2
                && (j + 1 >= recs.size() || recs[j + 1].type != 0x003C);
            if (!single) {
                filler(r.len);
                continue;
            }
            appendRecord(0x0204, cell + stream.mid(recs[j].at + 4, recs[j].len)); // LABEL
            filler(r.len - 6); // the formula and the STRING record's header make up the rest
            for (int k = i + 1; k < j; ++k)
                out += stream.mid(recs[k].at, 4 + recs[k].len);
            i = j; // the STRING record is taken
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

// The repaired file, or an empty array when the file needs no repair or cannot be repaired.
QByteArray repairXls(const QByteArray &file)
{
    XlsStream xs;
    if (!readXlsStream(file, &xs))
        return {};
    QByteArray &stream = xs.bytes;
    const qint64 streamSize = stream.size();
    const bool inMiniStream = xs.inMiniStream;
    const QVector<quint32> &streamChain = xs.sectors;
    const qint64 ss = xs.sectorSize;
    auto offsetOf = [&](quint32 sector) { return (qint64(sector) + 1) * ss; };
    // An encrypted workbook (FILEPASS) has its records' contents encrypted: nothing to change.
    if (xlsEncrypted(stream))
        return {};
    bool changed = convertXlsFormulas(stream);
    changed = useStandardDateFormats(stream) || changed;
    using Rec = XlsRecord;
    const QVector<Rec> recs = xlsRecords(stream);

    // Empty inline texts: the cell record is made unknown.
    for (const Rec &r : recs) {
        if (r.type == 0x0204 && r.len >= 8 && le16(stream, r.at + 4 + 6) == 0) {
            put16(stream, r.at, 0x0000);
            changed = true;
        }
    }

    // Empty shared strings: the first SST of the workbook's global records and its CONTINUEs.
    int sst = -1;
    for (int i = 0; i < recs.size() && sst < 0; ++i) {
        if (recs[i].type == 0x000A)
            break;
        if (recs[i].type == 0x00FC && recs[i].len >= 8)
            sst = i;
    }
    struct Empty
    {
        qint64 header;   // the text's length and flags
        qint64 insertAt; // where the character goes
        int block;       // record (index in recs) that grows
    };
    QVector<Empty> empties;
    // A table this walk does not understand is left as it is (the other repairs still apply).
    auto findEmpties = [&]() -> bool {
        int block = sst;
        qint64 pos = recs[sst].at + 4 + 8;
        qint64 end = recs[sst].at + 4 + recs[sst].len;
        auto next = [&]() {
            if (block + 1 >= recs.size() || recs[block + 1].type != 0x003C)
                return false;
            ++block;
            pos = recs[block].at + 4;
            end = pos + recs[block].len;
            return true;
        };
        const quint32 count = le32(stream, recs[sst].at + 4 + 4);
        for (quint32 i = 0; i < count; ++i) {
            if (pos >= end && !next())
                break;
            if (pos + 3 > end)
                return false;
            const quint32 cch = le16(stream, pos);
            const uchar flags = uchar(stream[pos + 2]);
            qint64 p = pos + 3;
            quint32 extra = 0;
            if (flags & 0x08) {
                if (p + 2 > end)
                    return false;
                extra += 4 * quint32(le16(stream, p));
                p += 2;
            }
            if (flags & 0x04) {
                if (p + 4 > end)
                    return false;
                extra += le32(stream, p);
                p += 4;
            }
            if (cch == 0)
                empties.append({pos, p, block});
            bool wide = flags & 0x01;
            quint32 left = cch;
            while (left > 0) {
                const quint32 fits = quint32((end - p) / (wide ? 2 : 1));
                const quint32 take = std::min(left, fits);
                p += qint64(take) * (wide ? 2 : 1);
                left -= take;
                if (left == 0)
                    break;
                if (!next() || pos >= end)
                    return false;
                wide = uchar(stream[pos]) & 0x01; // a continued text starts with its width flag
                p = pos + 1;
            }
            while (extra > 0) {
                const quint32 take = std::min<quint32>(extra, quint32(end - p));
                p += take;
                extra -= take;
                if (extra > 0 && !next())
                    return false;
                if (extra > 0)
                    p = pos;
            }
            pos = p;
        }
        return true;
    };
    if (sst >= 0 && !findEmpties())
        empties.clear();
    if (!empties.isEmpty()) {
        // The donor: WRITEACCESS (padding) or EXTSST, among the global records.
        const int need = int(empties.size());
        int donor = -1;
        for (int i = 0; i < recs.size() && donor < 0; ++i) {
            if (recs[i].type == 0x000A)
                break;
            if ((recs[i].type == 0x005C || recs[i].type == 0x00FF) && recs[i].len >= need)
                donor = i;
        }
        if (donor < 0)
            return {};
        QHash<int, int> grow; // a donor holds at most 8224 bytes, so this stays small
        for (const Empty &e : empties)
            grow[e.block] += 1;
        for (auto it = grow.constBegin(); it != grow.constEnd(); ++it)
            if (recs[it.key()].len + it.value() > 8224)
                return {};
        // The new stream: the same bytes, with one mark per empty string and the donor shortened.
        // The marks in stream order: the copy and every moved place walk or search them once.
        QVector<qint64> marks;
        marks.reserve(empties.size());
        for (const Empty &e : empties)
            marks.append(e.insertAt);
        std::sort(marks.begin(), marks.end());
        const qint64 cutFrom = recs[donor].at + 4 + recs[donor].len - need;
        QByteArray out;
        out.reserve(streamSize);
        qsizetype nextMark = 0;
        for (qint64 i = 0; i < streamSize; ++i) {
            for (; nextMark < marks.size() && marks[nextMark] == i; ++nextMark)
                out.append(kXlsEmptyMark);
            if (i >= cutFrom && i < cutFrom + need)
                continue;
            out.append(stream[i]);
        }
        if (out.size() != streamSize)
            return {};
        // Lengths and the texts' headers, at their new places: each mark at or before a place
        // moves it on by one, the cut moves what follows it back.
        auto moved = [&](qint64 at) {
            qint64 shiftBy = std::upper_bound(marks.cbegin(), marks.cend(), at) - marks.cbegin();
            if (at >= cutFrom + need)
                shiftBy -= need;
            return at + shiftBy;
        };
        for (auto it = grow.constBegin(); it != grow.constEnd(); ++it)
            put16(out, moved(recs[it.key()].at) + 2, quint16(recs[it.key()].len + it.value()));
        put16(out, moved(recs[donor].at) + 2, quint16(recs[donor].len - need));
        if (recs[donor].type == 0x00FF)
            put16(out, moved(recs[donor].at), 0x0000); // an index of no use any more
        for (const Empty &e : empties) {
            // One character, written in one byte.
            const qint64 header = moved(e.header);
            put16(out, header, 1);
            out[header + 2] = char(uchar(out[header + 2]) & ~0x01);
        }
        stream = out;
        changed = true;
    }
    // FreeXL also looks for a stream of exactly the cut-off size in the mini stream, where it
    // is not: such a stream is given a file of its own as well.
    if (inMiniStream || (streamSize == qint64(le32(file, 56)) && streamSize == kXlsMiniCutoff))
        return xlsContainer(stream);
    if (!changed)
        return {};
    QByteArray repaired = file;
    for (int i = 0; i < streamChain.size(); ++i) {
        const qint64 from = qint64(i) * ss;
        const qint64 len = std::min(ss, streamSize - from);
        if (len <= 0)
            break;
        std::memcpy(repaired.data() + offsetOf(streamChain[i]), stream.constData() + from, size_t(len));
    }
    return repaired;
}

} // namespace quorvane
