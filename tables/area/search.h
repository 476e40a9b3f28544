// Search and copy commands of the current work area: raw text search through
// the table file, direct field reads and writes with a record cache, LOCATE
// and CONTINUE, and appending the records of another table by field names.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace kor2 {

inline uint32_t PeekCacheSize = 0;  // wanted cache size in bytes, 0 = no cache

bool Search(const std::string& text, int& fieldNo, bool fromTop);
// The first record from the start that holds any of the texts.
bool Search(const std::vector<std::string>& texts, int& fieldNo, bool fromTop);
std::string Peek(int field, int32_t record);
void Poke(const std::string& text, int field, int32_t record);
void UpdatePeekCache();
void DropPeekCache(const std::string& alias);  // empty alias: any table
void ResetSearchState();                       // engine start: no cache, no LOCATE

int ParseLocateArgs(const std::string& text);
bool Locate(const std::string& fieldAndOptions, const std::string& value, bool caseInsensitive,
            int32_t startRecord, bool exact);
bool Continue();
bool LocateRecord(const std::string& fieldNames, const std::string& values, bool caseInsensitive,
                  bool move, bool exact);

// Asked before each record; false ends the copy.
using AppendProgressProc = std::function<bool()>;
bool AppendFrom(const std::string& source, const AppendProgressProc& progress);

}  // namespace kor2
