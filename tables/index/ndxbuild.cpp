// Index build: reads the table once, sorts the keys (in memory, or as sorted
// runs in a temporary file merged afterwards), and writes the B-tree bottom
// up with completely filled nodes. Also REINDEX of the open orders.
#include "tables/index/ndxbuild.h"

#include <algorithm>
#include <cstring>
#include <queue>

#include "platform/oemtext.h"
#include "platform/progfiles.h"
#include "tables/area/changes.h"
#include "tables/area/navigation.h"
#include "tables/base/commandtext.h"
#include "tables/base/engineerror.h"
#include "tables/base/enginestrings.h"
#include "tables/base/filenames.h"
#include "tables/base/journal.h"
#include "tables/dbf/dbffile.h"
#include "tables/expr/expression.h"
#include "tables/index/orders.h"
#include "tables/keys/keyencoding.h"

namespace kor2 {

using namespace ndx;

namespace {

std::function<void()> progressProc;
int progressSteps = 0;

// Sort records: key bytes then the record number, in one flat pool.
class SortPool {
public:
    SortPool(const IndexControlBlock& b) : b_(b), size_(b.hdr.keyLength + 4) {}
    size_t RecSize() const { return size_; }
    size_t Count() const { return data_.size() / size_; }
    void Add(const std::string& key, int32_t rec) {
        data_.insert(data_.end(), key.begin(), key.end());
        uint8_t r[4];
        PutU32(r, static_cast<uint32_t>(rec));
        data_.insert(data_.end(), r, r + 4);
    }
    const uint8_t* At(size_t i) const { return data_.data() + i * size_; }
    void Clear() { data_.clear(); }
    std::vector<uint32_t> SortedOrder() const {
        std::vector<uint32_t> order(Count());
        for (size_t i = 0; i < order.size(); ++i) order[i] = static_cast<uint32_t>(i);
        std::sort(order.begin(), order.end(),
                  [this](uint32_t x, uint32_t y) { return Less(At(x), At(y)); });
        return order;
    }
    bool Less(const uint8_t* x, const uint8_t* y) const {
        const int c = CompareNdxKeys(b_, x, y);
        if (c != 0) return c < 0;
        return GetU32(x + b_.hdr.keyLength) < GetU32(y + b_.hdr.keyLength);
    }

private:
    const IndexControlBlock& b_;
    size_t size_;
    std::vector<uint8_t> data_;
};

// Writes nodes in order, through a buffer of whole nodes.
class NodeWriter {
public:
    explicit NodeWriter(EngineFile& f) : file_(f) {}
    uint32_t Put(const NdxNode& node) {
        buf_.insert(buf_.end(), node.begin(), node.end());
        const uint32_t number = next_++;
        if (buf_.size() >= 128 * BlockSize) Flush();
        return number;
    }
    bool Flush() {
        if (buf_.empty()) return ok_;
        const int64_t pos = static_cast<int64_t>(next_ - buf_.size() / BlockSize) * BlockSize;
        if (file_.WriteAt(pos, buf_.data(), static_cast<int64_t>(buf_.size())) !=
            static_cast<int64_t>(buf_.size()))
            ok_ = false;
        buf_.clear();
        return ok_;
    }
    bool Ok() const { return ok_; }
    uint32_t Next() const { return next_; }

private:
    EngineFile& file_;
    std::vector<uint8_t> buf_;
    uint32_t next_ = 1;
    bool ok_ = true;
};

struct LevelItem {
    uint32_t node;
    std::string maxKey;
};

// The tree from keys in sorted order: leaves first, then each upper level.
class TreeWriter {
public:
    TreeWriter(const IndexControlBlock& b, NodeWriter& w) : b_(b), w_(w) {}
    void Add(const uint8_t* key, uint32_t rec) {
        if (count_ == b_.hdr.keysPerNode) FlushLeaf();
        uint8_t* e = leaf_.data() + NodeEntries + count_ * b_.hdr.entrySize;
        PutU32(e + EntryRecord, rec);
        std::memcpy(e + EntryKey, key, b_.hdr.keyLength);
        lastKey_.assign(reinterpret_cast<const char*>(key), b_.hdr.keyLength);
        ++count_;
    }
    // Writes the rest and the upper levels; returns the root number.
    uint32_t Finish() {
        if (count_ > 0 || leaves_.empty()) FlushLeaf();
        std::vector<LevelItem> level = std::move(leaves_);
        const size_t fan = b_.hdr.keysPerNode + 1u;
        while (level.size() > 1) {
            std::vector<LevelItem> up;
            for (size_t start = 0; start < level.size();) {
                size_t take = std::min(fan, level.size() - start);
                const size_t rest = level.size() - start - take;
                if (rest == 1 && take > 2) --take;  // never leave one child alone
                NdxNode node{};
                PutU32(node.data() + NodeKeyCount, static_cast<uint32_t>(take - 1));
                for (size_t i = 0; i + 1 < take; ++i) {
                    uint8_t* e = node.data() + NodeEntries + i * b_.hdr.entrySize;
                    PutU32(e + EntryChild, level[start + i].node);
                    std::memcpy(e + EntryKey, level[start + i].maxKey.data(), b_.hdr.keyLength);
                }
                PutU32(node.data() + NodeEntries + (take - 1) * b_.hdr.entrySize,
                       level[start + take - 1].node);
                up.push_back({w_.Put(node), level[start + take - 1].maxKey});
                start += take;
            }
            level = std::move(up);
        }
        return level.front().node;
    }

private:
    void FlushLeaf() {
        PutU32(leaf_.data() + NodeKeyCount, count_);
        leaves_.push_back({w_.Put(leaf_), lastKey_});
        leaf_.fill(0);
        count_ = 0;
    }
    const IndexControlBlock& b_;
    NodeWriter& w_;
    NdxNode leaf_{};
    uint32_t count_ = 0;
    std::string lastKey_;
    std::vector<LevelItem> leaves_;
};

// The temporary run file, erased on every way out.
struct RunFile {
    std::string name;
    std::unique_ptr<EngineFile> file;
    int64_t size = 0;
    std::vector<std::pair<int64_t, int64_t>> runs;  // offset, record count
    ~RunFile() {
        file.reset();
        if (!name.empty()) EraseFileIfFree(name);
    }
};

class Progress {
public:
    explicit Progress(int32_t n) {
        if (!progressProc || progressSteps <= 0) return;
        interval_ = std::max<int32_t>(2, 2 * (n / progressSteps));
        left_ = progressSteps;
    }
    void Tick(int64_t i) {
        if (interval_ == 0 || i % interval_ != 0 || left_ <= 0) return;
        --left_;
        progressProc();
    }

private:
    int32_t interval_ = 0;
    int left_ = 0;
};

// Reading position in one run during the merge.
struct RunReader {
    int64_t pos = 0;
    int64_t left = 0;
    std::vector<uint8_t> buf;
    size_t at = 0;
};

class Builder {
public:
    Builder(IndexControlBlock& b, DbfArea& a) : b_(b), a_(a), pool_(b) {}

