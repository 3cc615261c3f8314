// The Office 2003 colour set. Expected colours are worked out by hand from the formulas
// (p percent of a and the rest of b, each product a rounded multiply-divide).
#include <gtest/gtest.h>

#include <windows.h>

#include <cstdint>
#include <cstdio>
#include <iterator>
#include <string>
#include <utility>
#include <vector>

#include "framework/graphics.h"
#include "framework/handles.h"
#include "lookandfeel/cxImages.h"
#include "lookandfeel/dxOffice11.h"

namespace {

// Colours are written RGB hexadecimal, as people write them.
constexpr COLORREF Hex(unsigned rgb)
{
    return RGB((rgb >> 16) & 0xFF, (rgb >> 8) & 0xFF, rgb & 0xFF);
}

std::string HexText(COLORREF c)
{
    char text[8];
    std::snprintf(text, sizeof(text), "%02X%02X%02X", GetRValue(c), GetGValue(c), GetBValue(c));
    return text;
}

// Compares as RGB hexadecimal text so a failure reads like the tables.
#define EXPECT_RGB(actual, expected) EXPECT_EQ(HexText(static_cast<COLORREF>(actual)), HexText(Hex(expected)))

COLORREF Identity(COLORREF c)
{
    return c;
}

// The classic Windows 2000 desktop.
TdxOffice11SystemColors ClassicDesktop()
{
    TdxOffice11SystemColors sys;
    sys.BtnFace = Hex(0xD4D0C8);
    sys.Window = Hex(0xFFFFFF);
    sys.BtnShadow = Hex(0x808080);
    sys.BtnText = Hex(0x000000);
    sys.GrayText = Hex(0x808080);
    sys.BtnHighlight = Hex(0xFFFFFF);
    sys.Highlight = Hex(0x0A246A);
    sys.HighlightText = Hex(0xFFFFFF);
    return sys;
}

TEST(Office11Arithmetic, MulDivRoundsHalfAwayFromZero)
{
    struct Case {
        int A, B, C, Expected;
    };
    const Case cases[] = {{255, 78, 100, 199}, {255, 70, 100, 179}, {-255, 1, 2, -128}, {255, -1, 2, -128},
                          {5, 1, -2, -3},      {7, 0, 3, 0},        {1, 1, 0, -1},       {212, -15, 100, -32}};
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.A) + "*" + std::to_string(c.B) + "/" + std::to_string(c.C));
        EXPECT_EQ(dxMulDiv(c.A, c.B, c.C), c.Expected);
        if (c.C != 0) {
            EXPECT_EQ(dxMulDiv(c.A, c.B, c.C), MulDiv(c.A, c.B, c.C)) << "as the platform's MulDiv";
        }
    }
}

TEST(Office11Arithmetic, MiddleAndLightColours)
{
    struct Case {
        const char* Label;
        COLORREF Actual;
        unsigned Expected;
    };
    const COLORREF face = Hex(0xD4D0C8), window = Hex(0xFFFFFF), highlight = Hex(0x0A246A);
    const Case cases[] = {
        {"20% face", dxMiddleRGB(face, window, 20), 0xF6F6F4},
        {"96% face", dxMiddleRGB(face, window, 96), 0xD6D2CA},
        {"0% of a is b", dxMiddleRGB(face, window, 0), 0xFFFFFF},
        {"100% of a is a", dxMiddleRGB(face, window, 100), 0xD4D0C8},
        {"capped at 255", dxMiddleRGB(Hex(0xFFFFFF), Hex(0xFFFFFF), 150), 0xFFFFFF},
        {"light -15 29 86", dxLightColor(face, highlight, window, -15, 29, 86), 0xBEC6DC},
        {"light 14 44 40", dxLightColor(face, highlight, window, 14, 44, 40), 0x8893B1},
        {"light clamped at 0", dxLightColor(face, highlight, Hex(0), -100, 0, 0), 0x000000},
        {"black face gives the highlight", dxLightColor(Hex(0), highlight, window, -15, 29, 86), 0x0A246A},
        {"white face gives the highlight", dxLightColor(Hex(0xFFFFFF), highlight, window, 42, 11, 47), 0x0A246A},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Label);
        EXPECT_RGB(c.Actual, c.Expected);
    }
}

TEST(Office11Arithmetic, DarkAndLightTruncate)
{
    EXPECT_RGB(Dark(static_cast<TColor>(Hex(0xC86433)), 50), 0x643219);  // 51 * 50 / 100 = 25.5
    EXPECT_RGB(Light(static_cast<TColor>(Hex(0xC86400)), 50), 0xE3B17F);  // 227.5, 177.5, 127.5
    EXPECT_RGB(Dark(static_cast<TColor>(Hex(0xFFFFFF)), 0), 0x000000);
    EXPECT_RGB(Light(static_cast<TColor>(Hex(0x000000)), 0), 0xFFFFFF);
}

TEST(Office11Scheme, FromTheThemeFileAndColourName)
{
    const std::wstring luna = L"C:\\WINDOWS\\Resources\\Themes\\Luna\\Luna.msstyles";
    const std::wstring royale = L"C:\\WINDOWS\\Resources\\Themes\\Royale\\royale.msstyles";
    const std::wstring light = L"C:\\windows\\resources\\themes\\light\\light.msstyles";
    struct Case {
        const char* Label;
        std::wstring File;
        std::wstring Color;
        DWORD Major;
        TOffice11Scheme Expected;
    };
    const Case cases[] = {
        {"Luna blue", luna, L"NormalColor", 5, schNormalColor},
        {"Luna olive", luna, L"HomeStead", 5, schHomestead},
        {"Luna silver", luna, L"metallic", 5, schMetallic},
        {"Luna, another colour", luna, L"Zune", 5, schUnknown},
        {"Royale on XP", royale, L"NormalColor", 5, schUnknown},
        {"any file after XP", royale, L"NormalColor", 6, schNormalColor},
        {"Wine's light style", light, L"Blue", 6, schUnknown},
        {"bare file name", L"LUNA.MSSTYLES", L"NORMALCOLOR", 5, schNormalColor},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Label);
        EXPECT_EQ(dxOffice11SchemeFromThemeName(c.File, c.Color, c.Major), c.Expected);
    }
}

