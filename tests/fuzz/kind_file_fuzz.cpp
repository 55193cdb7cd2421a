// Kind files: what a declaration kind is made of.
#include "citforms/forms/kind_file.h"
#include "fuzz_input.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    (void)citforms::forms::KindFile::parse(citforms_fuzz::text(data, size), "fuzz.kind");
    return 0;
}
