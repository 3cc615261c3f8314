// The painter operations of elements this system's controls do not show (grids, headers,
// footers, tabs, scheduler, ...). They exist so that every look can override them; what
// they draw is deliberately plain: fills, frames and centred text in the look's button
// colours, so a control built on them is usable in every look.
#include "lookandfeel/cxLookAndFeelPainters.h"

#include <algorithm>

namespace {

constexpr TColor kBlue = 0xFF0000;

RECT Shrink(const RECT& r, int by = 1) noexcept { return cxRectInflate(r, -by, -by); }

void Text(TcxCanvas& canvas, const RECT& r, const std::string& text, TColor color, UINT flags, bool enabled = true)
{
    if (text.empty()) return;
    canvas.Font().SetColor(color);
    canvas.Brush().SetStyle(bsClear);
    canvas.DrawText(text, r, flags, enabled);
    canvas.Brush().SetStyle(bsSolid);
}

constexpr UINT kCentred = DT_CENTER | DT_VCENTER | DT_SINGLELINE;
constexpr UINT kLeft = DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_END_ELLIPSIS;

}  // namespace

void TcxCustomLookAndFeelPainter::DrawBackground(TcxCanvas& canvas, const RECT& r, TColor color) const
{
    canvas.Brush().SetStyle(bsSolid);
    canvas.FillRect(r, color);
}

void TcxCustomLookAndFeelPainter::DrawButtonArrow(TcxCanvas& canvas, const RECT& r, TColor color) const
{
    DrawArrow(canvas, r, adDown, color);
}

void TcxCustomLookAndFeelPainter::DrawContent(TcxCanvas& canvas, const RECT& r, const std::string& text,
                                              TcxButtonState state) const
{
    Text(canvas, r, text, ButtonSymbolColor(state), kCentred, state != cxbsDisabled);
}

void TcxCustomLookAndFeelPainter::DrawSchedulerNavigationButtonContent(TcxCanvas& canvas, const RECT& r,
                                                                       TcxButtonState state) const
{
    DrawButton(canvas, r, std::string(), state);
}

RECT TcxCustomLookAndFeelPainter::FooterCellContentBounds(const RECT& r) const
{
    return Shrink(r, FooterCellBorderSize());
}
RECT TcxCustomLookAndFeelPainter::FooterCellTextAreaBounds(const RECT& r) const
{
    return cxRectInflate(FooterCellContentBounds(r), -2, 0);
}

