// Index file storage: header block, node reads and writes, the cursor, key
// search, insertion with node splits and deletion. Every value read from a
// file is checked before use, so a damaged index gives an error, never a
// read outside a node. Called by orders.cpp and ndxbuild.cpp.
#include "tables/index/ndxfile.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <utility>

#include "platform/oemtext.h"
#include "platform/progfiles.h"
#include "tables/area/workareas.h"
#include "tables/base/engineerror.h"
#include "tables/base/enginestrings.h"
#include "tables/base/filenames.h"
#include "tables/dbf/dbffile.h"

namespace kor2 {

using namespace ndx;

namespace {

void Damaged(const IndexControlBlock& b, const std::string& routine) {
    SetEngineError(254, "Index-Datei beschädigt. "_oem + platform::DisplayPath(b.fileName) + " [" +
                            routine + "]");
}

// One entry while a node is rebuilt.
struct Ent {
    uint32_t child = 0;
    uint32_t rec = 0;
    std::string key;
};

std::vector<Ent> LoadEntries(const IndexControlBlock& b, const NdxNode& node, uint32_t& trailing) {
    const int n = NodeCount(node);
    std::vector<Ent> v;
    v.reserve(n + 1);
    for (int i = 0; i < n; ++i) {
        const uint8_t* e = NodeEntry(b, node, i);
        v.push_back({GetU32(e + EntryChild), GetU32(e + EntryRecord),
                     std::string(reinterpret_cast<const char*>(e + EntryKey), b.hdr.keyLength)});
    }
    trailing = GetU32(node.data() + NodeEntries + n * b.hdr.entrySize);
    return v;
}

void StoreEntries(const IndexControlBlock& b, const std::vector<Ent>& v, uint32_t trailing,
                  NdxNode& node) {
    node.fill(0);
    PutU32(node.data() + NodeKeyCount, static_cast<uint32_t>(v.size()));
    uint8_t* p = node.data() + NodeEntries;
    for (const Ent& e : v) {
        PutU32(p + EntryChild, e.child);
        PutU32(p + EntryRecord, e.rec);
        std::memcpy(p + EntryKey, e.key.data(), b.hdr.keyLength);
        p += b.hdr.entrySize;
    }
    PutU32(p, trailing);
}

// Position of the first entry not less than key (n when none).
int LowerBound(const IndexControlBlock& b, const NdxNode& node, const uint8_t* key) {
    int lo = 0, hi = NodeCount(node);
    while (lo < hi) {
        const int mid = (lo + hi) / 2;
        if (CompareNdxKeys(b, NodeEntry(b, node, mid) + EntryKey, key) < 0)
            lo = mid + 1;
        else
            hi = mid;
    }
    return lo;
}

bool IsLeaf(const NdxNode& node) {
    return GetU32(node.data() + NodeEntries) == 0;
}

// Pushes node n on the path; false after an error.
bool Push(IndexControlBlock& b, uint32_t n) {
    if (b.path.size() >= static_cast<size_t>(MaxDepth)) {
        Damaged(b, "GetNode");
        return false;
    }
    NdxPathStep step;
    step.node = n;
    if (!SeekAndRead(b, n, step.buf)) return false;
    step.count = NodeCount(step.buf);
    b.path.push_back(step);
    return true;
}

// Descends from the top of the path to a leaf along the first (or last) child.
bool DescendFrom(IndexControlBlock& b, bool last) {
    for (;;) {
        NdxPathStep& top = b.path.back();
        if (IsLeaf(top.buf)) {
            top.pos = last ? std::max(top.count - 1, 0) : 0;
            return true;
        }
        top.pos = last ? top.count : 0;
        if (!Push(b, NodeChild(b, top.buf, top.pos))) return false;
    }
}

// Path to the leaf position of key (first entry not less than key).
bool DescendToKey(IndexControlBlock& b, const std::string& key) {
    b.path.clear();
    if (!Push(b, b.hdr.root)) return false;
    const uint8_t* k = reinterpret_cast<const uint8_t*>(key.data());
    for (;;) {
        NdxPathStep& top = b.path.back();
        top.pos = LowerBound(b, top.buf, k);
        if (IsLeaf(top.buf)) return true;
        if (!Push(b, NodeChild(b, top.buf, top.pos))) return false;
    }
}

std::string PadKey(const IndexControlBlock& b, const std::string& key) {
    std::string k = key.substr(0, b.hdr.keyLength);
    k.resize(b.hdr.keyLength, '\0');
    return k;
}

bool WriteStep(IndexControlBlock& b, const NdxPathStep& s) {
    return SeekAndWrite(b, s.node, s.buf);
}

uint32_t TakeNewNode(IndexControlBlock& b) {
    b.headerChanged = true;
    return b.hdr.nextFree++;
}

bool FinishChange(IndexControlBlock& b, bool ok) {
    b.path.clear();
    // Other programs find the root through the header, so a changed header
    // is written at once, not only on close.
    if (b.headerChanged && !WriteAnchorNode(b)) return false;
    return ok;
}

int Result(IndexControlBlock& b, bool ok) {
    return FinishChange(b, ok) ? 0 : -1;
}

// Empties the whole index: node 1 becomes the empty root again.
int ResetToEmpty(IndexControlBlock& b) {
    NdxNode empty{};
    b.hdr.root = 1;
    b.hdr.nextFree = 2;
    b.headerChanged = true;
    if (!SeekAndWrite(b, 1, empty)) return Result(b, false);
    b.file->Truncate(2 * BlockSize);
    b.cache.clear();
    return Result(b, true);
}

}  // namespace

// ---- header ------------------------------------------------------------------

bool ParseNdxHeader(const uint8_t* h, NdxHeader& out) {
    NdxHeader r;
    r.root = GetU32(h + HdrRoot);
    r.nextFree = GetU32(h + HdrNextFree);
    r.keyType = static_cast<char>(h[HdrKeyType]);
    r.keyLength = GetU16(h + HdrKeyLength);
    r.keysPerNode = GetU16(h + HdrKeysPerNode);
    r.keyKind = GetU16(h + HdrKeyKind);
    r.entrySize = GetU16(h + HdrEntrySize);
    r.unique = h[HdrUnique] != 0;
    // Some writers leave the type byte 0; the key kind tells the kind then.
    if (r.keyType == 0) r.keyType = r.keyKind == 0 ? 'C' : 'N';
    if (r.keyType != 'C' && r.keyType != 'N' && r.keyType != 'F' && r.keyType != 'D') return false;
    if (r.keyLength < 1 || r.keyLength > MaxKeyLength) return false;
    if (r.keyType != 'C' && r.keyLength != NumKeyLength) return false;
    if (r.entrySize < r.keyLength + EntryKey) return false;
    if (r.keysPerNode < 2 || int64_t{r.keysPerNode} * r.entrySize > NodeRoom) return false;
    if (r.root == 0) return false;
    out = r;
    return true;
}

void StoreNdxHeader(const NdxHeader& h, uint8_t* block) {
    std::memset(block, 0, HdrCopySize);
    PutU32(block + HdrRoot, h.root);
    PutU32(block + HdrNextFree, h.nextFree);
    block[HdrKeyType] = static_cast<uint8_t>(h.keyType);
    PutU16(block + HdrKeyLength, h.keyLength);
    PutU16(block + HdrKeysPerNode, h.keysPerNode);
    PutU16(block + HdrKeyKind, h.keyKind);
    PutU16(block + HdrEntrySize, h.entrySize);
    block[HdrUnique] = h.unique ? 1 : 0;
}

NdxHeader NewNdxHeader(char keyType, int keyLength, bool unique) {
    NdxHeader h;
    h.keyType = keyType;
    h.keyLength = static_cast<uint16_t>(keyLength);
    h.entrySize = static_cast<uint16_t>(EntrySizeFor(keyLength));
    h.keysPerNode = static_cast<uint16_t>(KeysPerNodeFor(keyLength));
    h.keyKind = keyType == 'C' ? 0 : 1;
    h.unique = unique;
    return h;
}

std::string KeyMakerMarker() {
    return NormaliseExpr("Anwender-definierten KeyMaker benutzt, um Index zu erzeugen");
}

std::string NormaliseExpr(const std::string& text, bool keepBlanks) {
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '"' || c == '\'') {
            const size_t end = text.find(c, i + 1);
            const size_t stop = end == std::string::npos ? text.size() : end;
            out += '"';
            out.append(text, i + 1, stop - i - 1);
            if (end != std::string::npos) out += '"';
            i = stop;
        } else if (c == ' ' || c == '\t') {
            if (!keepBlanks) continue;
            const char next = i + 1 < text.size() ? text[i + 1] : '\0';
            if (next != '\0' && next != ' ' && next != '\t' && next != '"' && next != '\'' &&
                next != '=')
                out += ' ';
        } else {
            out += (c >= 'a' && c <= 'z') ? static_cast<char>(c - 32) : c;
        }
    }
    return out;
}

