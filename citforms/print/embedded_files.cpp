#include "citforms/print/embedded_files.h"

#include <cstddef>

// Generated from the layouts and forms folders at build time (cmake/EmbedFiles.cmake).
#include "embedded_citforms__print__detail.h"

namespace citforms::print {

std::optional<std::string_view> embeddedFile(std::string_view name) {
    for (std::size_t i = 0; i < detail::kEmbeddedFileCount; ++i) {
        const auto& e = detail::kEmbeddedFiles[i];
        if (name == e.name) return std::string_view(reinterpret_cast<const char*>(e.data), e.size);
    }
    return std::nullopt;
}

std::vector<std::string> embeddedFileNames() {
    std::vector<std::string> names;
    for (std::size_t i = 0; i < detail::kEmbeddedFileCount; ++i)
        names.emplace_back(detail::kEmbeddedFiles[i].name);
    return names;
}

}  // namespace citforms::print
