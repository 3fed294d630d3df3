#pragma once
#include <QByteArray>
#include <QHash>
#include <QIODevice>
#include <QString>

#include <memory>

typedef struct zip zip_t;

namespace quorvane {

// What reading one part of a package, or the whole workbook, came to.
enum class PartResult { Ok, Missing, Damaged, TooLarge };

// The files (parts) of an .xlsx zip package, found by part name regardless of letter case and
// slash direction, and unpacked as they are read: nothing is unpacked that is not parsed. A part
// is refused as too large from the sizes the package's directory declares, before anything is
// unpacked (a small file can declare, and unpack to, gigabytes).
class ZipPackage
{
public:
    ZipPackage();
    ~ZipPackage();
    ZipPackage(const ZipPackage &) = delete;
    ZipPackage &operator=(const ZipPackage &) = delete;

    // The package held in data (kept by the package while it is open).
    bool open(const QByteArray &data);
    bool has(const QString &part) const;
    // A device reading the unpacked part from its start, or null with the reason in *result.
    // The device reads as an error when the packed data are damaged (checked to the end).
    std::unique_ptr<QIODevice> part(const QString &name, PartResult *result) const;

    static QString normalise(QString name);

private:
    QByteArray m_data;
    zip_t *m_zip = nullptr;
    QHash<QString, qint64> m_index;
    mutable quint64 m_declared = 0; // sizes of the parts opened so far, as declared
};

// The device ZipPackage::part gives: damaged() once the packed data turned out damaged.
class ZipPartDevice : public QIODevice
{
public:
    bool isSequential() const override { return true; }
    bool damaged() const { return m_damaged; }

protected:
    bool m_damaged = false;
};

// A part name taken from a relationship's target, relative to the folder of the source part.
QString resolveTarget(const QString &sourceFolder, QString target);
// The folder of a part ("xl/" for "xl/workbook.xml"), and the part holding its relationships.
QString folderOf(const QString &part);
QString relsOf(const QString &part);

} // namespace quorvane
