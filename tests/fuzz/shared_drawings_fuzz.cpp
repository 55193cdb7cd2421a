// The rewrite of a draft PDF into one with shared drawings: whatever the bytes, a result or a
// reason, never a crash.
#include "fuzz_input.h"
#include "refhost/print/shared_drawings.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes = citforms_fuzz::text(data, size);
    for (int drawings : {0, 1, 2}) (void)citforms::refhost::shareDrawings(bytes, 1, drawings);
    return 0;
}