    bool Run(EngineFile& out, uint32_t& root) {
        const int32_t n = a_.recordCount;
        Progress progress(n);
        if (!ReadPass(n, progress)) return false;
        NodeWriter w(out);
        TreeWriter tree(b_, w);
        std::string previous;
        int64_t k = 0;
        auto emit = [&](const uint8_t* rec) {
            Progress* p = &progress;
            p->Tick(++k);
            if (b_.hdr.unique && !previous.empty() &&
                CompareNdxKeys(b_, rec, reinterpret_cast<const uint8_t*>(previous.data())) == 0)
                return;
            if (b_.hdr.unique)
                previous.assign(reinterpret_cast<const char*>(rec), b_.hdr.keyLength);
            tree.Add(rec, GetU32(rec + b_.hdr.keyLength));
        };
        if (runs_.runs.empty()) {
            for (uint32_t i : pool_.SortedOrder()) emit(pool_.At(i));
        } else {
            if (!WriteRun()) return false;
            pool_.Clear();
            if (!Merge(emit)) return false;
        }
        root = tree.Finish();
        if (!w.Flush()) {
            SetEngineError(IoCodeFromErrno(out.Error(), 101),
                           "Fehler beim Schreiben der Index-Datei: " +
                               platform::DisplayPath(b_.fileName) + " [MakeIndex]");
            return false;
        }
        return true;
    }

private:
    bool ReadPass(int32_t n, Progress& progress) {
        const size_t recLen = a_.recordLength;
        const size_t per = std::max<size_t>(1, IndexReadBufferSize / std::max<size_t>(recLen, 1));
        std::vector<uint8_t> buf;
        for (int32_t first = 1; first <= n; first += static_cast<int32_t>(per)) {
            const int32_t count =
                static_cast<int32_t>(std::min<int64_t>(per, int64_t{n} - first + 1));
            if (!a_.isVirtual) {
                buf.resize(count * recLen);
                const int64_t pos = a_.headerLength + int64_t{first - 1} * recLen;
                if (a_.file->ReadAt(pos, buf.data(), static_cast<int64_t>(buf.size())) !=
                    static_cast<int64_t>(buf.size())) {
                    SetEngineError(
                        IoCodeFromErrno(a_.file->Error(), 100),
                        "Datei:  " + platform::DisplayPath(a_.fileName) + "  [MakeIndex]");
                    return false;
                }
            }
            for (int32_t i = 0; i < count; ++i) {
                const int32_t rec = first + i;
                if (a_.isVirtual) {
                    if (!GetDbfRecord(a_, rec)) return false;
                } else {
                    std::memcpy(a_.record.data(), buf.data() + i * recLen, recLen);
                    a_.currentRecord = rec;
                    a_.eof = a_.bof = false;
                    TranslateRecord(TranslateDir::Read, a_.oem, a_.afterRead, recLen,
                                    a_.record.data());
                }
                if (b_.keyMaker) AreaRecordToBuffer(a_);
                std::string key;
                if (!CurrentRecordKey(b_, key)) return false;
                pool_.Add(key, rec);
                progress.Tick(rec);
                if (pool_.Count() >= std::max<size_t>(IndexSortCapacity, 256) && !WriteRun())
                    return false;
            }
        }
        return true;
    }

