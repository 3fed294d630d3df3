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
    void setRightColor(OleColor c) { m_rightColor = c; }
    OleColor CenterColor() const { return m_centerColor; }
    void setCenterColor(OleColor c) { m_centerColor = c; }
    OleColor LeftColor() const { return m_leftColor; }
    void setLeftColor(OleColor c) { m_leftColor = c; }
    short LineWidth() const { return m_lineWidth; }
    void setLineWidth(short w) { m_lineWidth = w; }
    bool LineVisible() const { return m_lineVisible; }
    void setLineVisible(bool v) { m_lineVisible = v; }
    OleColor LineColor() const { return m_lineColor; }
    void setLineColor(OleColor c) { m_lineColor = c; }

    // Reading a font that was released first creates a new default font.
    std::shared_ptr<QFont> RightFont();
    void setRightFont(std::shared_ptr<QFont> f) { m_rightFont = std::move(f); }
    std::shared_ptr<QFont> CenterFont();
    void setCenterFont(std::shared_ptr<QFont> f) { m_centerFont = std::move(f); }
    std::shared_ptr<QFont> LeftFont();
    void setLeftFont(std::shared_ptr<QFont> f) { m_leftFont = std::move(f); }

    // A new font object with the default face at size 9.
    static std::shared_ptr<QFont> defaultFont();

private:
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