std::string HeaderTableName(const DbfArea& table) {
    const std::string name = UpperStr(NameWithoutDir(table.fileName));
    return (table.oem ? LStrAnsiToOem(name) : name).substr(0, 12);
}

void FillHeaderBlock(const NdxHeader& h, const std::string& expression, int32_t recordCount,
                     const std::string& tableName, uint8_t* block, bool inChange) {
    std::memset(block, 0, BlockSize);
    StoreNdxHeader(h, block);
    if (inChange) std::memcpy(block + HdrChangeMark, ChangeMarkBytes, HdrChangeMarkSize);
    std::memcpy(block + HdrExpr, expression.data(),
                std::min<size_t>(expression.size(), HdrExprSize - 1));
    PutU32(block + HdrStampNot, ~static_cast<uint32_t>(recordCount));
    PutU32(block + HdrStampCount, static_cast<uint32_t>(recordCount));
    std::memcpy(block + HdrTableName, tableName.data(),
                std::min<size_t>(tableName.size(), HdrTableNameSize - 1));
}

bool ReadAnchorNode(IndexControlBlock& b, const std::string& routine) {
    uint8_t h[HdrChangeMark + HdrChangeMarkSize];
    NdxHeader parsed;
    if (b.file->ReadAt(0, h, sizeof h) != static_cast<int64_t>(sizeof h) ||
        !ParseNdxHeader(h, parsed) || parsed.keyLength != b.hdr.keyLength ||
        parsed.keyType != b.hdr.keyType || parsed.entrySize != b.hdr.entrySize ||
        parsed.keysPerNode != b.hdr.keysPerNode) {
        SetEngineError(IoCodeFromErrno(b.file->Error(), 100),
                       "Fehler beim Lesen der Index-Datei:  " + platform::DisplayPath(b.fileName) +
                           " [" + routine + "]");
        return false;
    }
    b.hdr = parsed;
    b.markOnDisk = HasChangeMark(h);
    b.path.clear();
    b.cache.clear();
    return true;
}

