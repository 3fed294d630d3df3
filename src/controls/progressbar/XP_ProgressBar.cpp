#include "controls/progressbar/XP_ProgressBar.h"

#include <QPainter>

namespace quorvane {

XP_ProgressBar::XP_ProgressBar(QWidget *parent)
    : QWidget(parent), m_color(TranslateOleColor(0x8000000D)), m_font(QStringLiteral("Tahoma"), 8)
{
}

void XP_ProgressBar::setColor(quint32 color) { m_color = TranslateOleColor(color); }
void XP_ProgressBar::setShowText(bool v) { m_showText = v; DrawProgressBar(); }
void XP_ProgressBar::setValue(int v) { m_value = v; DrawProgressBar(); }
void XP_ProgressBar::DrawProgressBar() { update(); }
void XP_ProgressBar::ReadProperties(const PropertyBag &) {}
void XP_ProgressBar::WriteProperties(PropertyBag &) const {}
QString XP_ProgressBar::captionText() const { return QString(); }
quint32 XP_ProgressBar::LightenColor(quint32 color, int) { return color; }
quint32 XP_ProgressBar::TranslateOleColor(quint32 color) { return color & 0x7fffffff; }
void XP_ProgressBar::paintEvent(QPaintEvent *) {}
void XP_ProgressBar::resizeEvent(QResizeEvent *) {}
void XP_ProgressBar::ComputeFillRect(int, int) {}
void XP_ProgressBar::DrawFill(QPainter &, int, int) {}
void XP_ProgressBar::DrawGaps(QPainter &, int, int) {}
void XP_ProgressBar::DrawCaption(QPainter &, int, int) {}
void XP_ProgressBar::DrawBorder(QPainter &, int, int) {}
void XP_ProgressBar::ApplyCornerRegion(int, int) {}

} // namespace quorvane
