// Rectangle, point and size helpers of the look-and-feel library.
//
// Plain arithmetic on the platform's RECT, POINT and SIZE: no device context, no window,
// callable from any thread. A rectangle is empty when its right edge is not right of its
// left edge or its bottom is not below its top; the helpers never normalise a rectangle
// behind the caller's back.
#pragma once

#include <windows.h>

#include <string>

#include "lookandfeel/cxLayoutTypes.h"

constexpr RECT cxNullRect{0, 0, 0, 0};
constexpr POINT cxNullPoint{0, 0};
constexpr SIZE cxNullSize{0, 0};

constexpr RECT cxRect(LONG left, LONG top, LONG right, LONG bottom) noexcept { return RECT{left, top, right, bottom}; }
// The rectangle of this size whose top-left corner is at origin.
constexpr RECT cxRectBounds(LONG left, LONG top, LONG width, LONG height) noexcept
{
    return RECT{left, top, left + width, top + height};
}
constexpr POINT cxPoint(LONG x, LONG y) noexcept { return POINT{x, y}; }
constexpr SIZE cxSize(LONG cx, LONG cy) noexcept { return SIZE{cx, cy}; }

constexpr LONG cxRectWidth(const RECT& r) noexcept { return r.right - r.left; }
constexpr LONG cxRectHeight(const RECT& r) noexcept { return r.bottom - r.top; }
constexpr SIZE cxRectSize(const RECT& r) noexcept { return SIZE{r.right - r.left, r.bottom - r.top}; }
constexpr bool cxRectIsEmpty(const RECT& r) noexcept { return r.right <= r.left || r.bottom <= r.top; }
constexpr bool cxRectIsEqual(const RECT& a, const RECT& b) noexcept
{
    return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}
constexpr bool cxPointIsEqual(const POINT& a, const POINT& b) noexcept { return a.x == b.x && a.y == b.y; }
constexpr bool cxSizeIsEqual(const SIZE& a, const SIZE& b) noexcept { return a.cx == b.cx && a.cy == b.cy; }
// Left and top edges belong to the rectangle, right and bottom do not (as for GDI fills).
constexpr bool cxRectPtIn(const RECT& r, const POINT& p) noexcept
{
    return p.x >= r.left && p.x < r.right && p.y >= r.top && p.y < r.bottom;
}

// R moved by (dx, dy).
constexpr RECT cxRectOffset(const RECT& r, LONG dx, LONG dy) noexcept
{
    return RECT{r.left + dx, r.top + dy, r.right + dx, r.bottom + dy};
}
constexpr RECT cxRectOffset(const RECT& r, const POINT& delta) noexcept { return cxRectOffset(r, delta.x, delta.y); }
// R grown by dx on the left and right and by dy on the top and bottom (shrunk for negative values).
constexpr RECT cxRectInflate(const RECT& r, LONG dx, LONG dy) noexcept
{
    return RECT{r.left - dx, r.top - dy, r.right + dx, r.bottom + dy};
}
// R shrunk on every side by the matching field of insets (left edge moves right by
// insets.left, top down by insets.top, right edge left by insets.right, bottom up by
// insets.bottom). The result may be empty or inverted; ExtendRect keeps what it is given.
constexpr RECT cxRectContent(const RECT& r, const RECT& insets) noexcept
{
    return RECT{r.left + insets.left, r.top + insets.top, r.right - insets.right, r.bottom - insets.bottom};
}
// The same as cxRectContent, in place.
constexpr void ExtendRect(RECT& r, const RECT& insets) noexcept { r = cxRectContent(r, insets); }

// The common part of a and b; cxNullRect when they do not overlap.
RECT cxRectIntersect(const RECT& a, const RECT& b) noexcept;
// The smallest rectangle holding both; an empty rectangle adds nothing.
RECT cxRectUnion(const RECT& a, const RECT& b) noexcept;
// True when a and b share at least one pixel.
bool cxRectIntersects(const RECT& a, const RECT& b) noexcept;
// A rectangle of size centred in bounds; an odd leftover pixel goes right and down
// (division truncates toward zero).
RECT cxRectCenter(const RECT& bounds, const SIZE& size) noexcept;
// "(left, top, right, bottom)", for messages and test output.
std::string cxRectToString(const RECT& r);

// The layout arithmetic's plain types (cxLayoutTypes.h) and the platform's, both ways.
// LONG is 32 bits on both Windows architectures, so nothing is lost either way.
constexpr TcxLayoutRect cxLayoutRect(const RECT& r) noexcept
{
    return TcxLayoutRect{static_cast<int>(r.left), static_cast<int>(r.top), static_cast<int>(r.right),
                         static_cast<int>(r.bottom)};
}
constexpr RECT cxRectFromLayout(const TcxLayoutRect& r) noexcept { return RECT{r.Left, r.Top, r.Right, r.Bottom}; }
constexpr TcxLayoutPoint cxLayoutPoint(const POINT& p) noexcept
{
    return TcxLayoutPoint{static_cast<int>(p.x), static_cast<int>(p.y)};
}
constexpr POINT cxPointFromLayout(const TcxLayoutPoint& p) noexcept { return POINT{p.X, p.Y}; }
constexpr TcxLayoutSize cxLayoutSize(const SIZE& s) noexcept
{
    return TcxLayoutSize{static_cast<int>(s.cx), static_cast<int>(s.cy)};
}
constexpr SIZE cxSizeFromLayout(const TcxLayoutSize& s) noexcept { return SIZE{s.Width, s.Height}; }
