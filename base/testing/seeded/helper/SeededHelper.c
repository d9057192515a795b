/* The program the seeded machine copies under its planted names and starts: it only waits to
   be ended. No C runtime, so each copy is a few kilobytes and starts at once. */
#include <windows.h>

void SeededHelperMain(void) {
    Sleep(INFINITE);
    ExitProcess(0);
}
