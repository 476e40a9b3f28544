// Date formats, date texts and name tables of the table engine. Called by the
// record conversions (stored YYYYMMDD <-> typed date text) and by callers
// that check or show dates.
#include "tables/base/enginedates.h"

#include <array>
#include <cctype>
#include <vector>

#include "platform/oemtext.h"
#include "platform/sysclock.h"

namespace kor2 {

namespace {

enum class Order { MDY, YMD, DMY };

struct FormatInfo {
    Order order;
    char sep;
};

constexpr std::array<FormatInfo, 9> kFormats = {{{Order::MDY, '/'},
                                                 {Order::YMD, '.'},
                                                 {Order::DMY, '/'},
                                                 {Order::DMY, '-'},
                                                 {Order::DMY, '.'},
                                                 {Order::DMY, '.'},
                                                 {Order::DMY, '.'},
                                                 {Order::DMY, '.'},
                                                 {Order::DMY, '.'}}};

const FormatInfo& CurrentFormat() {
    return kFormats[DateFormatIndex <= 8 ? DateFormatIndex : 0];
}

struct NameTable {
    const char* days[7];
    const char* months[12];
};

const NameTable kEnglish = {
    {"Sunday", "Monday", "Tuesday", "Wednesday", "Thursday", "Friday", "Saturday"},
    {"January", "February", "March", "April", "May", "June", "July", "August", "September",
     "October", "November", "December"}};
const NameTable kItalian = {
    {"Domenica", "Lunedi", "Martedi", "Mercoledi", "Giovedi", "Venerdi", "Sabato"},
    {"Gennaio", "Febbraio", "Marzo", "Aprile", "Maggio", "Giugno", "Luglio", "Agosto", "Settembre",
     "Ottobre", "Novembre", "Dicembre"}};
const NameTable kFrench = {
    {"Dimanche", "Lundi", "Mardi", "Mercredi", "Jeudi", "Vendredi", "Samedi"},
    {"Janvier", "Février"_oem, "Mars", "Avril", "Mai", "Juin", "Juillet", "Août"_oem, "Septembre",
     "Octobre", "Novembre", "Décembre"_oem}};
const NameTable kGerman = {
    {"Sonntag", "Montag", "Dienstag", "Mittwoch", "Donnerstag", "Freitag", "Samstag"},
    {"Januar", "Februar", "März"_oem, "April", "Mai", "Juni", "Juli", "August", "September",
     "Oktober", "November", "Dezember"}};
const NameTable kSpanish = {
    {"Domingo", "Lunes", "Martes", "Miercoles", "Jueves", "Viernes", "Sabado"},
    {"Enero", "Febrero", "Marzo", "Abril", "Mayo", "Junio", "Julio", "Agosto", "Septiembre",
     "Octubre", "Noviembre", "Diciembre"}};
// Russian names in code page 866 (Sunday .. Saturday, January .. December).
const NameTable kRussian = {
    {"\x82\xAE\xE1\xAA\xE0\xA5\xE1\xA5\xAD\xEC\xA5", "\x8F\xAE\xAD\xA5\xA4\xA5\xAB\xEC\xAD\xA8\xAA",
     "\x82\xE2\xAE\xE0\xAD\xA8\xAA", "\x91\xE0\xA5\xA4\xA0", "\x97\xA5\xE2\xA2\xA5\xE0\xA3",
     "\x8F\xEF\xE2\xAD\xA8\xE6\xA0", "\x91\xE3\xA1\xA1\xAE\xE2\xA0"},
    {"\x9F\xAD\xA2\xA0\xE0\xEC", "\x94\xA5\xA2\xE0\xA0\xAB\xEC", "\x8C\xA0\xE0\xE2",
     "\x80\xAF\xE0\xA5\xAB\xEC", "\x8C\xA0\xA9", "\x88\xEE\xAD\xEC", "\x88\xEE\xAB\xEC",
     "\x80\xA2\xA3\xE3\xE1\xE2", "\x91\xA5\xAD\xE2\xEF\xA1\xE0\xEC", "\x8E\xAA\xE2\xEF\xA1\xE0\xEC",
     "\x8D\xAE\xEF\xA1\xE0\xEC", "\x84\xA5\xAA\xA0\xA1\xE0\xEC"}};

const NameTable& CurrentNames() {
    switch (DateFormatIndex) {
        case 3:
            return kItalian;
        case 4:
        case 7:
            return kFrench;
        case 5:
            return kGerman;
        case 6:
            return kSpanish;
        case 8:
            return kRussian;
        default:
            return kEnglish;
    }
}

std::string Trim(const std::string& s) {
    size_t b = 0, e = s.size();
    while (b < e && static_cast<unsigned char>(s[b]) <= ' ') ++b;
    while (e > b && static_cast<unsigned char>(s[e - 1]) <= ' ') --e;
    return s.substr(b, e - b);
}

bool AllDigits(const std::string& s) {
    if (s.empty()) return false;
    for (char c : s)
        if (c < '0' || c > '9') return false;
    return true;
}

int ToInt(const std::string& s) {
    int v = 0;
    for (char c : s) {
        if (c < '0' || c > '9') return -1;
        v = v * 10 + (c - '0');
        if (v > 99999) return -1;
    }
    return s.empty() ? -1 : v;
}

std::string Pad2(const std::string& s) {
    return s.size() >= 2 ? s : std::string(2 - s.size(), '0') + s;
}

// Splits a date text in the current format into month, day and year parts;
// false when no part holds anything.
bool SplitDate(const std::string& text, std::string& month, std::string& day, std::string& year) {
    const std::string t = Trim(text);
    char sep = 0;
    for (char c : t)
        if (c == '.' || c == '-' || c == '/') {
            sep = c;
            break;
        }
    std::vector<std::string> parts;
    if (sep == 0) {
        parts.push_back(t);
    } else {
        size_t start = 0;
        while (parts.size() < 3) {
            const size_t p = t.find(sep, start);
            if (p == std::string::npos || parts.size() == 2) {
                parts.push_back(t.substr(start));
                break;
            }
            parts.push_back(t.substr(start, p - start));
            start = p + 1;
        }
    }
    parts.resize(3);
    bool any = false;
    for (auto& p : parts) {
        p = Trim(p);
        any = any || !p.empty();
    }
    switch (CurrentFormat().order) {
        case Order::MDY:
            month = parts[0], day = parts[1], year = parts[2];
            break;
        case Order::YMD:
            year = parts[0], month = parts[1], day = parts[2];
            break;
        case Order::DMY:
            day = parts[0], month = parts[1], year = parts[2];
            break;
    }
    return any;
}

std::string YearWithCentury(const std::string& year) {
    if (year.size() == 2) return CenturyOf(year) + year;
    if (year.size() < 4) return std::string(4 - year.size(), '0') + year;
    return year;
}

std::string Assemble(const std::string& month, const std::string& day, const std::string& year) {
    const FormatInfo& f = CurrentFormat();
    switch (f.order) {
        case Order::MDY:
            return month + f.sep + day + f.sep + year;
        case Order::YMD:
            return year + f.sep + month + f.sep + day;
        case Order::DMY:
            break;
    }
    return day + f.sep + month + f.sep + year;
}

// Month, day and 4-digit year of a date text; false when it is no valid date.
bool DateParts(const std::string& text, int& month, int& day, int& year) {
    std::string t = text;
    if (IsEmptyDateText(t) || !IsValidDate(t)) return false;
    const std::string n = NormalizeDate(t);
    month = ToInt(n.substr(0, 2));
    day = ToInt(n.substr(3, 2));
    year = ToInt(YearWithCentury(n.substr(6)));
    return month > 0 && day > 0 && year >= 0;
}

}  // namespace

uint8_t DetectLanguage() {
    std::string lang;
    for (const char* var : {"LC_ALL", "LC_TIME", "LANG"}) {
        auto v = platform::GetEnv(var);
        if (v && !v->empty()) {
            lang = *v;
            break;
        }
    }
    auto starts = [&](const char* p) { return lang.rfind(p, 0) == 0; };
    if (starts("de")) return 5;
    if (starts("en_US")) return 0;
    if (starts("en")) return 2;
    if (starts("es")) return 6;
    if (starts("fr_CA")) return 7;
    if (starts("fr")) return 4;
    if (starts("it")) return 3;
    if (starts("ru")) return 8;
    return 0;
}

void InitLanguageSettings() {
    LanguageIndex = DetectLanguage();
    SetDateFormat(LanguageIndex);
    if (LanguageIndex >= 3 && LanguageIndex <= 6) {
        DecimalSeparator = ',';
        ThousandsSeparator = '.';
    } else if (LanguageIndex == 8) {
        DecimalSeparator = '.';
        ThousandsSeparator = ' ';
    } else {
        DecimalSeparator = '.';
        ThousandsSeparator = ',';
    }
}

void SetDateFormat(unsigned index) {
    if (index > 8) index = 0;
    DateFormatIndex = static_cast<uint8_t>(index);
    const FormatInfo& f = kFormats[index];
    DateSeparator = f.sep;
    const std::string y = CenturyDisplay ? "yyyy" : "yy";
    switch (f.order) {
        case Order::MDY:
            ShortDatePicture = std::string("MM") + f.sep + "dd" + f.sep + y;
            break;
        case Order::YMD:
            ShortDatePicture = y + f.sep + "MM" + f.sep + "dd";
            break;
        case Order::DMY:
            ShortDatePicture = std::string("dd") + f.sep + "MM" + f.sep + y;
            break;
    }
}

std::string EmptyDateText(unsigned format) {
    const std::string yb(CenturyDisplay ? 4 : 2, ' ');
    switch (format) {
        case 1:
            return yb + ".  .  ";
        case 3:
            return "  -  -" + yb;
        case 4:
        case 5:
        case 6:
        case 7:
        case 8:
            return "  .  ." + yb;
        default:
            return "  /  /" + yb;
    }
}

bool IsEmptyDateText(const std::string& text) {
    for (char c : text)
        if (c != ' ' && c != '.' && c != '-' && c != '/') return false;
    return true;
}

int CenturyBase(const std::string& twoDigitYear) {
    const int base = YearWindowStart;
    const int yy = ToInt(Trim(twoDigitYear));
    if (base % 100 <= yy) return base / 100 * 100;
    return base / 100 * 100 + 100;
}

std::string CenturyOf(const std::string& twoDigitYear) {
    return std::to_string(CenturyBase(twoDigitYear) / 100);
}

std::string ExpandYearText(const std::string& yearText) {
    if (!CenturyDisplay) return yearText;
    if (yearText.size() == 2) return CenturyOf(yearText) + yearText;
    if (yearText.size() < 4) return std::string(4 - yearText.size(), '0') + yearText;
    return yearText;
}

std::string NormalizeDate(const std::string& text) {
    std::string m, d, y;
    if (!SplitDate(text, m, d, y)) {
        const std::string yb(CenturyDisplay ? 4 : 2, ' ');
        return "  /  /" + yb;
    }
    return Pad2(m) + '/' + Pad2(d) + '/' + ExpandYearText(Pad2(y));
}

std::string DenormalizeDate(const std::string& text) {
    std::vector<std::string> parts;
    size_t start = 0;
    for (int i = 0; i < 3; ++i) {
        const size_t p = i < 2 ? text.find('/', start) : std::string::npos;
        parts.push_back(Trim(text.substr(std::min(start, text.size()),
                                         p == std::string::npos ? std::string::npos : p - start)));
        if (p == std::string::npos) {
            start = text.size();
        } else {
            start = p + 1;
        }
    }
    if (parts[0].empty() && parts[1].empty() && parts[2].empty())
        return EmptyDateText(DateFormatIndex);
    std::string year = parts[2];
    if (CenturyDisplay) {
        year = ExpandYearText(year);
    } else if (year.size() == 4) {
        year = year.substr(2);
    }
    return Assemble(parts[0], parts[1], year);
}

bool IsValidDate(std::string& text) {
    if (IsEmptyDateText(text)) return true;
    const std::string n = NormalizeDate(text);
    if ((n.size() != 8 && n.size() != 10) || n[2] != '/' || n[5] != '/') return false;
    const std::string ms = n.substr(0, 2), ds = n.substr(3, 2), ys = n.substr(6);
    if (!AllDigits(ms) || !AllDigits(ds) || !AllDigits(ys)) return false;
    const int month = ToInt(ms), day = ToInt(ds), year = ToInt(YearWithCentury(ys));
    if (month < 1 || month > 12 || day < 1 || day > 31) return false;
    if (month == 2 && (day > 29 || (day == 29 && !IsLeapYear(year)))) return false;
    if ((month == 4 || month == 6 || month == 9 || month == 11) && day > 30) return false;
    text = DenormalizeDate(n);
    return true;
}

std::string DateToDbf(const std::string& text) {
    std::string m, d, y;
    if (IsEmptyDateText(text) || !SplitDate(text, m, d, y)) return std::string(8, ' ');
    std::string out = YearWithCentury(Pad2(y)) + Pad2(m) + Pad2(d);
    out.resize(8, ' ');
    return out;
}

std::string DbfToDate(const std::string& stored) {
    std::string s = stored.substr(0, 8);
    const std::string t = Trim(s);
    if (t.find_first_not_of('0') == std::string::npos) return EmptyDateText(DateFormatIndex);
    s.resize(8, ' ');
    std::string year = s.substr(0, 4);
    if (!CenturyDisplay) year = year.substr(2);
    return Assemble(s.substr(4, 2), s.substr(6, 2), year);
}

int DayOfWeekOfDate(const std::string& text) {
    int month, day, year;
    if (!DateParts(text, month, day, year)) return 0;
    if (month < 3) {
        month += 12;
        year -= 1;
    }
    const int k = year % 100, j = year / 100;
    int h = (day + (month + 1) * 26 / 10 + k + k / 4 + j / 4 - 2 * j) % 7;
    if (h < 0) h += 7;
    return h == 0 ? 7 : h;
}

std::string DayName(const std::string& text) {
    const int d = DayOfWeekOfDate(text);
    return d == 0 ? std::string() : CurrentNames().days[d - 1];
}

std::string MonthName(const std::string& text) {
    const int m = MonthOfDate(text);
    return m == 0 ? std::string() : CurrentNames().months[m - 1];
}

int MonthOfDate(const std::string& text) {
    int month, day, year;
    return DateParts(text, month, day, year) ? month : 0;
}

int DayOfDate(const std::string& text) {
    int month, day, year;
    return DateParts(text, month, day, year) ? day : 0;
}

int YearOfDate(const std::string& text) {
    int month, day, year;
    return DateParts(text, month, day, year) ? year : 0;
}

bool IsLeapYear(int year) {
    return year % 400 == 0 || (year % 4 == 0 && year % 100 != 0);
}

uint32_t TickCountMs() {
    return platform::GetTickCount();
}
uint32_t TickCountSec() {
    return platform::GetTickCount() / 1000;
}

}  // namespace kor2