bool WriteAnchorNode(IndexControlBlock& b) {
    NdxNode block;
    const int32_t count = b.table ? b.table->recordCount : 0;
    const std::string name = b.table ? HeaderTableName(*b.table) : std::string();
    // The expression is held in the Windows code page; the file keeps the DOS one.
    const std::string expr = b.table && b.table->oem ? LStrAnsiToOem(b.expression) : b.expression;
    // A mark on disk stays until SetChangeMark clears it.
    FillHeaderBlock(b.hdr, expr, count, name, block.data(), b.inChange || b.markOnDisk);
    if (b.file->WriteAt(0, block.data(), BlockSize) != BlockSize) {
        SetEngineError(IoCodeFromErrno(b.file->Error(), 101),
                       "Fehler beim Schreiben der Index-Datei:  " +
                           platform::DisplayPath(b.fileName) + " [WriteAnchorNode]");
        return false;
    }
    b.headerChanged = false;
    return true;
}

bool SetChangeMark(IndexControlBlock& b, bool on) {
    // Only the mark's bytes are written: the rest of the header as this
    // program last read it may be older than the file. A changed header
    // goes out before the mark is cleared, still marked.
    if (!on && b.headerChanged && !WriteAnchorNode(b)) return false;
    const uint8_t zero[HdrChangeMarkSize] = {};
    if (b.file->WriteAt(HdrChangeMark, on ? ChangeMarkBytes : zero, HdrChangeMarkSize) !=
        HdrChangeMarkSize) {
        SetEngineError(IoCodeFromErrno(b.file->Error(), 101),
                       "Fehler beim Schreiben der Index-Datei:  " +
                           platform::DisplayPath(b.fileName) + " [WriteAnchorNode]");
        return false;
    }
    b.inChange = on;
    b.markOnDisk = on;
    return true;
}

