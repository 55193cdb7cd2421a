// Session scripts replayed by `tabrix run` (runtime/ui/scripted/session_script.h).
#include "fuzz_input.h"
#include "runtime/ui/scripted/session_script.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    (void)citforms::runtime::parseSessionScript(citforms_fuzz::text(data, size), "fuzz.session");
    return 0;
}
