// Evaluation machine of dBase expressions (EvaluateExpr): runs an ExprBlock's
// program on the current records for every record an index or condition
// touches, reusing its work stack and pool so that it allocates nothing.
#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <new>

#include "common/decimalform.h"
#include "platform/oemtext.h"
#include "platform/real48.h"
#include "tables/area/workareas.h"
#include "tables/base/enginedates.h"
#include "tables/base/engineerror.h"
#include "tables/base/enginestrings.h"
#include "tables/dbf/dbffile.h"
#include "tables/dbf/hooks.h"
#include "tables/expr/expression.h"
#include "tables/expr/lexer.h"
#include "tables/keys/keyencoding.h"

namespace kor2 {

namespace {

using namespace expr;

constexpr int CurrentAreaMark = 33;  // area numbers from here on mean the current area
constexpr double DivisionByZeroResult = 1E250;
constexpr int MaxRoundDecimals = 300;  // beyond this the decimal loop would overflow

// Cuts a number toward zero to a 32-bit integer; NaN gives 0, values
// outside the range saturate.
int32_t CutToInt(double x) {
    if (std::isnan(x)) return 0;
    if (x >= 2147483647.0) return INT32_MAX;
    if (x <= -2147483648.0) return INT32_MIN;
    return static_cast<int32_t>(x);
}

const DbfArea* TableOf(int area) {
    if (area >= CurrentAreaMark || area <= 0) area = CurrentArea;
    return area >= 1 && area <= WorkAreaCount ? WorkAreas[static_cast<size_t>(area)].get()
                                              : nullptr;
}

bool IsBlank(char c) {
    return c == ' ';
}

// Names of weekdays and months in the current language, looked up once per
// date format so that CDOW and CMONTH allocate nothing afterwards.
struct NameCache {
    std::array<bool, 9> filled{};
    std::array<std::array<std::string, 7>, 9> days;
    std::array<std::array<std::string, 12>, 9> months;