int ReadChangeMark(IndexControlBlock& b) {
    uint8_t mark[HdrChangeMarkSize];
    if (b.file->ReadAt(HdrChangeMark, mark, sizeof mark) != static_cast<int64_t>(sizeof mark)) {
        SetEngineError(IoCodeFromErrno(b.file->Error(), 100),
                       "Fehler beim Lesen der Index-Datei:  " + platform::DisplayPath(b.fileName) +
                           " [ReadChangeMark]");
        return -1;
    }
    uint8_t block[HdrChangeMark + HdrChangeMarkSize] = {};
    std::memcpy(block + HdrChangeMark, mark, sizeof mark);
    b.markOnDisk = HasChangeMark(block);
    return b.markOnDisk ? 1 : 0;
}

bool HasChangeMark(const uint8_t* headerBlock) {
    // Each byte is the mark's or zero, at least one the mark's: a write of
    // the mark (or of its clearing) that was cut short counts as the mark.
    bool any = false;
    for (int i = 0; i < HdrChangeMarkSize; ++i) {
        const uint8_t c = headerBlock[HdrChangeMark + i];
        if (c != 0 && c != ChangeMarkBytes[i]) return false;
        any = any || c != 0;
    }
    return any;
}

// ---- nodes -------------------------------------------------------------------

int CompareNdxKeys(const IndexControlBlock& b, const uint8_t* x, const uint8_t* y) {
    if (b.charKey) {
        const int r = std::memcmp(x, y, b.hdr.keyLength);
        return r < 0 ? -1 : (r > 0 ? 1 : 0);
    }
    double a, c;
    std::memcpy(&a, x, sizeof a);
    std::memcpy(&c, y, sizeof c);
    // A total order even for the NaN a damaged file may hold: NaN first.
    if (std::isnan(a) || std::isnan(c))
        return std::isnan(a) == std::isnan(c) ? 0 : (std::isnan(a) ? -1 : 1);
    return a == c ? 0 : (a > c ? 1 : -1);
}

int NodeCount(const NdxNode& node) {
    return GetU16(node.data() + NodeKeyCount);
}

const uint8_t* NodeEntry(const IndexControlBlock& b, const NdxNode& node, int i) {
    return node.data() + NodeEntries + i * b.hdr.entrySize;
}

uint32_t NodeChild(const IndexControlBlock& b, const NdxNode& node, int pos) {
    return GetU32(node.data() + NodeEntries + pos * b.hdr.entrySize);
}

bool SeekAndRead(IndexControlBlock& b, uint32_t n, NdxNode& node) {
    if (n == 0) {
        SetEngineError(254, "Ungültige Knotennummer (0) in DBF-Bereich "_oem +
                                std::to_string(CurrentArea) + ", Ordnung " +
                                std::to_string(b.orderNo) + " [GetNode]");
        return false;
    }
    if (b.cacheOn) {
        for (size_t i = 0; i < b.cache.size(); ++i) {
            if (b.cache[i].first != n) continue;
            node = b.cache[i].second;
            if (i > 0) std::swap(b.cache[i], b.cache[i - 1]);  // one place forward
            return true;
        }
    }
    const int64_t got = b.file->ReadAt(static_cast<int64_t>(n) * BlockSize, node.data(), BlockSize);
    if (got != BlockSize) {
        SetEngineError(IoCodeFromErrno(b.file->Error(), 100),
                       "Fehler beim Lesen der Index-Datei: " + platform::DisplayPath(b.fileName) +
                           " [SeekAndRead]");
        return false;
    }
    // The upper half of the count field is zero in the file; a count beyond
    // the node's room means a damaged file.
    if (GetU16(node.data() + NodeKeyCount + 2) != 0 || NodeCount(node) > b.hdr.keysPerNode) {
        Damaged(b, "SeekAndRead");
        return false;
    }
    if (b.cacheOn) {
        if (b.cache.size() < NodeCacheSlots)
            b.cache.emplace_back(n, node);
        else if (!b.cache.empty())
            b.cache.back() = {n, node};
    }
    return true;
}

