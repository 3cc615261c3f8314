// The painter family of the look-and-feel library.
//
// A painter draws every element a look-and-feel control can show. Painters hold no state
// and are never created by their users: each class has exactly one instance, made on first
// use, and a control holds a painter class reference (TcxLookAndFeelPainterClass, the
// address of that instance) and calls through it. The operations are virtual, so a class
// that overrides one changes every caller that holds the class reference at once.
//
// Every operation is GUI-thread only (they read system colours, the Office 2003 colour set
// and the theme cache, which are unguarded). No operation raises an error of its own; GDI
// failures of the canvas helpers propagate as they do there (EOSError).
//
// The button, border and arrow operations draw the classic looks exactly; the other
// operations (headers, footers, tabs, grids, scheduler, ...) serve controls this system
// does not have and draw simple frames and fills.
#pragma once

#include <windows.h>

#include <string>

#include "framework/graphics.h"
#include "framework/object.h"
#include "lookandfeel/cxGeometry.h"
#include "lookandfeel/cxGraphics.h"

enum TcxButtonState { cxbsDefault, cxbsNormal, cxbsHot, cxbsPressed, cxbsDisabled };
enum TcxLookAndFeelKind { lfFlat, lfStandard, lfUltraFlat, lfOffice11 };
enum TcxLookAndFeelStyle { lfsFlat, lfsStandard, lfsUltraFlat, lfsNative, lfsOffice11 };
enum TcxArrowDirection { adUp, adDown, adLeft, adRight };
enum TcxCheckBoxState { cbsUnchecked, cbsChecked, cbsGrayed };
enum TcxPopupBorderStyle { pbsNone, pbsFlat, pbs3D, pbsUltraFlat };
enum TcxIndicatorKind { ikNone, ikArrow, ikEdit, ikInsert, ikMultiDot, ikMultiArrow };
enum TcxScrollBarPart { sbpNone, sbpLineUp, sbpLineDown, sbpThumbnail, sbpPageUp, sbpPageDown };
enum TcxEditBtnKind {
    cxbkCloseBtn, cxbkComboBtn, cxbkEditorBtn, cxbkEllipsisBtn, cxbkSpinUpBtn, cxbkSpinDownBtn, cxbkSpinLeftBtn,
    cxbkSpinRightBtn
};
enum TcxTrackBarTicksAlign { tbtaUp, tbtaDown, tbtaBoth };

// The three corners of an arrow triangle, apex included.
struct TcxArrowPoints {
    POINT P[3];
};

// The arrow triangle inside r. proportional first squares r about its centre (the longer
// side loses (difference div 2) on each end); size 0 derives the triangle's size a from
// r's width (up, down) or height (left, right) as (extent - 1) div 4 + 1. An up or down
// arrow is 2a - 1 wide and a high, a left or right arrow a wide and 2a - 1 high. Plain
// arithmetic, any thread.
TcxArrowPoints CalculateArrowPoints(const RECT& r, TcxArrowDirection direction, bool proportional, int size = 0);

class TcxCustomLookAndFeelPainter;
// A painter class reference: the one instance of a painter class. Never null where a
// painter is expected; compare references to compare classes.
using TcxLookAndFeelPainterClass = const TcxCustomLookAndFeelPainter*;

// The defaults shared by all looks. Its own look draws no button border and no control
// border.
class TcxCustomLookAndFeelPainter : public TObject {
    RUNTIME_CLASS(TcxCustomLookAndFeelPainter, TObject)
public:
    // The class reference of this class.
    static TcxLookAndFeelPainterClass PainterClass() noexcept;

    TcxCustomLookAndFeelPainter(const TcxCustomLookAndFeelPainter&) = delete;
    TcxCustomLookAndFeelPainter& operator=(const TcxCustomLookAndFeelPainter&) = delete;

    // The operations, in slot order. Colours returned may be system-colour references.