TColor TcxCustomLookAndFeelPainter::DefaultContentColor() const { return clWindow; }
TColor TcxCustomLookAndFeelPainter::DefaultContentEvenColor() const { return clWindow; }
TColor TcxCustomLookAndFeelPainter::DefaultContentOddColor() const { return clWindow; }
TColor TcxCustomLookAndFeelPainter::DefaultContentTextColor() const { return clWindowText; }
TColor TcxCustomLookAndFeelPainter::DefaultEditorBackgroundColor() const { return clWindow; }
TColor TcxCustomLookAndFeelPainter::DefaultEditorTextColor() const { return clWindowText; }
TColor TcxCustomLookAndFeelPainter::DefaultFilterBoxColor() const { return clBtnShadow; }
TColor TcxCustomLookAndFeelPainter::DefaultFilterBoxTextColor() const { return clBtnHighlight; }
TColor TcxCustomLookAndFeelPainter::DefaultFixedSeparatorColor() const { return clBtnText; }
TColor TcxCustomLookAndFeelPainter::DefaultFooterColor() const { return clBtnFace; }
TColor TcxCustomLookAndFeelPainter::DefaultFooterTextColor() const { return clBtnText; }
TColor TcxCustomLookAndFeelPainter::DefaultGridDetailsSiteColor() const { return clBtnFace; }
TColor TcxCustomLookAndFeelPainter::DefaultGridLineColor() const { return clBtnShadow; }
TColor TcxCustomLookAndFeelPainter::DefaultGroupByBoxColor() const { return clBtnShadow; }
TColor TcxCustomLookAndFeelPainter::DefaultGroupByBoxTextColor() const { return clBtnFace; }
TColor TcxCustomLookAndFeelPainter::DefaultGroupColor() const { return clBtnFace; }
TColor TcxCustomLookAndFeelPainter::DefaultGroupTextColor() const { return clBtnText; }
TColor TcxCustomLookAndFeelPainter::DefaultHeaderBackgroundColor() const { return clBtnShadow; }
TColor TcxCustomLookAndFeelPainter::DefaultHeaderBackgroundTextColor() const { return clBtnHighlight; }
TColor TcxCustomLookAndFeelPainter::DefaultHeaderColor() const { return clBtnFace; }
TColor TcxCustomLookAndFeelPainter::DefaultHeaderTextColor() const { return clBtnText; }
TColor TcxCustomLookAndFeelPainter::DefaultHyperlinkTextColor() const { return kBlue; }
TColor TcxCustomLookAndFeelPainter::DefaultInactiveColor() const { return clBtnFace; }
TColor TcxCustomLookAndFeelPainter::DefaultInactiveTextColor() const { return clBtnText; }
TColor TcxCustomLookAndFeelPainter::DefaultPreviewTextColor() const { return kBlue; }
TColor TcxCustomLookAndFeelPainter::DefaultRecordSeparatorColor() const { return clBtnShadow; }
TColor TcxCustomLookAndFeelPainter::DefaultSizeGripAreaColor() const { return clBtnFace; }
TColor TcxCustomLookAndFeelPainter::DefaultVGridCategoryColor() const { return clBtnFace; }
TColor TcxCustomLookAndFeelPainter::DefaultVGridCategoryTextColor() const { return clBtnText; }
TColor TcxCustomLookAndFeelPainter::DefaultVGridLineColor() const { return clBtnShadow; }
TColor TcxCustomLookAndFeelPainter::DefaultVGridBandLineColor() const { return clBtnText; }
TColor TcxCustomLookAndFeelPainter::DefaultDateNavigatorHeaderColor() const { return clBtnFace; }
TColor TcxCustomLookAndFeelPainter::DefaultDateNavigatorSelectionColor() const { return clHighlight; }
TColor TcxCustomLookAndFeelPainter::DefaultDateNavigatorSelectionTextColor() const { return clHighlightText; }
TColor TcxCustomLookAndFeelPainter::DefaultSchedulerBackgroundColor() const { return clWindow; }
TColor TcxCustomLookAndFeelPainter::DefaultSchedulerTextColor() const { return clWindowText; }
TColor TcxCustomLookAndFeelPainter::DefaultSchedulerBorderColor() const { return clBtnShadow; }
TColor TcxCustomLookAndFeelPainter::DefaultSchedulerControlColor() const { return clBtnFace; }
TColor TcxCustomLookAndFeelPainter::DefaultSchedulerNavigatorColor() const { return clBtnFace; }
TColor TcxCustomLookAndFeelPainter::DefaultSchedulerViewContentColor() const { return clWindow; }
TColor TcxCustomLookAndFeelPainter::DefaultSchedulerViewSelectedTextColor() const { return clHighlightText; }
TColor TcxCustomLookAndFeelPainter::DefaultSchedulerViewTextColor() const { return clWindowText; }
TColor TcxCustomLookAndFeelPainter::DefaultSelectionColor() const { return clHighlight; }
TColor TcxCustomLookAndFeelPainter::DefaultSelectionTextColor() const { return clHighlightText; }
TColor TcxCustomLookAndFeelPainter::DefaultSeparatorColor() const { return clBtnShadow; }
TColor TcxCustomLookAndFeelPainter::DefaultTabColor() const { return clBtnFace; }
TColor TcxCustomLookAndFeelPainter::DefaultTabTextColor() const { return clBtnText; }
TColor TcxCustomLookAndFeelPainter::DefaultTabsBackgroundColor() const { return clBtnFace; }
TColor TcxCustomLookAndFeelPainter::DefaultTimeGridMajorScaleColor() const { return clBtnFace; }
TColor TcxCustomLookAndFeelPainter::DefaultTimeGridMajorScaleTextColor() const { return clBtnText; }
TColor TcxCustomLookAndFeelPainter::DefaultTimeGridMinorScaleColor() const { return clBtnFace; }
TColor TcxCustomLookAndFeelPainter::DefaultTimeGridMinorScaleTextColor() const { return clBtnText; }
TColor TcxCustomLookAndFeelPainter::DefaultTimeGridSelectionBarColor() const { return clHighlight; }
TColor TcxCustomLookAndFeelPainter::DefaultChartDiagramValueBorderColor() const { return clBlack; }
TColor TcxCustomLookAndFeelPainter::DefaultChartDiagramValueCaptionTextColor() const { return clBlack; }
TColor TcxCustomLookAndFeelPainter::DefaultChartHistogramAxisColor() const { return clBlack; }
TColor TcxCustomLookAndFeelPainter::DefaultChartHistogramGridLineColor() const { return clBtnShadow; }
TColor TcxCustomLookAndFeelPainter::DefaultChartHistogramPlotColor() const { return clWindow; }
TColor TcxCustomLookAndFeelPainter::DefaultChartPieDiagramSeriesSiteBorderColor() const { return clBtnShadow; }
TColor TcxCustomLookAndFeelPainter::DefaultChartPieDiagramSeriesSiteCaptionColor() const { return clBtnFace; }
TColor TcxCustomLookAndFeelPainter::DefaultChartPieDiagramSeriesSiteCaptionTextColor() const { return clBtnText; }
TColor TcxCustomLookAndFeelPainter::DefaultChartToolBoxDataLevelInfoBorderColor() const { return clBtnShadow; }
TColor TcxCustomLookAndFeelPainter::DefaultChartToolBoxItemSeparatorColor() const { return clBtnShadow; }

RECT TcxCustomLookAndFeelPainter::AdjustGroupButtonDisplayRect(const RECT& r, int, int) const { return r; }
RECT TcxCustomLookAndFeelPainter::ButtonGroupBorderSizes(int, int) const
{
    const int size = ButtonBorderSize();
    return cxRect(size, size, size, size);
}

void TcxCustomLookAndFeelPainter::DrawButtonInGroup(TcxCanvas& canvas, const RECT& r, TcxButtonState state, int,
                                                    int, TColor backgroundColor) const
{
    DrawButton(canvas, r, std::string(), state, true, backgroundColor);
}

