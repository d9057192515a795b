#include "scanner/tests/ScannerTestSupport.h"

#include <algorithm>
#include <utility>

#include "base/Handles.h"
#include "base/TextFile.h"
#include "core/Globals.h"
#include "core/SpecialFolders.h"
#include "core/modMain.h"
#include "definitions/DefinitionsPacker.h"
#include "definitions/DefinitionsStore.h"
#include "definitions/StringCipher.h"
#include "results/FindingList.h"
#include "results/IgnoreList.h"
#include "scanner/ScanGlobals.h"

namespace scannertest {

scanner::ScanEngine& Engine() { return scanner::ProgramEngine(); }

void RecordingProgress::Title(const std::string& text) {
    title = text;
    events.emplace_back("title", text);
}

void RecordingProgress::LoadStatus(long count) {
    status = count;
    events.emplace_back("status", StatusLine());
}

void RecordingProgress::CurrentItem(const std::string& text) { events.emplace_back("item", text); }

namespace {
bool KeyExists(HKEY root, const std::string& path) {
    base::RegKey key;
    return RegOpenKeyExA(root, path.c_str(), 0, KEY_READ, key.put()) == ERROR_SUCCESS;
}
}  // namespace

ScratchKey::ScratchKey(HKEY root, const std::string& path) : root_(root) {
    if (KeyExists(root, path)) return;
    created_ = path;
    for (size_t slash = path.find('\\'); slash != std::string::npos; slash = path.find('\\', slash + 1)) {
        if (!KeyExists(root, path.substr(0, slash))) {
            created_ = path.substr(0, slash);
            break;
        }
    }
    base::RegKey key;
    RegCreateKeyExA(root, path.c_str(), 0, nullptr, 0, KEY_READ, nullptr, key.put(), nullptr);
}

ScratchKey::~ScratchKey() {
    if (created_.empty()) return;
    {
        base::RegKey key;
        if (RegOpenKeyExA(root_, created_.c_str(), 0, KEY_ALL_ACCESS, key.put()) == ERROR_SUCCESS)
            RegDeleteTreeA(key.get(), nullptr);
    }
    RegDeleteKeyA(root_, created_.c_str());
}

ScratchValue::ScratchValue(HKEY root, const std::string& key, const std::string& name, const std::string& data,
                           DWORD type)
    : root_(root), key_(key), name_(name), keyMade_(root, key) {
    base::RegKey k;
    if (RegOpenKeyExA(root, key.c_str(), 0, KEY_QUERY_VALUE | KEY_SET_VALUE, k.put()) != ERROR_SUCCESS) return;
    DWORD size = 0;
    if (RegQueryValueExA(k.get(), name.c_str(), nullptr, &oldType_, nullptr, &size) == ERROR_SUCCESS) {
        oldData_.assign(size, '\0');
        existed_ = RegQueryValueExA(k.get(), name.c_str(), nullptr, &oldType_, reinterpret_cast<BYTE*>(oldData_.data()),
                                    &size) == ERROR_SUCCESS;
    }
    const std::string bytes = type == REG_SZ || type == REG_EXPAND_SZ ? data + '\0' : data;
    RegSetValueExA(k.get(), name.c_str(), 0, type, reinterpret_cast<const BYTE*>(bytes.data()),
                   static_cast<DWORD>(bytes.size()));
}

ScratchValue::~ScratchValue() {
    base::RegKey k;
    if (RegOpenKeyExA(root_, key_.c_str(), 0, KEY_SET_VALUE, k.put()) != ERROR_SUCCESS) return;
    if (existed_)
        RegSetValueExA(k.get(), name_.c_str(), 0, oldType_, reinterpret_cast<const BYTE*>(oldData_.data()),
                       static_cast<DWORD>(oldData_.size()));
    else
        RegDeleteValueA(k.get(), name_.c_str());
}

std::vector<Row> Rows(const base::ListItems& items, int subItems) {
    std::vector<Row> out;
    for (int i = 1; i <= items.Count(); ++i) {
        Row r{items(i).Text};
        for (int s = 1; s <= subItems; ++s) r.push_back(items(i).SubItems(s));
        out.push_back(r);
    }
    return out;
}

std::vector<Row> Sorted(std::vector<Row> rows) {
    std::sort(rows.begin(), rows.end());
    return rows;
}

std::vector<Row> Findings() {
    std::vector<Row> out;
    const base::ListItems& items = std::as_const(results::Findings()).Rows();
    for (int i = 1; i <= items.Count(); ++i) {
        const base::ListItem& r = items(i);
        out.push_back(
            {r.Text, r.SubItems(1), r.SubItems(2), r.SubItems(3), r.ToolTipText, r.Tag, r.Checked ? "1" : "0"});
    }
    return out;
}

void InstallDefinitions(const std::string& source) {
    modDefinitions::SetDefinitionsText(modDefinitions::ScrambleDefinitionsSource(source));
}

std::string ErrorLog() {
    const std::string path = modMain::ErrorLogPath();
    return base::FileExists(path) ? base::ReadWhole(path) : std::string();
}

void WriteIgnoreList(const std::vector<std::vector<std::string>>& records) {
    std::string text;
    for (const auto& r : records) {
        text += "\"" + modEncryption::Encrypte(r[0]) + "\",\"" + modEncryption::Encrypte(r[1]) + "\",\"" +
                modEncryption::Encrypte(r[2]) + "\"\r\n";
    }
    base::WriteText(modMain::FullPath_With_Filename(results::kIgnoreListFile), text);
}

void ScannerTest::SetUp() {
    if (!modEncryption::Encryptor()) modEncryption::LoadEncryption();
    gb_loadRegSDefs = gb_loadRegVDefs = gb_loadRegDataDefs = gb_loadRegKDefs = false;
    gb_loadCookieDefs = gb_loadHostsDefs = gb_loadFileDefs = false;
    gb_trojans = gb_dialers = gb_scanBHO = gb_keyLoggers = gb_spywareAdware = gb_advancedScanning = false;
    gb_markChecked = gb_autoRemove = false;
    gb_scanAborted = false;
    gb_fileGroupsLoaded = false;
    // Every macro folder points somewhere harmless unless a test makes it real.
    for (std::string* g :
         {&gb_windowsFolder, &gb_systemFolder, &gb_programFilesFolder, &gb_commonFilesFolder, &gb_tempFolder,
          &gb_appDataFolder, &gb_desktopFolder, &gb_programsFolder, &gb_personalFolder, &gb_favoritesFolder,
          &gb_startupFolder, &gb_startMenuFolder, &gb_desktopDirFolder, &gb_commonStartMenuFolder,
          &gb_commonProgramsFolder, &gb_commonStartupFolder, &gb_commonDesktopDirFolder, &gb_commonFavoritesFolder})
        *g = tree_.path() + "\\absent";
    InstallDefinitions("");
    results::Findings().Clear();
    Engine().Reset();
    Engine().ResetCounters();
    Engine().clearDataBase();
    Engine().Tasklist.ListItems.Clear();
    Engine().SetProgress(&progress_);
    Engine().useReferenceMatchers = false;
}

void ScannerTest::TearDown() {
    Engine().SetProgress(nullptr);
    Engine().Reset();
    Engine().clearDataBase();
    Engine().Tasklist.ListItems.Clear();
    results::Findings().Clear();
    gb_scanAborted = false;
}

std::string ScannerTest::MakeFolder(const std::string& name) {
    const std::string path = tree_ / name;
    CreateDirectoryA(path.c_str(), nullptr);
    return path;
}

void ScannerTest::MakeFile(const std::string& path, const std::string& bytes) { base::WriteText(path, bytes); }

}  // namespace scannertest