    // Fills r in color.
    virtual void DrawBackground(TcxCanvas& canvas, const RECT& r, TColor color) const;
    // A downward arrow centred in r, in color.
    virtual void DrawButtonArrow(TcxCanvas& canvas, const RECT& r, TColor color) const;
    // Text centred in r in the state's symbol colour.
    virtual void DrawContent(TcxCanvas& canvas, const RECT& r, const std::string& text, TcxButtonState state) const;
    virtual void DrawSchedulerNavigationButtonContent(TcxCanvas& canvas, const RECT& r, TcxButtonState state) const;
    virtual RECT FooterCellContentBounds(const RECT& r) const;
    virtual RECT FooterCellTextAreaBounds(const RECT& r) const;
    virtual TcxLookAndFeelStyle LookAndFeelStyle() const;
    virtual TColor DefaultContentColor() const;
    virtual TColor DefaultContentEvenColor() const;
    virtual TColor DefaultContentOddColor() const;
    virtual TColor DefaultContentTextColor() const;
    virtual TColor DefaultEditorBackgroundColor() const;
    virtual TColor DefaultEditorTextColor() const;
    virtual TColor DefaultFilterBoxColor() const;
    virtual TColor DefaultFilterBoxTextColor() const;
    virtual TColor DefaultFixedSeparatorColor() const;
    virtual TColor DefaultFooterColor() const;
    virtual TColor DefaultFooterTextColor() const;
    virtual TColor DefaultGridDetailsSiteColor() const;
    virtual TColor DefaultGridLineColor() const;
    virtual TColor DefaultGroupByBoxColor() const;
    virtual TColor DefaultGroupByBoxTextColor() const;
    virtual TColor DefaultGroupColor() const;
    virtual TColor DefaultGroupTextColor() const;
    virtual TColor DefaultHeaderBackgroundColor() const;
    virtual TColor DefaultHeaderBackgroundTextColor() const;
    virtual TColor DefaultHeaderColor() const;
    virtual TColor DefaultHeaderTextColor() const;
    virtual TColor DefaultHyperlinkTextColor() const;
    virtual TColor DefaultInactiveColor() const;
    virtual TColor DefaultInactiveTextColor() const;
    virtual TColor DefaultPreviewTextColor() const;
    virtual TColor DefaultRecordSeparatorColor() const;
    virtual TColor DefaultSizeGripAreaColor() const;
    virtual TColor DefaultVGridCategoryColor() const;
    virtual TColor DefaultVGridCategoryTextColor() const;
    virtual TColor DefaultVGridLineColor() const;
    virtual TColor DefaultVGridBandLineColor() const;
    virtual TColor DefaultDateNavigatorHeaderColor() const;
    virtual TColor DefaultDateNavigatorSelectionColor() const;
    virtual TColor DefaultDateNavigatorSelectionTextColor() const;
    virtual TColor DefaultSchedulerBackgroundColor() const;
    virtual TColor DefaultSchedulerTextColor() const;
    virtual TColor DefaultSchedulerBorderColor() const;
    virtual TColor DefaultSchedulerControlColor() const;
    virtual TColor DefaultSchedulerNavigatorColor() const;
    virtual TColor DefaultSchedulerViewContentColor() const;
    virtual TColor DefaultSchedulerViewSelectedTextColor() const;
    virtual TColor DefaultSchedulerViewTextColor() const;
    virtual TColor DefaultSelectionColor() const;
    virtual TColor DefaultSelectionTextColor() const;
    virtual TColor DefaultSeparatorColor() const;
    virtual TColor DefaultTabColor() const;
    virtual TColor DefaultTabTextColor() const;
    virtual TColor DefaultTabsBackgroundColor() const;
    virtual TColor DefaultTimeGridMajorScaleColor() const;
    virtual TColor DefaultTimeGridMajorScaleTextColor() const;
    virtual TColor DefaultTimeGridMinorScaleColor() const;
    virtual TColor DefaultTimeGridMinorScaleTextColor() const;
    virtual TColor DefaultTimeGridSelectionBarColor() const;
    virtual TColor DefaultChartDiagramValueBorderColor() const;
    virtual TColor DefaultChartDiagramValueCaptionTextColor() const;
    virtual TColor DefaultChartHistogramAxisColor() const;
    virtual TColor DefaultChartHistogramGridLineColor() const;
    virtual TColor DefaultChartHistogramPlotColor() const;
    virtual TColor DefaultChartPieDiagramSeriesSiteBorderColor() const;
    virtual TColor DefaultChartPieDiagramSeriesSiteCaptionColor() const;
    virtual TColor DefaultChartPieDiagramSeriesSiteCaptionTextColor() const;
    virtual TColor DefaultChartToolBoxDataLevelInfoBorderColor() const;
    virtual TColor DefaultChartToolBoxItemSeparatorColor() const;
    // An arrow on its own background: the triangle of r (not squared) filled in
    // ButtonSymbolColor(state) over DrawArrowBorder (drawBorder) or a ButtonColor(state) fill.
    virtual void DrawArrow(TcxCanvas& canvas, const RECT& r, TcxButtonState state, TcxArrowDirection direction,
                           bool drawBorder = true) const;
    // The proportional triangle of r filled in color; nothing else.
    virtual void DrawArrow(TcxCanvas& canvas, const RECT& r, TcxArrowDirection direction, TColor color) const;
    // Fills r in ButtonColor(state), then DrawButtonBorder.
    virtual void DrawArrowBorder(TcxCanvas& canvas, const RECT& r, TcxButtonState state) const;
    // The proportional triangle of r in ButtonSymbolColor(state), moved by ButtonTextShift
    // when pressed; disabled draws it embossed (clBtnHighlight at (1, 1), then clBtnShadow).
    virtual void DrawScrollBarArrow(TcxCanvas& canvas, const RECT& r, TcxButtonState state,
                                    TcxArrowDirection direction) const;
    // Width in pixels of a control border, and the border itself drawn inside r.
    virtual int BorderSize() const;
    virtual void DrawBorder(TcxCanvas& canvas, const RECT& r) const;
    virtual RECT AdjustGroupButtonDisplayRect(const RECT& r, int buttonCount, int buttonIndex) const;
    // Width in pixels of the button border in a state.
    virtual int ButtonBorderSize(TcxButtonState state = cxbsNormal) const;
    // Background colour of a button in a state.
    virtual TColor ButtonColor(TcxButtonState state) const;
    // Where the focus rectangle of a button with bounds r goes.
    virtual void ButtonFocusRect(TcxCanvas& canvas, const RECT& r, RECT& focusRect) const;
    virtual RECT ButtonGroupBorderSizes(int buttonCount, int buttonIndex) const;
    // Inset of button text from the content edge.
    virtual int ButtonTextOffset() const;
    // Pixels the content moves right and down when pressed.
    virtual int ButtonTextShift() const;
    // Caption and symbol colour; defaultColor clDefault lets the painter choose.
    virtual TColor ButtonSymbolColor(TcxButtonState state, TColor defaultColor = clDefault) const;
    // State in which to draw a symbol (glyph) on the button.
    virtual TcxButtonState ButtonSymbolState(TcxButtonState state) const;
    // A whole button: border (when drawBorder), background in color (ButtonColor(state)
    // when clDefault), and the caption centred in textColor (ButtonSymbolColor(state) when
    // clDefault), word-broken when wordWrap, disabled in cxbsDisabled. The canvas's brush
    // colour and font colour are left as used; brush style ends solid.
    virtual void DrawButton(TcxCanvas& canvas, const RECT& r, const std::string& caption, TcxButtonState state,
                            bool drawBorder = true, TColor color = clDefault, TColor textColor = clDefault,
                            bool wordWrap = false) const;
    virtual void DrawButtonInGroup(TcxCanvas& canvas, const RECT& r, TcxButtonState state, int buttonCount,
                                   int buttonIndex, TColor backgroundColor) const;
    // The button border for a state, inside r, ButtonBorderSize(state) pixels wide.
    virtual void DrawButtonBorder(TcxCanvas& canvas, const RECT& r, TcxButtonState state) const;
    virtual void DrawButtonGroupBorder(TcxCanvas& canvas, const RECT& r, bool inplace, bool selected) const;
    virtual void DrawExpandButton(TcxCanvas& canvas, const RECT& r, bool expanded, TColor color = clDefault) const;
    virtual bool DrawExpandButtonFirst() const;
    virtual void DrawGroupExpandButton(TcxCanvas& canvas, const RECT& r, bool expanded, TcxButtonState state) const;
    virtual void DrawSmallExpandButton(TcxCanvas& canvas, const RECT& r, bool expanded, TColor borderColor,
                                       TColor color = clDefault) const;
    virtual int ExpandButtonSize() const;
    virtual int GroupExpandButtonSize() const;
    // Whether buttons show a hot (mouse-over) state.
    virtual bool IsButtonHotTrack() const;
    virtual bool IsPointOverGroupExpandButton(const RECT& r, const POINT& p) const;
    virtual int SmallExpandButtonSize() const;
    virtual int CheckBorderSize() const;
    virtual TColor CheckButtonColor(TcxButtonState state) const;
    virtual SIZE CheckButtonSize() const;
    virtual void DrawCheck(TcxCanvas& canvas, const RECT& r, TcxButtonState state, bool checked, TColor color) const;
    virtual void DrawCheckBorder(TcxCanvas& canvas, const RECT& r, TcxButtonState state) const;
    virtual void DrawCheckButton(TcxCanvas& canvas, const RECT& r, TcxButtonState state, bool checked) const;
    virtual void DrawCheckButton(TcxCanvas& canvas, const RECT& r, TcxButtonState state,
                                 TcxCheckBoxState checkState) const;
    virtual void DrawRadioButton(TcxCanvas& canvas, int x, int y, TcxButtonState state, bool checked, bool focused,
                                 TColor brushColor) const;
    virtual SIZE RadioButtonSize() const;
    virtual void DrawHeader(TcxCanvas& canvas, const RECT& r, const std::string& text, TcxBorders borders,
                            TcxButtonState state, TColor textColor, TColor backgroundColor) const;
    virtual void DrawHeaderEx(TcxCanvas& canvas, const RECT& r, const std::string& text, TcxBorders borders,
                              TcxButtonState state, TColor textColor, TColor backgroundColor) const;
    virtual void DrawHeaderBorder(TcxCanvas& canvas, const RECT& r, TcxBorders borders) const;
    virtual void DrawHeaderPressed(TcxCanvas& canvas, const RECT& r) const;
    virtual void DrawHeaderControlSection(TcxCanvas& canvas, const RECT& r, const std::string& text,
                                          TcxButtonState state) const;
    virtual void DrawHeaderControlSectionBorder(TcxCanvas& canvas, const RECT& r, TcxButtonState state) const;
    virtual void DrawHeaderControlSectionContent(TcxCanvas& canvas, const RECT& r, TcxButtonState state) const;
    virtual void DrawHeaderControlSectionText(TcxCanvas& canvas, const RECT& r, const std::string& text,
                                              TcxButtonState state) const;
    virtual void DrawHeaderSeparator(TcxCanvas& canvas, const RECT& r, int indentSize, TColor color) const;
    virtual void DrawSortingMark(TcxCanvas& canvas, const RECT& r, bool ascendingSorting) const;
    virtual TcxBorders HeaderBorders(TcxBorders neighbors) const;
    virtual int HeaderBorderSize() const;
    virtual RECT HeaderBounds(const RECT& r, TcxBorders neighbors) const;
    virtual RECT HeaderContentBounds(const RECT& r, TcxBorders borders) const;
    virtual bool HeaderDrawCellsFirst() const;
    virtual int HeaderHeight(int fontHeight) const;
    virtual int HeaderControlSectionBorderSize(TcxButtonState state) const;
    virtual RECT HeaderControlSectionTextAreaBounds(const RECT& r, TcxButtonState state) const;
    virtual RECT HeaderControlSectionContentBounds(const RECT& r, TcxButtonState state) const;
    virtual int HeaderWidth(TcxCanvas& canvas, TcxBorders borders, const std::string& text) const;
    virtual bool IsHeaderHotTrack() const;
    virtual SIZE SortingMarkAreaSize() const;
    virtual SIZE SortingMarkSize() const;
    virtual void DrawGroupByBox(TcxCanvas& canvas, const RECT& r, bool transparent, TColor backgroundColor) const;
    virtual TcxBorders FooterBorders() const;
    virtual int FooterBorderSize() const;
    virtual int FooterCellBorderSize() const;
    virtual int FooterCellOffset() const;
    virtual bool FooterDrawCellsFirst() const;
    virtual TColor FooterSeparatorColor() const;
    virtual int FooterSeparatorSize() const;
    virtual void DrawFooterCell(TcxCanvas& canvas, const RECT& r, const std::string& text, TColor color,
                                TColor textColor) const;
    virtual void DrawFooterBorder(TcxCanvas& canvas, const RECT& r) const;
    virtual void DrawFooterCellBorder(TcxCanvas& canvas, const RECT& r) const;
    virtual void DrawFooterContent(TcxCanvas& canvas, const RECT& r, TColor color) const;
    virtual void DrawFooterSeparator(TcxCanvas& canvas, const RECT& r) const;
    virtual void DrawFilterActivateButton(TcxCanvas& canvas, const RECT& r, TcxButtonState state, bool checked) const;
    virtual void DrawFilterCloseButton(TcxCanvas& canvas, const RECT& r, TcxButtonState state) const;
    virtual void DrawFilterDropDownButton(TcxCanvas& canvas, const RECT& r, TcxButtonState state,
                                          bool isFilterActive) const;
    virtual void DrawFilterPanel(TcxCanvas& canvas, const RECT& r, bool transparent, TColor backgroundColor) const;
    virtual SIZE FilterActivateButtonSize() const;
    virtual SIZE FilterCloseButtonSize() const;
    virtual SIZE FilterDropDownButtonSize() const;
    virtual void DrawWindowContent(TcxCanvas& canvas, const RECT& r) const;
    virtual TcxPopupBorderStyle PopupBorderStyle() const;
    virtual void DrawTab(TcxCanvas& canvas, const RECT& r, const std::string& text, TcxButtonState state,
                         bool selected) const;
    virtual void DrawTabBorder(TcxCanvas& canvas, const RECT& r, TcxBorder side, TcxBorders borders,
                               bool vertical) const;
    virtual void DrawTabsRoot(TcxCanvas& canvas, const RECT& r, TcxBorders borders, bool vertical) const;
    virtual bool IsDrawTabImplemented(bool vertical) const;
    virtual bool IsTabHotTrack(bool vertical) const;
    virtual int TabBorderSize(bool vertical) const;
    virtual void DrawIndicatorCustomizationMark(TcxCanvas& canvas, const RECT& r, TColor color) const;
    virtual void DrawIndicatorImage(TcxCanvas& canvas, const RECT& r, TcxIndicatorKind kind) const;
    virtual void DrawIndicatorItem(TcxCanvas& canvas, const RECT& r, TcxIndicatorKind kind, TColor color) const;
    virtual void DrawIndicatorItemEx(TcxCanvas& canvas, const RECT& r, TcxIndicatorKind kind, TColor color) const;
    virtual bool IndicatorDrawItemsFirst() const;
    virtual int ScrollBarMinimalThumbSize(bool horizontal) const;
    virtual void DrawScrollBarPart(TcxCanvas& canvas, bool horizontal, const RECT& r, TcxScrollBarPart part,
                                   TcxButtonState state) const;
    virtual SIZE SizeGripSize() const;
    virtual void DrawSizeGrip(TcxCanvas& canvas, const RECT& r, TColor backgroundColor) const;
    virtual void CalculateSchedulerNavigationButtonRects(const RECT& r, bool isNextButton, RECT& buttonRect,
                                                         RECT& arrowRect) const;
    virtual void DrawMonthHeader(TcxCanvas& canvas, const RECT& r, const std::string& text, TcxBorders neighbors,
                                 TColor color) const;
    virtual void DrawSchedulerBorder(TcxCanvas& canvas, const RECT& r) const;
    virtual void DrawSchedulerEventProgress(TcxCanvas& canvas, const RECT& r, const RECT& progressChunk) const;
    virtual void DrawSchedulerNavigationButton(TcxCanvas& canvas, const RECT& r, bool isNextButton,
                                               TcxButtonState state) const;
    virtual void DrawSchedulerNavigationButtonArrow(TcxCanvas& canvas, const RECT& r, bool isNextButton,
                                                    TColor color) const;
    virtual void DrawSchedulerNavigatorButton(TcxCanvas& canvas, const RECT& r, TcxBorders borders) const;
    virtual void DrawSchedulerSplitterBorder(TcxCanvas& canvas, const RECT& r, bool isHorizontal) const;
    virtual RECT SchedulerEventProgressOffsets() const;
    virtual SIZE SchedulerNavigationButtonSizes(bool isNextButton) const;
    virtual int ChartToolBoxDataLevelInfoBorderSize() const;
    virtual void DrawClock(TcxCanvas& canvas, const RECT& r, const SYSTEMTIME& time, TColor backgroundColor) const;
    virtual void DrawEditorButton(TcxCanvas& canvas, const RECT& r, TcxEditBtnKind kind, TcxButtonState state) const;
    virtual int EditButtonTextOffset() const;
    virtual SIZE EditButtonSize() const;
    virtual TColor EditButtonTextColor() const;
    virtual TColor GetContainerBorderColor(bool isHighlightBorder) const;
    virtual void DrawNavigatorGlyph(TcxCanvas& canvas, const RECT& r, int buttonIndex, bool enabled) const;
    virtual SIZE NavigatorGlyphSize() const;
    virtual void DrawProgressBarBorder(TcxCanvas& canvas, const RECT& r, bool vertical) const;
    virtual void DrawProgressBarChunk(TcxCanvas& canvas, const RECT& r, bool vertical) const;
    virtual RECT ProgressBarBorderSize(bool vertical) const;
    virtual TColor ProgressBarTextColor() const;
    virtual void DrawGroupBoxBackground(TcxCanvas& canvas, const RECT& r) const;
    virtual void DrawGroupBoxCaption(TcxCanvas& canvas, const RECT& r, TcxBorder captionPosition) const;
    virtual void DrawGroupBoxContent(TcxCanvas& canvas, const RECT& r, TcxBorder captionPosition) const;
    virtual RECT GroupBoxBorderSize(bool caption, TcxBorder captionPosition) const;
    virtual TColor GroupBoxTextColor() const;
    virtual bool IsGroupBoxTransparent(bool isCaption, TcxBorder captionPosition) const;
    virtual void DrawPanelBackground(TcxCanvas& canvas, const RECT& r, TColor color) const;
    virtual void DrawPanelBorders(TcxCanvas& canvas, const RECT& r) const;
    virtual void DrawPanelCaption(TcxCanvas& canvas, const RECT& r, TcxBorder captionPosition) const;
    virtual void DrawPanelContent(TcxCanvas& canvas, const RECT& r, bool hasBorder) const;
    virtual RECT PanelBorderSize() const;
    virtual TColor PanelTextColor() const;
    virtual void DrawTrackBar(TcxCanvas& canvas, const RECT& r, const RECT& selection, bool showSelection,
                              bool enabled, bool horizontal) const;
    virtual void DrawTrackBarThumb(TcxCanvas& canvas, const RECT& r, TcxButtonState state, bool horizontal,
                                   TcxTrackBarTicksAlign ticks) const;
    virtual SIZE TrackBarThumbSize(bool horizontal) const;
    virtual TColor TrackBarTicksColor(bool text) const;
    virtual int TrackBarTrackSize() const;
    virtual void DrawSplitter(TcxCanvas& canvas, const RECT& r, bool hot, bool horizontal) const;
    virtual SIZE GetSplitterSize(bool horizontal) const;

protected:
    // Only a class's own PainterClass() (and derived classes) make the one instance.
    TcxCustomLookAndFeelPainter() = default;
};

