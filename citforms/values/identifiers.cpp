#include "citforms/values/identifiers.h"

#include <array>
#include <cstddef>

namespace citforms::values {

namespace {

template <std::size_t N>
int weightedSum(std::string_view digits, const std::array<int, N>& weights) {
    int sum = 0;
    for (std::size_t i = 0; i < N && i < digits.size(); ++i) sum += weights[i] * (digits[i] - '0');
    return sum;
}

}  // namespace

std::optional<int> nipCheckDigit(std::string_view nineDigits) {
    static constexpr std::array<int, 9> kWeights = {6, 5, 7, 2, 3, 4, 5, 6, 7};
    const int check = weightedSum(nineDigits, kWeights) % 11;
    if (check == 10) return std::nullopt;
    return check;
}

int regonCheckDigit(std::string_view digits) {
    static constexpr std::array<int, 8> kWeights9 = {8, 9, 2, 3, 4, 5, 6, 7};
    static constexpr std::array<int, 13> kWeights14 = {2, 4, 8, 5, 0, 9, 7, 3, 6, 1, 2, 4, 8};
    const int sum = digits.size() >= 13 ? weightedSum(digits, kWeights14)
                                        : weightedSum(digits, kWeights9);
    return sum % 11 % 10;
}

bool nipValid(std::string_view d) {
    if (d.size() != 10) return false;
    const std::optional<int> check = nipCheckDigit(d.substr(0, 9));
    return check && *check == d[9] - '0';
}

bool regonValid(std::string_view d) {
    if (d.size() != 9 && d.size() != 14) return false;
    const bool nine = regonCheckDigit(d.substr(0, 8)) == d[8] - '0';
    if (d.size() == 9) return nine;
    return nine && regonCheckDigit(d.substr(0, 13)) == d[13] - '0';
}

}  // namespace citforms::values
