#include <gtest/gtest.h>

#include "base/Conversions.h"
#include "base/RuntimeError.h"
#include "base/TextFile.h"
#include "base/testing/Testing.h"
#include "core/modMain.h"
#include "core/modMainText.h"

using namespace modMain;
using namespace std::string_literals;

namespace {
int LoggedFor(const std::string& method) {
    std::string log;
    try {
        log = base::ReadWhole(ErrorLogPath());
    } catch (...) {
        // No error log yet: nothing was logged.
    }
    int n = 0;
    for (size_t at = log.find("Method: " + method); at != std::string::npos; at = log.find("Method: " + method, at + 1))
        ++n;
    return n;
}
}  // namespace

TEST(NulCutting, TheThreeRoutinesDifferWhereCallersRelyOnIt) {
    struct Row {
        std::string in, trimNull, strip;
    };
    const Row rows[] = {
        {"abc\0more"s, "abc", "abc"}, {"abc", "abc", ""},  // no NUL: TrimNull keeps all, ftnStripNullChar gives nothing
        {"\0abc"s, "", ""},           {"", "", ""},       {"a\0b\0"s, "a", "a"},
    };
    for (const Row& r : rows) {
        EXPECT_EQ(TrimNull(r.in), r.trimNull) << r.in.size();
        EXPECT_EQ(ftnStripNullChar(r.in), r.strip) << r.in.size();
    }
    // No 16-bit limit on the NUL's position.
    std::string longText(40000, 'x');
    EXPECT_EQ(TrimNull(longText + '\0' + "tail"), longText);
}

TEST(NulCutting, StrZToStrDropsTheLastCharacterAndLogsEmptyInput) {
    testing_support::ScopedProgramFolder pf;
    EXPECT_EQ(StrZToStr("abc\0"s), "abc");
    EXPECT_EQ(StrZToStr("x"), "");
    EXPECT_EQ(StrZToStr(""), "");
    EXPECT_EQ(LoggedFor("StrZToStr"), 1);
}

TEST(NullPad, BuildsTheWideImageOfAVersionKey) {
    EXPECT_EQ(NullPad("AB"), "\x01\0A\0B"s);
    EXPECT_EQ(NullPad("AB").size(), 5u);
    EXPECT_EQ(NullPad(""), "");
    // The image really is what an 8-bit read of a UTF-16LE key finds, less the last high byte.
    const std::string key = "ProductName";
    std::string wide;
    for (char c : key) wide += std::string(1, c) + '\0';
    std::string image = "\x01\0"s + wide;
    image.pop_back();
    EXPECT_EQ(NullPad(key), image);
}

TEST(ReplaceIt, ReplacesEveryOccurrenceLikeTheRestartingLoop) {
    struct Row {
        std::string text, find, repl, want;
    };
    const Row rows[] = {
        {"a\0b\0c\0"s, "\0"s, "", "abc"}, {"plain", "\0"s, "", "plain"},
        {"aabb", "ab", "", ""},  // removing one occurrence forms the next
        {"xaxbx", "x", "yy", "yyayybyy"}, {"abc", "", "z", "abc"},
    };
    for (const Row& r : rows) EXPECT_EQ(ReplaceIt(r.text, r.find, r.repl), r.want) << r.text;
}

TEST(ReplaceIt, RefusesAReplacementThatWouldNeverEnd) {
    testing_support::ScopedProgramFolder pf;
    EXPECT_EQ(ReplaceIt("aXb", "X", "XX"), "");
    EXPECT_EQ(LoggedFor("ReplaceIt"), 1);
}

TEST(Conversions, ValReadsTheLeadingNumber) {
    struct Row {
        const char* text;
        double want;
    };
    const Row rows[] = {{"7 days", 7}, {"  12", 12}, {"1 2", 12},    {"-3", -3}, {"2.5", 2.5}, {"abc", 0},
                        {"", 0},       {"1e2", 100}, {"1d2x", 100},  {"3e", 3},  {"&H10", 16}, {"&HFFFF", -1},
                        {"&O17", 15},  {"0.4", 0.4}, {"1.2.3", 1.2}, {"+ 5", 5}};
    for (const Row& r : rows) EXPECT_DOUBLE_EQ(conv::Val(r.text), r.want) << r.text;
}

TEST(Conversions, RoundingAndWholeTextConversions) {
    EXPECT_EQ(conv::RoundHalfEven(2.5), 2);
    EXPECT_EQ(conv::RoundHalfEven(3.5), 4);
    EXPECT_EQ(conv::RoundHalfEven(-2.5), -2);
    EXPECT_EQ(conv::RoundHalfEven(0.4), 0);
    EXPECT_EQ(conv::RoundHalfEven(2.6), 3);
    EXPECT_EQ(conv::CIntText(" 42 "), 42);
    EXPECT_EQ(conv::CIntText("12.5"), 12);
    EXPECT_EQ(conv::CLngText("2147483647"), 2147483647L);
    auto number = [](auto fn) {
        try {
            fn();
        } catch (const base::RuntimeError& e) {
            return e.number();
        }
        return 0L;
    };
    EXPECT_EQ(number([] { conv::CIntText("abc"); }), 13);
    EXPECT_EQ(number([] { conv::CIntText(""); }), 13);
    EXPECT_EQ(number([] { conv::CIntText("7 days"); }), 13);
    EXPECT_EQ(number([] { conv::CIntText("32768"); }), 6);
    EXPECT_EQ(number([] { conv::CLngText("2147483648"); }), 6);
}
