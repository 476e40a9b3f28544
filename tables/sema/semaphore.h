// The shared-access semaphore file ".@S@" beside a shared table: who uses the
// table's indexes, who reads them, who writes them, and a counter of completed
// index writes. Called by the index layer (log in and out, the hook slots 23, 24).
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "tables/base/enginefile.h"

namespace kor2 {

struct DbfArea;

// The semaphore file: 4-byte records, only record 0 is used.
//
//   offset  size  content
//   0       1     programs logged in (LOGIN +1, LOGOUT -1)
//   1       1     reader count, signed (INCREAD +1 up to 127, DECREAD -1 while
//                 positive); a writer sets it from 0 to 1 while it writes
//   2       2     update counter, little-endian; +1 per completed write,
//                 65534 is followed by 0
//
// Bytes 1..4 are the lock region: held while a program reads, changes and
// writes the record, and by a writer from LOCKSEMAPHORE to UNLOCKSEMAPHORE.
//
// Two presence bytes beyond both prove the counts alive: a program holds a
// shared lock on the first while it is logged in, on the second while it is
// counted as a reader or the writer. It takes a lock before its count goes
// into the record and drops it after the count left, both under the lock
// region. The locks end with the program, so counts that exceed a program's
// own while no other program holds the byte were left by dead programs.
inline constexpr int64_t SemaUsersOffset = 0;
inline constexpr int64_t SemaReadersOffset = 1;
inline constexpr int64_t SemaCounterOffset = 2;
inline constexpr int64_t SemaRecordSize = 4;
inline constexpr int64_t SemaLockOffset = 1;
inline constexpr int64_t SemaLockLength = 4;
inline constexpr int64_t SemaLoginPresence = 16;
inline constexpr int64_t SemaReaderPresence = 17;
inline constexpr int8_t SemaMaxReaders = 127;
inline constexpr uint16_t SemaCounterWrap = 65535;  // stored as 0

struct SemaphoreRecord {
    uint8_t users = 0;
    int8_t readers = 0;
    uint16_t updateCount = 0;
};

// Per work area while it is logged in.
struct SemaphoreState {
    std::unique_ptr<EngineFile> file;
    std::string tableName;        // the table's file name
    std::string fileName;         // the semaphore file's name
    SemaphoreRecord record;       // copy as of the latest read
    uint16_t lastSeenCount = 0;   // update counter this program has taken in
    bool regionLocked = false;    // this program holds the lock region
    bool reading = false;         // this program is counted as a reader
    bool readerPresence = false;  // holds the reader presence byte
    int32_t readNesting = 0;      // INCREAD / DECREAD nesting
    int32_t lockNesting = 0;      // LOCKSEMAPHORE / UNLOCKSEMAPHORE nesting
};

// Actions of HandleSemaphore.
enum SemaphoreAction : uint8_t {
    SemLogin = 0,
    SemLogout = 1,
    SemIncRead = 2,
    SemDecRead = 3,
    SemLockSemaphore = 4,
    SemUnlockSemaphore = 5,
};

inline constexpr uint8_t SemaMaxArea = 34;  // highest work area with a state

// Settings: attempts to lock the region or the table's base byte, the wait
// between them, and how long a writer waits for counted readers to leave.
inline int SemaLockRetries = 1000;
inline int SemaRetryDelayMs = 10;
inline int SemaReaderWaitSec = 100;

// States of work areas 1..34 (index 0 unused) and the nesting counts of the
// hook procedures per work area.
inline std::array<std::unique_ptr<SemaphoreState>, SemaMaxArea + 1> SemaphoreStates;
inline std::array<int32_t, SemaMaxArea + 1> SemaReadHookNesting{};
inline std::array<int32_t, SemaMaxArea + 1> SemaLockHookNesting{};

// Drops every state (closing the files) and clears the nesting counts.
void ClearSemaphoreStates();

std::string GetSemaphoreFileName(const std::string& tableName);
std::string SemaphoreActionName(uint8_t action);

// One action for the current work area (LOGIN, LOGOUT ...), and the nested
// reader registration and write lock of hook slots 23 and 24: the first "on"
// registers, the matching "off" releases.
void HandleSemaphore(uint8_t action);
void SetReadSemaphoreProc(bool on);
void SetLockSemaphoreProc(bool on);

// The same for work area areaNo, whose table is area (nullptr: no table).
// Exclusive tables and areas without a table do nothing; without a state
// every action but LOGIN does nothing. Failures go to SetEngineError.
void HandleSemaphoreIn(uint8_t areaNo, DbfArea* area, uint8_t action);
void SetReadSemaphoreProcIn(uint8_t areaNo, DbfArea* area, bool on);
void SetLockSemaphoreProcIn(uint8_t areaNo, DbfArea* area, bool on);

// Runs work with the current area's reader registration given up (its
// nesting kept), so that a writer this program keeps out can make its
// change, and registers again after. False when work fails or the
// registration cannot be given up or taken again (reported).
bool WithoutReaderRegistration(const std::function<bool()>& work);

// The lock region of a state's file, with retries; false after the error.
bool LockSemaphoreFile(SemaphoreState& state, uint8_t action);
bool UnlockSemaphoreFile(SemaphoreState& state, uint8_t action);

// Whether another program completed a write since this one took it in.
inline bool SemaphoreCounterChanged(const SemaphoreState& s) {
    return s.record.updateCount != s.lastSeenCount;
}

}  // namespace kor2
