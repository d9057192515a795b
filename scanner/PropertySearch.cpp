// The file-property search: executables recognised by the texts of their version resource, and
// by a one-byte checksum with the exact size.
#include <objbase.h>
#include <shlobj.h>

#include <map>
#include <unordered_map>

#include "base/AnsiPath.h"
#include "base/Conversions.h"
#include "base/Text.h"
#include "base/TextFile.h"
#include "base/Trap.h"
#include "core/Globals.h"
#include "core/Shortcut.h"
#include "core/modLanguage.h"
#include "scanner/FileVersion.h"
#include "scanner/FolderMacros.h"
#include "scanner/ScanEngine.h"

namespace scanner {

using base::Trim;
using base::UCase;

// The property lists as the search asks them: lstFCSSearch by file size (the checksum is computed
// only for a file whose size a row names), the lists compared for equality by their upper-cased
// text (first row of each text).
struct ScanEngine::ChecksumIndex {
    std::vector<unsigned long long> generations;
    std::map<unsigned long long, std::vector<std::pair<int, unsigned char>>> bySize;  // row, checksum
    std::unordered_map<const base::RowList*, std::unordered_map<std::string, int>> byText;

    static std::vector<unsigned long long> GenerationsOf(const DefinitionLists& l) {
        return {l.lstFCSSearch.ListItems.Generation(), l.lstOFNSearch.ListItems.Generation(),
                l.lstCESearch.ListItems.Generation(),  l.lstIFNSearch.ListItems.Generation(),
                l.lstPNSearch.ListItems.Generation(),  l.lstFDSearch.ListItems.Generation()};
    }

    void Build(const DefinitionLists& l) {
        generations = GenerationsOf(l);
        const base::ListItems& rows = l.lstFCSSearch.ListItems;
        for (int i = 1; i <= rows.Count(); ++i) {
            // A row that is not a checksum and a size matches nothing; it does not stop the others.
            base::TrapWith(
                [&] {
                    const short sum = conv::CIntText(rows(i).SubItems(1));
                    const long size = conv::CLngText(rows(i).SubItems(2));
                    if (sum < 0 || sum > 255 || size < 0) base::Raise(base::errOverflow);
                    bySize[static_cast<unsigned long long>(size)].push_back({i, static_cast<unsigned char>(sum)});
                },
                [&] { return base::MethodTail("AdvancedFilePropertiesSearch", "Checksum row: " + std::to_string(i)); });
        }
        for (const base::RowList* list :
             {&l.lstOFNSearch, &l.lstCESearch, &l.lstIFNSearch, &l.lstPNSearch, &l.lstFDSearch}) {
            auto& map = byText[list];
            const base::ListItems& items = list->ListItems;
            for (int i = 1; i <= items.Count(); ++i)
                if (!items(i).SubItems(2).empty()) map.emplace(UCase(items(i).SubItems(2)), i);
        }
    }
    int EqualRow(const base::RowList& list, const std::string& value) const {
        if (value.empty()) return 0;
        const auto& map = byText.at(&list);
        const auto it = map.find(UCase(value));
        return it == map.end() ? 0 : it->second;
    }
};

void ScanEngine::searchFilesAdvanced(const std::string& folder) {
    base::Trap("searchFilesAdvanced", [&] {
        if (gb_scanAborted) return;
        WIN32_FIND_DATAW fd;
        const std::string within = AddPathToFileName(folder, "");
        base::FindHandle h(FindFirstFileW(base::WidePath(within + "*.*").c_str(), &fd));
        if (!h) return;
        std::string name;
        do {
            const wchar_t* n = fd.cFileName;
            if (n[0] == L'.' && (n[1] == 0 || (n[1] == L'.' && n[2] == 0))) continue;
            if (!base::EntryName(fd, within.size(), name)) continue;
            std::string path = AddPathToFileName(folder, name);
            ShowCurrentItem(modLanguage::getMessage("1020", "Advanced Scanning") + " - " + path);
            YieldToMessages();
            if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) continue;  // not recursive
            if (path.size() >= 4 && path.compare(path.size() - 4, 4, ".lnk") == 0) {
                const std::string target = core::ShortcutTarget(path);
                if (!target.empty() && base::FileExists(target)) path = target;
            }
            const std::string ext = path.size() >= 4 ? UCase(path.substr(path.size() - 4)) : std::string();
            if (ext == ".EXE" || ext == ".DLL" || ext == ".OCX") AdvancedFilePropertiesSearch(path);
            // ".ZIP" archives are not looked into.
            YieldToMessages();
        } while (!gb_scanAborted && FindNextFileW(h.get(), &fd));
    });
}

void ScanEngine::AdvancedFilePropertiesSearch(const std::string& file) {
    base::Trap("AdvancedFilePropertiesSearch", [&] {
        auto record = [&](const std::string& spy) { AddSpytoListview("Malware File", file, spy, 3, file, "", ""); };

        basFileVersion::FileProperties props;
        basFileVersion::PrintFileProperties(file, props, false);

        const base::ListItems& sums = lists.lstFCSSearch.ListItems;
        if (!checksumIndex_ || checksumIndex_->generations != ChecksumIndex::GenerationsOf(lists)) {
            auto index = std::make_shared<ChecksumIndex>();
            index->Build(lists);
            checksumIndex_ = index;
        }
        const std::shared_ptr<ChecksumIndex> index = checksumIndex_;
        std::optional<std::optional<unsigned char>> checksum;  // read once, when a row has the size
        auto checksumMatch = [&]() -> int {
            WIN32_FILE_ATTRIBUTE_DATA data;
            if (!GetFileAttributesExA(file.c_str(), GetFileExInfoStandard, &data)) return 0;
            const unsigned long long size =
                (static_cast<unsigned long long>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
            const auto it = index->bySize.find(size);
            if (it == index->bySize.end()) return 0;
            if (!checksum) checksum = GetFileXorChecksum(file);
            if (!*checksum) return 0;  // unreadable: no checksum to compare
            for (const auto& [row, sum] : it->second)
                if (sum == **checksum) return row;
            return 0;
        };
        auto spyOfChecksumRow = [&](int row) { return std::as_const(sums)(row).Text; };

        if (Trim(UCase(props.OriginalFileName)).empty()) {
            if (const int row = checksumMatch()) return record(spyOfChecksumRow(row));
        }
        if (base::ContainsNoCase(props.CompanyName, "microsoft")) return;

        const struct {
            const base::RowList& list;
            const std::string& value;
        } tests[] = {{lists.lstOFNSearch, props.OriginalFileName}, {lists.lstCESearch, props.CompanyName},
                     {lists.lstCWSearch, props.CompanyName},       {lists.lstIFNSearch, props.InternalName},
                     {lists.lstPNSearch, props.ProductName},       {lists.lstFDSearch, props.FileDescription}};
        for (const auto& t : tests) {
            int row = 0;
            if (&t.list == &lists.lstCWSearch) {
                const base::ListItems& rows = t.list.ListItems;
                for (int i = 1; i <= rows.Count() && !row; ++i)
                    if (!rows(i).SubItems(2).empty() && base::ContainsNoCase(t.value, rows(i).SubItems(2))) row = i;
            } else {
                row = index->EqualRow(t.list, t.value);
            }
            if (row) return record(std::as_const(t.list.ListItems)(row).SubItems(1));
        }
        if (const int row = checksumMatch()) record(spyOfChecksumRow(row));
    });
}

}  // namespace scanner
