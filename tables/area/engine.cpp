// Engine start-up and shut-down; resets every process-wide setting of the
// engine to its initial value.
#include "tables/area/engine.h"

#include "platform/sysclock.h"
#include "tables/area/changes.h"
#include "tables/area/search.h"
#include "tables/area/workareas.h"
#include "tables/base/enginedates.h"
#include "tables/base/engineerror.h"
#include "tables/base/enginefile.h"
#include "tables/dbf/dbffile.h"
#include "tables/dbf/hooks.h"

namespace kor2 {

void InitTableEngine() {
    ResetEngineErrorState();
    ClearEngineHooks();
    CenturyDisplay = false;
    InitLanguageSettings();
    FloppyDriveCount = CountFloppyDrives();
    PhysicalMemoryKB = static_cast<uint32_t>(PhysicalMemory(1));
    const uint16_t v = GetWindowsVersion();
    EngineWindowsVersion = (std::to_string(v & 0xFF) + "." + std::to_string(v >> 8)).substr(0, 7);
    YearWindowStart = static_cast<int16_t>(platform::Now().year - 70);
    CurrentArea = 1;
    EngShareMode = ShareExclusive;
    DefaultShareMode = ShareDenyNone;
    ForcedOpenMode = 65535;
    NetworkMode = true;
    LockBase = 0x40000000;
    FileLockLength = 0x3FFFFFFF;
    MaxRecordLocks = 0;
    LockRetryCount = 0;
    LockRetryDelay = 0;
    LockRetryHook = nullptr;
    PackConfirm = false;
    PeekCacheSize = 0;
    ResetSearchState();
    DefaultCreateVersion = 0x8B;
    ExtraDbfVersion = 0;
    ExtraDbfMemoVersion = 0;
    FlushAfterWrite = false;
    CountFromFileSize = false;
    MemoBlockSize = 512;
    AnsiTables = false;
}

void ShutdownTableEngine() {
    const bool handling = SetErrorHandling(false);
    CloseEngineAreas();
    SetErrorHandling(handling);
}

}  // namespace kor2