void TcxCustomLookAndFeelPainter::DrawButtonGroupBorder(TcxCanvas& canvas, const RECT& r, bool, bool selected) const
{
    canvas.FrameRect(r, selected ? clHighlight : clBtnShadow);
}

void TcxCustomLookAndFeelPainter::DrawExpandButton(TcxCanvas& canvas, const RECT& r, bool expanded, TColor color) const
{
    DrawSmallExpandButton(canvas, r, expanded, clBtnShadow, color);
}

bool TcxCustomLookAndFeelPainter::DrawExpandButtonFirst() const { return true; }

void TcxCustomLookAndFeelPainter::DrawGroupExpandButton(TcxCanvas& canvas, const RECT& r, bool expanded,
                                                        TcxButtonState state) const
{
    DrawButton(canvas, r, std::string(), state);
    DrawArrow(canvas, Shrink(r, 2), expanded ? adUp : adDown, ButtonSymbolColor(state));
}

void TcxCustomLookAndFeelPainter::DrawSmallExpandButton(TcxCanvas& canvas, const RECT& r, bool expanded,
                                                        TColor borderColor, TColor color) const
{
    canvas.Brush().SetStyle(bsSolid);
    canvas.FillRect(Shrink(r), color == clDefault ? clWindow : color);
    canvas.FrameRect(r, borderColor);
    // A minus sign, and its vertical stroke for the collapsed state.
    const int cx = (r.left + r.right) / 2;
    const int cy = (r.top + r.bottom) / 2;
    const int arm = (std::min(cxRectWidth(r), cxRectHeight(r)) - 4) / 2;
    if (arm <= 0) return;
    canvas.FillRect(cxRect(cx - arm, cy, cx + arm + 1, cy + 1), clBtnText);
    if (!expanded) canvas.FillRect(cxRect(cx, cy - arm, cx + 1, cy + arm + 1), clBtnText);
}

int TcxCustomLookAndFeelPainter::ExpandButtonSize() const { return 12; }
int TcxCustomLookAndFeelPainter::GroupExpandButtonSize() const { return 15; }

bool TcxCustomLookAndFeelPainter::IsPointOverGroupExpandButton(const RECT& r, const POINT& p) const
{
    return cxRectPtIn(r, p);
}

int TcxCustomLookAndFeelPainter::SmallExpandButtonSize() const { return 9; }
int TcxCustomLookAndFeelPainter::CheckBorderSize() const { return BorderSize(); }

TColor TcxCustomLookAndFeelPainter::CheckButtonColor(TcxButtonState state) const
{
    return state == cxbsDisabled || state == cxbsPressed ? clBtnFace : clWindow;
}

SIZE TcxCustomLookAndFeelPainter::CheckButtonSize() const { return cxSize(13, 13); }

void TcxCustomLookAndFeelPainter::DrawCheck(TcxCanvas& canvas, const RECT& r, TcxButtonState state, bool checked,
                                            TColor color) const
{
    canvas.Brush().SetStyle(bsSolid);
    canvas.FillRect(r, color);
    if (!checked) return;
    // A tick of three short diagonal strokes, in the symbol colour.
    const TColor mark = ButtonSymbolColor(state);
    const int x = r.left + (cxRectWidth(r) - 7) / 2;
    const int y = r.top + (cxRectHeight(r) - 7) / 2 + 2;
    for (int i = 0; i < 7; ++i) {
        const int top = i < 3 ? y + i : y + 4 - i;
        canvas.FillRect(cxRect(x + i, top, x + i + 1, top + 3), mark);
    }
}

void TcxCustomLookAndFeelPainter::DrawCheckBorder(TcxCanvas& canvas, const RECT& r, TcxButtonState) const
{
    DrawBorder(canvas, r);
}

void TcxCustomLookAndFeelPainter::DrawCheckButton(TcxCanvas& canvas, const RECT& r, TcxButtonState state,
                                                  bool checked) const
{
    DrawCheckButton(canvas, r, state, checked ? cbsChecked : cbsUnchecked);
}

void TcxCustomLookAndFeelPainter::DrawCheckButton(TcxCanvas& canvas, const RECT& r, TcxButtonState state,
                                                  TcxCheckBoxState checkState) const
{
    DrawCheckBorder(canvas, r, state);
    const RECT inner = Shrink(r, CheckBorderSize());
    const TColor color = checkState == cbsGrayed ? clBtnFace : CheckButtonColor(state);
    DrawCheck(canvas, inner, state, checkState != cbsUnchecked, color);
}

void TcxCustomLookAndFeelPainter::DrawRadioButton(TcxCanvas& canvas, int x, int y, TcxButtonState state, bool checked,
                                                  bool focused, TColor brushColor) const
{
    const SIZE size = RadioButtonSize();
    const RECT r = cxRectBounds(x, y, size.cx, size.cy);
    canvas.Brush().SetStyle(bsSolid);
    canvas.FillRect(r, brushColor);
    canvas.FrameRect(r, clBtnShadow);
    canvas.FillRect(Shrink(r), CheckButtonColor(state));
    if (checked) canvas.FillRect(Shrink(r, 4), ButtonSymbolColor(state));
    if (focused) canvas.DrawFocusRect(r);
}

