// The update procedure against the test server: each of its ends, and the installed
// definitions byte-identical on every end but a good update.
#include <gtest/gtest.h>
#include <windows.h>

#include "base/Handles.h"
#include "base/TextFile.h"
#include "base/testing/Testing.h"
#include "components/crypto/Encryptor.h"
#include "core/modMain.h"
#include "definitions/DefinitionsPacker.h"
#include "definitions/DefinitionsSignature.h"
#include "definitions/DefinitionsStore.h"
#include "definitions/StringCipher.h"
#include "definitions/tests/TestSigning.h"
#include "downloader/Update.h"
#include "downloader/tests/TestServer.h"

using namespace downloader;
using testing_support::PatternBytes;
using testing_support::Route;
using testing_support::ScopedProgramFolder;
using testing_support::TempFolder;
using testing_support::TestServer;

namespace {

struct FakeWindow : UpdateWindow {
    std::vector<std::string> shown;
    int hidden = 0, startDisabled = 0, startEnabled = 0, installed = 0;
    std::map<std::string, std::string> language;
    std::string Message(const std::string& id, const std::string& def) override {
        auto it = language.find(id);
        return it == language.end() ? def : it->second;
    }
    void ShowMessage(const std::string& text) override { shown.push_back(text); }
    void HideWindow() override { ++hidden; }
    void DisableStart() override { ++startDisabled; }
    void EnableStart() override { ++startEnabled; }
    void Pump() override {}
    void DefinitionsInstalled() override { ++installed; }
};

std::string SignedDefs(const std::string& number, const std::string& marker) {
    TempFolder tmp;
    modDefinitions::WriteDefinitionsFile(
        tmp / "d.dat", "[SETTINGS]\nUPDATE-FILE-NUMBER=" + number + "\n[MEMA]\nMEMAF0=" + marker + "\n",
        testing_support::TestSigningKey());
    return base::ReadWhole(tmp / "d.dat");
}

struct UpdateFixture : ::testing::Test {
    ScopedProgramFolder pf;
    TestServer server;
    std::string installed;
    UpdateSite site;
    void SetUp() override {
        modEncryption::LoadEncryption();
        installed = SignedDefs("17", "old.exe");
        base::WriteText(pf / "defs.dat", installed);
        base::WriteText(pf / "news.txt", "old news");
        modDefinitions::LoadDefinitions();
        ASSERT_EQ(modDefinitions::updateListfromINI("SETTINGS", "UPDATE-FILE-NUMBER"),
                  std::optional<std::string>("17"));
        site.host = server.host();
        site.fetchTimeoutMs = 5000;
        server.SetFile("/updates/News.txt", "new news");
    }
    void TearDown() override { modEncryption::ReleaseEncryption(); }
    void ExpectUnchanged(const char* what) {
        EXPECT_TRUE(base::ReadWhole(pf / "defs.dat") == installed) << what;
        EXPECT_EQ(base::ReadWhole(pf / "news.txt"), "old news") << what;
        EXPECT_EQ(modDefinitions::updateListfromINI("[MEMA]", "MEMAF0"), std::optional<std::string>("old.exe")) << what;
    }
};

}  // namespace

TEST_F(UpdateFixture, TheLatestAlreadyInAnyCaseAndBlanks) {
    for (const char* v : {"17", " 17 \r\n", "17\t"}) {
        server.SetFile("/updates/version", v);
        FakeWindow w;
        Transfer t;
        EXPECT_EQ(RunUpdate(t, w, site), UpdateResult::Latest) << v;
        EXPECT_EQ(w.shown, std::vector<std::string>{"You have the latest update"});
        EXPECT_EQ(w.hidden, 1);
        EXPECT_EQ(w.startDisabled, 0);
    }
    ExpectUnchanged("latest");
}

TEST_F(UpdateFixture, NoConnectionShowsTheManualWayWithLineBreaks) {
    for (bool refused : {false, true}) {
        UpdateSite s = site;
        if (refused) {
            int freePort;
            {
                TestServer gone;
                freePort = gone.port();
            }
            s.host = "127.0.0.1:" + std::to_string(freePort);
        } else {
            server.SetFile("/updates/version", "");
        }
        FakeWindow w;
        Transfer t;
        EXPECT_EQ(RunUpdate(t, w, s), UpdateResult::NoConnection);
        ASSERT_EQ(w.shown.size(), 1u);
        EXPECT_EQ(w.shown[0], "There is no internet connection, please downlaod this file manually at \r\n " + s.host +
                                  "/updates/defs.dat \r\n then replace it with the file adjacent to the exe file in "
                                  "the program files directory.");
        EXPECT_EQ(w.hidden, 1);
    }
    FakeWindow w;
    w.language["1114"] = "Keine Verbindung#bitte";
    server.SetFile("/updates/version", "");
    Transfer t;
    RunUpdate(t, w, site);
    EXPECT_EQ(w.shown, std::vector<std::string>{"Keine Verbindung\r\nbitte"});
    ExpectUnchanged("no connection");
}

