#pragma once
// Test support for the guards: a program folder with Halvex.dll in it, a host whose notify windows
// are hidden edit boxes on this thread (as the main window's are), a message pump that waits for
// alerts, and values, keys and files of the prefix put back as they were.
#include <gtest/gtest.h>
#include <windows.h>

#include <chrono>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "base/testing/Testing.h"
#include "monitors/AlertStore.h"
#include "monitors/GuardHost.h"

namespace monitors_testing {

class TestHost : public monitors::GuardHost {
public:
    TestHost();
    ~TestHost() override;
    HWND NotifyWindow(monitors::NotifyBox box) override;
    void RequestChecks() override;
    void DoEvents() override;
    void ShowGuardAlert(const std::string& text) override;

    std::vector<std::string> popups;
    std::vector<std::string> texts[monitors::kNotifyBoxCount];  // every text each box received
    // The longest time between two pumps of this thread while checks ran (ms).
    double longestStall = 0;

private:
    HWND boxes_[monitors::kNotifyBoxCount] = {};
    HWND poster_ = nullptr;
    bool posted_ = false;
    friend LRESULT CALLBACK PosterProc(HWND, UINT, WPARAM, LPARAM);
    friend LRESULT CALLBACK BoxProc(HWND, UINT, WPARAM, LPARAM);
    WNDPROC editProc_ = nullptr;
    std::chrono::steady_clock::time_point lastPump_{};
    bool inChecks_ = false;
    void Checks();
};

// Pumps this thread's messages until `done` answers true or `ms` pass; the answer of `done` at the end.
bool PumpUntil(const std::function<bool()>& done, int ms = 30000);
void PumpFor(int ms);

// A registry value put back as it was (or deleted, when it was missing) when the object goes.
class SavedValue {
public:
    SavedValue(HKEY root, std::string keyPath, std::string name);
    ~SavedValue();

private:
    HKEY root_;
    std::string keyPath_, name_;
    bool existed_ = false;
    DWORD type_ = 0;
    std::string data_;
};

// A key made for the test when it was missing (deleted again with everything below it).
class EnsuredKey {
public:
    EnsuredKey(HKEY root, std::string keyPath);
    ~EnsuredKey();

private:
    HKEY root_;
    std::string keyPath_;
    bool created_ = false;
};

// A key moved aside for the test (kept under a scratch key) and put back as it was afterwards;
// whatever the test made in its place goes.
class AbsentKey {
public:
    AbsentKey(HKEY root, std::string keyPath);
    ~AbsentKey();

private:
    HKEY root_;
    std::string keyPath_, aside_;
    bool existed_ = false;
};

void SetString(HKEY root, const std::string& keyPath, const std::string& name, const std::string& data);
bool ValueExists(HKEY root, const std::string& keyPath, const std::string& name);
std::string ReadString(HKEY root, const std::string& keyPath, const std::string& name);
bool KeyExists(HKEY root, const std::string& keyPath);

// Thread count of this process.
int ThreadCount();
DWORD HandleCount();

// The error log's lines so far (empty when there is none).
std::vector<std::string> ErrorLog();

// Each test: its own program folder with Halvex.dll, the real folders of the prefix, a fresh host;
// every guard stopped at the end and its threads gone.
class GuardTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;
    std::string ProgramFile(const std::string& name) const { return (*folder_) / name; }
    std::vector<monitors::GuardAlert> Store() const;
    std::unique_ptr<testing_support::ScopedProgramFolder> folder_;
    std::unique_ptr<TestHost> host_;
    int threadsBefore_ = 0;
};

}  // namespace monitors_testing
