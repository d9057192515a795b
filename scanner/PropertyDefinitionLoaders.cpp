// The cookie, hosts and file-property groups. Unlike the registry loaders, each of these empties
// its own list before loading it.
#include "core/Globals.h"
#include "definitions/DefinitionsStore.h"
#include "scanner/ContextTrap.h"
#include "scanner/ListRowBuilders.h"
#include "scanner/frmScanSpy.h"
#include "ui/MessageLoop.h"

using modDefinitions::FillListBox;
using modDefinitions::updateListfromINI;

struct frmScanSpy::PropertyGroup {
    const char* method;
    const char* section;
    const char* namePrefix;
    const char* valuePrefix;
    ui::ListRows frmScanSpy::*list;
    const char* kind;
};

namespace {
std::string Key(const char* prefix, int i) { return prefix + std::to_string(i); }
std::string Tail(int i, const char* method) { return "I: " + std::to_string(i) + ", Method: " + method; }

const frmScanSpy::PropertyGroup kSCE{"UpdateSearchByCompanyList", "SCE",        "SCET", "SCEV",
                                     &frmScanSpy::lstCESearch,    "Spy CE File"};
const frmScanSpy::PropertyGroup kSCW{"UpdateSearchByCompanyList", "SCW",        "SCWT", "SCWV",
                                     &frmScanSpy::lstCWSearch,    "Spy CW File"};
const frmScanSpy::PropertyGroup kSBOFN{"UpdateSearchByOriginalFileName", "SBOFN",       "SBOFNT", "SBOFNF",
                                       &frmScanSpy::lstOFNSearch,        "Spy OFN File"};
const frmScanSpy::PropertyGroup kSBIFN{"UpdateSearchByInternalFileName", "SBIFN",       "SBIFNT", "SBIFNF",
                                       &frmScanSpy::lstIFNSearch,        "Spy IFN File"};
const frmScanSpy::PropertyGroup kSBPN{"UpdateSearchByProductName", "SBPN",       "SBPNT", "SBPNF",
                                      &frmScanSpy::lstPNSearch,    "Spy PN File"};
const frmScanSpy::PropertyGroup kSBFD{"UpdateSearchByFileDescription", "SBFD",       "SBFDT", "SBFDF",
                                      &frmScanSpy::lstFDSearch,        "Spy FD File"};
}  // namespace

bool frmScanSpy::LoadPropertyEntries(const PropertyGroup& g, int& i) {
    ui::ListRows& list = this->*g.list;
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

void frmScanSpy::LoadPropertyGroup(const PropertyGroup& g) {
    int i = 0;
    const std::string countKey = std::string(g.namePrefix) + "NUM";
    RunLoader(g.method, {countKey.c_str()}, i, [&] { return LoadPropertyEntries(g, i); });
}

void frmScanSpy::UpdateSearchByOriginalFileName() { LoadPropertyGroup(kSBOFN); }
void frmScanSpy::UpdateSearchByInternalFileName() { LoadPropertyGroup(kSBIFN); }
void frmScanSpy::UpdateSearchByProductName() { LoadPropertyGroup(kSBPN); }
void frmScanSpy::UpdateSearchByFileDescription() { LoadPropertyGroup(kSBFD); }

void frmScanSpy::UpdateSearchByCompanyList() {
    int i = 0;
    RunLoader("UpdateSearchByCompanyList", {"SCWTNUM", "SCETNUM"}, i, [&] {
        // A stop during the SCE group leaves the SCW group unloaded.
        return LoadPropertyEntries(kSCE, i) && LoadPropertyEntries(kSCW, i);
    });
}

void frmScanSpy::UpdateSearchByFileChecSum() {
    int i = 0;
    RunLoader("UpdateSearchByFileChecSum", {"SBFCSTNUM"}, i, [&] {
        lstFCSSearch.ListItems.Clear();
        for (i = 0; i <= 10000; ++i) {
            if (gb_scanAborted) return false;
            const auto name = updateListfromINI("SBFCS", Key("SBFCST", i));
            const auto checksum = updateListfromINI("SBFCS", Key("SBFCSN", i));
            const auto size = updateListfromINI("SBFCS", Key("SBFCSS", i));
            if (!name || !checksum || !size) break;
            // The spy name is the row's text (trimmed and upper-cased); both sub-items are numbers.
            FillListBox(lstFCSSearch, *name, *checksum, *size);
            StatusUpdate();
        }
        return true;
    });
}

void frmScanSpy::UpdateCookieList() {
    int i = 0;
    const bool ok = scanner::TrapWith(
        [&] {
            lstCookies.ListItems.Clear();
            YieldToMessages();
            SetMousePointer(11);
            StatusUpdate();
            ReadCountKeys({"COOKTNUM"});
            for (i = 0; i <= 10000; ++i) {
                YieldToMessages();
                if (gb_scanAborted) return;
                const auto name = updateListfromINI("COOK", Key("COOKT", i));
                const auto text = updateListfromINI("COOK", Key("COOKC", i));
                if (!name || !text) break;
                FillListBox(lstCookies, "Tracking Cookie", *name, *text);
                StatusUpdate();
            }
            YieldToMessages();
            SetMousePointer(0);
        },
        [&] { return Tail(i, "UpdateCookieList"); });
    if (!ok) SetMousePointer(0);
}

void frmScanSpy::UpdateHostsList() {
    int i = 0;
    const bool ok = scanner::TrapWith(
        [&] {
            lstHost.ListItems.Clear();
            YieldToMessages();
            SetMousePointer(11);
            // No status line and no progress here.
            for (i = 0; i <= 10000; ++i) {
                YieldToMessages();
                if (gb_scanAborted) return;
                const auto host = updateListfromINI("HOSTS", Key("HOSTSV", i));
                const auto type = updateListfromINI("HOSTS", Key("HOSTST", i));
                if (!host || !type) break;
                // The host is sub-item 1 and the entry type sub-item 2; entries the hosts scan
                // drops silently get their row too.
                FillListBox(lstHost, "Bad Hosts Entry", *host, *type);
            }
            YieldToMessages();
            SetMousePointer(0);
        },
        [&] { return Tail(i, "UpdateHostsList"); });
    if (!ok) SetMousePointer(0);
}
