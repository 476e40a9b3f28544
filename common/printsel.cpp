// Print selection bits, page layouts and the print job around the graphics
// window's replay on the printer. The printer itself is behind
// PrintJobBackend, so that this core runs and is tested without Qt.
#include "common/printsel.h"

#include "common/checkmath.h"
#include "common/globals.h"
#include "graphics/window/graphwin.h"

namespace kor2 {
namespace {

// Without a display there is no printer: no document begins.
class NoPrinter : public PrintJobBackend {
public:
    bool BeginDocument(PageOrientation) override { return false; }
    void NewPage() override {}
    void EndDocument() override {}
};

NoPrinter g_noPrinter;
PrintJobBackend* g_backend = &g_noPrinter;

}  // namespace

PrintMacroTicks PrintMacroTicksOf(int32_t index) {
    PrintMacroTicks ticks{};
    for (int k = 1; k <= kPrintMacroCount; ++k)
        ticks[static_cast<std::size_t>(k - 1)] = GetBit(index, k);
    return ticks;
}

void StorePrintMacroTicks(const PrintMacroTicks& ticks) {
    for (int k = 1; k <= kPrintMacroCount; ++k)
        SetBit(PrintMacroIndex, k, ticks[static_cast<std::size_t>(k - 1)]);
}

void SetPrintScale(uint16_t mode) {
    if (mode > 2) return;
    PrintScaleX = Real48::FromExtended(mode == 2 ? 1.8L : 1.0L);
    PrintScaleY = Real48::FromExtended(1.0L);
    PrintOffsetX = 0;
    PrintOffsetY = 0;
    PrintBorder = mode == 1;
    PrinterPageOrientation =
        mode == 2 ? PageOrientation::Portrait : PageOrientation::Landscape;
}

PrintJobBackend& PrintJob() {
    return *g_backend;
}

void SetPrintJobBackend(PrintJobBackend* backend) {
    g_backend = backend != nullptr ? backend : &g_noPrinter;
}

bool BeginPrintJob() {
    SetPrintScale(PrintLayoutMode);
    GraphPrinting = true;
    if (PrintJob().BeginDocument(PrinterPageOrientation)) return true;
    GraphPrinting = false;
    AbortFlag = true;
    return false;
}

void EndPrintJob() {
    if (!GraphPrinting) return;
    GraphPrinting = false;
    PrintJob().EndDocument();
}

void PrintTickedOutputs(int32_t index, const std::vector<std::function<void()>>& outputs) {
    std::vector<const std::function<void()>*> chosen;
    const PrintMacroTicks ticks = PrintMacroTicksOf(index);
    for (std::size_t k = 0; k < ticks.size() && k < outputs.size(); ++k)
        if (ticks[k] && outputs[k]) chosen.push_back(&outputs[k]);
    if (chosen.empty()) return;
    AbortFlag = false;
    if (!BeginPrintJob()) return;
    for (std::size_t i = 0; i < chosen.size() && !AbortFlag; ++i) {
        if (i > 0) PrintJob().NewPage();
        (*chosen[i])();
    }
    EndPrintJob();
}

}  // namespace kor2
