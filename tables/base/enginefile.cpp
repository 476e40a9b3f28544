// Real and fault-injecting implementations of the engine's file interface.
// Called by the table file layer for every open, read, write and lock.
#include "tables/base/enginefile.h"

#include <cerrno>
#include <csignal>
#include <cstring>
#include <utility>
#include <vector>

#include "platform/hostfs.h"

namespace kor2 {

namespace {

using PathWrapperFn =
    std::function<std::unique_ptr<EngineFile>(std::unique_ptr<EngineFile>, const std::string&)>;

PathWrapperFn& PathWrapper() {
    static PathWrapperFn w;
    return w;
}

EngineFileWrapper& Wrapper() {
    static EngineFileWrapper w;
    return w;
}

class RealFile final : public EngineFile {
public:
    explicit RealFile(platform::File f) : f_(std::move(f)) {}

    int64_t ReadAt(int64_t pos, void* buf, int64_t len) override {
        // Only a read that continues the previous one fills the read-ahead
        // block; random reads go to the file directly.
        const bool sequential = pos == lastEnd_;
        lastEnd_ = pos + len;
        const bool inBlock = pos >= blockPos_ && pos + len <= blockPos_ + blockLen_;
        if (!readAhead_ || len >= kBlock || (!inBlock && !sequential))
            return f_.ReadAt(pos, buf, len);
        if (!inBlock) {
            block_.resize(kBlock);
            const int64_t n = f_.ReadAt(pos, block_.data(), kBlock);
            if (n < 0) {
                blockLen_ = 0;
                return -1;
            }
            blockPos_ = pos;
            blockLen_ = n;
        }
        const int64_t avail = blockPos_ + blockLen_ - pos;
        const int64_t n = avail < len ? (avail > 0 ? avail : 0) : len;
        if (n > 0) std::memcpy(buf, block_.data() + (pos - blockPos_), static_cast<size_t>(n));
        return n;
    }
    int64_t WriteAt(int64_t pos, const void* buf, int64_t len) override {
        blockLen_ = 0;
        return f_.WriteAt(pos, buf, len);
    }
    int64_t Size() override { return f_.Size(); }
    bool Truncate(int64_t size) override {
        blockLen_ = 0;
        return f_.Truncate(size);
    }
    bool Flush() override { return f_.Flush(); }
    bool Lock(int64_t offset, int64_t length) override { return f_.Lock(offset, length); }
    bool LockShared(int64_t offset, int64_t length) override {
        return f_.LockShared(offset, length);
    }
    bool Unlock(int64_t offset, int64_t length) override { return f_.Unlock(offset, length); }
    int Error() const override { return f_.Error(); }
    void SetReadAhead(bool on) override {
        readAhead_ = on;
        blockLen_ = 0;
    }

private:
    static constexpr int64_t kBlock = 65536;
    platform::File f_;
    bool readAhead_ = false;
    std::vector<char> block_;
    int64_t blockPos_ = 0;
    int64_t blockLen_ = 0;
    int64_t lastEnd_ = -1;
};

class FaultyFile final : public EngineFile {
public:
    FaultyFile(std::unique_ptr<EngineFile> inner, std::shared_ptr<FaultPlan> plan)
        : inner_(std::move(inner)), plan_(std::move(plan)) {}

