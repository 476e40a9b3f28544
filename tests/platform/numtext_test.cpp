// Number texts independent of the C library's locale: read and written as the
// C library does under "C", also while a German locale with its decimal comma
// is set, and exactly to the last bit of an 80-bit value.
#include "platform/numtext.h"

#include <gtest/gtest.h>
#include <sys/mman.h>
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "support/germanlocale.h"

namespace kor2::platform {
namespace {

struct Reading {
    Extended value;
    std::size_t used;
};

// What strtold makes of a text under the locale in force.
Reading LibraryReading(const std::string& text) {
    char* end = nullptr;
    const Extended v = std::strtold(text.c_str(), &end);
    return {v, static_cast<std::size_t>(end - text.c_str())};
}

Reading OurReading(const std::string& text) {
    std::size_t used = 99;
    const Extended v = ReadLeadingNumber(text, &used);
    return {v, used};
}

// Texts of random 80-bit values in every notation the C library writes.
std::vector<std::string> RandomNumberTexts() {
    std::mt19937_64 rng(20261207);
    std::vector<std::string> texts;
    const char* formats[] = {"%.21Lg", "%.3Lf", "%.18Le", "%Lg"};
    for (int i = 0; i < 4000; ++i) {
        const Extended v = std::ldexp(static_cast<Extended>(rng()) / 1.8446744073709551616e19L,
                                      static_cast<int>(rng() % 400) - 200) *
                           (rng() % 2 ? 1 : -1);
        char buf[128];
        std::snprintf(buf, sizeof buf, formats[i % 4], v);
        texts.emplace_back(buf);
    }
    return texts;
}

TEST(NumText, ReadsLikeTheLibraryUnderC) {
    const std::vector<std::string> texts = {
        "7.85",  "  -7.85e-3xyz", "+.5", "1e",   "1e+",  "1.e2", "inf",  "-Infinity", "",
        "+",     "-",             "+-1", ".",    "1.",   "12,5", "\t3",  "007",       "-0",
        "1e-30", "-4e-4000",      "9" + std::string(30, '9') + ".5",
    };
    std::vector<std::string> all = texts;
    for (const std::string& t : RandomNumberTexts()) all.push_back(t);
    std::vector<Reading> underC;
    for (const std::string& t : all) {
        const Reading lib = LibraryReading(t), ours = OurReading(t);
        EXPECT_EQ(ours.used, lib.used) << '"' << t << '"';
        EXPECT_EQ(std::memcmp(&ours.value, &lib.value, 10), 0)
            << '"' << t << "\": " << static_cast<double>(ours.value) << " vs "
            << static_cast<double>(lib.value);
        underC.push_back(ours);
    }
    // Where the library reads more than a decimal number, ours reads none of it.
    EXPECT_EQ(OurReading("1e5000").value, 0);
    EXPECT_EQ(OurReading("1e5000").used, 0u);
    EXPECT_EQ(OurReading("0x10").value, 0);
    EXPECT_EQ(OurReading("0x10").used, 1u);
    const Reading tiny = OurReading("-4e-4950;");  // a denormal for the library
    EXPECT_EQ(tiny.value, 0);
    EXPECT_TRUE(std::signbit(tiny.value));
    EXPECT_EQ(tiny.used, 8u);
    EXPECT_TRUE(std::isnan(ReadLeadingNumber("nan")));

    test::ScopedCLocale german(test::kGermanLocale);
    if (!german.Active()) GTEST_SKIP() << test::kNoGermanLocale;
    ASSERT_EQ(LibraryReading("7.85").value, 7);  // the C library now wants a comma
    for (std::size_t i = 0; i < all.size(); ++i) {
        const Reading ours = OurReading(all[i]);
        EXPECT_EQ(ours.used, underC[i].used) << '"' << all[i] << '"';
        EXPECT_EQ(std::memcmp(&ours.value, &underC[i].value, 10), 0) << '"' << all[i] << '"';
    }
    std::size_t used = 0;
    EXPECT_EQ(ReadLeadingDouble("0.1;", &used), 0.1);
    EXPECT_EQ(used, 3u);
}

// A view ending where readable memory ends is read up to its end and no
// further; values below the normal range read as zero of their sign with all
// their characters taken, values above it as no number.
TEST(NumText, ReadsWithinTheViewAndKeepsToTheNormalRange) {
    const std::size_t page = static_cast<std::size_t>(sysconf(_SC_PAGESIZE));
    void* mem =
        mmap(nullptr, 2 * page, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    ASSERT_NE(mem, MAP_FAILED);
    char* const end = static_cast<char*>(mem) + page;
    ASSERT_EQ(mprotect(end, page, PROT_NONE), 0);
    for (const std::string_view t : {"inf", "-nan", "infin", " 1.5e"}) {
        char* const first = end - t.size();
        std::memcpy(first, t.data(), t.size());
        std::size_t used = 0, usedDouble = 0;
        const Extended v = ReadLeadingNumber({first, t.size()}, &used);
        const double d = ReadLeadingDouble({first, t.size()}, &usedDouble);
        EXPECT_EQ(used, t == "infin" ? 3u : t == " 1.5e" ? 4u : t.size()) << t;
        EXPECT_EQ(usedDouble, used) << t;
        EXPECT_EQ(std::isnan(v), t == "-nan") << t;
        EXPECT_EQ(std::isnan(d), t == "-nan") << t;
    }
    munmap(mem, 2 * page);

    std::size_t used = 99;
    const std::string tiny = "-0." + std::string(4940, '0') + "1";
    const Extended t = ReadLeadingNumber(tiny, &used);
    EXPECT_EQ(t, 0);
    EXPECT_TRUE(std::signbit(t));
    EXPECT_EQ(used, tiny.size());
    double d = ReadLeadingDouble("1e-310", &used);
    EXPECT_EQ(d, 0);
    EXPECT_FALSE(std::signbit(d));
    EXPECT_EQ(used, 6u);
    d = ReadLeadingDouble("-0.0000" + std::string(400, '0') + "3e+80x", &used);
    EXPECT_EQ(d, 0);
    EXPECT_TRUE(std::signbit(d));
    EXPECT_EQ(used, 412u);
    EXPECT_EQ(ReadLeadingDouble("2.2250738585072014e-308", &used), 2.2250738585072014e-308);
    EXPECT_EQ(ReadLeadingDouble("0." + std::string(400, '0') + "1e+800", &used), 0);
    EXPECT_EQ(used, 0u);
    EXPECT_EQ(ReadLeadingNumber("1" + std::string(5000, '0'), &used), 0);
    EXPECT_EQ(used, 0u);
}

TEST(NumText, WritesLikeTheLibraryUnderC) {
    std::mt19937_64 rng(4711);
    std::vector<double> values = {0.0, -0.0, 1.5, 7.85, 0.1, 1e15, 1e16, 123456789012345678.0,
                                  1e-5, 1e-4, -2.5e-300, 5e-324, 1.7976931348623157e308};
    for (int i = 0; i < 4000; ++i) {
        double v;
        const uint64_t bits = rng();
        std::memcpy(&v, &bits, sizeof v);
        if (std::isfinite(v)) values.push_back(v);
    }
    std::vector<std::string> underC;
    for (double v : values)
        for (int significant : {1, 6, 15, 17}) {
            char buf[64];
            std::snprintf(buf, sizeof buf, "%.*g", significant, v);
            EXPECT_EQ(FormatSignificant(v, significant), buf);
            underC.emplace_back(buf);
        }
    test::ScopedCLocale german(test::kGermanLocale);
    if (!german.Active()) GTEST_SKIP() << test::kNoGermanLocale;
    std::size_t k = 0;
    for (double v : values)
        for (int significant : {1, 6, 15, 17})
            EXPECT_EQ(FormatSignificant(v, significant), underC[k++]);
    EXPECT_EQ(FormatSignificant(7.85, 15), "7.85");
}

}  // namespace
}  // namespace kor2::platform
