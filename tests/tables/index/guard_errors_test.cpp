// Errors met while a guard undoes its work (the index protection of a shared
// table, released after a read or a write) in exception mode: the error is
// raised after the work, never from a destructor, and an error that already
// ends the work stays the one raised.
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>

#include "platform/hostfs.h"
#include "tables/area/changes.h"
#include "tables/area/navigation.h"
#include "tables/area/workareas.h"
#include "tables/base/engineerror.h"
#include "tables/base/enginestrings.h"
#include "tables/index/ndx_testutil.h"
#include "tables/index/ndxbuild.h"
#include "tables/index/orders.h"
#include "tables/sema/semaphore.h"

namespace kor2 {
namespace {

// Faults switched on by a test in the middle of the guarded work.
struct Faults {
    int64_t failWritesOf = 0;   // writes of this length fail
    bool refuseRegion = false;  // the semaphore region cannot be unlocked
};

class FaultyFile final : public EngineFile {
public:
    FaultyFile(std::unique_ptr<EngineFile> inner, const Faults& faults)
        : inner_(std::move(inner)), faults_(faults) {}
    int64_t ReadAt(int64_t pos, void* buf, int64_t len) override {
        return inner_->ReadAt(pos, buf, len);
    }
    int64_t WriteAt(int64_t pos, const void* buf, int64_t len) override {
        if (len == faults_.failWritesOf) return -1;
        return inner_->WriteAt(pos, buf, len);
    }
    int64_t Size() override { return inner_->Size(); }
    bool Truncate(int64_t size) override { return inner_->Truncate(size); }
    bool Flush() override { return inner_->Flush(); }
    bool Lock(int64_t offset, int64_t length) override { return inner_->Lock(offset, length); }
    bool LockShared(int64_t offset, int64_t length) override {
        return inner_->LockShared(offset, length);
    }
    bool Unlock(int64_t offset, int64_t length) override {
        if (faults_.refuseRegion && offset == SemaLockOffset && length == SemaLockLength)
            return false;
        return inner_->Unlock(offset, length);
    }
    int Error() const override { return inner_->Error(); }
    void SetReadAhead(bool on) override { inner_->SetReadAhead(on); }

private:
    std::unique_ptr<EngineFile> inner_;
    const Faults& faults_;
};

class GuardErrorTest : public test::NdxTest {
protected:
    void SetUp() override {
        NdxTest::SetUp();
        SemaLockRetries = 3;
        SemaRetryDelayMs = 1;
        table_ = OpenRows({{"a", "1"}, {"b", "2"}, {"c", "3"}, {"d", "4"}});
        Index_On("T", Path("t.ndx"));
        ASSERT_EQ(EngineErrorCode, 0) << EngineErrorMsg;
        CloseArea();
        SetEngineFileWrapper([this](std::unique_ptr<EngineFile> f) {
            return std::make_unique<FaultyFile>(std::move(f), faults_);
        });
        // The record procedures run in the middle of the guarded work.
        ASSERT_TRUE(UseEx(
            table_, nullptr, 0,
            [this](char*, size_t) {
                if (onRead_) std::exchange(onRead_, nullptr)();
            },
            [this](char*, size_t) {
                if (onWrite_) std::exchange(onWrite_, nullptr)();
            }))
            << EngineErrorMsg;
        ASSERT_TRUE(OpenIndexFile(Path("t.ndx"), 1)) << EngineErrorMsg;
        GoTop();
        ASSERT_EQ(EngineErrorCode, 0) << EngineErrorMsg;
    }
    void TearDown() override {
        ExceptionMode = false;
        ErrorHandling = false;
        SemaLockRetries = 1000;
        SemaRetryDelayMs = 10;
        NdxTest::TearDown();
    }
    // Runs action with the engine raising its errors; the text raised, empty when none.
    static std::string Raised(const std::function<void()>& action) {
        ExceptionMode = true;
        ErrorHandling = true;
        std::string text;
        try {
            action();
        } catch (const ETableError& e) {
            text = e.what();
        }
        ExceptionMode = false;
        ErrorHandling = false;
        return text;
    }
    int Readers() const {
        const std::string d =
            platform::ReadWholeFile(GetSemaphoreFileName(table_)).value_or(std::string());
        return d.size() > 1 ? static_cast<signed char>(d[1]) : -1;
    }

    std::string table_;
    std::function<void()> onRead_, onWrite_;
    Faults faults_;
};

TEST_F(GuardErrorTest, ReaderReleaseRefusedByAnotherHolderIsRaisedAfterTheSkip) {
    // Another program takes the semaphore region while this one reads and
    // keeps it beyond the timeout.
    std::unique_ptr<EngineFile> other;
    onRead_ = [&] {
        uint16_t io = 0;
        other = OpenEngineFile(GetSemaphoreFileName(table_), ShareDenyNone, io);
        ASSERT_TRUE(other && other->Lock(SemaLockOffset, SemaLockLength));
    };
    const std::string raised = Raised([] { Skip(1); });
    EXPECT_NE(raised.find("Fehler Nr. 1202"), std::string::npos) << raised;
    EXPECT_NE(raised.find("DECREAD"), std::string::npos) << raised;
    EXPECT_EQ(RecNo(), 2);  // the skip itself was done
    EXPECT_EQ(AllTrim(FieldText(1)), "b");

    other->Unlock(SemaLockOffset, SemaLockLength);
    EXPECT_EQ(Raised([] { Skip(1); }), "");
    EXPECT_EQ(RecNo(), 3);
    EXPECT_EQ(Readers(), 0);  // the registration left behind is taken back
}

TEST_F(GuardErrorTest, FailedWriterReleaseIsRaisedAfterAppendAndReplace) {
    onWrite_ = [&] { faults_.refuseRegion = true; };
    ASSERT_TRUE(ALock());
    ClearRecord();
    test::SetT("bb");
    std::string raised = Raised([] { Append(); });
    EXPECT_NE(raised.find("UNLOCKSEMAPHORE"), std::string::npos) << raised;
    faults_.refuseRegion = false;
    Unlock();
    EXPECT_EQ(RecCount(), 5);
    ASSERT_TRUE(Find("bb"));
    EXPECT_EQ(RecNo(), 5);

    onWrite_ = [&] { faults_.refuseRegion = true; };
    ASSERT_TRUE(RLock());
    test::SetT("0");
    raised = Raised([] { Replace(); });
    EXPECT_NE(raised.find("UNLOCKSEMAPHORE"), std::string::npos) << raised;
    faults_.refuseRegion = false;
    Unlock();
    GoTop();
    EXPECT_EQ(RecNo(), 5);
    EXPECT_EQ(AllTrim(FieldText(1)), "0");
}

TEST_F(GuardErrorTest, FailedWorkKeepsItsErrorWhenTheReleaseFailsToo) {
    onWrite_ = [&] {
        faults_.failWritesOf = RecSize();
        faults_.refuseRegion = true;
    };
    ASSERT_TRUE(ALock());
    ClearRecord();
    test::SetT("bb");
    const std::string raised = Raised([] { Append(); });
    EXPECT_NE(raised.find("PutDbfRecord"), std::string::npos) << raised;
    EXPECT_EQ(raised.find("UNLOCKSEMAPHORE"), std::string::npos) << raised;
    faults_ = {};
    // Both protections are balanced again: the next append goes through.
    ClearRecord();
    test::SetT("bb");
    EXPECT_EQ(Raised([] { Append(); }), "");
    Unlock();
    EXPECT_TRUE(Find("bb"));
    EXPECT_EQ(RecNo(), RecCount());
}

}  // namespace
}  // namespace kor2