    bool WriteRun() {
        if (pool_.Count() == 0) return true;
        if (!runs_.file) {
            runs_.name = UniqueFilename();
            if (runs_.name.empty()) return false;
            uint16_t io = 0;
            runs_.file = CreateEngineFile(runs_.name, ShareExclusive, io);
            if (!runs_.file) {
                SetEngineError(io, "Datei nicht geöffnet"_oem + platform::DisplayPath(runs_.name) +
                                       " [MakeIndex]");
                return false;
            }
        }
        std::vector<uint8_t> out;
        out.reserve(pool_.Count() * pool_.RecSize());
        for (uint32_t i : pool_.SortedOrder())
            out.insert(out.end(), pool_.At(i), pool_.At(i) + pool_.RecSize());
        if (runs_.file->WriteAt(runs_.size, out.data(), static_cast<int64_t>(out.size())) !=
            static_cast<int64_t>(out.size())) {
            SetEngineError(IoCodeFromErrno(runs_.file->Error(), 101), " [MakeIndex]");
            return false;
        }
        runs_.runs.push_back({runs_.size, static_cast<int64_t>(pool_.Count())});
        runs_.size += static_cast<int64_t>(out.size());
        pool_.Clear();
        return true;
    }

    template <class Emit>
    bool Merge(Emit& emit) {
        const size_t rs = pool_.RecSize();
        const size_t perRun = std::max<size_t>(16, (1u << 22) / (rs * runs_.runs.size()));
        std::vector<RunReader> readers(runs_.runs.size());
        auto refill = [&](RunReader& r) {
            const int64_t take = std::min<int64_t>(r.left, static_cast<int64_t>(perRun));
            r.buf.resize(static_cast<size_t>(take) * rs);
            r.at = 0;
            if (take == 0) return true;
            if (runs_.file->ReadAt(r.pos, r.buf.data(), static_cast<int64_t>(r.buf.size())) !=
                static_cast<int64_t>(r.buf.size())) {
                SetEngineError(IoCodeFromErrno(runs_.file->Error(), 100), " [MakeIndex]");
                return false;
            }
            r.pos += static_cast<int64_t>(r.buf.size());
            r.left -= take;
            return true;
        };
        auto greater = [&](size_t x, size_t y) {
            return pool_.Less(readers[y].buf.data() + readers[y].at,
                              readers[x].buf.data() + readers[x].at);
        };
        std::priority_queue<size_t, std::vector<size_t>, decltype(greater)> heap(greater);
        for (size_t i = 0; i < readers.size(); ++i) {
            readers[i].pos = runs_.runs[i].first;
            readers[i].left = runs_.runs[i].second;
            if (!refill(readers[i])) return false;
            if (!readers[i].buf.empty()) heap.push(i);
        }
        while (!heap.empty()) {
            const size_t i = heap.top();
            heap.pop();
            RunReader& r = readers[i];
            emit(r.buf.data() + r.at);
            r.at += rs;
            if (r.at >= r.buf.size() && !refill(r)) return false;
            if (!r.buf.empty()) heap.push(i);
        }
        return true;
    }

