// Hook tables of the engine: clearing at start-up and the guarded calls the
// command layer makes through them.
#include "tables/dbf/hooks.h"

#include <utility>

#include "tables/dbf/dbffile.h"

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

namespace {

std::function<void(int)>& ProtectionSlot(IndexProtection::Kind kind) {
    return kind == IndexProtection::Read ? IndexHooks.readProtect : IndexHooks.changeProtect;
}

}  // namespace

IndexProtection::IndexProtection(Kind kind, bool active) {
    if (!active || !ProtectionSlot(kind)) return;
    // An error of an earlier step stays recorded; only a new one counts.
    const uint16_t earlier = std::exchange(EngineErrorCode, 0);
    ProtectionSlot(kind)(1);
    failed_ = EngineErrorCode != 0;
    if (!failed_) EngineErrorCode = earlier;
    off_.Arm([kind] {
        if (auto& slot = ProtectionSlot(kind)) slot(0);
    });
}

}  // namespace kor2