bool SeekAndWrite(IndexControlBlock& b, uint32_t n, const NdxNode& node) {
    if (b.file->WriteAt(static_cast<int64_t>(n) * BlockSize, node.data(), BlockSize) != BlockSize) {
        SetEngineError(IoCodeFromErrno(b.file->Error(), 101),
                       "Fehler beim Schreiben der Index-Datei: " +
                           platform::DisplayPath(b.fileName) + " [SeekAndWrite]");
        b.cache.clear();
        return false;
    }
    for (auto& slot : b.cache)
        if (slot.first == n) slot.second = node;
    return true;
}

// ---- cursor ------------------------------------------------------------------

bool CursorOnEntry(const IndexControlBlock& b) {
    if (b.path.empty()) return false;
    const NdxPathStep& leaf = b.path.back();
    return leaf.pos >= 0 && leaf.pos < leaf.count;
}

int32_t CursorRecord(const IndexControlBlock& b) {
    if (!CursorOnEntry(b)) return -1;
    const NdxPathStep& leaf = b.path.back();
    return static_cast<int32_t>(GetU32(NodeEntry(b, leaf.buf, leaf.pos) + EntryRecord));
}

std::string CursorKey(const IndexControlBlock& b) {
    if (!CursorOnEntry(b)) return {};
    const NdxPathStep& leaf = b.path.back();
    return std::string(reinterpret_cast<const char*>(NodeEntry(b, leaf.buf, leaf.pos) + EntryKey),
                       b.hdr.keyLength);
}

int DescendEdge(IndexControlBlock& b, bool last) {
    b.path.clear();
    if (!Push(b, b.hdr.root) || !DescendFrom(b, last)) return -1;
    if (CursorOnEntry(b)) return 1;
    // An empty leaf below a sound root only in a damaged file; step on.
    if (b.path.size() == 1) return 0;
    return StepCursor(b, !last);
}

int StepCursor(IndexControlBlock& b, bool forward) {
    if (b.path.empty()) return 0;
    // Bounded walk over empty leaves, which only damaged files hold.
    for (int guard = 0; guard < 1 << 20; ++guard) {
        NdxPathStep& leaf = b.path.back();
        const int n = leaf.count;
        if (forward && leaf.pos + 1 < n) {
            ++leaf.pos;
            return 1;
        }
        if (!forward && leaf.pos > 0 && leaf.pos - 1 < n) {
            --leaf.pos;
            return 1;
        }
        // Climb to the first ancestor with a child on that side.
        size_t level = b.path.size() - 1;
        bool found = false;
        while (level > 0) {
            --level;
            const NdxPathStep& s = b.path[level];
            if (forward ? s.pos < s.count : s.pos > 0) {
                found = true;
                break;
            }
        }
        if (!found) return 0;
        const std::vector<NdxPathStep> saved(b.path.begin(), b.path.end());
        b.path.resize(level + 1);
        b.path.back().pos += forward ? 1 : -1;
        if (!Push(b, NodeChild(b, b.path.back().buf, b.path.back().pos)) ||
            !DescendFrom(b, !forward)) {
            b.path = saved;
            return -1;
        }
        if (CursorOnEntry(b)) return 1;
        // An empty leaf: the next round climbs on from it.
    }
    return 0;
}

int SeekKeyInOrder(IndexControlBlock& b, const std::string& key) {
    b.bof = b.eof = false;
    const std::string k = PadKey(b, key);
    if (!DescendToKey(b, k)) return -1;
    NdxPathStep& leaf = b.path.back();
    const int n = NodeCount(leaf.buf);
    if (n == 0 && b.path.size() == 1) {
        leaf.pos = 0;
        b.eof = true;
        return 0;
    }
    if (leaf.pos >= n) {
        // Greater than every key of this leaf: the next leaf, or the end.
        leaf.pos = n - 1;
        const int r = StepCursor(b, true);
        if (r < 0) return -1;
        if (r == 0) {
            b.path.back().pos = NodeCount(b.path.back().buf);
            b.eof = true;
            return 0;
        }
    }
    const NdxPathStep& at = b.path.back();
    return CompareNdxKeys(b, NodeEntry(b, at.buf, at.pos) + EntryKey,
                          reinterpret_cast<const uint8_t*>(k.data())) == 0
               ? 1
               : 0;
}

