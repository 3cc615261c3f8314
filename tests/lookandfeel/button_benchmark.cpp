// Prints how long a utility port button takes to paint in each look, against a system
// push button of the same size painted by the platform, and the ratios, in one run.
//
//   tools/wine-run --arch win64 --build-dir build/<dir> build/<dir>/tests/lookandfeel/button_benchmark.exe [paints]
//
// Both are real windows on the display, repainted with RedrawWindow(RDW_UPDATENOW), so
// each figure includes the paint message round trip. The classic look is the standard
// painter the Office 2003 kind falls back to on a classic desktop. Not run by ctest.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <memory>

#include "framework/application.h"
#include "framework/forms.h"
#include "framework/stdctrls.h"
#include "lookandfeel/cxButtons.h"
#include "lookandfeel/dxThemeManager.h"

namespace {

constexpr int kWidth = 194;
constexpr int kHeight = 25;

void Pump()
{
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
}

// Microseconds per repaint of window, over paints repaints after a warm-up.
double MicrosecondsPerPaint(HWND window, int paints)
{
    for (int i = 0; i < 20; ++i) RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
    GdiFlush();
    LARGE_INTEGER frequency{}, start{}, stop{};
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&start);
    for (int i = 0; i < paints; ++i) RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
    GdiFlush();
    QueryPerformanceCounter(&stop);
    return 1e6 * static_cast<double>(stop.QuadPart - start.QuadPart) / static_cast<double>(frequency.QuadPart) /
           paints;
}

TcxButton* UtilityButton(TForm* form, int top, TcxLookAndFeelKind kind)
{
    auto* button = new TcxButton(form);
    button->SetParent(form);
    button->Font().SetName("Terminal");
    button->Font().SetSize(10);
    button->SetBounds(10, top, kWidth, kHeight);
    button->SetTabStop(false);
    button->SetCaption("&A - Turn on switch  1");
    button->SetMargin(5);
    button->LookAndFeel().SetKind(kind);
    return button;
}

} // namespace

int main(int argc, char** argv)
{
    const int paints = argc > 1 ? std::max(1, std::atoi(argv[1])) : 2000;
    try {
        auto* form = new TForm(nullptr);
        form->SetBounds(50, 50, 240, 160);
        TcxButton* themed = UtilityButton(form, 10, lfOffice11);
        TcxButton* classic = UtilityButton(form, 40, lfStandard);
        auto* system = new TButton(form);
        system->SetParent(form);
        system->Font().SetName("Terminal");
        system->Font().SetSize(10);
        system->SetBounds(10, 70, kWidth, kHeight);
        system->SetCaption("&A - Turn on switch  1");
        form->Show();
        Pump();

        const double systemUs = MicrosecondsPerPaint(system->Handle(), paints);
        const double classicUs = MicrosecondsPerPaint(classic->Handle(), paints);
        const bool themedAvailable = themed->GetPainterClass() == TcxWinXPLookAndFeelPainter::PainterClass();
        const double themedUs = MicrosecondsPerPaint(themed->Handle(), paints);
        std::printf("button paint, %d x %d, %d paints each (%s build)\n", kWidth, kHeight, paints,
                    sizeof(void*) == 8 ? "64-bit" : "32-bit");
        std::printf("  system push button (platform):   %8.1f us/paint\n", systemUs);
        std::printf("  utility button, classic look:    %8.1f us/paint  ratio %.2f\n", classicUs, classicUs / systemUs);
        std::printf("  utility button, %s %8.1f us/paint  ratio %.2f\n",
                    themedAvailable ? "themed look:     " : "styles off (!):  ", themedUs, themedUs / systemUs);
        const RECT themedContent = themed->GetContentRect(), classicContent = classic->GetContentRect();
        std::printf("  content rectangles: themed %s, classic %s\n", cxRectToString(themedContent).c_str(),
                    cxRectToString(classicContent).c_str());
        delete form;
    } catch (const Exception& e) {
        std::fprintf(stderr, "failed: %s\n", e.Message().c_str());
        return 1;
    }
    return 0;
}