    void Fill(unsigned f) {
        if (filled[f]) return;
        const bool saved = CenturyDisplay;
        CenturyDisplay = true;
        // 2 January 2000 was a Sunday.
        for (int d = 0; d < 7; ++d)
            days[f][d] = DayName(DbfToDate("2000010" + std::to_string(2 + d)));
        for (int m = 0; m < 12; ++m)
            months[f][m] = MonthName(DbfToDate("2000" + ZeroPadded(m + 1, 2) + "01"));
        CenturyDisplay = saved;
        filled[f] = true;
    }
};

NameCache& Names() {
    static NameCache cache;
    return cache;
}

// The fixed-point text of x with `decimals` decimals, rounded half away
// from zero on its 18-digit decimal form; written into buf, returns the
// length (0 for a value that is not finite).
size_t FormatFixed(double x, int decimals, char* buf, size_t size) {
    if (!std::isfinite(x)) return 0;
    detail::DecimalForm f = detail::ToDecimalForm(x);
    // digits[i] is the digit of 10^(exponent - i).
    std::array<char, detail::kDecimalDigits + 1> d{};
    d[0] = '0';  // room for a carry
    std::copy(f.digits, f.digits + detail::kDecimalDigits, d.begin() + 1);
    const int exponent = f.exponent + 1;       // d[0] is the digit of 10^exponent
    const int keep = exponent + decimals + 1;  // digits of d that stay
    if (keep < static_cast<int>(d.size())) {
        const bool up = keep >= 0 && d[keep] >= '5';
        for (int i = std::max(keep, 0); i < static_cast<int>(d.size()); ++i) d[i] = '0';
        for (int i = keep - 1; up && i >= 0; --i) {
            if (d[i] == '9') {
                d[i] = '0';
            } else {
                ++d[i];
                break;
            }
        }
    }
    auto digitAt = [&](int power) {
        const int i = exponent - power;
        return i >= 0 && i < static_cast<int>(d.size()) ? d[i] : '0';
    };
    size_t n = 0;
    auto put = [&](char c) {
        if (n < size) buf[n] = c;
        ++n;
    };
    bool any = false;
    for (int p = std::max(exponent, 0); p >= -decimals; --p) any = any || digitAt(p) != '0';
    if (f.negative && any) put('-');
    bool leading = true;
    for (int p = std::max(exponent, 0); p >= 0; --p) {
        const char c = digitAt(p);
        if (leading && c == '0' && p > 0) continue;
        leading = false;
        put(c);
    }
    if (decimals > 0) {
        put('.');
        for (int p = -1; p >= -decimals; --p) put(digitAt(p));
    }
    return n;
}

// SOUNDEX of a text without a heap copy: the text is reduced to the letters
// that can still change the code (equal neighbouring codes collapse) before
// the shared routine sees it.
std::string SoundexOf(const char* s, size_t len) {
    len = std::min(len, MaxCharKeyLen);
    char buf[15];  // short enough for the string's inline buffer
    size_t n = 0;
    if (len == 0) return Soundex(std::string_view());
    buf[n++] = s[0];
    auto codeOf = [](char c) {
        static constexpr char codes[] = "01230120022455012623010202";
        return codes[c - 'A'];
    };
    auto upper = [](char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 32) : c; };
    const char first = upper(s[0]);
    char prev = IsAsciiUpper(first) ? codeOf(first) : '0';
    int written = 0;
    for (size_t i = 1; i < len && written < 3 && n < sizeof buf; ++i) {
        const char c = upper(s[i]);
        if (!IsAsciiUpper(c)) continue;
        const char code = codeOf(c);
        if (code == prev) continue;
        buf[n++] = c;
        if (code != '0') ++written;
        prev = code;
    }
    return Soundex(std::string_view(buf, n));
}

// Runs one block.
class Machine {
public:
    explicit Machine(ExprBlock& b) : b_(b) {}
    const uint8_t* Run();

private:
    char* Pool() { return b_.pool.data(); }
    size_t Limit() const { return b_.poolSize; }
    bool PushCell(const ExprCell& c);
    ExprCell Pop();
    void PushNumber(double v, int32_t type = ExprTypeN);
    void PushLogical(bool v);
    // Pushes a text already standing at the pool cursor (len bytes).
    void PushPlaced(size_t len);
    // Copies len bytes from src (which may lie in the pool) to the cursor and pushes them.
    void PushText(const char* src, size_t len);
    bool Room(size_t len);  // len bytes and the NUL fit at the cursor; else error 354
    const char* TextOf(const ExprCell& c) { return Pool() + c.text; }
    void Binary(int32_t op);
    void Function(const ExprCell& cell);
    void Field(const ExprCell& cell);

