#include "shell/valuetext.h"

#include "workbook/celltext.h"

namespace quorvane {

QString valueText(const QVariant &value, ZeroShown zero)
{
    if (!value.isValid() || value.isNull())
        return QString();
    switch (value.typeId()) {
    case QMetaType::Double:
    case QMetaType::Float:
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Short:
    case QMetaType::UShort: {
        const double d = value.toDouble();
        if (d == 0 && zero == ZeroShown::No)
            return QString();
        return numberText(d);
    }
    default:
        break;
    }
    const QString text = value.toString();
    if (zero == ZeroShown::No) {
        bool isNumber = false;
        const double d = text.toDouble(&isNumber);
        if (isNumber && d == 0)
            return QString();
    }
    return text;
}

} // namespace quorvane
