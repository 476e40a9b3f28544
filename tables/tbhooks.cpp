// Hook tables of the engine: clearing at start-up and the guarded calls the
// command layer makes through them.
#include "tables/tbhooks.h"

#include "tables/tbdbflow.h"

namespace kor2 {

void ClearEngineHooks() {
    IndexHooks = {};
    IndexLinked = false;
    PackRebuildRunning = false;
    ExprHooks = {};
    ParserLinked = false;
    MemoHooks = {};
    VFileHook = nullptr;
}

bool IndexInControl() {
    return IndexLinked && IndexHooks.inControl && IndexHooks.inControl();
}

bool MemoLinked() {
    return static_cast<bool>(MemoHooks.open);
}

void CallVFile(DbfArea& area, uint8_t operation, int32_t recordArg) {
    area.vOperation = operation;
    area.vRecordArg = recordArg;
    if (VFileHook) VFileHook(area);
}

IndexProtection::IndexProtection(Kind kind, bool active) : kind_(kind) {
    if (!active) return;
    auto& slot = kind_ == Read ? IndexHooks.readProtect : IndexHooks.changeProtect;
    if (slot) {
        slot(1);
        on_ = true;
    }
}

IndexProtection::~IndexProtection() {
    if (!on_) return;
    auto& slot = kind_ == Read ? IndexHooks.readProtect : IndexHooks.changeProtect;
    if (slot) slot(0);
}

}  // namespace kor2
