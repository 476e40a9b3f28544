// The evaluation machine: runtime errors, blank records at end of file, memo
// fields, typed record buffers of virtual tables, open corner cases of the
// functions, the hooks, and no allocation after the first evaluation.
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <new>
#include <random>

#include "platform/real48.h"
#include "tables/area/workareas.h"
#include "tables/base/enginedates.h"
#include "tables/base/engineerror.h"
#include "tables/dbf/hooks.h"
#include "tables/expr/expr_alloccount.h"
#include "tables/expr/expr_fixture.h"
#include "tables/keys/keyencoding.h"

namespace kor2::test {
namespace {

TEST_F(ExprTest, DivisionByZeroReportsAndGoesOn) {
    ExprBlock* b = Compile("STR(QTY/0,3)+'x'");
    ASSERT_NE(b, nullptr);
    EvaluateExpr(b);
    EXPECT_EQ(ExprResultText(*b), "***x");
    EXPECT_EQ(EngineErrorCode, 358);
    EXPECT_EQ(EngineErrorMsg, "Auswertungsfehler: Division durch 0 [Evaluate/Engine]");
    EXPECT_EQ(EvalNumber("1/0"), 1E250);
}

TEST_F(ExprTest, FieldsAtEndOfFileReadBlankOnlyWithTheSwitch) {
    WorkAreas[1]->eof = true;
    EXPECT_EQ(EvalText("NAME"), "Robert    ");
    BlankAtEof = true;
    EXPECT_EQ(EvalText("NAME"), "          ");
    EXPECT_EQ(EvalText("NAME+'|'"), "          |");
    EXPECT_EQ(EvalNumber("QTY"), 0);
    EXPECT_EQ(EvalNumber("BORN"), 0);
    EXPECT_FALSE(EvalLogical("PAID"));
    EXPECT_EQ(EvalText("DTOS(BORN)"), "        ");
    // Other areas are not at end of file.
    EXPECT_EQ(EvalText("KUNDE->KNAME"), "Meyer ");
}

TEST_F(ExprTest, RecordNumberAndDeletionMark) {
    EXPECT_FALSE(EvalLogical("DELETED()"));
    WorkAreas[1]->record[0] = '*';
    EXPECT_TRUE(EvalLogical("DELETED()"));
    CurrentArea = 2;
    EXPECT_FALSE(EvalLogical("DELETED()"));
    EXPECT_EQ(EvalNumber("RECNO()"), 1);
    CurrentArea = 7;  // a free area
    EXPECT_EQ(EvalNumber("RECNO()"), 0);
    EXPECT_FALSE(EvalLogical("DELETED()"));
}

TEST_F(ExprTest, MemoFieldYieldsItsTextCutTo255) {
    WorkAreas[1]->record.replace(WorkAreas[1]->fields[8].offset, 10, "         5");
    std::vector<int> calledInArea;
    MemoHooks.memoLines = [&](int field) {
        calledInArea.push_back(CurrentArea);
        EXPECT_EQ(field, 9);
        return std::vector<std::string>{std::string(100, 'a'), std::string(100, 'b'),
                                        std::string(100, 'c')};
    };
    ExprBlock* b = Compile("NOTE");
    ASSERT_NE(b, nullptr);
    EXPECT_EQ(b->resultType, 'M');
    EXPECT_EQ(b->width, 0);
    EvaluateExpr(b);
    const std::string text = ExprResultText(*b);
    EXPECT_EQ(text, std::string(100, 'a') + std::string(100, 'b') + std::string(55, 'c'));
    // Through an alias the memo is read with its area current, then the
    // former area is current again.
    CurrentArea = 2;
    b = Compile("ART->NOTE");
    ASSERT_NE(b, nullptr);
    EvaluateExpr(b);
    EXPECT_EQ(ExprResultText(*b).size(), 255u);
    EXPECT_EQ(CurrentArea, 2);
    EXPECT_EQ(calledInArea, (std::vector<int>{1, 1}));
    // Block 0 or no memo layer: the empty text.
    MemoHooks = {};
    EvaluateExpr(b);
    EXPECT_EQ(ExprResultText(*b), "");
}

TEST_F(ExprTest, TypedRecordOfVirtualTable) {
    auto t = MemoryTable("VIRT", {{"TXT", 'C', 5, 0, ""},
                                  {"AMOUNT", 'N', 8, 2, ""},
                                  {"COUNT", 'N', 6, 0, ""},
                                  {"FLAG", 'L', 1, 0, ""},
                                  {"DAY", 'D', 8, 0, ""}});
    t->isVirtual = true;
    t->record.clear();
    std::vector<uint8_t> buf(TypedRecordSize(*t), 0);
    size_t p = 1;
    buf[p] = 3;
    std::memcpy(&buf[p + 1], "abc  ", 5);
    p += 6;
    const Real48 amount = Real48::FromExtended(12.25L);
    std::memcpy(&buf[p], amount.Bytes().data(), 6);
    p += 6;
    const int32_t count = -42;
    std::memcpy(&buf[p], &count, 4);
    p += 4;
    buf[p] = 2;  // any nonzero byte is true
    p += 1;
    buf[p] = 8;
    std::memcpy(&buf[p + 1], "17.03.98", 8);
    t->typedBuffer = buf.data();
    t->typedSize = static_cast<uint16_t>(buf.size());
    WorkAreas[4] = std::move(t);
    CurrentArea = 4;
    EXPECT_EQ(EvalText("TXT"), "abc  ");
    EXPECT_EQ(EvalNumber("AMOUNT"), 12.25);
    EXPECT_EQ(EvalNumber("COUNT"), -42);
    EXPECT_TRUE(EvalLogical("FLAG"));
    EXPECT_EQ(EvalNumber("DAY"), 2450890);
    EXPECT_FALSE(EvalLogical("DELETED()"));
    buf[0] = 1;
    EXPECT_TRUE(EvalLogical("DELETED()"));
}

TEST_F(ExprTest, OpenCornersOfTheFunctions) {
    EXPECT_EQ(EvalNumber("ASC('')"), 0);
    EXPECT_EQ(EvalNumber("MOD(5,0)"), 5);
    EXPECT_EQ(EvalNumber("MOD(-2147483648,-1)"), 0);
    EXPECT_EQ(EvalText("LEFT(NAME,-1)"), "");
    EXPECT_EQ(EvalText("RIGHT(NAME,-3)"), "");
    EXPECT_EQ(EvalText("SUBSTR('abc',0,2)"), "ab");
    EXPECT_EQ(EvalText("SUBSTR('abc',2,-1)"), "");
    EXPECT_EQ(EvalText("STUFF('abc',0,1,'X')"), "Xbc");
    EXPECT_EQ(EvalText("STUFF('abc',9,1,'X')"), "abcX");
    EXPECT_EQ(EvalNumber("(-2)^2"), 4);
    EXPECT_EQ(EvalNumber("0^2"), 0);
    EXPECT_TRUE(std::isnan(EvalNumber("(-8)^0.5")));
    // Counts beyond the 32-bit range saturate.
    EXPECT_EQ(EvalText("SPACE(1E20)").size(), 255u);
    EXPECT_EQ(EvalText("REPLICATE('a',-1E20)"), "");
    EXPECT_EQ(EvalText("SUBSTR('abc',1E20,1)"), "");
    EXPECT_EQ(EvalText("CHR(321)"), "A");
    EXPECT_NEAR(EvalNumber("ROUND(1.23456789,1000)"), 1.23456789, 1e-12);
    EXPECT_EQ(EvalText("STR(1E300)"), "**********");
    EXPECT_EQ(EvalText("STR((-8)^0.5,4)"), "****");
    EXPECT_EQ(EvalText("STR(-0.001,6,2)"), "  0.00");
    EXPECT_EQ(EvalText("STR(1,0)"), "");
    // Blank dates.
    EXPECT_EQ(EvalNumber("DAY(CTOD(''))"), 0);
    EXPECT_EQ(EvalNumber("DOW(CTOD(''))"), 0);
    EXPECT_EQ(EvalText("DTOC(CTOD(''))"), "  .  .  ");
    EXPECT_EQ(EvalText("CDOW(CTOD(''))"), "");
    EXPECT_EQ(EvalText("CMONTH(CTOD(''))"), "");
    // The year of a date outside the two-digit window stays right.
    EXPECT_EQ(EvalNumber("YEAR(CTOD('01.01.1850'))"), 1850);
    EXPECT_EQ(EvalText("CDOW(CTOD('01.01.1850'))"), "Dienstag");
}

TEST_F(ExprTest, DateTextsFollowTheDateSettings) {
    CenturyDisplay = true;
    EXPECT_EQ(EvalText("DTOC(BORN)"), "17.03.1998");
    SetDateFormat(0);
    EXPECT_EQ(EvalText("DTOC(BORN)"), "03/17/1998");
    EXPECT_EQ(EvalText("CDOW(BORN)+' '+CMONTH(BORN)"), "Tuesday March");
    EXPECT_EQ(EvalNumber("CTOD('03/17/1998')"), 2450890);
    SetDateFormat(1);
    CenturyDisplay = false;
    EXPECT_EQ(EvalText("DTOC(BORN)"), "98.03.17");
    SetDateFormat(3);
    EXPECT_EQ(EvalText("CMONTH(BORN)"), "Marzo");
}

TEST_F(ExprTest, SoundexMatchesTheKeyRoutine) {
    std::mt19937 rng(7);
    const std::string alphabet = "ABCDEFGHIJKLMNOPQRSTUVWXYZaehiouwy -1";
    for (int i = 0; i < 400; ++i) {
        std::string s;
        const int len = static_cast<int>(rng() % 60);
        for (int k = 0; k < len; ++k) s += alphabet[rng() % alphabet.size()];
        SCOPED_TRACE(s);
        EXPECT_EQ(EvalText("SOUNDEX('" + s + "')"), Soundex(s));
    }
    for (const std::string s : {"AAAAAAAAAAAAAAAAAAAAAAAAAAAAAAB", "Bbbbbbbbbbbbbbbbbbbbbbbbbbbc",
                                "Pfister", "Jackson", "Gutierrez", "Lee", "a-e-i-o-u-b-f-p"}) {
        EXPECT_EQ(EvalText("SOUNDEX('" + s + "')"), Soundex(s)) << s;
    }
}

TEST_F(ExprTest, TablesChangedAfterCompilingReadSafely) {
    ExprBlock* b = Compile("KUNDE->KNAME+'|'");
    ASSERT_NE(b, nullptr);
    // The aliased table is closed: its field reads blank.
    auto saved = std::move(WorkAreas[2]);
    EvaluateExpr(b);
    EXPECT_EQ(ExprResultText(*b), "|");
    // A wider field than compiled does not fit into the work pool.
    WorkAreas[2] = MemoryTable("KUNDE", {{"KNR", 'N', 4, 0, "1"},
                                         {"KNAME", 'C', 50, 0, "long name"}});
    EvaluateExpr(b);
    EXPECT_EQ(EngineErrorCode, 354);
    EXPECT_EQ(ExprResultText(*b), "|");
    // A field of another type than compiled reads as the compiled type's blank.
    WorkAreas[2] = MemoryTable("KUNDE", {{"KNR", 'N', 4, 0, "1"}, {"KNAME", 'N', 3, 0, "5"}});
    EngineErrorCode = 0;
    EvaluateExpr(b);
    EXPECT_EQ(EngineErrorCode, 0);
    EXPECT_EQ(ExprResultText(*b), "|");
}

TEST_F(ExprTest, BlocksAndHooks) {
    ExprBlock* none = nullptr;
    EXPECT_EQ(EvaluateExpr(none), nullptr);
    FreeExpr(none);
    ExprBlock foreign;
    ExprBlock* alien = &foreign;
    FreeExpr(alien);
    EXPECT_EQ(alien, &foreign);  // not ours: untouched

    ExprBlock* b = AssignExpr("QTY*2");
    ASSERT_NE(b, nullptr);
    EXPECT_EQ(ExprText(b), "QTY*2");
    SetCurrentKeyExpr(b);
    EXPECT_EQ(*reinterpret_cast<const double*>(EvaluateCurrentExpr()), 14);
    FreeExpr(b);
    EXPECT_EQ(b, nullptr);
    EXPECT_EQ(EvaluateCurrentExpr(), nullptr);  // the freed block is no longer current

    ASSERT_TRUE(ParserLinked);
    ExprHandle h;
    ASSERT_TRUE(ExprHooks.compile("NAME='Rob' .AND. PAID", h));
    EXPECT_EQ(ExprHooks.sourceText(h), "NAME='Rob' .AND. PAID");
    EXPECT_EQ(ExprHooks.evaluate(h)[0], 1);
    ExprHooks.release(h);
    EXPECT_EQ(h, nullptr);
    EXPECT_FALSE(ExprHooks.compile("NAME=", h));
    EXPECT_EQ(h, nullptr);
    EXPECT_EQ(EngineErrorCode, 351);
}

TEST_F(ExprTest, NoAllocationAfterTheFirstEvaluation) {
    WorkAreas[1]->record.replace(WorkAreas[1]->fields[0].offset, 10, "Sebastiano");
    const char* texts[] = {
        "UPPER(NAME)+STR(QTY,5)+DTOS(BORN)",
        "IIF(PAID,TRIM(NAME),CITY)+SUBSTR(CODE,1,2)+LEFT(NAME,2)+RIGHT(NAME,3)",
        "SOUNDEX(NAME+NAME+NAME)+LOWER(LTRIM(CITY))",
        "CDOW(BORN)+CMONTH(BORN)+DTOC(BORN)+STR(PRICE*QTY,12,4)",
        "STUFF(NAME,2,3,'XY')+REPLICATE('ab',50)+SPACE(20)+CHR(65)",
        "KUNDE->KNAME-NAME",
        "QTY*PRICE > 50 .AND. 'ob' $ NAME .OR. BORN < KUNDE->SINCE - 10",
        "ROUND(PRICE/3,2)+MOD(QTY,4)+ABS(-INT(RATE))+MAX(1,2)+VAL(CODE)+LEN(NAME)+AT('a',NAME)",
        "DAY(BORN)+MONTH(BORN)+YEAR(BORN)+DOW(BORN)+RECNO()",
        "IIF(DELETED(),'a','b')",
    };
    for (const char* text : texts) {
        SCOPED_TRACE(text);
        ExprBlock* b = Compile(text);
        ASSERT_NE(b, nullptr);
        EvaluateExpr(b);
        const std::string first = b->resultType == 'C' ? ExprResultText(*b) : "";
        const long before = AllocationCount();
        for (int i = 0; i < 20; ++i) EvaluateExpr(b);
        EXPECT_EQ(AllocationCount() - before, 0);
        if (b->resultType == 'C') {
            EXPECT_EQ(ExprResultText(*b), first);
        }
    }
}

}  // namespace
}  // namespace kor2::test
