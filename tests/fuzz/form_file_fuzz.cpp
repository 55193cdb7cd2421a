// Form files of the form catalogue.
#include "citforms/forms/form.h"
#include "fuzz_input.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const auto form = citforms::forms::FormDef::parse(citforms_fuzz::text(data, size), "fuzz.form");
    if (form) {
        for (int n : form->numbers()) (void)form->toNewest(n);
        (void)form->fieldOfVariable("V12O");
    }
    return 0;
}
