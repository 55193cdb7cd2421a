#pragma once
// The layout documents and page drawings built into the module (citforms/print/layouts),
// looked up by file name: "CIT_8_Prn_73.layout", "cit8_24_p1.drawing".
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace citforms::print {

// The bytes of an embedded file, or nullopt. The view stays valid for the process lifetime.
std::optional<std::string_view> embeddedFile(std::string_view name);
// Names of all embedded files, sorted.
std::vector<std::string> embeddedFileNames();

}  // namespace citforms::print