TEST(Office11Colors, ComputedFromAClassicDesktop)
{
    const TdxOffice11Colors c = dxCalculateOffice11Colors(schUnknown, ClassicDesktop(), Identity);
    struct Case {
        const char* Label;
        TColor Actual;
        unsigned Expected;
    };
    const Case cases[] = {
        {"DockColor1 = F", c.DockColor1, 0xD4D0C8},
        {"DockColor2 = M(F, W, 20)", c.DockColor2, 0xF6F6F4},
        {"ToolbarsColor1 = M(F, W, 22)", c.ToolbarsColor1, 0xF6F5F3},
        {"ToolbarsColor2 = M(F, W, 96)", c.ToolbarsColor2, 0xD6D2CA},
        {"BarMarkColors2[0] = S", c.BarMarkColors2[0], 0x808080},
        {"BarMarkColors1[0] = M(S, W, 74)", c.BarMarkColors1[0], 0xA1A1A1},
        {"BarMarkColors1[1] = light(-15, 29, 86)", c.BarMarkColors1[1], 0xBEC6DC},
        {"BarMarkColors2[1]", c.BarMarkColors2[1], 0xBEC6DC},
        {"BarMarkColors1[2] = light(42, 11, 47)", c.BarMarkColors1[2], 0xD2D3D8},
        {"BarBorderColors[0] = M(F, W, 85)", c.BarBorderColors[0], 0xDAD7D0},
        {"BarBorderColors[1] = F", c.BarBorderColors[1], 0xD4D0C8},
        {"BarBorderMarkColors[0] = M(S, W, 50)", c.BarBorderMarkColors[0], 0xC0C0C0},
        {"BarBorderMarkColors[1]", c.BarBorderMarkColors[1], 0xDFE3EE},
        {"BarBorderMarkColors[3] = M(S, F, 50)", c.BarBorderMarkColors[3], 0xAAA8A4},
        {"BarFingerColor1 = M(S, W, 76)", c.BarFingerColor1, 0x9E9E9E},
        {"BarFingerColor2 = W", c.BarFingerColor2, 0xFFFFFF},
        {"BarSeparatorColor1 = M(S, W, 70)", c.BarSeparatorColor1, 0xA7A7A7},
        {"BarSeparatorColor2 = white", c.BarSeparatorColor2, 0xFFFFFF},
        {"BarMarkArrowColor1 = clBtnText", c.BarMarkArrowColor1, 0x000000},
        {"BarFloatingBorderColor2 = ToolbarsColor2", c.BarFloatingBorderColor2, 0xD6D2CA},
        {"BarFloatingBorderColor3 = ToolbarsColor1", c.BarFloatingBorderColor3, 0xF6F5F3},
        {"BarFloatingCaptionColor = S", c.BarFloatingCaptionColor, 0x808080},
        {"BarFloatingCaptionTextColor1 = clBtnHighlight", c.BarFloatingCaptionTextColor1, 0xFFFFFF},
        {"ToolbarSelectedColor = light(-2, 30, 72)", c.ToolbarSelectedColor, 0xB7BFD4},
        {"SelectedBorderColor = clHighlight", c.SelectedBorderColor, 0x0A246A},
        {"SelectedColor2", c.SelectedColor2, 0xB7BFD4},
        {"DownedColor = light(41, 11, 48)", c.DownedColor, 0xD2D3D8},
        {"DownedSelectedColor = light(14, 44, 40)", c.DownedSelectedColor, 0x8893B1},
        {"SelectedDownColor1", c.SelectedDownColor1, 0x8893B1},
        {"DetachableColor = ToolbarsColor2", c.DetachableColor, 0xD6D2CA},
        {"DetachableSelectedColor", c.DetachableSelectedColor, 0xB7BFD4},
        {"TextDisabledColor = clGrayText", c.TextDisabledColor, 0x808080},
        {"MenuColor = W", c.MenuColor, 0xFFFFFF},
        {"DropDownBorderColor2 = MenuColor", c.DropDownBorderColor2, 0xFFFFFF},
        {"MenuNonRecentIndentColor1 = M(ToolbarsColor1, black, 92)", c.MenuNonRecentIndentColor1, 0xE2E1E0},
        {"StaticBorderColor = S", c.StaticBorderColor, 0x808080},
        {"DateHeaderColor = DockColor1", c.DateHeaderColor, 0xD4D0C8},
        {"InPlaceSubItemColor = BarBorderMarkColors[3]", c.InPlaceSubItemColor, 0xAAA8A4},
        {"DayNavigatorSelectedColor = DownedColor", c.DayNavigatorSelectedColor, 0xD2D3D8},
        {"GroupIndentColor = F", c.GroupIndentColor, 0xD4D0C8},
        {"GroupRowSeparatorColor = S", c.GroupRowSeparatorColor, 0x808080},
        {"NavPaneGroupCaptionColor1 (light rule)", c.NavPaneGroupCaptionColor1, 0xE9E7E3},
        {"NavPaneGroupCaptionColor2 (dark rule)", c.NavPaneGroupCaptionColor2, 0xD5D1C9},
        {"NavPaneGroupCaptionPressedHotColor2", c.NavPaneGroupCaptionPressedHotColor2, 0x8893B1},
        {"NavPaneHeaderColor1 = S", c.NavPaneHeaderColor1, 0x808080},
        {"NavPaneHeaderFontColor = clHighlightText", c.NavPaneHeaderFontColor, 0xFFFFFF},
        {"NavPaneSplitterColor1 = F", c.NavPaneSplitterColor1, 0xD4D0C8},
        {"ExpandButtonColor2", c.ExpandButtonColor2, 0x2E465F},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.Label);
        EXPECT_RGB(k.Actual, k.Expected);
    }
    EXPECT_EQ(c.TubeGradientPercent, 75);
}

TEST(Office11Colors, TheNearestColourIsAppliedWhereTheTableSaysSo)
{
    // A screen that can only show even channel values: odd ones drop by one.
    auto even = [](COLORREF c) { return c & 0xFEFEFE; };
    const TdxOffice11Colors c = dxCalculateOffice11Colors(schUnknown, ClassicDesktop(), even);
    EXPECT_RGB(c.ToolbarsColor1, 0xF6F4F2) << "M goes through the nearest colour";
    EXPECT_RGB(c.DownedColor, 0xD2D3D8) << "DownedColor does not";
    EXPECT_RGB(c.DownedSelectedColor, 0x8892B0);
    EXPECT_RGB(c.NavPaneGroupCaptionColor1, 0xE8E6E2);
}