SIZE TcxCustomLookAndFeelPainter::RadioButtonSize() const { return cxSize(12, 12); }

void TcxCustomLookAndFeelPainter::DrawHeader(TcxCanvas& canvas, const RECT& r, const std::string& text,
                                             TcxBorders borders, TcxButtonState state, TColor textColor,
                                             TColor backgroundColor) const
{
    canvas.Brush().SetStyle(bsSolid);
    canvas.FillRect(r, backgroundColor == clDefault ? DefaultHeaderColor() : backgroundColor);
    DrawHeaderBorder(canvas, r, borders);
    Text(canvas, HeaderContentBounds(r, borders), text, textColor == clDefault ? DefaultHeaderTextColor() : textColor,
         kLeft, state != cxbsDisabled);
}

void TcxCustomLookAndFeelPainter::DrawHeaderEx(TcxCanvas& canvas, const RECT& r, const std::string& text,
                                               TcxBorders borders, TcxButtonState state, TColor textColor,
                                               TColor backgroundColor) const
{
    DrawHeader(canvas, r, text, borders, state, textColor, backgroundColor);
    if (state == cxbsPressed) DrawHeaderPressed(canvas, r);
}

void TcxCustomLookAndFeelPainter::DrawHeaderBorder(TcxCanvas& canvas, const RECT& r, TcxBorders borders) const
{
    canvas.DrawComplexFrame(r, clBtnHighlight, clBtnShadow, borders);
}

void TcxCustomLookAndFeelPainter::DrawHeaderPressed(TcxCanvas& canvas, const RECT& r) const
{
    canvas.FrameRect(r, clBtnShadow);
}

void TcxCustomLookAndFeelPainter::DrawHeaderControlSection(TcxCanvas& canvas, const RECT& r, const std::string& text,
                                                           TcxButtonState state) const
{
    DrawHeaderControlSectionBorder(canvas, r, state);
    DrawHeaderControlSectionContent(canvas, HeaderControlSectionContentBounds(r, state), state);
    DrawHeaderControlSectionText(canvas, HeaderControlSectionTextAreaBounds(r, state), text, state);
}

void TcxCustomLookAndFeelPainter::DrawHeaderControlSectionBorder(TcxCanvas& canvas, const RECT& r,
                                                                 TcxButtonState state) const
{
    DrawButtonBorder(canvas, r, state);
}

void TcxCustomLookAndFeelPainter::DrawHeaderControlSectionContent(TcxCanvas& canvas, const RECT& r,
                                                                  TcxButtonState state) const
{
    canvas.Brush().SetStyle(bsSolid);
    canvas.FillRect(r, ButtonColor(state));
}

void TcxCustomLookAndFeelPainter::DrawHeaderControlSectionText(TcxCanvas& canvas, const RECT& r,
                                                               const std::string& text, TcxButtonState state) const
{
    Text(canvas, r, text, ButtonSymbolColor(state), kLeft, state != cxbsDisabled);
}

void TcxCustomLookAndFeelPainter::DrawHeaderSeparator(TcxCanvas& canvas, const RECT& r, int indentSize,
                                                      TColor color) const
{
    RECT line = r;
    line.left += indentSize;
    canvas.FillRect(line, color);
}

void TcxCustomLookAndFeelPainter::DrawSortingMark(TcxCanvas& canvas, const RECT& r, bool ascendingSorting) const
{
    DrawArrow(canvas, r, ascendingSorting ? adUp : adDown, clBtnShadow);
}

TcxBorders TcxCustomLookAndFeelPainter::HeaderBorders(TcxBorders) const { return cxBordersAll; }
int TcxCustomLookAndFeelPainter::HeaderBorderSize() const { return 1; }
RECT TcxCustomLookAndFeelPainter::HeaderBounds(const RECT& r, TcxBorders) const { return r; }

RECT TcxCustomLookAndFeelPainter::HeaderContentBounds(const RECT& r, TcxBorders borders) const
{
    const int size = HeaderBorderSize();
    RECT result = r;
    if (borders & cxBorder(bLeft)) result.left += size;
    if (borders & cxBorder(bTop)) result.top += size;
    if (borders & cxBorder(bRight)) result.right -= size;
    if (borders & cxBorder(bBottom)) result.bottom -= size;
    return result;
}

bool TcxCustomLookAndFeelPainter::HeaderDrawCellsFirst() const { return true; }
int TcxCustomLookAndFeelPainter::HeaderHeight(int fontHeight) const
{
    return fontHeight + 2 * (HeaderBorderSize() + 2);
}
int TcxCustomLookAndFeelPainter::HeaderControlSectionBorderSize(TcxButtonState state) const
{
    return ButtonBorderSize(state);
}
RECT TcxCustomLookAndFeelPainter::HeaderControlSectionTextAreaBounds(const RECT& r, TcxButtonState state) const
{
    return cxRectInflate(HeaderControlSectionContentBounds(r, state), -2, 0);
}
RECT TcxCustomLookAndFeelPainter::HeaderControlSectionContentBounds(const RECT& r, TcxButtonState state) const
{
    return Shrink(r, HeaderControlSectionBorderSize(state));
}

