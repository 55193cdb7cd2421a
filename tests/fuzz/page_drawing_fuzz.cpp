// Page drawings, read against the layout of the CIT-8 (24) main form.
#include <fstream>
#include <sstream>

#include "citforms/documents/layout.h"
#include "citforms/print/page_drawing.h"
#include "fuzz_input.h"

namespace {

const citforms::print::Layout& mainLayout() {
    static const citforms::print::Layout layout = [] {
        std::ifstream in(std::string(CITFORMS_LAYOUT_DIR) + "/CIT_8_Prn_73.layout");
        std::stringstream text;
        text << in.rdbuf();
        auto parsed = citforms::print::Layout::parse(text.str(), "CIT_8_Prn_73.layout");
        citforms_fuzz::require(parsed.ok(), "the main layout parses");
        return *parsed;
    }();
    return layout;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text = citforms_fuzz::text(data, size);
    (void)citforms::print::PageDrawing::layoutOf(text, "fuzz.drawing");
    (void)citforms::print::PageDrawing::parse(text, "fuzz.drawing", mainLayout());
    return 0;
}
