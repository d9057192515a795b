#include "core/HostsFile.h"

#include <algorithm>

#include "base/ErrorLog.h"
#include "base/OsVersion.h"
#include "base/RuntimeError.h"
#include "base/Text.h"
#include "base/TextFile.h"
#include "base/Trap.h"
#include "core/AtomicFile.h"
#include "core/SpecialFolders.h"
#include "core/Wiring.h"
#include "core/modMain.h"

namespace modMain {
namespace {

struct ReadState {
    bool complete = false;
    long number = base::errFileNotFound;
    std::string description = base::ErrorDescription(base::errFileNotFound);
};
ReadState g_read;

// An address line: the address up to the first blank, the host names after it as they stand.
HostsEntry ParseAddressLine(const std::string& expanded) {
    HostsEntry e;
    e.isEntry = true;
    size_t blank = expanded.find(' ');
    if (blank == std::string::npos) {
        e.host = expanded;
    } else {
        e.text = expanded.substr(0, blank);
        e.host = base::Trim(expanded.substr(blank));
    }
    return e;
}

// Drops every name equal to `name` (case-blind) from an address record's host text; the other
// names stay in their order, one blank apart, and a comment after them stays. True when a name
// went.
bool DropHostName(HostsEntry& e, const std::string& name) {
    const std::vector<std::string> names = HostNames(e);
    std::string kept;
    bool dropped = false;
    for (const std::string& n : names) {
        if (base::EqualsNoCase(n, name)) {
            dropped = true;
        } else {
            kept += (kept.empty() ? "" : " ") + n;
        }
    }
    if (!dropped) return false;
    const size_t hash = e.host.find('#');
    if (kept.empty()) {
        e.text.clear();  // no name left: the record goes, its comment with it
        e.host.clear();
    } else {
        e.host = hash == std::string::npos ? kept : kept + " " + e.host.substr(hash);
    }
    return true;
}

std::string RecordLine(const HostsEntry& e) { return (e.isEntry ? e.text + "     " + e.host : e.text) + "\r\n"; }

}  // namespace

std::string HostsFilePath() {
    if (osversion::CurrentFamily() == osversion::Family::Win9x) return GetWinDir() + "\\hosts";
    return getSystemFolder() + "\\drivers\\etc\\hosts";
}

void readHost() {
    gb_hostsEntries.assign(1, HostsEntry{});
    g_read.complete = false;
    try {
        for (const std::string& line : base::ReadLines(HostsFilePath())) {
            HostsEntry e;
            if (!line.empty() && line[0] == '#') {
                e.text = line;
            } else {
                std::string expanded;
                for (char c : line) {
                    if (c == '\t')
                        expanded.append(8, ' ');
                    else
                        expanded.push_back(c);
                }
                expanded = base::Trim(expanded);
                if (expanded.empty()) continue;
                e = ParseAddressLine(expanded);
            }
            gb_hostsEntries.back() = std::move(e);
            gb_hostsEntries.emplace_back();
        }
        g_read.complete = true;
    } catch (const base::RuntimeError& e) {
        g_read.number = e.number();
        g_read.description = e.description();
        LogError(std::to_string(e.number()), e.description(), "readHost");
    } catch (...) {
        g_read.number = base::errInvalidProcedureCall;
        g_read.description = base::ErrorDescription(g_read.number);
        LogError(std::to_string(g_read.number), g_read.description, "readHost");
    }
}

bool DeleteHostsEntry(const std::string& host, const std::string& ip) {
    size_t j = 0;
    auto fail = [&](long number, const std::string& description) {
        wiring::EndProgress();
        WriteErrorLog(
            base::ErrorLogLine(description, number, base::MethodTail("DeleteHostsEntry", "J: " + std::to_string(j))));
        return false;
    };
    if (!host.empty() && !ip.empty()) readHost();
    // Rewriting from a partial read would drop every line the read did not reach.
    if (!g_read.complete) return fail(g_read.number, g_read.description);
    try {
        const std::string upperHost = base::UCase(host), upperIp = base::UCase(ip);
        AtomicFileWriter writer(HostsFilePath());
        for (j = 0; j + 1 < gb_hostsEntries.size(); ++j) {
            HostsEntry& e = gb_hostsEntries[j];
            if (base::UCase(e.text) == upperIp && base::UCase(e.host) == upperHost) {
                e.text.clear();
                e.host.clear();
                continue;
            }
            // One bad name among a record's aliases: only that name goes.
            if (e.isEntry && !host.empty() && !ip.empty() && base::UCase(e.text) == upperIp && DropHostName(e, host) &&
                e.host.empty())
                continue;
            writer.Write(RecordLine(e));
        }
        writer.Commit();
        return true;
    } catch (const base::RuntimeError& e) {
        return fail(e.number(), e.description());
    } catch (...) {
        return fail(base::errInvalidProcedureCall, base::ErrorDescription(base::errInvalidProcedureCall));
    }
}

std::vector<std::string> HostNames(const HostsEntry& e) {
    std::vector<std::string> names;
    // A "#" in the address (an indented comment line) makes the rest of the line a comment.
    if (!e.isEntry || e.text.find('#') != std::string::npos) return names;
    const std::string hosts = e.host.substr(0, e.host.find('#'));
    size_t at = 0;
    while (at < hosts.size()) {
        const size_t start = hosts.find_first_not_of(" \t", at);
        if (start == std::string::npos) break;
        const size_t end = hosts.find_first_of(" \t", start);
        names.push_back(hosts.substr(start, end == std::string::npos ? std::string::npos : end - start));
        at = end == std::string::npos ? hosts.size() : end;
    }
    return names;
}

}  // namespace modMain
