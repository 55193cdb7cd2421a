#pragma once
// Helpers shared by the fuzz targets: the input as text, and a check that stops the run
// (a finding) when a property of the parser does not hold.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string_view>

namespace citforms_fuzz {

inline std::string_view text(const std::uint8_t* data, std::size_t size) {
    return {reinterpret_cast<const char*>(data), size};
}

inline void require(bool holds, const char* what) {
    if (!holds) {
        std::fprintf(stderr, "property violated: %s\n", what);
        std::abort();
    }
}

}  // namespace citforms_fuzz
