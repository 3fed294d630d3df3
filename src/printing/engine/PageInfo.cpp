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

std::shared_ptr<QFont> PageInfo::fontOrDefault(std::shared_ptr<QFont> &font)
{
    if (!font)
        font = defaultFont();
    return font;
}

} // namespace quorvane