int PositionOnEntry(IndexControlBlock& b, const std::string& key, int32_t record) {
    int r = SeekKeyInOrder(b, key);
    if (r <= 0) return r;
    const std::string k = PadKey(b, key);
    for (;;) {
        if (CursorRecord(b) == record) return 1;
        r = StepCursor(b, true);
        if (r <= 0) return r;
        const std::string ck = CursorKey(b);
        if (CompareNdxKeys(b, reinterpret_cast<const uint8_t*>(ck.data()),
                           reinterpret_cast<const uint8_t*>(k.data())) != 0)
            return 0;
    }
}

// ---- insertion ---------------------------------------------------------------

int AppendIndex(IndexControlBlock& b, const std::string& key, int32_t record) {
    const std::string k = PadKey(b, key);
    const uint8_t* kp = reinterpret_cast<const uint8_t*>(k.data());
    if (!DescendToKey(b, k)) return Result(b, false);
    std::vector<NdxPathStep> path = std::move(b.path);
    b.path.clear();
    NdxPathStep& leaf = path.back();
    uint32_t trailing = 0;
    std::vector<Ent> ents = LoadEntries(b, leaf.buf, trailing);
    int pos = leaf.pos;
    if (pos < static_cast<int>(ents.size()) &&
        CompareNdxKeys(b, reinterpret_cast<const uint8_t*>(ents[pos].key.data()), kp) == 0) {
        if (b.hdr.unique) return 0;
        while (pos < static_cast<int>(ents.size()) &&
               CompareNdxKeys(b, reinterpret_cast<const uint8_t*>(ents[pos].key.data()), kp) == 0)
            ++pos;
    }
    ents.insert(ents.begin() + pos, Ent{0, static_cast<uint32_t>(record), k});

    // Split upwards while a node holds more than keys-per-node entries: the
    // new nodes are written first, then the header, the node that takes the
    // new entry and the shrunk nodes. A program killed in between leaves the
    // change mark on the header, and the next one rebuilds the order.
    std::vector<std::pair<uint32_t, NdxNode>> fresh;
    std::vector<size_t> shrunk;  // levels, bottom up
    const NdxPathStep* taker = nullptr;
    const uint32_t oldRoot = b.hdr.root;
    bool leafLevel = true;
    size_t level = path.size() - 1;
    for (;;) {
        NdxPathStep& s = path[level];
        if (ents.size() <= b.hdr.keysPerNode) {
            StoreEntries(b, ents, leafLevel ? 0 : trailing, s.buf);
            taker = &s;
            break;
        }
        const size_t rightCount = ents.size() / 2;
        std::vector<Ent> right(ents.end() - static_cast<long>(rightCount), ents.end());
        ents.resize(ents.size() - rightCount);
        const uint32_t rightTrailing = trailing;
        std::string sepKey = ents.back().key;
        uint32_t leftTrailing = 0;
        if (!leafLevel) {
            leftTrailing = ents.back().child;
            ents.pop_back();
        }
        const uint32_t rightNode = TakeNewNode(b);
        StoreEntries(b, right, leafLevel ? 0 : rightTrailing,
                     fresh.emplace_back(rightNode, NdxNode{}).second);
        StoreEntries(b, ents, leftTrailing, s.buf);
        shrunk.push_back(level);
        const uint32_t leftNode = s.node;
        if (level == 0) {
            const uint32_t rootNode = TakeNewNode(b);
            StoreEntries(b, {Ent{leftNode, 0, sepKey}}, rightNode,
                         fresh.emplace_back(rootNode, NdxNode{}).second);
            b.hdr.root = rootNode;
            break;
        }
        --level;
        NdxPathStep& parent = path[level];
        ents = LoadEntries(b, parent.buf, trailing);
        const int p = parent.pos;
        ents.insert(ents.begin() + p, Ent{leftNode, 0, sepKey});
        if (p + 1 < static_cast<int>(ents.size()))
            ents[p + 1].child = rightNode;
        else
            trailing = rightNode;
        leafLevel = false;
    }
    for (const auto& [n, node] : fresh) {
        if (!SeekAndWrite(b, n, node)) {
            b.hdr.root = oldRoot;  // the new root may be missing
            return Result(b, false);
        }
    }
    if (b.headerChanged && !WriteAnchorNode(b)) return Result(b, false);
    if (taker && !WriteStep(b, *taker)) return Result(b, false);
    for (auto at = shrunk.rbegin(); at != shrunk.rend(); ++at)
        if (!WriteStep(b, path[*at])) return Result(b, false);
    return Result(b, true);
}

