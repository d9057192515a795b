#include <gtest/gtest.h>

#include <random>

#include "base/Handles.h"
#include "base/Modal.h"
#include "base/RuntimeError.h"
#include "base/TextFile.h"
#include "base/testing/Testing.h"
#include "core/modMain.h"
#include "definitions/DefinitionsPacker.h"
#include "definitions/DefinitionsStore.h"
#include "definitions/StringCipher.h"
#include "definitions/TextIndex.h"
#include "definitions/tests/TestSigning.h"

using namespace modDefinitions;
using testing_support::ScopedProgramFolder;

namespace {
std::string LogText() {
    return base::FileExists(modMain::ErrorLogPath()) ? base::ReadWhole(modMain::ErrorLogPath()) : "";
}
std::string Plain(const std::string& stored) {
    std::string key;
    return DecryptDefString(stored, key);
}
}  // namespace

TEST(GetDataBaseItem, FirstMatchRule) {
    ScopedProgramFolder pf;
    struct Row {
        const char* name;
        const char* text;
        const char* section;
        const char* key;
        const char* want;
    };
    const Row rows[] = {
        {"plain", "[A]\r\nK0=v0\r\nK1=v1\r\n", "[A]", "K1", "v1"},
        {"X1 before X10", "[S]\r\nX1=one\r\nX10=ten\r\n", "[S]", "X1", "one"},
        {"X10 before X1", "[S]\r\nX10=ten\r\nX1=one\r\n", "[S]", "X1", "ten"},
        {"key found in a later section", "[A]\r\nQ=1\r\n[B]\r\nK=b\r\n", "[A]", "K", "b"},
        {"section inside an earlier line", "[T]\r\nN=xAy\r\n[A]\r\nK=a\r\nK=x\r\n", "A", "K", "a"},
        {"value with = inside", "[A]\r\nK=a=b\r\n", "[A]", "K", "a=b"},
        {"blanks trimmed, tab kept", "[A]\r\nK=  \tv \r\n", "[A]", "K", "\tv"},
        {"empty value", "[A]\r\nK=\r\n", "[A]", "K", ""},
        {"last line without CR LF", "[A]\r\nK=last", "[A]", "K", "last"},
        {"key missing after section", "[A]\r\nK=v\r\n", "[A]", "Z", "dflt"},
    };
    for (const Row& r : rows) {
        SetDefinitionsText(r.text);
        EXPECT_EQ(GetDataBaseItem(r.section, r.key, "dflt"), r.want) << r.name;
    }
    EXPECT_EQ(LogText(), "") << "none of these is an error";
}

TEST(GetDataBaseItem, MissingSectionOrEqualsLogsErrorFive) {
    ScopedProgramFolder pf;
    SetDefinitionsText("[A]\r\nK=v\r\nNOEQUALS\r\n");
    EXPECT_EQ(GetDataBaseItem("[B]", "K", "dflt"), "dflt");
    EXPECT_NE(LogText().find("\"Error Description: Invalid procedure call or argumentcalues Section = [B]  sID=K, "
                             "Error Number: 5, Method: GetDataBaseItem\""),
              std::string::npos)
        << LogText();
    EXPECT_EQ(GetDataBaseItem("[A]", "NOEQ", "d2"), "d2");
    EXPECT_NE(LogText().find("sID=NOEQ, Error Number: 5"), std::string::npos);
}

TEST(DecryptDefString, DecodingRules) {
    std::string key;
    EXPECT_EQ(DecryptDefString("", key), "");
    EXPECT_EQ(key, modEncryption::kPassPhrase) << "an empty key becomes the pass phrase in the caller's variable";
    std::string a = "A";
    EXPECT_EQ(DecryptDefString(std::string(1, '\x20'), a), std::string(1, '\xE0'));  // wraps through 256
    const std::string plain = "C:\\WINDOWS\\system32\\a-rather-long-value-past-29-chars.dll";
    const std::string stored = EncryptDefString(plain);
    EXPECT_EQ(stored.size(), plain.size());
    EXPECT_EQ(Plain(stored), plain);
    // The 30th character is keyed by the pass phrase's first character again.
    const unsigned char k0 = static_cast<unsigned char>(modEncryption::kPassPhrase[0]);
    EXPECT_EQ(static_cast<unsigned char>(stored[29]), (static_cast<unsigned char>(plain[29]) + k0 - 1) % 256);
}

