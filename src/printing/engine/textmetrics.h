#pragma once
#include "texthash.h"

#include <QFont>
#include <QFontMetricsF>
#include <QHash>
#include <QString>
#include <memory>
#include <unordered_map>

class QPaintDevice;

namespace quorvane {

// Text measurement of a drawing surface, in twips of the font at its point size (20 twips to the
// point). The engine divides by the preview zoom itself. Tests install fixed metrics through
// LumoPrinter::setTextMetrics so layouts can be checked without depending on installed fonts.
class TextMetrics
{
public:
    virtual ~TextMetrics() = default;
    virtual double width(const QFont &font, const QString &text) = 0;
    virtual double height(const QFont &font, const QString &text) = 0;
    // Distance from the top of a line to its baseline.
    virtual double ascent(const QFont &font) = 0;
};

// The font metrics of a paint device (the printer, or the preview's 1440-dpi page surface).
//
// A text line is one em high (the font's size: 9 pt = 180 twips), as it is in the fonts the reports
// name (宋体 and 黑体 have no leading). The CJK fonts installed in their place have a line box of
// about 1.44 em; measured with it, every line of a report would be 44 % taller than the layouts were
// made for, and a cell of fixed height would hold fewer lines (three 8-pt rank captions in an 11 mm
// heading cell would lose the third). Widths are the font's own. The baseline is placed so that
// the ink of an ideograph stands centred in the line.
class DeviceTextMetrics : public TextMetrics
{
public:
    explicit DeviceTextMetrics(QPaintDevice *device);
    double width(const QFont &font, const QString &text) override;
    double height(const QFont &font, const QString &text) override;
    double ascent(const QFont &font) override;

private:
    // What is known of one font at the device's resolution. Widths are kept by text: a report
    // measures the same few texts (numbers, ranks, captions) over and over, and shaping a text is
    // the costly part of laying a page out.
    struct FontEntry
    {
        std::unique_ptr<QFontMetricsF> metrics;
        std::unordered_map<QString, double, TextHash> widths; // twips
        double ascent = -1;            // twips; worked out on first use
    };
    FontEntry &entry(const QFont &font);
    double em(const QFont &font);
    QPaintDevice *m_device;
    double m_twipsPerPixel;
    int m_dpi = 0;
    QFont m_font;                    // the font of m_current
    FontEntry *m_current = nullptr;
    QHash<QString, std::shared_ptr<FontEntry>> m_fonts; // by font key and resolution
};

// Fixed metrics: every character below U+0100 is half a point size wide, every other character a
// whole point size; a line is 1.25 point sizes high with the baseline at 1 point size.
class FixedTextMetrics : public TextMetrics
{
public:
    double width(const QFont &font, const QString &text) override;
    double height(const QFont &font, const QString &text) override;
    double ascent(const QFont &font) override;
};

} // namespace quorvane
