#pragma once
#include <QString>
#include <functional>
#include <string_view>

namespace quorvane {

// A hash of a text for the engine's caches of short texts (numbers, names, captions), which are
// looked up once or more for every cell of a report: the standard library's hash of the UTF-16
// code units, cheaper for such texts than QHash's seeded one.
struct TextHash
{
    size_t operator()(const QString &s) const noexcept
    {
        return std::hash<std::u16string_view>()(
            std::u16string_view(reinterpret_cast<const char16_t *>(s.constData()), size_t(s.size())));
    }
};

} // namespace quorvane
