// Stored field values (DEKLARACJE_POZ.WARTOSC_POLA) as the load reads them.
#include "citforms/values/field_value.h"
#include "fuzz_input.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace citforms::values;
    const std::string_view stored = citforms_fuzz::text(data, size);
    for (FieldClass cls : {FieldClass::Text, FieldClass::Amount, FieldClass::Day}) {
        FieldValue value(cls, 40);
        value.fromStored(stored);
        // What a load keeps, a save writes and the next load reads the same.
        FieldValue again(cls, 40);
        citforms_fuzz::require(again.fromStored(value.toStored()), "stored text reads back");
        citforms_fuzz::require(again.toStored() == value.toStored(), "stored round trip");
    }
    return 0;
}
