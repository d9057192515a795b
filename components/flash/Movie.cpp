#include "components/flash/Movie.h"

#include <cstdlib>

#include "base/TextFile.h"

namespace movie {
namespace {

struct Token {
    std::string text;
    bool quoted = false;
};

// Splits a line into blank-separated tokens; "..." is one token ("" inside stands for a
// quote) and may also follow "key=".
bool Tokenize(const std::string& line, std::vector<Token>& out, std::string& error) {
    size_t i = 0;
    while (i < line.size()) {
        while (i < line.size() && (line[i] == ' ' || line[i] == '\t')) ++i;
        if (i >= line.size()) break;
        Token t;
        t.quoted = line[i] == '"';  // a literal; a quote after "key=" only quotes the value
        while (i < line.size() && line[i] != ' ' && line[i] != '\t') {
            if (line[i] == '"') {
                ++i;
                for (;;) {
                    if (i >= line.size()) {
                        error = "unclosed quote";
                        return false;
                    }
                    if (line[i] == '"') {
                        if (i + 1 < line.size() && line[i + 1] == '"') {
                            t.text.push_back('"');
                            i += 2;
                            continue;
                        }
                        ++i;
                        break;
                    }
                    t.text.push_back(line[i++]);
                }
            } else {
                t.text.push_back(line[i++]);
            }
        }
        out.push_back(std::move(t));
    }
    return true;
}

bool ParseInt(const std::string& s, long& v) {
    if (s.empty()) return false;
    char* end = nullptr;
    v = std::strtol(s.c_str(), &end, 10);
    return end && *end == '\0';
}

bool ParseColor(const std::string& s, COLORREF& c) {
    if (s.size() != 7 || s[0] != '#') return false;
    char* end = nullptr;
    const unsigned long v = std::strtoul(s.c_str() + 1, &end, 16);
    if (!end || *end) return false;
    c = RGB((v >> 16) & 0xFF, (v >> 8) & 0xFF, v & 0xFF);
    return true;
}

bool Same(const std::string& a, const char* b) { return lstrcmpiA(a.c_str(), b) == 0; }

}  // namespace

Movie ParseMovie(const std::string& text) {
    Movie m;
    int frame = -1;
    size_t pos = 0;
    int lineNo = 0;
    while (pos <= text.size()) {
        size_t eol = text.find('\n', pos);
        std::string line = text.substr(pos, eol == std::string::npos ? std::string::npos : eol - pos);
        pos = eol == std::string::npos ? text.size() + 1 : eol + 1;
        ++lineNo;
        if (!line.empty() && line.back() == '\r') line.pop_back();
        const size_t first = line.find_first_not_of(" \t");
        if (first == std::string::npos || line[first] == '#' || line[first] == ';') continue;

        std::vector<Token> tok;
        std::string error;
        auto fail = [&](const std::string& what) {
            m.errors.push_back("line " + std::to_string(lineNo) + ": " + what);
        };
        if (!Tokenize(line, tok, error)) {
            fail(error);
            continue;
        }
        const std::string& kw = tok[0].text;

        if (Same(kw, "movie")) {
            long w, h;
            if (tok.size() != 3 || !ParseInt(tok[1].text, w) || !ParseInt(tok[2].text, h) || w <= 0 || h <= 0) {
                fail("movie wants a width and a height");
                continue;
            }
            m.width = static_cast<int>(w);
            m.height = static_cast<int>(h);
        } else if (Same(kw, "background") || Same(kw, "color")) {
            COLORREF c;
            if (tok.size() != 2 || !ParseColor(tok[1].text, c)) {
                fail(kw + " wants a colour #RRGGBB");
                continue;
            }
            (Same(kw, "background") ? m.background : m.foreground) = c;
        } else if (Same(kw, "var")) {
            if (tok.size() != 3) {
                fail("var wants a name and a value");
                continue;
            }
            m.vars.emplace_back(tok[1].text, tok[2].text);
        } else if (Same(kw, "join")) {
            if (tok.size() < 4) {
                fail("join wants a name, a separator and its parts");
                continue;
            }
            Movie::Join& j = m.joins[tok[1].text];
            j.separator = tok[2].text;
            j.parts.clear();
            for (size_t i = 3; i < tok.size(); ++i) j.parts.push_back(tok[i].text);
        } else if (Same(kw, "clip")) {
            ClipAction a;
            long f;
            if (tok.size() == 4 && Same(tok[2].text, "goto") && ParseInt(tok[3].text, f) && f >= 0) {
                a.gotoFrame = f;
            } else if (tok.size() == 5 && Same(tok[2].text, "set")) {
                a.var = tok[3].text;
                a.value = tok[4].text;
            } else {
                fail("clip wants: clip <name> goto <frame> | clip <name> set <var> <value>");
                continue;
            }
            m.clips[tok[1].text].push_back(a);
        } else if (Same(kw, "frame")) {
            long f;
            if (tok.size() == 2 && tok[1].text == "*") {
                frame = -1;
            } else if (tok.size() == 2 && ParseInt(tok[1].text, f) && f >= 0) {
                frame = static_cast<int>(f);
            } else {
                fail("frame wants a number or *");
                continue;
            }
        } else {
            Item it;
            it.frame = frame;
            it.line = lineNo;
            static const std::pair<const char*, ItemKind> kinds[] = {
                {"box", ItemKind::Box},     {"text", ItemKind::Text},   {"button", ItemKind::Button},
                {"input", ItemKind::Input}, {"check", ItemKind::Check}, {"list", ItemKind::List},
                {"drag", ItemKind::Drag}};
            bool known = false;
            for (const auto& [name, kind] : kinds)
                if (Same(kw, name)) {
                    it.kind = kind;
                    known = true;
                }
            if (!known) {
                fail("unknown keyword \"" + kw + "\"");
                continue;
            }
            long r[4];
            if (tok.size() < 5 || !ParseInt(tok[1].text, r[0]) || !ParseInt(tok[2].text, r[1]) ||
                !ParseInt(tok[3].text, r[2]) || !ParseInt(tok[4].text, r[3]) || r[2] < 0 || r[3] < 0) {
                fail(kw + " wants x y width height first");
                continue;
            }
            it.rect = {r[0], r[1], r[0] + r[2], r[1] + r[3]};
            // Positional fields after the rectangle, then key=value options.
            std::vector<Token> fields;
            bool bad = false;
            for (size_t i = 5; i < tok.size(); ++i) {
                const std::string& t = tok[i].text;
                const size_t eq = tok[i].quoted ? std::string::npos : t.find('=');
                if (eq == std::string::npos) {
                    fields.push_back(tok[i]);
                    continue;
                }
                const std::string key = t.substr(0, eq), value = t.substr(eq + 1);
                if (Same(key, "font") && (value == "title" || value == "body" || value == "small" || value == "bold")) {
                    it.font = value;
                } else if (Same(key, "align") && (value == "left" || value == "center" || value == "right")) {
                    it.align = value[0];
                } else if (Same(key, "color") && ParseColor(value, it.color)) {
                } else if (Same(key, "back") && ParseColor(value, it.back)) {
                } else if (Same(key, "args")) {
                    it.args = value;
                } else if (Same(key, "label") && it.kind == ItemKind::Check && !value.empty()) {
                    it.label = value;
                } else if (Same(key, "enabled") && it.kind == ItemKind::Button && !value.empty()) {
                    it.enabled = value;
                } else {
                    fail("bad option \"" + t + "\"");
                    bad = true;
                    break;
                }
            }
            if (bad) continue;
            auto source = [&](const Token& t) {
                if (t.quoted)
                    it.text = t.text;
                else
                    it.var = t.text;
            };
            switch (it.kind) {
                case ItemKind::Box:
                    if (fields.size() != 1 || !ParseColor(fields[0].text, it.color)) bad = true;
                    break;
                case ItemKind::Text:
                    if (fields.size() != 1)
                        bad = true;
                    else
                        source(fields[0]);
                    break;
                case ItemKind::Button:
                    if (fields.size() != 2 || fields[1].quoted)
                        bad = true;
                    else {
                        source(fields[0]);
                        it.command = fields[1].text;
                    }
                    break;
                case ItemKind::Input:
                    if (fields.empty() || fields.size() > 2 || fields[0].quoted ||
                        (fields.size() == 2 && !Same(fields[1].text, "password")))
                        bad = true;
                    else {
                        it.var = fields[0].text;
                        it.password = fields.size() == 2;
                    }
                    break;
                case ItemKind::Check:
                    if (fields.size() != 2 || !fields[0].quoted || fields[1].quoted)
                        bad = true;
                    else {
                        it.text = fields[0].text;
                        it.var = fields[1].text;
                    }
                    break;
                case ItemKind::List:
                    if (fields.size() != 2 || fields[0].quoted || fields[1].quoted)
                        bad = true;
                    else {
                        it.var = fields[0].text;
                        it.command = fields[1].text;
                    }
                    break;
                case ItemKind::Drag:
                    if (fields.size() > 1)
                        bad = true;
                    else
                        it.command = fields.empty() ? "IDC_FS_DRAG" : fields[0].text;
                    break;
            }
            if (bad) {
                fail("wrong fields for " + kw);
                continue;
            }
            m.items.push_back(std::move(it));
        }
    }
    return m;
}

bool ReadMovieFile(const std::string& path, Movie& movie) {
    movie = Movie{};
    if (!base::FileExists(path)) return false;
    try {
        movie = ParseMovie(base::ReadWhole(path));
        return true;
    } catch (...) {
        movie = Movie{};
        return false;
    }
}

}  // namespace movie
