#include "monitorlib/Watchers.h"

#include "base/Handles.h"
#include "monitorlib/Courier.h"
#include "monitorlib/MonitorList.h"
#include "monitorlib/OsVersion.h"

namespace halvex {

namespace {

constexpr DWORD kFolderFilter = FILE_NOTIFY_CHANGE_FILE_NAME | FILE_NOTIFY_CHANGE_DIR_NAME |
                                FILE_NOTIFY_CHANGE_ATTRIBUTES | FILE_NOTIFY_CHANGE_SIZE |
                                FILE_NOTIFY_CHANGE_LAST_WRITE;  // 0x1F
constexpr DWORD kKeyFilter = REG_NOTIFY_CHANGE_NAME | REG_NOTIFY_CHANGE_ATTRIBUTES | REG_NOTIFY_CHANGE_LAST_SET |
                             REG_NOTIFY_CHANGE_SECURITY;  // 0x0F

enum class Wake { Stop, Signal, Failed };

// Sleeps until the watch is stopped or `signal` fires. Stop wins when both are set.
Wake WaitFor(const MonitorEntry& entry, HANDLE signal) {
    HANDLE handles[2] = {entry.stop.get(), signal};
    switch (WaitForMultipleObjects(2, handles, FALSE, INFINITE)) {
        case WAIT_OBJECT_0:
            return Wake::Stop;
        case WAIT_OBJECT_0 + 1:
            return Wake::Signal;
        default:
            return Wake::Failed;
    }
}

// Hands the change text to the courier and waits until the receiver has handled it, so one text of a
// watch is in flight at a time. False when the watch was stopped meanwhile (or has no courier left).
bool DeliverChange(const MonitorEntry& entry) {
    if (!PostMessageA(entry.courier, kCourierMessage, entry.id, 0)) return false;
    return WaitFor(entry, entry.delivered.get()) == Wake::Signal;
}

DWORD EndWithError(const MonitorEntry& entry, WatchError error) {
    PostMessageA(entry.courier, kCourierMessage, entry.id, error);
    return 1;
}

DWORD WatchFolder(const MonitorEntry& entry) {
    const DWORD filter = Win9xFlag ? kFolderFilter : kFolderFilter | FILE_NOTIFY_CHANGE_SECURITY;
    base::ChangeNotificationHandle change(FindFirstChangeNotificationA(entry.path.c_str(), TRUE, filter));
    if (!change) return EndWithError(entry, kFolderHandleFailed);
    SetEvent(entry.armed.get());
    for (;;) {
        switch (WaitFor(entry, change.get())) {
            case Wake::Stop:
                return 0;
            case Wake::Failed:
                return EndWithError(entry, kFolderRequestFailed);
            case Wake::Signal:
                break;
        }
        if (!DeliverChange(entry)) return 0;
        if (!FindNextChangeNotification(change.get())) return EndWithError(entry, kFolderRequestFailed);
    }
}

// Notification needs no more than KEY_NOTIFY, which a limited user has on the keys it can read. The
// native view first, so that a 32-bit build on 64-bit Windows watches the keys the program reads;
// systems that do not know the view flag get a plain open.
bool OpenForNotify(HKEY root, const char* path, base::RegKey& key) {
    if (RegOpenKeyExA(root, path, 0, KEY_NOTIFY | KEY_WOW64_64KEY, key.put()) == ERROR_SUCCESS) return true;
    return RegOpenKeyExA(root, path, 0, KEY_NOTIFY, key.put()) == ERROR_SUCCESS;
}

DWORD WatchKey(const MonitorEntry& entry) {
    base::RegKey key;
    if (!OpenForNotify(entry.root, entry.path.c_str(), key)) return EndWithError(entry, kCantOpenKey);
    base::Handle changed(CreateEventA(nullptr, FALSE, FALSE, nullptr));
    if (!changed) return EndWithError(entry, kKeyRequestFailed);
    for (;;) {
        // The next request is made once the receiver has handled the last text.
        if (RegNotifyChangeKeyValue(key.get(), TRUE, kKeyFilter, changed.get(), TRUE) != ERROR_SUCCESS)
            return EndWithError(entry, kKeyRequestFailed);
        SetEvent(entry.armed.get());
        switch (WaitFor(entry, changed.get())) {
            case Wake::Stop:
                return 0;
            case Wake::Failed:
                return EndWithError(entry, kKeyRequestFailed);
            case Wake::Signal:
                break;
        }
        if (!DeliverChange(entry)) return 0;
    }
}

// Each worker holds a reference to the library (taken by StartMonitor) and drops it as its last act, so
// the code it runs stays loaded until it has ended.
template <DWORD (*Watch)(const MonitorEntry&)>
DWORD RunWorker(void* arg) {
    DWORD code = 1;
    try {
        code = Watch(*static_cast<const MonitorEntry*>(arg));
    } catch (...) {
        // Nothing may leave a thread's start routine: the thread ends with code 1.
    }
    FreeLibraryAndExitThread(ThisModule(), code);
}

}  // namespace

DWORD WINAPI FolderWatchThread(void* entry) { return RunWorker<WatchFolder>(entry); }
DWORD WINAPI RegistryWatchThread(void* entry) { return RunWorker<WatchKey>(entry); }

}  // namespace halvex
