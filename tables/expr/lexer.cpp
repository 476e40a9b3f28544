// Lexer of dBase expressions: reads numbers, quoted texts, names, fields
// (with "ALIAS->" prefixes) and operators, and keeps the width, decimals and
// work-pool size that the compiler turns into the result's layout.
#include "tables/expr/lexer.h"

#include <charconv>
#include <cmath>

#include "tables/area/workareas.h"
#include "tables/dbf/dbffile.h"
#include "tables/expr/expression.h"

namespace kor2::expr {

const FunctionEntry FunctionTable[FunctionTableSize] = {
    {"ABS", TokAbs, 0},
    {"ASC", TokAsc, 0},
    {"AT", TokAt, 0},
    {"CDOW", TokCdow, 15},
    {"CHR", TokChr, 2},
    {"CMON", TokCmonth, 15},
    {"CMONT", TokCmonth, 15},
    {"CMONTH", TokCmonth, 15},
    {"CTOD", TokCtod, 0},
    {"DATE", TokDate, 0},
    {"DAY", TokDay, 0},
    {"DELE", TokDeleted, 0},
    {"DELET", TokDeleted, 0},
    {"DELETE", TokDeleted, 0},
    {"DELETED", TokDeleted, 0},
    {"DOW", TokDow, 0},
    {"DTOC", TokDtoc, 11},
    {"DTOS", TokDtos, 9},
    {"IIF", TokIif, 256},
    {"INT", TokInt, 0},
    {"LEFT", TokLeft, 0},
    {"LEN", TokLen, 0},
    {"LOWE", TokLower, 0},
    {"LOWER", TokLower, 0},
    {"LTRI", TokLtrim, 0},
    {"LTRIM", TokLtrim, 0},
    {"MAX", TokMax, 0},
    {"MIN", TokMin, 0},
    {"MOD", TokMod, 0},
    {"MONT", TokMonth, 0},
    {"MONTH", TokMonth, 0},
    {"RECN", TokRecno, 0},
    {"RECNO", TokRecno, 0},
    {"REPL", TokReplicate, 256},
    {"REPLI", TokReplicate, 256},
    {"REPLIC", TokReplicate, 256},
    {"REPLICA", TokReplicate, 256},
    {"REPLICAT", TokReplicate, 256},
    {"REPLICATE", TokReplicate, 256},
    {"RIGH", TokRight, 0},
    {"RIGHT", TokRight, 0},
    {"ROUN", TokRound, 0},
    {"ROUND", TokRound, 0},
    {"RTRI", TokRtrim, 0},
    {"RTRIM", TokRtrim, 0},
    {"SOUN", TokSoundex, 15},
    {"SOUND", TokSoundex, 15},
    {"SOUNDE", TokSoundex, 15},
    {"SOUNDEX", TokSoundex, 15},
    {"SPAC", TokSpace, 256},
    {"SPACE", TokSpace, 256},
    {"STR", TokStr, 256},
    {"STUF", TokStuff, 0},
    {"STUFF", TokStuff, 0},
    {"SUBS", TokSubstr, 0},
    {"SUBST", TokSubstr, 0},
    {"SUBSTR", TokSubstr, 0},
    {"TRIM", TokTrim, 0},
    {"UPPE", TokUpper, 0},
    {"UPPER", TokUpper, 0},
    {"VAL", TokVal, 0},
    {"YEAR", TokYear, 0},
    {".F.", TokFalse, 0},
    {".T.", TokTrue, 0},
    {".NOT.", TokNot, 0},
    {".OR.", TokOr, 0},
    {".AND.", TokAnd, 0},
    {"$EOT$", TokNoMatch, 0},
};

int32_t LookupExprFunction(std::string_view name, uint16_t& poolIncrement) {
    poolIncrement = 0;
    for (const FunctionEntry& e : FunctionTable) {
        if (e.token == TokNoMatch) break;
        if (name == e.name) {
            poolIncrement = e.poolIncrement;
            return e.token;
        }
    }
    return TokNoMatch;
}

const char* FunctionFullName(int32_t token) {
    // The longest name of a token is its full name.
    const char* full = "";
    for (const FunctionEntry& e : FunctionTable)
        if (e.token == token && std::string_view(e.name).size() > std::string_view(full).size())
            full = e.name;
    return full;
}

namespace {

constexpr size_t MaxItemLength = 80;  // longest number or name
constexpr size_t MaxAliasLength = 10;
constexpr size_t MaxFieldName = 10;
constexpr int FirstAliasArea = 1;
constexpr int LastAliasArea = 32;
constexpr int NoDecimals = 19;

bool IsLetter(int c) {
    return c >= 'A' && c <= 'Z';
}
bool IsDigit(int c) {
    return c >= '0' && c <= '9';
}

const DbfArea* TableOf(int area) {
    return area >= 1 && area <= WorkAreaCount ? WorkAreas[static_cast<size_t>(area)].get()
                                              : nullptr;
}

int32_t FieldToken(char type) {
    switch (type) {
        case 'C':
            return TokFieldC;
        case 'N':
        case 'F':
            return TokFieldC + 1;
        case 'L':
            return TokFieldC + 2;
        case 'D':
            return TokFieldC + 3;
        case 'M':
            return TokFieldC + 4;
        default:
            return TokNoMatch;
    }
}

}  // namespace

FieldRef LookupExprField(std::string_view name, bool hasAlias) {
    FieldRef ref;
    const DbfArea* table = nullptr;
    std::string_view fieldName = name;
    if (hasAlias) {
        const size_t dot = name.find('.');
        if (dot == std::string_view::npos) return ref;
        const std::string_view alias = name.substr(0, dot).substr(0, MaxAliasLength);
        fieldName = name.substr(dot + 1);
        for (int a = FirstAliasArea; a <= LastAliasArea && !table; ++a) {
            const DbfArea* t = TableOf(a);
            if (t && t->alias == alias) {
                table = t;
                ref.area = a;
            }
        }
    } else {
        table = TableOf(CurrentArea);
    }
    if (!table || fieldName.empty() || fieldName.size() > MaxFieldName) return ref;
    for (size_t i = 0; i < table->fields.size(); ++i) {
        const DbfFieldEntry& f = table->fields[i];
        if (f.name != fieldName) continue;
        const int32_t token = FieldToken(f.type);
        if (token == TokNoMatch) return ref;
        ref.token = hasAlias ? token + (TokAliasC - TokFieldC) : token;
        ref.fieldNo = static_cast<int>(i) + 1;
        ref.type = f.type == 'F' ? 'N' : f.type;
        ref.length = f.length;
        ref.decimals = f.decimals;
        return ref;
    }
    return ref;
}

double ParseDecimalPrefix(std::string_view s) {
    size_t i = 0;
    while (i < s.size() && (s[i] == ' ' || s[i] == '\t')) ++i;
    bool negative = false;
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) negative = s[i++] == '-';
    const size_t start = i;
    size_t digits = 0;
    while (i < s.size() && IsDigit(s[i])) ++i, ++digits;
    if (i < s.size() && s[i] == '.') {
        ++i;
        while (i < s.size() && IsDigit(s[i])) ++i, ++digits;
    }
    if (digits == 0) return 0;
    size_t end = i;
    if (i < s.size() && (s[i] == 'e' || s[i] == 'E')) {
        size_t k = i + 1;
        if (k < s.size() && (s[k] == '+' || s[k] == '-')) ++k;
        if (k < s.size() && IsDigit(s[k])) {
            while (k < s.size() && IsDigit(s[k])) ++k;
            end = k;
        }
    }
    double v = 0;
    const auto r = std::from_chars(s.data() + start, s.data() + end, v);
    if (r.ec == std::errc::result_out_of_range) {
        // Too large gives infinity, too small 0.
        const size_t e = s.substr(start, end - start).find_first_of("eE");
        v = e != std::string_view::npos && s[start + e + 1] == '-' ? 0.0 : HUGE_VAL;
    } else if (r.ec != std::errc()) {
        v = 0;
    }
    return negative ? -v : v;
}

