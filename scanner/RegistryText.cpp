#include "scanner/RegistryText.h"

#include <cstdio>

namespace RegistryModule {

namespace {
struct Hive {
    const char* name;
    HKEY hive;
    bool givenByName;
};
const Hive kHives[] = {
    {"HKEY_CLASSES_ROOT", HKEY_CLASSES_ROOT, true},
    {"HKEY_CURRENT_USER", HKEY_CURRENT_USER, true},
    {"HKEY_LOCAL_MACHINE", HKEY_LOCAL_MACHINE, true},
    {"HKEY_USERS", HKEY_USERS, true},
    {"HKEY_PERFORMANCE_DATA", HKEY_PERFORMANCE_DATA, false},
    {"HKEY_CURRENT_CONFIG", HKEY_CURRENT_CONFIG, true},
    {"HKEY_DYN_DATA", HKEY_DYN_DATA, true},
};

std::string HexBytes(const std::string& data) {
    static const char digits[] = "0123456789ABCDEF";
    std::string out;
    out.reserve(data.size() * 3);
    for (unsigned char c : data) {
        if (!out.empty()) out += ' ';
        out += digits[c >> 4];
        out += digits[c & 15];
    }
    return out;
}
}  // namespace

std::string GetHiveName(HKEY hive) {
    for (const Hive& h : kHives)
        if (h.hive == hive) return h.name;
    return {};
}

HKEY GetHiveHandle(const std::string& name) {
    for (const Hive& h : kHives)
        if (h.givenByName && name == h.name) return h.hive;
    return nullptr;
}

std::string FormatRegValueData(DWORD type, const std::string& data) {
    switch (type) {
        case REG_SZ:
        case REG_EXPAND_SZ:  // matched as written, unexpanded: Run entries use it
        case REG_MULTI_SZ:
            return data.substr(0, data.find('\0'));
        case REG_BINARY:
            return HexBytes(data);
        case REG_DWORD: {
            unsigned long value = 0;
            for (size_t i = 0; i < 4 && i < data.size(); ++i)
                value |= static_cast<unsigned long>(static_cast<unsigned char>(data[i])) << (8 * i);
            char text[16];
            std::snprintf(text, sizeof text, "0x%08lX", value);
            return text;
        }
        default:
            return "Temporary unsupported";
    }
}

std::string RegFileForm(DWORD type, const std::string& text, const std::string& data) {
    switch (type) {
        case REG_SZ: {
            std::string out = "\"";
            for (char c : text) {
                out += c;
                if (c == '\\') out += '\\';
            }
            return out + "\"";
        }
        case REG_BINARY:
            return "hex:" + text;
        case REG_DWORD:
            return "dword:" + (text.size() > 2 ? text.substr(2) : text);
        case REG_EXPAND_SZ:
            return "hex(2):" + HexBytes(data);
        case REG_MULTI_SZ:
            return "hex(7):" + HexBytes(data);
        default:
            return {};
    }
}

}  // namespace RegistryModule
