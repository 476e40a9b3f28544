// Clock, environment and process facts the program asks the platform for.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kor2::platform {

struct DateTime {
    int year = 0, month = 0, day = 0;  // month 1..12, day 1..31
    int hour = 0, minute = 0, second = 0, millisecond = 0;
    int dayOfWeek = 0;  // 0 Sunday .. 6 Saturday
};

// Local date and time now (or the date set by SetClockOverride in tests).
DateTime Now();
// Milliseconds since an arbitrary start, wrapping at 2^32 like GetTickCount.
uint32_t GetTickCount();
// Tests: makes Now() return this moment (dayOfWeek is worked out from the
// date); nullopt returns to the real clock.
void SetClockOverride(std::optional<DateTime> when);

std::optional<std::string> GetEnv(std::string_view name);
bool SetEnv(std::string_view name, std::string_view value);

// Splits a command line or a list of names at blanks and tabs; double
// quotes group blanks into one word and are not part of it, so a path with
// blanks is one word when quoted.
std::vector<std::string> SplitCommandWords(std::string_view text);

// Starts a program without a shell; does not wait. False when it could not start.
bool StartProgram(const std::string& program, const std::vector<std::string>& args);
// Starts a program without a shell and gives it a short time to fail: -1
// when it could not start, its exit status when it ended with a failure
// within that time (a file opener that found no viewer), else 0; one still
// running goes on by itself.
int StartProgramSettled(const std::string& program, const std::vector<std::string>& args);
// Runs a program without a shell and waits; its exit code, -1 when it could not start.
int RunProgram(const std::string& program, const std::vector<std::string>& args);

}  // namespace kor2::platform
