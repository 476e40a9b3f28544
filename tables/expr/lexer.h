// Lexer of dBase expressions: token codes, the function table and the field
// lookup in the work areas. Used by the expression compiler (compiler.cpp)
// and its tests only.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace kor2::expr {

// Token codes. Single characters other than those below are their own token.
enum Token : int32_t {
    TokEnd = 0,
    TokAbs = 257,
    TokAsc = 259,
    TokAt = 261,
    TokCdow = 264,
    TokChr = 266,
    TokCmonth = 267,
    TokCtod = 269,
    TokDate = 270,
    TokDay = 271,
    TokDeleted = 272,
    TokDow = 274,
    TokDtoc = 275,
    TokDtos = 277,
    TokIif = 283,
    TokInt = 284,
    TokLeft = 288,
    TokLen = 289,
    TokLower = 292,
    TokLtrim = 293,
    TokMax = 294,
    TokMin = 295,
    TokMod = 296,
    TokMonth = 297,
    TokRecno = 300,
    TokReplicate = 301,
    TokRight = 302,
    TokRound = 303,
    TokRtrim = 305,
    TokSoundex = 308,
    TokSpace = 310,
    TokStr = 311,
    TokStuff = 312,
    TokSubstr = 313,
    TokTrim = 316,
    TokUpper = 318,
    TokVal = 319,
    TokYear = 320,
    TokFieldC = 321,  // 321..325: C, N, L, D, M field of the current area
    TokFieldM = 325,
    TokAliasC = 326,  // 326..330: the same with an alias
    TokAliasM = 330,
    TokText = 331,
    TokNumber = 332,
    TokNoMatch = 336,
    TokFalse = 337,
    TokTrue = 338,
    TokNot = 339,
    TokOr = 340,
    TokAnd = 341,
    TokNotEqual = 342,  // "<>" and "#"
    TokLessEq = 343,
    TokGreaterEq = 344,
    TokExactEq = 345,  // "=="
    TokContained = 346,  // "$"
};

// Operation codes of the program (functions use their token).
enum OpCode : int32_t {
    OpAddN = 347, OpAddND, OpAddDN, OpAddC,
    OpSubN, OpSubDN, OpSubDD, OpSubC,
    OpMul, OpDiv, OpPow,
    OpEqN, OpEqD, OpEqC, OpEqL, OpExactEq, OpContained,
    OpGtN, OpGtD, OpGtC, OpLtN, OpLtD, OpLtC,
    OpNeN, OpNeD, OpNeC, OpNeL,
    OpLeN, OpLeD, OpLeC, OpGeN, OpGeD, OpGeC,
    OpOr, OpAnd, OpNot, OpNeg,
};
static_assert(OpNeg == 383);

// One entry of the function table.
struct FunctionEntry {
    const char* name;
    int32_t token;
    uint16_t poolIncrement;
};
inline constexpr int FunctionTableSize = 68;
extern const FunctionEntry FunctionTable[FunctionTableSize];

// Token of a name in the function table (exact, in table order), or
// TokNoMatch; poolIncrement receives the entry's increment.
int32_t LookupExprFunction(std::string_view name, uint16_t& poolIncrement);
// The full name of a function token, as used in type messages.
const char* FunctionFullName(int32_t token);

// A field found by LookupExprField.
struct FieldRef {
    int32_t token = TokNoMatch;  // 321..330, or TokNoMatch when no field
    int fieldNo = 0;             // from 1
    int area = 0;                // work area of an alias, else 0
    char type = 'C';
    uint8_t length = 0;
    uint8_t decimals = 0;
};
// Looks a name up as a field: with an alias ("ALIAS.NAME") among the areas
// 1..32, else in the current area.
FieldRef LookupExprField(std::string_view name, bool hasAlias);

// Lexer state of one compilation.
class ExprLexer {
public:
    explicit ExprLexer(std::string_view text);

    int32_t Next();  // the next token

    // Data of the token just read.
    const std::string& Text() const { return text_; }  // text constant or name
    double Number() const { return number_; }
    const FieldRef& Field() const { return field_; }

    size_t Position() const { return pos_; }
    const std::string& Source() const { return src_; }
    int LastWidth() const { return width_; }
    int LastDecimals() const { return decimals_; }
    uint32_t PoolCounter() const { return pool_; }

private:
    int Peek(size_t at) const;  // upper-cased character, -1 at the end
    int32_t ReadNumber();
    int32_t ReadText(char quote);
    int32_t ReadName();

    std::string src_;
    size_t end_ = 0;  // the text ends here (an unclosed quote moves it)
    size_t pos_ = 0;
    std::string text_;
    double number_ = 0;
    FieldRef field_;
    int width_ = 0;
    int decimals_ = 19;  // 19: none set yet
    uint32_t pool_ = 0;
};

// Reads a decimal number from the start of s: optional blanks, sign,
// digits, point, digits, exponent; the longest valid prefix, 0 when none.
double ParseDecimalPrefix(std::string_view s);

}  // namespace kor2::expr
