// The cookie, hosts and file-property groups. Unlike the registry loaders, each of these empties
// its own list before loading it.
#include "base/Trap.h"
#include "core/Globals.h"
#include "definitions/DefinitionsStore.h"
#include "scanner/ListRowBuilders.h"
#include "scanner/ScanEngine.h"

using modDefinitions::updateListfromINI;

namespace scanner {

struct ScanEngine::PropertyGroup {
    const char* method;
    const char* section;
    const char* namePrefix;
    const char* valuePrefix;
    base::RowList DefinitionLists::*list;
    const char* kind;
};

namespace {
std::string Key(const char* prefix, int i) { return prefix + std::to_string(i); }
std::string Tail(int i, const char* method) { return base::MethodTail(method, "I: " + std::to_string(i)); }

const ScanEngine::PropertyGroup kSCE{"UpdateSearchByCompanyList",   "SCE",        "SCET", "SCEV",
                                     &DefinitionLists::lstCESearch, "Spy CE File"};
const ScanEngine::PropertyGroup kSCW{"UpdateSearchByCompanyList",   "SCW",        "SCWT", "SCWV",
                                     &DefinitionLists::lstCWSearch, "Spy CW File"};
const ScanEngine::PropertyGroup kSBOFN{"UpdateSearchByOriginalFileName", "SBOFN",       "SBOFNT", "SBOFNF",
                                       &DefinitionLists::lstOFNSearch,   "Spy OFN File"};
const ScanEngine::PropertyGroup kSBIFN{"UpdateSearchByInternalFileName", "SBIFN",       "SBIFNT", "SBIFNF",
                                       &DefinitionLists::lstIFNSearch,   "Spy IFN File"};
const ScanEngine::PropertyGroup kSBPN{"UpdateSearchByProductName",   "SBPN",       "SBPNT", "SBPNF",
                                      &DefinitionLists::lstPNSearch, "Spy PN File"};
const ScanEngine::PropertyGroup kSBFD{"UpdateSearchByFileDescription", "SBFD",       "SBFDT", "SBFDF",
                                      &DefinitionLists::lstFDSearch,   "Spy FD File"};
}  // namespace

bool ScanEngine::LoadPropertyEntries(const PropertyGroup& g, int& i) {
    base::RowList& list = lists.*g.list;
    list.ListItems.Clear();
    for (i = 0; i <= 10000; ++i) {
        if (gb_scanAborted) return false;
        const auto name = updateListfromINI(g.section, Key(g.namePrefix, i));
        const auto value = updateListfromINI(g.section, Key(g.valuePrefix, i));
        if (!name || !value) break;
        FillListBox(list, g.kind, *name, *value);
        StatusUpdate();
    }
    return true;
}

void ScanEngine::LoadPropertyGroup(const PropertyGroup& g) {
    int i = 0;
    const std::string countKey = std::string(g.namePrefix) + "NUM";
    RunLoader(g.method, {countKey.c_str()}, i, [&] { return LoadPropertyEntries(g, i); });
}

void ScanEngine::UpdateSearchByOriginalFileName() { LoadPropertyGroup(kSBOFN); }
void ScanEngine::UpdateSearchByInternalFileName() { LoadPropertyGroup(kSBIFN); }
void ScanEngine::UpdateSearchByProductName() { LoadPropertyGroup(kSBPN); }
void ScanEngine::UpdateSearchByFileDescription() { LoadPropertyGroup(kSBFD); }

void ScanEngine::UpdateSearchByCompanyList() {
    int i = 0;
    RunLoader("UpdateSearchByCompanyList", {"SCWTNUM", "SCETNUM"}, i, [&] {
        // A stop during the SCE group leaves the SCW group unloaded.
        return LoadPropertyEntries(kSCE, i) && LoadPropertyEntries(kSCW, i);
    });
}

void ScanEngine::UpdateSearchByFileChecSum() {
    int i = 0;
    RunLoader("UpdateSearchByFileChecSum", {"SBFCSTNUM"}, i, [&] {
        lists.lstFCSSearch.ListItems.Clear();
        for (i = 0; i <= 10000; ++i) {
            if (gb_scanAborted) return false;
            const auto name = updateListfromINI("SBFCS", Key("SBFCST", i));
            const auto checksum = updateListfromINI("SBFCS", Key("SBFCSN", i));
            const auto size = updateListfromINI("SBFCS", Key("SBFCSS", i));
            if (!name || !checksum || !size) break;
            // The spy name is the row's text (trimmed and upper-cased); both sub-items are numbers.
            FillListBox(lists.lstFCSSearch, *name, *checksum, *size);
            StatusUpdate();
        }
        return true;
    });
}

void ScanEngine::UpdateCookieList() {
    int i = 0;
    const bool ok = base::TrapWith(
        [&] {
            lists.lstCookies.ListItems.Clear();
            YieldToMessages();
            SetBusy(true);
            StatusUpdate();
            ReadCountKeys({"COOKTNUM"});
            for (i = 0; i <= 10000; ++i) {
                YieldToMessages();
                if (gb_scanAborted) return;
                const auto name = updateListfromINI("COOK", Key("COOKT", i));
                const auto text = updateListfromINI("COOK", Key("COOKC", i));
                if (!name || !text) break;
                FillListBox(lists.lstCookies, "Tracking Cookie", *name, *text);
                StatusUpdate();
            }
            YieldToMessages();
            SetBusy(false);
        },
        [&] { return Tail(i, "UpdateCookieList"); });
    if (!ok) SetBusy(false);
}

void ScanEngine::UpdateHostsList() {
    int i = 0;
    const bool ok = base::TrapWith(
        [&] {
            lists.lstHost.ListItems.Clear();
            YieldToMessages();
            SetBusy(true);
            // No status line and no progress here.
            for (i = 0; i <= 10000; ++i) {
                YieldToMessages();
                if (gb_scanAborted) return;
                const auto host = updateListfromINI("HOSTS", Key("HOSTSV", i));
                const auto type = updateListfromINI("HOSTS", Key("HOSTST", i));
                if (!host || !type) break;
                // The host is sub-item 1 and the entry type sub-item 2; entries the hosts scan
                // drops silently get their row too.
                FillListBox(lists.lstHost, "Bad Hosts Entry", *host, *type);
            }
            YieldToMessages();
            SetBusy(false);
        },
        [&] { return Tail(i, "UpdateHostsList"); });
    if (!ok) SetBusy(false);
}

}  // namespace scanner