ExprLexer::ExprLexer(std::string_view text) {
    src_ = std::string(text.substr(0, MaxExprText));
    const size_t nul = src_.find('\0');
    if (nul != std::string::npos) src_.resize(nul);
    end_ = src_.size();
}

int ExprLexer::Peek(size_t at) const {
    if (at >= end_) return -1;
    const int c = static_cast<unsigned char>(src_[at]);
    return c >= 'a' && c <= 'z' ? c - ('a' - 'A') : c;
}

int32_t ExprLexer::Next() {
    while (Peek(pos_) == ' ' || Peek(pos_) == '\t') ++pos_;
    const int c = Peek(pos_);
    if (c < 0) return TokEnd;
    if (IsDigit(c)) return ReadNumber();
    if (c == '\'' || c == '"') return ReadText(static_cast<char>(c));
    if (IsLetter(c) || c == '.' || c == '_') return ReadName();
    const int n = Peek(pos_ + 1);
    ++pos_;
    switch (c) {
        case '=':
            if (n == '=') return ++pos_, TokExactEq;
            return '=';
        case '*':
            if (n == '*') return ++pos_, '^';
            return '*';
        case '#':
            return TokNotEqual;
        case '<':
            if (n == '>') return ++pos_, TokNotEqual;
            if (n == '=') return ++pos_, TokLessEq;
            return '<';
        case '>':
            if (n == '=') return ++pos_, TokGreaterEq;
            return '>';
        case '$':
            return TokContained;
        default:
            return c;
    }
}

