// Print selection bits, the page layouts and the print job around the
// graphics window's replay, with a recording printer in place of Qt's.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/config.h"
#include "common/globals.h"
#include "common/printsel.h"
#include "graphics/window/graphwin.h"

namespace kor2 {
namespace {

class RecordingPrinter : public PrintJobBackend {
public:
    RecordingPrinter() { SetPrintJobBackend(this); }
    ~RecordingPrinter() override { SetPrintJobBackend(nullptr); }
    RecordingPrinter(const RecordingPrinter&) = delete;
    RecordingPrinter& operator=(const RecordingPrinter&) = delete;

    bool BeginDocument(PageOrientation o) override {
        calls.push_back(o == PageOrientation::Portrait ? "begin portrait" : "begin landscape");
        return canBegin;
    }
    void NewPage() override { calls.push_back("page"); }
    void EndDocument() override { calls.push_back("end"); }

    bool canBegin = true;
    std::vector<std::string> calls;
};

class PrintSelectionTest : public ::testing::Test {
protected:
    void SetUp() override {
        InitProgramVariables();
        PrintLayoutMode = 0;
        GraphPrinting = false;
        AbortFlag = false;
    }
    void TearDown() override { GraphPrinting = false; }
    RecordingPrinter printer;
};

TEST_F(PrintSelectionTest, TicksAreBitsOneToFourteen) {
    const PrintMacroTicks six = PrintMacroTicksOf(6);
    for (int k = 0; k < kPrintMacroCount; ++k) EXPECT_EQ(six[k], k == 1 || k == 2) << k;
    EXPECT_TRUE(PrintMacroTicksOf(int32_t{1} << 13)[13]);

    PrintMacroIndex = 6 | (1 << 14) | (1 << 20);  // bits 15 and 21 belong to no box
    PrintMacroTicks only14{};
    only14[13] = true;
    StorePrintMacroTicks(only14);
    EXPECT_EQ(PrintMacroIndex, 8192 | (1 << 14) | (1 << 20));
    PrintMacroIndex = -1;
    StorePrintMacroTicks({});
    EXPECT_EQ(PrintMacroIndex, static_cast<int32_t>(0xFFFFC000u));
}

TEST_F(PrintSelectionTest, PageLayouts) {
    PrintOffsetX = 7;
    PrintOffsetY = 9;
    SetPrintScale(2);
    EXPECT_EQ(PrintScaleX.ToExtended(), Real48::FromExtended(1.8L).ToExtended());
    EXPECT_EQ(PrintScaleY.ToExtended(), 1.0L);
    EXPECT_EQ(PrintOffsetX, 0);
    EXPECT_EQ(PrintOffsetY, 0);
    EXPECT_FALSE(PrintBorder);
    EXPECT_EQ(PrinterPageOrientation, PageOrientation::Portrait);

    SetPrintScale(1);
    EXPECT_EQ(PrintScaleX.ToExtended(), 1.0L);
    EXPECT_TRUE(PrintBorder);
    EXPECT_EQ(PrinterPageOrientation, PageOrientation::Landscape);

    SetPrintScale(2);
    SetPrintScale(0);
    EXPECT_FALSE(PrintBorder);
    EXPECT_EQ(PrinterPageOrientation, PageOrientation::Landscape);

    PrintOffsetX = 5;
    SetPrintScale(3);  // unknown layouts change nothing
    SetPrintScale(65535);
    EXPECT_EQ(PrintOffsetX, 5);
    EXPECT_EQ(PrinterPageOrientation, PageOrientation::Landscape);
}

// The page layout turns the next document, never the orientation the
// configuration file keeps.
TEST_F(PrintSelectionTest, PageLayoutLeavesTheConfiguredOrientation) {
    PrinterOrientation = 1;
    SetPrintScale(0);
    EXPECT_EQ(PrinterOrientation, 1);
    EXPECT_EQ(PrinterPageOrientation, PageOrientation::Landscape);
    PrinterOrientation = 2;
    SetPrintScale(2);
    EXPECT_EQ(PrinterOrientation, 2);
    EXPECT_EQ(PrinterPageOrientation, PageOrientation::Portrait);
}

TEST_F(PrintSelectionTest, TickedOutputsPrintOnePageEachInOneJob) {
    PrintLayoutMode = 2;
    std::vector<std::string> drawn;
    auto output = [&](const std::string& name) {
        return [&drawn, name] {
            EXPECT_TRUE(GraphPrinting);
            drawn.push_back(name);
        };
    };
    const std::vector<std::function<void()>> outputs = {output("1"), output("2"), output("3"),
                                                        nullptr, output("5")};
    // Bits 1, 3, 4 (no output behind it), 5 and 14 (beyond the list).
    PrintTickedOutputs(1 | 4 | 8 | 16 | 8192, outputs);
    EXPECT_EQ(drawn, (std::vector<std::string>{"1", "3", "5"}));
    EXPECT_EQ(printer.calls, (std::vector<std::string>{"begin portrait", "page", "page", "end"}));
    EXPECT_FALSE(GraphPrinting);
    EXPECT_EQ(PrintScaleX.ToExtended(), Real48::FromExtended(1.8L).ToExtended());

    printer.calls.clear();
    PrintTickedOutputs(2 | 4, {output("1")});  // nothing ticked that exists: no job
    EXPECT_TRUE(printer.calls.empty());
}

TEST_F(PrintSelectionTest, FailedBeginAndAbortedOutputs) {
    int drawn = 0;
    printer.canBegin = false;
    PrintTickedOutputs(1, {[&] { ++drawn; }});
    EXPECT_EQ(drawn, 0);
    EXPECT_TRUE(AbortFlag);
    EXPECT_FALSE(GraphPrinting);
    EXPECT_EQ(printer.calls, (std::vector<std::string>{"begin landscape"}));
    EndPrintJob();  // no job runs: no document to end
    EXPECT_EQ(printer.calls.size(), 1u);

    printer.canBegin = true;
    printer.calls.clear();
    PrintTickedOutputs(7, {[&] { ++drawn; }, [&] { AbortFlag = ++drawn > 0; }, [&] { ++drawn; }});
    EXPECT_EQ(drawn, 2);  // the cancelled second output ends the job
    EXPECT_EQ(printer.calls, (std::vector<std::string>{"begin landscape", "page", "end"}));
    EXPECT_FALSE(GraphPrinting);

    SetPrintJobBackend(nullptr);  // without a display nothing can be printed
    EXPECT_FALSE(BeginPrintJob());
    EXPECT_FALSE(GraphPrinting);
    SetPrintJobBackend(&printer);
}

}  // namespace
}  // namespace kor2
