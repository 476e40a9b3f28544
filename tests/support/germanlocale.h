// The C library locale of a German user, as the form library sets it from
// LANG=de_DE.UTF-8 when its application object starts: numbers read and
// written by the C library then take a decimal comma. For the number tests.
#pragma once

#include <clocale>

namespace kor2::test {

inline constexpr const char* kGermanLocale = "de_DE.UTF-8";
inline constexpr const char* kNoGermanLocale =
    "locale de_DE.UTF-8 is not installed (.ci/packages --ci generates it)";

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
