#pragma once
// The first-match rule, shared by the indexed store and the plain reference scan.
namespace modDefinitions {

template <class Find>
LookupResult LookupItem(const std::string& text, Find&& find, const std::string& section, const std::string& key,
                        const std::string& defaultValue) {
    constexpr size_t npos = std::string::npos;
    LookupResult r{defaultValue, false};
    const size_t p1 = find(section, 0);
    if (p1 == npos) {
        r.error = true;  // the search for the key would start at position 0
        return r;
    }
    const size_t p2 = find(key, p1);
    if (p2 == npos) return r;
    const size_t p3 = text.find('=', p2);
    if (p3 == npos) {
        r.error = true;
        return r;
    }
    size_t p4 = text.find("\r\n", p3);
    if (p4 == npos) p4 = text.size();  // the last line needs no CR LF
    std::string value = text.substr(p3 + 1, p4 - p3 - 1);
    const size_t b = value.find_first_not_of(' ');
    if (b == npos) {
        value.clear();
    } else {
        value = value.substr(b, value.find_last_not_of(' ') - b + 1);
    }
    r.value = value;
    return r;
}

}  // namespace modDefinitions
