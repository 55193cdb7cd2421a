// What a user types into an amount field.
#include <variant>

#include "citforms/values/amount_entry.h"
#include "fuzz_input.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const auto parsed = citforms::values::parseAmountEntry(citforms_fuzz::text(data, size));
    if (const auto* amount = std::get_if<citforms::values::Amount>(&parsed)) {
        // An accepted entry reads back the same from the text the field stores.
        const auto again = citforms::values::parseAmountEntry(amount->toPlainText());
        const auto* same = std::get_if<citforms::values::Amount>(&again);
        citforms_fuzz::require(same != nullptr && *same == *amount, "amount round trip");
    }
    return 0;
}
