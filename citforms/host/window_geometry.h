#pragma once
// A window's size and position as kept in the host's INI store: section = the window's name
// ("CIT_8_73", "Param_CIT2"), keys X, Y, Width, Height in screen pixels and Maximised (0/1).
//
//   if (auto g = loadWindowGeometry(ini, "CIT_8_73")) view.setGeometry(g->x, g->y, ...);
//   storeWindowGeometry(ini, "CIT_8_73", {10, 20, 900, 700, false});
//
// A stored entry that is incomplete or not a number, or a size below 50 pixels, is treated as
// none, so a damaged INI file never opens a window off-screen or too small to grab.
#include <optional>
#include <string_view>

#include "citforms/host/managers.h"

namespace citforms::host {

struct WindowGeometry {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
    bool maximised = false;
    bool operator==(const WindowGeometry&) const = default;
};

std::optional<WindowGeometry> loadWindowGeometry(IniManager& ini, std::string_view name);
void storeWindowGeometry(IniManager& ini, std::string_view name, const WindowGeometry& geometry);

}  // namespace citforms::host
