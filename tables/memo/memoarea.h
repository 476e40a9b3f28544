// Memo operations on the table of the current work area, and the start-up of
// the memo layer that fills MemoHooks. Called by the work-area commands
// (through the hooks), the expression machine and the data-set layer.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace kor2 {

// Fills MemoHooks: from now on tables with memo fields open their memo files.
void InitMemoUnit();

// The memo file of the current area after the checks every memo operation
// makes: error 215 without a table, 1019 without a memo file.
struct TMemoFileRec;
TMemoFileRec* CurrentMemoFile(const std::string& operation);

// Reads memo blockNo of the current table into the memo pad.
bool GetMemo(int32_t blockNo);
// Appends text to the current table's memo file: its block number, 0 when empty or failed.
int32_t AddMemo(const std::string& text);
// Binds a memo text file to memo blockNo of the current table (0 when there is none).
class MemoTextFile;
bool AssignMemo(MemoTextFile& f, int32_t& blockNo);
// The pad lines of the memo in field n (1-based) of the current record.
std::vector<std::string> MemoFieldLines(int n);

// Memo byte streams on the current area (see memostream.h).
int32_t CreateBlobDescriptor(bool convert, int32_t blockNo, uint8_t mode);
bool DestroyBlobDescriptor();
int32_t ReadBlobStream(void* buffer, int32_t count);
int32_t WriteBlobStream(const void* buffer, int32_t count);
int64_t SeekBlobStream(int64_t offset, int origin);

}  // namespace kor2
