// Plain-window documents (citforms/windows/*.dialog, refhost/dialogs/*.dialog), and the window
// made from one that is read, with every entry given a value of the document's own text.
#include "citforms/host/plain_window.h"
#include "fuzz_input.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text = citforms_fuzz::text(data, size);
    auto doc = citforms::host::PlainWindowDocument::parse(text, "fuzz.dialog");
    if (!doc) return 0;
    citforms::host::PlainWindow window(std::move(*doc));
    for (std::size_t i = 0; i < window.model().entries.size(); ++i) {
        (void)window.edit(i, text.substr(0, 40));
        (void)window.display(i);
    }
    for (std::size_t b = 0; b < window.model().buttons.size(); ++b) window.press(b);
    return 0;
}
