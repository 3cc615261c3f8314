#include "object.h"

namespace {

bool SameIdentifier(std::string_view a, std::string_view b) noexcept
{
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        char x = a[i], y = b[i];
        if (x >= 'a' && x <= 'z') x = static_cast<char>(x - 'a' + 'A');
        if (y >= 'a' && y <= 'z') y = static_cast<char>(y - 'a' + 'A');
        if (x != y) return false;
    }
    return true;
}

} // namespace

bool TClassInfo::InheritsFrom(TClass other) const noexcept
{
    for (TClass c = this; c; c = c->Parent)
        if (c == other) return true;
    return false;
}

bool TClassInfo::InheritsFrom(std::string_view name) const noexcept
{
    for (TClass c = this; c; c = c->Parent)
        if (SameIdentifier(c->Name, name)) return true;
    return false;
}

TClass TObject::StaticClass() noexcept
{
    static const TClassInfo info{"TObject", nullptr};
    return &info;
}

TClass TObject::ClassType() const noexcept
{
    return StaticClass();
}