TEST(UpdateListFromIni, DecodedValueOrEmpty) {
    ScopedProgramFolder pf;
    SetDefinitionsText(ScrambleDefinitionsSource("[TAFI]\nTAFIT0=CoolWebSearch\nTAFIT1=\n"));
    EXPECT_EQ(updateListfromINI("[TAFI]", "TAFIT0"), std::optional<std::string>("CoolWebSearch"));
    EXPECT_EQ(updateListfromINI("[TAFI]", "TAFIT1"), std::nullopt);
    EXPECT_EQ(updateListfromINI("[TAFI]", "TAFIT9"), std::nullopt);
}

TEST(Packer, RefusesValuesItCannotStoreAndNamesTheLine) {
    // A plain character that scrambles to CR would split the line.
    const unsigned char k0 = static_cast<unsigned char>(modEncryption::kPassPhrase[0]);
    const char bad = static_cast<char>((13 - (k0 - 1) + 256) % 256);
    try {
        ScrambleDefinitionsSource("[A]\nOK=fine\nBAD=" + std::string(1, bad) + "\n");
        FAIL();
    } catch (const base::RuntimeError& e) {
        EXPECT_NE(e.description().find("line 3"), std::string::npos) << e.description();
        EXPECT_NE(e.description().find("BAD"), std::string::npos);
    }
    EXPECT_EQ(ScrambleDefinitionsSource("# comment\n[A]\nK=v"), "[A]\r\nK=" + EncryptDefString("v") + "\r\n");
}

// The index must answer exactly what the plain scan answers.
TEST(TextIndex, SameAnswersAsThePlainScan) {
    const std::string tricky[] = {
        "[DAFO]\r\nDAFO1=a\r\nDAFO10=b\r\n[DAFOX]\r\nDAFO2=c\r\n",
        "[A]\r\nNAME=[B] inside\r\n[B]\r\nK1=x=y\r\nK10=z\r\nlast=no crlf",
        std::string("\xFF\xFF\xFF\xFF\xFF[A]\r\nK=\xFF\xFF\xFF\xFF\r\n"),
        "aaaaaaaaaaaaaaaaaaaaaaaaa",
        "",
        "abc",
    };
    const std::string patterns[] = {"[DAFO]",  "DAFO1",
                                    "DAFO10",  "DAFO2",
                                    "[B]",     "K1",
                                    "K10",     "last",
                                    "no crlf", "\xFF\xFF\xFF\xFF",
                                    "aaaa",    "aaaaaaaaaaaaaaaaaaaaaaaaaaa",
                                    "[A]",     "K",
                                    "ab",      "=",
                                    "\r\n",    "zzzz"};
    for (const std::string& text : tricky) {
        TextIndex index(text);
        for (const std::string& p : patterns)
            for (size_t from = 0; from <= text.size() + 1; ++from)
                ASSERT_EQ(index.Find(p, from), text.find(p, from)) << "pattern " << p << " from " << from;
    }
    // Random texts over a small alphabet, so that windows repeat a lot.
    std::mt19937 rng(1234);
    for (int round = 0; round < 30; ++round) {
        std::string text;
        for (int i = 0; i < 600; ++i) text.push_back("AB1=\r\n"[rng() % 6]);
        TextIndex index(text);
        for (int q = 0; q < 200; ++q) {
            size_t len = 1 + rng() % 8;
            size_t at = rng() % (text.size() - len);
            std::string p = (q % 3) ? text.substr(at, len) : std::string(len, 'A');
            size_t from = rng() % (text.size() + 2);
            ASSERT_EQ(index.Find(p, from), text.find(p, from)) << p << " " << from;
        }
    }
}

