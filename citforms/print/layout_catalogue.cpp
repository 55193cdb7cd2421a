#include "citforms/print/layout_catalogue.h"

#include <map>
#include <mutex>

#include "citforms/documents/embedded_files.h"

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

values::Result<std::shared_ptr<const Layout>> sharedLayout(std::string_view procedureName) {
    static std::mutex mutex;
    static std::map<std::string, std::shared_ptr<const Layout>, std::less<>> parsed;
    const std::lock_guard lock(mutex);
    if (auto it = parsed.find(procedureName); it != parsed.end()) return it->second;
    auto layout = openLayout(procedureName);
    if (!layout) return values::Error{layout.error()};
    auto shared = std::make_shared<const Layout>(std::move(*layout));
    parsed.emplace(std::string(procedureName), shared);
    return shared;
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