TEST(Office11Colors, HighContrastFacesTakeTheHighlightForEveryLightColour)
{
    struct Case {
        const char* Label;
        unsigned Face;
    };
    for (const Case& k : {Case{"black", 0x000000}, Case{"white", 0xFFFFFF}}) {
        SCOPED_TRACE(k.Label);
        TdxOffice11SystemColors sys = ClassicDesktop();
        sys.BtnFace = Hex(k.Face);
        sys.Highlight = Hex(0x1C5180);
        const TdxOffice11Colors c = dxCalculateOffice11Colors(schUnknown, sys, Identity);
        EXPECT_RGB(c.BarMarkColors1[1], 0x1C5180);
        EXPECT_RGB(c.BarMarkColors1[2], 0x1C5180);
        EXPECT_RGB(c.ToolbarSelectedColor, 0x1C5180);
        EXPECT_RGB(c.DownedColor, 0x1C5180);
        EXPECT_RGB(c.DownedSelectedColor, 0x1C5180);
        EXPECT_RGB(c.DockColor1, k.Face);
    }
}

TEST(Office11Colors, SchemeTables)
{
    struct Case {
        TOffice11Scheme Scheme;
        unsigned Toolbars1, NavPaneBorder, DownedSelected, NavPaneHeader1, BorderMark0, BorderMark3, NonRecent1;
        int Tube;
    };
    const Case cases[] = {
        {schNormalColor, 0xDDECFE, 0x002D96, 0xFE803E, 0x5987D6, 0x7FADF2, 0x3E6DB9, 0xCBD9EA, 41},
        {schHomestead, 0xF4F7DE, 0x758D5E, 0xFE803E, 0xAFC082, 0, 0, 0, 125},
        {schMetallic, 0xF3F4FA, 0x7C7C94, 0xFE803E, 0xA8A7BF, 0, 0, 0, 40},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.Scheme);
        // The system colours must not matter.
        const TdxOffice11Colors c = dxCalculateOffice11Colors(k.Scheme, ClassicDesktop(), Identity);
        EXPECT_RGB(c.ToolbarsColor1, k.Toolbars1);
        EXPECT_RGB(c.NavPaneBorder, k.NavPaneBorder);
        EXPECT_RGB(c.DownedSelectedColor, k.DownedSelected);
        EXPECT_RGB(c.NavPaneHeaderColor1, k.NavPaneHeader1);
        EXPECT_RGB(c.NavPaneSplitterColor1, k.NavPaneHeader1);
        EXPECT_RGB(c.NavPaneHeaderFontColor, 0xFFFFFF);
        EXPECT_RGB(c.BarMarkArrowColor1, 0x000000);
        EXPECT_RGB(c.BarMarkArrowColor2, 0xFFFFFF);
        EXPECT_RGB(c.BarFloatingCaptionTextColor1, 0xFFFFFF);
        EXPECT_RGB(c.BarFloatingCaptionTextColor3, 0x000000);
        EXPECT_RGB(c.GroupIndentColor, 0xFDEEC9);
        EXPECT_EQ(c.GroupRowSeparatorColor, c.BarBorderColors[1]);
        EXPECT_EQ(c.BarFloatingBorderColor3, c.ToolbarsColor1);
        EXPECT_EQ(c.InPlaceSubItemTextColor, c.BarFloatingCaptionTextColor1);
        EXPECT_EQ(c.TubeGradientPercent, k.Tube);
        if (k.BorderMark0) {
            EXPECT_RGB(c.BarBorderMarkColors[0], k.BorderMark0);
            EXPECT_RGB(c.BarBorderMarkColors[3], k.BorderMark3);
            EXPECT_RGB(c.InPlaceSubItemColor, k.BorderMark3);
            EXPECT_RGB(c.MenuNonRecentIndentColor1, k.NonRecent1);
        }
    }
    // Last row and a middle one of the blue table, by position.
    const TdxOffice11Colors blue = dxCalculateOffice11Colors(schNormalColor, ClassicDesktop(), Identity);
    EXPECT_RGB(blue.BarMarkColors2[0], 0x003591);  // j = 4
    EXPECT_RGB(blue.BarMarkColors1[2], 0xFE9552);  // j = 9
    EXPECT_RGB(blue.GroupRowTextColor, 0x3768B9);  // j = 36
    EXPECT_RGB(blue.NavPaneGroupCaptionPressedHotColor2, 0xF7DA7C);  // j = 45
    EXPECT_RGB(blue.NavPaneHeaderColor2, 0x033893);  // j = 47
}

// Every entry of the three scheme tables, against the documented table (a fixture that does
// not come from the code under test).
struct TSchemeRow {
    int Position;
    const char* Name;
    unsigned Blue, Olive, Silver;
};
constexpr TSchemeRow kSchemeTable[] = {
#include "tests/lookandfeel/office11_scheme_table.inc"
};

