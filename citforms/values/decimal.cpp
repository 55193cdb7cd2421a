#include "citforms/values/decimal.h"

#include <algorithm>
#include <array>
#include <cassert>
#include <stdexcept>

namespace citforms::values {

namespace {

__extension__ using uint128 = unsigned __int128;

constexpr std::array<int128, 39> makePowers() {
    std::array<int128, 39> p{};
    p[0] = 1;
    for (std::size_t i = 1; i < p.size(); ++i) p[i] = p[i - 1] * 10;
    return p;
}
constexpr std::array<int128, 39> kPow10 = makePowers();

[[noreturn]] void overflow(const char* what) {
    throw std::overflow_error(std::string("decimal overflow: ") + what);
}

uint128 magnitude(int128 v) {
    return v < 0 ? uint128(0) - static_cast<uint128>(v) : static_cast<uint128>(v);
}

int128 mulChecked(int128 a, int128 b, const char* what) {
    int128 r = 0;
    if (__builtin_mul_overflow(a, b, &r)) overflow(what);
    return r;
}

int128 addChecked(int128 a, int128 b, const char* what) {
    int128 r = 0;
    if (__builtin_add_overflow(a, b, &r)) overflow(what);
    return r;
}

// Units of `d` expressed at the larger scale `to`.
int128 unitsAt(const Decimal& d, int to) {
    return mulChecked(d.units(), kPow10[static_cast<std::size_t>(to - d.scale())], "rescale");
}

// Drops trailing zero decimals while the scale stays above `floor`.
void stripZeros(int128& units, int& scale, int floor) {
    while (scale > floor && units % 10 == 0) {
        units /= 10;
        --scale;
    }
}

// |units| divided by 10^drop, rounded by mode, sign kept.
int128 shrink(int128 units, int drop, Rounding mode) {
    if (drop <= 0) return units;
    if (drop > 38) return 0;
    const int128 p = kPow10[static_cast<std::size_t>(drop)];
    int128 q = units / p;
    const int128 r = units % p;
    if (mode == Rounding::Never && r != 0) {
        throw RoundingNeeded("decimal value needs rounding to " + std::to_string(-drop) +
                             " places");
    }
    if (mode == Rounding::HalfAwayFromZero) {
        // Compare |r| with p/2 without overflow: p is even for drop >= 1.
        const int128 absR = r < 0 ? -r : r;
        if (absR >= p / 2) q += units < 0 ? -1 : 1;
    }
    return q;
}

// Writes the decimal digits of `v` backwards ending at `end`; returns the first digit.
char* writeDigits(uint128 v, char* end) {
    do {
        *--end = static_cast<char>('0' + static_cast<int>(v % 10));
        v /= 10;
    } while (v != 0);
    return end;
}

bool isBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

}  // namespace

Decimal Decimal::fromUnits(int128 units, int scale) {
    if (scale < 0 || scale > kMaxScale) throw std::out_of_range("decimal scale out of range");
    Decimal d;
    d.units_ = units;
    d.scale_ = scale;
    return d;
}

std::optional<Decimal> Decimal::parse(std::string_view text) {
    std::size_t b = 0;
    std::size_t e = text.size();
    while (b < e && isBlank(text[b])) ++b;
    while (e > b && isBlank(text[e - 1])) --e;
    if (b == e) return std::nullopt;

    bool negative = false;
    if (text[b] == '-' || text[b] == '+') {
        negative = text[b] == '-';
        ++b;
    }
    int128 units = 0;
    int scale = 0;
    bool seenPoint = false;
    bool anyDigit = false;
    for (std::size_t i = b; i < e; ++i) {
        const char c = text[i];
        if (c >= '0' && c <= '9') {
            anyDigit = true;
            const int digit = c - '0';
            if (seenPoint && scale == kMaxScale) {
                // Further decimals are acceptable only as trailing zeros.
                if (digit != 0) return std::nullopt;
                continue;
            }
            if (__builtin_mul_overflow(units, 10, &units) ||
                __builtin_add_overflow(units, digit, &units)) {
                return std::nullopt;
            }
            if (seenPoint) ++scale;
        } else if ((c == '.' || c == ',') && !seenPoint) {
            seenPoint = true;
        } else {
            return std::nullopt;
        }
    }
    if (!anyDigit) return std::nullopt;
    return fromUnits(negative ? -units : units, scale);
}

Decimal Decimal::operator-() const {
    int128 r = 0;
    if (__builtin_sub_overflow(int128(0), units_, &r)) overflow("negate");
    return fromUnits(r, scale_);
}

Decimal Decimal::operator+(const Decimal& o) const {
    const int s = scale_ > o.scale_ ? scale_ : o.scale_;
    return fromUnits(addChecked(unitsAt(*this, s), unitsAt(o, s), "add"), s);
}

Decimal Decimal::operator-(const Decimal& o) const {
    const int s = scale_ > o.scale_ ? scale_ : o.scale_;
    int128 r = 0;
    if (__builtin_sub_overflow(unitsAt(*this, s), unitsAt(o, s), &r)) overflow("subtract");
    return fromUnits(r, s);
}

Decimal Decimal::operator*(const Decimal& o) const {
    int128 a = units_;
    int sa = scale_;
    int128 b = o.units_;
    int sb = o.scale_;
    int128 r = 0;
    if (__builtin_mul_overflow(a, b, &r)) {
        // Trailing zero decimals carry no value; without them the product may fit.
        stripZeros(a, sa, 0);
        stripZeros(b, sb, 0);
        if (__builtin_mul_overflow(a, b, &r)) overflow("multiply");
    }
    int s = sa + sb;
    if (s > kMaxScale) {
        stripZeros(r, s, kMaxScale);
        r = shrink(r, s - kMaxScale, Rounding::Truncate);
        s = std::min(s, kMaxScale);
    }
    return fromUnits(r, s);
}

Decimal Decimal::operator/(const Decimal& o) const {
    if (o.units_ == 0) throw std::domain_error("decimal division by zero");
    const uint128 num = magnitude(units_);
    const uint128 den = magnitude(o.units_);
    const bool negative = (units_ < 0) != (o.units_ < 0);

    // The quotient of the units is shifted by (scale_ - o.scale_) places; long division
    // supplies as many decimals as terminate, up to what keeps the result within kMaxScale.
    const int shift = scale_ - o.scale_;
    const int maxDigits = kMaxScale - shift;
    uint128 q = num / den;
    uint128 r = num % den;
    const uint128 qLimit = static_cast<uint128>(~uint128(0) >> 1);  // int128 max
    int digits = 0;
    // r * 10 fits when den is below 2^128 / 10; larger divisors take the slower path.
    const bool fastStep = den <= (~uint128(0)) / 10;
    while (r != 0 && digits < maxDigits) {
        unsigned digit = 0;
        if (fastStep) {
            r *= 10;
            digit = static_cast<unsigned>(r / den);
            r %= den;
        } else {
            // 10r computed as ten additions of r modulo den; r and the running sum stay
            // below den <= 2^127, so no sum leaves 128 bits.
            uint128 acc = 0;
            for (int i = 0; i < 10; ++i) {
                acc += r;
                if (acc >= den) {
                    acc -= den;
                    ++digit;
                }
            }
            r = acc;
        }
        if (q > (qLimit - digit) / 10) overflow("divide");
        q = q * 10 + digit;
        ++digits;
    }
    int scale = shift + digits;
    if (scale < 0) {
        const uint128 p = static_cast<uint128>(kPow10[static_cast<std::size_t>(-scale)]);
        if (q != 0 && q > qLimit / p) overflow("divide");
        q *= p;
        scale = 0;
    }
    if (q > qLimit) overflow("divide");
    const int128 u = static_cast<int128>(q);
    return fromUnits(negative ? -u : u, scale);
}

std::strong_ordering Decimal::operator<=>(const Decimal& o) const {
    if (scale_ == o.scale_) return units_ <=> o.units_;
    const bool lowIsThis = scale_ < o.scale_;
    const Decimal& low = lowIsThis ? *this : o;
    const Decimal& high = lowIsThis ? o : *this;
    int128 lifted = 0;
    std::strong_ordering lowVsHigh = std::strong_ordering::equal;
    if (__builtin_mul_overflow(
            low.units_, kPow10[static_cast<std::size_t>(high.scale_ - low.scale_)], &lifted)) {
        // A lifted value beyond 128 bits is beyond anything `high` can hold.
        lowVsHigh = low.units_ < 0 ? std::strong_ordering::less : std::strong_ordering::greater;
    } else {
        lowVsHigh = lifted <=> high.units_;
    }
    if (lowIsThis) return lowVsHigh;
    return 0 <=> lowVsHigh;
}

bool Decimal::operator==(const Decimal& o) const {
    return (*this <=> o) == 0;
}

Decimal Decimal::rounded(int places, Rounding mode) const {
    assert(places >= 0 && places <= kMaxScale);
    if (places < 0) places = 0;
    if (places > kMaxScale) places = kMaxScale;
    if (places >= scale_) return fromUnits(unitsAt(*this, places), places);
    return fromUnits(shrink(units_, scale_ - places, mode), places);
}

std::int64_t Decimal::integerPart() const {
    const int128 whole = units_ / kPow10[static_cast<std::size_t>(scale_)];
    if (whole > INT64_MAX || whole < INT64_MIN) overflow("integer part");
    return static_cast<std::int64_t>(whole);
}

std::string Decimal::toPlainText(int places) const {
    const Decimal r = rounded(places, Rounding::HalfAwayFromZero);
    // 39 digits, a sign and a point at most.
    char buf[48];
    char* const end = buf + sizeof buf;
    char* p = end;
    uint128 mag = magnitude(r.units_);
    for (int i = 0; i < r.scale_; ++i) {
        *--p = static_cast<char>('0' + static_cast<int>(mag % 10));
        mag /= 10;
    }
    if (r.scale_ > 0) *--p = '.';
    p = writeDigits(mag, p);
    if (r.units_ < 0) *--p = '-';
    return std::string(p, end);
}

std::string Decimal::toString() const {
    int128 u = units_;
    int s = scale_;
    stripZeros(u, s, 0);
    return fromUnits(u, s).toPlainText(s);
}

Decimal max0(const Decimal& x) {
    return x.isNegative() ? Decimal(0) : x;
}

Decimal round0(const Decimal& x) {
    return x.rounded(0, Rounding::HalfAwayFromZero);
}

Amount Amount::fromGrosze(std::int64_t grosze) {
    if (grosze > kMaxGrosze || grosze < -kMaxGrosze) overflow("amount beyond 15 digits");
    Amount a;
    a.grosze_ = grosze;
    return a;
}

Amount Amount::fromDecimal(const Decimal& d, Rounding mode) {
    const int128 g = d.rounded(2, mode).units();
    if (g > kMaxGrosze || g < -kMaxGrosze) overflow("amount beyond 15 digits");
    return fromGrosze(static_cast<std::int64_t>(g));
}

}  // namespace citforms::values