    int64_t ReadAt(int64_t pos, void* buf, int64_t len) override {
        if (Fails(plan_->reads, plan_->failRead)) return -1;
        return inner_->ReadAt(pos, buf, len);
    }
    int64_t WriteAt(int64_t pos, const void* buf, int64_t len) override {
        if (WriteFails()) {
            if (len > 1) inner_->WriteAt(pos, buf, len / 2);
            return -1;
        }
        return inner_->WriteAt(pos, buf, len);
    }
    int64_t Size() override { return inner_->Size(); }
    bool Truncate(int64_t size) override {
        if (WriteFails()) return false;
        return inner_->Truncate(size);
    }
    bool Flush() override { return inner_->Flush(); }
    bool Lock(int64_t offset, int64_t length) override { return inner_->Lock(offset, length); }
    bool LockShared(int64_t offset, int64_t length) override {
        return inner_->LockShared(offset, length);
    }
    bool Unlock(int64_t offset, int64_t length) override { return inner_->Unlock(offset, length); }
    int Error() const override { return injected_ ? plan_->error : inner_->Error(); }
    void SetReadAhead(bool on) override { inner_->SetReadAhead(on); }

private:
    bool Fails(int64_t& counter, int64_t failAt) {
        ++counter;
        injected_ = (failAt > 0 && counter == failAt) || (plan_->failAllAfter && plan_->failed);
        if (injected_) plan_->failed = true;
        return injected_;
    }
    bool WriteFails() {
        if (!Fails(plan_->writes, plan_->failWrite)) return false;
        if (plan_->kill) raise(SIGKILL);
        if (plan_->stop) {
            raise(SIGSTOP);
            injected_ = plan_->failed = false;
            return false;
        }
        return true;
    }
    std::unique_ptr<EngineFile> inner_;
    std::shared_ptr<FaultPlan> plan_;
    bool injected_ = false;
};

std::unique_ptr<EngineFile> Finish(platform::File f, const std::string& path, uint16_t& ioResult) {
    if (!f.IsOpen()) {
        ioResult = IoCodeFromErrno(f.Error(), 5);
        return nullptr;
    }
    ioResult = 0;
    std::unique_ptr<EngineFile> file = std::make_unique<RealFile>(std::move(f));
    if (Wrapper()) file = Wrapper()(std::move(file));
    if (PathWrapper()) file = PathWrapper()(std::move(file), path);
    return file;
}

platform::OpenMode AccessOf(uint8_t shareMode) {
    switch (shareMode & 7) {
        case 0:
            return platform::OpenMode::Read;
        case 1:
            return platform::OpenMode::Write;
        default:
            return platform::OpenMode::ReadWrite;
    }
}

}  // namespace

std::unique_ptr<EngineFile> OpenEngineFile(const std::string& path, uint8_t shareMode,
                                           uint16_t& ioResult, bool noLink) {
    return Finish(noLink ? platform::File::OpenNoLink(path, AccessOf(shareMode), shareMode & 0x70)
                         : platform::File::Open(path, AccessOf(shareMode), shareMode & 0x70),
                  path, ioResult);
}

std::unique_ptr<EngineFile> CreateEngineFile(const std::string& path, uint8_t shareMode,
                                             uint16_t& ioResult, bool noLink) {
    if (!noLink) return Finish(platform::File::Create(path, shareMode & 0x70), path, ioResult);
    // An existing file is emptied through an open that does not follow a link.
    platform::File f =
        platform::File::OpenNoLink(path, platform::OpenMode::ReadWrite, shareMode & 0x70);
    if (!f.IsOpen() && f.Error() == ENOENT) f = platform::File::CreateNew(path, shareMode & 0x70);
    if (f.IsOpen() && !f.Truncate(0)) f.Close();
    return Finish(std::move(f), path, ioResult);
}

std::unique_ptr<EngineFile> EngineFileOf(platform::File f, const std::string& path,
                                         uint16_t& ioResult) {
    return Finish(std::move(f), path, ioResult);
}

uint16_t IoCodeFromErrno(int err, uint16_t fallback) {
    switch (err) {
        case ENOENT:
            return 2;
        case ENOTDIR:
            return 3;
        case EMFILE:
        case ENFILE:
            return 4;
        case EACCES:
        case EPERM:
        case EROFS:
        case EEXIST:
        case EISDIR:
        case ELOOP:
        case ESTALE:
            return 5;
        case EBADF:
            return 6;
        case ENOMEM:
            return 8;
        case EAGAIN:
        case EBUSY:
            return 32;
        case ENOLCK:
            return 33;
        case ENOSPC:
            return 101;
        default:
            return fallback;
    }
}

void SetEngineFileWrapper(EngineFileWrapper wrapper) {
    Wrapper() = std::move(wrapper);
}

std::unique_ptr<EngineFile> MakeFaultyFile(std::unique_ptr<EngineFile> inner,
                                           std::shared_ptr<FaultPlan> plan) {
    return std::make_unique<FaultyFile>(std::move(inner), std::move(plan));
}

namespace {
std::shared_ptr<FaultPlan>& ActivePlan() {
    static std::shared_ptr<FaultPlan> plan;
    return plan;
}
}  // namespace

void RenamePoint(const std::string& to) {
    if (const std::shared_ptr<FaultPlan>& plan = ActivePlan();
        plan && (!plan->covers || plan->covers(to)) && ++plan->renames == plan->killRename)
        raise(SIGKILL);
}

bool RenameEngineFile(platform::File& file, const std::string& from, const std::string& to) {
    RenamePoint(to);
    if (file.RenameOver(from, to)) return true;
    errno = file.Error();
    return false;
}

ScopedFaultPlan::ScopedFaultPlan() : plan_(std::make_shared<FaultPlan>()) {
    ActivePlan() = plan_;
    PathWrapper() = [plan = plan_](std::unique_ptr<EngineFile> f, const std::string& path) {
        if (plan->covers && !plan->covers(path)) return f;
        return MakeFaultyFile(std::move(f), plan);
    };
}

ScopedFaultPlan::~ScopedFaultPlan() {
    PathWrapper() = nullptr;
    ActivePlan().reset();
}

}  // namespace kor2
