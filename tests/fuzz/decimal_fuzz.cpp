// Decimal text as stored and computed.
#include "citforms/values/decimal.h"
#include "fuzz_input.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using citforms::values::Decimal;
    const auto d = Decimal::parse(citforms_fuzz::text(data, size));
    if (d) {
        const auto again = Decimal::parse(d->toString());
        citforms_fuzz::require(again && *again == *d, "decimal round trip");
    }
    return 0;
}
