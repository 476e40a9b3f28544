// Expressions with their type, width, decimals and value on the known record
// of the fixture; the values were worked out by hand from the definitions.

// Record of ART (area 1, current, record 3 of 5):
//   NAME C10 "Robert    "  CITY C8 "  Bonn  "  CODE C3 "AB "  PRICE N8.2 12.50
//   QTY N5 7  RATE F6.3 0.125  BORN D 1998-03-17 (day 2450890, a Tuesday)
//   PAID L .T.  NOTE M block 0
// Record of KUNDE (area 2): KNR N4 42  KNAME C6 "Meyer "
//   SINCE D 2000-01-01 (day 2451545, a Saturday)  AKTIV L .F.
#include <cmath>
#include <cstring>

#include "platform/oemtext.h"
#include "tables/area/workareas.h"
#include "tables/base/engineerror.h"
#include "tables/expr/expr_fixture.h"

namespace kor2::test {
namespace {

struct Case {
    const char* expr;
    char type;
    int width;
    int decimals;
    std::string text;  // C
    double number;     // N, D
    bool logical;      // L
};

Case C(const char* e, int w, std::string t) { return {e, 'C', w, 0, std::move(t), 0, false}; }
Case N(const char* e, int w, int d, double v) { return {e, 'N', w, d, "", v, false}; }
Case D(const char* e, double v) { return {e, 'D', 8, 0, "", v, false}; }
Case L(const char* e, bool v) { return {e, 'L', 1, 0, "", 0, v}; }

constexpr double Born = 2450890;   // 17.03.1998
constexpr double Since = 2451545;  // 01.01.2000

const std::vector<Case>& Cases() {
    static const std::vector<Case> cases = {
        // Arithmetic and precedence. A number leaves width 0 and 2 decimals,
        // so such results are 13 wide.
        N("1+2", 13, 2, 3),
        N("7-10", 13, 2, -3),
        N("2*3", 13, 2, 6),
        N("7/2", 13, 2, 3.5),
        N("1/4", 13, 2, 0.25),
        N("2^10", 13, 2, 1024),
        N("2**3", 13, 2, 8),
        N("2*3^2", 13, 2, 18),
        N("-2^2", 13, 2, 4),
        N("2^-1", 13, 2, 0.5),
        N("2^3^2", 13, 2, 64),
        N("(1+2)*3", 13, 2, 9),
        N("1+2*3", 13, 2, 7),
        N("10-4-3", 13, 2, 3),
        N("100/10/5", 13, 2, 2),
        N("2+3*4^2/8-1", 13, 2, 7),
        N("(2+3)*(4-1)", 13, 2, 15),
        N("-(3-5)", 13, 2, 2),
        N("+5", 13, 2, 5),
        N("- -4", 13, 2, 4),
        N("1.5E2", 13, 2, 150),
        N("3.25", 13, 2, 3.25),
        N("  ( 1 + 2 )  ", 13, 2, 3),
        // Numeric fields: the first field's decimals, later ones 2.
        N("PRICE", 8, 2, 12.5),
        N("QTY", 5, 0, 7),
        N("RATE", 6, 3, 0.125),
        N("price", 8, 2, 12.5),
        N("PRICE*QTY", 5, 2, 87.5),
        N("QTY*PRICE", 8, 2, 87.5),
        N("QTY+1", 13, 2, 8),
        N("1+QTY", 5, 2, 8),
        N("RATE*8", 13, 2, 1),
        N("RATE*1000", 13, 2, 125),
        N("-QTY", 5, 0, -7),
        N("MAX(QTY,PRICE)-MIN(QTY,PRICE)", 8, 2, 5.5),
        N("RECNO()", 13, 2, 3),
        N("RECN()+1", 13, 2, 4),
        // Numeric functions.
        N("ABS(-3.5)", 13, 2, 3.5),
        N("ABS(QTY-10)", 13, 2, 3),
        N("INT(7.9)", 13, 2, 7),
        N("INT(-7.9)", 13, 2, -7),
        N("INT(-0.5)", 13, 2, 0),
        N("INT(PRICE)", 8, 2, 12),
        N("MOD(17,5)", 13, 2, 2),
        N("MOD(-17,5)", 13, 2, -2),
        N("MOD(17,-5)", 13, 2, 2),
        N("MOD(17.9,5.9)", 13, 2, 2),
        N("MOD(QTY,4)", 13, 2, 3),
        N("ROUND(2.567,2)", 13, 2, 2.56),
        N("ROUN(-2.567,2)", 13, 2, -2.56),
        N("ROUND(2.567,0)", 13, 2, 2),
        N("ROUND(2.5,-1)", 13, 2, 2),
        N("ROUND(PRICE/3,1)", 13, 2, 4.1),
        N("MAX(3,QTY)", 5, 2, 7),
        N("MIN(3,QTY)", 5, 2, 3),
        N("ASC('A')", 13, 2, 65),
        N("ASC(NAME)", 10, 2, 82),
        N("ASC(CHR(200))", 13, 2, 200),
        N("LEN(NAME)", 10, 2, 10),
        N("LEN(TRIM(NAME))", 10, 2, 6),
        N("LEN('')", 13, 2, 0),
        N("LEN(DTOC(BORN))", 8, 2, 8),
        N("LEN(SPACE(300))", 13, 2, 255),
        N("LEN(REPLICATE('abc',100))", 13, 2, 255),
        N("LEN(REPLICATE('x',200)+REPLICATE('y',200))", 13, 2, 255),
        N("AT('b',NAME)", 10, 2, 3),
        N("AT('x',NAME)", 10, 2, 0),
        N("AT('',NAME)", 10, 2, 0),
        N("AT('Bonn',CITY)", 8, 2, 3),
        N("VAL('12.5')", 4, 2, 12.5),
        N("VAL(' 42abc')", 6, 2, 42),
        N("VAL('abc')", 13, 2, 0),
        N("VAL('1E3')", 13, 2, 1000),
        N("VAL('-2.5  ')", 6, 2, -2.5),
        N("VAL(STR(PRICE,8,2))", 13, 2, 12.5),
        // Date parts.
        N("DAY(BORN)", 8, 2, 17),
        N("MONTH(BORN)", 8, 2, 3),
        N("MONT(BORN)", 8, 2, 3),
        N("YEAR(BORN)", 8, 2, 1998),
        N("DOW(BORN)", 8, 2, 3),
        N("DOW(KUNDE->SINCE)", 8, 2, 7),
        N("YEAR(KUNDE->SINCE)", 8, 2, 2000),
        N("KUNDE->SINCE-BORN", 8, 2, 655),
        N("ABS(BORN-KUNDE->SINCE)", 8, 2, 655),
        N("YEAR(CTOD('01.01.05'))", 8, 2, 2005),
        N("DAY(CTOD('29.02.00'))", 8, 2, 29),
        N("DAY(CTOD(''))", 13, 2, 0),
        // Dates.
        D("BORN", Born),
        D("BORN+1", Born + 1),
        D("1+BORN", Born + 1),
        D("BORN-1", Born - 1),
        D("KUNDE->SINCE", Since),
        D("MAX(BORN,KUNDE->SINCE)", Since),
        D("MIN(BORN,KUNDE->SINCE)", Born),
        D("CTOD('17.03.98')", Born),
        D("CTOD('17.03.1998')", Born),
        D("CTOD('31.02.98')", 0),
        D("CTOD('29.02.99')", 0),
        D("CTOD('')", 0),
        // Texts: a single field or constant keeps its width.
        C("NAME", 10, "Robert    "),
        C("'Hallo'", 5, "Hallo"),
        C("\"x'y\"", 3, "x'y"),
        C("ART->NAME", 10, "Robert    "),
        C("KUNDE->KNAME", 6, "Meyer "),
        C("kunde->kname", 6, "Meyer "),
        C("UPPER(KUNDE->KNAME)", 6, "MEYER "),
        C("TRIM(NAME)", 10, "Robert"),
        C("RTRIM(CITY)", 8, "  Bonn"),
        C("LTRIM(CITY)", 8, "Bonn  "),
        C("TRIM(LTRIM(CITY))", 8, "Bonn"),
        C("UPPER(NAME)", 10, "ROBERT    "),
        C("LOWER(NAME)", 10, "robert    "),
        C("UPPE('aBc1')", 4, "ABC1"),
        C("LEFT(NAME,3)", 0, "Rob"),
        C("LEFT(NAME,20)", 0, "Robert    "),
        C("RIGHT(NAME,6)", 0, "rt    "),
        C("RIGHT(CODE,5)", 0, "AB "),
        C("SUBSTR(NAME,2,3)", 0, "obe"),
        C("SUBSTR(NAME,9,5)", 0, "  "),
        C("SUBSTR(NAME,11,2)", 0, ""),
        C("SUBSTR(DTOS(BORN),5,2)", 0, "03"),
        C("STUFF(NAME,2,3,'XY')", 0, "RXYrt    "),
        C("STUFF('abc',4,0,'de')", 0, "abcde"),
        C("STUFF('abcdef',3,10,'')", 0, "ab"),
        C("STUFF('abcdef',2,1,'1234')", 0, "a1234cdef"),
        C("SPACE(3)", 0, "   "),
        C("REPLICATE('ab',3)", 0, "ababab"),
        C("REPL('ab',0)", 0, ""),
        C("CHR(65)", 0, "A"),
        C("CHR(ASC('a')-32)", 0, "A"),
        C("'ab'+CHR(0)+'c'", 0, "abc"),
        C("SOUNDEX(NAME)", 0, "R163"),
        C("SOUNDEX('Tymczak')", 0, "T522"),
        C("SOUNDEX('Ashcraft')", 0, "A226"),
        C("STR(QTY)", 0, "         7"),
        C("STR(PRICE,8,2)", 0, "   12.50"),
        C("STR(RATE,5,3)", 0, "0.125"),
        C("STR(123456789012)", 0, "**********"),
        C("STR(3.14159,6,3)", 0, " 3.142"),
        C("STR(-2.5)", 0, "        -3"),
        C("STR(2.5,3)", 0, "  3"),
        C("STR(0.125,5,2)", 0, " 0.13"),
        C("STR(99.5,2)", 0, "**"),
        C("STR(YEAR(BORN),4)", 0, "1998"),
        C("STR(DAY(BORN),2)+'.'+STR(MONTH(BORN),2)", 0, "17. 3"),
        C("UPPER(LEFT(NAME,1))+LOWER(SUBSTR(NAME,2,9))", 0, "Robert    "),
        // Dates as texts (German format, two-digit years).
        C("DTOC(BORN)", 0, "17.03.98"),
        C("DTOS(BORN)", 8, "19980317"),
        C("DTOS(CTOD(''))", 0, "        "),
        C("DTOC(KUNDE->SINCE+31)", 0, "01.02.00"),
        C("DTOS(BORN+15)", 0, "19980401"),
        C("DTOC(CTOD('1.2.03'))", 0, "01.02.03"),
        C("CDOW(BORN)", 0, "Dienstag"),
        C("CDOW(KUNDE->SINCE)", 0, "Samstag"),
        C("CDOW(CTOD('02.01.00'))", 0, "Sonntag"),
        C("CMONTH(BORN)", 0, "März"_oem),
        C("CMON(KUNDE->SINCE)", 0, "Januar"),
        // Concatenation with "+" and "-".
        C("NAME+CODE", 0, "Robert    AB "),
        C("TRIM(NAME)+CODE", 0, "RobertAB "),
        C("NAME-CODE", 0, "RobertAB     "),
        C("'AB  '-'CD'", 0, "ABCD  "),
        C("'a'+'b'+'c'", 0, "abc"),
        C("CITY-'x'", 0, "  Bonnx  "),
        C("TRIM(KUNDE->KNAME)+', '+TRIM(NAME)", 0, "Meyer, Robert"),
        // IIF, also nested.
        C("IIF(PAID,'ja','nein')", 0, "ja"),
        C("IIF(.NOT. PAID,'ja','nein')", 0, "nein"),
        C("IIF(QTY>5,IIF(PRICE>20,'teuer','mittel'),'wenig')", 0, "mittel"),
        C("IIF(QTY<5,'a',IIF(PAID,'b','c'))", 0, "b"),
        C("IIF(DELETED(),'*',' ')", 0, " "),
        // Text comparisons.
        L("NAME='Rob'", true),
        L("'Rob'=NAME", false),
        L("NAME=''", false),
        L("'ABC'='AB'", true),
        L("'AB'='ABC'", false),
        L("'AB'=='AB'", true),
        L("NAME=='Robert'", false),
        L("TRIM(NAME)=='Robert'", true),
        L("'AB'<>'A'", true),
        L("'AB'#'AB'", false),
        L("'abc'<'abd'", true),
        L("'ab'<'abc'", true),
        L("'b'>'abc'", true),
        L("'B'<'a'", true),
        L("'abc'<='abc'", true),
        L("'abd'>='abc'", true),
        L("'a'>='b'", false),
        L("LEFT(CITY,2)=SPACE(2)", true),
        L("SOUNDEX('Rupert')=SOUNDEX(NAME)", true),
        // "$": the left text occurs in the right one.
        L("'ob'$NAME", true),
        L("'xy'$NAME", false),
        L("''$NAME", false),
        L("CODE$'XXAB YY'", true),
        L("NAME$'ob'", false),
        // Numeric, date and logical comparisons.
        L("QTY=7", true),
        L("QTY<>7", false),
        L("QTY#8", true),
        L("QTY>7", false),
        L("QTY>=7", true),
        L("PRICE<12.5", false),
        L("PRICE<=12.5", true),
        L("QTY<PRICE", true),
        L("BORN<KUNDE->SINCE", true),
        L("BORN=CTOD('17.03.98')", true),
        L("BORN>KUNDE->SINCE", false),
        L("BORN<>KUNDE->SINCE", true),
        L("BORN>=BORN", true),
        L("BORN<=BORN-1", false),
        L("DATE()>BORN", true),
        L("PAID=.T.", true),
        L("PAID=KUNDE->AKTIV", false),
        L("PAID<>KUNDE->AKTIV", true),
        L("PAID#.F.", true),
        // Logical operators and their precedence.
        L("PAID", true),
        L(".T.", true),
        L(".F.", false),
        L("PAID .AND. KUNDE->AKTIV", false),
        L("PAID .OR. KUNDE->AKTIV", true),
        L(".NOT. PAID", false),
        L(".NOT. KUNDE->AKTIV", true),
        L("QTY > 1 .AND. PRICE = 12.5", true),
        L(".T. .OR. .F. .AND. .F.", true),
        L("(.T. .OR. .F.) .AND. .F.", false),
        L(".NOT. PAID = KUNDE->AKTIV", true),
        L("QTY > 1 .AND. .NOT. PAID", false),
        L("1 < 2 = .T.", true),
        L("'a' $ 'abc' = .T.", true),
        L("3 + 4 > 6", true),
        L("DELETED()", false),
        L("DELE()", false),
    };
    return cases;
}

TEST_F(ExprTest, TableOfExpressions) {
    ASSERT_GE(Cases().size(), 150u);
    for (const Case& c : Cases()) {
        SCOPED_TRACE(c.expr);
        EngineErrorCode = 0;
        ExprBlock* b = Compile(c.expr);
        if (!b) continue;
        EXPECT_EQ(b->resultType, c.type);
        EXPECT_EQ(b->width, c.width);
        EXPECT_EQ(b->decimals, c.decimals);
        const uint8_t* r = EvaluateExpr(b);
        ASSERT_NE(r, nullptr);
        EXPECT_EQ(EngineErrorCode, 0) << EngineErrorMsg;
        switch (c.type) {
        case 'C':
            EXPECT_EQ(ExprResultText(*b), c.text);
            EXPECT_EQ(std::string(reinterpret_cast<const char*>(r)), c.text);
            break;
        case 'L': EXPECT_EQ(r[0] != 0, c.logical); break;
        default: {
            double v = 0;
            std::memcpy(&v, r, sizeof v);
            EXPECT_NEAR(v, c.number, 1e-9);
        }
        }
    }
}

// The same block evaluated again follows the record.
TEST_F(ExprTest, ReevaluationFollowsTheRecord) {
    ExprBlock* b = Compile("TRIM(NAME)+STR(QTY,3)");
    ASSERT_NE(b, nullptr);
    EvaluateExpr(b);
    EXPECT_EQ(ExprResultText(*b), "Robert  7");
    WorkAreas[1]->record.replace(1, 10, "Al        ");
    WorkAreas[1]->record.replace(WorkAreas[1]->fields[4].offset, 5, "  123");
    EvaluateExpr(b);
    EXPECT_EQ(ExprResultText(*b), "Al123");
}

}  // namespace
}  // namespace kor2::test