int32_t ExprLexer::ReadNumber() {
    text_.clear();
    bool point = false, exponent = false;
    while (text_.size() < MaxItemLength) {
        const int c = Peek(pos_);
        if (IsDigit(c)) {
        } else if (c == '.' && !point && !exponent) {
            point = true;
        } else if (c == 'E' && !exponent) {
            exponent = true;
        } else {
            break;
        }
        text_ += static_cast<char>(c);
        ++pos_;
    }
    number_ = ParseDecimalPrefix(text_);
    width_ = 0;
    decimals_ = 2;
    return TokNumber;
}

int32_t ExprLexer::ReadText(char quote) {
    const size_t close = src_.find(quote, pos_ + 1);
    if (close == std::string::npos || close >= end_) {
        // No closing quote: the text ends at the opening quote, and the quote
        // itself is a token no rule accepts, so that the expression is a
        // syntax error wherever the text stands (not cut off after an operand).
        end_ = pos_;
        return static_cast<unsigned char>(quote);
    }
    text_ = src_.substr(pos_ + 1, close - pos_ - 1);
    pos_ = close + 1;
    pool_ += static_cast<uint32_t>(text_.size()) + 1;
    width_ = static_cast<int>(text_.size());
    return TokText;
}

int32_t ExprLexer::ReadName() {
    text_.clear();
    bool alias = false;
    while (text_.size() < MaxItemLength) {
        const int c = Peek(pos_);
        if (IsLetter(c) || IsDigit(c) || c == '_' || (c == '.' && !alias)) {
            text_ += static_cast<char>(c);
            ++pos_;
        } else if (c == '-' && Peek(pos_ + 1) == '>' && !alias && !text_.empty()) {
            alias = true;
            text_ += '.';
            pos_ += 2;
        } else {
            break;
        }
    }
    const FieldRef ref = LookupExprField(text_, alias);
    bool asFunction = ref.token == TokNoMatch;
    if (!asFunction) {
        size_t p = pos_;
        while (Peek(p) == ' ' || Peek(p) == '\t') ++p;
        asFunction = Peek(p) == '(';
    }
    if (!asFunction) {
        field_ = ref;
        if (ref.type == 'C') pool_ += ref.length + 1u;
        if (ref.type == 'N') decimals_ = decimals_ == NoDecimals ? ref.decimals : 2;
        width_ = ref.length;
        return ref.token;
    }
    uint16_t increment = 0;
    const int32_t token = LookupExprFunction(text_, increment);
    pool_ += increment;
    return token;
}

}  // namespace kor2::expr
