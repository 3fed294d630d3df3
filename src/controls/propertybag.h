#pragma once
#include <QMap>
#include <QString>
#include <QVariant>

namespace quorvane {

// The design-time settings of a control, as its host stores them: keys compare without regard to
// case. The code that creates a control fills the bag; the control reads it when it is set up and
// writes into it when asked to save. Nothing is read from or written to a file.
class PropertyBag
{
public:
    bool contains(const QString &key) const { return m_values.contains(key.toLower()); }
    QVariant read(const QString &key, const QVariant &defaultValue = QVariant()) const
    {
        const auto it = m_values.constFind(key.toLower());
        return it == m_values.cend() ? defaultValue : it->second;
    }
    // Writes the value; a value equal to the default is not stored (and removes an older one).
    void write(const QString &key, const QVariant &value, const QVariant &defaultValue = QVariant())
    {
        if (defaultValue.isValid() && value == defaultValue)
            m_values.remove(key.toLower());
        else
            m_values.insert(key.toLower(), {key, value});
    }
    void remove(const QString &key) { m_values.remove(key.toLower()); }
    void clear() { m_values.clear(); }
    int size() const { return static_cast<int>(m_values.size()); }
    // Keys as they were first written.
    QStringList keys() const
    {
        QStringList out;
        for (const auto &v : m_values)
            out << v.first;
        return out;
    }

private:
    QMap<QString, std::pair<QString, QVariant>> m_values;
};

} // namespace quorvane
