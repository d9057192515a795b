// The test prefix's drive map: every drive is the prefix's own C: or the source tree (with the
// build folder), so that no scan and no removal in a test reaches the host. Drives are told
// apart by the folder their root is (its file id), read through Wine's direct host path
// "\\?\unix\...", which no drive list shows.
#include <gtest/gtest.h>

#include <set>

#include "base/Handles.h"
#include "base/HostPath.h"
#include "base/testing/Testing.h"

namespace {

struct FileId {
    DWORD high = 0, low = 0;
    bool operator==(const FileId& o) const { return high == o.high && low == o.low; }
};

// The id of a folder, or nothing.
bool IdOf(const std::string& path, FileId& id) {
    base::FileHandle h(CreateFileA(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                   OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    BY_HANDLE_FILE_INFORMATION info{};
    if (!h.valid() || !GetFileInformationByHandle(h.get(), &info)) return false;
    id = {info.nFileIndexHigh, info.nFileIndexLow};
    return true;
}

std::string Env(const char* name) {
    char buf[1024];
    const DWORD n = GetEnvironmentVariableA(name, buf, sizeof buf);
    return n > 0 && n < sizeof buf ? std::string(buf, n) : std::string();
}

std::string OnHost(std::string unixPath) {
    for (char& c : unixPath)
        if (c == '/') c = '\\';
    return "\\\\?\\unix" + unixPath;
}

struct Drive {
    std::string root;  // "C:\"
    UINT type;
};

// Every letter the drive list names or whose root answers (Wine's list may lag a link behind).
std::vector<Drive> Drives() {
    std::vector<Drive> drives;
    const DWORD mask = GetLogicalDrives();
    for (int i = 0; i < 26; ++i) {
        const std::string root = std::string(1, static_cast<char>('A' + i)) + ":\\";
        const UINT type = GetDriveTypeA(root.c_str());
        if ((mask & (1u << i)) || type != DRIVE_NO_ROOT_DIR) drives.push_back({root, type});
    }
    return drives;
}

TEST(TestPrefix, EveryDriveIsThePrefixsOwnDriveOrTheSourceTree) {
    const std::string prefix = Env("WINEPREFIX"), source = Env("CORVANE_SOURCE_DIR");
    ASSERT_FALSE(prefix.empty());
    ASSERT_FALSE(source.empty());
    std::string build = Env("CORVANE_PROGRAM_DIR");
    build = build.substr(0, build.rfind('/'));
    struct Place {
        const char* what;
        std::string host;
        UINT type;  // the type its drive must have
        FileId id;
    };
    std::vector<Place> places = {{"the prefix's drive_c", prefix + "/drive_c", DRIVE_FIXED, {}},
                                 {"the source tree", source, DRIVE_REMOTE, {}},
                                 {"the build folder", build, DRIVE_REMOTE, {}}};
    for (Place& p : places) ASSERT_TRUE(IdOf(OnHost(p.host), p.id)) << p.what;
    FileId hostRoot;
    ASSERT_TRUE(IdOf("\\\\?\\unix\\", hostRoot));

    std::set<std::string> seen;
    for (const Drive& d : Drives()) {
        SCOPED_TRACE(d.root);
        FileId id;
        ASSERT_TRUE(IdOf(d.root, id));
        EXPECT_FALSE(id == hostRoot) << "the host's root";
        const Place* match = nullptr;
        for (const Place& p : places)
            if (p.id == id) match = &p;
        ASSERT_NE(match, nullptr) << "a drive onto " << base::HostPathOf(d.root);
        EXPECT_EQ(match->type, d.type) << match->what;
        seen.insert(match->what);
    }
    // C: and the source tree are always there; the build folder has its own drive only when it
    // lies outside the tree.
    EXPECT_TRUE(seen.count("the prefix's drive_c"));
    EXPECT_TRUE(seen.count("the source tree"));
    const bool buildInside = build.rfind(source + "/", 0) == 0;
    EXPECT_EQ(!buildInside, seen.count("the build folder") == 1);
}

TEST(TestPrefix, CIsTheOnlyFixedDriveAndTheListsAgree) {
    std::string probed;
    for (const Drive& d : Drives()) {
        probed += d.root + '|';
        if (d.type == DRIVE_FIXED) {
            EXPECT_EQ(d.root, "C:\\");
        }
    }
    char buffer[512] = {};
    const DWORD n = GetLogicalDriveStringsA(sizeof buffer - 1, buffer);
    ASSERT_GT(n, 0u);
    std::string listed;
    for (const char* r = buffer; *r; r += strlen(r) + 1) listed += std::string(r) + '|';
    EXPECT_EQ(probed, listed);
    EXPECT_EQ(GetDriveTypeA("C:\\"), static_cast<UINT>(DRIVE_FIXED));
    EXPECT_EQ(GetDriveTypeA("Z:\\"), static_cast<UINT>(DRIVE_NO_ROOT_DIR));
}

// What the tests and the build's tools hand over as host paths arrives on the tree's drive; the
// running test itself sits on a drive no scan walks.
TEST(TestPrefix, HostPathsOfTheTreeMapToItsDrive) {
    const std::string source = testing_support::SourceDir();
    ASSERT_GE(source.size(), 3u);
    EXPECT_EQ(source.substr(1, 2), ":\\");
    EXPECT_EQ(GetDriveTypeA(source.substr(0, 3).c_str()), static_cast<UINT>(DRIVE_REMOTE));
    EXPECT_EQ(
        GetFileAttributesA((source + "\\assets\\definitions\\definitions.txt").c_str()) & FILE_ATTRIBUTE_DIRECTORY, 0u);
    char exe[MAX_PATH];
    GetModuleFileNameA(nullptr, exe, MAX_PATH);
    EXPECT_EQ(GetDriveTypeA(std::string(exe, 3).c_str()), static_cast<UINT>(DRIVE_REMOTE)) << exe;
    // A host place outside the map stays reachable for the tools, by Wine's direct host path.
    EXPECT_EQ(base::WindowsPathOfHost("/"), "\\\\?\\unix\\");
    EXPECT_EQ(base::WindowsPathOfHost("C:\\Windows"), "C:\\Windows");
}

}  // namespace