// The field of the colour set a table row names.
const TColor* SchemeField(const TdxOffice11Colors& c, const std::string& name)
{
    const std::pair<const char*, const TColor*> fields[] = {
        {"ToolbarsColor1", &c.ToolbarsColor1},
        {"ToolbarsColor2", &c.ToolbarsColor2},
        {"DockColor1", &c.DockColor1},
        {"DockColor2", &c.DockColor2},
        {"BarMarkColors2[0]", &c.BarMarkColors2[0]},
        {"BarMarkColors1[0]", &c.BarMarkColors1[0]},
        {"BarMarkColors2[1]", &c.BarMarkColors2[1]},
        {"BarMarkColors1[1]", &c.BarMarkColors1[1]},
        {"BarMarkColors2[2]", &c.BarMarkColors2[2]},
        {"BarMarkColors1[2]", &c.BarMarkColors1[2]},
        {"BarBorderColors[0]", &c.BarBorderColors[0]},
        {"BarBorderColors[1]", &c.BarBorderColors[1]},
        {"BarFingerColor1", &c.BarFingerColor1},
        {"BarFingerColor2", &c.BarFingerColor2},
        {"BarSeparatorColor1", &c.BarSeparatorColor1},
        {"BarSeparatorColor2", &c.BarSeparatorColor2},
        {"BarFloatingBorderColor1", &c.BarFloatingBorderColor1},
        {"BarFloatingBorderColor2", &c.BarFloatingBorderColor2},
        {"DropDownBorderColor1", &c.DropDownBorderColor1},
        {"MenuColor", &c.MenuColor},
        {"ToolbarSelectedColor", &c.ToolbarSelectedColor},
        {"SelectedBorderColor", &c.SelectedBorderColor},
        {"SelectedColor1", &c.SelectedColor1},
        {"SelectedColor2", &c.SelectedColor2},
        {"SelectedDownColor1", &c.SelectedDownColor1},
        {"SelectedDownColor2", &c.SelectedDownColor2},
        {"OwnerControlDownedColor", &c.OwnerControlDownedColor},
        {"DownedColor", &c.DownedColor},
        {"DownedSelectedColor", &c.DownedSelectedColor},
        {"DetachableColor", &c.DetachableColor},
        {"TextEnabledColor", &c.TextEnabledColor},
        {"TextDisabledColor", &c.TextDisabledColor},
        {"GroupColor", &c.GroupColor},
        {"DayNavigatorSelectedColor", &c.DayNavigatorSelectedColor},
        {"OutlookControlColor", &c.OutlookControlColor},
        {"OutlookBorderColor", &c.OutlookBorderColor},
        {"GroupRowTextColor", &c.GroupRowTextColor},
        {"NavPaneBorder", &c.NavPaneBorder},
        {"NavPaneGroupCaptionColor1", &c.NavPaneGroupCaptionColor1},
        {"NavPaneGroupCaptionColor2", &c.NavPaneGroupCaptionColor2},
        {"NavPaneGroupCaptionHotColor1", &c.NavPaneGroupCaptionHotColor1},
        {"NavPaneGroupCaptionHotColor2", &c.NavPaneGroupCaptionHotColor2},
        {"NavPaneGroupCaptionPressedColor1", &c.NavPaneGroupCaptionPressedColor1},
        {"NavPaneGroupCaptionPressedColor2", &c.NavPaneGroupCaptionPressedColor2},
        {"NavPaneGroupCaptionPressedHotColor1", &c.NavPaneGroupCaptionPressedHotColor1},
        {"NavPaneGroupCaptionPressedHotColor2", &c.NavPaneGroupCaptionPressedHotColor2},
        {"NavPaneHeaderColor1", &c.NavPaneHeaderColor1},
        {"NavPaneHeaderColor2", &c.NavPaneHeaderColor2},
        {"NavPaneHeaderFontColor", &c.NavPaneHeaderFontColor},
    };
    for (const auto& [fieldName, field] : fields)
        if (name == fieldName) return field;
    return nullptr;
}

TEST(Office11Colors, EveryEntryOfTheSchemeTables)
{
    ASSERT_EQ(std::size(kSchemeTable), 49u);
    struct Scheme {
        TOffice11Scheme Value;
        const char* Label;
        unsigned TSchemeRow::*Column;
    };
    const Scheme schemes[] = {{schNormalColor, "blue", &TSchemeRow::Blue},
                              {schHomestead, "olive", &TSchemeRow::Olive},
                              {schMetallic, "silver", &TSchemeRow::Silver}};
    for (const Scheme& scheme : schemes) {
        SCOPED_TRACE(scheme.Label);
        // The system colours must not matter.
        const TdxOffice11Colors c = dxCalculateOffice11Colors(scheme.Value, ClassicDesktop(), Identity);
        for (std::size_t j = 0; j < std::size(kSchemeTable); ++j) {
            const TSchemeRow& row = kSchemeTable[j];
            SCOPED_TRACE(std::to_string(row.Position) + " " + row.Name);
            EXPECT_EQ(row.Position, static_cast<int>(j));
            const TColor* field = SchemeField(c, row.Name);
            ASSERT_NE(field, nullptr);
            EXPECT_RGB(*field, row.*(scheme.Column));
        }
    }
}

