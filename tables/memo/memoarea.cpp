// Memo operations on the current work area and the memo layer's start-up:
// each hook finds the current table and its memo file, then calls the memo
// file layer (memofile.cpp) or the byte streams (memostream.cpp).
#include "tables/memo/memoarea.h"

#include <algorithm>

#include "platform/progfiles.h"
#include "tables/area/workareas.h"
#include "tables/base/engineerror.h"
#include "tables/base/filenames.h"
#include "tables/dbf/hooks.h"
#include "tables/memo/memofile.h"
#include "tables/memo/memostream.h"

namespace kor2 {

TMemoFileRec* CurrentMemoFile(const std::string& operation) {
    if (CheckAreaOpen(operation)) return nullptr;
    DbfArea* a = CurrentDbf();
    TMemoFileRec* m = MemoFileOf(*a);
    if (!m)
        SetEngineError(1019,
                       platform::DisplayPath(a->fileName) + " No Memo Field [" + operation + "]");
    return m;
}

bool GetMemo(int32_t blockNo) {
    TMemoFileRec* m = CurrentMemoFile("GetMemo");
    return m && GetMemo(*m, blockNo);
}

int32_t AddMemo(const std::string& text) {
    TMemoFileRec* m = CurrentMemoFile("AddMemo");
    return m ? AddMemo(*m, text) : 0;
}

bool AssignMemo(MemoTextFile& f, int32_t& blockNo) {
    if (!CurrentMemoFile("AssignMemo")) return false;
    AssignMemo(f, *CurrentDbf(), blockNo);
    return true;
}

std::vector<std::string> MemoFieldLines(int n) {
    std::vector<std::string> lines;
    TMemoFileRec* m = CurrentMemoFile("MemoLines");
    if (!m) return lines;
    const DbfArea& a = *CurrentDbf();
    if (n < 1 || n > static_cast<int>(a.fields.size()) || a.record.empty()) return lines;
    const DbfFieldEntry& f = a.fields[static_cast<size_t>(n - 1)];
    if (f.type != 'M' || f.offset + f.length > a.record.size()) return lines;
    if (GetMemo(*m, StoredIntValue(a.record.data() + f.offset, f.length))) lines = MemoPadLines;
    FreeMemoPad();
    return lines;
}

int32_t CreateBlobDescriptor(bool convert, int32_t blockNo, uint8_t mode) {
    TMemoFileRec* m = CurrentMemoFile("CreateBlobDescriptor");
    return m ? CreateBlobDescriptor(*m, convert, blockNo, mode) : 0;
}

bool DestroyBlobDescriptor() {
    TMemoFileRec* m = CurrentMemoFile("DestroyBlobDescriptor");
    return m && DestroyBlobDescriptor(*m);
}

int32_t ReadBlobStream(void* buffer, int32_t count) {
    TMemoFileRec* m = CurrentMemoFile("ReadBlobStream");
    return m ? ReadBlobStream(*m, buffer, count) : 0;
}

int32_t WriteBlobStream(const void* buffer, int32_t count) {
    TMemoFileRec* m = CurrentMemoFile("WriteBlobStream");
    return m ? WriteBlobStream(*m, buffer, count) : 0;
}

int64_t SeekBlobStream(int64_t offset, int origin) {
    TMemoFileRec* m = CurrentMemoFile("SeekBlobStream");
    return m ? SeekBlobStream(*m, offset, origin) : 0;
}

void InitMemoUnit() {
    DefaultMemoType = 0x8B;
    MemoLockRetries = 1000;
    MemoLockDelay = 10;
    MemoWidth = 78;
    MemoWidthOn = false;
    FreeMemoPad();
    MemoHooks.memoLines = [](int field) { return MemoFieldLines(field); };
    MemoHooks.pack = [] {
        if (CurrentMemoFile("PackMemofile")) PackMemofile(*CurrentDbf());
    };
    MemoHooks.open = [](const std::string& tableName) -> uint16_t {
        if (CheckAreaOpen("OpenMemofile")) return EngineErrorCode;
        return OpenMemofile(*CurrentDbf(), tableName) ? 0 : EngineErrorCode;
    };
    MemoHooks.close = [] {
        if (DbfArea* a = CurrentDbf()) CloseMemofile(*a);
    };
    MemoHooks.copyAppend = [](DbfArea& src, int32_t block, DbfArea& dst) {
        return CopyMemo(src, block, dst, false);
    };
    MemoHooks.copyAt = [](DbfArea& src, int32_t block, DbfArea& dst) {
        return CopyMemo(src, block, dst, true);
    };
    MemoHooks.create = [] {
        if (CheckAreaOpen("CreateMemofile")) return;
        DbfArea& a = *CurrentDbf();
        RecreateMemofile(a, StripExtension(a.fileName));
    };
    MemoHooks.add = [](const std::string& text) { return AddMemo(text); };
    MemoHooks.packPrepare = [](ChangeJournal& journal, size_t entry) {
        return CurrentMemoFile("PackMemofile") && PrepareMemoPack(*CurrentDbf(), journal, entry);
    };
    MemoHooks.packCommit = [] {
        return CurrentMemoFile("PackMemofile") && CommitMemoPack(*CurrentDbf());
    };
    MemoHooks.packDiscard = DiscardMemoPack;
    MemoHooks.packBytes = []() -> int64_t {
        const DbfArea* a = CurrentDbf();
        const TMemoFileRec* m = a ? MemoFileOf(*a) : nullptr;
        return m && m->file ? std::max<int64_t>(0, m->file->Size()) : 0;
    };
}

}  // namespace kor2