// Classic three-dimensional look.
class TcxStandardLookAndFeelPainter : public TcxCustomLookAndFeelPainter {
    RUNTIME_CLASS(TcxStandardLookAndFeelPainter, TcxCustomLookAndFeelPainter)
public:
    static TcxLookAndFeelPainterClass PainterClass() noexcept;

    TcxLookAndFeelStyle LookAndFeelStyle() const override;
    int BorderSize() const override;
    void DrawBorder(TcxCanvas& canvas, const RECT& r) const override;
    int ButtonBorderSize(TcxButtonState state = cxbsNormal) const override;
    int ButtonTextOffset() const override;
    int ButtonTextShift() const override;
    void DrawButtonBorder(TcxCanvas& canvas, const RECT& r, TcxButtonState state) const override;

protected:
    TcxStandardLookAndFeelPainter() = default;
};

// One-pixel raised or sunken frames.
class TcxFlatLookAndFeelPainter : public TcxCustomLookAndFeelPainter {
    RUNTIME_CLASS(TcxFlatLookAndFeelPainter, TcxCustomLookAndFeelPainter)
public:
    static TcxLookAndFeelPainterClass PainterClass() noexcept;

    TcxLookAndFeelStyle LookAndFeelStyle() const override;
    int BorderSize() const override;
    void DrawBorder(TcxCanvas& canvas, const RECT& r) const override;
    int ButtonBorderSize(TcxButtonState state = cxbsNormal) const override;
    int ButtonTextOffset() const override;
    int ButtonTextShift() const override;
    void DrawButtonBorder(TcxCanvas& canvas, const RECT& r, TcxButtonState state) const override;

protected:
    TcxFlatLookAndFeelPainter() = default;
};

