// Record files and the win.ini program lines: what is stored comes back exactly.
#include <gtest/gtest.h>

#include "guards/Places.h"
#include "guards/Records.h"

namespace {

using guards::LineRecord;

TEST(Records, FieldsRoundTripWhateverTheyHold) {
    const std::vector<std::string> fields = {"plain",
                                             "",
                                             "with \"quotes\", commas, and C:\\paths\\%TEMP%",
                                             "two\r\nlines",
                                             "lone\nLF and lone\rCR",
                                             std::string("nul\0inside", 10),
                                             "=?e:looks escaped",
                                             "=?d:looks like details",
                                             "100%25 percent"};
    std::vector<LineRecord> records;
    for (size_t i = 0; i + 2 < fields.size(); i += 3)
        records.push_back({{fields[i], fields[i + 1], fields[i + 2]}, {{"k&=", "v\r\n&="}}});
    std::string text = guards::WriteRecords(records, 3);
    bool truncated = true;
    auto back = guards::ReadRecords(text, 3, &truncated);
    EXPECT_FALSE(truncated);
    ASSERT_EQ(back.size(), records.size());
    for (size_t i = 0; i < records.size(); ++i) {
        EXPECT_EQ(back[i].fields, records[i].fields);
        EXPECT_EQ(back[i].details, records[i].details);
    }
}

TEST(Records, PlainFilesOfEarlierVersionsReadUnchanged) {
    // Six plain lines a record, no details, an empty name line in the middle of the file.
    std::string text =
        "a\r\nEnabled\r\nRegistry(User Run)\r\nCurrent User\r\nCurrent User logs On\r\nC:\\a.exe\r\n"
        "\r\nDisabled\r\nRegistry(User Run)\r\nCurrent User\r\nCurrent User logs On\r\nC:\\b.exe\r\n"
        "c\r\nDisabled\r\nWin.ini Run\r\nAll Users\r\nAny User Logs On\r\nc.exe\r\n";
    std::string out = guards::WriteRecords(guards::ReadRecords(text, 6), 6);
    EXPECT_EQ(out, text);  // the record with the empty name does not end the reading
    auto r = guards::ReadRecords(text, 6);
    ASSERT_EQ(r.size(), 3u);
    EXPECT_EQ(r[2].fields[5], "c.exe");
}

TEST(Records, ACutRecordKeepsItsFieldsAndSaysSo) {
    bool truncated = false;
    auto r = guards::ReadRecords("a\r\nb\r\nc\r\nd\r\ne\r\nf\r\ng\r\nh\r\n", 6, &truncated);
    EXPECT_TRUE(truncated);
    ASSERT_EQ(r.size(), 2u);
    EXPECT_EQ(r[1].fields, (std::vector<std::string>{"g", "h", "", "", "", ""}));
}

TEST(Records, HexRoundTrip) {
    std::string bytes("\x00\x01\xFF\x7F abc", 8);
    EXPECT_EQ(guards::FromHex(guards::ToHex(bytes)), bytes);
    EXPECT_EQ(guards::FromHex("41zz42"), "A");
}

TEST(IniPrograms, RemovingOneProgramKeepsTheOthersAndPuttingItBackRestoresTheLine) {
    struct Case {
        const char* line;
        const char* program;
        const char* without;
    } cases[] = {
        {"a.exe b.exe c.exe", "b.exe", "a.exe c.exe"},
        {"a.exe,b.exe c.exe", "a.exe", "b.exe c.exe"},
        {"a.exe b.exe", "b.exe", "a.exe"},
        {"\"C:\\Program Files\\x.exe\" y.exe", "\"C:\\Program Files\\x.exe\"", "y.exe"},
        {"only.exe", "only.exe", ""},
        {"a.exe b.exe", "missing.exe", "a.exe b.exe"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.line);
        std::string separator;
        std::string without = guards::RemoveIniPrograms(c.line, c.program, &separator);
        EXPECT_EQ(without, c.without);
        size_t pos = SIZE_MAX;
        auto tokens = guards::SplitIniPrograms(c.line);
        for (size_t i = 0; i < tokens.size(); ++i)
            if (tokens[i].text == c.program) pos = i;
        if (pos != SIZE_MAX) {
            EXPECT_EQ(guards::AddIniPrograms(without, c.program, pos, separator), c.line);
        }
    }
    EXPECT_EQ(guards::AddIniPrograms("a.exe", "a.exe"), "a.exe");  // never twice
}

TEST(PlainFileNames, PathsAndOddNamesAreRefused) {
    for (const char* bad : {"", "..\\..\\x", "a\\b", "a/b", "C:x", "..", "a..b", "x?", "tail ", "tail."})
        EXPECT_FALSE(guards::IsPlainFileName(bad)) << bad;
    for (const char* good : {"Updater.lnk", "My Program", "a.b.lnk"})
        EXPECT_TRUE(guards::IsPlainFileName(good)) << good;
}

}  // namespace
