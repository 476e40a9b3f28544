// Error state of the table engine: texts, the three handling modes, and the
// code page 850 bytes of the error texts.
#include <gtest/gtest.h>

#include "platform/oemtext.h"
#include "tables/area/engine.h"
#include "tables/base/engineerror.h"

namespace kor2 {
namespace {

class ErrorStateTest : public ::testing::Test {
protected:
    void SetUp() override {
        InitTableEngine();
        ErrorHandling = false;
    }
    void TearDown() override {
        SetEngineMessageBox(nullptr);
        ResetEngineErrorState();
    }
};

TEST_F(ErrorStateTest, TextsAreFramedAndUnknownCodesNamedSo) {
    EXPECT_EQ(EngineErrorText(0), "");
    EXPECT_EQ(EngineErrorText(1250), "Fehler Nr. 1250 (Netzwerkfehler)");
    EXPECT_EQ(EngineErrorText(7), "Fehler Nr. 7 (Unbekannter Fehler)");
    EXPECT_EQ(EngineErrorText(1004), "Fehler Nr. 1004 (Speichermedium voll          )");
    // Code page 850 bytes: ä 0x84, ö 0x94, ß 0xE1, Ü 0x9A.
    EXPECT_EQ(EngineStandardText(266),
              "Unzul\x84ssige Gr\x94\xE1"
              "e des Datenpuffers");
    EXPECT_EQ(EngineStandardText(36),
              "\x9A"
              "berlauf des gemeinsamen Dateipuffers");
}

TEST_F(ErrorStateTest, LastErrorTextIsTakenOnce) {
    SetEngineError(213, "Datei:  X.DBF  [GetDbfRecord]");
    EXPECT_EQ(EngineErrorCode, 213);
    EXPECT_EQ(LastErrorText(),
              "Fehler Nr. 213 (Unerwartetes Dateiende)\r\nDatei:  X.DBF  [GetDbfRecord]");
    EXPECT_EQ(LastErrorText(), "");
    EXPECT_EQ(EngineErrorCode, 213);  // the code itself stays for the caller
}

TEST_F(ErrorStateTest, ExceptionModeRaisesTheFramedText) {
    ErrorHandling = true;
    EXPECT_FALSE(SetExceptionMode(true));
    try {
        SetEngineError(215, "m");
        FAIL() << "no exception";
    } catch (const ETableError& e) {
        EXPECT_EQ(std::string(e.what()), EngineErrorText(215) + "\r\nm");
    }
    EXPECT_TRUE(SetExceptionMode(false));
}

TEST_F(ErrorStateTest, CodeZeroShowsNothingAndHaltingBlocksTheHandler) {
    int boxes = 0;
    SetEngineMessageBox(
        [&](const std::string&, const std::string&, unsigned) { return ++boxes, IDOK; });
    ErrorHandling = true;
    SetEngineError(0, "nothing");
    EXPECT_EQ(boxes, 0);
    EngineHalting = true;
    SetEngineError(5, "ignored while halting");
    EXPECT_EQ(boxes, 0);
    EngineHalting = false;
}

TEST_F(ErrorStateTest, DefaultHandlerShowsTheBoxAndStopsWithTheCode) {
    ErrorHandling = true;
    EXPECT_EXIT(
        {
            SetEngineMessageBox([](const std::string& text, const std::string& caption, unsigned) {
                fprintf(stderr, "[%s|%s]", caption.c_str(), text.c_str());
                return IDOK;
            });
            SetEngineError(210, "X ist keine");
        },
        ::testing::ExitedWithCode(210), "Programm angehalten.\\|Fehler Nr. 210");
}

TEST_F(ErrorStateTest, FreeingANilBlockReportsError9) {
    EngMemBlock block;
    EngFreeMem(block, 16);
    EXPECT_EQ(EngineErrorCode, 9);
    EXPECT_EQ(EngineErrorMsg, "Versuch Null-Zeiger freizugeben [FreeMem()]");
    EXPECT_FALSE(block);
    EngGetMem(block, 16);
    ASSERT_TRUE(block);
    EngFreeMem(block, 16);
    EXPECT_FALSE(block);
}

}  // namespace
}  // namespace kor2
