#include <gtest/gtest.h>

#include <cstring>

#include "base/OsVersion.h"
#include "base/RuntimeError.h"
#include "base/TextFile.h"
#include "base/testing/Testing.h"
#include "core/AtomicFile.h"
#include "core/HostsFile.h"
#include "core/SpecialFolders.h"
#include "core/Wiring.h"
#include "core/tests/CoreTestSupport.h"

using namespace modMain;
using testing_support::TempFolder;

namespace {

std::function<UINT(char*, UINT)> Answers(const std::string& text) {
    return [text](char* b, UINT n) -> UINT {
        if (text.size() >= n) return static_cast<UINT>(text.size() + 1);
        std::memcpy(b, text.c_str(), text.size() + 1);
        return static_cast<UINT>(text.size());
    };
}

std::vector<std::string> FilesIn(const std::string& folder) {
    std::vector<std::string> out;
    WIN32_FIND_DATAA fd;
    HANDLE h = FindFirstFileA((folder + "\\*").c_str(), &fd);
    if (h == INVALID_HANDLE_VALUE) return out;
    do {
        if (!(fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) out.push_back(fd.cFileName);
    } while (FindNextFileA(h, &fd));
    FindClose(h);
    return out;
}

// A Windows of our own: the system folder (NT family) or the Windows folder (95 family) lives
// in a temporary folder, so the hosts file there is ours to break.
class HostsTest : public ::testing::Test {
protected:
    void SetUp() override {
        CreateDirectoryA((root / "system32").c_str(), nullptr);
        CreateDirectoryA((root / "system32\\drivers").c_str(), nullptr);
        CreateDirectoryA(etc.c_str(), nullptr);
        FolderSources s = SystemFolderSources();
        s.systemDirectory = Answers(root / "system32");
        s.windowsDirectory = Answers(root.path());
        SetFolderSources(s);
        wiring::SetEndProgress([this] { ++endProgress; });
    }
    void TearDown() override {
        SetFolderSources(SystemFolderSources());
        wiring::SetEndProgress({});
        AtomicFileWriter::SetFaultHook({});
    }
    void Write(const std::string& text) { base::WriteText(hosts, text); }
    std::string Read() { return base::ReadWhole(hosts); }

    testing_support::ScopedProgramFolder pf;
    TempFolder root;
    std::string etc = root / "system32\\drivers\\etc";
    std::string hosts = etc + "\\hosts";
    osversion::ScopedFake xp{osversion::Fake{}};
    int endProgress = 0;
};

}  // namespace

TEST_F(HostsTest, LinesBecomeRecordsAndAreWrittenBackNormalised) {
    struct Row {
        std::string line;
        bool isEntry;
        std::string text, host, written;
    };
    const Row rows[] = {
        {"127.0.0.1\tlocalhost", true, "127.0.0.1", "localhost", "127.0.0.1     localhost"},
        {"localhost", true, "", "localhost", "     localhost"},
        // The host names stay as they are, even when they contain the address text.
        {"10.0.0.1 host10.0.0.1", true, "10.0.0.1", "host10.0.0.1", "10.0.0.1     host10.0.0.1"},
        {"1.2.3.4  a.example b.example", true, "1.2.3.4", "a.example b.example", "1.2.3.4     a.example b.example"},
        {"# a comment,  kept\tas is", false, "# a comment,  kept\tas is", "", "# a comment,  kept\tas is"},
        {"   # indented", true, "#", "indented", "#     indented"},
    };
    std::string file, want;
    for (const Row& r : rows) {
        file += r.line + "\r\n\r\n";  // blank lines between: not stored
        want += r.written + "\r\n";
    }
    Write(file + "   \r\n");
    readHost();
    ASSERT_EQ(gb_hostsEntries.size(), std::size(rows) + 1);  // plus the spare record
    for (size_t i = 0; i < std::size(rows); ++i) {
        EXPECT_EQ(gb_hostsEntries[i].isEntry, rows[i].isEntry) << rows[i].line;
        EXPECT_EQ(gb_hostsEntries[i].text, rows[i].text) << rows[i].line;
        EXPECT_EQ(gb_hostsEntries[i].host, rows[i].host) << rows[i].line;
    }
    EXPECT_EQ(gb_hostsEntries.back().text + gb_hostsEntries.back().host, "");
    EXPECT_TRUE(DeleteHostsEntry("", ""));
    EXPECT_EQ(Read(), want);
    EXPECT_EQ(endProgress, 0);
}

TEST_F(HostsTest, RemovingAFindingDropsEveryMatchIgnoringCase) {
    Write("# top\r\n127.0.0.1 adserver\r\n127.0.0.1 keep.example\r\n127.0.0.1\tADServer\r\n10.1.1.1 adserver\r\n");
    gb_hostsEntries.clear();  // the removal reads the file itself
    EXPECT_TRUE(DeleteHostsEntry("ADSERVER", "127.0.0.1"));
    EXPECT_EQ(Read(), "# top\r\n127.0.0.1     keep.example\r\n10.1.1.1     adserver\r\n");
}

TEST_F(HostsTest, RecordsTheScanEmptiedAreLeftOut) {
    Write("127.0.0.1 good\r\n127.0.0.1 bad\r\n");
    readHost();
    gb_hostsEntries[1].text.clear();
    gb_hostsEntries[1].host.clear();
    EXPECT_TRUE(DeleteHostsEntry("", ""));
    EXPECT_EQ(Read(), "127.0.0.1     good\r\n");
}

TEST_F(HostsTest, OnlyBlankLinesGiveAnEmptyFile) {
    Write("\r\n\r\n\n");
    readHost();
    EXPECT_EQ(gb_hostsEntries.size(), 1u);
    EXPECT_TRUE(DeleteHostsEntry("", ""));
    EXPECT_EQ(Read(), "");
}

TEST_F(HostsTest, AFailedWriteMidwayLeavesTheFileWholeAndNoLeftovers) {
    std::string original = "# hosts\r\n";
    for (int i = 0; i < 50; ++i) original.append("127.0.0.1 site").append(std::to_string(i)).append(".example\r\n");
    Write(original);
    readHost();
    AtomicFileWriter::SetFaultHook([](size_t writes) {
        if (writes == 20) base::Raise(base::errDeviceIoError);
    });
    EXPECT_FALSE(DeleteHostsEntry("", ""));
    EXPECT_EQ(Read(), original);  // byte for byte
    EXPECT_EQ(FilesIn(etc), std::vector<std::string>{"hosts"});
    EXPECT_EQ(endProgress, 1);
    EXPECT_NE(core_test::ErrorLogText().find(
                  "Error Description: Device I/O error, Error Number: 57, J: 20, Method: DeleteHostsEntry"),
              std::string::npos)
        << core_test::ErrorLogText();

    // A failure at the very end, when the new file would take the old one's place.
    AtomicFileWriter::SetFaultHook([](size_t writes) {
        if (writes == SIZE_MAX) base::Raise(base::errDiskFull);
    });
    EXPECT_FALSE(DeleteHostsEntry("site3.example", "127.0.0.1"));
    EXPECT_EQ(Read(), original);
    EXPECT_EQ(FilesIn(etc), std::vector<std::string>{"hosts"});

    AtomicFileWriter::SetFaultHook({});
    EXPECT_TRUE(DeleteHostsEntry("site3.example", "127.0.0.1"));
    EXPECT_EQ(Read().find("site3.example"), std::string::npos);
    EXPECT_NE(Read().find("site49.example"), std::string::npos);
}

// Another program holds the file open (reading allowed, deleting not): the replacement is
// refused, and the file stays whole, read-only as it was, with nothing left beside it.
TEST_F(HostsTest, ARefusedReplacementLeavesTheFileAsItWas) {
    const std::string original = "127.0.0.1 localhost\r\n127.0.0.1 ads.example\r\n";
    Write(original);
    ASSERT_TRUE(SetFileAttributesA(hosts.c_str(), FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN));
    {
        base::FileHandle holder(CreateFileA(hosts.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                            OPEN_EXISTING, 0, nullptr));
        ASSERT_TRUE(holder);
        EXPECT_FALSE(DeleteHostsEntry("ads.example", "127.0.0.1"));
    }
    EXPECT_EQ(Read(), original);
    EXPECT_EQ(GetFileAttributesA(hosts.c_str()) & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN),
              static_cast<DWORD>(FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN));
    EXPECT_EQ(FilesIn(etc), std::vector<std::string>{"hosts"});
    EXPECT_EQ(endProgress, 1);
    SetFileAttributesA(hosts.c_str(), FILE_ATTRIBUTE_NORMAL);
    EXPECT_TRUE(DeleteHostsEntry("ads.example", "127.0.0.1"));
    EXPECT_EQ(Read(), "127.0.0.1     localhost\r\n");
}