int TcxCustomLookAndFeelPainter::HeaderWidth(TcxCanvas& canvas, TcxBorders borders, const std::string& text) const
{
    int width = canvas.TextWidth(text) + 4;
    if (borders & cxBorder(bLeft)) width += HeaderBorderSize();
    if (borders & cxBorder(bRight)) width += HeaderBorderSize();
    return width;
}

bool TcxCustomLookAndFeelPainter::IsHeaderHotTrack() const { return false; }
SIZE TcxCustomLookAndFeelPainter::SortingMarkAreaSize() const { return cxSize(16, 8); }
SIZE TcxCustomLookAndFeelPainter::SortingMarkSize() const { return cxSize(8, 7); }

void TcxCustomLookAndFeelPainter::DrawGroupByBox(TcxCanvas& canvas, const RECT& r, bool transparent,
                                                 TColor backgroundColor) const
{
    if (!transparent) canvas.FillRect(r, backgroundColor == clDefault ? DefaultGroupByBoxColor() : backgroundColor);
}

TcxBorders TcxCustomLookAndFeelPainter::FooterBorders() const { return cxBordersAll; }
int TcxCustomLookAndFeelPainter::FooterBorderSize() const { return 1; }
int TcxCustomLookAndFeelPainter::FooterCellBorderSize() const { return 1; }
int TcxCustomLookAndFeelPainter::FooterCellOffset() const { return 1; }
bool TcxCustomLookAndFeelPainter::FooterDrawCellsFirst() const { return true; }
TColor TcxCustomLookAndFeelPainter::FooterSeparatorColor() const { return clBtnText; }
int TcxCustomLookAndFeelPainter::FooterSeparatorSize() const { return 1; }

void TcxCustomLookAndFeelPainter::DrawFooterCell(TcxCanvas& canvas, const RECT& r, const std::string& text,
                                                 TColor color, TColor textColor) const
{
    DrawFooterContent(canvas, r, color);
    DrawFooterCellBorder(canvas, r);
    Text(canvas, FooterCellTextAreaBounds(r), text, textColor == clDefault ? DefaultFooterTextColor() : textColor,
         kLeft);
}

void TcxCustomLookAndFeelPainter::DrawFooterBorder(TcxCanvas& canvas, const RECT& r) const
{
    canvas.DrawComplexFrame(r, clBtnHighlight, clBtnShadow);
}
void TcxCustomLookAndFeelPainter::DrawFooterCellBorder(TcxCanvas& canvas, const RECT& r) const
{
    canvas.DrawComplexFrame(r, clBtnShadow, clBtnHighlight);
}
void TcxCustomLookAndFeelPainter::DrawFooterContent(TcxCanvas& canvas, const RECT& r, TColor color) const
{
    canvas.Brush().SetStyle(bsSolid);
    canvas.FillRect(r, color == clDefault ? DefaultFooterColor() : color);
}
void TcxCustomLookAndFeelPainter::DrawFooterSeparator(TcxCanvas& canvas, const RECT& r) const
{
    canvas.FillRect(r, FooterSeparatorColor());
}

void TcxCustomLookAndFeelPainter::DrawFilterActivateButton(TcxCanvas& canvas, const RECT& r, TcxButtonState state,
                                                           bool checked) const
{
    DrawCheckButton(canvas, r, state, checked);
}
void TcxCustomLookAndFeelPainter::DrawFilterCloseButton(TcxCanvas& canvas, const RECT& r, TcxButtonState state) const
{
    DrawButton(canvas, r, "x", state);
}
void TcxCustomLookAndFeelPainter::DrawFilterDropDownButton(TcxCanvas& canvas, const RECT& r, TcxButtonState state,
                                                           bool isFilterActive) const
{
    DrawButton(canvas, r, std::string(), state);
    DrawArrow(canvas, Shrink(r, ButtonBorderSize(state)), adDown, isFilterActive ? kBlue : ButtonSymbolColor(state));
}
void TcxCustomLookAndFeelPainter::DrawFilterPanel(TcxCanvas& canvas, const RECT& r, bool transparent,
                                                  TColor backgroundColor) const
{
    if (!transparent) canvas.FillRect(r, backgroundColor == clDefault ? DefaultFilterBoxColor() : backgroundColor);
}
SIZE TcxCustomLookAndFeelPainter::FilterActivateButtonSize() const { return CheckButtonSize(); }
SIZE TcxCustomLookAndFeelPainter::FilterCloseButtonSize() const { return cxSize(16, 14); }
SIZE TcxCustomLookAndFeelPainter::FilterDropDownButtonSize() const { return cxSize(12, 12); }

void TcxCustomLookAndFeelPainter::DrawWindowContent(TcxCanvas& canvas, const RECT& r) const
{
    canvas.Brush().SetStyle(bsSolid);
    canvas.FillRect(r, clWindow);
}

TcxPopupBorderStyle TcxCustomLookAndFeelPainter::PopupBorderStyle() const { return pbs3D; }

