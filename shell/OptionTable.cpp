#include "shell/OptionTable.h"

#include <windows.h>

#include <cstdlib>
#include <cstring>

#include "base/Conversions.h"
#include "base/RuntimeError.h"
#include "base/Text.h"
#include "core/Globals.h"
#include "core/Removal.h"
#include "core/modMain.h"
#include "scanner/ScanDrivers.h"

namespace optionTable {

namespace {

OptionVar Flag(const char* name, Encoding e, bool& g) { return {name, e, &g, nullptr, nullptr}; }
OptionVar Text(const char* name, std::string& g) { return {name, Encoding::S, nullptr, nullptr, &g}; }

std::string Encode(const OptionVar& v) {
    switch (v.encoding) {
        case Encoding::B:
            return *v.flag ? "-1" : "0";
        case Encoding::B1:
            return *v.flag ? "1" : "0";
        case Encoding::Bt:
            return *v.flag ? "true" : "false";
        case Encoding::NotB:
            return *v.flag ? "0" : "-1";
        case Encoding::N:
            return std::to_string(*v.number);
        case Encoding::S:
            return *v.text;
    }
    return {};
}

}  // namespace

const std::vector<OptionVar>& OptionVars() {
    using E = Encoding;
    static const std::vector<OptionVar> vars = {
        Flag("_root.Options_GO_AM", E::B, gb_contextMenu),
        Flag("_root.Options_GO_RM", E::B, gb_autoRemove),
        Flag("_root.Options_GO_DL", E::B, gb_deleteAfterReboot),
        Flag("_root.Options_GO_SA", E::B1, gb_markChecked),
        Flag("_root.Options_GO_EP", E::Bt, gb_enablePassword),
        Flag("_root.Options_GO_SP", E::B, gb_showPopup),
        Flag("_root.Options_GO_DI", E::B, gb_delBckAfterDys),
        Flag("_root.Options_GO_PS", E::B, gb_playSounds),
        {"_root.DaysOld", E::N, nullptr, &gb_numberDays, nullptr},
        Flag("_root.Options_SO_SK", E::B, gb_keyLoggers),
        Flag("_root.Options_SO_SB", E::B, gb_scanBHO),
        Flag("_root.Options_SO_SN", E::B, gb_skipNonExeFiles),
        Flag("_root.Options_SO_SD", E::B, gb_advancedScanning),
        Flag("_root.Options_SO_DS", E::B, gb_scanRestoreFolder),
        Flag("_root.Options_SO_SA", E::B, gb_scanAllUserAccounts),
        Flag("_root.Options_SO_DQ", E::B, gb_deleteBackupAfterRestore),
        Flag("_root.Options_SO_ST", E::B, gb_trojans),
        Flag("_root.Options_SO_SFD", E::B, gb_dialers),
        Flag("_root.Options_SO_SC", E::B, gb_allCookies),
        Flag("_root.Options_SO_CFP", E::B, gb_autoCheckForUpdate),
        Flag("_root.Options_SO_UDS", E::B, gb_useDelayedStartup),
        Flag("_root.Options_SO_SWS", E::B, gb_runStartup),
        Text("_root.LiveUpdate_Server", gb_proxServer),
        Text("_root.LiveUpdate_PW", gb_proxPass),
        Text("_root.LiveUpdate_UN", gb_proxID),
        Text("_root.LiveUpdate_Port", gb_proxPort),
        Flag("_root.LiveUpdate_UPS", E::B, gb_useProxy),
        Flag("_root.Options_IO_RWP", E::B, gb_rememWinPos),
        Flag("_root.Options_IO_SWDB", E::B, gb_snapWinBorder),
        Flag("_root.Options_IO_DSS", E::NotB, gb_useSplash),
        Text("_root.scheduleType", gb_scheduleType),
        Text("_root.dayTime", gb_dayTime),
        Text("_root.minuteValue", gb_minuteValue),
        Text("_root.hourValue", gb_hourValue),
        Text("_root.dayName", gb_dayName),
        Text("_root.monthDate", gb_monthDate),
    };
    return vars;
}

bool CBoolText(const std::string& text) {
    const std::string t = base::UCase(base::Trim(text));
    if (t == "TRUE") return true;
    if (t == "FALSE") return false;
    if (t.empty()) throw base::RuntimeError(13);
    // A number: CDbl's rules, then not 0.
    char* end = nullptr;
    const double d = std::strtod(t.c_str(), &end);
    if (!end || *end != '\0') throw base::RuntimeError(13);
    return d != 0.0;
}

void SetOptionsToFlash(const SetVariableFn& set) {
    for (const OptionVar& v : OptionVars()) set(v.name, Encode(v));
}

void GetOptionsFromFlash(const GetVariableFn& get) {
    struct Value {
        bool flag = false;
        short number = 0;
        std::string text;
    };
    std::vector<Value> read;
    read.reserve(OptionVars().size());
    for (const OptionVar& v : OptionVars()) {
        const std::string raw = get(v.name);
        Value value;
        switch (v.encoding) {
            case Encoding::B:
            case Encoding::B1:
            case Encoding::Bt:
                value.flag = CBoolText(raw);
                break;
            case Encoding::NotB:
                value.flag = !CBoolText(raw);
                break;
            case Encoding::N:
                value.number = conv::CIntText(raw);
                break;
            case Encoding::S:
                // The proxy port follows the options window's rule: no positive number is port 80.
                value.text = v.text == &gb_proxPort ? ProxyPortText(raw) : raw;
                break;
        }
        read.push_back(std::move(value));
    }
    for (size_t i = 0; i < read.size(); ++i) {
        const OptionVar& v = OptionVars()[i];
        if (v.flag) *v.flag = read[i].flag;
        if (v.number) *v.number = read[i].number;
        if (v.text) *v.text = read[i].text;
    }
}

std::string AutostartCommand(bool runStartup, bool useDelayedStartup) {
    if (!runStartup && !useDelayedStartup) return {};
    const std::string program = modMain::FullPath_With_Filename(useDelayedStartup ? "Tessiv.exe" : "Corvane.exe");
    std::string command = "\"" + program + "\"";
    if (runStartup) command += " /STARTUP";
    return command;
}

void ApplyAutostart(bool runStartup, bool useDelayedStartup) {
    const std::string command = AutostartCommand(runStartup, useDelayedStartup);
    if (command.empty()) {
        modMain::DoNotStartUpSpyware();
    } else {
        modMain::DoStartUpSpyware(command);
    }
}

std::string ProxyPortText(const std::string& text) {
    const std::string t = base::Trim(text);
    char* end = nullptr;
    const double d = t.empty() ? 0 : std::strtod(t.c_str(), &end);
    if (t.empty() || !end || *end != '\0' || d < 1) return "80";
    return text;
}

FixedDrives ListFixedDrives() {
    // The scan's own list: flag i of the custom scan is the i-th drive shown here.
    FixedDrives drives;
    for (const std::string& drive : scanner::ScanDriver::SystemFixedDrives()) {
        const std::string root = drive + "\\";
        char label[MAX_PATH + 1] = {};
        if (!GetVolumeInformationA(root.c_str(), label, sizeof label, nullptr, nullptr, nullptr, nullptr, 0))
            label[0] = '\0';
        ++drives.count;
        drives.names += root + label + "|";
    }
    return drives;
}

std::vector<std::string> BarFields(const std::string& text) {
    std::vector<std::string> fields = base::Split(text, '|');
    if (fields.back().empty()) fields.pop_back();
    return fields;
}

}  // namespace optionTable
