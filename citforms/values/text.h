#pragma once
// Small text helpers shared by the module, the runtime and the reference host: upper case,
// trimming, joining, SQL string literals and whole numbers read from text.
#include <charconv>
#include <concepts>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace citforms::values {

// ASCII letters in upper case; every other byte (UTF-8 included) as it is. For names and
// keywords: table and column names, account codes, record kinds.
std::string upperAscii(std::string_view text);

// ASCII letters and the Polish letters of UTF-8 text (ą ć ę ł ń ó ś ź ż) in upper case;
// every other character as it is.
std::string upper(std::string_view text);

// The text without the given characters at either end.
inline constexpr std::string_view kBlanks = " \t\r\n";
std::string_view trim(std::string_view text, std::string_view blanks = kBlanks);

std::string join(const std::vector<std::string>& parts, std::string_view separator);

// The text as it stands between the apostrophes of an SQL string literal: an apostrophe
// doubled, a NUL byte (which no engine keeps inside a text) dropped.
std::string sqlEscaped(std::string_view text);
// The SQL string literal of a text: O'Brien -> 'O''Brien'.
std::string sqlQuoted(std::string_view text);

// A whole number written as an optional minus and decimal digits and nothing else, within
// the range of T; nullopt for anything else (blanks, a plus sign, a fraction, overflow).
template <std::integral T>
std::optional<T> parseInteger(std::string_view text) {
    T value{};
    const char* last = text.data() + text.size();
    const auto [end, ec] = std::from_chars(text.data(), last, value);
    if (text.empty() || ec != std::errc() || end != last) return std::nullopt;
    return value;
}

}  // namespace citforms::values
