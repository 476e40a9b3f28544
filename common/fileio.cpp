// Line readers and writers of the shared text file. Parsing failures read
// as 0 and are not input/output failures; only the file's own failures set
// AbortFlag. Called by every reader and writer of the program's text files.
#include "common/fileio.h"

#include <algorithm>
#include <cmath>

#include "common/globals.h"
#include "common/numfmt.h"
#include "common/textfile.h"

namespace kor2 {

namespace {

std::string ReadOne() {
    std::string s;
    if (!SharedTextFile.ReadLine(s)) AbortFlag = true;
    return s;
}

void WriteOne(std::string_view s) {
    if (!SharedTextFile.WriteLine(s)) AbortFlag = true;
}

std::string UpperAscii(std::string s) {
    for (char& c : s)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    return s;
}

// "," as decimal point anywhere in the line.
Extended ParseExt(std::string s) {
    std::replace(s.begin(), s.end(), ',', '.');
    return StrToFloatDef0(s);
}

}  // namespace

void ReadLineL(std::string& s) {
    s = ReadOne();
}

void ReadFields4(std::string& a, std::string& b, std::string& c, std::string& d) {
    const std::string line = ReadOne();
    std::string* fields[4] = {&a, &b, &c, &d};
    std::size_t from = 0;
    bool open = true;
    for (std::string* f : fields) {
        const std::size_t bar = open ? line.find('|', from) : std::string::npos;
        if (bar == std::string::npos) {
            open = false;
            f->clear();
            continue;
        }
        f->assign(line, from, bar - from);
        from = bar + 1;
    }
}

void ReadCharLine(char& c) {
    const std::string s = ReadOne();
    c = s.empty() ? ' ' : s[0];
}

void ReadIntLine(int32_t& i) {
    i = StrToIntDef0(ReadOne());
}

void ReadLongLine(int32_t& i) {
    i = StrToIntDef0(ReadOne());
}

void ReadWordLine(uint16_t& w) {
    w = static_cast<uint16_t>(StrToIntDef0(ReadOne()));
}

void ReadExtLine(Extended& x) {
    x = ParseExt(ReadOne());
}

void ReadRealLine(Real48& r) {
    r = Real48::FromExtended(ParseExt(ReadOne()));
}

void ReadTrueLine(bool& b) {
    const std::string s = UpperAscii(ReadOne());
    if (!AbortFlag) b = s == "TRUE";
}

void ReadFalseLine(bool& b) {
    const std::string s = UpperAscii(ReadOne());
    if (!AbortFlag) b = s != "FALSE";
}

void WriteLineL(std::string_view s) {
    WriteOne(s);
}

void WriteLineS(std::string_view s) {
    WriteOne(s);
}

void WriteIntLine(int32_t i) {
    WriteOne(IntToStrL(i));
}

std::string ExtLineText(Extended x) {
    const DefaultPrecisionScope defaultPrecision;  // 7 decimals at every display precision
    if (x >= 1) return FloatToStrSig(7, x);
    if (std::isfinite(x) && std::fabs(x - std::round(x)) < 1e-10L) return FloatToStr3(x);
    return FloatToStrSig(7, x);
}

void WriteExtLine(Extended x) {
    WriteOne(ExtLineText(x));
}

void WriteByteLine(bool b) {
    WriteOne(b ? "TRUE" : "FALSE");
}

namespace {

void WriteFieldList(std::initializer_list<std::string_view> fields) {
    std::string line;
    for (std::string_view f : fields) {
        line.append(f);
        line += '|';
    }
    WriteOne(line);
}

}  // namespace

void WriteFields4(std::string_view a, std::string_view b, std::string_view c, std::string_view d) {
    WriteFieldList({a, b, c, d});
}

void WriteFields6(std::string_view a, std::string_view b, std::string_view c, std::string_view d,
                  std::string_view e, std::string_view f) {
    WriteFieldList({a, b, c, d, e, f});
}

void WriteFields8(std::string_view a, std::string_view b, std::string_view c, std::string_view d,
                  std::string_view e, std::string_view f, std::string_view g, std::string_view h) {
    WriteFieldList({a, b, c, d, e, f, g, h});
}

void WriteTextNoEol(std::string_view s) {
    if (!SharedTextFile.Write(s)) AbortFlag = true;
}

void WriteFileHeader() {
    const std::string rule(65, '-');
    WriteLineL(rule);
    WriteLineL(MainTitle.str());
    WriteLineL("Version " + ProgramVersion);
    WriteOne(rule);
    for (int k = 1; k <= kReportTitleLineCount; ++k) WriteOne(ReportTitleLines[k].str());
}

}  // namespace kor2
