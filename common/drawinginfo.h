// The shell's drawing information that travels in the spring file: the
// change history (AendRecord), the title block, the free drawing texts and
// the linked documents, with the two file sections that write and read them.
// WriteSpringFile and the spring file reader call the sections.
#pragma once

#include <array>
#include <cstddef>
#include <string>
#include <vector>

#include "common/linesource.h"
#include "common/shortstring.h"
#include "platform/types.h"

namespace kor2 {

inline constexpr std::size_t kMaxAendRecords = 25;
inline constexpr std::size_t kMaxDrawingTexts = 50;
inline constexpr std::size_t kLinkedDocumentCount = 5;
inline constexpr std::size_t kDocumentTextLen = 50;

// One entry of the change history. The description is kept on one line:
// its line breaks are stored as "|".
struct AendRecord {
    std::string ChangeText;
    std::string Date;
    std::string Editor;
    std::string Description;
    bool operator==(const AendRecord&) const = default;
};

// The filled fields of the drawing's title block.
struct TitleBlockInfo {
    std::string CheckedDate, CheckedName;    // "Gepr."
    std::string StandardDate, StandardName;  // "Norm"
    std::string Row4Date, Row4Name;          // fourth row of the grid
    std::string DrawnDate, DrawnName;        // "Bearb."
    std::string Replaces;                    // "Ersatz für"
    std::string ReplacedBy;                  // "Ersetzt durch"
    bool operator==(const TitleBlockInfo&) const = default;
};

// A free text placed on the drawing, in sheet millimetres and degrees.
struct DrawingText {
    Extended X = 0, Y = 0, Height = 0, Angle = 0;
    std::string Text;
    bool operator==(const DrawingText&) const = default;
};

// A document linked to the spring: the program that opens it and its file.
struct LinkedDocument {
    ShortString<kDocumentTextLen> Program;
    ShortString<kDocumentTextLen> File;
    bool operator==(const LinkedDocument&) const = default;
};

struct DrawingInfo {
    std::vector<AendRecord> Changes;  // at most kMaxAendRecords
    TitleBlockInfo TitleBlock;
    std::vector<DrawingText> Texts;  // at most kMaxDrawingTexts
    std::array<LinkedDocument, kLinkedDocumentCount> Documents{};
    bool operator==(const DrawingInfo&) const = default;
};

// The drawing information of the current spring.
inline DrawingInfo CurrentDrawingInfo;

// Empties the current drawing information (a new spring).
void ResetDrawingInfo();

// A text as one line of the file: CR LF, a lone CR and a lone LF each become "|".
std::string LineBreaksToBars(std::string_view text);

// Write the sections of CurrentDrawingInfo to SharedTextFile with the line
// writers; a failed write sets AbortFlag. Only the first 25 change entries
// and 50 drawing texts are written. The change descriptions in memory keep
// their line breaks replaced by "|".
void WriteChangesSection();
void WriteDocumentsSection();

// Read the sections from lines into a staging copy. False when a section
// marker, a count or a separator line is not where the layout puts it; the
// caller then refuses the file.
bool ReadChangesSection(LineSource& in, DrawingInfo& into);
bool ReadDocumentsSection(LineSource& in, DrawingInfo& into);

}  // namespace kor2