TEST_F(HostsTest, LongFilesAreReadAndWrittenWhole) {
    std::string text, want;
    for (int i = 0; i < 40000; ++i) {  // more lines than a 16-bit index could count
        const std::string host = "h" + std::to_string(i) + ".example";
        text.append("0.0.0.0 ").append(host).append("\r\n");
        want.append("0.0.0.0     ").append(host).append("\r\n");
    }
    Write(text);
    readHost();
    EXPECT_EQ(gb_hostsEntries.size(), 40001u);
    EXPECT_TRUE(DeleteHostsEntry("", ""));
    EXPECT_EQ(Read(), want);
}

TEST_F(HostsTest, AReadThatDidNotCompleteIsNeverWrittenBack) {
    Write("127.0.0.1 one\r\n127.0.0.1 two\r\n");
    readHost();
    {
        // Another program holds the file: the read fails, the rewrite is refused.
        base::FileHandle lock(CreateFileA(hosts.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
        ASSERT_TRUE(lock);
        readHost();
        EXPECT_FALSE(DeleteHostsEntry("", ""));
    }
    EXPECT_EQ(Read(), "127.0.0.1 one\r\n127.0.0.1 two\r\n");
    const std::string log = core_test::ErrorLogText();
    EXPECT_EQ(core_test::CountOccurrences(log, "Method: readHost"), 1) << log;
    EXPECT_EQ(core_test::CountOccurrences(log, ", J: 0, Method: DeleteHostsEntry"), 1) << log;
    EXPECT_EQ(endProgress, 1);
}

TEST_F(HostsTest, AMissingFileIsReportedAndNotCreated) {
    readHost();
    EXPECT_EQ(gb_hostsEntries.size(), 1u);
    EXPECT_FALSE(DeleteHostsEntry("", ""));
    EXPECT_FALSE(DeleteHostsEntry("x", "1.1.1.1"));
    EXPECT_FALSE(base::FileExists(hosts));
    EXPECT_NE(core_test::ErrorLogText().find("Error Description: File not found, Error Number: 53, Method: readHost"),
              std::string::npos);
}

TEST_F(HostsTest, TheNinetyFiveFamilyReadsAndRewritesTheWindowsFoldersHostsFile) {
    osversion::Fake win98;
    win98.platformId = VER_PLATFORM_WIN32_WINDOWS;
    win98.major = 4;
    win98.minor = 10;
    osversion::ScopedFake fake(win98);
    const std::string live = root / "hosts", sample = root / "hosts.sam";
    base::WriteText(live, "127.0.0.1 localhost\r\n127.0.0.1 ads.example\r\n");
    base::WriteText(sample, "127.0.0.1 sample\r\n");
    EXPECT_EQ(HostsFilePath(), live);
    EXPECT_TRUE(DeleteHostsEntry("ads.example", "127.0.0.1"));
    EXPECT_EQ(base::ReadWhole(live), "127.0.0.1     localhost\r\n");
    EXPECT_EQ(base::ReadWhole(sample), "127.0.0.1 sample\r\n");
    EXPECT_FALSE(base::FileExists(hosts));
}

TEST(RealHostsFile, RewrittenInThePrefixAndPutBack) {
    SetFolderSources(SystemFolderSources());
    const std::string path = HostsFilePath();
    ASSERT_EQ(path, "C:\\windows\\system32\\drivers\\etc\\hosts");
    const std::string original = base::ReadWhole(path);
    base::WriteText(path, "# test\r\n127.0.0.1 localhost\r\n127.0.0.1 adserver.example\r\n");
    const bool removed = DeleteHostsEntry("ADSERVER.example", "127.0.0.1");
    const std::string after = base::ReadWhole(path);
    ReplaceFileContent(path, original);
    EXPECT_TRUE(removed);
    EXPECT_EQ(after, "# test\r\n127.0.0.1     localhost\r\n");
    EXPECT_EQ(base::ReadWhole(path), original);
}

namespace {
// The access list of a file, as bytes (empty when it has none or cannot be read).
std::vector<BYTE> DaclOf(const std::string& path) {
    DWORD need = 0;
    GetFileSecurityA(path.c_str(), DACL_SECURITY_INFORMATION, nullptr, 0, &need);
    std::vector<BYTE> sd(need);
    if (!need || !GetFileSecurityA(path.c_str(), DACL_SECURITY_INFORMATION, sd.data(), need, &need)) return {};
    BOOL present = FALSE, defaulted = FALSE;
    PACL acl = nullptr;
    if (!GetSecurityDescriptorDacl(sd.data(), &present, &acl, &defaulted) || !present || !acl) return {};
    const BYTE* b = reinterpret_cast<const BYTE*>(acl);
    return std::vector<BYTE>(b, b + acl->AclSize);
}

// Everyone may do anything, the built-in users may read: an access list no new file gets by default.
bool SetOwnDacl(const std::string& path) {
    alignas(DWORD) BYTE buffer[512];
    PACL acl = reinterpret_cast<PACL>(buffer);
    if (!InitializeAcl(acl, sizeof buffer, ACL_REVISION)) return false;
    SID_IDENTIFIER_AUTHORITY world = SECURITY_WORLD_SID_AUTHORITY, nt = SECURITY_NT_AUTHORITY;
    PSID everyone = nullptr, users = nullptr;
    AllocateAndInitializeSid(&world, 1, SECURITY_WORLD_RID, 0, 0, 0, 0, 0, 0, 0, &everyone);
    AllocateAndInitializeSid(&nt, 2, SECURITY_BUILTIN_DOMAIN_RID, DOMAIN_ALIAS_RID_USERS, 0, 0, 0, 0, 0, 0, &users);
    const bool ok = everyone && users && AddAccessAllowedAce(acl, ACL_REVISION, FILE_ALL_ACCESS, everyone) &&
                    AddAccessAllowedAce(acl, ACL_REVISION, FILE_GENERIC_READ, users);
    if (everyone) FreeSid(everyone);
    if (users) FreeSid(users);
    SECURITY_DESCRIPTOR sd;
    return ok && InitializeSecurityDescriptor(&sd, SECURITY_DESCRIPTOR_REVISION) &&
           SetSecurityDescriptorDacl(&sd, TRUE, acl, FALSE) &&
           SetFileSecurityA(path.c_str(), DACL_SECURITY_INFORMATION, &sd);
}

// Puts the prefix's hosts file back as it was: content, attributes and access list.
class HostsFileKeeper {
public:
    explicit HostsFileKeeper(std::string path) : path_(std::move(path)) {
        content_ = base::ReadWhole(path_);
        attributes_ = GetFileAttributesA(path_.c_str());
        DWORD need = 0;
        GetFileSecurityA(path_.c_str(), DACL_SECURITY_INFORMATION, nullptr, 0, &need);
        security_.resize(need);
        if (!need || !GetFileSecurityA(path_.c_str(), DACL_SECURITY_INFORMATION, security_.data(), need, &need))
            security_.clear();
    }
    ~HostsFileKeeper() {
        SetFileAttributesA(path_.c_str(), FILE_ATTRIBUTE_NORMAL);
        base::WriteText(path_, content_);
        if (!security_.empty()) SetFileSecurityA(path_.c_str(), DACL_SECURITY_INFORMATION, security_.data());
        SetFileAttributesA(path_.c_str(), attributes_);
    }
    HostsFileKeeper(const HostsFileKeeper&) = delete;
    HostsFileKeeper& operator=(const HostsFileKeeper&) = delete;
    const std::string& content() const { return content_; }

private:
    std::string path_, content_;
    DWORD attributes_ = FILE_ATTRIBUTE_NORMAL;
    std::vector<BYTE> security_;
};
}  // namespace

// The rewrite keeps what the file was: read-only stays read-only, hidden and system stay, and the
// access list stays the file's own rather than the one a new file would get.
TEST(RealHostsFile, ARemovalKeepsTheFilesAttributesAndAccessList) {
    SetFolderSources(SystemFolderSources());
    const std::string path = HostsFilePath();
    const std::string etc = path.substr(0, path.find_last_of('\\'));
    const std::vector<std::string> filesBefore = FilesIn(etc);
    constexpr DWORD kKept = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM;
    struct Row {
        const char* name;
        DWORD attributes;
    };
    const Row rows[] = {
        {"read-only", FILE_ATTRIBUTE_READONLY},
        {"hidden and system", FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM},
        {"read-only, hidden and system", kKept},
        {"plain", FILE_ATTRIBUTE_ARCHIVE},
    };
    {
        HostsFileKeeper keeper(path);
        for (const Row& r : rows) {
            SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
            base::WriteText(path, "# test\r\n127.0.0.1 localhost\r\n127.0.0.1 adserver.example\r\n");
            ASSERT_TRUE(SetOwnDacl(path)) << r.name;
            ASSERT_TRUE(SetFileAttributesA(path.c_str(), r.attributes)) << r.name;
            const std::vector<BYTE> dacl = DaclOf(path);
            ASSERT_FALSE(dacl.empty()) << r.name;

            EXPECT_TRUE(DeleteHostsEntry("adserver.example", "127.0.0.1")) << r.name;
            EXPECT_EQ(base::ReadWhole(path), "# test\r\n127.0.0.1     localhost\r\n") << r.name;
            EXPECT_EQ(GetFileAttributesA(path.c_str()) & kKept, r.attributes & kKept) << r.name;
            EXPECT_EQ(DaclOf(path), dacl) << r.name;
            EXPECT_EQ(FilesIn(etc), filesBefore) << r.name;
        }
    }
    EXPECT_EQ(FilesIn(etc), filesBefore);
}