// Single-line frames; hot and pressed states in the light selection colours.
class TcxUltraFlatLookAndFeelPainter : public TcxCustomLookAndFeelPainter {
    RUNTIME_CLASS(TcxUltraFlatLookAndFeelPainter, TcxCustomLookAndFeelPainter)
public:
    static TcxLookAndFeelPainterClass PainterClass() noexcept;

    TcxLookAndFeelStyle LookAndFeelStyle() const override;
    int BorderSize() const override;
    void DrawBorder(TcxCanvas& canvas, const RECT& r) const override;
    int ButtonBorderSize(TcxButtonState state = cxbsNormal) const override;
    TColor ButtonColor(TcxButtonState state) const override;
    void ButtonFocusRect(TcxCanvas& canvas, const RECT& r, RECT& focusRect) const override;
    int ButtonTextOffset() const override;
    int ButtonTextShift() const override;
    TColor ButtonSymbolColor(TcxButtonState state, TColor defaultColor = clDefault) const override;
    TcxButtonState ButtonSymbolState(TcxButtonState state) const override;
    void DrawButtonBorder(TcxCanvas& canvas, const RECT& r, TcxButtonState state) const override;
    bool IsButtonHotTrack() const override;

    // Appended operations, in slot order.
    virtual TColor FilterDropDownButtonBorderColor(TcxButtonState state) const;
    virtual TColor TabBorderHighlightColor() const;
    virtual TColor TabBorderDarkColor() const;
    // The frame colour of hot and pressed elements.
    virtual TColor BorderHighlightColor() const;

protected:
    TcxUltraFlatLookAndFeelPainter() = default;
};

