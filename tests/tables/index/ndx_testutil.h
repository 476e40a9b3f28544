// Helpers of the index tests: a fixture with the expression parser and the
// index layer started, a table of a character, a number and a date field,
// typed-buffer setters and a walk of the controlling order.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "tables/tbtestutil.h"

namespace kor2::test {

class NdxTest : public EngineTest {
protected:
    void SetUp() override;
    void TearDown() override;
    // A table T C(8), N N(6,0), D D with the given rows (text, number, date
    // "YYYYMMDD" or blanks), opened exclusively in area 1.
    std::string OpenRows(const std::vector<std::vector<std::string>>& rows,
                         const std::string& name = "t.dbf");
};

void SetT(const std::string& text);
// Sets the character field `field` (of up to 8 characters) of the record buffer.
void SetText(int field, const std::string& text);
void SetN(int32_t n);
// Record numbers of a walk GoTop .. Skip(1) to the end.
std::vector<int32_t> WalkForward();
std::vector<int32_t> WalkBackward();
// Raw bytes of a file as a hex dump of one block (for failure messages).
std::string BlockHex(const std::string& bytes, size_t block);

}  // namespace kor2::test
