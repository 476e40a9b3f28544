// Compiler of dBase expressions (AssignExpr): a type-checking shift-reduce
// parser with a bounded stack that emits the postfix program of an ExprBlock;
// also the block registry and the ExprHooks entries. Called through expression.h.
#include "tables/expr/expression.h"

#include <algorithm>
#include <memory>
#include <new>

#include "tables/base/engineerror.h"
#include "tables/dbf/hooks.h"
#include "tables/expr/lexer.h"

namespace kor2 {

namespace {

using namespace expr;

constexpr size_t ParserStackLimit = 150;
constexpr uint16_t ErrSyntax = 351;
constexpr uint16_t ErrNoMemory = 217;
constexpr uint16_t FirstExprError = 350;
constexpr uint16_t LastExprError = 363;
constexpr int WindowLength = 51;
constexpr uint16_t MemoPoolSize = 256;
constexpr int NoDecimals = 19;

// The registry of live blocks; FreeExpr frees only blocks found here.
struct Registry {
    std::vector<std::unique_ptr<ExprBlock>> blocks;
    ~Registry() { gone = true; }
    static inline bool gone = false;
};

Registry& Blocks() {
    static Registry r;
    return r;
}

ExprBlock* currentKeyExpr = nullptr;

// One symbol of the parser stack.
struct Sym {
    enum Kind { Operand, Binary, Unary, Paren, Func } kind;
    int32_t token = 0;
    int32_t type = 0;  // operands: the value's type code
};

int BinaryPrecedence(int32_t tok) {
    switch (tok) {
        case TokOr:
            return 1;
        case TokAnd:
            return 2;
        case '=':
        case TokNotEqual:
            return 3;
        case TokContained:
        case TokExactEq:
            return 4;
        case '<':
        case '>':
        case TokLessEq:
        case TokGreaterEq:
            return 5;
        case '+':
        case '-':
            return 6;
        case '*':
        case '/':
            return 7;
        case '^':
            return 8;
        default:
            return 0;  // not a binary operator
    }
}

const char* OperatorName(int32_t tok, bool unary) {
    if (unary) {
        switch (tok) {
            case '-':
                return "Unary -";
            case '+':
                return "Unary +";
            default:
                return ".NOT.";
        }
    }
    switch (tok) {
        case '+':
            return "+";
        case '-':
            return "-";
        case '*':
            return "*";
        case '/':
            return "/";
        case '^':
            return "** or ^";
        case '=':
            return "=";
        case TokContained:
            return "$";
        case TokExactEq:
            return "==";
        case '>':
            return ">";
        case '<':
            return "<";
        case TokNotEqual:
            return "<>";
        case TokLessEq:
            return "<=";
        case TokGreaterEq:
            return ">=";
        case TokOr:
            return ".OR.";
        default:
            return ".AND.";
    }
}

// Code and result type of a binary operator on two operand types; false
// when the types do not fit.
bool BinaryRule(int32_t tok, int32_t l, int32_t r, int32_t& code, int32_t& result) {
    auto pick = [&](int32_t n, int32_t d, int32_t c, int32_t lg) {
        if (l != r) return false;
        const int32_t k = l == ExprTypeN   ? n
                          : l == ExprTypeD ? d
                          : l == ExprTypeC ? c
                          : l == ExprTypeL ? lg
                                           : 0;
        if (k == 0) return false;
        code = k;
        result = ExprTypeL;
        return true;
    };
    const bool nn = l == ExprTypeN && r == ExprTypeN;
    switch (tok) {
        case '+':
            if (nn) return code = OpAddN, result = ExprTypeN, true;
            if (l == ExprTypeN && r == ExprTypeD) return code = OpAddND, result = ExprTypeD, true;
            if (l == ExprTypeD && r == ExprTypeN) return code = OpAddDN, result = ExprTypeD, true;
            if (l == ExprTypeC && r == ExprTypeC) return code = OpAddC, result = ExprTypeC, true;
            return false;
        case '-':
            if (nn) return code = OpSubN, result = ExprTypeN, true;
            if (l == ExprTypeD && r == ExprTypeN) return code = OpSubDN, result = ExprTypeD, true;
            if (l == ExprTypeD && r == ExprTypeD) return code = OpSubDD, result = ExprTypeN, true;
            if (l == ExprTypeC && r == ExprTypeC) return code = OpSubC, result = ExprTypeC, true;
            return false;
        case '*':
            return nn && (code = OpMul, result = ExprTypeN, true);
        case '/':
            return nn && (code = OpDiv, result = ExprTypeN, true);
        case '^':
            return nn && (code = OpPow, result = ExprTypeN, true);
        case '=':
            return pick(OpEqN, OpEqD, OpEqC, OpEqL);
        case TokNotEqual:
            return pick(OpNeN, OpNeD, OpNeC, OpNeL);
        case '>':
            return pick(OpGtN, OpGtD, OpGtC, 0);
        case '<':
            return pick(OpLtN, OpLtD, OpLtC, 0);
        case TokLessEq:
            return pick(OpLeN, OpLeD, OpLeC, 0);
        case TokGreaterEq:
            return pick(OpGeN, OpGeD, OpGeC, 0);
        case TokExactEq:
            return pick(0, 0, OpExactEq, 0);
        case TokContained:
            return pick(0, 0, OpContained, 0);
        case TokOr:
        case TokAnd:
            if (l != ExprTypeL || r != ExprTypeL) return false;
            code = tok == TokOr ? OpOr : OpAnd;
            result = ExprTypeL;
            return true;
        default:
            return false;
    }
}

// Number of arguments a function takes.
void FunctionArity(int32_t tok, size_t& min, size_t& max) {
    switch (tok) {
        case TokRecno:
        case TokDate:
        case TokDeleted:
            min = max = 0;
            return;
        case TokAt:
        case TokMod:
        case TokRound:
        case TokMax:
        case TokMin:
        case TokLeft:
        case TokReplicate:
        case TokRight:
            min = max = 2;
            return;
        case TokSubstr:
        case TokIif:
            min = max = 3;
            return;
        case TokStuff:
            min = max = 4;
            return;
        case TokStr:
            min = 1, max = 3;
            return;
        default:
            min = max = 1;
            return;
    }
}

bool IsFunctionToken(int32_t tok) {
    return tok >= TokAbs && tok <= TokYear;
}

// Result type of a function on its argument types, 0 when they do not fit.
int32_t FunctionRule(int32_t tok, const std::vector<int32_t>& a) {
    constexpr int32_t C = ExprTypeC, N = ExprTypeN, L = ExprTypeL, D = ExprTypeD;
    auto is = [&](std::initializer_list<int32_t> want) {
        return std::equal(a.begin(), a.end(), want.begin(), want.end());
    };
    switch (tok) {
        case TokAbs:
        case TokInt:
            return is({N}) ? N : 0;
        case TokAsc:
        case TokLen:
        case TokVal:
            return is({C}) ? N : 0;
        case TokAt:
            return is({C, C}) ? N : 0;
        case TokDay:
        case TokDow:
        case TokMonth:
        case TokYear:
            return is({D}) ? N : 0;
        case TokMod:
        case TokRound:
            return is({N, N}) ? N : 0;
        case TokMax:
        case TokMin:
            return is({N, N}) ? N : is({D, D}) ? D : 0;
        case TokRecno:
            return N;
        case TokCtod:
            return is({C}) ? D : 0;
        case TokDate:
            return D;
        case TokDeleted:
            return L;
        case TokCdow:
        case TokCmonth:
        case TokDtoc:
        case TokDtos:
            return is({D}) ? C : 0;
        case TokChr:
        case TokSpace:
            return is({N}) ? C : 0;
        case TokLower:
        case TokLtrim:
        case TokRtrim:
        case TokSoundex:
        case TokTrim:
        case TokUpper:
            return is({C}) ? C : 0;
        case TokLeft:
        case TokReplicate:
        case TokRight:
            return is({C, N}) ? C : 0;
        case TokSubstr:
            return is({C, N, N}) ? C : 0;
        case TokStr:
            return is({N}) || is({N, N}) || is({N, N, N}) ? C : 0;
        case TokStuff:
            return is({C, N, N, C}) ? C : 0;
        case TokIif:
            return is({L, C, C}) ? C : 0;
        default:
            return 0;
    }
}

char TypeLetter(int32_t type) {
    switch (type) {
        case ExprTypeC:
            return 'C';
        case ExprTypeL:
            return 'L';
        case ExprTypeD:
            return 'D';
        case ExprTypeM:
            return 'M';
        default:
            return 'N';
    }
}

int32_t FieldTypeCode(char type) {
    switch (type) {
        case 'C':
            return ExprTypeC;
        case 'L':
            return ExprTypeL;
        case 'D':
            return ExprTypeD;
        case 'M':
            return ExprTypeM;
        default:
            return ExprTypeN;
    }
}

// One compilation: the lexer, the symbol stack and the block being filled.
class Compiler {
public:
    Compiler(std::string_view text, ExprBlock& block) : lex_(text), block_(block) {}

