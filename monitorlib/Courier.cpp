#include "monitorlib/Courier.h"

namespace halvex {

namespace {

const char kCourierClass[] = "HalvexCourier";
HMODULE thisModule = nullptr;
HWND courier = nullptr;
bool classRegistered = false;

LRESULT CALLBACK CourierProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == kCourierMessage) {
        try {
            OnCourierMessage(static_cast<unsigned>(wParam), static_cast<int>(lParam));
        } catch (...) {
            // Nothing may leave a window procedure; the change is lost, the next one is delivered.
        }
        return 0;
    }
    return DefWindowProcA(hwnd, message, wParam, lParam);
}

}  // namespace

void SetThisModule(HMODULE module) { thisModule = module; }
HMODULE ThisModule() { return thisModule; }

HWND AcquireCourier() {
    if (courier != nullptr && IsWindow(courier)) return courier;
    courier = nullptr;
    if (!classRegistered) {
        WNDCLASSA wc{};
        wc.lpfnWndProc = CourierProc;
        wc.hInstance = thisModule;
        wc.lpszClassName = kCourierClass;
        if (!RegisterClassA(&wc) && GetLastError() != ERROR_CLASS_ALREADY_EXISTS) return nullptr;
        classRegistered = true;
    }
    courier = CreateWindowExA(0, kCourierClass, "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, thisModule, nullptr);
    return courier;
}

void ReleaseCourier() {
    if (courier != nullptr) DestroyWindow(courier);
    courier = nullptr;
    // A class left registered would outlive the library and point at code that is gone.
    if (classRegistered && UnregisterClassA(kCourierClass, thisModule)) classRegistered = false;
}

}  // namespace halvex