// Every field of the computed branch, for system colours that all differ from each other,
// so a field that takes the wrong system colour or the wrong neighbour shows. The expected
// values come from office11_computed_expected.py, which works the documented rules out
// independently of this code.
TEST(Office11Colors, EveryComputedFieldFromDistinctSystemColours)
{
    TdxOffice11SystemColors sys;
    sys.BtnFace = Hex(0xD0C0B0);
    sys.Window = Hex(0xF8F0E8);
    sys.BtnShadow = Hex(0x706050);
    sys.BtnText = Hex(0x102030);
    sys.GrayText = Hex(0x8090A0);
    sys.BtnHighlight = Hex(0xE0F0FE);
    sys.Highlight = Hex(0x3060C0);
    sys.HighlightText = Hex(0xFEFDFC);
    const TdxOffice11Colors c = dxCalculateOffice11Colors(schUnknown, sys, Identity);
    struct Case {
        const char* Name;
        const TColor* Field;
        unsigned Expected;
    };
    const Case cases[] = {
        {"DockColor1", &c.DockColor1, 0xD0C0B0},
        {"DockColor2", &c.DockColor2, 0xF0E6DD},
        {"ToolbarsColor1", &c.ToolbarsColor1, 0xEFE5DC},
        {"ToolbarsColor2", &c.ToolbarsColor2, 0xD2C2B2},
        {"BarMarkColors2[0]", &c.BarMarkColors2[0], 0x706050},
        {"BarMarkColors1[0]", &c.BarMarkColors1[0], 0x938577},
        {"BarMarkColors1[1]", &c.BarMarkColors1[1], 0xC4CDE6},
        {"BarMarkColors2[1]", &c.BarMarkColors2[1], 0xC4CDE6},
        {"BarMarkColors1[2]", &c.BarMarkColors1[2], 0xD1CDCC},
        {"BarMarkColors2[2]", &c.BarMarkColors2[2], 0xD1CDCC},
        {"BarBorderColors[0]", &c.BarBorderColors[0], 0xD6C7B9},
        {"BarBorderColors[1]", &c.BarBorderColors[1], 0xD0C0B0},
        {"BarBorderMarkColors[0]", &c.BarBorderMarkColors[0], 0xB4A89C},
        {"BarBorderMarkColors[3]", &c.BarBorderMarkColors[3], 0xA09080},
        {"BarBorderMarkColors[1]", &c.BarBorderMarkColors[1], 0xDEDFE7},
        {"BarBorderMarkColors[4]", &c.BarBorderMarkColors[4], 0xCAC7CB},
        {"BarBorderMarkColors[2]", &c.BarBorderMarkColors[2], 0xE5DFDA},
        {"BarBorderMarkColors[5]", &c.BarBorderMarkColors[5], 0xD1C7BE},
        {"BarFingerColor1", &c.BarFingerColor1, 0x918375},
        {"BarFingerColor2", &c.BarFingerColor2, 0xF8F0E8},
        {"BarSeparatorColor1", &c.BarSeparatorColor1, 0x988B7E},
        {"BarSeparatorColor2", &c.BarSeparatorColor2, 0xFFFFFF},
        {"BarMarkArrowColor1", &c.BarMarkArrowColor1, 0x102030},
        {"BarMarkArrowColor2", &c.BarMarkArrowColor2, 0xF8F0E8},
        {"BarFloatingBorderColor1", &c.BarFloatingBorderColor1, 0x706050},
        {"BarFloatingBorderColor2", &c.BarFloatingBorderColor2, 0xD2C2B2},
        {"BarFloatingCaptionTextColor1", &c.BarFloatingCaptionTextColor1, 0xE0F0FE},
        {"BarFloatingCaptionTextColor2", &c.BarFloatingCaptionTextColor2, 0x102030},
        {"BarFloatingCaptionTextColor3", &c.BarFloatingCaptionTextColor3, 0x102030},
        {"DropDownBorderColor1", &c.DropDownBorderColor1, 0x706050},
        {"MenuColor", &c.MenuColor, 0xF8F0E8},
        {"ToolbarSelectedColor", &c.ToolbarSelectedColor, 0xBDC6DD},
        {"SelectedBorderColor", &c.SelectedBorderColor, 0x3060C0},
        {"SelectedColor1", &c.SelectedColor1, 0xBDC6DD},
        {"SelectedColor2", &c.SelectedColor2, 0xBDC6DD},
        {"OwnerControlDownedColor", &c.OwnerControlDownedColor, 0xD2C2B2},
        {"DownedColor", &c.DownedColor, 0xD1CDCC},
        {"DownedSelectedColor", &c.DownedSelectedColor, 0x95A5CA},
        {"SelectedDownColor1", &c.SelectedDownColor1, 0x95A5CA},
        {"SelectedDownColor2", &c.SelectedDownColor2, 0x95A5CA},
        {"DetachableColor", &c.DetachableColor, 0xD2C2B2},
        {"TextEnabledColor", &c.TextEnabledColor, 0x102030},
        {"TextDisabledColor", &c.TextDisabledColor, 0x8090A0},
        {"GroupColor", &c.GroupColor, 0xD0C0B0},
        {"DayNavigatorSelectedColor", &c.DayNavigatorSelectedColor, 0xD1CDCC},
        {"OutlookControlColor", &c.OutlookControlColor, 0xD0C0B0},
        {"OutlookBorderColor", &c.OutlookBorderColor, 0x706050},
        {"GroupIndentColor", &c.GroupIndentColor, 0xD0C0B0},
        {"GroupRowTextColor", &c.GroupRowTextColor, 0x706050},
        {"GroupRowSeparatorColor", &c.GroupRowSeparatorColor, 0x706050},
        {"NavPaneBorder", &c.NavPaneBorder, 0x706050},
        {"NavPaneGroupCaptionColor1", &c.NavPaneGroupCaptionColor1, 0xE7DFD7},
        {"NavPaneGroupCaptionColor2", &c.NavPaneGroupCaptionColor2, 0xD1C1B2},
        {"NavPaneGroupCaptionHotColor1", &c.NavPaneGroupCaptionHotColor1, 0xBDC6DD},
        {"NavPaneGroupCaptionHotColor2", &c.NavPaneGroupCaptionHotColor2, 0xBDC6DD},
        {"NavPaneGroupCaptionPressedColor1", &c.NavPaneGroupCaptionPressedColor1, 0xD1CDCC},
        {"NavPaneGroupCaptionPressedColor2", &c.NavPaneGroupCaptionPressedColor2, 0xD1CDCC},
        {"NavPaneGroupCaptionPressedHotColor1", &c.NavPaneGroupCaptionPressedHotColor1, 0x95A5CA},
        {"NavPaneGroupCaptionPressedHotColor2", &c.NavPaneGroupCaptionPressedHotColor2, 0x95A5CA},
        {"NavPaneHeaderColor1", &c.NavPaneHeaderColor1, 0x706050},
        {"NavPaneHeaderColor2", &c.NavPaneHeaderColor2, 0x706050},
        {"NavPaneHeaderFontColor", &c.NavPaneHeaderFontColor, 0xFEFDFC},
        {"NavPaneSplitterColor1", &c.NavPaneSplitterColor1, 0xD0C0B0},
        {"NavPaneSplitterColor2", &c.NavPaneSplitterColor2, 0x706050},
        {"BarFloatingBorderColor3", &c.BarFloatingBorderColor3, 0xEFE5DC},
        {"BarFloatingCaptionColor", &c.BarFloatingCaptionColor, 0x706050},
        {"DropDownBorderColor2", &c.DropDownBorderColor2, 0xF8F0E8},
        {"MenuDownedColor1", &c.MenuDownedColor1, 0xEFE5DC},
        {"MenuIndentColor1", &c.MenuIndentColor1, 0xEFE5DC},
        {"MenuDownedColor2", &c.MenuDownedColor2, 0xD2C2B2},
        {"MenuIndentColor2", &c.MenuIndentColor2, 0xD2C2B2},
        {"MenuNonRecentIndentColor1", &c.MenuNonRecentIndentColor1, 0xDCD3CA},
        {"MenuNonRecentIndentColor2", &c.MenuNonRecentIndentColor2, 0xC1B2A4},
        {"DetachableSelectedColor", &c.DetachableSelectedColor, 0xBDC6DD},
        {"StaticBorderColor", &c.StaticBorderColor, 0x706050},
        {"ControlBorderColor", &c.ControlBorderColor, 0x706050},
        {"DateHeaderColor", &c.DateHeaderColor, 0xD0C0B0},
        {"InPlaceSubItemColor", &c.InPlaceSubItemColor, 0xA09080},
        {"InPlaceSubItemTextColor", &c.InPlaceSubItemTextColor, 0xE0F0FE},
        {"ExpandButtonColor1", &c.ExpandButtonColor1, 0x9EAEBF},
        {"ExpandButtonColor2", &c.ExpandButtonColor2, 0x2E465F},
    };
    // Every colour field of the set is in the table (the set holds the colours and one int).
    ASSERT_EQ(std::size(cases) * sizeof(TColor) + sizeof(int), sizeof(TdxOffice11Colors));
    for (const Case& k : cases) {
        SCOPED_TRACE(k.Name);
        EXPECT_RGB(*k.Field, k.Expected);
    }
    EXPECT_EQ(c.TubeGradientPercent, 75);
}

