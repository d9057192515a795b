#include "monitors/BadSite.h"

#include <windows.h>

#include "base/ProgramFolder.h"
#include "base/RuntimeError.h"
#include "base/Text.h"
#include "base/Trap.h"

namespace monitors::badsite {

namespace {

// ProcessReturn of an outside library, bound by name at the first call; false when it is missing.
class OutsideLibrary {
public:
    explicit OutsideLibrary(const char* file) : file_(file) {}
    bool Call(int verdict) {
        if (proc_ == nullptr) {
            if (module_ == nullptr) module_ = LoadLibraryA(base::ProgramFilePath(file_).c_str());
            if (module_ == nullptr) return false;
            proc_ = reinterpret_cast<Proc>(GetProcAddress(module_, "ProcessReturn"));
            if (proc_ == nullptr) return false;
        }
        proc_(verdict);
        return true;
    }

private:
    using Proc = int(WINAPI*)(int);
    const char* file_;
    HMODULE module_ = nullptr;
    Proc proc_ = nullptr;
};

class LibraryChannel : public VerdictChannel {
public:
    bool Verdict(int v) override { return saxtrel_.Call(v); }
    bool Refused(int v) override { return brennock_.Call(v); }

private:
    OutsideLibrary saxtrel_{"Saxtrel.dll"};
    OutsideLibrary brennock_{"Brennock.dll"};
};

VerdictChannel* channel = nullptr;

std::string RemoveAll(std::string text, const std::string& part) {
    for (size_t at; (at = text.find(part)) != std::string::npos;) text.erase(at, part.size());
    return text;
}

}  // namespace

VerdictChannel* SetVerdictChannel(VerdictChannel* c) { return std::exchange(channel, c); }

VerdictChannel& Channel() {
    static LibraryChannel libraries;
    return channel != nullptr ? *channel : libraries;
}

std::vector<ScamSite>& ScamSiteList() {
    static std::vector<ScamSite> list(1);
    return list;
}

void LoadScamList(const std::function<std::string(const std::string&, const std::string&)>& lookup,
                  const std::function<void()>& pump) {
    auto& list = ScamSiteList();
    list.assign(1, ScamSite{});
    int i = 1;
    base::TrapWith(
        [&] {
            for (; i <= 10000; ++i) {
                if (pump) pump();
                const std::string name = lookup("PLINK", "PLINKT" + std::to_string(i));
                const std::string site =
                    RemoveAll(RemoveAll(base::LCase(lookup("PLINK", "PLINKD" + std::to_string(i))), "www."), "http://");
                if (name.empty() || site.empty()) break;
                list.push_back({name, site});
            }
        },
        [&] { return "I: " + std::to_string(i) + ", " + base::MethodTail("LoadScamList"); });
}

std::string getField(const std::string& text, const std::string& delimiter, int n) {
    if (n < 1 || delimiter.empty()) return n == 1 ? text : std::string();
    size_t from = 0;
    for (int field = 1;; ++field) {
        const size_t at = text.find(delimiter, from);
        if (field == n) return text.substr(from, at == std::string::npos ? std::string::npos : at - from);
        if (at == std::string::npos) return {};
        from = at + delimiter.size();
    }
}

std::string NewConnectionDetected(const std::string& report) {
    const std::string site = getField(report, "|", 2);
    const std::string lowered = base::LCase(site);
    bool blocked = false;
    base::Trap("NewConnectionDetected", [&] {
        const auto& list = ScamSiteList();
        for (size_t i = 1; i < list.size() && !blocked; ++i)
            if (!list[i].site.empty() && lowered.find(list[i].site) != std::string::npos) blocked = true;
    });
    if (!blocked) {
        if (!Channel().Verdict(kAllow))
            base::ReportTrapped(48, "Error in loading DLL: the verdict was not delivered", "NewConnectionDetected");
        return {};
    }
    // The user is told of a block only when the block reached the connection monitor.
    if (!Channel().Verdict(kBlock)) {
        base::ReportTrapped(48, "Error in loading DLL: the block of " + site + " was not delivered",
                            "NewConnectionDetected");
        return {};
    }
    return site + " is a bad site and we Blocked it";
}

void ConnectionReports::OnSetText(const char* bytes, size_t length) {
    std::string text;
    if (bytes != nullptr) {
        const size_t bounded = length < kMaxReport ? length : kMaxReport;
        for (size_t i = 0; i < bounded && bytes[i] != '\0'; ++i) text += bytes[i];
    }
    refused_ = text == report_;
    report_ = text;
    for (int field = 2; field <= 4; ++field)
        if (base::Trim(getField(report_, "|", field)).empty()) refused_ = true;
}

std::string ConnectionReports::OnTrigger() {
    std::string shown;
    if (!report_.empty() && !refused_) shown = NewConnectionDetected(report_);
    if (refused_) Channel().Refused(kAllow);
    return shown;
}

}  // namespace monitors::badsite
