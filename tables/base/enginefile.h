// The table engine's file interface: every disk access of the engine goes
// through EngineFile. The real implementation sits on platform::File; a
// fault-injecting wrapper fails the n-th read or write for tests.
#pragma once

#include <cerrno>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "platform/hostfs.h"

namespace kor2 {

// Share mode of the next open: low 3 bits access (0 read, 1 write, 2 both),
// high bits sharing (0x10 deny all, 0x20 deny write, 0x40 deny none).
inline uint8_t EngShareMode = 18;
constexpr uint8_t ShareExclusive = 18;     // read and write, no sharing
constexpr uint8_t ShareDenyNone = 66;      // read and write, others may read and write
constexpr uint8_t ShareReadDenyNone = 64;  // read only, others may read and write

class EngineFile {
public:
    virtual ~EngineFile() = default;
    // Bytes moved, -1 on error (Error() then holds the errno).
    virtual int64_t ReadAt(int64_t pos, void* buf, int64_t len) = 0;
    virtual int64_t WriteAt(int64_t pos, const void* buf, int64_t len) = 0;
    virtual int64_t Size() = 0;  // -1 on error
    virtual bool Truncate(int64_t size) = 0;
    virtual bool Flush() = 0;
    virtual bool Lock(int64_t offset, int64_t length) = 0;  // exclusive
    virtual bool LockShared(int64_t offset, int64_t length) = 0;
    virtual bool Unlock(int64_t offset, int64_t length) = 0;
    virtual int Error() const = 0;
    // Reads may be served from a read-ahead block (only for files nobody else writes).
    virtual void SetReadAhead(bool on) = 0;
};

// Opens an existing file or creates a new one with the given share mode; on
// failure returns nullptr and sets ioResult to the I/O result code.
// With noLink a link at the name is neither followed nor replaced (I/O result 5).
std::unique_ptr<EngineFile> OpenEngineFile(const std::string& path, uint8_t shareMode,
                                           uint16_t& ioResult, bool noLink = false);
std::unique_ptr<EngineFile> CreateEngineFile(const std::string& path, uint8_t shareMode,
                                             uint16_t& ioResult, bool noLink = false);
// The engine's file on an open host file (named path for the test wrappers).
std::unique_ptr<EngineFile> EngineFileOf(platform::File f, const std::string& path,
                                         uint16_t& ioResult);

// The I/O result code of an errno; fallback for errors without their own code.
uint16_t IoCodeFromErrno(int err, uint16_t fallback);

// Test support: a wrapper applied to every file the engine opens or creates.
using EngineFileWrapper = std::function<std::unique_ptr<EngineFile>(std::unique_ptr<EngineFile>)>;
void SetEngineFileWrapper(EngineFileWrapper wrapper);

// Counts reads and writes of the files it wraps and fails the chosen one.
struct FaultPlan {
    int64_t failRead = 0;       // the n-th read from now fails (0 = none)
    int64_t failWrite = 0;      // the n-th write from now fails, writing only half of its bytes
    bool failAllAfter = false;  // after the first failure every later call fails too
    bool kill = false;          // the chosen write is not made: the program dies there (SIGKILL)
    bool stop = false;          // the program stops itself (SIGSTOP) before the chosen write,
                                // then makes it when continued
    int error = EIO;            // the errno a failed call reports (ENOSPC: no room)
    // The files the plan acts on, by the path they are opened with; all when empty.
    std::function<bool(const std::string& path)> covers;
    int64_t killRename = 0;  // the program dies (SIGKILL) before its n-th rename from now
    int64_t reads = 0;
    int64_t writes = 0;
    int64_t renames = 0;
    bool failed = false;
};
std::unique_ptr<EngineFile> MakeFaultyFile(std::unique_ptr<EngineFile> inner,
                                           std::shared_ptr<FaultPlan> plan);

// The rename point of an installed fault plan: a rename onto `to` follows.
void RenamePoint(const std::string& to);
// Renames a new file of the engine, open as `file` and still named `from`,
// over an existing target; the rename point of an installed fault plan.
bool RenameEngineFile(platform::File& file, const std::string& from, const std::string& to);

// Installs the fault wrapper for its lifetime.
class ScopedFaultPlan {
public:
    ScopedFaultPlan();
    ~ScopedFaultPlan();
    ScopedFaultPlan(const ScopedFaultPlan&) = delete;
    ScopedFaultPlan& operator=(const ScopedFaultPlan&) = delete;
    FaultPlan& plan() { return *plan_; }

private:
    std::shared_ptr<FaultPlan> plan_;
};

}  // namespace kor2