TEST(GetDataBaseItem, IndexedLookupEqualsPlainRuleOnTrickyTexts) {
    ScopedProgramFolder pf;
    const std::string text =
        "[NTOT]\r\nTAFIT=3\r\n[TAFI]\r\nTAFIT1=one\r\nTAFIT10=ten\r\nTAFIT0=zero\r\n[REGS]\r\nREGS0= spaced \r\n"
        "REGS1=a=b=c\r\nTAFIT2=late\r\nEND=tail";
    SetDefinitionsText(text);
    for (const char* section : {"[NTOT]", "[TAFI]", "[REGS]", "TAFI", "[NONE]"})
        for (const char* key :
             {"TAFIT", "TAFIT0", "TAFIT1", "TAFIT10", "TAFIT2", "TAFIT3", "REGS0", "REGS1", "END", "E"})
            EXPECT_EQ(GetDataBaseItem(section, key, "?"), LookupPlain(text, section, key, "?").value)
                << section << " " << key;
}

namespace {
void WriteDefs(const std::string& path, const std::string& source) {
    WriteDefinitionsFile(path, source, testing_support::TestSigningKey());
}
struct WithEncryptor {
    WithEncryptor() { modEncryption::LoadEncryption(); }
    ~WithEncryptor() { modEncryption::ReleaseEncryption(); }
};
}  // namespace

TEST(LoadDefinitions, ReadsDefsDatAndDeletesThePlainText) {
    ScopedProgramFolder pf;
    WithEncryptor enc;
    base::WriteText(pf / "Normal.qvl", "[STALE]\r\n");
    WriteDefs(pf / "defs.dat", "[MEMA]\nMEMAF0=bargains.exe\nMEMAT0=Bargain Buddy\n");
    LoadDefinitions();
    EXPECT_FALSE(base::FileExists(pf / "Normal.qvl"));
    EXPECT_EQ(updateListfromINI("[MEMA]", "MEMAF0"), std::optional<std::string>("bargains.exe"));
    EXPECT_EQ(gb_definitionsText.find("STALE"), std::string::npos);
    EXPECT_EQ(LogText(), "");
}

// The deciphered text exists in memory only. A stale Normal.qvl (left by an older version or a
// crash) is removed; one that cannot be removed is reported and never receives this load's text.
TEST(LoadDefinitions, TheDecipheredTextNeverReachesTheDisk) {
    struct Row {
        const char* name;
        bool readOnly;     // the stale file is read-only
        bool heldOpen;     // another program holds it open without delete sharing
        bool staysOnDisk;  // so it cannot be removed, and the failure is logged
    };
    const Row rows[] = {
        {"no stale file", false, false, false},
        {"stale read-only file", true, false, false},
        {"stale file held open", false, true, true},
        {"stale read-only file held open", true, true, true},
    };
    for (const Row& r : rows) {
        ScopedProgramFolder pf;
        WithEncryptor enc;
        WriteDefs(pf / "defs.dat", "[MEMA]\nMEMAF0=secretname.exe\nMEMAT0=Secret Spy\n");
        const std::string stale = pf / "Normal.qvl";
        base::FileHandle holder;
        if (r.name != std::string("no stale file")) {
            base::WriteText(stale, "[STALE]\r\n");
            if (r.readOnly) SetFileAttributesA(stale.c_str(), FILE_ATTRIBUTE_READONLY);
            if (r.heldOpen) {
                holder.reset(CreateFileA(stale.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                         OPEN_EXISTING, 0, nullptr));
                ASSERT_TRUE(holder) << r.name;
            }
        }
        LoadDefinitions();
        EXPECT_EQ(base::modal::Pending(), 0u) << r.name;
        EXPECT_EQ(updateListfromINI("[MEMA]", "MEMAF0"), std::optional<std::string>("secretname.exe")) << r.name;
        // No file of the program folder holds the text of this load.
        WIN32_FIND_DATAA fd;
        HANDLE find = FindFirstFileA((pf / "*").c_str(), &fd);
        ASSERT_NE(find, INVALID_HANDLE_VALUE);
        do {
            if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) continue;
            if (std::string(fd.cFileName) == "defs.dat") continue;
            const std::string text = base::ReadWhole(pf / fd.cFileName);
            EXPECT_EQ(text.find("[MEMA]"), std::string::npos) << r.name << ": " << fd.cFileName;
        } while (FindNextFileA(find, &fd));
        FindClose(find);
        EXPECT_EQ(base::FileExists(stale), r.staysOnDisk) << r.name;
        const std::string log = LogText();
        if (r.staysOnDisk) {
            EXPECT_NE(log.find("Normal.qvl"), std::string::npos) << r.name << ": " << log;
            EXPECT_NE(log.find("Method: LoadDefinitions"), std::string::npos) << r.name << ": " << log;
        } else {
            EXPECT_EQ(log, "") << r.name;
        }
        holder.reset();
        SetFileAttributesA(stale.c_str(), FILE_ATTRIBUTE_NORMAL);
    }
}