    ExprBlock& b_;
    size_t top_ = 0;
    bool broken_ = false;
};

bool Machine::PushCell(const ExprCell& c) {
    if (top_ == b_.work.size()) {
        try {
            b_.work.push_back(c);
        } catch (const std::bad_alloc&) {
            SetEngineError(217, " [PARSER/WStackCheck]");
            broken_ = true;
            return false;
        }
    } else {
        b_.work[top_] = c;
    }
    ++top_;
    return true;
}

ExprCell Machine::Pop() {
    if (top_ == 0) return ExprCell{};
    const ExprCell c = b_.work[--top_];
    if ((c.type == ExprTypeC || c.type == ExprTypeM) && c.text <= b_.poolCursor)
        b_.poolCursor = c.text;
    return c;
}

void Machine::PushNumber(double v, int32_t type) {
    ExprCell c;
    c.type = type;
    c.number = v;
    PushCell(c);
}

void Machine::PushLogical(bool v) {
    ExprCell c;
    c.type = ExprTypeL;
    c.logical = v ? 1 : 0;
    PushCell(c);
}

bool Machine::Room(size_t len) {
    if (b_.poolCursor + len + 1 <= Limit()) return true;
    SetEngineError(354, "Arbeitspool übergelaufen [PARSER/Allocate]"_oem);
    return false;
}

void Machine::PushPlaced(size_t len) {
    ExprCell c;
    c.type = ExprTypeC;
    c.text = static_cast<uint32_t>(b_.poolCursor);
    len = std::min<size_t>(len, MaxExprText);
    if (Room(len)) {
        Pool()[b_.poolCursor + len] = '\0';
        c.length = static_cast<uint32_t>(len);
        b_.poolCursor += len + 1;
    }
    PushCell(c);
}

void Machine::PushText(const char* src, size_t len) {
    len = std::min<size_t>(len, MaxExprText);
    if (Room(len)) {
        std::memmove(Pool() + b_.poolCursor, src, len);
        PushPlaced(len);
    } else {
        ExprCell c;
        c.type = ExprTypeC;
        c.text = static_cast<uint32_t>(b_.poolCursor);
        PushCell(c);
    }
}

int CompareTexts(const char* a, size_t la, const char* b, size_t lb) {
    const int r = std::memcmp(a, b, std::min(la, lb));
    if (r != 0) return r;
    return la < lb ? -1 : la > lb ? 1 : 0;
}

// Position of needle in hay (0-based), npos when absent or needle empty.
size_t Find(const char* hay, size_t lh, const char* needle, size_t ln) {
    if (ln == 0 || ln > lh) return std::string::npos;
    const std::string_view h(hay, lh);
    return h.find(std::string_view(needle, ln));
}

void Machine::Binary(int32_t op) {
    const ExprCell r = Pop();
    const ExprCell l = Pop();
    const double a = l.number, b = r.number;
    switch (op) {
        case OpAddN:
            return PushNumber(a + b);
        case OpAddND:
        case OpAddDN:
            return PushNumber(a + b, ExprTypeD);
        case OpSubN:
            return PushNumber(a - b);
        case OpSubDN:
            return PushNumber(a - b, ExprTypeD);
        case OpSubDD:
            return PushNumber(a - b);
        case OpMul:
            return PushNumber(a * b);
        case OpDiv:
            if (b == 0) {
                SetEngineError(358, "Auswertungsfehler: Division durch 0 [Evaluate/Engine]");
                return PushNumber(DivisionByZeroResult);
            }
            return PushNumber(a / b);
        case OpPow:
            return PushNumber(std::pow(a, b));
        case OpEqN:
        case OpEqD:
            return PushLogical(a == b);
        case OpEqL:
            return PushLogical((l.logical != 0) == (r.logical != 0));
        case OpGtN:
        case OpGtD:
            return PushLogical(a > b);
        case OpLtN:
        case OpLtD:
            return PushLogical(a < b);
        case OpNeN:
        case OpNeD:
            return PushLogical(a != b);
        case OpNeL:
            return PushLogical((l.logical != 0) != (r.logical != 0));
        case OpLeN:
        case OpLeD:
            return PushLogical(a <= b);
        case OpGeN:
        case OpGeD:
            return PushLogical(a >= b);
        case OpOr:
            return PushLogical(l.logical != 0 || r.logical != 0);
        case OpAnd:
            return PushLogical(l.logical != 0 && r.logical != 0);
        default:
            break;
    }
    // Texts: l stands at the cursor, r after it.
    const char* lt = TextOf(l);
    const char* rt = TextOf(r);
    const size_t ll = l.length, rl = r.length;
    switch (op) {
        case OpAddC:  // concatenation
            std::memmove(Pool() + l.text + ll, rt, rl);
            return PushPlaced(ll + rl);
        case OpSubC: {  // trailing blanks of the left text move behind the right one
            size_t kept = ll;
            while (kept > 0 && IsBlank(lt[kept - 1])) --kept;
            std::memmove(Pool() + l.text + kept, rt, rl);
            std::memset(Pool() + l.text + kept + rl, ' ', ll - kept);
            return PushPlaced(ll + rl);
        }
        case OpEqC:
            return PushLogical(rl > 0 && ll >= rl && std::memcmp(lt, rt, rl) == 0);
        case OpExactEq:
            return PushLogical(CompareTexts(lt, ll, rt, rl) == 0);
        case OpContained:
            return PushLogical(Find(rt, rl, lt, ll) != std::string::npos);
        case OpGtC:
            return PushLogical(CompareTexts(lt, ll, rt, rl) > 0);
        case OpLtC:
            return PushLogical(CompareTexts(lt, ll, rt, rl) < 0);
        case OpNeC:
            return PushLogical(CompareTexts(lt, ll, rt, rl) != 0);
        case OpLeC:
            return PushLogical(CompareTexts(lt, ll, rt, rl) <= 0);
        case OpGeC:
            return PushLogical(CompareTexts(lt, ll, rt, rl) >= 0);
        default:
            return PushLogical(false);
    }
}

double RoundDown(double x, int32_t n) {
    const double whole = std::trunc(x);
    if (n <= 0) return whole;
    n = std::min(n, MaxRoundDecimals);
    double frac = x - whole;
    for (int i = 0; i < n; ++i) frac *= 10;
    frac = std::trunc(frac);
    for (int i = 0; i < n; ++i) frac *= 0.1;
    return whole + frac;
}

void Machine::Function(const ExprCell& cell) {
    ExprCell args[4];
    const int argc = std::clamp(cell.argc, 0, 4);
    for (int i = argc - 1; i >= 0; --i) args[i] = Pop();
    const ExprCell& a0 = args[0];
    const char* t0 = TextOf(a0);
    const size_t l0 = a0.length;
    const size_t start = a0.text;  // where a text argument stood
    switch (cell.op) {
        case TokAbs:
            return PushNumber(std::fabs(a0.number));
        case TokInt:
            return PushNumber(std::trunc(a0.number));
        case TokMod: {
            const int32_t x = CutToInt(a0.number), y = CutToInt(args[1].number);
            if (y == 0) return PushNumber(x);
            if (y == -1) return PushNumber(0);
            return PushNumber(x % y);
        }
        case TokRound:
            return PushNumber(RoundDown(a0.number, CutToInt(args[1].number)));
        case TokMax:
        case TokMin: {
            const double x = a0.number, y = args[1].number;
            const double v = cell.op == TokMax ? std::max(x, y) : std::min(x, y);
            return PushNumber(v, cell.type);
        }
        case TokAsc:
            return PushNumber(l0 > 0 ? static_cast<unsigned char>(t0[0]) : 0);
        case TokLen:
            return PushNumber(static_cast<double>(l0));
        case TokAt: {
            const size_t p = Find(TextOf(args[1]), args[1].length, t0, l0);
            return PushNumber(p == std::string::npos ? 0 : static_cast<double>(p + 1));
        }
        case TokVal: {
            size_t n = l0;
            while (n > 0 && static_cast<unsigned char>(t0[n - 1]) <= ' ') --n;
            return PushNumber(ParseDecimalPrefix(std::string_view(t0, n)));
        }
        case TokRecno: {
            const DbfArea* t = TableOf(CurrentAreaMark);
            return PushNumber(t ? t->currentRecord : 0);
        }
        case TokDeleted: {
            const DbfArea* t = TableOf(CurrentAreaMark);
            bool deleted = false;
            if (t && t->isVirtual)
                deleted = t->typedBuffer && t->typedBuffer[0] != 0;
            else if (t && !t->record.empty())
                deleted = t->record[0] == '*';
            return PushLogical(deleted);
        }
        case TokDay:
        case TokMonth:
        case TokYear: {
            int32_t y = 0;
            int m = 0, d = 0;
            if (!YmdFromJulian(a0.number, y, m, d)) return PushNumber(0);
            return PushNumber(cell.op == TokDay ? d : cell.op == TokMonth ? m : y);
        }
        case TokDow: {
            int32_t y = 0;
            int m = 0, d = 0;
            if (!YmdFromJulian(a0.number, y, m, d)) return PushNumber(0);
            // Day number J falls on weekday (J + 1) mod 7, Sunday counting 0.
            return PushNumber(static_cast<double>((static_cast<int64_t>(a0.number) + 1) % 7 + 1));
        }
        case TokDate: {
            int y = 0, m = 0, d = 0, wd = 0;
            GetToday(y, m, d, wd);
            return PushNumber(JulianFromYmd(y, m, d), ExprTypeD);
        }
        case TokCtod: {
            const std::string text(t0, std::min<size_t>(l0, 10));
            return PushNumber(DateTextToJulian(text), ExprTypeD);
        }
        case TokDtoc: {
            const std::string s = JulianToDtoc(a0.number);
            return PushText(s.data(), s.size());
        }
        case TokDtos: {
            const std::string s = JulianToDtos(a0.number);
            return PushText(s.data(), s.size());
        }
        case TokCdow:
        case TokCmonth: {
            int32_t y = 0;
            int m = 0, d = 0;
            if (!YmdFromJulian(a0.number, y, m, d)) return PushText("", 0);
            const unsigned f = DateFormatIndex <= 8 ? DateFormatIndex : 0;
            Names().Fill(f);
            const std::string& s = cell.op == TokCdow
                                       ? Names().days[f][(static_cast<int64_t>(a0.number) + 1) % 7]
                                       : Names().months[f][m - 1];
            return PushText(s.data(), s.size());
        }
        case TokChr: {
            const char c = static_cast<char>(CutToInt(a0.number) & 0xFF);
            return PushText(&c, c == 0 ? 0 : 1);
        }
        case TokSpace: {
            const size_t n = static_cast<size_t>(std::clamp(CutToInt(a0.number), 0, MaxExprText));
            if (!Room(n)) return PushText("", 0);
            std::memset(Pool() + b_.poolCursor, ' ', n);
            return PushPlaced(n);
        }
        case TokStr: {
            const int w = argc >= 2 ? std::clamp(CutToInt(args[1].number), 0, MaxExprText) : 10;
            const int d = argc >= 3 ? std::clamp(CutToInt(args[2].number), 0, MaxExprText) : 0;
            char buf[640];
            size_t n = FormatFixed(a0.number, d, buf, sizeof buf);
            if (n == 0 || n > static_cast<size_t>(w)) {
                std::memset(buf, '*', static_cast<size_t>(w));
                n = static_cast<size_t>(w);
            } else if (n < static_cast<size_t>(w)) {
                std::memmove(buf + (w - n), buf, n);
                std::memset(buf, ' ', w - n);
                n = static_cast<size_t>(w);
            }
            return PushText(buf, n);
        }
        case TokSoundex: {
            const std::string s = SoundexOf(t0, l0);
            return PushText(s.data(), s.size());
        }
        case TokUpper:
        case TokLower:
            for (size_t i = 0; i < l0; ++i)
                Pool()[start + i] = cell.op == TokUpper ? UpCaseChar(t0[i]) : LowCaseChar(t0[i]);
            return PushPlaced(l0);
        case TokTrim:
        case TokRtrim: {
            size_t n = l0;
            while (n > 0 && IsBlank(t0[n - 1])) --n;
            return PushPlaced(n);
        }
        case TokLtrim: {
            size_t k = 0;
            while (k < l0 && IsBlank(t0[k])) ++k;
            return PushText(t0 + k, l0 - k);
        }
        case TokLeft: {
            const int32_t n = CutToInt(args[1].number);
            return PushPlaced(n < 0 ? 0 : std::min<size_t>(l0, static_cast<size_t>(n)));
        }
        case TokRight: {
            const int32_t n = CutToInt(args[1].number);
            const size_t keep = n < 0 ? 0 : std::min<size_t>(l0, static_cast<size_t>(n));
            return PushText(t0 + (l0 - keep), keep);
        }
        case TokSubstr: {
            const int64_t s = std::max<int64_t>(CutToInt(args[1].number), 1);
            const int64_t n = CutToInt(args[2].number);
            if (s > static_cast<int64_t>(l0) || n <= 0) return PushText("", 0);
            const size_t from = static_cast<size_t>(s - 1);
            return PushText(t0 + from, std::min<size_t>(l0 - from, static_cast<size_t>(n)));
        }
        case TokReplicate: {
            const int32_t n = CutToInt(args[1].number);
            if (n <= 0 || l0 == 0) return PushText("", 0);
            const size_t total =
                std::min<size_t>(l0 * static_cast<size_t>(std::min(n, MaxExprText)), MaxExprText);
            if (!Room(total)) return PushText("", 0);
            for (size_t i = l0; i < total; ++i) Pool()[start + i] = Pool()[start + i - l0];
            return PushPlaced(total);
        }
        case TokStuff: {
            // c, then its NUL, then r stand from `start`: c_head c_del c_tail NUL r.
            const ExprCell& r = args[3];
            const int64_t s =
                std::clamp<int64_t>(CutToInt(args[1].number), 1, static_cast<int64_t>(l0) + 1);
            const size_t head = static_cast<size_t>(s - 1);
            const size_t del = std::min<size_t>(
                l0 - head, static_cast<size_t>(std::max(CutToInt(args[2].number), 0)));
            const size_t tail = l0 - head - del;
            char* p = Pool() + start;
            // Bring r right behind the head: c_head r c_del c_tail NUL.
            std::rotate(p + head, p + (r.text - start), p + (r.text - start) + r.length);
            std::memmove(p + head + r.length, p + head + r.length + del, tail);
            return PushPlaced(head + r.length + tail);
        }
        case TokIif: {
            const ExprCell& pick = a0.logical ? args[1] : args[2];
            b_.poolCursor = args[1].text;
            return PushText(TextOf(pick), pick.length);
        }
        default:
            return PushNumber(0, cell.type);
    }
}

// Fills cell with the blank value of a type (no record, no table, unknown field).
void BlankValue(ExprCell& cell, std::vector<char>& pool, size_t cursor, size_t poolEnd,
                size_t length) {
    cell.number = 0;
    cell.logical = 0;
    cell.text = static_cast<uint32_t>(cursor);
    cell.length = 0;
    if (cell.type == ExprTypeC && cursor + length + 1 <= poolEnd) {
        std::memset(pool.data() + cursor, ' ', length);
        pool[cursor + length] = '\0';
        cell.length = static_cast<uint32_t>(length);
    }
}

void Machine::Field(const ExprCell& cell) {
    int area = CurrentAreaMark;
    if (cell.op >= TokAliasC) area = Pop().logical;
    const int fieldNo = Pop().logical;
    ExprCell v;
    v.type = cell.type;
    const size_t cursor = b_.poolCursor;
    if (!FetchFieldValue(fieldNo, area, v, b_.pool, cursor, Limit())) {
        v = ExprCell{};
        v.type = cell.type;
        BlankValue(v, b_.pool, cursor, Limit(), 0);
    }
    if (v.type != cell.type) {  // the table changed since compiling
        v.type = cell.type;
        BlankValue(v, b_.pool, cursor, Limit(), 0);
    }
    if (v.type == ExprTypeC || v.type == ExprTypeM) {
        if (v.length > 0 || cursor + 1 <= Limit()) b_.poolCursor = cursor + v.length + 1;
    }
    PushCell(v);
}

const uint8_t* Machine::Run() {
    b_.poolCursor = 0;
    for (const ExprCell& cell : b_.program) {
        if (broken_) break;
        if (cell.op == ExprOpEnd) break;
        if (cell.op == ExprOpPush) {
            if (cell.type == ExprTypeC) {
                const std::string& s = b_.constants[cell.text];
                PushText(s.data(), s.size());
            } else {
                PushCell(cell);
            }
        } else if (cell.op > OpNeg) {
            continue;
        } else if (cell.op >= TokFieldC && cell.op <= TokAliasM) {
            Field(cell);
        } else if (cell.op == OpNot) {
            const ExprCell v = Pop();
            PushLogical(v.logical == 0);
        } else if (cell.op == OpNeg) {
            PushNumber(-Pop().number);
        } else if (cell.op >= OpAddN) {
            Binary(cell.op);
        } else {
            Function(cell);
        }
    }
    if (top_ == 0) PushNumber(0);
    if (b_.work.empty()) return nullptr;
    ExprCell& res = b_.work[0];
    switch (res.type) {
        case ExprTypeC:
        case ExprTypeM:
            if (res.text != 0 && res.text + res.length <= Limit())
                std::memmove(Pool(), Pool() + res.text, res.length);
            res.text = 0;
            Pool()[std::min<size_t>(res.length, Limit())] = '\0';
            return reinterpret_cast<const uint8_t*>(Pool());
        case ExprTypeL:
            return reinterpret_cast<const uint8_t*>(&res.logical);
        default:
            return reinterpret_cast<const uint8_t*>(&res.number);
    }
}

}  // namespace

