#pragma once
#include "units.h"

#include <QFont>
#include <memory>

namespace quorvane {

// Appearance of a page's head or foot line: fonts and colours of the left, centre and right texts
// and the rule under (head) or over (foot) them. The fonts are shared objects: a host that keeps the
// pointer and changes the font changes what the next line is drawn with.
class PageInfo
{
public:
    PageInfo();

    OleColor RightColor() const { return m_rightColor; }
    void setRightColor(OleColor color) { m_rightColor = color; }
    OleColor CenterColor() const { return m_centerColor; }
    void setCenterColor(OleColor color) { m_centerColor = color; }
    OleColor LeftColor() const { return m_leftColor; }
    void setLeftColor(OleColor color) { m_leftColor = color; }
    short LineWidth() const { return m_lineWidth; }
    void setLineWidth(short width) { m_lineWidth = width; }
    bool LineVisible() const { return m_lineVisible; }
    void setLineVisible(bool visible) { m_lineVisible = visible; }
    OleColor LineColor() const { return m_lineColor; }
    void setLineColor(OleColor color) { m_lineColor = color; }

    // Reading a font that was released first creates a new default font.
    std::shared_ptr<QFont> RightFont() { return fontOrDefault(m_rightFont); }
    void setRightFont(std::shared_ptr<QFont> font) { m_rightFont = std::move(font); }
    std::shared_ptr<QFont> CenterFont() { return fontOrDefault(m_centerFont); }
    void setCenterFont(std::shared_ptr<QFont> font) { m_centerFont = std::move(font); }
    std::shared_ptr<QFont> LeftFont() { return fontOrDefault(m_leftFont); }
    void setLeftFont(std::shared_ptr<QFont> font) { m_leftFont = std::move(font); }

    // A new font object with the default face at size 9.
    static std::shared_ptr<QFont> defaultFont();

private:
    // The font, first replaced by a new default font when it was released.
    static std::shared_ptr<QFont> fontOrDefault(std::shared_ptr<QFont> &font);

    OleColor m_rightColor = SysGrayText;
    OleColor m_centerColor = SysGrayText;
    OleColor m_leftColor = SysGrayText;
    short m_lineWidth = 1;
    bool m_lineVisible = true;
    OleColor m_lineColor = SysGrayText;
    std::shared_ptr<QFont> m_rightFont;
    std::shared_ptr<QFont> m_centerFont;
    std::shared_ptr<QFont> m_leftFont;
};

} // namespace quorvane
