// Prints how long a utility port button takes to paint in each look, against a system
// push button of the same size painted by the platform, and the ratios, in one run.
//
//   tools/wine-run --arch win64 --build-dir build/<dir> build/<dir>/tests/lookandfeel/button_benchmark.exe [paints [rounds]]
//
// Both are real windows on the display, repainted with RedrawWindow(RDW_UPDATENOW), so
// each figure includes the paint message round trip. The classic look is the standard
// painter the Office 2003 kind falls back to on a classic desktop. The paints are spread
// over rounds in which the three buttons take turns, so a load that comes and goes on the
// machine meets all three alike; the figures are the medians over the rounds, each ratio
// the median of the rounds' own ratios. Not run by ctest.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <vector>

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
    for (int i = 0; i < 5; ++i) RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
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

double Median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    const std::size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
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
    const int rounds = argc > 2 ? std::max(1, std::atoi(argv[2])) : 20;
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

        const bool themedAvailable = themed->GetPainterClass() == TcxWinXPLookAndFeelPainter::PainterClass();
        const int perRound = std::max(1, paints / rounds);
        const HWND windows[3] = {system->Handle(), classic->Handle(), themed->Handle()};
        std::vector<double> us[3], ratios[2];
        for (int round = 0; round < rounds; ++round) {
            double figures[3] = {};
            // Each round starts with another button, so none always follows the same one.
            for (int turn = 0; turn < 3; ++turn) {
                const int which = (round + turn) % 3;
                figures[which] = MicrosecondsPerPaint(windows[which], perRound);
            }
            for (int i = 0; i < 3; ++i) us[i].push_back(figures[i]);
            ratios[0].push_back(figures[1] / figures[0]);
            ratios[1].push_back(figures[2] / figures[0]);
        }
        std::printf("button paint, %d x %d, %d rounds of %d paints each (%s build), medians\n", kWidth, kHeight,
                    rounds, perRound, sizeof(void*) == 8 ? "64-bit" : "32-bit");
        std::printf("  system push button (platform):   %8.1f us/paint\n", Median(us[0]));
        std::printf("  utility button, classic look:    %8.1f us/paint  ratio %.2f\n", Median(us[1]),
                    Median(ratios[0]));
        std::printf("  utility button, %s %8.1f us/paint  ratio %.2f\n",
                    themedAvailable ? "themed look:     " : "styles off (!):  ", Median(us[2]), Median(ratios[1]));
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
