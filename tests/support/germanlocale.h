// The C library locales of German and Turkish users, as the form library sets
// them from LANG when its application object starts: under the German one
// numbers read and written by the C library take a decimal comma, under the
// Turkish one its toupper leaves 'i' and tolower 'I' as they are. For the
// number tests and the tests of the program's own words.
#pragma once

#include <clocale>

namespace kor2::test {

inline constexpr const char* kGermanLocale = "de_DE.UTF-8";
inline constexpr const char* kNoGermanLocale =
    "locale de_DE.UTF-8 is not installed (.ci/packages --ci generates it)";

inline constexpr const char* kTurkishLocale = "tr_TR.UTF-8";
inline constexpr const char* kNoTurkishLocale =
    "locale tr_TR.UTF-8 is not installed (.ci/packages --ci generates it)";

// Switches the whole C library locale for the life of the object; "C" again
// at the end. Active() is false when the locale is not installed.
class ScopedCLocale {
public:
    explicit ScopedCLocale(const char* name) : active_(std::setlocale(LC_ALL, name) != nullptr) {}
    ~ScopedCLocale() { std::setlocale(LC_ALL, "C"); }
    ScopedCLocale(const ScopedCLocale&) = delete;
    ScopedCLocale& operator=(const ScopedCLocale&) = delete;
    bool Active() const { return active_; }

private:
    bool active_;
};

// Whether the German locale can be set at all (the locale stays "C").
inline bool GermanLocaleInstalled() {
    return ScopedCLocale(kGermanLocale).Active();
}

}  // namespace kor2::test
