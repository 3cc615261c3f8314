#include <gtest/gtest.h>

#include "lookandfeel/cxGeometry.h"

namespace {

#define EXPECT_RECT(actual, expected) \
    EXPECT_TRUE(cxRectIsEqual(actual, expected)) << cxRectToString(actual) << " != " << cxRectToString(expected)

TEST(Geometry, NullConstantsAreZero)
{
    EXPECT_RECT(cxNullRect, cxRect(0, 0, 0, 0));
    EXPECT_TRUE(cxPointIsEqual(cxNullPoint, cxPoint(0, 0)));
    EXPECT_TRUE(cxSizeIsEqual(cxNullSize, cxSize(0, 0)));
    EXPECT_TRUE(cxRectIsEmpty(cxNullRect));
}

TEST(Geometry, ExtendRectMovesEachEdgeInwardByItsInset)
{
    struct Case {
        const char* Label;
        RECT R;
        RECT Insets;
        RECT Expected;
    };
    const Case cases[] = {
        {"uneven insets", {10, 20, 110, 70}, {1, 2, 3, 4}, {11, 22, 107, 66}},
        {"negative insets grow", {10, 10, 20, 20}, {-2, -3, -4, -5}, {8, 7, 24, 25}},
        {"insets past the middle invert, not clamp", {0, 0, 10, 10}, {8, 0, 8, 0}, {8, 0, 2, 10}},
        {"zero insets", {5, 6, 7, 8}, {0, 0, 0, 0}, {5, 6, 7, 8}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Label);
        RECT r = c.R;
        ExtendRect(r, c.Insets);
        EXPECT_RECT(r, c.Expected);
        EXPECT_RECT(cxRectContent(c.R, c.Insets), c.Expected);
    }
}

TEST(Geometry, EmptinessWidthHeightAndPointMembership)
{
    struct Case {
        const char* Label;
        RECT R;
        bool Empty;
    };
    const Case cases[] = {
        {"normal", {0, 0, 2, 3}, false},     {"zero width", {4, 0, 4, 3}, true},
        {"zero height", {0, 4, 2, 4}, true}, {"inverted", {5, 5, 1, 9}, true},
        {"negative coordinates", {-5, -5, -1, -2}, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Label);
        EXPECT_EQ(cxRectIsEmpty(c.R), c.Empty);
    }
    const RECT r{2, 3, 6, 10};
    EXPECT_EQ(cxRectWidth(r), 4);
    EXPECT_EQ(cxRectHeight(r), 7);
    EXPECT_TRUE(cxSizeIsEqual(cxRectSize(r), cxSize(4, 7)));
    EXPECT_TRUE(cxRectPtIn(r, cxPoint(2, 3))) << "left and top edges belong to the rectangle";
    EXPECT_FALSE(cxRectPtIn(r, cxPoint(6, 5))) << "the right edge does not";
    EXPECT_FALSE(cxRectPtIn(r, cxPoint(3, 10))) << "the bottom edge does not";
}

TEST(Geometry, OffsetInflateBoundsAndCenter)
{
    EXPECT_RECT(cxRectOffset(cxRect(1, 2, 3, 4), 10, -1), cxRect(11, 1, 13, 3));
    EXPECT_RECT(cxRectOffset(cxRect(1, 2, 3, 4), cxPoint(-1, -2)), cxRect(0, 0, 2, 2));
    EXPECT_RECT(cxRectInflate(cxRect(10, 10, 20, 20), 2, -3), cxRect(8, 13, 22, 17));
    EXPECT_RECT(cxRectBounds(5, 6, 10, 4), cxRect(5, 6, 15, 10));

    struct Case {
        const char* Label;
        RECT Bounds;
        SIZE Size;
        RECT Expected;
    };
    const Case cases[] = {
        {"even leftover", {0, 0, 10, 10}, {4, 6}, {3, 2, 7, 8}},
        {"odd leftover stays right and below", {0, 0, 15, 15}, {7, 4}, {4, 5, 11, 9}},
        {"larger than the bounds", {10, 10, 14, 14}, {8, 8}, {8, 8, 16, 16}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Label);
        EXPECT_RECT(cxRectCenter(c.Bounds, c.Size), c.Expected);
    }
}

TEST(Geometry, IntersectionAndUnion)
{
    struct Case {
        const char* Label;
        RECT A, B;
        RECT Intersection, Union;
        bool Intersects;
    };
    const Case cases[] = {
        {"overlapping", {0, 0, 10, 10}, {5, 5, 15, 15}, {5, 5, 10, 10}, {0, 0, 15, 15}, true},
        {"touching edges share no pixel", {0, 0, 10, 10}, {10, 0, 20, 10}, {0, 0, 0, 0}, {0, 0, 20, 10}, false},
        {"disjoint", {0, 0, 2, 2}, {5, 5, 6, 6}, {0, 0, 0, 0}, {0, 0, 6, 6}, false},
        {"contained", {0, 0, 10, 10}, {2, 3, 4, 5}, {2, 3, 4, 5}, {0, 0, 10, 10}, true},
        {"empty adds nothing to a union", {3, 3, 3, 9}, {1, 1, 2, 2}, {0, 0, 0, 0}, {1, 1, 2, 2}, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Label);
        EXPECT_RECT(cxRectIntersect(c.A, c.B), c.Intersection);
        EXPECT_RECT(cxRectUnion(c.A, c.B), c.Union);
        EXPECT_EQ(cxRectIntersects(c.A, c.B), c.Intersects);
    }
}

TEST(Geometry, RectText)
{
    EXPECT_EQ(cxRectToString(cxRect(-1, 2, 30, 40)), "(-1, 2, 30, 40)");
}

} // namespace
