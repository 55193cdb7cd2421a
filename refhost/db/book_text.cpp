#include "refhost/db/book_text.h"

#include <cctype>
#include <vector>

#include "citforms/values/text.h"
#include "refhost/db/amounts.h"
#include "refhost/db/days.h"

namespace refhost::db {

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

}  // namespace

Result<BookTextRecord> parseBookTextLine(std::string_view line, bool first) {
    using R = Result<BookTextRecord>;
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    if (first && line.substr(0, 3) == kByteOrderMark) line.remove_prefix(3);
    if (line.empty() || line.front() == '#') return BookTextRecord{};
    auto fields = splitRecord(line);
    if (!fields) return R::failure(fields.error());
    const auto& f = *fields;
    const std::string kind = upperAscii(f[0]);
    if (kind == "KONTO") {
        if (f.size() < 3) return R::failure("rekord KONTO wymaga numeru i nazwy konta");
        if (f[1].empty()) return R::failure("pusty numer konta");
        return BookTextRecord{BookTextAccount{f[1], f[2]}};
    }
    if (kind == "DEKRET") {
        if (f.size() < 5) return R::failure("rekord DEKRET wymaga daty, konta, kwoty Wn i kwoty Ma");
        Posting p;
        auto d = parseIsoDay(f[1]);
        if (!d) return R::failure("niepoprawna data „" + f[1] + "” (oczekiwano rrrr-mm-dd)");
        p.day = *d;
        p.account = f[2];
        auto debit = f[3].empty() ? std::optional<std::int64_t>(0) : parseGrosze(f[3]);
        auto credit = f[4].empty() ? std::optional<std::int64_t>(0) : parseGrosze(f[4]);
        if (!debit) return R::failure("niepoprawna kwota Wn „" + f[3] + "”");
        if (!credit) return R::failure("niepoprawna kwota Ma „" + f[4] + "”");
        p.debit = *debit;
        p.credit = *credit;
        if (f.size() > 5) p.document = f[5];
        if (f.size() > 6) p.description = f[6];
        return BookTextRecord{std::move(p)};
    }
    return R::failure("nieznany rodzaj rekordu „" + f[0] + "”");
}

bool looksLikeBookText(std::string_view head) {
    if (head.substr(0, 3) == kByteOrderMark) head.remove_prefix(3);
    const std::string_view text = trim(head);
    return text.empty() || text.front() != '<';
}

}  // namespace refhost::db
