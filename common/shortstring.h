// A bounded byte string: a "short string of at most N characters".
// Every assignment keeps only the first N bytes, as storing into a fixed
// short string field does; reading gives a std::string. Used by the program-wide globals.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace kor2 {

template <std::size_t N>
class ShortString {
public:
    static constexpr std::size_t MaxLength = N;

    ShortString() = default;
    ShortString(std::string_view s) : s_(s.substr(0, N)) {}
    ShortString(const char* s) : ShortString(std::string_view(s)) {}
    ShortString(const std::string& s) : ShortString(std::string_view(s)) {}

    ShortString& operator=(std::string_view s) {
        s_.assign(s.substr(0, N));
        return *this;
    }
    ShortString& operator=(const char* s) { return *this = std::string_view(s); }
    ShortString& operator=(const std::string& s) { return *this = std::string_view(s); }
    ShortString& operator+=(std::string_view s) {
        if (s_.size() < N) s_.append(s.substr(0, N - s_.size()));
        return *this;
    }

    operator const std::string&() const { return s_; }
    operator std::string_view() const { return s_; }
    const std::string& str() const { return s_; }
    const char* c_str() const { return s_.c_str(); }
    std::size_t size() const { return s_.size(); }
    std::size_t length() const { return s_.size(); }
    bool empty() const { return s_.empty(); }
    char operator[](std::size_t i) const { return s_[i]; }

    friend bool operator==(const ShortString& a, const ShortString& b) { return a.s_ == b.s_; }
    friend bool operator==(const ShortString& a, std::string_view b) { return a.s_ == b; }
    friend std::string operator+(const ShortString& a, std::string_view b) {
        return a.s_ + std::string(b);
    }
    friend std::string operator+(std::string_view a, const ShortString& b) {
        return std::string(a) + b.s_;
    }
    friend std::string operator+(const ShortString& a, char c) { return a.s_ + c; }
    friend std::string operator+(char c, const ShortString& b) { return c + b.s_; }

private:
    std::string s_;
};

}  // namespace kor2
