#include "monitorlib/Monitors.h"

#include <cstring>

#include "monitorlib/Courier.h"
#include "monitorlib/MonitorList.h"
#include "monitorlib/Watchers.h"

namespace halvex {

namespace {

const char kErr10[] = "err10 Can't open key";
const char kErr11[] = "err11 Error in RegNotifyChangeKeyValue";
const char kErr12[] = "err12 Error in FindFirstChangeNotification() function.";
const char kErr13[] = "err13 Error in FindNextChangeNotification() function.";
const char kErr14[] =
    "err14 You set monitor on this registry key before.You can't set more than 1 monitor on the same registry key.";
const char kErr15[] =
    "err15 You set monitor on this folder before.You can't set more than 1 monitor on the same folder.";

MonitorList folderList;    // every kind other than 0
MonitorList registryList;  // kind 0
unsigned lastId = 0;

MonitorList& ListOf(int kind) { return kind == 0 ? registryList : folderList; }
// Folder watches are told apart by path alone.
HKEY FilterRoot(int kind, HKEY root) { return kind == 0 ? root : nullptr; }

const char* ErrorText(int error) {
    switch (error) {
        case kCantOpenKey:
            return kErr10;
        case kKeyRequestFailed:
            return kErr11;
        case kFolderHandleFailed:
            return kErr12;
        default:
            return kErr13;
    }
}

// Every text goes out as WM_SETTEXT with a 260-byte buffer of our own that lives through the send.
LRESULT SendText(HWND window, const char* text) {
    char buffer[MAX_PATH] = {};
    strncpy(buffer, text, sizeof buffer - 1);
    return SendMessageA(window, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(buffer));
}

// Ends the watch's worker and frees what the watch held. The worker never waits for this thread, so
// the wait is short.
void Retire(std::unique_ptr<MonitorEntry> entry) {
    SetEvent(entry->stop.get());
    if (entry->thread) WaitForSingleObject(entry->thread.get(), INFINITE);
}

void ReleaseCourierIfIdle() {
    if (folderList.empty() && registryList.empty()) ReleaseCourier();
}

MonitorEntry* FindById(unsigned id) {
    MonitorEntry* entry = folderList.FindById(id);
    return entry != nullptr ? entry : registryList.FindById(id);
}

std::unique_ptr<MonitorEntry> RemoveById(unsigned id) {
    std::unique_ptr<MonitorEntry> entry = folderList.RemoveById(id);
    return entry ? std::move(entry) : registryList.RemoveById(id);
}

bool StartWorker(MonitorEntry& entry, int kind) {
    // The worker's own reference to the library, dropped by the worker as it ends.
    HMODULE reference = nullptr;
    if (!GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS, reinterpret_cast<LPCSTR>(&FolderWatchThread),
                            &reference))
        return false;
    entry.thread.reset(
        CreateThread(nullptr, 0, kind == 0 ? RegistryWatchThread : FolderWatchThread, &entry, 0, nullptr));
    if (!entry.thread) {
        FreeLibrary(reference);
        return false;
    }
    // Return once the place is watched (or the worker has given up), so that no change made after the
    // start goes unseen.
    HANDLE handles[2] = {entry.armed.get(), entry.thread.get()};
    WaitForMultipleObjects(2, handles, FALSE, INFINITE);
    return true;
}

}  // namespace

int StartMonitorOn(const char* path, HWND window, int kind, HKEY root) {
    if (path == nullptr) return 0;
    MonitorList& list = ListOf(kind);
    if (kind == 1 && list.Find(path, nullptr) != nullptr) return static_cast<int>(SendText(window, kErr15));
    if (kind == 0 && list.Find(path, root) != nullptr) return static_cast<int>(SendText(window, kErr14));
    // A longer path would not leave room for " changes" in the text buffer.
    if (strnlen(path, kMaxPathLength + 1) > kMaxPathLength) return 0;

    auto entry = std::make_unique<MonitorEntry>();
    entry->window = window;
    if (kind == 0) entry->root = root;
    entry->path = path;
    entry->id = ++lastId;
    entry->armed.reset(CreateEventA(nullptr, TRUE, FALSE, nullptr));
    entry->stop.reset(CreateEventA(nullptr, TRUE, FALSE, nullptr));
    entry->delivered.reset(CreateEventA(nullptr, FALSE, FALSE, nullptr));
    entry->courier = AcquireCourier();
    // A watch whose worker cannot run is not listed: it would report nothing and block its place.
    if (!entry->armed || !entry->stop || !entry->delivered || entry->courier == nullptr || !StartWorker(*entry, kind)) {
        entry.reset();
        ReleaseCourierIfIdle();
        return 0;
    }
    list.PushFront(std::move(entry));
    return list.count();
}

void StopMonitorOn(const char* path, int kind, HKEY root) {
    if (path == nullptr) return;
    std::unique_ptr<MonitorEntry> entry = ListOf(kind).Remove(path, FilterRoot(kind, root));
    if (!entry) return;
    Retire(std::move(entry));
    ReleaseCourierIfIdle();
}

void OnCourierMessage(unsigned id, int error) {
    if (error != 0) {
        // The worker has ended: unlist its watch first, so the place can be watched again at once (even
        // by the receiver while it handles the error text).
        std::unique_ptr<MonitorEntry> entry = RemoveById(id);
        if (!entry) return;
        HWND window = entry->window;
        Retire(std::move(entry));
        SendText(window, ErrorText(error));
        ReleaseCourierIfIdle();
        return;
    }
    MonitorEntry* entry = FindById(id);
    if (entry == nullptr) return;  // stopped since the worker posted: its text is dropped
    const std::string text = entry->ChangeText();
    SendText(entry->window, text.c_str());
    // The receiver may have stopped the watch while handling the text.
    if (MonitorEntry* still = FindById(id)) SetEvent(still->delivered.get());
}

}  // namespace halvex
