#include "workbook/xlsxpackage.h"

#include <QStringList>
#include <QUrl>

#include <zip.h>

namespace quorvane {

namespace {

constexpr quint64 kMaxPartBytes = 200ULL * 1024 * 1024;     // largest unpacked part
constexpr quint64 kMaxUnpackedBytes = 256ULL * 1024 * 1024; // all parts opened, together

// One entry of the package, unpacked as it is read.
class ZipEntryDevice : public ZipPartDevice
{
public:
    ZipEntryDevice(zip_file_t *file, quint64 size) : m_file(file), m_size(size) { open(QIODevice::ReadOnly); }
    ~ZipEntryDevice() override
    {
        if (m_file)
            zip_fclose(m_file);
    }
protected:
    qint64 readData(char *data, qint64 maxSize) override
    {
        if (!m_file || m_damaged || maxSize <= 0)
            return m_damaged ? -1 : 0;
        const zip_int64_t n = zip_fread(m_file, data, zip_uint64_t(maxSize));
        if (n < 0) {
            // Damaged packed data, or a checksum that does not match at the end.
            m_damaged = true;
            setErrorString(QStringLiteral("damaged"));
            return -1;
        }
        m_read += quint64(n);
        if (m_read > m_size) { // more data than the directory declares
            m_damaged = true;
            return -1;
        }
        return n;
    }
    qint64 writeData(const char *, qint64) override { return -1; }

private:
    zip_file_t *m_file;
    quint64 m_size;
    quint64 m_read = 0;
};

} // namespace

ZipPackage::ZipPackage() = default;

ZipPackage::~ZipPackage()
{
    if (m_zip)
        zip_discard(m_zip);
}

bool ZipPackage::open(const QByteArray &data)
{
    m_data = data;
    zip_error_t ze;
    zip_error_init(&ze);
    zip_source_t *src = zip_source_buffer_create(m_data.constData(), zip_uint64_t(m_data.size()), 0, &ze);
    if (!src) {
        zip_error_fini(&ze);
        return false;
    }
    m_zip = zip_open_from_source(src, ZIP_RDONLY, &ze);
    zip_error_fini(&ze);
    if (!m_zip) {
        zip_source_free(src);
        return false;
    }
    // The directory is as long as the file allows: one entry costs at least 46 bytes of it.
    const zip_int64_t count = zip_get_num_entries(m_zip, 0);
    for (zip_int64_t i = 0; i < count; ++i) {
        const char *name = zip_get_name(m_zip, zip_uint64_t(i), ZIP_FL_ENC_GUESS);
        if (name)
            m_index.insert(normalise(QString::fromUtf8(name)), i);
    }
    return true;
}

QString ZipPackage::normalise(QString name)
{
    name.replace(QLatin1Char('\\'), QLatin1Char('/'));
    while (name.startsWith(QLatin1Char('/')))
        name.remove(0, 1);
    return name.toLower();
}

bool ZipPackage::has(const QString &part) const
{
    return m_index.contains(normalise(part));
}

std::unique_ptr<QIODevice> ZipPackage::part(const QString &name, PartResult *result) const
{
    const auto it = m_index.constFind(normalise(name));
    if (it == m_index.constEnd()) {
        *result = PartResult::Missing;
        return nullptr;
    }
    zip_stat_t st;
    zip_stat_init(&st);
    if (zip_stat_index(m_zip, zip_uint64_t(*it), 0, &st) != 0 || !(st.valid & ZIP_STAT_SIZE)) {
        *result = PartResult::Damaged;
        return nullptr;
    }
    if (st.size > kMaxPartBytes || m_declared + st.size > kMaxUnpackedBytes) {
        *result = PartResult::TooLarge;
        return nullptr;
    }
    zip_file_t *f = zip_fopen_index(m_zip, zip_uint64_t(*it), 0);
    if (!f) {
        *result = PartResult::Damaged;
        return nullptr;
    }
    m_declared += st.size;
    *result = PartResult::Ok;
    return std::make_unique<ZipEntryDevice>(f, st.size);
}

QString resolveTarget(const QString &sourceFolder, QString target)
{
    target = QUrl::fromPercentEncoding(target.toUtf8());
    target.replace(QLatin1Char('\\'), QLatin1Char('/'));
    const QString path = target.startsWith(QLatin1Char('/')) ? target.mid(1) : sourceFolder + target;
    QStringList out;
    const QStringList parts = path.split(QLatin1Char('/'), Qt::SkipEmptyParts);
    for (const QString &p : parts) {
        if (p == QLatin1String("."))
            continue;
        if (p == QLatin1String("..")) {
            if (!out.isEmpty())
                out.removeLast();
            continue;
        }
        out << p;
    }
    return out.join(QLatin1Char('/'));
}

QString folderOf(const QString &part)
{
    const int slash = int(part.lastIndexOf(QLatin1Char('/')));
    return slash < 0 ? QString() : part.left(slash + 1);
}

QString relsOf(const QString &part)
{
    const int slash = int(part.lastIndexOf(QLatin1Char('/')));
    return part.left(slash + 1) + QStringLiteral("_rels/") + part.mid(slash + 1) + QStringLiteral(".rels");
}

} // namespace quorvane
