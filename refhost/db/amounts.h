#pragma once
// Exact amounts of the books as whole grosze, and their plain text form ("-1234.56").
// Text is what the declarations store; grosze are what the books add up.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace refhost::db {

// Reads "1234.56", "-12,5", "100", " 7 " (blanks around are ignored). Decimals beyond the
// second are accepted only when they are zeros: an amount is never rounded silently.
// nullopt for anything else, empty text included, and for values beyond 10^16 zloty.
std::optional<std::int64_t> parseGrosze(std::string_view text);

// Plain text with a full stop and exactly two decimals, minus sign in front when negative.
std::string formatGrosze(std::int64_t grosze);

// As a person reads it, the way the forms show amounts: "-1 234,50", "0,00".
std::string showGrosze(std::int64_t grosze);

}  // namespace refhost::db
