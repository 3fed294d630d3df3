#include "textmetrics.h"

#include <QPaintDevice>

#include <algorithm>

namespace quorvane {

DeviceTextMetrics::DeviceTextMetrics(QPaintDevice *device)
    : m_device(device), m_twipsPerPixel(1440.0 / std::max(1, device->logicalDpiY()))
{
}

QFontMetricsF &DeviceTextMetrics::metrics(const QFont &font)
{
    // A printer chosen in the print dialog may have another resolution: measure at the current one.
    const int dpi = std::max(1, m_device->logicalDpiY());
    if (!m_metrics || dpi != m_dpi || !(m_font == font)) {
        m_font = font;
        m_dpi = dpi;
        m_twipsPerPixel = 1440.0 / dpi;
        m_metrics = std::make_unique<QFontMetricsF>(font, m_device);
    }
    return *m_metrics;
}

double DeviceTextMetrics::em(const QFont &font)
{
    // Twips are twentieths of a point on every device.
    if (font.pointSizeF() > 0)
        return font.pointSizeF() * 20.0;
    return std::max(0, font.pixelSize()) * m_twipsPerPixel;
}

double DeviceTextMetrics::width(const QFont &font, const QString &text)
{
    return metrics(font).horizontalAdvance(text) * m_twipsPerPixel;
}

double DeviceTextMetrics::height(const QFont &font, const QString &)
{
    return em(font);
}

double DeviceTextMetrics::ascent(const QFont &font)
{
    QFontMetricsF &m = metrics(font);
    const QString key = font.key() + QLatin1Char('@') + QString::number(m_dpi);
    const auto known = m_ascents.constFind(key);
    if (known != m_ascents.constEnd())
        return *known;
    const double e = em(font);
    // The ink of an ideograph centred in the one-em line (its centre lies above the baseline).
    const QRectF ink = m.tightBoundingRect(QStringLiteral("国"));
    const double a = ink.isEmpty() ? m.ascent() * e / std::max(1e-9, m.height())
                                   : e / 2 - (ink.top() + ink.bottom()) / 2 * m_twipsPerPixel;
    return m_ascents[key] = std::clamp(a, 0.5 * e, e);
}

double FixedTextMetrics::width(const QFont &font, const QString &text)
{
    double w = 0;
    const double em = font.pointSizeF() * 20;
    for (QChar c : text)
        w += c.unicode() < 0x100 ? em / 2 : em;
    return w;
}

double FixedTextMetrics::height(const QFont &font, const QString &)
{
    return font.pointSizeF() * 25;
}

double FixedTextMetrics::ascent(const QFont &font)
{
    return font.pointSizeF() * 20;
}

} // namespace quorvane
