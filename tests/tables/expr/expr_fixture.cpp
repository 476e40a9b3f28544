// Fixture of the expression tests: known records in work areas 1 and 2.
#include "tables/expr/expr_fixture.h"

#include "tables/area/workareas.h"
#include "tables/base/enginedates.h"
#include "tables/base/engineerror.h"

namespace kor2::test {

std::unique_ptr<DbfArea> MemoryTable(const std::string& alias,
                                     const std::vector<FieldValue>& fields, int32_t recno,
                                     int32_t count) {
    auto a = std::make_unique<DbfArea>();
    a->alias = alias;
    a->fileName = alias + ".DBF";
    a->record = " ";
    uint16_t offset = 1;
    for (const FieldValue& f : fields) {
        DbfFieldEntry e;
        e.name = f.name;
        e.type = f.type;
        e.length = f.length;
        e.decimals = f.decimals;
        e.offset = offset;
        offset = static_cast<uint16_t>(offset + f.length);
        a->fields.push_back(e);
        std::string v = f.stored;
        v.resize(f.length, ' ');
        a->record += v;
    }
    a->fieldCount = static_cast<uint8_t>(fields.size());
    a->recordLength = offset;
    a->recordCount = count;
    a->currentRecord = recno;
    a->changeState = ChangeNone;
    return a;
}

void ExprTest::SetUp() {
    EngineTest::SetUp();
    InitExprParser();
    SetDateFormat(5);
    CenturyDisplay = false;
    YearWindowStart = 1930;
    BlankAtEof = false;
    WorkAreas[1] = MemoryTable("ART",
                               {{"NAME", 'C', 10, 0, "Robert"},
                                {"CITY", 'C', 8, 0, "  Bonn"},
                                {"CODE", 'C', 3, 0, "AB"},
                                {"PRICE", 'N', 8, 2, "   12.50"},
                                {"QTY", 'N', 5, 0, "    7"},
                                {"RATE", 'F', 6, 3, " 0.125"},
                                {"BORN", 'D', 8, 0, "19980317"},
                                {"PAID", 'L', 1, 0, "T"},
                                {"NOTE", 'M', 10, 0, "         0"}},
                               3, 5);
    WorkAreas[2] = MemoryTable("KUNDE", {{"KNR", 'N', 4, 0, "  42"},
                                         {"KNAME", 'C', 6, 0, "Meyer"},
                                         {"SINCE", 'D', 8, 0, "20000101"},
                                         {"AKTIV", 'L', 1, 0, "F"}});
    CurrentArea = 1;
}

void ExprTest::TearDown() {
    for (ExprBlock*& b : blocks_) FreeExpr(b);
    for (auto& area : WorkAreas) area.reset();
    CurrentArea = 1;
    BlankAtEof = false;
    EngineTest::TearDown();
}

ExprBlock* ExprTest::Compile(const std::string& text) {
    ExprBlock* b = AssignExpr(text);
    EXPECT_NE(b, nullptr) << text << ": " << EngineErrorMsg;
    if (b) blocks_.push_back(b);
    return b;
}

std::string ExprTest::CompileError(const std::string& text) {
    EngineErrorCode = 0;
    EngineErrorMsg.clear();
    ExprBlock* b = AssignExpr(text);
    EXPECT_EQ(b, nullptr) << text;
    if (b) blocks_.push_back(b);
    return EngineErrorMsg;
}

std::string ExprTest::EvalText(const std::string& text) {
    ExprBlock* b = Compile(text);
    if (!b) return "<no block>";
    EvaluateExpr(b);
    return ExprResultText(*b);
}

double ExprTest::EvalNumber(const std::string& text) {
    ExprBlock* b = Compile(text);
    if (!b) return -999999;
    EvaluateExpr(b);
    return ExprResultNumber(*b);
}

bool ExprTest::EvalLogical(const std::string& text) {
    ExprBlock* b = Compile(text);
    if (!b) return false;
    EvaluateExpr(b);
    return ExprResultLogical(*b);
}

}  // namespace kor2::test
