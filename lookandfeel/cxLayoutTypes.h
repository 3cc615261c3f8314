// Points, sizes and rectangles of the window-free layout arithmetic, in plain integers, so
// that arithmetic builds and is tested on any platform. The Win32 code converts at its
// edge (cxGeometry.h: cxLayoutRect, cxRectFromLayout and the like).
#pragma once

#include <string>

struct TcxLayoutPoint {
    int X = 0;
    int Y = 0;
    bool operator==(const TcxLayoutPoint&) const = default;
};

struct TcxLayoutSize {
    int Width = 0;
    int Height = 0;
    bool operator==(const TcxLayoutSize&) const = default;
};

// Right and bottom are exclusive, as in the platform's rectangles.
struct TcxLayoutRect {
    int Left = 0;
    int Top = 0;
    int Right = 0;
    int Bottom = 0;
    bool operator==(const TcxLayoutRect&) const = default;

    int Width() const noexcept { return Right - Left; }
    int Height() const noexcept { return Bottom - Top; }
    // No area: as wide or as high as nothing (or less).
    bool IsEmpty() const noexcept { return Right <= Left || Bottom <= Top; }
};

// "(left, top, right, bottom)", for messages and test output.
inline std::string cxLayoutRectToString(const TcxLayoutRect& r)
{
    return "(" + std::to_string(r.Left) + ", " + std::to_string(r.Top) + ", " + std::to_string(r.Right) + ", " +
           std::to_string(r.Bottom) + ")";
}