TEST(LoadDefinitions, RefusedFilesKeepTheLoadedTextAndAreReported) {
    ScopedProgramFolder pf;
    WithEncryptor enc;
    WriteDefs(pf / "defs.dat", "[MEMA]\nMEMAF0=good.exe\n");
    LoadDefinitions();
    const std::string good = base::ReadWhole(pf / "defs.dat");

    struct Row {
        const char* name;
        std::string bytes;
        const char* error;
    };
    std::string altered = good;
    altered[altered.size() / 2] ^= 0x01;
    std::string badVersion = good;
    badVersion[8] = 9;
    const Row rows[] = {
        {"truncated", good.substr(0, good.size() - 7), "damaged"},
        {"altered", altered, "integrity"},
        {"foreign", "PK\x03\x04 not ours at all, just some zip-looking bytes", "not a definitions database"},
        {"newer version", badVersion, "version 9"},
        {"empty", "", "not a definitions database"},
    };
    for (const Row& r : rows) {
        base::WriteText(pf / "defs.dat", r.bytes);
        std::string shown;
        base::modal::Expect("MsgBox", IDOK);
        base::modal::Expect("MsgBox", [&](const base::modal::Step& s) {
            shown = s.text;
            return IDOK;
        });
        LoadDefinitions();
        EXPECT_EQ(base::modal::Pending(), 0u) << r.name;
        EXPECT_NE(shown.find(r.error), std::string::npos) << r.name << ": " << shown;
        EXPECT_NE(LogText().find(r.error), std::string::npos) << r.name;
        EXPECT_NE(LogText().find("Method: UnpackDefinitions"), std::string::npos) << r.name;
        EXPECT_EQ(updateListfromINI("[MEMA]", "MEMAF0"), std::optional<std::string>("good.exe")) << r.name;
        EXPECT_FALSE(base::FileExists(pf / "Normal.qvl")) << r.name;
    }
}

TEST(LoadDefinitions, MissingDefsAtStartUpLeavesEmptyDefinitions) {
    ScopedProgramFolder pf;
    WithEncryptor enc;
    SetDefinitionsText("");
    base::modal::Expect("MsgBox", IDOK);
    base::modal::Expect("MsgBox", IDOK);
    LoadDefinitions();
    EXPECT_EQ(gb_definitionsText, "");
    EXPECT_NE(LogText().find("Error Number: 53"), std::string::npos);
    EXPECT_EQ(updateListfromINI("[MEMA]", "MEMAF0"), std::nullopt);
}

TEST(LoadDefinitions, TheBuiltDefsDatReadsBack) {
    const std::string program = testing_support::ProgramDir();
    ASSERT_FALSE(program.empty());
    ASSERT_TRUE(base::FileExists(program + "\\defs.dat")) << program;
    ScopedProgramFolder pf;
    WithEncryptor enc;
    ASSERT_TRUE(CopyFileA((program + "\\defs.dat").c_str(), (pf / "defs.dat").c_str(), FALSE));
    LoadDefinitions();
    EXPECT_EQ(LogText(), "");
    EXPECT_TRUE(updateListfromINI("MEMA", "MEMAF0").has_value());
    EXPECT_TRUE(updateListfromINI("NTOT", "NTOT0").has_value() || !gb_definitionsText.empty());
}
