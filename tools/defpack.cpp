// Definitions packer: turns a readable definitions source into defs.dat.
//   defpack <source.txt> <defs.dat> <signing.key>
// Paths may be Windows paths or, when run under Wine from the build, host paths ("/..."), which
// Wine maps to the drives of the build's prefix.
#include <cstdio>
#include <string>

#include "base/HostPath.h"
#include "base/RuntimeError.h"
#include "base/TextFile.h"
#include "definitions/DefinitionsPacker.h"

int main(int argc, char** argv) {
    if (argc != 4) {
        std::fprintf(stderr, "usage: defpack <source.txt> <defs.dat> <signing.key>\n");
        return 2;
    }
    const std::string source = base::WindowsPathOfHost(argv[1]);
    const std::string output = base::WindowsPathOfHost(argv[2]);
    try {
        const std::string key = base::ReadWhole(base::WindowsPathOfHost(argv[3]));
        modDefinitions::WriteDefinitionsFile(output, base::ReadWhole(source),
                                             std::vector<std::uint8_t>(key.begin(), key.end()));
    } catch (const base::RuntimeError& e) {
        std::fprintf(stderr, "defpack: %s: %s (error %ld)\n", source.c_str(), e.description().c_str(), e.number());
        return 1;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "defpack: %s: %s\n", source.c_str(), e.what());
        return 1;
    }
    return 0;
}
