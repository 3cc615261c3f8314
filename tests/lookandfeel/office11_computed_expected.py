#!/usr/bin/env python3
"""Expected Office 2003 colours of the computed branch (no standard scheme) for one set of
system colours that are all different from each other, worked from the documented rules
with plain integer arithmetic and the identity as the nearest-colour function. Prints the
case table of office11_test.cpp's EveryComputedField test."""

SYS = dict(BtnFace=0xD0C0B0, Window=0xF8F0E8, BtnShadow=0x706050, BtnText=0x102030, GrayText=0x8090A0,
           BtnHighlight=0xE0F0FE, Highlight=0x3060C0, HighlightText=0xFEFDFC)


def ch(c):
    return [(c >> 16) & 255, (c >> 8) & 255, c & 255]


def rgb(r, g, b):
    return (r << 16) | (g << 8) | b


def muldiv(a, b, c):
    v = a * b
    q = (abs(v) + abs(c) // 2) // abs(c)
    return q if (v >= 0) == (c > 0) else -q


def M(a, b, p):
    return rgb(*[min(255, muldiv(y, 100 - p, 100) + muldiv(x, p, 100)) for x, y in zip(ch(a), ch(b))])


def light(f, h, w):
    F, H, W = SYS["BtnFace"], SYS["Highlight"], SYS["Window"]
    if F in (0, 0xFFFFFF):
        return H
    return rgb(*[max(0, min(255, muldiv(x, f, 100) + muldiv(y, h, 100) + muldiv(z, w, 100)))
                 for x, y, z in zip(ch(F), ch(H), ch(W))])


F, W, S = SYS["BtnFace"], SYS["Window"], SYS["BtnShadow"]
c = {}
c["DockColor1"] = F
c["DockColor2"] = M(F, W, 20)
c["ToolbarsColor1"] = M(F, W, 22)
c["ToolbarsColor2"] = M(F, W, 96)
c["BarMarkColors2[0]"] = S
c["BarMarkColors1[0]"] = M(S, W, 74)
c["BarMarkColors1[1]"] = c["BarMarkColors2[1]"] = light(-15, 29, 86)
c["BarMarkColors1[2]"] = c["BarMarkColors2[2]"] = light(42, 11, 47)
c["BarBorderColors[0]"] = M(F, W, 85)
c["BarBorderColors[1]"] = F
for i in range(3):
    c["BarBorderMarkColors[%d]" % i] = M(c["BarMarkColors2[%d]" % i], W, 50)
    c["BarBorderMarkColors[%d]" % (3 + i)] = M(c["BarMarkColors2[%d]" % i], c["BarBorderColors[1]"], 50)
c["BarFingerColor1"] = M(S, W, 76)
c["BarFingerColor2"] = W
c["BarSeparatorColor1"] = M(S, W, 70)
c["BarSeparatorColor2"] = 0xFFFFFF
c["BarMarkArrowColor1"] = SYS["BtnText"]
c["BarMarkArrowColor2"] = W
c["BarFloatingBorderColor1"] = S
c["BarFloatingBorderColor2"] = c["ToolbarsColor2"]
c["BarFloatingCaptionTextColor1"] = SYS["BtnHighlight"]
c["BarFloatingCaptionTextColor2"] = c["BarFloatingCaptionTextColor3"] = SYS["BtnText"]
c["DropDownBorderColor1"] = S
c["MenuColor"] = W
c["ToolbarSelectedColor"] = light(-2, 30, 72)
c["SelectedBorderColor"] = SYS["Highlight"]
c["SelectedColor1"] = c["SelectedColor2"] = c["ToolbarSelectedColor"]
c["OwnerControlDownedColor"] = c["ToolbarsColor2"]
c["DownedColor"] = light(41, 11, 48)
c["DownedSelectedColor"] = light(14, 44, 40)
c["SelectedDownColor1"] = c["SelectedDownColor2"] = c["DownedSelectedColor"]
c["DetachableColor"] = c["OwnerControlDownedColor"]
c["TextEnabledColor"] = SYS["BtnText"]
c["TextDisabledColor"] = SYS["GrayText"]
c["GroupColor"] = F
c["DayNavigatorSelectedColor"] = c["DownedColor"]
c["OutlookControlColor"] = c["DockColor1"]
c["OutlookBorderColor"] = c["DropDownBorderColor1"]
c["GroupIndentColor"] = F
c["GroupRowTextColor"] = c["GroupRowSeparatorColor"] = S
c["NavPaneBorder"] = S
c["NavPaneGroupCaptionColor1"] = rgb(*[x * 127 // 255 + 128 for x in ch(F)])
c["NavPaneGroupCaptionColor2"] = rgb(*[x - x * 4 // 255 + 4 for x in ch(F)])
c["NavPaneGroupCaptionHotColor1"] = c["SelectedColor1"]
c["NavPaneGroupCaptionHotColor2"] = c["SelectedColor2"]
c["NavPaneGroupCaptionPressedColor1"] = c["NavPaneGroupCaptionPressedColor2"] = c["DownedColor"]
c["NavPaneGroupCaptionPressedHotColor1"] = c["NavPaneGroupCaptionPressedHotColor2"] = c["DownedSelectedColor"]
c["NavPaneHeaderColor1"] = c["NavPaneHeaderColor2"] = c["NavPaneBorder"]
c["NavPaneHeaderFontColor"] = SYS["HighlightText"]
c["NavPaneSplitterColor1"] = F
c["NavPaneSplitterColor2"] = c["NavPaneBorder"]
# Both branches, last.
c["BarFloatingBorderColor3"] = c["ToolbarsColor1"]
c["BarFloatingCaptionColor"] = c["BarFloatingBorderColor1"]
c["DropDownBorderColor2"] = c["MenuColor"]
c["MenuDownedColor1"] = c["MenuIndentColor1"] = c["ToolbarsColor1"]
c["MenuDownedColor2"] = c["MenuIndentColor2"] = c["ToolbarsColor2"]
c["MenuNonRecentIndentColor1"] = M(c["MenuIndentColor1"], 0, 92)
c["MenuNonRecentIndentColor2"] = M(c["MenuIndentColor2"], 0, 92)
c["DetachableSelectedColor"] = c["ToolbarSelectedColor"]
c["StaticBorderColor"] = c["ControlBorderColor"] = c["DropDownBorderColor1"]
c["DateHeaderColor"] = c["DockColor1"]
c["InPlaceSubItemColor"] = c["BarBorderMarkColors[3]"]
c["InPlaceSubItemTextColor"] = c["BarFloatingCaptionTextColor1"]
c["ExpandButtonColor1"] = 0x9EAEBF
c["ExpandButtonColor2"] = 0x2E465F

for name, value in c.items():
    print('        {"%s", &c.%s, 0x%06X},' % (name, name, value))
