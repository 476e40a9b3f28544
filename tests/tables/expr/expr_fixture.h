// Fixture of the expression tests: two in-memory tables in work areas 1
// (alias ART, current) and 2 (alias KUNDE) with one known record each, the
// German date format and a fixed two-digit-year window.
#pragma once

#include <string>
#include <vector>

#include "tables/expr/expression.h"
#include "tables/tbtestutil.h"

namespace kor2::test {

struct FieldValue {
    std::string name;
    char type;
    uint8_t length;
    uint8_t decimals;
    std::string stored;  // the field's bytes in the record
};

// A table held only in memory, on its current record `recno` of `count`.
std::unique_ptr<DbfArea> MemoryTable(const std::string& alias,
                                     const std::vector<FieldValue>& fields, int32_t recno = 1,
                                     int32_t count = 1);

class ExprTest : public EngineTest {
protected:
    void SetUp() override;
    void TearDown() override;
    // Compiles text; fails the test when it does not compile.
    ExprBlock* Compile(const std::string& text);
    // Compiles text expecting failure; returns the error message.
    std::string CompileError(const std::string& text);
    std::string EvalText(const std::string& text);
    double EvalNumber(const std::string& text);
    bool EvalLogical(const std::string& text);

    std::vector<ExprBlock*> blocks_;
};

}  // namespace kor2::test
