#include "lookandfeel/cxGeometry.h"

#include <algorithm>

#include "framework/format.h"

RECT cxRectIntersect(const RECT& a, const RECT& b) noexcept
{
    const RECT r{std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right),
                 std::min(a.bottom, b.bottom)};
    return cxRectIsEmpty(r) ? cxNullRect : r;
}

RECT cxRectUnion(const RECT& a, const RECT& b) noexcept
{
    if (cxRectIsEmpty(a)) return b;
    if (cxRectIsEmpty(b)) return a;
    return RECT{std::min(a.left, b.left), std::min(a.top, b.top), std::max(a.right, b.right),
                std::max(a.bottom, b.bottom)};
}

bool cxRectIntersects(const RECT& a, const RECT& b) noexcept
{
    return !cxRectIsEmpty(cxRectIntersect(a, b));
}

RECT cxRectCenter(const RECT& bounds, const SIZE& size) noexcept
{
    const LONG left = bounds.left + (cxRectWidth(bounds) - size.cx) / 2;
    const LONG top = bounds.top + (cxRectHeight(bounds) - size.cy) / 2;
    return cxRectBounds(left, top, size.cx, size.cy);
}

std::string cxRectToString(const RECT& r)
{
    return Format("(%d, %d, %d, %d)", {static_cast<int>(r.left), static_cast<int>(r.top), static_cast<int>(r.right),
                                       static_cast<int>(r.bottom)});
}
