// dBase expressions: the compiler of an expression text into a typed postfix
// program and the machine that runs it on the current records. Reached by
// the index and work-area layers through ExprHooks, and directly by callers.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace kor2 {

struct DbfArea;

// Type codes of expression values.
enum ExprType : int32_t {
    ExprTypeC = 331,  // text of at most 255 characters
    ExprTypeN = 332,  // number
    ExprTypeL = 333,  // logical
    ExprTypeD = 334,  // date as a Julian day number, 0 for a blank date
    ExprTypeM = 335,  // memo text
};

inline constexpr int MaxExprText = 255;   // longest source text and text value
inline constexpr int ExprOpPush = 0;      // program cell: push its data
inline constexpr int ExprOpEnd = -1;      // program cell: end of program

// One cell of the program and of the work stack. A text value is an offset
// and length into the block's work pool (work stack) or an index into the
// block's text constants (program).
struct ExprCell {
    int32_t op = ExprOpPush;
    int32_t argc = 0;
    int32_t type = ExprTypeN;
    int32_t logical = 0;  // L: 0 or 1; its first byte is the condition
    double number = 0;    // N and D
    uint32_t text = 0;
    uint32_t length = 0;
};

// One compiled expression.
struct ExprBlock {
    std::string source;     // the source text (at most 255 characters)
    char resultType = 'N';  // 'C', 'N', 'L', 'D' or 'M'
    uint8_t width = 0;
    uint8_t decimals = 0;
    const uint8_t* result = nullptr;     // value of the last evaluation
    std::vector<std::string> constants;  // text constants of the program
    std::vector<ExprCell> program;       // postfix program, ends with ExprOpEnd
    std::vector<ExprCell> work;          // work stack, grown on demand and kept
    uint16_t poolSize = 0;
    std::vector<char> pool;  // work pool: poolSize bytes and a final NUL guard
    size_t poolCursor = 0;
};

// Compiles a text (cut to 255 characters). Returns the new block, owned by
// this unit until FreeExpr, or nullptr after reporting the error (351 with
// the failing place, or 217).
ExprBlock* AssignExpr(const std::string& text);
// Frees a block of this unit and sets the variable to nullptr; nullptr or a
// block this unit does not hold does nothing.
void FreeExpr(ExprBlock*& block);
// Runs the program on the current records; nullptr for nullptr. C and M
// results are NUL-terminated texts, N and D doubles, L a 32-bit 0 or 1.
const uint8_t* EvaluateExpr(ExprBlock* block);
// The source text of a block (empty for nullptr).
std::string ExprText(const ExprBlock* block);

// Typed views of the last result of a block.
std::string ExprResultText(const ExprBlock& block);  // C and M
double ExprResultNumber(const ExprBlock& block);     // N and D
bool ExprResultLogical(const ExprBlock& block);      // L

// Fills ExprHooks, the key maker of the index layer and ParserLinked.
void InitExprParser();
// The key maker of index builds: evaluates the expression that the index
// layer made current with SetCurrentKeyExpr.
const uint8_t* EvaluateCurrentExpr();
void SetCurrentKeyExpr(ExprBlock* block);

// When on, the fields of a work area that stands at end of file read blank.
inline bool BlankAtEof = false;


// Value of field fieldNo (from 1) of the current record of area `area`
// (33 or more: the current area) as an expression value in `cell`, texts
// copied into `pool` from `cursor` on (at most `poolEnd`). False for a field
// type outside C, D, F, L, M, N or a field that does not exist.
bool FetchFieldValue(int fieldNo, int area, ExprCell& cell, std::vector<char>& pool,
                     size_t cursor, size_t poolEnd);

}  // namespace kor2
