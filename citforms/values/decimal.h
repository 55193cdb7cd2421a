#pragma once
// Decimal: exact signed fixed-point numbers for money and tax arithmetic.
//
// A Decimal is a 128-bit integer of units with its own scale (0 to 18 decimal places), so
// sums, products with a rate and divisions by 100 are exact: 19 * 10000.50 / 100 is 1900.095,
// not a nearby binary fraction. Nothing here ever touches binary floating point.
// Rounding happens only where the caller names it:
//
//   Decimal tax = Decimal(19) * base / Decimal(100);   // exact
//   Decimal due = tax.rounded(0, Rounding::HalfAwayFromZero);   // whole zloty
//
// A field amount is a Decimal with two places and at most 15 digits (see Amount below).
//
// Exceptions (each ends the operation; none is an expected outcome of valid form data):
//   std::overflow_error  arithmetic beyond the 128-bit range, an integer part beyond 64 bits,
//                        an Amount beyond 15 digits;
//   std::domain_error    division by zero;
//   RoundingNeeded       (a std::domain_error) a conversion under Rounding::Never whose
//                        value has more places than the target keeps.
#include <cstdint>
#include <compare>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>

namespace citforms::values {

__extension__ using int128 = __int128;

enum class Rounding {
    HalfAwayFromZero,  // 0.5 -> 1, -0.5 -> -1 (whole-zloty rounding of the tax forms)
    Truncate,          // towards zero
    Never,             // the value must fit as it is; RoundingNeeded otherwise
};

// Thrown where Rounding::Never meets a value that would have to be rounded.
class RoundingNeeded : public std::domain_error {
public:
    using std::domain_error::domain_error;
};

class Decimal {
public:
    static constexpr int kMaxScale = 18;

    constexpr Decimal() = default;
    constexpr Decimal(std::int64_t whole) : units_(whole), scale_(0) {}  // NOLINT: implicit
    static Decimal fromUnits(int128 units, int scale);

    // Parses plain decimal text: optional sign, digits, optional "." or "," and decimals.
    // Leading and trailing blanks are ignored. nullopt for anything else (empty included).
    static std::optional<Decimal> parse(std::string_view text);

    int128 units() const { return units_; }
    int scale() const { return scale_; }

    Decimal operator-() const;
    Decimal operator+(const Decimal& o) const;
    Decimal operator-(const Decimal& o) const;
    Decimal operator*(const Decimal& o) const;
    // Exact when the quotient terminates within kMaxScale places (division by 100 always
    // does); otherwise truncated at kMaxScale places. Division by zero throws.
    Decimal operator/(const Decimal& o) const;
    Decimal& operator+=(const Decimal& o) { return *this = *this + o; }
    Decimal& operator-=(const Decimal& o) { return *this = *this - o; }

    std::strong_ordering operator<=>(const Decimal& o) const;
    bool operator==(const Decimal& o) const;

    bool isZero() const { return units_ == 0; }
    bool isNegative() const { return units_ < 0; }

    // The value at `places` decimals, rounded by `mode` (Never: RoundingNeeded when digits
    // other than zeros would be dropped).
    Decimal rounded(int places, Rounding mode) const;
    // Integer part (truncated towards zero).
    std::int64_t integerPart() const;

    // Plain text: minus sign when negative, no grouping, "." before the decimals, exactly
    // `places` decimals (the value is rounded half away from zero to fit).
    std::string toPlainText(int places = 2) const;
    // Plain text with as many decimals as the value has after dropping trailing zeros.
    std::string toString() const;

private:
    int128 units_ = 0;
    int scale_ = 0;
};

// max0(x): 0 when x is below 0, else x.
Decimal max0(const Decimal& x);
// round0(x): whole zloty, halves away from zero.
Decimal round0(const Decimal& x);

// An amount of a form field: two decimals, at most 15 digits (13 before the point).
// Storing a Decimal into an Amount rounds to the grosz by the mode its caller names.
class Amount {
public:
    static constexpr std::int64_t kMaxGrosze = 999'999'999'999'999;  // 15 digits

    constexpr Amount() = default;
    static Amount fromGrosze(std::int64_t grosze);
    // Rounds to grosze by `mode` (RoundingNeeded under Never when d has more than two
    // places that are not zeros); throws std::overflow_error beyond 15 digits.
    static Amount fromDecimal(const Decimal& d, Rounding mode);

    std::int64_t grosze() const { return grosze_; }
    Decimal toDecimal() const { return Decimal::fromUnits(grosze_, 2); }
    std::string toPlainText() const { return toDecimal().toPlainText(2); }
    auto operator<=>(const Amount&) const = default;

private:
    std::int64_t grosze_ = 0;
};

}  // namespace citforms::values
