#include "refhost/db/book_text.h"

#include <cctype>
#include <cstdio>
#include <cstring>
#include <vector>

#include "citforms/values/book_values.h"
#include "citforms/values/text.h"

namespace refhost::db {

using citforms::values::exactGrosze;
using citforms::values::fromDate;
using citforms::values::parseIsoDate;

using citforms::values::trim;
using citforms::values::upperAscii;

namespace {

// One line split at ';', honouring double quotes.
Result<std::vector<std::string>> splitRecord(std::string_view line) {
    std::vector<std::string> fields;
    std::string field;
    bool quoted = false;
    bool wasQuoted = false;
    for (std::size_t i = 0; i < line.size(); ++i) {
        const char c = line[i];
        if (quoted) {
            if (c == '"' && i + 1 < line.size() && line[i + 1] == '"') {
                field.push_back('"');
                ++i;
            } else if (c == '"') {
                quoted = false;
            } else {
                field.push_back(c);
            }
        } else if (c == '"' && field.empty() && !wasQuoted) {
            quoted = wasQuoted = true;
        } else if (c == ';') {
            fields.push_back(std::move(field));
            field.clear();
            wasQuoted = false;
        } else {
            field.push_back(c);
        }
    }
    if (quoted) return Result<std::vector<std::string>>::failure("niezamknięty cudzysłów");
    fields.push_back(std::move(field));
    return fields;
}

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

// Postings of the books are dated within these years; a date outside them is a mistake
// (a year typed as 0017, 9999 meant as "no date").
constexpr int kFirstYear = 1900;
constexpr int kLastYear = 2099;

std::string hexByte(unsigned char c) {
    char buffer[8];
    std::snprintf(buffer, sizeof buffer, "0x%02X", static_cast<unsigned>(c));
    return buffer;
}

// Refuses what the database cannot keep as text, or would keep altered.
std::optional<std::string> badBytes(std::string_view line) {
    if (const void* nul = std::memchr(line.data(), '\0', line.size()); nul != nullptr) {
        const auto at = static_cast<const char*>(nul) - line.data();
        return "bajt zerowy (NUL) na pozycji " + std::to_string(at + 1) +
               " wiersza; plik tekstowy nie może go zawierać";
    }
    if (const auto at = firstInvalidUtf8(line)) {
        return "bajt " + hexByte(static_cast<unsigned char>(line[*at])) + " na pozycji " +
               std::to_string(*at + 1) +
               " wiersza nie należy do poprawnego znaku UTF-8; plik musi być zapisany w UTF-8 "
               "(nie np. w Windows-1250)";
    }
    return std::nullopt;
}

// "2 pola", "5 pól", "22 pola".
std::string fieldsText(std::size_t n) {
    const bool few = n % 10 >= 2 && n % 10 <= 4 && (n % 100 < 12 || n % 100 > 14);
    return std::to_string(n) + (few ? " pola" : " pól");
}

Result<std::size_t> fieldCount(const std::vector<std::string>& f, const char* kind,
                               std::size_t most) {
    if (f.size() <= most) return f.size();
    return Result<std::size_t>::failure(
        std::string("rekord ") + kind + " ma " + fieldsText(f.size()) +
        ", a może mieć najwyżej " + std::to_string(most) +
        " (średnik wewnątrz pola trzeba ująć w cudzysłów)");
}

// The bytes of a text's start as one character each, for a text in UTF-16 or UTF-32 (the
// low byte of each unit, '?' for a unit beyond ASCII); the text as it is otherwise. `name`
// gets the encoding found ("UTF-16"), empty for none.
std::string narrowHead(std::string_view head, std::string& name) {
    auto u = [&](std::size_t i) { return static_cast<unsigned char>(head[i]); };
    std::size_t unit = 1;
    bool little = true;
    std::size_t skip = 0;
    if (head.size() >= 4 && u(0) == 0xFF && u(1) == 0xFE && u(2) == 0 && u(3) == 0) {
        unit = 4, skip = 4;
    } else if (head.size() >= 4 && u(0) == 0 && u(1) == 0 && u(2) == 0xFE && u(3) == 0xFF) {
        unit = 4, little = false, skip = 4;
    } else if (head.size() >= 2 && u(0) == 0xFF && u(1) == 0xFE) {
        unit = 2, skip = 2;
    } else if (head.size() >= 2 && u(0) == 0xFE && u(1) == 0xFF) {
        unit = 2, little = false, skip = 2;
    } else if (head.size() >= 4 && u(0) != 0 && u(1) == 0 && u(2) != 0 && u(3) == 0) {
        unit = 2;  // ASCII in UTF-16 without a byte order mark
    } else if (head.size() >= 4 && u(0) == 0 && u(1) != 0 && u(2) == 0 && u(3) != 0) {
        unit = 2, little = false;
    }
    if (unit == 1) {
        name.clear();
        return std::string(head);
    }
    name = unit == 2 ? "UTF-16" : "UTF-32";
    std::string out;
    for (std::size_t i = skip; i + unit <= head.size(); i += unit) {
        const std::size_t low = little ? i : i + unit - 1;
        bool ascii = u(low) < 0x80;
        for (std::size_t k = i; k < i + unit; ++k) ascii = ascii && (k == low || u(k) == 0);
        out.push_back(ascii ? static_cast<char>(u(low)) : '?');
    }
    return out;
}

}  // namespace

std::optional<std::size_t> firstInvalidUtf8(std::string_view text) {
    const auto* s = reinterpret_cast<const unsigned char*>(text.data());
    const std::size_t n = text.size();
    std::size_t i = 0;
    while (i < n) {
        const unsigned char c = s[i];
        if (c < 0x80) {
            ++i;
            continue;
        }
        std::size_t length = 0;
        unsigned char low = 0x80;  // the range of the second byte (no overlong forms,
        unsigned char high = 0xBF;  // no surrogates, nothing past U+10FFFF)
        if (c >= 0xC2 && c <= 0xDF) {
            length = 2;
        } else if (c >= 0xE0 && c <= 0xEF) {
            length = 3;
            if (c == 0xE0) low = 0xA0;
            if (c == 0xED) high = 0x9F;
        } else if (c >= 0xF0 && c <= 0xF4) {
            length = 4;
            if (c == 0xF0) low = 0x90;
            if (c == 0xF4) high = 0x8F;
        } else {
            return i;
        }
        if (i + 1 >= n || s[i + 1] < low || s[i + 1] > high) return i;
        for (std::size_t k = 2; k < length; ++k) {
            if (i + k >= n || (s[i + k] & 0xC0) != 0x80) return i;
        }
        i += length;
    }
    return std::nullopt;
}

std::string shownValue(std::string_view text, std::size_t limit) {
    std::size_t characters = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if ((static_cast<unsigned char>(text[i]) & 0xC0) == 0x80) continue;  // continuation
        if (characters++ == limit) return std::string(text.substr(0, i)) + "…";
    }
    return std::string(text);
}

