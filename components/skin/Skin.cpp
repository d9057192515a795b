#include "components/skin/Skin.h"

#include <cstdlib>
#include <sstream>

#include "base/TextFile.h"

namespace skin {
namespace {

bool Same(const std::string& a, const char* b) { return lstrcmpiA(a.c_str(), b) == 0; }

bool ToLong(const std::string& s, long& v) {
    if (s.empty()) return false;
    char* end = nullptr;
    v = std::strtol(s.c_str(), &end, 10);
    return end && *end == '\0';
}

HRGN ShapeRegion(const Shape& s) {
    const auto& v = s.values;
    switch (s.kind) {
        case Shape::Kind::Rect:
            return CreateRectRgn(v[0], v[1], v[2], v[3]);
        case Shape::Kind::RoundRect:
            return CreateRoundRectRgn(v[0], v[1], v[2], v[3], v[4], v[5]);
        case Shape::Kind::Ellipse:
            return CreateEllipticRgn(v[0], v[1], v[2], v[3]);
        case Shape::Kind::Polygon: {
            std::vector<POINT> pts;
            for (size_t i = 0; i + 1 < v.size(); i += 2) pts.push_back({v[i], v[i + 1]});
            return CreatePolygonRgn(pts.data(), static_cast<int>(pts.size()), WINDING);
        }
    }
    return nullptr;
}

}  // namespace

bool Skin::LoadSkin(const std::string& path) {
    if (!base::FileExists(path)) {
        name_.clear();
        elements_.clear();
        errors_ = {"cannot read " + path};
        return false;
    }
    try {
        return LoadSkinText(base::ReadWhole(path));
    } catch (...) {
        elements_.clear();
        errors_ = {"cannot read " + path};
        return false;
    }
}

bool Skin::LoadSkinText(const std::string& text) {
    name_.clear();
    elements_.clear();
    errors_.clear();
    Element* current = nullptr;
    std::istringstream in(text);
    std::string line;
    int lineNo = 0;
    while (std::getline(in, line)) {
        ++lineNo;
        if (!line.empty() && line.back() == '\r') line.pop_back();
        std::istringstream words(line);
        std::vector<std::string> w;
        for (std::string s; words >> s;) w.push_back(s);
        if (w.empty() || w[0][0] == '#' || w[0][0] == ';') continue;
        auto fail = [&](const std::string& what) { errors_.push_back("line " + std::to_string(lineNo) + ": " + what); };

        if (Same(w[0], "skin")) {
            if (w.size() != 2)
                fail("skin wants a name");
            else
                name_ = w[1];
        } else if (Same(w[0], "element")) {
            if (w.size() != 2) {
                fail("element wants a name");
                current = nullptr;
                continue;
            }
            current = &elements_[w[1]];
            *current = Element{};
            current->name = w[1];
        } else if (Same(w[0], "size")) {
            long cx, cy;
            if (!current)
                fail("size outside an element");
            else if (w.size() != 3 || !ToLong(w[1], cx) || !ToLong(w[2], cy) || cx <= 0 || cy <= 0)
                fail("size wants a width and a height");
            else
                current->width = static_cast<int>(cx), current->height = static_cast<int>(cy);
        } else if (Same(w[0], "add") || Same(w[0], "cut")) {
            if (!current) {
                fail("shape outside an element");
                continue;
            }
            Shape s;
            s.cut = Same(w[0], "cut");
            size_t want = 0;
            if (w.size() < 2) {
                fail("shape wants a kind");
                continue;
            } else if (Same(w[1], "rect")) {
                s.kind = Shape::Kind::Rect, want = 4;
            } else if (Same(w[1], "roundrect")) {
                s.kind = Shape::Kind::RoundRect, want = 6;
            } else if (Same(w[1], "ellipse")) {
                s.kind = Shape::Kind::Ellipse, want = 4;
            } else if (Same(w[1], "polygon")) {
                s.kind = Shape::Kind::Polygon;
            } else {
                fail("unknown shape \"" + w[1] + "\"");
                continue;
            }
            bool ok = true;
            for (size_t i = 2; i < w.size(); ++i) {
                long v = 0;
                if (!ToLong(w[i], v)) ok = false;
                s.values.push_back(v);
            }
            const size_t n = s.values.size();
            if (!ok || (want && n != want) || (!want && (n < 6 || n % 2))) {
                fail("wrong numbers for " + w[1]);
                continue;
            }
            current->shapes.push_back(std::move(s));
        } else {
            fail("unknown keyword \"" + w[0] + "\"");
        }
    }
    return !elements_.empty();
}

const Element* Skin::Find(const std::string& element) const {
    auto it = elements_.find(element);
    return it == elements_.end() ? nullptr : &it->second;
}

HRGN Skin::MakeRegion(const std::string& element, int width, int height) const {
    const Element* e = Find(element);
    if (!e || e->shapes.empty()) return nullptr;
    HRGN all = nullptr;
    for (const Shape& s : e->shapes) {
        HRGN r = ShapeRegion(s);
        if (!r) continue;
        if (!all) {
            all = s.cut ? CreateRectRgn(0, 0, e->width, e->height) : r;
            if (!s.cut) continue;
        }
        CombineRgn(all, all, r, s.cut ? RGN_DIFF : RGN_OR);
        DeleteObject(r);
    }
    if (!all || e->width <= 0 || e->height <= 0 || width <= 0 || height <= 0 ||
        (width == e->width && height == e->height))
        return all;
    // Scale to the window's size.
    const DWORD size = GetRegionData(all, 0, nullptr);
    std::vector<char> data(size);
    if (!size || !GetRegionData(all, size, reinterpret_cast<RGNDATA*>(data.data()))) return all;
    XFORM xf{};
    xf.eM11 = static_cast<float>(width) / static_cast<float>(e->width);
    xf.eM22 = static_cast<float>(height) / static_cast<float>(e->height);
    HRGN scaled = ExtCreateRegion(&xf, size, reinterpret_cast<RGNDATA*>(data.data()));
    if (!scaled) return all;
    DeleteObject(all);
    return scaled;
}

bool Skin::ApplyMask(HWND window, const std::string& element) const {
    if (!window || !IsWindow(window)) return false;
    RECT r{};
    GetWindowRect(window, &r);
    HRGN region = MakeRegion(element, r.right - r.left, r.bottom - r.top);
    if (!region) return false;
    if (!SetWindowRgn(window, region, TRUE)) {
        DeleteObject(region);
        return false;
    }
    return true;  // the window owns the region now
}

}  // namespace skin
