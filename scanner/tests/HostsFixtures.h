#pragma once
// Generated hosts files and hosts definitions for the hosts matcher's differential test and its
// benchmark: the forms a hosts file takes (blanks or tabs, comments, a comment after the host,
// a host without an address, one host in several cases and several times), and definitions that
// name some of them in another case, name an entry's second name, contain them, or are
// contained in them.
#include <random>
#include <string>
#include <vector>

namespace scannertest {

inline std::string RandomCase(std::mt19937& rng, std::string s) {
    for (char& c : s)
        if (rng() % 3 == 0) c = static_cast<char>(toupper(static_cast<unsigned char>(c)));
    return s;
}

// `lines` lines over `hosts` distinct host names, CR LF ended.
inline std::string GeneratedHostsText(unsigned seed, int lines, int hosts) {
    std::mt19937 rng(seed);
    std::string text;
    for (int i = 0; i < lines; ++i) {
        const std::string host = RandomCase(rng, "h" + std::to_string(rng() % hosts) + ".example");
        switch (rng() % 8) {
            case 0:
                text += "# comment " + host;
                break;
            case 1:
                text += "127.0.0.1\t" + host;
                break;
            case 2:
                text += "0.0.0.0   " + host + "  # added";
                break;
            case 3:
                text += host;
                break;
            case 4:
                text += "   ";
                break;
            case 5:
                text += "10.0.0." + std::to_string(rng() % 255) + " " + host + " alias." + host;
                break;
            default:
                text += "127.0.0.1 " + host;
                break;
        }
        text += "\r\n";
    }
    return text;
}

// `count` definition hosts over the same names: most named, some only similar.
inline std::vector<std::string> GeneratedHostDefinitions(unsigned seed, int count, int hosts) {
    std::mt19937 rng(seed);
    std::vector<std::string> defs;
    for (int i = 0; i < count; ++i) {
        const std::string host = "h" + std::to_string(rng() % (hosts + hosts / 4)) + ".example";
        switch (rng() % 8) {
            case 0:
                defs.push_back(host.substr(1));
                break;  // contained in a host
            case 6:
                defs.push_back("alias." + host);
                break;  // the second name of an entry
            case 7:
                defs.push_back(host + " alias." + host);
                break;  // an entry's whole host text, which is no one name
            case 1:
                defs.push_back("www." + host);
                break;  // contains a host
            case 2:
                defs.push_back(" " + host);
                break;  // a blank before it
            default:
                defs.push_back(RandomCase(rng, host));
                break;
        }
    }
    return defs;
}

}  // namespace scannertest
