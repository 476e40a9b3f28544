// Compile errors of dBase expressions: their texts with the window on the
// failing place, and the compile-time limits (long texts, deep nesting,
// unbalanced parentheses, unclosed texts) holding without a crash.
#include <string>

#include "tables/area/workareas.h"
#include "tables/base/engineerror.h"
#include "tables/expr/expr_fixture.h"

namespace kor2::test {
namespace {

std::string Message(const std::string& what, const std::string& window) {
    return "Fehler in dBASE-Ausdruck : " + what + "\r\n" + window + "\r\n [AssignExpr]";
}

std::string Repeat(const std::string& s, int n) {
    std::string r;
    for (int i = 0; i < n; ++i) r += s;
    return r;
}

struct ErrorCase {
    const char* expr;
    const char* what;
    const char* window;
};

TEST_F(ExprTest, CompileErrorsWithTextAndPlace) {
    const ErrorCase cases[] = {
        // SUBSTR takes exactly three arguments: the ")" after two fails.
        {"SUBSTR(NAME,2)", "Syntax error", "[SUBSTR(NAME,2)]"},
        {"RECNO", "Syntax error", "[RECNO]"},
        {"RECNO(1)", "Syntax error", "[RECNO(1)]"},
        {"DEL()", "Syntax error", "[DEL()]"},
        {"ABS(1,2)", "Syntax error", "[ABS(1,2)]"},
        {"ABS()", "Syntax error", "[ABS()]"},
        {"STR(1,2,3,4)", "Syntax error", "[STR(1,2,3,4)]"},
        {"XYZ", "Syntax error", "[XYZ]"},
        {"XYZ+1", "Syntax error", "[XYZ+1]"},
        {"PAID.AND.PAID", "Syntax error", "[PAID.AND.PAID]"},
        {"FOO->NAME", "Syntax error", "[FOO->NAME]"},
        {"KUNDE->NAME", "Syntax error", "[KUNDE->NAME]"},
        {"KUNDE -> KNR", "Syntax error", "[KUNDE -> KNR]"},
        {"", "Syntax error", "[]"},
        {"   ", "Syntax error", "[   ]"},
        {"1 2 + 3", "Syntax error", "[1 2 + 3]"},
        {"(1+2", "Syntax error", "[(1+2]"},
        {"1+2)", "Syntax error", "[1+2)]"},
        {"()", "Syntax error", "[()]"},
        {"(1,2)", "Syntax error", "[(1,2)]"},
        {"1+", "Syntax error", "[1+]"},
        {"*2", "Syntax error", "[*2]"},
        {"1 @ 2", "Syntax error", "[1 @ 2]"},
        {"'abc", "Syntax error", "['abc]"},
        {"NAME = 'abc", "Syntax error", "[NAME = 'abc]"},
        {"NAME = \"abc'", "Syntax error", "[NAME = \"abc']"},
        // An unclosed text after a complete operand is no silent end of the expression.
        {"NAME 'abc", "Syntax error", "[NAME 'abc]"},
        {"QTY \"x", "Syntax error", "[QTY \"x]"},
        {"(QTY+1) 'x", "Syntax error", "[(QTY+1) 'x]"},
        {"TRIM(NAME)'", "Syntax error", "[TRIM(NAME)']"},
        {"NAME = 'a' + 'b", "Syntax error", "[NAME = 'a' + 'b]"},
        {"NAME(1)", "Syntax error", "[NAME(1)]"},
        // Type faults name the operator or the function.
        {"IIF(PAID,1,2)", "PARSER:Unvereinbare Typen in Funktion \"IIF\"", "[IIF(PAID,1,2)]"},
        {"SUBS(1,2,3)", "PARSER:Unvereinbare Typen in Funktion \"SUBSTR\"", "[SUBS(1,2,3)]"},
        {"REPL(1,'a')", "PARSER:Unvereinbare Typen in Funktion \"REPLICATE\"", "[REPL(1,'a')]"},
        {"MAX(1,BORN)", "PARSER:Unvereinbare Typen in Funktion \"MAX\"", "[MAX(1,BORN)]"},
        {"DELE()+1", "PARSER:Unvereinbare Typen in Ausdruck \"+\"", "[DELE()+1]"},
        {"NAME+1", "PARSER:Unvereinbare Typen in Ausdruck \"+\"", "[NAME+1]"},
        {"BORN+BORN", "PARSER:Unvereinbare Typen in Ausdruck \"+\"", "[BORN+BORN]"},
        {"1-BORN", "PARSER:Unvereinbare Typen in Ausdruck \"-\"", "[1-BORN]"},
        {"NAME*2", "PARSER:Unvereinbare Typen in Ausdruck \"*\"", "[NAME*2]"},
        {"NAME/2", "PARSER:Unvereinbare Typen in Ausdruck \"/\"", "[NAME/2]"},
        {"2^'a'", "PARSER:Unvereinbare Typen in Ausdruck \"** or ^\"", "[2^'a']"},
        {"2**'a'", "PARSER:Unvereinbare Typen in Ausdruck \"** or ^\"", "[2**'a']"},
        {"QTY=NAME", "PARSER:Unvereinbare Typen in Ausdruck \"=\"", "[QTY=NAME]"},
        {"QTY#'a'", "PARSER:Unvereinbare Typen in Ausdruck \"<>\"", "[QTY#'a']"},
        {"QTY<>'a'", "PARSER:Unvereinbare Typen in Ausdruck \"<>\"", "[QTY<>'a']"},
        {"QTY==QTY", "PARSER:Unvereinbare Typen in Ausdruck \"==\"", "[QTY==QTY]"},
        {"QTY$QTY", "PARSER:Unvereinbare Typen in Ausdruck \"$\"", "[QTY$QTY]"},
        {"PAID>PAID", "PARSER:Unvereinbare Typen in Ausdruck \">\"", "[PAID>PAID]"},
        {"PAID<PAID", "PARSER:Unvereinbare Typen in Ausdruck \"<\"", "[PAID<PAID]"},
        {"PAID<=PAID", "PARSER:Unvereinbare Typen in Ausdruck \"<=\"", "[PAID<=PAID]"},
        {"PAID>=PAID", "PARSER:Unvereinbare Typen in Ausdruck \">=\"", "[PAID>=PAID]"},
        {"PAID .OR. 1", "PARSER:Unvereinbare Typen in Ausdruck \".OR.\"", "[PAID .OR. 1]"},
        {"1 .AND. PAID", "PARSER:Unvereinbare Typen in Ausdruck \".AND.\"",
         "[1 .AND. PAID]"},
        {"-NAME", "PARSER:Unvereinbare Typen in Ausdruck \"Unary -\"", "[-NAME]"},
        {"+NAME", "PARSER:Unvereinbare Typen in Ausdruck \"Unary +\"", "[+NAME]"},
        {".NOT. QTY", "PARSER:Unvereinbare Typen in Ausdruck \".NOT.\"", "[.NOT. QTY]"},
        // A memo field only stands alone.
        {"NOTE+''", "PARSER:Unvereinbare Typen in Ausdruck \"+\"", "[NOTE+'']"},
        {"TRIM(NOTE)", "PARSER:Unvereinbare Typen in Funktion \"TRIM\"", "[TRIM(NOTE)]"},
        // The type fault is found when the operator is reduced: after the
        // token that follows its right operand.
        {"NAME+1 = 2", "PARSER:Unvereinbare Typen in Ausdruck \"+\"", "[NAME+1 = 2]"},
    };
    for (const ErrorCase& c : cases) {
        SCOPED_TRACE(c.expr);
        EXPECT_EQ(CompileError(c.expr), Message(c.what, c.window));
        EXPECT_EQ(EngineErrorCode, 351);
    }
}

TEST_F(ExprTest, ErrorWindowFollowsTheReadPosition) {
    // 60 characters of "QTY+", then NAME: the fault is at the end (64).
    const std::string atEnd = Repeat("QTY+", 15) + "NAME";
    EXPECT_EQ(CompileError(atEnd), Message("PARSER:Unvereinbare Typen in Ausdruck \"+\"",
                                           "[..." + atEnd.substr(13, 51) + "]"));
    // A ")" at position 81 of 121 characters: the window ends there.
    const std::string inMiddle = Repeat("1+", 40) + ")" + Repeat("+1", 20);
    EXPECT_EQ(CompileError(inMiddle),
              Message("Syntax error", "[..." + inMiddle.substr(30, 51) + "...]"));
    // Within the first 50 characters the window starts at the text's start.
    const std::string early = "1 2" + Repeat("+1", 40);
    EXPECT_EQ(CompileError(early), Message("Syntax error", "[" + early.substr(0, 51) + "...]"));
}

TEST_F(ExprTest, CompileLimitsHold) {
    // A text of 10 000 characters is cut at 255: "1+" 127 times and "1".
    ExprBlock* b = Compile(Repeat("1+", 5000));
    ASSERT_NE(b, nullptr);
    EXPECT_EQ(ExprText(b).size(), 255u);
    EvaluateExpr(b);
    EXPECT_EQ(ExprResultNumber(*b), 128);

    // Nesting 1 000 deep: the 151st open parenthesis overflows the stack.
    const std::string deep = Repeat("(", 1000) + "1" + Repeat(")", 1000);
    EXPECT_EQ(CompileError(deep),
              Message("Parser_stack_overflow", "[..." + Repeat("(", 51) + "...]"));
    // 100 levels fit.
    b = Compile(Repeat("(", 100) + "1" + Repeat(")", 100));
    ASSERT_NE(b, nullptr);
    EXPECT_EQ(*reinterpret_cast<const double*>(EvaluateExpr(b)), 1);
    // Deep nesting of unary operators and of functions.
    EXPECT_NE(CompileError(Repeat("-", 300) + "1").find("Parser_stack_overflow"),
              std::string::npos);
    // 60 nested functions do not fit into 255 characters: the cut text is unbalanced.
    EXPECT_NE(CompileError(Repeat("ABS(", 60) + "1" + Repeat(")", 60)).find("Syntax error"),
              std::string::npos);
    b = Compile(Repeat("ABS(", 40) + "-1" + Repeat(")", 40));
    ASSERT_NE(b, nullptr);
    EXPECT_EQ(*reinterpret_cast<const double*>(EvaluateExpr(b)), 1);

    // Unbalanced parentheses both ways, deep.
    EXPECT_NE(CompileError(Repeat("(", 100) + "1").find("Syntax error"), std::string::npos);
    EXPECT_NE(CompileError("1" + Repeat(")", 100)).find("Syntax error"), std::string::npos);

    // A text constant without its closing quote, also one cut at 255.
    EXPECT_NE(CompileError("'" + Repeat("a", 300) + "'").find("Syntax error"),
              std::string::npos);
    EXPECT_NE(CompileError("NAME + \"" + Repeat("b", 20)).find("Syntax error"),
              std::string::npos);

    // Names and numbers of 10 000 characters.
    EXPECT_NE(CompileError(Repeat("A", 10000)).find("Syntax error"), std::string::npos);
    EXPECT_NE(CompileError(Repeat("9", 10000)).find("Syntax error"), std::string::npos);
    EXPECT_NE(CompileError(Repeat(".", 10000)).find("Syntax error"), std::string::npos);

    // A NUL ends the text.
    b = Compile(std::string("1+2\0+garbage(", 13));
    ASSERT_NE(b, nullptr);
    EXPECT_EQ(ExprText(b), "1+2");
}

TEST_F(ExprTest, LongResultsAreCutTo255) {
    for (const char* text : {"REPLICATE('abc',200)", "SPACE(1000)+'x'", "STR(1,1000)",
                             "REPLICATE('x',200)+REPLICATE('y',200)",
                             "REPLICATE('x',200)-REPLICATE('y ',200)",
                             "STUFF(REPLICATE('x',200),5,0,REPLICATE('y',200))"}) {
        SCOPED_TRACE(text);
        ExprBlock* b = Compile(text);
        ASSERT_NE(b, nullptr);
        const auto* r = reinterpret_cast<const char*>(EvaluateExpr(b));
        EXPECT_EQ(std::string(r).size(), 255u);
        EXPECT_EQ(EngineErrorCode, 0);
    }
    EXPECT_EQ(EvalText("REPLICATE('x',200)+'tail'").substr(198), "xxtail");
}

TEST_F(ExprTest, LexerDetails) {
    EXPECT_EQ(EvalNumber("\tQTY\t+\t1"), 8);
    EXPECT_EQ(EvalNumber("2E3+1.5e1"), 2015);
    EXPECT_TRUE(EvalLogical("kunde->aktiv .or. .t."));
    // An alias is compared after cutting it to 10 characters, so a longer
    // alias of a table cannot be addressed.
    WorkAreas[5] = MemoryTable("LANGERNAME", {{"F1", 'N', 2, 0, " 5"}});
    WorkAreas[6] = MemoryTable("LANGERNAME2", {{"F2", 'N', 2, 0, " 6"}});
    EXPECT_EQ(EvalNumber("LANGERNAME->F1"), 5);
    EXPECT_EQ(EvalNumber("LANGERNAMEXYZ->F1"), 5);
    EXPECT_NE(CompileError("LANGERNAME2->F2").find("Syntax error"), std::string::npos);
}

TEST_F(ExprTest, NewCompilationClearsAnEarlierExpressionError) {
    CompileError("1+");
    EXPECT_EQ(EngineErrorCode, 351);
    Compile("1");
    EXPECT_EQ(EngineErrorCode, 0);
    EngineErrorCode = 215;  // an error of another range stays
    Compile("1");
    EXPECT_EQ(EngineErrorCode, 215);
}

TEST_F(ExprTest, FieldNameFollowedByParenthesisIsTheFunction) {
    WorkAreas[3] = MemoryTable("T3", {{"DATE", 'D', 8, 0, "19980317"},
                                      {"LEN", 'N', 3, 0, " 12"},
                                      {"TXT", 'C', 4, 0, "abcd"}});
    CurrentArea = 3;
    EXPECT_EQ(EvalNumber("DATE"), 2450890);
    ExprBlock* today = Compile("DATE ()");
    ASSERT_NE(today, nullptr);
    EXPECT_EQ(today->resultType, 'D');
    EvaluateExpr(today);
    EXPECT_GT(ExprResultNumber(*today), 2461000);  // a date after 2025
    EXPECT_EQ(EvalNumber("LEN + LEN(TXT)"), 16);
    // Fields of area 1 are not reachable from area 3 without their alias.
    EXPECT_NE(CompileError("NAME").find("Syntax error"), std::string::npos);
    EXPECT_EQ(EvalText("ART->NAME"), "Robert    ");
}

}  // namespace
}  // namespace kor2::test