    bool Run();
    const ExprLexer& Lexer() const { return lex_; }

private:
    bool Fail(const std::string& message);
    bool SyntaxError() { return Fail("Syntax error"); }
    bool Push(Sym s);
    bool Emit(const ExprCell& cell);
    bool EmitData(int32_t type, double number, int32_t logical, uint32_t text = 0);
    bool Operand(int32_t tok);
    bool ReduceOperators(int minPrecedence);
    bool ReduceFunction(size_t funcIndex);
    // Index of the parenthesis or function symbol that the operands on top
    // of the stack belong to; npos when there is none.
    size_t OpenSymbol() const;

    ExprLexer lex_;
    ExprBlock& block_;
    std::vector<Sym> stack_;
    bool failed_ = false;
};

bool Compiler::Fail(const std::string& message) {
    if (failed_) return false;
    failed_ = true;
    const std::string& src = lex_.Source();
    const size_t pos = std::min(lex_.Position(), src.size());
    std::string window;
    size_t start = 0;
    if (pos > 50) {
        start = pos - WindowLength;
        window = "[...";
    } else {
        window = "[";
    }
    window += src.substr(start, WindowLength);
    window += start + WindowLength >= src.size() ? "]" : "...]";
    SetEngineError(ErrSyntax, "Fehler in dBASE-Ausdruck : " + message + "\r\n" + window + "\r\n" +
                                  " [AssignExpr]");
    return false;
}

bool Compiler::Push(Sym s) {
    if (stack_.size() >= ParserStackLimit) return Fail("Parser_stack_overflow");
    stack_.push_back(s);
    return true;
}

bool Compiler::Emit(const ExprCell& cell) {
    try {
        block_.program.push_back(cell);
    } catch (const std::bad_alloc&) {
        failed_ = true;
        SetEngineError(ErrNoMemory, " [PARSER/SStackCheck]");
        return false;
    }
    return true;
}

bool Compiler::EmitData(int32_t type, double number, int32_t logical, uint32_t text) {
    ExprCell c;
    c.op = ExprOpPush;
    c.type = type;
    c.number = number;
    c.logical = logical;
    c.text = text;
    return Emit(c);
}

size_t Compiler::OpenSymbol() const {
    size_t j = stack_.size();
    while (j > 0 && stack_[j - 1].kind == Sym::Operand) --j;
    if (j == 0) return std::string::npos;
    const Sym::Kind k = stack_[j - 1].kind;
    return k == Sym::Paren || k == Sym::Func ? j - 1 : std::string::npos;
}

bool Compiler::ReduceOperators(int minPrecedence) {
    while (stack_.size() >= 2 && stack_.back().kind == Sym::Operand) {
        const Sym op = stack_[stack_.size() - 2];
        if (op.kind == Sym::Unary) {
            const int32_t t = stack_.back().type;
            int32_t code = 0;
            bool ok = false;
            if (op.token == TokNot)
                ok = t == ExprTypeL, code = OpNot;
            else
                ok = t == ExprTypeN, code = op.token == '-' ? OpNeg : 0;
            if (!ok)
                return Fail(std::string("PARSER:Unvereinbare Typen in Ausdruck \"") +
                            OperatorName(op.token, true) + "\"");
            if (code != 0) {
                ExprCell c;
                c.op = code;
                c.argc = 1;
                c.type = t;
                if (!Emit(c)) return false;
            }
            stack_.erase(stack_.end() - 2);
            continue;
        }
        if (op.kind != Sym::Binary || BinaryPrecedence(op.token) < minPrecedence) break;
        const int32_t l = stack_[stack_.size() - 3].type, r = stack_.back().type;
        int32_t code = 0, result = 0;
        if (!BinaryRule(op.token, l, r, code, result))
            return Fail(std::string("PARSER:Unvereinbare Typen in Ausdruck \"") +
                        OperatorName(op.token, false) + "\"");
        ExprCell c;
        c.op = code;
        c.argc = 2;
        c.type = result;
        if (!Emit(c)) return false;
        stack_.resize(stack_.size() - 2);
        stack_.back().type = result;
    }
    return true;
}

bool Compiler::ReduceFunction(size_t funcIndex) {
    const int32_t tok = stack_[funcIndex].token;
    std::vector<int32_t> types;
    for (size_t i = funcIndex + 1; i < stack_.size(); ++i) types.push_back(stack_[i].type);
    size_t min = 0, max = 0;
    FunctionArity(tok, min, max);
    if (types.size() < min || types.size() > max) return SyntaxError();
    const int32_t result = FunctionRule(tok, types);
    if (result == 0)
        return Fail(std::string("PARSER:Unvereinbare Typen in Funktion \"") +
                    FunctionFullName(tok) + "\"");
    ExprCell c;
    c.op = tok;
    c.argc = static_cast<int32_t>(types.size());
    c.type = result;
    if (!Emit(c)) return false;
    stack_.resize(funcIndex);
    return Push({Sym::Operand, 0, result});
}

bool Compiler::Operand(int32_t tok) {
    if (tok == TokNumber) {
        return EmitData(ExprTypeN, lex_.Number(), 0) && Push({Sym::Operand, 0, ExprTypeN});
    }
    if (tok == TokText) {
        try {
            block_.constants.push_back(lex_.Text());
        } catch (const std::bad_alloc&) {
            failed_ = true;
            SetEngineError(ErrNoMemory, " [AssignExpr()]");
            return false;
        }
        const auto index = static_cast<uint32_t>(block_.constants.size() - 1);
        return EmitData(ExprTypeC, 0, 0, index) && Push({Sym::Operand, 0, ExprTypeC});
    }
    if (tok == TokTrue || tok == TokFalse) {
        return EmitData(ExprTypeL, 0, tok == TokTrue) && Push({Sym::Operand, 0, ExprTypeL});
    }
    // A field: its number, for an alias the work area, then the field operation.
    const FieldRef& f = lex_.Field();
    const int32_t type = FieldTypeCode(f.type);
    if (!EmitData(ExprTypeL, 0, f.fieldNo)) return false;
    if (tok >= TokAliasC && !EmitData(ExprTypeL, 0, f.area)) return false;
    ExprCell c;
    c.op = tok;
    c.argc = tok >= TokAliasC ? 2 : 1;
    c.type = type;
    return Emit(c) && Push({Sym::Operand, 0, type});
}

bool Compiler::Run() {
    bool expectOperand = true;
    int32_t tok = lex_.Next();
    for (;;) {
        if (tok == TokNoMatch) return SyntaxError();
        if (expectOperand) {
            if (tok == TokNumber || tok == TokText || tok == TokTrue || tok == TokFalse ||
                (tok >= TokFieldC && tok <= TokAliasM)) {
                if (!Operand(tok)) return false;
                expectOperand = false;
            } else if (tok == '-' || tok == '+' || tok == TokNot) {
                if (!Push({Sym::Unary, tok, 0})) return false;
            } else if (tok == '(') {
                if (!Push({Sym::Paren, tok, 0})) return false;
            } else if (IsFunctionToken(tok)) {
                if (lex_.Next() != '(') return SyntaxError();
                if (!Push({Sym::Func, tok, 0})) return false;
                const int32_t next = lex_.Next();
                if (next == ')') {
                    if (!ReduceFunction(stack_.size() - 1)) return false;
                    expectOperand = false;
                } else {
                    tok = next;
                    continue;
                }
            } else {
                return SyntaxError();
            }
        } else if (const int prec = BinaryPrecedence(tok); prec > 0) {
            if (!ReduceOperators(prec) || !Push({Sym::Binary, tok, 0})) return false;
            expectOperand = true;
        } else if (tok == ')' || tok == ',') {
            if (!ReduceOperators(0)) return false;
            const size_t open = OpenSymbol();
            if (open == std::string::npos) return SyntaxError();
            const size_t args = stack_.size() - 1 - open;
            if (stack_[open].kind == Sym::Paren) {
                if (tok == ',' || args != 1) return SyntaxError();
                stack_.erase(stack_.begin() + static_cast<std::ptrdiff_t>(open));
            } else if (tok == ',') {
                size_t min = 0, max = 0;
                FunctionArity(stack_[open].token, min, max);
                if (args >= max) return SyntaxError();
                expectOperand = true;
            } else if (!ReduceFunction(open)) {
                return false;
            }
        } else if (tok == TokEnd) {
            if (!ReduceOperators(0)) return false;
            if (stack_.size() != 1 || stack_[0].kind != Sym::Operand) return SyntaxError();
            ExprCell end;
            end.op = ExprOpEnd;
            if (!Emit(end)) return false;
            block_.resultType = TypeLetter(stack_[0].type);
            return true;
        } else {
            return SyntaxError();
        }
        tok = lex_.Next();
    }
}

// Work pool, result width and decimals of a compiled block.
void SetLayout(ExprBlock& b, const ExprLexer& lex) {
    b.poolSize = b.resultType == 'M'
                     ? MemoPoolSize
                     : static_cast<uint16_t>(std::min<uint32_t>(lex.PoolCounter(), 0xFFFF));
    b.width = 0;
    b.decimals = 0;
    switch (b.resultType) {
        case 'C':
            if (b.poolSize == lex.LastWidth() + 1) b.width = static_cast<uint8_t>(lex.LastWidth());
            break;
        case 'D':
            b.width = 8;
            break;
        case 'L':
            b.width = 1;
            break;
        case 'M':
            b.width = static_cast<uint8_t>(b.poolSize);
            break;
        default: {
            const int dec = lex.LastDecimals() < NoDecimals ? lex.LastDecimals() : 2;
            b.decimals = static_cast<uint8_t>(dec);
            b.width = static_cast<uint8_t>(lex.LastWidth() >= dec + 2 ? lex.LastWidth() : dec + 11);
        }
    }
}

}  // namespace

ExprBlock* AssignExpr(const std::string& text) {
    if (EngineErrorCode >= FirstExprError && EngineErrorCode <= LastExprError) EngineErrorCode = 0;
    Registry& reg = Blocks();
    try {
        auto block = std::make_unique<ExprBlock>();
        Compiler compiler(text, *block);
        if (!compiler.Run()) return nullptr;
        block->source = compiler.Lexer().Source();
        SetLayout(*block, compiler.Lexer());
        block->pool.assign(size_t{block->poolSize} + 1, '\0');
        block->program.shrink_to_fit();
        reg.blocks.push_back(std::move(block));
        return reg.blocks.back().get();
    } catch (const std::bad_alloc&) {
        SetEngineError(ErrNoMemory, " [AssignExpr]");
        return nullptr;
    }
}

void FreeExpr(ExprBlock*& block) {
    if (!block || Registry::gone) return;
    auto& blocks = Blocks().blocks;
    const auto it =
        std::find_if(blocks.begin(), blocks.end(), [&](const auto& p) { return p.get() == block; });
    if (it == blocks.end()) return;
    if (currentKeyExpr == block) currentKeyExpr = nullptr;
    blocks.erase(it);
    block = nullptr;
}

std::string ExprText(const ExprBlock* block) {
    return block ? block->source : std::string();
}

void SetCurrentKeyExpr(ExprBlock* block) {
    currentKeyExpr = block;
}

const uint8_t* EvaluateCurrentExpr() {
    return EvaluateExpr(currentKeyExpr);
}

void InitExprParser() {
    // A handle owns its block: dropping the last copy frees it.
    ExprHooks.compile = [](const std::string& text, ExprHandle& handle) {
        ExprBlock* b = AssignExpr(text);
        if (!b) {
            handle.reset();
            return false;
        }
        handle = ExprHandle(static_cast<void*>(b), [](void* p) {
            ExprBlock* blk = static_cast<ExprBlock*>(p);
            FreeExpr(blk);
        });
        return true;
    };
    ExprHooks.release = [](ExprHandle& handle) { handle.reset(); };
    ExprHooks.evaluate = [](const ExprHandle& handle) {
        return EvaluateExpr(static_cast<ExprBlock*>(handle.get()));
    };
    ExprHooks.sourceText = [](const ExprHandle& handle) {
        return ExprText(static_cast<const ExprBlock*>(handle.get()));
    };
    ParserLinked = true;
}

}  // namespace kor2
