// Fuzz target of the dBase expression compiler and machine: compiles any
// text against two small in-memory tables (one with a memo field) and
// evaluates what compiles, with and without blank fields at end of file.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "tables/area/engine.h"
#include "tables/area/workareas.h"
#include "tables/base/enginedates.h"
#include "tables/base/engineerror.h"
#include "tables/dbf/hooks.h"
#include "tables/expr/expression.h"

namespace {

struct FieldDef {
    const char* name;
    char type;
    uint8_t length;
    uint8_t decimals;
    const char* stored;
};

std::unique_ptr<kor2::DbfArea> Table(const char* alias, std::vector<FieldDef> fields) {
    auto a = std::make_unique<kor2::DbfArea>();
    a->alias = alias;
    a->record = " ";
    uint16_t offset = 1;
    for (const FieldDef& f : fields) {
        kor2::DbfFieldEntry e;
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
    a->recordCount = 2;
    a->currentRecord = 1;
    return a;
}

void Setup() {
    kor2::InitTableEngine();
    kor2::ErrorHandling = false;
    kor2::InitExprParser();
    kor2::SetDateFormat(5);
    kor2::WorkAreas[1] = Table("A", {{"NAME", 'C', 20, 0, "M\x81ller Hans"},
                                     {"N", 'N', 8, 2, "  -12.75"},
                                     {"I", 'N', 4, 0, "  17"},
                                     {"D", 'D', 8, 0, "20240229"},
                                     {"L", 'L', 1, 0, "Y"},
                                     {"M", 'M', 10, 0, "         3"},
                                     {"E", 'D', 8, 0, "        "}});
    kor2::WorkAreas[2] = Table("B", {{"X", 'C', 255, 0, "long"}, {"Y", 'F', 20, 10, "1e300"}});
    kor2::CurrentArea = 1;
    kor2::MemoHooks.memoLines = [](int) {
        return std::vector<std::string>{std::string(200, 'm'), std::string(200, 'n')};
    };
}

void CheckResult(const kor2::ExprBlock& b, const uint8_t* r) {
    if (!r) __builtin_trap();
    if (b.resultType == 'C' || b.resultType == 'M') {
        const std::size_t len = std::strlen(reinterpret_cast<const char*>(r));
        if (len > 255 || len > b.poolSize) __builtin_trap();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    static const bool ready = (Setup(), true);
    (void)ready;
    const std::string text(reinterpret_cast<const char*>(data), size);
    kor2::EngineErrorCode = 0;
    kor2::ExprBlock* b = kor2::AssignExpr(text);
    if (b) {
        kor2::BlankAtEof = false;
        kor2::WorkAreas[1]->eof = false;
        CheckResult(*b, kor2::EvaluateExpr(b));
        CheckResult(*b, kor2::EvaluateExpr(b));
        kor2::BlankAtEof = true;
        kor2::WorkAreas[1]->eof = true;
        CheckResult(*b, kor2::EvaluateExpr(b));
        kor2::FreeExpr(b);
        if (b) __builtin_trap();
    }
    return 0;
}
