// Dates of the table engine: the nine xBase date formats, conversion between
// date texts and the stored form YYYYMMDD, the two-digit-year window, and day
// and month names. Used by the record conversions, search and the data sets.
#pragma once

#include <cstdint>
#include <string>

namespace kor2 {

inline uint8_t LanguageIndex = 0;
inline uint8_t DateFormatIndex = 0;
inline char DecimalSeparator = '.';
inline char ThousandsSeparator = ',';
inline bool CenturyDisplay = false;
inline int16_t YearWindowStart = 1900;
// The process's short date picture and date separator, set by SetDateFormat.
inline std::string ShortDatePicture = "MM/dd/yy";
inline char DateSeparator = '/';

uint8_t DetectLanguage();  // from the user's language setting (LC_ALL, LC_TIME, LANG)
void InitLanguageSettings();
void SetDateFormat(unsigned index);
std::string EmptyDateText(unsigned format);
bool IsEmptyDateText(const std::string& text);  // blanks and separators only

int CenturyBase(const std::string& twoDigitYear);
std::string CenturyOf(const std::string& twoDigitYear);
std::string ExpandYearText(const std::string& yearText);

std::string NormalizeDate(const std::string& text);    // MM/DD/YY or MM/DD/YYYY
std::string DenormalizeDate(const std::string& text);  // back into the current format
bool IsValidDate(std::string& text);
std::string DateToDbf(const std::string& text);  // YYYYMMDD, 8 blanks for the empty date
std::string DbfToDate(const std::string& stored);

int DayOfWeekOfDate(const std::string& text);  // 1 Sunday .. 7 Saturday, 0 invalid
std::string DayName(const std::string& text);
std::string MonthName(const std::string& text);
int MonthOfDate(const std::string& text);
int DayOfDate(const std::string& text);
int YearOfDate(const std::string& text);
bool IsLeapYear(int year);

uint32_t TickCountMs();
uint32_t TickCountSec();

}  // namespace kor2
