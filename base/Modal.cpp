#include "base/Modal.h"

#include <deque>
#include <utility>

namespace base::modal {
namespace {
struct Scripted {
    std::string kind;
    Answer answer;
};
bool g_enabled = false;
std::function<long(const Step&)> g_onUnscripted;
std::deque<Scripted> g_script;
std::vector<Step> g_seen;
}  // namespace

long Run(const Step& step, const std::function<long()>& real) {
    if (!g_enabled) return real();
    g_seen.push_back(step);
    if (!g_script.empty() && g_script.front().kind == step.kind) {
        Answer answer = std::move(g_script.front().answer);
        g_script.pop_front();
        return answer(step);
    }
    return g_onUnscripted ? g_onUnscripted(step) : 2;
}

void EnableScripting(std::function<long(const Step&)> onUnscripted) {
    g_enabled = true;
    g_onUnscripted = std::move(onUnscripted);
}

bool ScriptingEnabled() { return g_enabled; }

void Expect(const std::string& kind, long answer) {
    g_script.push_back({kind, [answer](const Step&) { return answer; }});
}

void Expect(const std::string& kind, Answer answer) { g_script.push_back({kind, std::move(answer)}); }

size_t Pending() { return g_script.size(); }

void ClearScript() {
    g_script.clear();
    g_seen.clear();
}

const std::vector<Step>& Seen() { return g_seen; }

}  // namespace base::modal