TEST_F(UpdateFixture, ANewVersionIsInstalledAndLoaded) {
    const std::string fresh = SignedDefs("18", "new.exe");
    server.SetFile("/updates/version", "18");
    Route cut;  // the line drops once mid-way: the transfer resumes
    cut.body = fresh;
    cut.cutAfter = static_cast<long long>(fresh.size() / 2);
    cut.cutTimes = 1;
    server.Set("/updates/defs.dat", cut);
    FakeWindow w;
    Transfer t;
    EXPECT_EQ(RunUpdate(t, w, site), UpdateResult::Installed);
    EXPECT_EQ(w.shown, std::vector<std::string>{"Update completed sucessfully."});
    EXPECT_EQ(w.hidden, 1);
    EXPECT_EQ(w.startDisabled, 1);
    EXPECT_EQ(w.installed, 1);
    EXPECT_TRUE(base::ReadWhole(pf / "defs.dat") == fresh);
    EXPECT_EQ(base::ReadWhole(pf / "news.txt"), "new news");
    EXPECT_FALSE(base::FileExists(pf / "update\\defs.dat"));
    EXPECT_FALSE(base::FileExists(pf / "update\\news.txt"));
    EXPECT_EQ(modDefinitions::updateListfromINI("SETTINGS", "UPDATE-FILE-NUMBER"), std::optional<std::string>("18"));
    EXPECT_EQ(modDefinitions::updateListfromINI("[MEMA]", "MEMAF0"), std::optional<std::string>("new.exe"));
}

TEST_F(UpdateFixture, BrokenOrForeignDefinitionsAreRefusedAndTheOldFileStays) {
    server.SetFile("/updates/version", "18");
    const std::string fresh = SignedDefs("18", "evil.exe");
    crypto::Encryptor enc(modEncryption::kPassPhrase);
    const crypto::Bytes unsignedOne = enc.Pack(modDefinitions::ScrambleDefinitionsSource("[MEMA]\nMEMAF0=evil.exe\n"));
    const crypto::Bytes foreign =
        modDefinitions::PackSigned(enc, modDefinitions::ScrambleDefinitionsSource("[MEMA]\nMEMAF0=evil.exe\n"),
                                   crypto::GenerateSigningKey().privateBlob);
    struct Row {
        const char* name;
        std::string body;  // "" with status: an error answer
        int status;
        UpdateResult result;
        const char* shown;
    };
    const Row rows[] = {
        {"404", "", 404, UpdateResult::DownloadFailed, "defs.dat could not be downloaded (HTTP"},
        {"500", "", 500, UpdateResult::DownloadFailed, "defs.dat could not be downloaded (HTTP"},
        {"not a definitions file", PatternBytes(5000), 200, UpdateResult::Refused, "not a definitions database"},
        {"truncated", fresh.substr(0, fresh.size() - 100), 200, UpdateResult::Refused, "refused"},
        {"one byte altered",
         [&] {
             std::string s = fresh;
             s[40] ^= 1;
             return s;
         }(),
         200, UpdateResult::Refused, "integrity"},
        {"unsigned", std::string(unsignedOne.begin(), unsignedOne.end()), 200, UpdateResult::Refused, "not signed"},
        {"signed by another key", std::string(foreign.begin(), foreign.end()), 200, UpdateResult::Refused,
         "wrong signature"},
    };
    for (const Row& r : rows) {
        if (r.status == 200) {
            server.SetFile("/updates/defs.dat", r.body);
        } else {
            Route e;
            e.kind = Route::Kind::Status;
            e.status = r.status;
            e.body = "<html>error page</html>";
            server.Set("/updates/defs.dat", e);
        }
        FakeWindow w;
        Transfer t;
        EXPECT_EQ(RunUpdate(t, w, site), r.result) << r.name;
        ASSERT_EQ(w.shown.size(), 1u) << r.name;
        EXPECT_NE(w.shown[0].find(r.shown), std::string::npos) << r.name << ": " << w.shown[0];
        EXPECT_EQ(w.installed, 0) << r.name;
        ExpectUnchanged(r.name);
    }
    // The same window then installs a good update: nothing of the failed runs is left over.
    server.SetFile("/updates/defs.dat", SignedDefs("18", "new.exe"));
    FakeWindow w;
    Transfer t;
    EXPECT_EQ(RunUpdate(t, w, site), UpdateResult::Installed);
    EXPECT_EQ(modDefinitions::updateListfromINI("[MEMA]", "MEMAF0"), std::optional<std::string>("new.exe"));
}

