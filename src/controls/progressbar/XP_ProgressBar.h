#pragma once
#include <QFont>
#include <QImage>
#include <QRect>
#include <QRegion>
#include <QWidget>

#include "controls/propertybag.h"

namespace quorvane {

// The program's own progress bar: glossy blocks on white inside a three-tone border with cut
// corners, an optional centred text and a busy mode of three fading blocks.
class XP_ProgressBar : public QWidget
{
    Q_OBJECT
public:
    explicit XP_ProgressBar(QWidget *parent = nullptr);

    // Colours are 0x00BBGGRR values; a value with the high bit set names a system colour and is
    // stored translated to its RGB value.
    quint32 Color() const { return m_color; }
    void setColor(quint32 color);
    QFont Font() const { return m_font; }
    void setFont(const QFont &font);
    int Min() const { return m_min; }
    void setMin(int minimum);
    int Max() const { return m_max; }
    void setMax(int maximum);
    int Orientation() const { return m_orientation; }
    void setOrientation(int orientation); // 0 horizontal, 1 vertical
    int Scrolling() const { return m_scrolling; }
    void setScrolling(int scrolling);   // 0 blocks, 1 continuous, 2 busy
    bool ShowText() const { return m_showText; }
    void setShowText(bool shown);  // redraws
    int Value() const { return m_value; }
    // Redraws when the new value changes what the bar shows (the fill edge, or the text when it is
    // shown) or when a setting stored since the last drawing is still to show; otherwise only
    // stores the value. Hosts set it once per record, so most calls change nothing on screen; and
    // the bar is drawn when it is next painted (or its picture read), so values set between two
    // paints cost one drawing.
    void setValue(int value);

    // Redraws the whole bar into the back buffer and puts it on screen.
    void DrawProgressBar();
    // Reads / writes the saved settings (Color, Max, Min, Orientation, Scrolling, ShowText, Value).
    void ReadProperties(const PropertyBag &bag);
    void WriteProperties(PropertyBag &bag) const;

    // The colour every window that carries a bar stores for it.
    static constexpr quint32 kHostColor = 0x006A240A;
    // The settings a host window stores for its bar (its colour), for ReadProperties when the host
    // creates the bar.
    static PropertyBag hostSettings();
    // A bar for a host window: created under parent and set up from hostSettings().
    static XP_ProgressBar *createHosted(QWidget *parent);

    // The bar's picture for its current value (for tests and the paint handler).
    const QImage &buffer() const;
    // How often the bar's picture was drawn (for tests).
    int drawings() const { return m_drawings; }
    // The fill rectangle of the last computation; left(), top(), right() and bottom() are its
    // edges (right and bottom exclusive: right() is the fill edge E, top() the fill edge T).
    QRect fillRect() const { return m_fill; }
    // The text the bar shows for its settings ("请稍后.." or the value with " %"); drawn only with
    // ShowText.
    QString captionText() const;

    static quint32 LightenColor(quint32 color, int amount);
    static quint32 TranslateOleColor(quint32 color);

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    // Stores a setting that shows at the next drawing: the buffer is stale until then.
    template <class T>
    void store(T &setting, const T &value)
    {
        setting = value;
        m_stale = true;
    }
    void RenderBuffer();
    void Render(QPainter &p, int w, int h);
    void EnsureBuffer(int w, int h);
    QString CaptionFor() const;
    static QRegion CornerRegion(int w, int h);
    void ComputeFillRect(int w, int h);
    void DrawFill(QPainter &p, int w, int h);
    void DrawGaps(QPainter &p, int w, int h);
    void DrawCaption(QPainter &p, int w, int h);
    void DrawBorder(QPainter &p, int w, int h);
    void ApplyCornerRegion(int w, int h);

    quint32 m_color;
    QFont m_font;
    int m_min = 0;
    int m_max = 100;
    int m_orientation = 0;
    int m_scrolling = 0;
    bool m_showText = false;
    int m_value = 0;
    int m_block = 8;
    int m_gap = 2;
    double m_fraction = 0.0;
    QString m_caption;
    QRect m_fill;   // left/top/right/bottom stored as x1,y1,x2,y2 edges (right and bottom exclusive)
    QImage m_buffer;
    QSize m_regionSize;
    // What the buffer shows: a stored setting not drawn yet makes it stale; so does another size.
    bool m_stale = true;
    // A value that changes what the bar shows, not drawn yet.
    bool m_valueToDraw = false;
    int m_drawings = 0;
    QSize m_drawnSize;
    QRect m_drawnFill;
    QString m_drawnCaption;
};

} // namespace quorvane
