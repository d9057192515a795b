// End to end against a stock web server (nginx on loopback): the whole update, and a resume
// after a cut connection against the server's own 206 answers.
#include <gtest/gtest.h>
#include <windows.h>

#include "base/TextFile.h"
#include "base/testing/Testing.h"
#include "core/modMain.h"
#include "definitions/DefinitionsPacker.h"
#include "definitions/DefinitionsStore.h"
#include "definitions/StringCipher.h"
#include "definitions/tests/TestSigning.h"
#include "downloader/Update.h"
#include "downloader/tests/Nginx.h"
#include "downloader/tests/TestServer.h"

using namespace downloader;
using testing_support::Nginx;
using testing_support::PatternBytes;
using testing_support::ScopedProgramFolder;
using testing_support::TempFolder;

namespace {
struct Window : UpdateWindow {
    std::vector<std::string> shown;
    std::string Message(const std::string&, const std::string& def) override { return def; }
    void ShowMessage(const std::string& text) override { shown.push_back(text); }
    void HideWindow() override {}
    void DisableStart() override {}
    void EnableStart() override {}
    void Pump() override {}
};
}  // namespace

TEST(Nginx, TheWholeUpdateFromVersionCheckToTheNewDefinitionsLoaded) {
    ScopedProgramFolder pf;
    TempFolder www;
    modEncryption::LoadEncryption();
    const crypto::Bytes key = testing_support::TestSigningKey();
    modDefinitions::WriteDefinitionsFile(pf / "defs.dat", "[SETTINGS]\nUPDATE-FILE-NUMBER=41\n[MEMA]\nMEMAF0=old.exe\n",
                                         key);
    modDefinitions::LoadDefinitions();
    ::CreateDirectoryA((www / "updates").c_str(), nullptr);
    base::WriteText(www / "updates\\version", "42\n");
    modDefinitions::WriteDefinitionsFile(www / "updates\\defs.dat",
                                         "[SETTINGS]\nUPDATE-FILE-NUMBER=42\n[MEMA]\nMEMAF0=new.exe\n", key);
    base::WriteText(www / "updates\\News.txt", "Forty-two.\r\n");
    Nginx nginx(www.path());
    ASSERT_TRUE(nginx.ok()) << nginx.error();

    UpdateSite site;
    site.host = nginx.host();
    Window w;
    Transfer t;
    EXPECT_EQ(RunUpdate(t, w, site), UpdateResult::Installed) << (w.shown.empty() ? "" : w.shown[0]);
    EXPECT_EQ(modDefinitions::updateListfromINI("SETTINGS", "UPDATE-FILE-NUMBER"), std::optional<std::string>("42"));
    EXPECT_EQ(modDefinitions::updateListfromINI("[MEMA]", "MEMAF0"), std::optional<std::string>("new.exe"));
    EXPECT_EQ(base::ReadWhole(pf / "news.txt"), "Forty-two.\r\n");
    // The server saw the probe's one-byte range and the segment's range.
    EXPECT_NE(nginx.AccessLog().find("GET /updates/defs.dat HTTP/1.1\" 206"), std::string::npos) << nginx.AccessLog();

    // A second run finds the latest installed.
    Window again;
    EXPECT_EQ(RunUpdate(t, again, site), UpdateResult::Latest);
    modEncryption::ReleaseEncryption();
}

TEST(Nginx, ResumeAfterACutConnectionFetchesOnlyTheMissingBytes) {
    TempFolder www, tmp;
    const std::string file = PatternBytes(6 * 1024 * 1024, 11);
    base::WriteText(www / "big.dat", file);
    Nginx nginx(www.path(), "3m");  // slow enough to be cut mid-way
    ASSERT_TRUE(nginx.ok()) << nginx.error();

    Transfer t;
    t.ExecuteDownload(nginx.Url("/big.dat"), tmp / "big.dat");
    while (t.Step(20) && t.GetReceivedTotal() < 2 * 1024 * 1024) {
    }
    ASSERT_TRUE(t.Downloading()) << t.ErrorText();
    nginx.Stop();  // the line drops
    while (t.Step(20)) {
    }
    EXPECT_TRUE(t.DownloadError());
    const std::uint64_t have = base::FileLength(tmp / "big.dat");
    ASSERT_GT(have, 0u);
    ASSERT_LT(have, file.size());
    ASSERT_TRUE(nginx.Start()) << nginx.error();

    Transfer resume;
    resume.options.tfResume = -1;
    resume.SetTarget(nginx.Url("/big.dat"), tmp / "big.dat");
    ASSERT_TRUE(resume.StartDownload());
    ASSERT_TRUE(resume.RunToEnd(60000)) << resume.ErrorText();
    EXPECT_TRUE(base::ReadWhole(tmp / "big.dat") == file);
    EXPECT_EQ(resume.SegmentBytesFetched(), file.size() - have);
}