TEST_F(UpdateFixture, OlderUnannouncedOrTheInstalledDefinitionsAreNotInstalled) {
    struct Row {
        const char* name;
        const char* announced;
        const char* served;  // the signed file's update number
        UpdateResult result;
        const char* shown;
    };
    const Row rows[] = {
        {"replayed older file", "18", "5", UpdateResult::Refused, "older than the installed ones (5 < 17)"},
        {"older, announced as such", "5", "5", UpdateResult::Refused, "older than the installed ones (5 < 17)"},
        {"newer but not the announced one", "18", "19", UpdateResult::Refused, "not the version the server announced"},
        {"no update number", "18", "", UpdateResult::Refused, "not the version the server announced"},
        {"the installed file again", "18", "17", UpdateResult::Latest, "You have the latest update"},
    };
    for (const Row& r : rows) {
        server.SetFile("/updates/version", r.announced);
        server.SetFile("/updates/defs.dat", SignedDefs(r.served, "served.exe"));
        FakeWindow w;
        Transfer t;
        EXPECT_EQ(RunUpdate(t, w, site), r.result) << r.name;
        ASSERT_EQ(w.shown.size(), 1u) << r.name;
        EXPECT_NE(w.shown[0].find(r.shown), std::string::npos) << r.name << ": " << w.shown[0];
        EXPECT_EQ(w.shown[0].find("completed"), std::string::npos) << r.name;
        EXPECT_EQ(w.installed, 0) << r.name;
        EXPECT_FALSE(base::FileExists(pf / "update\\defs.dat")) << r.name;
        EXPECT_FALSE(base::FileExists(pf / "update\\news.txt")) << r.name;
        ExpectUnchanged(r.name);
    }
}

TEST_F(UpdateFixture, ADefinitionsFileHeldOpenIsNotReplacedAndStartStaysUsable) {
    server.SetFile("/updates/version", "18");
    server.SetFile("/updates/defs.dat", SignedDefs("18", "new.exe"));
    FakeWindow w;
    {
        base::FileHandle held(::CreateFileA((pf / "defs.dat").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                                            FILE_ATTRIBUTE_NORMAL, nullptr));
        ASSERT_TRUE(held);
        Transfer t;
        EXPECT_EQ(RunUpdate(t, w, site), UpdateResult::InstallFailed);
    }
    ASSERT_EQ(w.shown.size(), 1u);
    EXPECT_NE(w.shown[0].find("could not be installed"), std::string::npos) << w.shown[0];
    EXPECT_NE(w.shown[0].find("defs.dat"), std::string::npos) << w.shown[0];
    EXPECT_EQ(w.hidden, 1);
    EXPECT_EQ(w.startEnabled, 1);
    EXPECT_EQ(w.installed, 0);
    EXPECT_FALSE(base::FileExists(pf / "update\\defs.dat"));
    EXPECT_FALSE(base::FileExists(pf / "update\\news.txt"));
    ExpectUnchanged("held open");
    const std::string log = base::FileExists(modMain::ErrorLogPath()) ? base::ReadWhole(modMain::ErrorLogPath()) : "";
    EXPECT_NE(log.find("Method: cmdStartUpdate_Click"), std::string::npos) << log;
    // Once it is closed, the next try installs.
    FakeWindow again;
    Transfer t;
    EXPECT_EQ(RunUpdate(t, again, site), UpdateResult::Installed);
}

TEST_F(UpdateFixture, ProgramVersionCheck) {
    EXPECT_EQ(RunningVersionText(1, 2, 15), "1.2.0.15");
    struct Row {
        const char* served;  // nullptr: no such file on the server
        bool newer;
    };
    for (Row r : {Row{"1.2.0.15", false}, Row{" 1.2.0.15\r\n", false}, Row{"1.3.0.0", true}, Row{nullptr, false}}) {
        if (r.served) {
            server.SetFile("/updates/ProgVer", r.served);
        } else {
            Route missing;
            missing.kind = Route::Kind::Status;
            missing.status = 404;
            server.Set("/updates/ProgVer", missing);
        }
        FakeWindow w;
        std::vector<std::string> opened;
        EXPECT_EQ(CheckNewVerAvailable(site, "1.2.0.15", w, [&](const std::string& p) { opened.push_back(p); }),
                  r.newer);
        EXPECT_EQ(w.shown.size(), r.newer ? 1u : 0u);
        EXPECT_EQ(opened.size(), r.newer ? 1u : 0u);
        if (r.newer) {
            EXPECT_EQ(w.shown[0], "There is a new version of Corvane available.");
        }
    }
}

