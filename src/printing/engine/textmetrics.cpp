#include "textmetrics.h"

#include <QPaintDevice>

#include <algorithm>

namespace quorvane {

DeviceTextMetrics::DeviceTextMetrics(QPaintDevice *device)
    : m_device(device), m_twipsPerPixel(1440.0 / std::max(1, device->logicalDpiY()))
{
}

DeviceTextMetrics::FontEntry &DeviceTextMetrics::entry(const QFont &font)
{
    // A printer chosen in the print dialog may have another resolution: measure at the current one.
    const int dpi = std::max(1, m_device->logicalDpiY());
    if (m_current && dpi == m_dpi && m_font == font)
        return *m_current;
    m_font = font;
    m_dpi = dpi;
    m_twipsPerPixel = 1440.0 / dpi;
    std::shared_ptr<FontEntry> &e = m_fonts[font.key() + QLatin1Char('@') + QString::number(dpi)];
    if (!e) {
        e = std::make_shared<FontEntry>();
        e->metrics = std::make_unique<QFontMetricsF>(font, m_device);
    }
    m_current = e.get();
    return *e;
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
    FontEntry &e = entry(font);
    const auto known = e.widths.find(text);
    if (known != e.widths.end())
        return known->second;
    if (e.widths.size() > 100000)
        e.widths.clear(); // a bound on memory for very long documents of ever new texts
    const double w = e.metrics->horizontalAdvance(text) * m_twipsPerPixel;
    e.widths.emplace(text, w);
    return w;
}

double DeviceTextMetrics::height(const QFont &font, const QString &)
{
    return em(font);
}

double DeviceTextMetrics::ascent(const QFont &font)
{
    FontEntry &e = entry(font);
    if (e.ascent >= 0)
        return e.ascent;
    QFontMetricsF &m = *e.metrics;
    const double em = this->em(font);
    // The ink of an ideograph centred in the one-em line (its centre lies above the baseline).
    const QRectF ink = m.tightBoundingRect(QStringLiteral("国"));
    const double a = ink.isEmpty() ? m.ascent() * em / std::max(1e-9, m.height())
                                   : em / 2 - (ink.top() + ink.bottom()) / 2 * m_twipsPerPixel;
    return e.ascent = std::clamp(a, 0.5 * em, em);
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
