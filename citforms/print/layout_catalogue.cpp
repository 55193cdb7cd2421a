#include "citforms/print/layout_catalogue.h"

#include "citforms/print/embedded_files.h"

namespace citforms::print {

namespace {
constexpr std::string_view kSuffix = ".layout";
}

values::Result<Layout> openLayout(std::string_view procedureName) {
    std::string file = std::string(procedureName) + std::string(kSuffix);
    auto text = embeddedFile(file);
    if (!text) return values::Error{"no layout " + file};
    auto layout = Layout::parse(*text, file);
    if (layout && layout->report().name != procedureName)
        return values::Error{file + ":1: the report is named " + layout->report().name};
    return layout;
}

std::vector<std::string> shippedLayouts() {
    std::vector<std::string> out;
    for (const std::string& name : embeddedFileNames()) {
        if (name.size() > kSuffix.size() && name.ends_with(kSuffix))
            out.push_back(name.substr(0, name.size() - kSuffix.size()));
    }
    return out;
}

}  // namespace citforms::print