// ---- deletion ----------------------------------------------------------------

int DeleteIndexKey(IndexControlBlock& b, const std::string& key, int32_t record) {
    const bool bof = b.bof, eof = b.eof;
    const int found = PositionOnEntry(b, key, record);
    b.bof = bof;
    b.eof = eof;
    if (found <= 0) {
        b.path.clear();
        return -1;
    }
    std::vector<NdxPathStep> path = std::move(b.path);
    b.path.clear();
    size_t level = path.size() - 1;
    uint32_t trailing = 0;
    std::vector<Ent> ents = LoadEntries(b, path[level].buf, trailing);
    const int pos = path[level].pos;
    const bool wasLast = pos == static_cast<int>(ents.size()) - 1;
    ents.erase(ents.begin() + pos);
    if (!ents.empty() || level == 0) {
        StoreEntries(b, ents, 0, path[level].buf);
        if (!WriteStep(b, path[level])) return Result(b, false);
        if (ents.empty()) return ResetToEmpty(b);
        if (wasLast && level > 0) {
            NdxPathStep& parent = path[level - 1];
            if (parent.pos < NodeCount(parent.buf)) {
                uint8_t* e = parent.buf.data() + NodeEntries + parent.pos * b.hdr.entrySize;
                std::memcpy(e + EntryKey, ents.back().key.data(), b.hdr.keyLength);
                if (!WriteStep(b, parent)) return Result(b, false);
            }
        }
        return Result(b, true);
    }
    // The leaf is empty: take it out of its parent, and a parent left
    // without any child out of its own parent in turn.
    while (level > 0) {
        --level;
        NdxPathStep& parent = path[level];
        ents = LoadEntries(b, parent.buf, trailing);
        const int p = parent.pos;
        if (p < static_cast<int>(ents.size())) {
            ents.erase(ents.begin() + p);
        } else if (!ents.empty()) {
            trailing = ents.back().child;
            ents.pop_back();
        } else {
            continue;  // only the trailing pointer was left: remove this node too
        }
        if (ents.empty() && level == 0) {
            // An internal root with one child left: the child becomes the root.
            b.hdr.root = trailing;
            b.headerChanged = true;
            return Result(b, true);
        }
        // A lower node may keep only its trailing pointer, so that every
        // leaf stays at the same depth.
        StoreEntries(b, ents, trailing, parent.buf);
        return Result(b, WriteStep(b, parent));
    }
    return ResetToEmpty(b);
}

// ---- file queries ------------------------------------------------------------

bool IndexInfo(const std::string& name, IndexFileInfo& info) {
    const std::string file = DefaultExtension(name, "NDX");
    uint16_t io = 0;
    auto f = OpenEngineFile(file, ShareDenyNone, io);
    if (!f) f = OpenEngineFile(file, 0x40, io);
    uint8_t block[BlockSize];
    NdxHeader h;
    if (!f || f->ReadAt(0, block, BlockSize) != BlockSize || !ParseNdxHeader(block, h)) {
        SetEngineError(f ? IoCodeFromErrno(f->Error(), 100) : io,
                       "Fehler beim Lesen der Index-Datei: \r\n[IndexInfo(<>," +
                           platform::DisplayPath(name) + ")]");
        return false;
    }
    info.expression =
        std::string(reinterpret_cast<const char*>(block + HdrExpr),
                    strnlen(reinterpret_cast<const char*>(block + HdrExpr), HdrExprSize - 1));
    info.keyLength = h.keyLength;
    info.keyType = h.keyType;
    info.unique = h.unique;
    const uint32_t count = GetU32(block + HdrStampCount);
    info.recordCount = GetU32(block + HdrStampNot) == ~count ? static_cast<int32_t>(count) : -1;
    info.tableName = std::string(reinterpret_cast<const char*>(block + HdrTableName),
                                 strnlen(reinterpret_cast<const char*>(block + HdrTableName), 12));
    return true;
}

int32_t IndexRecCount(const std::string& name) {
    IndexFileInfo info;
    return IndexInfo(name, info) ? info.recordCount : -1;
}

}  // namespace kor2
