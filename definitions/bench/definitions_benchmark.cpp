// Times the definitions look-ups of one load through the index and through the plain scan,
// over a synthetic definitions text, and checks that both give the same values.
//   definitions_benchmark [entries]      (default 20000)
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "definitions/DefinitionsStore.h"

using namespace modDefinitions;

namespace {
double Seconds(LARGE_INTEGER a, LARGE_INTEGER b) {
    LARGE_INTEGER f;
    QueryPerformanceFrequency(&f);
    return double(b.QuadPart - a.QuadPart) / double(f.QuadPart);
}
}  // namespace

int main(int argc, char** argv) {
    const int entries = argc > 1 ? std::atoi(argv[1]) : 20000;
    const char* groups[] = {"TAFI", "DAFI", "HAFI", "KAFI", "SAFI", "REGS", "REGK", "COOK", "SBOFN", "SCE"};
    const int perGroup = entries / 10;
    std::string text;
    std::vector<std::pair<std::string, std::string>> queries;  // (section, key) as a load asks them
    for (const char* g : groups) {
        text += std::string("[") + g + "]\r\n";
        for (int i = 0; i < perGroup; ++i) {
            const std::string n = std::to_string(i);
            text += std::string(g) + "T" + n + "=" + EncryptDefString("Spy name " + n) + "\r\n";
            text += std::string(g) + "S" + n + "=" + EncryptDefString("file" + n + ".exe") + "\r\n";
        }
    }
    for (const char* g : groups) {
        for (int i = 0; i <= perGroup; ++i) {  // up to the first empty entry
            queries.emplace_back(g, std::string(g) + "T" + std::to_string(i));
            queries.emplace_back(g, std::string(g) + "S" + std::to_string(i));
        }
    }

    LARGE_INTEGER t0, t1, t2, t3;
    QueryPerformanceCounter(&t0);
    SetDefinitionsText(text);  // builds the index
    QueryPerformanceCounter(&t1);
    std::vector<std::string> viaIndex;
    viaIndex.reserve(queries.size());
    for (const auto& q : queries) viaIndex.push_back(GetDataBaseItem(q.first, q.second, ""));
    QueryPerformanceCounter(&t2);
    size_t mismatches = 0;
    for (size_t i = 0; i < queries.size(); ++i)
        if (LookupPlain(text, queries[i].first, queries[i].second, "").value != viaIndex[i]) ++mismatches;
    QueryPerformanceCounter(&t3);

    const double build = Seconds(t0, t1), indexed = Seconds(t1, t2), plain = Seconds(t2, t3);
    std::printf("definitions look-ups: %d entries, %zu look-ups, text %zu bytes\n", entries, queries.size(),
                text.size());
    std::printf("  index build       %9.4f s\n", build);
    std::printf("  indexed look-ups  %9.4f s\n", indexed);
    std::printf("  plain scan        %9.4f s\n", plain);
    std::printf("  ratio plain / (build + indexed): %.1f\n", plain / (build + indexed));
    std::printf("  mismatches: %zu\n", mismatches);
    return mismatches == 0 ? 0 : 1;
}
