// Form-window declarations (citforms/windows/*.window).
#include "citforms/windows/window_declaration.h"
#include "fuzz_input.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    (void)citforms::windows::WindowDeclaration::parse(citforms_fuzz::text(data, size),
                                                      "fuzz.window");
    return 0;
}