void TcxCustomLookAndFeelPainter::DrawTab(TcxCanvas& canvas, const RECT& r, const std::string& text,
                                          TcxButtonState state, bool selected) const
{
    canvas.Brush().SetStyle(bsSolid);
    canvas.FillRect(r, selected ? DefaultTabColor() : ButtonColor(state));
    DrawTabBorder(canvas, r, bTop, cxBorder(bLeft) | cxBorder(bTop) | cxBorder(bRight), false);
    Text(canvas, r, text, state == cxbsDisabled ? clBtnShadow : DefaultTabTextColor(), kCentred,
         state != cxbsDisabled);
}

void TcxCustomLookAndFeelPainter::DrawTabBorder(TcxCanvas& canvas, const RECT& r, TcxBorder, TcxBorders borders,
                                                bool) const
{
    canvas.DrawComplexFrame(r, clBtnHighlight, cl3DDkShadow, borders);
}

void TcxCustomLookAndFeelPainter::DrawTabsRoot(TcxCanvas& canvas, const RECT& r, TcxBorders borders, bool) const
{
    canvas.Brush().SetStyle(bsSolid);
    canvas.FillRect(r, DefaultTabsBackgroundColor());
    canvas.DrawComplexFrame(r, clBtnHighlight, cl3DDkShadow, borders);
}

bool TcxCustomLookAndFeelPainter::IsDrawTabImplemented(bool) const { return false; }
bool TcxCustomLookAndFeelPainter::IsTabHotTrack(bool) const { return false; }
int TcxCustomLookAndFeelPainter::TabBorderSize(bool) const { return 1; }

void TcxCustomLookAndFeelPainter::DrawIndicatorCustomizationMark(TcxCanvas& canvas, const RECT& r, TColor color) const
{
    DrawArrow(canvas, r, adDown, color);
}

void TcxCustomLookAndFeelPainter::DrawIndicatorImage(TcxCanvas& canvas, const RECT& r, TcxIndicatorKind kind) const
{
    const TColor color = clBtnText;
    switch (kind) {
    case ikArrow:
    case ikMultiArrow: DrawArrow(canvas, r, adRight, color); break;
    case ikEdit: canvas.FillRect(cxRectCenter(r, cxSize(2, cxRectHeight(r) / 2)), color); break;
    case ikInsert: canvas.FillRect(cxRectCenter(r, cxSize(cxRectWidth(r) / 2, 2)), color); break;
    case ikMultiDot: canvas.FillRect(cxRectCenter(r, cxSize(3, 3)), color); break;
    case ikNone: break;
    }
}

void TcxCustomLookAndFeelPainter::DrawIndicatorItem(TcxCanvas& canvas, const RECT& r, TcxIndicatorKind kind,
                                                    TColor color) const
{
    DrawHeader(canvas, r, std::string(), cxBordersAll, cxbsNormal, clDefault, color);
    DrawIndicatorImage(canvas, HeaderContentBounds(r, cxBordersAll), kind);
}

void TcxCustomLookAndFeelPainter::DrawIndicatorItemEx(TcxCanvas& canvas, const RECT& r, TcxIndicatorKind kind,
                                                      TColor color) const
{
    DrawIndicatorItem(canvas, r, kind, color);
}

bool TcxCustomLookAndFeelPainter::IndicatorDrawItemsFirst() const { return true; }
int TcxCustomLookAndFeelPainter::ScrollBarMinimalThumbSize(bool) const { return 8; }

void TcxCustomLookAndFeelPainter::DrawScrollBarPart(TcxCanvas& canvas, bool horizontal, const RECT& r,
                                                    TcxScrollBarPart part, TcxButtonState state) const
{
    switch (part) {
    case sbpLineUp:
    case sbpLineDown: {
        const TcxArrowDirection direction =
            horizontal ? (part == sbpLineUp ? adLeft : adRight) : (part == sbpLineUp ? adUp : adDown);
        DrawButton(canvas, r, std::string(), state);
        DrawScrollBarArrow(canvas, r, state, direction);
        break;
    }
    case sbpThumbnail: DrawButton(canvas, r, std::string(), state); break;
    case sbpPageUp:
    case sbpPageDown: canvas.FillRect(r, state == cxbsPressed ? clBtnShadow : clBtnHighlight); break;
    case sbpNone: break;
    }
}

SIZE TcxCustomLookAndFeelPainter::SizeGripSize() const
{
    return cxSize(GetSystemMetrics(SM_CXVSCROLL), GetSystemMetrics(SM_CYHSCROLL));
}

void TcxCustomLookAndFeelPainter::DrawSizeGrip(TcxCanvas& canvas, const RECT& r, TColor backgroundColor) const
{
    canvas.Brush().SetStyle(bsSolid);
    canvas.FillRect(r, backgroundColor == clDefault ? DefaultSizeGripAreaColor() : backgroundColor);
    // Three diagonal ridges towards the bottom-right corner.
    for (int i = 1; i <= 3; ++i) {
        const int d = 4 * i;
        for (int k = 0; k < d && k < cxRectWidth(r) && k < cxRectHeight(r); ++k) {
            const int x = r.right - d + k;
            const int y = r.bottom - 1 - k;
            if (x >= r.left && y >= r.top) canvas.FillRect(cxRect(x, y, x + 1, y + 1), clBtnShadow);
        }
    }
}

