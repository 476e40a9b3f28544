// Tests of the input dialogs' front ends through the scripted backend:
// list or radio choice, yes/no, text, the bounded number inputs and the
// batch backend's cancel.
#include <gtest/gtest.h>

#include "common/dialogs.h"
#include "common/globals.h"
#include "common/inputdlg.h"
#include "common/scriptdialogs.h"
#include "platform/oemtext.h"
#include "tables/area/engine.h"
#include "tables/base/engineerror.h"

namespace kor2 {
namespace {

class FrontEnds : public ::testing::Test {
protected:
    void SetUp() override { InitProgramVariables(); }
    ScriptedDialogs ui;
};

TEST_F(FrontEnds, ListFormFromEightEntriesAndPresetRules) {
    for (int k = 1; k <= 8; ++k) TextLines[k] = "entry " + std::to_string(k);
    uint16_t sel = 3;
    ui.answers.push_back(ScriptedAnswer::Choose(5));
    SelectFromList("Title", 7, sel);
    ASSERT_EQ(ui.events.size(), 1u);
    EXPECT_EQ(ui.events[0].kind, "radio");
    EXPECT_EQ(ui.events[0].items.size(), 7u);
    EXPECT_EQ(ui.events[0].sel, 3);
    EXPECT_EQ(sel, 5);

    sel = 0;
    ui.answers.push_back(ScriptedAnswer::Accept());
    SelectFromList("Title", 8, sel);
    EXPECT_EQ(ui.events[1].kind, "list");
    EXPECT_EQ(ui.events[1].sel, 1);
    EXPECT_EQ(sel, 1);

    sel = 9;  // above Count
    ui.answers.push_back(ScriptedAnswer::Cancel());
    SelectFromList("Title", 8, sel);
    EXPECT_EQ(ui.events[2].sel, 1);
    EXPECT_TRUE(AbortFlag);
    EXPECT_EQ(sel, 1);  // preset corrected, choice not taken

    // While AbortFlag stays set, a choice is not read back.
    sel = 2;
    ui.answers.push_back(ScriptedAnswer::Choose(4));
    SelectFromList("Title", 8, sel);
    EXPECT_EQ(sel, 2);
}

TEST_F(FrontEnds, YesNoPreselectionAndCancel) {
    char answer = 'n';
    ui.answers.push_back(ScriptedAnswer::Accept());
    AskYesNoDialog("Q?", answer);
    EXPECT_EQ(ui.events.back().sel, 2);  // "&Nein" preselected
    EXPECT_EQ(answer, 'N');

    bool flag = false;
    ScriptedAnswer ja;
    ja.janein = 'J';
    ui.answers.push_back(ja);
    AskYesNo("Q?", flag);
    EXPECT_TRUE(flag);

    ui.answers.push_back(ScriptedAnswer::Cancel());
    AskYesNo("Q?", flag);
    EXPECT_TRUE(AbortFlag);
    EXPECT_TRUE(flag);
}

TEST_F(FrontEnds, TextInputKeepsTextOnCancel) {
    std::string text = "old";
    ui.answers.push_back(ScriptedAnswer::Type("new"));
    InputText("Prompt", 40, text);
    EXPECT_EQ(text, "new");
    EXPECT_EQ(ui.events.back().maxLength, 40);
    ui.answers.push_back(ScriptedAnswer::Type("other"));
    ui.answers.front().cancel = true;
    InputText("Prompt", 40, text);
    EXPECT_EQ(text, "new");
    EXPECT_TRUE(AbortFlag);
}

TEST_F(FrontEnds, IntegerBoundsExchangedAndAskedAgainWhenOutside) {
    int32_t v = 7;
    ui.answers.push_back(ScriptedAnswer::Type("5"));
    InputIntChecked("n", v, 10, 1);
    EXPECT_EQ(v, 5);
    EXPECT_FALSE(AbortFlag);
    EXPECT_EQ(ui.events[0].items[0], "7");
    EXPECT_EQ(ui.events[0].maxLength, 12);

    ui.events.clear();
    ui.answers.push_back(ScriptedAnswer::Type("11"));
    ui.answers.push_back(ScriptedAnswer::Type("abc"));
    ui.answers.push_back(ScriptedAnswer::Type(""));
    ui.answers.push_back(ScriptedAnswer::Type(" 3"));
    InputIntChecked("n", v, 1, 10);
    EXPECT_EQ(v, 3);
    const auto msgs = ui.Of("message");
    ASSERT_EQ(msgs.size(), 3u);
    EXPECT_EQ(msgs[0].text, "G\x81ltiger Wertebereich: 1 .. 10 !");
    EXPECT_EQ(msgs[0].caption, "Fehler : ");
    EXPECT_EQ(msgs[1].text, "Ung\x81ltige Eingabe \"abc\" !");
    EXPECT_EQ(msgs[2].text, "Ung\x81ltige Eingabe \"\" !");
    // After the invalid text the old value is offered again.
    const auto asks = ui.Of("text");
    EXPECT_EQ(asks[2].items[0], "11");
    EXPECT_EQ(ui.beeps, 3);

    uint16_t w = 5;
    ui.answers.push_back(ScriptedAnswer::Type("70000"));
    ui.answers.push_back(ScriptedAnswer::Cancel());
    InputWordChecked("w", w, 0, 65535);
    EXPECT_TRUE(AbortFlag);
    EXPECT_EQ(w, 5);
}

TEST_F(FrontEnds, FloatInputCommaUnchangedTextAndEmptyRange) {
    Extended v = 2;
    ui.answers.push_back(ScriptedAnswer::Type("1,5"));
    InputExtChecked("x", v, 0, 10);
    EXPECT_EQ(v, 1.5L);
    EXPECT_EQ(ui.events[0].maxLength, 30);

    // The display rounds to three digits; accepting it keeps every bit.
    v = 1.23456789012345L;
    ui.answers.push_back(ScriptedAnswer::Accept());
    InputExtChecked("x", v, 0, 10);
    EXPECT_EQ(v, 1.23456789012345L);
    EXPECT_EQ(ui.events.back().items[0], "1.23");

    // Min above Max: nothing is accepted until the user cancels.
    ui.events.clear();
    v = 5;
    ui.answers.push_back(ScriptedAnswer::Type("5"));
    ui.answers.push_back(ScriptedAnswer::Type("0"));
    ui.answers.push_back(ScriptedAnswer::Type("20"));
    InputExtChecked("x", v, 10, 1);
    EXPECT_TRUE(AbortFlag);
    EXPECT_EQ(v, 5.0L);
    EXPECT_EQ(ui.Of("text").size(), 4u);

    AbortFlag = false;
    Real48 r = Real48::FromExtended(2.2L);
    ui.answers.push_back(ScriptedAnswer::Type("1e1"));
    InputRealChecked("r", r, Real48::FromExtended(0), Real48::FromExtended(100));
    EXPECT_EQ(r.ToExtended(), 10.0L);
}

TEST_F(FrontEnds, TypedNumberParsing) {
    Extended x = 0;
    EXPECT_TRUE(ParseTypedFloat(" -2,5", x));
    EXPECT_EQ(x, -2.5L);
    EXPECT_TRUE(ParseTypedFloat(".5", x));
    EXPECT_FALSE(ParseTypedFloat("1,2,3", x));
    EXPECT_FALSE(ParseTypedFloat("1e", x));
    EXPECT_FALSE(ParseTypedFloat("inf", x));
    EXPECT_FALSE(ParseTypedFloat("nan", x));
    EXPECT_FALSE(ParseTypedFloat("1e99999", x));
    EXPECT_FALSE(ParseTypedFloat("2 ", x));
    int64_t i = 0;
    EXPECT_TRUE(ParseTypedInt("+12", i));
    EXPECT_EQ(i, 12);
    EXPECT_FALSE(ParseTypedInt("12.0", i));
    EXPECT_FALSE(ParseTypedInt("-", i));
    EXPECT_FALSE(ParseTypedInt("9999999999999999999999", i));
}

TEST(BatchDialogs, EveryQuestionIsCancelled) {
    InitProgramVariables();
    SetDialogBackend(nullptr);
    int32_t v = 4;
    InputIntChecked("n", v, 1, 10);
    EXPECT_TRUE(AbortFlag);
    EXPECT_EQ(v, 4);
    AbortFlag = false;
    uint16_t sel = 2;
    TextLines[1] = "a";
    TextLines[2] = "b";
    SelectFromList("t", 2, sel);
    EXPECT_TRUE(AbortFlag);
    EXPECT_EQ(sel, 2);
}

}  // namespace
}  // namespace kor2

namespace kor2 {
namespace {

TEST(DialogHelpers, UnitSystemEnvironmentAndVersion) {
    InitProgramVariables();
    UnitSystem = 0;
    ToggleUnitSystem();
    EXPECT_EQ(UnitSystem, 1);
    UnitSystem = 7;
    ToggleUnitSystem();
    EXPECT_EQ(UnitSystem, 1);
    ToggleUnitSystem();
    EXPECT_EQ(UnitSystem, 0);
    std::string v = "x";
    GetEnvVar("KOR2_SURELY_UNSET_VARIABLE", v);
    EXPECT_EQ(v, "");
    WindowsVersionText(v);
    EXPECT_NE(v.find('.'), std::string::npos);
    // The engine keeps its own version fact under a name of its own.
    InitTableEngine();
    EXPECT_NE(EngineWindowsVersion.find('.'), std::string::npos);
    EXPECT_LE(EngineWindowsVersion.size(), 7u);
    ShutdownTableEngine();
}

}  // namespace
}  // namespace kor2
