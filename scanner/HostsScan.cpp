// The hosts phase: the entries of the hosts file against the hosts definitions, and its section
// of the scan log.
//
// The scan only reads the file. A definition of the type "BAD HOST FILE ENTRIES" once dropped its
// entries from the file during the scan, without a trace; its entries are now findings like any
// other, and the removal of the findings the user checks rewrites the file.
#include <string>
#include <utility>
#include <vector>

#include "base/Text.h"
#include "base/Trap.h"
#include "core/Globals.h"
#include "core/HostsFile.h"
#include "core/modLanguage.h"
#include "scanner/HostsMatcher.h"
#include "scanner/ScanEngine.h"

using base::UCase;

namespace scanner {

void ScanEngine::ScanHosts() {
    base::Trap("ScanHosts", [&] {
        if (gb_scanAborted) return;
        modMain::readHost();
        // A copy: whatever runs while the scan yields (a removal) may read the file again.
        std::vector<HostsEntry> entries = gb_hostsEntries;
        if (!entries.empty()) entries.pop_back();  // the spare record

        const HostsMatcher matcher(entries);

        // Definitions in list order, each one's entries in file order.
        const base::ListItems& rows = lists.lstHost.ListItems;
        for (int i = 1; i <= rows.Count(); ++i) {
            YieldToMessages();
            if (gb_scanAborted) return;
            // The finding names the one bad name: the entry's other names are not the definition's.
            for (size_t j : matcher.EntriesNamed(rows(i).SubItems(1)))
                AddSpytoListview("Bad Hosts Entry", HostsMatcher::NameIn(entries[j], rows(i).SubItems(1)),
                                 entries[j].text, 3, "", "", "");
        }
    });
}

std::string ScanEngine::HostsScanLogSection() const {
    std::string text;
    base::Trap("CreateHostsScanLogFile", [&] {
        const std::string crlf = "\r\n";
        text += crlf + modLanguage::getMessage("1116", "Started Hosts file scan") + crlf;
        text += "=*=*=*=*=*=*=*=*=*=*=*=*=*=*=" + crlf;
        long written = 0;
        const base::ListItems& rows = std::as_const(*findings_).Rows();
        for (int i = 1; i <= rows.Count(); ++i) {
            const base::ListItem& row = rows(i);
            if (UCase(row.Text) != "BAD HOSTS ENTRY") continue;
            text += row.SubItems(1) + " Bad Hosts Entry:" + row.SubItems(2) + crlf;
            ++written;
        }
        text += crlf + crlf;
        text += modLanguage::getMessage("1117", "Hosts file scan results:") + crlf;
        text += modLanguage::getMessage("1118", "Bad Hosts Entry found:") + std::to_string(written) + crlf;
        text += modLanguage::getMessage("1042", "Scan finished") + crlf;
    });
    return text;
}

}  // namespace scanner