void TcxCustomLookAndFeelPainter::CalculateSchedulerNavigationButtonRects(const RECT& r, bool, RECT& buttonRect,
                                                                          RECT& arrowRect) const
{
    buttonRect = r;
    arrowRect = Shrink(r, ButtonBorderSize() + 1);
}

void TcxCustomLookAndFeelPainter::DrawMonthHeader(TcxCanvas& canvas, const RECT& r, const std::string& text,
                                                  TcxBorders neighbors, TColor color) const
{
    DrawHeader(canvas, r, text, HeaderBorders(neighbors), cxbsNormal, clDefault, color);
}

void TcxCustomLookAndFeelPainter::DrawSchedulerBorder(TcxCanvas& canvas, const RECT& r) const { DrawBorder(canvas, r); }

void TcxCustomLookAndFeelPainter::DrawSchedulerEventProgress(TcxCanvas& canvas, const RECT& r,
                                                             const RECT& progressChunk) const
{
    canvas.FrameRect(r, clBtnShadow);
    canvas.FillRect(progressChunk, clHighlight);
}

void TcxCustomLookAndFeelPainter::DrawSchedulerNavigationButton(TcxCanvas& canvas, const RECT& r, bool isNextButton,
                                                                TcxButtonState state) const
{
    RECT button = r;
    RECT arrow = r;
    CalculateSchedulerNavigationButtonRects(r, isNextButton, button, arrow);
    DrawSchedulerNavigationButtonContent(canvas, button, state);
    DrawSchedulerNavigationButtonArrow(canvas, arrow, isNextButton, ButtonSymbolColor(state));
}

void TcxCustomLookAndFeelPainter::DrawSchedulerNavigationButtonArrow(TcxCanvas& canvas, const RECT& r,
                                                                     bool isNextButton, TColor color) const
{
    DrawArrow(canvas, r, isNextButton ? adRight : adLeft, color);
}

void TcxCustomLookAndFeelPainter::DrawSchedulerNavigatorButton(TcxCanvas& canvas, const RECT& r,
                                                               TcxBorders borders) const
{
    DrawHeader(canvas, r, std::string(), borders, cxbsNormal, clDefault, clDefault);
}

void TcxCustomLookAndFeelPainter::DrawSchedulerSplitterBorder(TcxCanvas& canvas, const RECT& r, bool isHorizontal) const
{
    DrawSplitter(canvas, r, false, isHorizontal);
}

RECT TcxCustomLookAndFeelPainter::SchedulerEventProgressOffsets() const { return cxRect(1, 1, 1, 1); }
SIZE TcxCustomLookAndFeelPainter::SchedulerNavigationButtonSizes(bool) const { return cxSize(16, 16); }
int TcxCustomLookAndFeelPainter::ChartToolBoxDataLevelInfoBorderSize() const { return 1; }

void TcxCustomLookAndFeelPainter::DrawClock(TcxCanvas& canvas, const RECT& r, const SYSTEMTIME& time,
                                            TColor backgroundColor) const
{
    canvas.Brush().SetStyle(bsSolid);
    canvas.FillRect(r, backgroundColor == clDefault ? clWindow : backgroundColor);
    canvas.FrameRect(r, clBtnShadow);
    char text[16];
    wsprintfA(text, "%02u:%02u", static_cast<unsigned>(time.wHour), static_cast<unsigned>(time.wMinute));
    Text(canvas, r, text, clWindowText, kCentred);
}

void TcxCustomLookAndFeelPainter::DrawEditorButton(TcxCanvas& canvas, const RECT& r, TcxEditBtnKind kind,
                                                   TcxButtonState state) const
{
    DrawButton(canvas, r, kind == cxbkEllipsisBtn ? "..." : std::string(), state);
    const RECT content = Shrink(r, ButtonBorderSize(state));
    switch (kind) {
    case cxbkComboBtn:
    case cxbkSpinDownBtn: DrawScrollBarArrow(canvas, content, state, adDown); break;
    case cxbkSpinUpBtn: DrawScrollBarArrow(canvas, content, state, adUp); break;
    case cxbkSpinLeftBtn: DrawScrollBarArrow(canvas, content, state, adLeft); break;
    case cxbkSpinRightBtn: DrawScrollBarArrow(canvas, content, state, adRight); break;
    case cxbkCloseBtn:
    case cxbkEditorBtn:
    case cxbkEllipsisBtn: break;
    }
}

int TcxCustomLookAndFeelPainter::EditButtonTextOffset() const { return ButtonTextOffset(); }
SIZE TcxCustomLookAndFeelPainter::EditButtonSize() const { return cxSize(12, 12); }
TColor TcxCustomLookAndFeelPainter::EditButtonTextColor() const { return clBtnText; }
TColor TcxCustomLookAndFeelPainter::GetContainerBorderColor(bool isHighlightBorder) const
{
    return isHighlightBorder ? clHighlight : clBtnShadow;
}