    IndexControlBlock& b_;
    DbfArea& a_;
    SortPool pool_;
    RunFile runs_;
};

// Bytes a build of n keys writes: the sort runs and the nodes of every level.
int64_t IndexBuildBytes(const IndexControlBlock& b, int32_t n) {
    int64_t needed = int64_t{n} * (b.hdr.keyLength + 4);
    int levels = 2;
    for (int64_t c = n / b.hdr.keysPerNode; c > 0; c /= b.hdr.keysPerNode) ++levels;
    int64_t c = n;
    for (int i = 0; i < levels; ++i) {
        needed += (c + 1) * BlockSize;
        c /= b.hdr.keysPerNode;
    }
    return needed;
}

bool CheckIndexDiskSpace(const IndexControlBlock& b, int32_t n, const std::string& path) {
    const int64_t free = IndexDiskFreeProc ? IndexDiskFreeProc(path) : DiskFreeOfPath(path);
    return CheckRoom(free, IndexBuildBytes(b, n), "MakeIndex");
}

// Re-reports an error of the build with the build's routine and file name.
void Suffix(const std::string& path) {
    if (EngineErrorCode == 0) return;
    const uint16_t code = EngineErrorCode;
    const std::string msg = EngineErrorMsg;
    SetEngineError(code, msg + " [MakeIndex(<...>," + platform::DisplayPath(path) + ")]");
}

// The key type and length of a new index from the current record.
bool KeyShape(IndexControlBlock& b, char resultType) {
    int length = 0;
    if (b.keyMaker) {
        b.hdr.keyType = 'C';
        if (b.soundex) {
            length = static_cast<int>(SoundexLen);
        } else {
            length = static_cast<int>(
                b.keyMaker(b.keyMakerContext, b.orderNo).substr(0, MaxCharKeyLen).size());
        }
    } else if (resultType == 'C') {
        b.hdr.keyType = 'C';
        const uint8_t* r = ExprHooks.evaluate(b.expr);
        if (!r) return false;
        const char* t = reinterpret_cast<const char*>(r);
        std::string text(t, strnlen(t, MaxExprText + 1));
        if (b.table && b.table->oem) text = LStrAnsiToOem(text);
        length = static_cast<int>(FoldCharKey(text).size());
    } else if (resultType == 'D' || resultType == 'N' || resultType == 'F') {
        b.hdr.keyType = resultType;
        length = NumKeyLength;
    } else {
        SetEngineError(254, "Ungültiger Parser-Return-Typ"_oem);
        return false;
    }
    if (length < 1 || length > MaxKeyLength) {
        SetEngineError(266,
                       "Ungültige Schlüssellänge von anwender-definiertem KeyMaker geliefert."_oem);
        return false;
    }
    const bool unique = b.hdr.unique;
    b.hdr = NewNdxHeader(b.hdr.keyType, length, unique);
    b.charKey = b.hdr.keyType == 'C';
    return true;
}

// Puts the work area back on the record it stood on.
void RestoreRecord(DbfArea& a, int32_t record, bool eof, bool bof) {
    if (record >= 1 && record <= a.recordCount) {
        ReadRecord(a, record);
    } else {
        BlankRecord(a);
        a.currentRecord = record;
    }
    a.eof = eof;
    a.bof = bof;
}

// What the program holds in the work area (record buffer, typed buffer
// with its memo numbers, record number and ends), put back as it was.
class HeldRecord {
public:
    explicit HeldRecord(DbfArea& a)
        : a_(a),
          record_(a.record),
          typed_(a.typedBuffer, a.typedBuffer + (a.typedBuffer ? a.typedSize : 0)),
          current_(a.currentRecord),
          eof_(a.eof),
          bof_(a.bof) {}
    ~HeldRecord() {
        a_.record = record_;
        if (a_.typedBuffer && a_.typedSize == typed_.size())
            std::copy(typed_.begin(), typed_.end(), a_.typedBuffer);
        a_.currentRecord = current_;
        a_.eof = eof_;
        a_.bof = bof_;
    }
    HeldRecord(const HeldRecord&) = delete;
    HeldRecord& operator=(const HeldRecord&) = delete;

private:
    DbfArea& a_;
    std::string record_;
    std::vector<uint8_t> typed_;
    int32_t current_;
    bool eof_, bof_;
};

}  // namespace

void SetIndexProgressProc(std::function<void()> proc, int steps) {
    progressProc = steps > 0 ? std::move(proc) : nullptr;
    progressSteps = progressProc ? steps : 0;
}

namespace {

// Builds the index into a new file beside its name, named first by the
// index's journal, and renames it into place once whole: a failure or a kill
// leaves a former file of the name as it was, and the next open of the index
// takes back or completes what a dead build left. A rebuild of an open order
// (`held` given) runs with the table held alone and the order still open on
// the old file; the journal with the whole new file is then handed to the
// caller instead of renamed.
void BuildIndexFile(const std::string& fileName, const std::string& expression, bool soundex,
                    int order, bool unique, bool descending, KeyMakerFn keyMaker, intptr_t context,
                    std::unique_ptr<ChangeJournal>* held) {
    const bool rebuilding = held != nullptr;
    EngineErrorCode = 0;
    const std::string& name = fileName;  // whole: a name may begin with a blank
    if (AllTrim(name).empty()) {
        SetEngineError(220, "Index-Dateiname nicht angegeben [MakeIndex()]");
        return;
    }
    DbfArea* pa = CurrentDbf();
    if (!pa) {
        SetEngineError(215, "Datenbank nicht geöffnet beim Indizieren von"_oem +
                                platform::DisplayPath(name) + ".");
        return;
    }
    DbfArea& a = *pa;
    const std::string path = IndexFilePath(name, a);
    auto b = std::make_unique<IndexControlBlock>();
    b->orderNo = static_cast<uint8_t>(order);
    b->fileName = path;
    b->table = &a;
    b->hdr.unique = unique;
    char resultType = 'C';
    std::string stored;
    if (keyMaker) {
        b->keyMaker = std::move(keyMaker);
        b->keyMakerContext = context;
        b->soundex = soundex;
        b->descending = descending;
        stored = KeyMakerMarker();
    } else {
        const std::string expr = AllTrim(expression);
        if (expr.empty()) {
            SetEngineError(254, "Weder Ausdruck noch KeyMaker sind definiert");
            return Suffix(path);
        }
        if (!ParserLinked || !ExprHooks.compile) {
            SetEngineError(221, "TBParser-Unit nicht eingebunden. [MakeIndex]");
            return Suffix(path);
        }
        if (expr.size() + 1 > static_cast<size_t>(HdrExprSize)) {
            SetEngineError(300, "Index-Ausdruck länger als 100 Bytes"_oem);
            return Suffix(path);
        }
        if (!ExprHooks.compile(expr, b->expr)) {
            if (EngineErrorCode == 0)
                SetEngineError(222, "Ungültiger dBASE-Schlüsselausdruck "_oem + expr);
            return Suffix(path);
        }
        resultType = static_cast<const ExprBlock*>(b->expr.get())->resultType;
        stored = NormaliseExpr(expr);
        if (a.oem) stored = LStrAnsiToOem(stored);
    }
    if (!rebuilding && IndexFileOpenAnywhere(path, nullptr, platform::Lookup::Write)) {
        SetEngineError(214, platform::DisplayPath(path));
        return Suffix(path);
    }
    // Checked before anything is written: a build refused for its key or
    // the disk space leaves the old index as it was.
    const int32_t savedRecord = a.currentRecord;
    const bool savedEof = a.eof, savedBof = a.bof;
    RefreshRecCount(a);
    if (!KeyShape(*b, resultType)) return Suffix(path);
    if (!CheckIndexDiskSpace(*b, a.recordCount, path)) return;
    bool reopened = false;
    if (!a.exclusive && !rebuilding && FileExistsP(path)) {
        // Another program that has the old file open keeps using it after the
        // rename: the table is then held alone for the build.
        uint16_t io = 0;
        const bool free = OpenEngineFile(path, ShareExclusive, io) != nullptr;
        if (!free && (io == 5 || io == 32)) {
            if (ReopenDbf(true) != 0) {
                SetEngineError(225, platform::DisplayPath(a.fileName));
                return Suffix(path);
            }
            reopened = true;
        }
    }
    // Shares the table again on every way out.
    EndOfWork reshare;
    if (reopened) reshare.Arm([] { ReopenDbf(false); });
    if (!MayReplaceFile(path, "MakeIndex")) return Suffix(path);
    auto journal = std::make_unique<ChangeJournal>(IndexJournalName(path), "MakeIndex");
    size_t entry = 0;
    if (!journal->PlanFile(path, entry) || !journal->Begin()) return Suffix(path);
    b->file = journal->Make(entry);
    if (!b->file) {
        SetEngineError(EngineErrorCode, "Datei nicht geöffnet"_oem + platform::DisplayPath(path));
        return Suffix(path);
    }
    uint32_t root = 1;
    bool built;
    {
        Builder builder(*b, a);
        built = builder.Run(*b->file, root);
    }
    RestoreRecord(a, savedRecord, savedEof, savedBof);
    if (!built) return Suffix(path);
    b->hdr.root = root;
    b->hdr.nextFree = root + 1;
    NdxNode block;
    FillHeaderBlock(b->hdr, stored, a.recordCount, HeaderTableName(a), block.data());
    if (b->file->WriteAt(0, block.data(), BlockSize) != BlockSize) {
        SetEngineError(IoCodeFromErrno(b->file->Error(), 101), " [MakeIndex]");
        return Suffix(path);
    }
    if (!b->file->Flush()) {
        SetEngineError(IoCodeFromErrno(b->file->Error(), 101), " [MakeIndex]");
        return Suffix(path);
    }
    b->file.reset();
    if (held) {
        *held = std::move(journal);
        return;
    }
    if (!journal->Ready() || !journal->Put(entry)) return Suffix(path);
    journal->Finish(false);
    reshare.End();
}

}  // namespace

void MakeIndex(const std::string& fileName, const std::string& expression, bool soundex, int order,
               bool unique, bool descending, KeyMakerFn keyMaker, intptr_t context) {
    BuildIndexFile(fileName, expression, soundex, order, unique, descending, std::move(keyMaker),
                   context, nullptr);
}

void MakeIndexFromExpr(const std::string& expression, const std::string& nameWithOptions) {
    // SOUNDEX, DESCENDING and NOCACHE do not change the keys of an expression.
    IndexNameOptions o;
    if (!TakeIndexOptions(nameWithOptions, o, "MakeIndex")) return;
    MakeIndex(o.name, expression, false, 1, o.unique, false, nullptr, 0);
}

void MakeIndexWithKeyMaker(const std::string& nameWithOptions, KeyMakerFn keyMaker,
                           intptr_t context) {
    IndexNameOptions o;
    if (!TakeIndexOptions(nameWithOptions, o, "MakeIndex")) return;
    MakeIndex(o.name, "", o.soundex, 1, o.unique, o.descending, std::move(keyMaker), context);
}

namespace {

bool PrepareIndexOn(const std::string& name, const char* routine) {
    EngineErrorCode = 0;
    CloseAllIndexes();
    if (OrderBlock(1)) {
        SetEngineError(
            254, "Interner Fehler: IND-Zeiger bereits alloziiert [" + std::string(routine) + "]");
        return false;
    }
    return !AllTrim(name).empty();
}

}  // namespace

void Index_On(const std::string& expression, const std::string& nameWithOptions) {
    if (!PrepareIndexOn(nameWithOptions, "Index_On")) return;
    if (!ParserLinked) {
        SetEngineError(221, "TBParser-Unit nicht eingebunden. [Index_On]");
        return;
    }
    MakeIndexFromExpr(expression, AllTrim(nameWithOptions));
    if (EngineErrorCode != 0) return;
    if (SetIndexTo(AllTrim(nameWithOptions), 1)) Set_Order_To(1);
}

void IndexOnKeyMaker(const std::string& nameWithOptions, KeyMakerFn keyMaker, intptr_t context) {
    if (!PrepareIndexOn(nameWithOptions, "IndexOnKeyMaker")) return;
    MakeIndexWithKeyMaker(AllTrim(nameWithOptions), keyMaker, context);
    if (EngineErrorCode != 0) return;
    if (SetIndexTo(AllTrim(nameWithOptions), 1, keyMaker, context)) Set_Order_To(1);
}

bool RebuildOrderInPlace(IndexControlBlock& b) {
    DbfArea& a = *b.table;
    b.path.clear();
    b.cache.clear();
    uint32_t root = 1;
    bool built;
    {
        // The header keeps its mark until the new nodes are all written: a
        // rebuild cut short is done again by the next program. The records
        // pass through the area's buffers, which the program that repairs
        // may hold a record in that it is about to write.
        HeldRecord held(a);
        Builder builder(b, a);
        built = builder.Run(*b.file, root);
    }
    b.path.clear();
    b.cache.clear();
    if (!built) return false;
    b.hdr.root = root;
    b.hdr.nextFree = root + 1;
    b.inChange = true;
    b.headerChanged = true;
    if (!SetChangeMark(b, false)) return false;
    if (!b.file->Truncate(static_cast<int64_t>(root + 1) * BlockSize)) {
        SetEngineError(IoCodeFromErrno(b.file->Error(), 101),
                       "Fehler beim Schreiben der Index-Datei: " +
                           platform::DisplayPath(b.fileName) + " [RebuildOrderInPlace]");
        return false;
    }
    return true;
}

namespace {

// An order rebuilt into a new file beside its own, not yet in place.
struct RebuiltOrder {
    int order = 0;
    std::string options;
    KeyMakerFn keyMaker;
    intptr_t context = 0;
    std::unique_ptr<ChangeJournal> file;  // its one new file
};
std::vector<RebuiltOrder> rebuilt;

}  // namespace

bool PrepareRebuild() {
    rebuilt.clear();
    DbfArea* a = CurrentDbf();
    for (int o = 1; a && o <= MaxOrders; ++o) {
        IndexControlBlock* b = OrderBlock(o);
        if (!b) continue;
        RebuiltOrder r{o, QuoteName(b->fileName), b->keyMaker, b->keyMakerContext, nullptr};
        std::string expr;
        if (!r.keyMaker) {
            char text[HdrExprSize] = {};
            if (b->file->ReadAt(HdrExpr, text, HdrExprSize - 1) != HdrExprSize - 1) {
                SetEngineError(IoCodeFromErrno(b->file->Error(), 100),
                               "Fehler beim Lesen der Index-Datei:  [Reindex]");
                rebuilt.clear();
                return false;
            }
            expr = std::string(text, strnlen(text, HdrExprSize - 1));
            if (a->oem) expr = LStrOemToAnsi(expr);
        }
        if (b->soundex) r.options += " SOUNDEX";
        if (b->descending) r.options += " DESCENDING";
        if (b->hdr.unique) r.options += " UNIQUE";
        if (b->noCache) r.options += " NOCACHE";
        BuildIndexFile(b->fileName, expr, b->soundex, o, b->hdr.unique, b->descending, r.keyMaker,
                       r.context, &r.file);
        if (EngineErrorCode != 0 || r.file == nullptr) {
            rebuilt.clear();
            return false;
        }
        rebuilt.push_back(std::move(r));
    }
    return true;
}

bool CommitRebuild() {
    std::vector<RebuiltOrder> orders = std::move(rebuilt);
    rebuilt.clear();
    const int controlling = CurrentOrderNo();
    // The controlling order is chosen again on every way out.
    EndOfWork restoreOrder([controlling] {
        QuietEngineErrors quiet;
        Set_Order_To(controlling);
    });
    // All renames first, then the opens: no write comes between the renames.
    // The replaced files are nobody's any more: their headers are not written.
    // Each index stands alone: after a failed rename the rest are dropped
    // (an old index of a packed table keeps its change mark), and the orders
    // renamed so far are opened on their new files.
    size_t put = 0;
    for (; put < orders.size(); ++put) {
        RebuiltOrder& r = orders[put];
        if (!r.file->Ready() || !r.file->Put(0)) break;
        r.file->Finish(false);
        if (IndexControlBlock* b = OrderBlock(r.order)) b->inChange = b->headerChanged = false;
    }
    uint16_t failCode = 0;
    std::string failMsg;
    if (put < orders.size()) {
        // The journals of the rest take their new files back as they go.
        failCode = EngineErrorCode;
        failMsg = EngineErrorMsg;
        orders.erase(orders.begin() + static_cast<std::ptrdiff_t>(put), orders.end());
    }
    for (size_t i = 0; i < put; ++i) {
        const RebuiltOrder& r = orders[i];
        if (!SetIndexTo(r.options, r.order, r.keyMaker, r.context)) return false;
    }
    if (failCode != 0) {
        SetEngineError(failCode, failMsg);
        return false;
    }
    restoreOrder.Dismiss();
    Set_Order_To(controlling);
    return EngineErrorCode == 0;
}

void DiscardRebuild() {
    rebuilt.clear();
}

void Reindex() {
    EngineErrorCode = 0;
    DbfArea* a = CurrentDbf();
    bool any = false;
    for (int o = 1; o <= MaxOrders; ++o) any = any || OrderBlock(o);
    if (!a || !any) {
        SetEngineError(221, "Index nicht geöffnet. (DBF="_oem +
                                platform::DisplayPath(a ? a->fileName : std::string()) +
                                ") [Reindex]");
        return;
    }
    // A shared table is held alone for the whole rebuild (a pack holds it
    // already): a program with the old file open would keep reading it after
    // the rename. When another program has it open the rebuild is refused.
    EndOfWork reshare;
    if (!a->exclusive && !a->isVirtual && (a->shareMode & 0x70) != (ShareExclusive & 0x70)) {
        if (ReopenDbf(true) != 0) {
            SetEngineError(225, platform::DisplayPath(a->fileName) + " [Reindex]");
            return;
        }
        reshare.Arm([] { ReopenDbf(false); });
    }
    // Every order is built beside its file, under its own journal, while the
    // old ones stay open and in use; only when all are whole do they replace
    // the old files, each opened again at its order number.
    for (int o = 1; o <= MaxOrders; ++o)
        if (const IndexControlBlock* b = OrderBlock(o);
            b && !MayReplaceFile(b->fileName, "Reindex"))
            return;
    if (!PrepareRebuild()) return;
    if (!CommitRebuild()) return;
    reshare.End();
}

int64_t RebuildBytes(int32_t n) {
    int64_t bytes = 0;
    for (int o = 1; o <= MaxOrders; ++o)
        if (const IndexControlBlock* b = OrderBlock(o)) bytes += IndexBuildBytes(*b, n);
    return bytes;
}

bool MarkOrdersInChange(bool on) {
    bool ok = true;
    for (int o = 1; o <= MaxOrders; ++o)
        if (IndexControlBlock* b = OrderBlock(o); b && b->inChange != on)
            ok = SetChangeMark(*b, on) && ok;
    return ok;
}

}  // namespace kor2
