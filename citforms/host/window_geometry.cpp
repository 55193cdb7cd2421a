#include "citforms/host/window_geometry.h"

#include <charconv>
#include <string>

namespace citforms::host {

namespace {

constexpr int kSmallest = 50;

std::optional<int> number(IniManager& ini, std::string_view name, std::string_view key) {
    const std::string text = ini.fetch(name, key);
    int value = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || ec != std::errc() || end != text.data() + text.size()) return std::nullopt;
    return value;
}

}  // namespace

std::optional<WindowGeometry> loadWindowGeometry(IniManager& ini, std::string_view name) {
    const auto x = number(ini, name, "X");
    const auto y = number(ini, name, "Y");
    const auto w = number(ini, name, "Width");
    const auto h = number(ini, name, "Height");
    if (!x || !y || !w || !h || *w < kSmallest || *h < kSmallest) return std::nullopt;
    return WindowGeometry{*x, *y, *w, *h, number(ini, name, "Maximised").value_or(0) == 1};
}

void storeWindowGeometry(IniManager& ini, std::string_view name, const WindowGeometry& g) {
    ini.update(name, "X", std::to_string(g.x));
    ini.update(name, "Y", std::to_string(g.y));
    ini.update(name, "Width", std::to_string(g.width));
    ini.update(name, "Height", std::to_string(g.height));
    ini.update(name, "Maximised", g.maximised ? "1" : "0");
}

}  // namespace citforms::host
