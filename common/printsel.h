// Print selection and the graphics print job: the outputs ticked in
// PrintMacroIndex, the page layouts of the printed graphics window and the
// printer document around its replay. The main window and TForm_printmac call these.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <vector>

namespace kor2 {

inline constexpr int kPrintMacroCount = 14;  // outputs of the selection dialog
inline constexpr uint16_t kPrintMacroHelp = 3520;

enum class PageOrientation : uint8_t { Portrait, Landscape };
// The orientation of the next printer document; SetPrintScale sets it.
inline PageOrientation PrinterPageOrientation = PageOrientation::Landscape;

// Ticks of outputs 1..14 ([0] is output 1): bit k of the index.
using PrintMacroTicks = std::array<bool, kPrintMacroCount>;
PrintMacroTicks PrintMacroTicksOf(int32_t index);
// Writes the ticks into bits 1..14 of PrintMacroIndex; higher bits stay.
void StorePrintMacroTicks(const PrintMacroTicks& ticks);

// Scale, offsets, border and orientation of page layout 0 (landscape),
// 1 (landscape with border) or 2 (portrait, x stretched by 1.8); any other
// mode changes nothing.
void SetPrintScale(uint16_t mode);

// The printer document behind the print job; the form layer installs Qt's.
class PrintJobBackend {
public:
    virtual ~PrintJobBackend() = default;
    // Begins a document; false (with the reason shown) when that fails.
    virtual bool BeginDocument(PageOrientation orientation) = 0;
    // The page so far is complete; what follows goes on a new page.
    virtual void NewPage() = 0;
    virtual void EndDocument() = 0;
};
// The installed backend; without a display no document can be begun.
PrintJobBackend& PrintJob();
// Installs backend (nullptr returns to the one without a display); the
// caller keeps it alive while installed.
void SetPrintJobBackend(PrintJobBackend* backend);

// SetPrintScale(PrintLayoutMode), GraphPrinting on and a printer document
// begun. False, with GraphPrinting off and AbortFlag set, when the
// document cannot be begun.
bool BeginPrintJob();
// GraphPrinting off and the document ended; nothing when no job runs.
void EndPrintJob();

// The outputs ticked in index (bit k: outputs[k - 1]), each on a page of
// its own in one print job. Nothing ticked begins no job; an output that
// sets AbortFlag ends the job after its page.
void PrintTickedOutputs(int32_t index, const std::vector<std::function<void()>>& outputs);

}  // namespace kor2