// Ultra-flat with the Office 2003 colours (dxOffice11.h); they follow the colour set
// whenever it is recomputed.
class TcxOffice11LookAndFeelPainter : public TcxUltraFlatLookAndFeelPainter {
    RUNTIME_CLASS(TcxOffice11LookAndFeelPainter, TcxUltraFlatLookAndFeelPainter)
public:
    static TcxLookAndFeelPainterClass PainterClass() noexcept;

    TcxLookAndFeelStyle LookAndFeelStyle() const override;
    void DrawBorder(TcxCanvas& canvas, const RECT& r) const override;
    TColor ButtonColor(TcxButtonState state) const override;
    TColor ButtonSymbolColor(TcxButtonState state, TColor defaultColor = clDefault) const override;
    void DrawButtonBorder(TcxCanvas& canvas, const RECT& r, TcxButtonState state) const override;

    TColor FilterDropDownButtonBorderColor(TcxButtonState state) const override;
    TColor TabBorderHighlightColor() const override;
    TColor TabBorderDarkColor() const override;
    TColor BorderHighlightColor() const override;

    // Appended operations, in slot order.
    virtual TColor HeaderBottomColor() const;
    virtual TColor HeaderDarkEdgeColor() const;
    virtual TColor HeaderHighlightEdgeColor() const;
    virtual TColor HeaderTopColor() const;

protected:
    TcxOffice11LookAndFeelPainter() = default;
};

