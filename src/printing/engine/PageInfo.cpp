#include "PageInfo.h"

namespace quorvane {

PageInfo::PageInfo()
    : m_rightFont(defaultFont()), m_centerFont(defaultFont()), m_leftFont(defaultFont())
{
}

std::shared_ptr<QFont> PageInfo::defaultFont()
{
    auto f = std::make_shared<QFont>(QStringLiteral("宋体"));
    f->setPointSizeF(9);
    return f;
}

std::shared_ptr<QFont> PageInfo::RightFont()
{
    if (!m_rightFont)
        m_rightFont = defaultFont();
    return m_rightFont;
}

std::shared_ptr<QFont> PageInfo::CenterFont()
{
    if (!m_centerFont)
        m_centerFont = defaultFont();
    return m_centerFont;
}

std::shared_ptr<QFont> PageInfo::LeftFont()
{
    if (!m_leftFont)
        m_leftFont = defaultFont();
    return m_leftFont;
}

} // namespace quorvane