TEST_F(UpdateFixture, TheFirstFailedDownloadEndsTheUpdateAndLeavesNothing) {
    const std::string fresh = SignedDefs("18", "new.exe");
    server.SetFile("/updates/version", "18");
    struct Row {
        const char* name;
        Route defs, news;
        const char* failed;  // the file the message names
        bool newsAsked;
    };
    Route whole;
    whole.body = fresh;
    Route news;
    news.body = "new news";
    Route cutNews = testing_support::RestartingFile(std::string(5000, 'n'), 2000);
    const Row rows[] = {
        {"the definitions cut mid-way on every answer", testing_support::RestartingFile(fresh, fresh.size() / 2), news,
         "defs.dat could not be downloaded", false},
        {"the news cut mid-way on every answer", whole, cutNews, "News.txt could not be downloaded", true},
    };
    for (const Row& r : rows) {
        server.Set("/updates/defs.dat", r.defs);
        server.Set("/updates/News.txt", r.news);
        server.ClearRequests();
        const std::string logBefore =
            base::FileExists(modMain::ErrorLogPath()) ? base::ReadWhole(modMain::ErrorLogPath()) : "";
        FakeWindow w;
        Transfer t;
        EXPECT_EQ(RunUpdate(t, w, site), UpdateResult::DownloadFailed) << r.name;
        ASSERT_EQ(w.shown.size(), 1u) << r.name;
        EXPECT_NE(w.shown[0].find(r.failed), std::string::npos) << r.name << ": " << w.shown[0];
        EXPECT_NE(w.shown[0].find("The installed definitions are kept."), std::string::npos) << w.shown[0];
        EXPECT_EQ(w.installed, 0) << r.name;
        bool newsAsked = false;
        for (const std::string& head : server.Requests())
            newsAsked |= head.find("/updates/News.txt") != std::string::npos;
        EXPECT_EQ(newsAsked, r.newsAsked) << r.name;
        EXPECT_FALSE(base::FileExists(pf / "update\\defs.dat")) << r.name;
        EXPECT_FALSE(base::FileExists(pf / "update\\news.txt")) << r.name;
        const std::string log = base::ReadWhole(modMain::ErrorLogPath());
        EXPECT_NE(log.substr(std::min(log.size(), logBefore.size())).find("Method: cmdStartUpdate_Click"),
                  std::string::npos)
            << r.name << ": " << log;
        ExpectUnchanged(r.name);
    }
}

TEST_F(UpdateFixture, ADownloadBeyondTheBoundIsRefusedBeforeItFillsTheDisk) {
    server.SetFile("/updates/version", "18");
    // The installed definitions are a few hundred bytes: the bound is its floor.
    ASSERT_LT(16 * base::FileLength(pf / "defs.dat"), kMinDownloadBound);
    Route announced;  // announces 2 GB, never sends them
    announced.body = std::string(4000, 'x');
    announced.ignoreRange = true;
    announced.announcedLength = "2147483648";
    Route streamed;  // no length: its bytes pass the bound
    streamed.chunked = true;
    streamed.chunkBytes = 1 << 20;
    streamed.body = std::string(static_cast<size_t>(kMinDownloadBound) + 100000, 's');
    struct Row {
        const char* name;
        Route route;
    };
    const Row rows[] = {{"announced beyond the bound", announced}, {"streamed beyond the bound", streamed}};
    for (const Row& r : rows) {
        server.Set("/updates/defs.dat", r.route);
        server.ClearRequests();
        FakeWindow w;
        Transfer t;
        EXPECT_EQ(RunUpdate(t, w, site), UpdateResult::DownloadFailed) << r.name;
        ASSERT_EQ(w.shown.size(), 1u) << r.name;
        EXPECT_NE(w.shown[0].find("too large"), std::string::npos) << r.name << ": " << w.shown[0];
        size_t defsAsked = 0;
        for (const std::string& head : server.Requests())
            defsAsked += head.find("/updates/defs.dat") != std::string::npos;
        EXPECT_EQ(defsAsked, 1u) << r.name << ": the probe only";
        EXPECT_FALSE(base::FileExists(pf / "update\\defs.dat")) << r.name;
        ExpectUnchanged(r.name);
    }
}