TEST(Office11Bitmap, RecolouringSpreadsTheRedRangeOverTheToolbarColours)
{
    const COLORREF background = Hex(0xFF00FF), black = Hex(0);
    std::vector<COLORREF> pixels{background, black, Hex(0x505050), Hex(0xE0E0E0), Hex(0x989898)};
    dxRecolorSubMenuExpandPixels(pixels, Hex(0xC8C8C8), Hex(0x646464), Identity);
    EXPECT_RGB(pixels[0], 0xFF00FF);
    EXPECT_RGB(pixels[1], 0x000000);
    EXPECT_RGB(pixels[2], 0x646464) << "the darkest red takes all of b";
    EXPECT_RGB(pixels[3], 0xC8C8C8) << "the lightest red takes all of a";
    EXPECT_RGB(pixels[4], 0x969696) << "halfway: (0x98 - 0x50) * 100 / 0x90 = 50";

    // Equal colours: b becomes black (white when a is black).
    std::vector<COLORREF> same{background, Hex(0x101010), Hex(0x202020)};
    dxRecolorSubMenuExpandPixels(same, Hex(0xC8C8C8), Hex(0xC8C8C8), Identity);
    EXPECT_RGB(same[1], 0x000000);
    std::vector<COLORREF> blackA{background, Hex(0x101010), Hex(0x202020)};
    dxRecolorSubMenuExpandPixels(blackA, Hex(0), Hex(0), Identity);
    EXPECT_RGB(blackA[1], 0xFFFFFF);
    EXPECT_RGB(blackA[2], 0x000000);

    // One tone has no range: it takes a, no division by zero.
    std::vector<COLORREF> oneTone{background, Hex(0x808080), Hex(0x808080)};
    dxRecolorSubMenuExpandPixels(oneTone, Hex(0xC8C8C8), Hex(0x646464), Identity);
    EXPECT_RGB(oneTone[2], 0xC8C8C8);
}

TEST(Office11Gradient, BandsSplitTheExtentAndRunFromColourToColour)
{
    using Bands = std::vector<TdxGradientBand>;
    EXPECT_EQ(dxGradientBands({0, 0, 4, 2}, Hex(0), Hex(0xFFFFFF), true),
              (Bands{{0, 1, Hex(0x000000)}, {1, 2, Hex(0x555555)}, {2, 3, Hex(0xAAAAAA)}, {3, 4, Hex(0xFFFFFF)}}));
    EXPECT_EQ(dxGradientBands({0, 5, 1, 8}, Hex(0xFF0000), Hex(0x000000), false),
              (Bands{{5, 6, Hex(0xFF0000)}, {6, 7, Hex(0x7F0000)}, {7, 8, Hex(0x000000)}}))
        << "255 - 127.5 rounds away from zero to 127";
    EXPECT_EQ(dxGradientBands({3, 0, 4, 1}, Hex(0x102030), Hex(0xFFFFFF), true), (Bands{{3, 4, Hex(0x102030)}}))
        << "one band: the first colour, no division by zero";
    EXPECT_TRUE(dxGradientBands({4, 0, 4, 9}, Hex(0), Hex(0xFFFFFF), true).empty());
    EXPECT_TRUE(dxGradientBands({0, 9, 4, 2}, Hex(0), Hex(0xFFFFFF), false).empty());

    // 300 pixels in 256 bands: band ends are rounded, so widths are 1 or 2.
    const Bands wide = dxGradientBands({0, 0, 300, 1}, Hex(0), Hex(0xFFFFFF), true);
    ASSERT_EQ(wide.size(), 256u);
    EXPECT_EQ(wide[0], (TdxGradientBand{0, 1, Hex(0x000000)}));
    EXPECT_EQ(wide[2], (TdxGradientBand{2, 4, Hex(0x020202)}));
    EXPECT_EQ(wide.back().End, 300);
    for (size_t k = 1; k < wide.size(); ++k) EXPECT_EQ(wide[k].Start, wide[k - 1].End);
}

TEST(Office11Gradient, ColourAtAPositionIsTheBandsColour)
{
    const RECT r{10, 0, 522, 1};  // 512 pixels, 256 bands of two
    struct Case {
        int Position;
        unsigned Expected;
    };
    const Case cases[] = {{10, 0x000000}, {11, 0x000000}, {12, 0x010101}, {521, 0xFFFFFF},
                          {5, 0x000000},  {600, 0xFFFFFF}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Position);
        EXPECT_RGB(GetGradientColorRect(r, c.Position, clBlack, clWhite, true), c.Expected);
    }
}

TEST(Office11Gradient, TubeRunsToTheBendAndOnToTheSecondColour)
{
    using Bands = std::vector<TdxGradientBand>;
    // c1 = 200, c2 = 64, p = 75: bend 149, first-half end 98, second-half start 234.
    EXPECT_EQ(dxTubeGradientBands({0, 0, 4, 1}, Hex(0xC8C8C8), Hex(0x404040), true, 75),
              (Bands{{0, 1, Hex(0xC8C8C8)}, {1, 2, Hex(0xA6A6A6)}, {2, 3, Hex(0x959595)}, {3, 4, Hex(0x404040)}}));
    EXPECT_EQ(dxTubeGradientBands({0, 7, 2, 8}, Hex(0xC8C8C8), Hex(0x404040), false, 75), (Bands{{7, 8, Hex(0x959595)}}))
        << "one pixel is the bend";
    EXPECT_TRUE(dxTubeGradientBands({0, 0, 0, 5}, Hex(0), Hex(0xFFFFFF), true, 75).empty());
}

// --- On the desktop -----------------------------------------------------------------------

// A memory bitmap to draw on, read back through the library's pixel reader.
class PixelSurface {
public:
    PixelSurface(int width, int height) { FBitmap.SetSize(width, height); }
    HDC DC() { return FBitmap.Canvas().Handle(); }
    COLORREF Pixel(int x, int y)
    {
        const std::uint32_t v = cxReadPixels(DC(), {x, y, x + 1, y + 1}).At(0, 0);
        return RGB((v >> 16) & 0xFF, (v >> 8) & 0xFF, v & 0xFF);
    }

private:
    TBitmap FBitmap;
};