// The desktop theme (dxThemeManager.h): buttons from the "Button" theme, control borders
// from the "ListView" theme, arrows from the "ScrollBar" theme. Where the theme does not
// open, the standard look.
class TcxWinXPLookAndFeelPainter : public TcxStandardLookAndFeelPainter {
    RUNTIME_CLASS(TcxWinXPLookAndFeelPainter, TcxStandardLookAndFeelPainter)
public:
    static TcxLookAndFeelPainterClass PainterClass() noexcept;

    // The theme state of the push-button part for a button state: cxbsDefault 5
    // (defaulted), cxbsNormal 1, cxbsHot 2, cxbsPressed 3, cxbsDisabled 4.
    static int ThemeButtonState(TcxButtonState state) noexcept;

    TcxLookAndFeelStyle LookAndFeelStyle() const override;
    void DrawArrow(TcxCanvas& canvas, const RECT& r, TcxButtonState state, TcxArrowDirection direction,
                   bool drawBorder = true) const override;
    using TcxStandardLookAndFeelPainter::DrawArrow;
    void DrawArrowBorder(TcxCanvas& canvas, const RECT& r, TcxButtonState state) const override;
    int BorderSize() const override;
    void DrawBorder(TcxCanvas& canvas, const RECT& r) const override;
    int ButtonBorderSize(TcxButtonState state = cxbsNormal) const override;
    TColor ButtonColor(TcxButtonState state) const override;
    void ButtonFocusRect(TcxCanvas& canvas, const RECT& r, RECT& focusRect) const override;
    int ButtonTextOffset() const override;
    int ButtonTextShift() const override;
    TColor ButtonSymbolColor(TcxButtonState state, TColor defaultColor = clDefault) const override;
    void DrawButton(TcxCanvas& canvas, const RECT& r, const std::string& caption, TcxButtonState state,
                    bool drawBorder = true, TColor color = clDefault, TColor textColor = clDefault,
                    bool wordWrap = false) const override;
    bool IsButtonHotTrack() const override;

protected:
    TcxWinXPLookAndFeelPainter() = default;
};
