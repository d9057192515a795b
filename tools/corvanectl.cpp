// corvanectl: what scripts/run-corvane needs of a Corvane running in its Wine prefix.
//   corvanectl running <program folder>   exit 0 when a Corvane runs from that folder, else 1
//   corvanectl close [seconds]            ends the running Corvane through its own shut-down:
//                                         its window closed, its question answered OK (another
//                                         box on the way answered Cancel); exit 0 when it ended
//                                         (its exit code printed), 1 when none runs, 2 when it
//                                         did not end in time (default 60 seconds)
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "app/RemoteControl.h"

int main(int argc, char** argv) {
    try {
        const std::string command = argc > 1 ? argv[1] : "";
        if (command == "running" && argc == 3) return remote::InstanceRuns(argv[2]) ? 0 : 1;
        if (command == "close" && argc <= 3) {
            const DWORD seconds = argc == 3 ? static_cast<DWORD>(std::strtoul(argv[2], nullptr, 10)) : 60;
            HWND main = remote::PublishedMainWindow(0);
            if (main == nullptr) {
                std::fprintf(stderr, "corvanectl: no Corvane window is published\n");
                return 1;
            }
            DWORD code = 0;
            std::vector<std::string> prompts;
            const bool ended = remote::CloseProgram(main, seconds * 1000, code, &prompts);
            for (const std::string& p : prompts) std::printf("answered: %s\n", p.c_str());
            if (!ended) {
                std::fprintf(stderr, "corvanectl: Corvane did not end within %lu s\n", seconds);
                return 2;
            }
            std::printf("Corvane ended with exit code %lu\n", code);
            return 0;
        }
        std::fprintf(stderr, "usage: corvanectl running <program folder> | corvanectl close [seconds]\n");
        return 64;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "corvanectl: %s\n", e.what());
        return 70;
    } catch (...) {
        std::fprintf(stderr, "corvanectl: failed\n");
        return 70;
    }
}