// Forces the banded fill for a test and puts the platform's function back.
class NoPlatformGradient {
public:
    NoPlatformGradient() : FSaved(dxOffice11GradientFill()) { dxSetOffice11GradientFill(nullptr); }
    NoPlatformGradient(const NoPlatformGradient&) = delete;
    NoPlatformGradient& operator=(const NoPlatformGradient&) = delete;
    ~NoPlatformGradient() { dxSetOffice11GradientFill(FSaved); }

private:
    TdxGradientFillProc FSaved;
};

TEST(Office11Drawing, GradientWithoutThePlatformFillDrawsTheBands)
{
    NoPlatformGradient banded;
    PixelSurface surface(8, 3);
    FillRectByColor(surface.DC(), {0, 0, 8, 3}, clRed);
    FillGradientRect(surface.DC(), {1, 0, 5, 2}, clBlack, clWhite, true);
    const unsigned expected[] = {0x000000, 0x555555, 0xAAAAAA, 0xFFFFFF};
    for (int x = 0; x < 4; ++x) {
        SCOPED_TRACE(x);
        EXPECT_RGB(surface.Pixel(1 + x, 0), expected[x]);
        EXPECT_RGB(surface.Pixel(1 + x, 1), expected[x]);
    }
    EXPECT_RGB(surface.Pixel(0, 0), 0xFF0000) << "nothing outside the rectangle";
    EXPECT_RGB(surface.Pixel(5, 0), 0xFF0000);
    EXPECT_RGB(surface.Pixel(1, 2), 0xFF0000);
}

TEST(Office11Drawing, GradientWithThePlatformFillRunsFromEndToEnd)
{
    ASSERT_NE(dxOffice11GradientFill(), nullptr) << "msimg32.dll has GradientFill under Wine";
    PixelSurface surface(3, 64);
    FillRectByColor(surface.DC(), {0, 0, 3, 64}, clRed);
    FillGradientRect(surface.DC(), {0, 0, 2, 64}, static_cast<TColor>(Hex(0x0000FF)), static_cast<TColor>(Hex(0xFFFFFF)),
                     false);
    EXPECT_LE(GetRValue(surface.Pixel(0, 0)), 8);
    EXPECT_EQ(GetBValue(surface.Pixel(0, 0)), 0xFF);
    EXPECT_GE(GetRValue(surface.Pixel(0, 63)), 0xF0);
    for (int y = 1; y < 64; ++y) EXPECT_GE(GetRValue(surface.Pixel(1, y)), GetRValue(surface.Pixel(1, y - 1)));
    EXPECT_RGB(surface.Pixel(2, 10), 0xFF0000) << "nothing outside the rectangle";
}

TEST(Office11Drawing, EqualColoursFillPlainlyAndTubeDrawsItsBands)
{
    PixelSurface surface(4, 4);
    FillGradientRect(surface.DC(), {0, 0, 4, 4}, static_cast<TColor>(Hex(0x336699)), static_cast<TColor>(Hex(0x336699)),
                     true);
    EXPECT_RGB(surface.Pixel(3, 3), 0x336699);

    CreateOffice11Colors();
    const std::vector<TdxGradientBand> bands =
        dxTubeGradientBands({0, 0, 4, 4}, Hex(0xC8C8C8), Hex(0x404040), false, dxOffice11Colors.TubeGradientPercent);
    FillTubeGradientRect(surface.DC(), {0, 0, 4, 4}, static_cast<TColor>(Hex(0xC8C8C8)),
                         static_cast<TColor>(Hex(0x404040)), false);
    for (int y = 0; y < 4; ++y) {
        SCOPED_TRACE(y);
        EXPECT_EQ(surface.Pixel(2, y), bands[y].Color);
    }
    ReleaseOffice11Colors();
}

TEST(Office11Desktop, UnderWineTheColoursAreComputedFromTheSystemColours)
{
    CreateOffice11Colors();
    EXPECT_EQ(GetOffice11Scheme(), schUnknown) << "Wine's light style is not a standard scheme";
    EXPECT_FALSE(IsXPStandardScheme());
    const TdxOffice11Colors expected = dxCalculateOffice11Colors(
        schUnknown, TdxOffice11SystemColors::Current(), [](COLORREF c) { return static_cast<COLORREF>(GetRealColor(static_cast<TColor>(c))); });
    EXPECT_EQ(dxOffice11ToolbarsColor1, expected.ToolbarsColor1);
    EXPECT_EQ(dxOffice11DownedSelectedColor, expected.DownedSelectedColor);
    EXPECT_EQ(dxOffice11BarBorderMarkColors[5], expected.BarBorderMarkColors[5]);
    EXPECT_EQ(dxOffice11NavPaneSplitterColor2, expected.NavPaneSplitterColor2);
    EXPECT_EQ(dxOffice11DockColor1, static_cast<TColor>(GetSysColor(COLOR_BTNFACE)));
    EXPECT_EQ(GetMiddleRGB(clBtnFace, clWhite, 100), GetRealColor(clBtnFace));
    EXPECT_EQ(IsHighContrastBlack(), GetSysColor(COLOR_BTNFACE) == 0);
    EXPECT_EQ(IsHighContrastWhite(), GetSysColor(COLOR_BTNFACE) == 0xFFFFFF);
    ReleaseOffice11Colors();
}

COLORREF BrushColor(HBRUSH brush)
{
    LOGBRUSH info{};
    if (!GetObjectA(brush, sizeof(info), &info)) return CLR_INVALID;
    return info.lbColor;
}