void TcxCustomLookAndFeelPainter::DrawNavigatorGlyph(TcxCanvas& canvas, const RECT& r, int buttonIndex,
                                                     bool enabled) const
{
    const TColor color = enabled ? clBtnText : clBtnShadow;
    DrawArrow(canvas, r, buttonIndex % 2 == 0 ? adLeft : adRight, color);
}

SIZE TcxCustomLookAndFeelPainter::NavigatorGlyphSize() const { return cxSize(11, 11); }

void TcxCustomLookAndFeelPainter::DrawProgressBarBorder(TcxCanvas& canvas, const RECT& r, bool) const
{
    DrawBorder(canvas, r);
}
void TcxCustomLookAndFeelPainter::DrawProgressBarChunk(TcxCanvas& canvas, const RECT& r, bool) const
{
    canvas.FillRect(r, clHighlight);
}
RECT TcxCustomLookAndFeelPainter::ProgressBarBorderSize(bool) const
{
    const int size = BorderSize();
    return cxRect(size, size, size, size);
}
TColor TcxCustomLookAndFeelPainter::ProgressBarTextColor() const { return clWindowText; }

void TcxCustomLookAndFeelPainter::DrawGroupBoxBackground(TcxCanvas& canvas, const RECT& r) const
{
    canvas.Brush().SetStyle(bsSolid);
    canvas.FillRect(r, clBtnFace);
}
void TcxCustomLookAndFeelPainter::DrawGroupBoxCaption(TcxCanvas& canvas, const RECT& r, TcxBorder) const
{
    canvas.FillRect(r, clBtnFace);
}
void TcxCustomLookAndFeelPainter::DrawGroupBoxContent(TcxCanvas& canvas, const RECT& r, TcxBorder) const
{
    DrawBorder(canvas, r);
}
RECT TcxCustomLookAndFeelPainter::GroupBoxBorderSize(bool, TcxBorder) const
{
    const int size = BorderSize();
    return cxRect(size, size, size, size);
}
TColor TcxCustomLookAndFeelPainter::GroupBoxTextColor() const { return clBtnText; }
bool TcxCustomLookAndFeelPainter::IsGroupBoxTransparent(bool, TcxBorder) const { return false; }

void TcxCustomLookAndFeelPainter::DrawPanelBackground(TcxCanvas& canvas, const RECT& r, TColor color) const
{
    canvas.Brush().SetStyle(bsSolid);
    canvas.FillRect(r, color == clDefault ? clBtnFace : color);
}
void TcxCustomLookAndFeelPainter::DrawPanelBorders(TcxCanvas& canvas, const RECT& r) const { DrawBorder(canvas, r); }
void TcxCustomLookAndFeelPainter::DrawPanelCaption(TcxCanvas& canvas, const RECT& r, TcxBorder) const
{
    canvas.FillRect(r, clBtnFace);
}
void TcxCustomLookAndFeelPainter::DrawPanelContent(TcxCanvas& canvas, const RECT& r, bool hasBorder) const
{
    if (hasBorder) DrawPanelBorders(canvas, r);
    DrawPanelBackground(canvas, hasBorder ? Shrink(r, BorderSize()) : r, clDefault);
}
RECT TcxCustomLookAndFeelPainter::PanelBorderSize() const
{
    const int size = BorderSize();
    return cxRect(size, size, size, size);
}
TColor TcxCustomLookAndFeelPainter::PanelTextColor() const { return clBtnText; }

void TcxCustomLookAndFeelPainter::DrawTrackBar(TcxCanvas& canvas, const RECT& r, const RECT& selection,
                                               bool showSelection, bool enabled, bool horizontal) const
{
    const int track = TrackBarTrackSize();
    const RECT bar = horizontal ? cxRectCenter(r, cxSize(cxRectWidth(r), track))
                                : cxRectCenter(r, cxSize(track, cxRectHeight(r)));
    canvas.FillRect(bar, enabled ? clWindow : clBtnFace);
    canvas.DrawEdge(bar, true, true);
    if (showSelection) canvas.FillRect(cxRectIntersect(selection, Shrink(bar)), clHighlight);
}

void TcxCustomLookAndFeelPainter::DrawTrackBarThumb(TcxCanvas& canvas, const RECT& r, TcxButtonState state, bool,
                                                    TcxTrackBarTicksAlign) const
{
    DrawButton(canvas, r, std::string(), state);
}

SIZE TcxCustomLookAndFeelPainter::TrackBarThumbSize(bool horizontal) const
{
    return horizontal ? cxSize(11, 21) : cxSize(21, 11);
}
TColor TcxCustomLookAndFeelPainter::TrackBarTicksColor(bool text) const { return text ? clBtnText : clBtnShadow; }
int TcxCustomLookAndFeelPainter::TrackBarTrackSize() const { return 5; }

void TcxCustomLookAndFeelPainter::DrawSplitter(TcxCanvas& canvas, const RECT& r, bool hot, bool) const
{
    canvas.Brush().SetStyle(bsSolid);
    canvas.FillRect(r, hot ? clBtnHighlight : clBtnFace);
}

SIZE TcxCustomLookAndFeelPainter::GetSplitterSize(bool horizontal) const
{
    return horizontal ? cxSize(0, 5) : cxSize(5, 0);
}