Result<BookTextRecord> parseBookTextLine(std::string_view line, bool first) {
    using R = Result<BookTextRecord>;
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    if (first && line.substr(0, 3) == kByteOrderMark) line.remove_prefix(3);
    if (auto problem = badBytes(line)) return R::failure(*problem);
    if (trim(line, " \t").empty() || line.front() == '#') return BookTextRecord{};
    auto fields = splitRecord(line);
    if (!fields) return R::failure(fields.error());
    const auto& f = *fields;
    const std::string kind = upperAscii(f[0]);
    if (kind == "KONTO") {
        if (f.size() < 3) return R::failure("rekord KONTO wymaga numeru i nazwy konta");
        if (auto n = fieldCount(f, "KONTO", 3); !n) return R::failure(n.error());
        if (f[1].empty()) return R::failure("pusty numer konta");
        return BookTextRecord{BookTextAccount{f[1], f[2]}};
    }
    if (kind == "DEKRET") {
        if (f.size() < 5) return R::failure("rekord DEKRET wymaga daty, konta, kwoty Wn i kwoty Ma");
        if (auto n = fieldCount(f, "DEKRET", 7); !n) return R::failure(n.error());
        Posting p;
        auto d = parseIsoDate(f[1]);
        if (!d) {
            return R::failure("niepoprawna data „" + shownValue(f[1]) +
                              "” (oczekiwano rrrr-mm-dd)");
        }
        if (*d < fromDate(kFirstYear, 1, 1) || *d > fromDate(kLastYear, 12, 31)) {
            return R::failure("data „" + f[1] + "” spoza lat " + std::to_string(kFirstYear) +
                              "–" + std::to_string(kLastYear));
        }
        p.day = *d;
        p.account = f[2];
        auto debit = f[3].empty() ? std::optional<std::int64_t>(0) : exactGrosze(f[3]);
        auto credit = f[4].empty() ? std::optional<std::int64_t>(0) : exactGrosze(f[4]);
        if (!debit) return R::failure("niepoprawna kwota Wn „" + shownValue(f[3]) + "”");
        if (!credit) return R::failure("niepoprawna kwota Ma „" + shownValue(f[4]) + "”");
        p.debit = *debit;
        p.credit = *credit;
        if (f.size() > 5) p.document = f[5];
        if (f.size() > 6) p.description = f[6];
        return BookTextRecord{std::move(p)};
    }
    return R::failure("nieznany rodzaj rekordu „" + shownValue(f[0]) + "”");
}

Status BookTextLines::feed(std::string_view piece) {
    while (!piece.empty()) {
        if (afterCr_) {
            afterCr_ = false;
            if (piece.front() == '\n') {  // the LF of a CR LF
                piece.remove_prefix(1);
                continue;
            }
        }
        const std::size_t stop = piece.find_first_of("\r\n");
        if (stop == std::string_view::npos) return take(piece);
        afterCr_ = piece[stop] == '\r';
        if (auto st = end(piece.substr(0, stop)); !st) return st;
        piece.remove_prefix(stop + 1);
    }
    return {};
}

Status BookTextLines::finish() {
    if (pending_.empty()) return {};
    ++number_;
    Status st = line_(pending_, number_);
    pending_.clear();
    return st;
}

Status BookTextLines::take(std::string_view part) {
    if (pending_.size() + part.size() > maxLine_) {
        ++number_;
        return Status::failure("wiersz jest dłuższy niż " + std::to_string(maxLine_) + " bajtów");
    }
    pending_.append(part);
    return {};
}

Status BookTextLines::end(std::string_view rest) {
    if (auto st = take(rest); !st) return st;
    ++number_;
    Status st = line_(pending_, number_);
    pending_.clear();
    return st;
}

bool looksLikeBookText(std::string_view head) {
    std::string encoding;
    std::string narrow = narrowHead(head, encoding);
    std::string_view text = narrow;
    if (text.substr(0, 3) == kByteOrderMark) text.remove_prefix(3);
    text = trim(text);
    return text.empty() || text.front() != '<';
}

std::string bookTextEncodingProblem(std::string_view head) {
    std::string encoding;
    (void)narrowHead(head, encoding);
    if (encoding.empty()) return {};
    return "plik jest zapisany w " + encoding + ", a format tekstowy musi być w UTF-8";
}

}  // namespace refhost::db