TEST(Office11Desktop, CreatedTwiceReleasedOnceKeepsTheBrushes)
{
    ASSERT_EQ(Office11ColorsRefCount(), 0);
    CreateOffice11Colors();
    CreateOffice11Colors();
    EXPECT_EQ(Office11ColorsRefCount(), 2);
    ReleaseOffice11Colors();
    ASSERT_NE(dxOffice11MenuBrush, nullptr);
    EXPECT_EQ(BrushColor(dxOffice11MenuBrush), static_cast<COLORREF>(dxOffice11MenuColor));
    EXPECT_EQ(BrushColor(dxOffice11DownedSelectedBrush), static_cast<COLORREF>(dxOffice11DownedSelectedColor));
    EXPECT_EQ(dxOffice11DropDownBorderBrush2, dxOffice11MenuBrush);
    EXPECT_EQ(dxOffice11DetachableSelectedBrush, dxOffice11ToolbarSelectedBrush);
    EXPECT_EQ(dxOffice11StaticBorderBrush, dxOffice11DropDownBorderBrush1);
    const HBRUSH menu = dxOffice11MenuBrush;

    ReleaseOffice11Colors();
    EXPECT_EQ(Office11ColorsRefCount(), 0);
    EXPECT_EQ(dxOffice11MenuBrush, nullptr);
    EXPECT_EQ(dxOffice11StaticBorderBrush, nullptr);
    EXPECT_EQ(dxOffice11SubMenuExpandBitmap, nullptr);
    LOGBRUSH gone{};
    EXPECT_EQ(GetObjectA(menu, sizeof(gone), &gone), 0) << "the brush was deleted";

    ReleaseOffice11Colors();  // unbalanced: ignored
    EXPECT_EQ(Office11ColorsRefCount(), 0);
    CreateOffice11Colors();
    EXPECT_NE(dxOffice11MenuBrush, nullptr) << "an extra release did not break the next create";
    ReleaseOffice11Colors();
}

TEST(Office11Desktop, RefreshRecreatesTheBrushesOnlyWhileHeld)
{
    RefreshOffice11Colors();
    EXPECT_EQ(dxOffice11MenuBrush, nullptr) << "no user: colours only";
    CreateOffice11Colors();
    RefreshOffice11Colors();
    ASSERT_NE(dxOffice11MenuBrush, nullptr);
    EXPECT_EQ(BrushColor(dxOffice11MenuBrush), static_cast<COLORREF>(dxOffice11MenuColor));
    ReleaseOffice11Colors();
}

TEST(Office11Desktop, TheSubmenuGlyphIsRecolouredToTheToolbarColours)
{
    CreateOffice11Colors();
    ASSERT_NE(dxOffice11SubMenuExpandBitmap, nullptr) << "the executable carries the glyph resources";
    ASSERT_NE(dxOffice11ExpandButtonBitmap1, nullptr);
    ASSERT_NE(dxOffice11ExpandButtonBitmap2, nullptr);
    TCompatibleDC dc(CreateCompatibleDC(nullptr));
    ASSERT_TRUE(dc.IsValid());
    {
        TSelectGuard glyph(dc.Get(), dxOffice11SubMenuExpandBitmap);
        // The glyph: magenta background, an arrow of four grey columns (x 2..5), the lightest
        // at the tip (x 5, y 3).
        EXPECT_RGB(GetPixel(dc.Get(), 0, 0), 0xFF00FF);
        EXPECT_EQ(GetPixel(dc.Get(), 5, 3), static_cast<COLORREF>(dxOffice11ToolbarsColor1));
        EXPECT_EQ(GetPixel(dc.Get(), 2, 0), static_cast<COLORREF>(dxOffice11ToolbarsColor2));
    }
    {
        TSelectGuard plus(dc.Get(), dxOffice11ExpandButtonBitmap2);
        EXPECT_RGB(GetPixel(dc.Get(), 4, 2), 0x000000) << "the plus has its upright";
    }
    {
        TSelectGuard minus(dc.Get(), dxOffice11ExpandButtonBitmap1);
        EXPECT_RGB(GetPixel(dc.Get(), 4, 2), 0xFFFFFF) << "the minus has none";
    }
    ReleaseOffice11Colors();
}

TEST(Office11Drawing, SelectedFrameUsesTheSelectedBorderColour)
{
    CreateOffice11Colors();
    PixelSurface surface(6, 6);
    FillRectByColor(surface.DC(), {0, 0, 6, 6}, clWhite);
    Office11FrameSelectedRect(surface.DC(), {1, 1, 5, 5});
    const COLORREF frame = IsHighContrastBlack() || IsHighContrast2() ? GetSysColor(COLOR_HIGHLIGHTTEXT)
                                                                      : static_cast<COLORREF>(dxOffice11SelectedBorderColor);
    EXPECT_EQ(surface.Pixel(1, 1), frame);
    EXPECT_EQ(surface.Pixel(4, 4), frame);
    EXPECT_RGB(surface.Pixel(2, 2), 0xFFFFFF);
    EXPECT_RGB(surface.Pixel(0, 0), 0xFFFFFF);
    FrameRectByColor(surface.DC(), {0, 0, 6, 6}, clRed);
    EXPECT_RGB(surface.Pixel(5, 0), 0xFF0000);
    ReleaseOffice11Colors();
}

TEST(Office11Drawing, ItemArrowsPointDownOrRight)
{
    struct Case {
        const char* Label;
        bool Vertical;
        bool Large;
        // Pixels of the arrow (x, y) in a 9 x 9 square, drawn around its centre (4, 4).
        std::vector<POINT> On;
        std::vector<POINT> Off;
    };
    const Case cases[] = {
        {"small down", true, false, {{2, 3}, {6, 3}, {3, 4}, {5, 4}, {4, 5}}, {{1, 3}, {7, 3}, {2, 4}, {3, 5}, {4, 6}}},
        {"small right", false, false, {{3, 2}, {3, 6}, {4, 3}, {4, 5}, {5, 4}}, {{3, 1}, {3, 7}, {4, 2}, {5, 3}, {6, 4}}},
        {"large down", true, true, {{1, 2}, {7, 2}, {4, 5}}, {{0, 2}, {8, 2}, {3, 5}, {4, 6}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Label);
        PixelSurface surface(9, 9);
        FillRectByColor(surface.DC(), {0, 0, 9, 9}, clWhite);
        if (c.Large)
            Office11DrawLargeItemArrow(surface.DC(), {0, 0, 9, 9}, c.Vertical, clBlack);
        else
            Office11DrawItemArrow(surface.DC(), {0, 0, 9, 9}, c.Vertical, clBlack);
        for (const POINT& p : c.On) EXPECT_RGB(surface.Pixel(p.x, p.y), 0x000000) << p.x << "," << p.y;
        for (const POINT& p : c.Off) EXPECT_RGB(surface.Pixel(p.x, p.y), 0xFFFFFF) << p.x << "," << p.y;
    }
}

} // namespace