bool FetchFieldValue(int fieldNo, int area, ExprCell& cell, std::vector<char>& pool, size_t cursor,
                     size_t poolEnd) {
    const DbfArea* t = TableOf(area);
    if (!t || fieldNo < 1 || fieldNo > static_cast<int>(t->fields.size())) return false;
    const DbfFieldEntry& f = t->fields[static_cast<size_t>(fieldNo - 1)];
    switch (f.type) {
        case 'C':
            cell.type = ExprTypeC;
            break;
        case 'D':
            cell.type = ExprTypeD;
            break;
        case 'F':
        case 'N':
            cell.type = ExprTypeN;
            break;
        case 'L':
            cell.type = ExprTypeL;
            break;
        case 'M':
            cell.type = ExprTypeM;
            break;
        default:
            return false;
    }
    // Where the field stands in the record, if there is a record.
    const char* src = nullptr;
    if (t->isVirtual) {
        const size_t off = TypedFieldOffset(*t, fieldNo - 1);
        if (t->typedBuffer && off + TypedFieldSize(f) <= t->typedSize)
            src = reinterpret_cast<const char*>(t->typedBuffer) + off;
    } else if (f.offset + size_t{f.length} <= t->record.size()) {
        src = t->record.data() + f.offset;
    }
    if (BlankAtEof && t->eof) src = nullptr;
    BlankValue(cell, pool, cursor, poolEnd, src || f.type != 'C' ? 0 : f.length);
    if (!src) return true;
    const auto* u = reinterpret_cast<const uint8_t*>(src);
    switch (f.type) {
        case 'C': {
            const char* text = t->isVirtual ? src + 1 : src;
            size_t len = f.length;
            if (cursor + len + 1 > poolEnd) {
                SetEngineError(354, "Arbeitspool übergelaufen [PARSER/Allocate]"_oem);
                return true;
            }
            std::memcpy(pool.data() + cursor, text, len);
            pool[cursor + len] = '\0';
            cell.length = static_cast<uint32_t>(len);
            return true;
        }
        case 'D':
            if (t->isVirtual) {
                const size_t len = std::min<size_t>(u[0], f.length + 2u);
                cell.number = DateTextToJulian(std::string_view(src + 1, len));
            } else {
                cell.number = DateToJulian(std::string_view(src, std::min<size_t>(f.length, 8)));
            }
            return true;
        case 'L':
            if (t->isVirtual) {
                cell.logical = u[0] != 0;
            } else {
                const char c = src[0];
                cell.logical = c == 'Y' || c == 'y' || c == 'T' || c == 't';
            }
            return true;
        case 'M': {
            int32_t block = 0;
            if (t->isVirtual)
                std::memcpy(&block, src, 4);
            else
                block = CutToInt(ParseDecimalPrefix(std::string_view(src, f.length)));
            if (block == 0 || !MemoHooks.memoLines) return true;
            // The memo is read with the field's work area made current.
            struct AreaSwitch {
                uint8_t former = CurrentArea;
                explicit AreaSwitch(int area) {
                    if (area < CurrentAreaMark) CurrentArea = static_cast<uint8_t>(area);
                }
                ~AreaSwitch() { CurrentArea = former; }
            };
            std::vector<std::string> lines;
            {
                const AreaSwitch useFieldArea(area);
                lines = MemoHooks.memoLines(fieldNo);
            }
            size_t n = 0;
            const size_t room =
                poolEnd > cursor + 1 ? std::min<size_t>(poolEnd - cursor - 1, MaxExprText) : 0;
            for (const std::string& line : lines) {
                const size_t k = std::min(line.size(), room - n);
                std::memcpy(pool.data() + cursor + n, line.data(), k);
                n += k;
                if (n == room) break;
            }
            if (cursor + n < pool.size()) pool[cursor + n] = '\0';
            cell.length = static_cast<uint32_t>(n);
            return true;
        }
        default:
            if (t->isVirtual) {
                if (f.decimals > 0) {
                    cell.number = static_cast<double>(Real48::FromBytes(u).ToExtended());
                } else {
                    int32_t v = 0;
                    std::memcpy(&v, src, 4);
                    cell.number = v;
                }
            } else {
                cell.number = ParseDecimalPrefix(std::string_view(src, f.length));
            }
            return true;
    }
}

const uint8_t* EvaluateExpr(ExprBlock* block) {
    if (!block) return nullptr;
    Machine m(*block);
    block->result = m.Run();
    return block->result;
}

std::string ExprResultText(const ExprBlock& block) {
    if (block.pool.empty() || block.work.empty()) return std::string();
    return std::string(block.pool.data(), std::min<size_t>(block.work[0].length, block.poolSize));
}

double ExprResultNumber(const ExprBlock& block) {
    return block.work.empty() ? 0.0 : block.work[0].number;
}

bool ExprResultLogical(const ExprBlock& block) {
    return !block.work.empty() && block.work[0].logical != 0;
}

}  // namespace kor2
