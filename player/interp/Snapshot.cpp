#include "Snapshot.h"

#include <cmath>
#include <cstdio>

#include "Player.h"

namespace parvel {

namespace {

std::string colourText(Colour c) {
    char buf[8];
    std::snprintf(buf, sizeof buf, "#%02X%02X%02X", c & 0xFF, (c >> 8) & 0xFF, (c >> 16) & 0xFF);
    return buf;
}

std::string numberText(double v) {
    if (v == std::floor(v) && std::abs(v) < 1e15) return std::to_string(static_cast<long long>(v));
    char buf[32];
    std::snprintf(buf, sizeof buf, "%g", v);
    return buf;
}

std::string oneLine(std::string_view text) {
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r' || text[i] == '\n') {
            out += "\\n";
            if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
        } else {
            out.push_back(text[i]);
        }
    }
    return out;
}

}  // namespace

std::vector<std::string> snapshotLines(Player& player) {
    Host& host = player.host();
    std::vector<std::string> out;
    auto cap = [&](Control c) { return host.caption(c); };
    auto col = [&](Control c) { return colourText(host.foreColour(c)); };
    out.push_back("scene: " + player.scene().name);
    out.push_back("title: " + host.title());
    out.push_back("text: " + oneLine(cap(Control::Label2)));
    for (int k = 1; k <= 6; ++k)
        out.push_back("option" + std::to_string(k) + ": " + oneLine(cap(optionLabel(k))));
    out.push_back("hero: " + cap(Control::HPherol) + " " + col(Control::HPherol));
    out.push_back("heromax: " + cap(Control::maxHerol));
    out.push_back("enemy: " + cap(Control::eneHPl) + " " + col(Control::eneHPl));
    out.push_back("enemymax: " + cap(Control::enemAxl));
    const auto& r = player.render();
    out.push_back("frames: " + std::to_string(r.AnimFrame) + " " + std::to_string(r.LayerFrame) +
                  " " + std::to_string(r.Layer2Frame));
    const auto& s = player.scene().sprite;
    out.push_back(s.on ? "sprite: on " + numberText(s.x) + " " + numberText(s.y) : "sprite: off");
    out.push_back("");
    return out;
}

}  // namespace parvel
