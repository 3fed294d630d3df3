#include "textmetrics.h"

#include <QPaintDevice>

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

double DeviceTextMetrics::width(const QFont &font, const QString &text)
{
    return metrics(font).horizontalAdvance(text) * m_twipsPerPixel;
}

double DeviceTextMetrics::height(const QFont &font, const QString &)
{
    return metrics(font).height() * m_twipsPerPixel;
}

double DeviceTextMetrics::ascent(const QFont &font)
{
    return metrics(font).ascent() * m_twipsPerPixel;
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
