// Layout documents.
#include "citforms/documents/layout.h"
#include "fuzz_input.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    (void)citforms::print::Layout::parse(citforms_fuzz::text(data, size), "fuzz.layout");
    return 0;
}
