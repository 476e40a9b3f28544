// Changes to the table of the current work area (append, replace, delete,
// recall, pack) and the locks that coordinate several programs sharing a
// table: file, append and record locks on byte ranges far beyond the data.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "tables/base/enginefile.h"

namespace kor2 {

inline bool NetworkMode = true;
inline int64_t LockBase = 0x40000000;
inline int64_t FileLockLength = 0x3FFFFFFF;
inline uint16_t MaxRecordLocks = 0;  // 0 = no limit
inline uint16_t LockRetryCount = 0;
inline uint32_t LockRetryDelay = 0;  // milliseconds
inline std::function<bool()> LockRetryHook;
inline bool PackConfirm = false;
// Lets the application process its messages while the engine waits; returns
// true when the application is terminating.
inline std::function<bool()> EngineIdleHook;

uint16_t LockRegion(bool unlock, EngineFile& file, int64_t offset, int64_t length);
void WaitTicks(uint32_t ms);
bool LockWithRetries(EngineFile& file, int64_t offset, int64_t length);
bool LockBaseByte();
void UnlockBaseByte();

bool FLock();
bool ALock();
bool RLock();
bool IsLocked(int32_t n);
bool UnlockRec(int32_t n);
void Unlock();

void Append();
void Replace();
void DeleteRec();
void RecallRec();
// Removes the records marked as deleted; step, when given, is called about
// a hundred times while the records are compacted.
bool Pack(const std::function<void()>& step = {});
uint16_t ReopenDbf(bool exclusive);

}  // namespace kor2
