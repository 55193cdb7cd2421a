#include "refhost/db/demo.h"

#include <array>
#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "citforms/values/book_values.h"
#include "citforms/values/identifiers.h"
#include "citforms/values/text.h"
#include "refhost/db/books.h"
#include "refhost/sql/dialect.h"

// The demo data's statements, generated at build time (cmake/EmbedFiles.cmake).
#include "embedded_refhost__db__demo_files.h"

using citforms::values::exactGrosze;
using citforms::values::fromDate;
using citforms::values::groszeText;
using citforms::values::toDate;
using citforms::values::today;

namespace refhost::db {

namespace {

using citforms::values::Result;
using citforms::values::Status;
using sql::HostDatabase;
using Params = std::vector<std::optional<std::string>>;

std::string str(long long v) { return std::to_string(v); }

// `text` with its first `what` replaced by `with`; unchanged without one.
std::string replaced(std::string text, const std::string& what, const std::string& with) {
    if (const auto at = text.find(what); at != std::string::npos) {
        text.replace(at, what.size(), with);
    }
    return text;
}

// The demo's identification numbers pass the official checksums: a NIP whose nine digits
// allow no check digit takes the next last digit.
std::string nip(std::string nine) {
    for (int attempt = 0; attempt < 10; ++attempt) {
        if (const auto check = citforms::values::nipCheckDigit(nine))
            return nine + static_cast<char>('0' + *check);
        nine.back() = static_cast<char>('0' + (nine.back() - '0' + 1) % 10);
    }
    return nine + "0";
}
std::string regon(const std::string& digits) {
    return digits + static_cast<char>('0' + citforms::values::regonCheckDigit(digits));
}

// Deterministic pseudo-random amounts, so every demo database holds the same books.
class Amounts {
public:
    explicit Amounts(std::uint32_t seed) : state_(seed) {}
    // An amount in grosze between low and high zloty.
    std::int64_t between(std::int64_t low, std::int64_t high) {
        state_ = state_ * 1103515245u + 12345u;
        const std::uint64_t r = (state_ >> 8) % static_cast<std::uint32_t>((high - low) * 100);
        return low * 100 + static_cast<std::int64_t>(r);
    }

private:
    std::uint32_t state_;
};

class Demo {
public:
    explicit Demo(HostDatabase& db) : db_(db), books_(db) {}

    // The demo's book writer for a company of another data set (generated companies).
    Status books(int company, int year, unsigned firstMonth, int months, std::uint32_t seed,
                 bool taxRecords) {
        return postYear(company, year, firstMonth, months, seed, taxRecords);
    }

    // The data files first (users, offices, companies, branches, charts of accounts,
    // statement definitions), then the books and the declarations computed from them.
    Status load() {
        for (std::size_t i = 0; i < demo_files::kEmbeddedFileCount; ++i) {
            const demo_files::EmbeddedFile& f = demo_files::kEmbeddedFiles[i];
            const std::string_view text(reinterpret_cast<const char*>(f.data), f.size);
            if (auto st = runScript(f.name, text); !st) return st;
        }
        // Company 1 keeps books for the calendar years 2015 and 2016; company 2 for its
        // fiscal year from April 2015 to March 2016.
        if (auto st = postYear(1, 2015, 1, 24, 1); !st) return st;
        if (auto st = postYear(2, 2015, 4, 12, 2); !st) return st;
        // Company 4 keeps books from 2001 to 2007, for the CIT-2 editions of those years.
        if (auto st = postYear(4, 2001, 1, 84, 4, false); !st) return st;
        return declarations();
    }

private:
    Status exec(const std::string& sql, const Params& params = {}) {
        auto r = db_.runNative(sql, params);
        return r ? Status() : Status::failure(r.error() + " [" + sql + "]");
    }

    // Runs the statements of a data file, split at the ";" between them by the dialect's
    // tokenizer (so a ";" inside a text stays where it is); the SQL is the same on every
    // engine.
    Status runScript(std::string_view name, std::string_view text) {
        auto tokens = sql::tokenize(text);
        if (!tokens) return Status::failure(std::string(name) + ": " + tokens.error());
        std::size_t start = 0;
        bool empty = true;
        int number = 0;
        auto flush = [&](std::size_t end) -> Status {
            const std::string_view statement = text.substr(start, end - start);
            if (empty) return {};
            ++number;
            auto r = db_.runNative(statement);
            if (r) return {};
            return Status::failure(std::string(name) + ", instrukcja " + std::to_string(number) +
                                   ": " + r.error());
        };
        for (const sql::Token& t : *tokens) {
            if (t.kind == sql::TokenKind::Punct && t.text == ";") {
                if (auto st = flush(t.offset); !st) return st;
                start = t.offset + 1;
                empty = true;
            } else if (t.kind != sql::TokenKind::Space && t.kind != sql::TokenKind::Comment) {
                empty = false;
            }
        }
        return flush(text.size());
    }

    // ---- books -------------------------------------------------------------------------

    static std::string oAccount(int n) {
        return std::string("990-") + (n < 10 ? "0" : "") + std::to_string(n);
    }

    // Every CIT-8/O (and CIT-2/O) position that some template takes from a statement.
    static std::vector<int> oPositions() {
        std::vector<int> out;
        for (int n = 7; n <= 91; ++n) out.push_back(n);
        return out;
    }

    // `taxRecords`: also the 990 accounts that keep the reliefs of the CIT-8/O and CIT-2/O.
    Status postYear(int company, int year, unsigned firstMonth, int months, std::uint32_t seed,
                    bool taxRecords = true) {
        Amounts rnd(seed * 7919u);
        std::vector<Posting> postings;
        auto pair = [&](int day, const std::string& debit, const std::string& credit,
                        std::int64_t amount, const std::string& doc, const std::string& text) {
            postings.push_back(Posting{debit, day, amount, 0, doc, text});
            postings.push_back(Posting{credit, day, 0, amount, doc, text});
        };
        const std::int64_t scale = company == 1 ? 1 : 3;
        for (int k = 0; k < months; ++k) {
            const int key = year * 12 + static_cast<int>(firstMonth) - 1 + k;
            const int y = key / 12;
            const unsigned m = static_cast<unsigned>(key % 12) + 1;
            const int last = lastDayOfMonthKey(key);
            const int d10 = fromDate(y, m, 10);
            const int d20 = fromDate(y, m, 20);
            const std::string mm = (m < 10 ? "0" : "") + std::to_string(m);
            const std::string suffix = "/" + mm + "/" + std::to_string(y);
            pair(d10, "201-01", "700-01", rnd.between(380000, 560000) * scale, "FV 1" + suffix,
                 "Sprzedaż mąki i otrąb");
            pair(d20, "201-01", "700-02", rnd.between(60000, 95000) * scale, "FV 2" + suffix,
                 "Usługi przemiału zboża");
            pair(last, "130-01", "750-01", rnd.between(1200, 2600), "WB " + mm,
                 "Odsetki od lokaty");
            pair(d20, "201-02", "702-01", rnd.between(12000, 18000) * scale, "FVE 1" + suffix,
                 "Sprzedaż otrąb do Niemiec");
            pair(d10, "401-1", "202-01", rnd.between(170000, 230000) * scale, "FZ 1" + suffix,
                 "Zakup pszenicy i żyta");
            pair(d20, "402-1", "202-01", rnd.between(45000, 70000) * scale, "FZ 2" + suffix,
                 "Transport i usługi magazynowe");
            pair(last, "404-1", "130-01", rnd.between(110000, 135000) * scale, "LP " + mm,
                 "Wynagrodzenia pracowników");
            pair(last, "405-1", "130-01", rnd.between(21000, 26000) * scale, "ZUS " + mm,
                 "Składki pracodawcy");
            pair(d20, "402-3", "202-01", rnd.between(4000, 7500) * scale, "FZ 3" + suffix,
                 "Spedycja eksportowa");
            pair(last, "751-01", "130-01", rnd.between(900, 1800), "WB " + mm,
                 "Odsetki od kredytu obrotowego");
            pair(d10, "409-9", "130-01", rnd.between(300, 900), "KP " + mm,
                 "Reprezentacja – koszty niepodatkowe");
            pair(fromDate(y, m, 15), "222-01", "130-01", rnd.between(18000, 32000) * scale,
                 "PP " + mm, "Zaliczka na podatek dochodowy");
            if (k % 3 == 2) {
                pair(last, "130-01", "760-09", rnd.between(500, 1200), "NK " + mm,
                     "Zwrot kosztów szkolenia");
            }
            if (k % 6 == 2) {
                pair(d20, "130-01", "701-01", rnd.between(38000, 52000), "WB " + mm,
                     "Dywidenda od Kornspeicher GmbH");
                pair(d20, "402-2", "130-01", rnd.between(1500, 2500), "WB " + mm,
                     "Prowizja banku za przelew dywidendy");
            }
            if (k % 12 == 5) {
                pair(d10, "201-01", "703-01", rnd.between(240000, 260000), "AP 1" + suffix,
                     "Aport receptury mąki orkiszowej");
                pair(d10, "402-4", "202-01", rnd.between(110000, 125000), "FZ 4" + suffix,
                     "Wycena i rejestracja receptury");
            }
            if (k % 12 == 11) {
                postings.push_back(Posting{"909-40", last, rnd.between(9000, 14000), 0,
                                           "PK " + mm, "Odsetki od pożyczki z lat 2011-2015"});
                postings.push_back(Posting{"909-56", last, rnd.between(7000, 9000), 0,
                                           "PK " + mm, "Zwrot wydatków inwestycyjnych"});
                postings.push_back(Posting{"909-57", last, rnd.between(12000, 16000), 0,
                                           "PK " + mm, "Utrata zwolnienia w strefie"});
                postings.push_back(Posting{"909-58", last, rnd.between(4000, 6000), 0,
                                           "PK " + mm, "Zbycie nowej technologii"});
                postings.push_back(Posting{"909-145", last, 0, rnd.between(2500, 4500),
                                           "PK " + mm, "Podatek od przychodu z art. 39"});
            }
            for (int n : taxRecords ? oPositions() : std::vector<int>{}) {
                postings.push_back(Posting{oAccount(n), last, rnd.between(400, 5200), 0,
                                           "PK " + mm, "Ewidencja ulg i odliczeń"});
                if (k % 4 == 3) {
                    postings.push_back(Posting{oAccount(n), last, 0, rnd.between(20, 300),
                                               "PK " + mm, "Korekta ewidencji"});
                }
            }
        }
        return books_.postAll(company, postings);
    }

    static std::vector<int> range(int a, int b) {
        std::vector<int> out;
        for (int n = a; n <= b; ++n) out.push_back(n);
        return out;
    }
    static std::vector<int> cat(std::vector<int> a, const std::vector<int>& b) {
        a.insert(a.end(), b.begin(), b.end());
        return a;
    }

    // ---- stored declarations ---------------------------------------------------------

    Result<std::string> call(const std::string& hostSql) {
        auto r = db_.run(hostSql);
        if (!r) return Result<std::string>::failure(r.error() + " [" + hostSql + "]");
        if (r->rows.empty() || r->rows[0].empty() || !r->rows[0][0]) {
            return Result<std::string>::failure("Brak wyniku: " + hostSql);
        }
        return *r->rows[0][0];
    }

    Status writeRows(int id, int sheet, const std::map<int, std::string>& fields) {
        for (const auto& [n, value] : fields) {
            if (auto st = exec("insert into DEKLARACJE_POZ (ID_DEKLARACJE_NAG, NR_POLA, "
                               "WARTOSC_POLA, NR_ZALACZNIKA) values (?, ?, ?, ?)",
                               {str(id), str(n), value, str(sheet)});
                !st) {
                return st;
            }
        }
        return {};
    }

    struct Company {
        std::string nip, name, regon, office;
        std::array<std::string, 10> address;  // country, province ... post office
    };

    static std::string plain(std::int64_t grosze) { return groszeText(grosze); }
    static std::int64_t grosze(const std::string& text) { return exactGrosze(text).value_or(0); }
    static std::string whole(std::int64_t g) {  // whole zloty, halves away from zero
        const std::int64_t r = (g >= 0 ? g + 50 : g - 50) / 100;
        return plain(r * 100);
    }

    // The CIT-8/O's identification: NIP, tax year, name, REGON.
    static void attachmentHeader(std::map<int, std::string>& o, const Company& c, int start,
                                 int end) {
        o[1] = c.nip;
        o[4] = str(start);
        o[5] = str(end);
        o[6] = c.name;
        o[7] = c.regon;
    }

    // CIT-D copies 1..copies of declaration `id`, on sheets 101 and on.
    Status citD(int id, const Company& c, int start, int end, int copies) {
        const std::array<const char*, 3> donors = {
            "Fundacja Rozwoju Wsi „Kłos”", "Stowarzyszenie Młynarzy Wielkopolskich",
            "Parafia pw. św. Jadwigi Śląskiej"};
        for (int copy = 1; copy <= copies; ++copy) {
            std::map<int, std::string> d;
            for (int n = 1; n <= 123; ++n) d[n] = "";
            d[1] = c.nip;
            d[2] = str(copy);
            d[4] = str(start);
            d[5] = str(end);
            d[6] = str(copy) + "/" + str(copies);
            d[7] = c.office;
            d[8] = "2";
            d[9] = "1";
            d[10] = "2";
            d[11] = c.name;
            d[12] = c.regon;
            for (int k = 0; k < 10; ++k) d[13 + k] = c.address[static_cast<std::size_t>(k)];
            for (int n : {23, 24, 25, 26}) d[n] = "0.00";
            for (int n = 60; n <= 74; ++n) d[n] = (n == 61 || n == 73) ? "1" : "0";
            for (int k = 0; k < 3; ++k) {
                const int b = 75 + k * 15;
                d[b] = plain((copy * 3 + k + 1) * 150000);
                d[b + 1] = plain((copy * 3 + k + 1) * 150000);
                d[b + 2] = nip(str(778300100 + k * 11 + copy));
                d[b + 3] = "PL";
                d[b + 4] = donors[static_cast<std::size_t>(k)];
                // The donee's address: country, province, county, commune, street, house,
                // flat, town, postal code, post office.
                d[b + 5] = "Polska";
                d[b + 6] = "WIELKOPOLSKIE";
                d[b + 7] = "Poznań";
                d[b + 8] = "Poznań";
                d[b + 9] = "ul. Ogrodowa";
                d[b + 10] = str(10 + k);
                d[b + 11] = "";
                d[b + 12] = "Poznań";
                d[b + 13] = "61-82" + str(k);
                d[b + 14] = "Poznań";
            }
            d[120] = "Anna Nowak";
            d[121] = "Główna księgowa";
            d[122] = str(fromDate(2017, 3, 20));
            d[123] = "";
            if (auto st = writeRows(id, 100 + copy, d); !st) return st;
        }
        return {};
    }

    // One CIT-8 of template 73 (gen = 24) or 72 (gen = 23) with its attachments.
    Status cit8(int templateId, int company, const Company& c, int start, int end, int& id) {
        const int period = fromDate(static_cast<int>(toDate(end).year()),
                                     unsigned(toDate(end).month()), 2);
        auto created = call("CALL ZESTAWIENIE_DEKLARACJA_DODAJ (" + str(company) + ",0,7," +
                            str(templateId) + "," + str(period) + ",0)");
        if (!created) return Status::failure(created.error());
        const auto createdId = citforms::values::parseInteger<int>(*created);
        if (!createdId) return Status::failure("Niepoprawny identyfikator deklaracji: " + *created);
        id = *createdId;
        const bool g24 = templateId == 73;

        std::map<int, std::string> f;
        const int lastField = g24 ? 150 : 147;
        f[1] = c.nip;
        for (int n = 4; n <= lastField; ++n) f[n] = "0";
        auto padded = [](int day) {
            std::string s = str(day);
            s.resize(10, ' ');
            return s;
        };
        f[4] = padded(start);
        f[5] = padded(end);
        f[6] = c.office;
        f[7] = "2";
        f[8] = c.name;
        f[9] = c.regon;
        for (int k = 0; k < 10; ++k) f[10 + k] = c.address[static_cast<std::size_t>(k)];
        // Choices and attachment counts: no, no, 0, no, no; CIT-ST 0, SSE-R 0, CIT-8/O 1,
        // then CIT-BR 1 and CIT-D 2 (template 73) or CIT-D 2 (template 72).
        const std::vector<std::string> answers = {"2.00", "2.00", "0.00", "3.00", "2.00", "0.00",
                                                  "0.00", "1.00", "1.00", "2.00", "0.00"};
        for (std::size_t k = 0; k < answers.size(); ++k) f[20 + static_cast<int>(k)] = answers[k];
        if (!g24) {  // one attachment line fewer: 27 CIT-8/O, 28 CIT-D
            f[27] = "1.00";
            f[28] = "2.00";
            f[29] = "0.00";
        }
        // The amounts are the module's: the declaration is computed, its advances filled from
        // the year's CIT-2 returns and its counts set through the module once the returns
        // exist (the demo step of the command line and the desktop).
        // The signatory's name and surname (147 and 148; 144 and 145 in edition 23), the day
        // of filling in, and no remarks.
        const int signatory = g24 ? 147 : 144;
        f[signatory] = "Anna";
        f[signatory + 1] = "Nowak";
        f[signatory + 2] = str(g24 ? fromDate(2017, 3, 20) : fromDate(2016, 3, 21));
        f[signatory + 3] = "";
        if (auto st = writeRows(id, 0, f); !st) return st;

        // CIT-8/O
        std::map<int, std::string> o;
        for (int n = 8; n <= 91; ++n) o[n] = "0";
        attachmentHeader(o, c, start, end);
        o[37] = "Darowizna na kościół w Rydzynie";
        // The loss table's first column is the year of the loss (four characters).
        const std::array<const char*, 5> losses = {"2011", "2012", "", "", ""};
        for (int row = 0; row < 5; ++row) {
            o[40 + row * 4] = losses[static_cast<std::size_t>(row)];
            for (int k = 1; k <= 3; ++k) o[40 + row * 4 + k] = row < 2 ? plain((row + 1) * 1250000 / k) : "0.00";
        }
        o[66] = "Ulga na złe długi – faktury nieopłacone w terminie";
        o[75] = "Zezwolenie nr 214/ŁSSE/2012";
        o[77] = str(fromDate(2012, 9, 14));
        o[78] = str(fromDate(2026, 12, 31));
        o[80] = "Ulga na zakup kas rejestrujących";
        o[81] = "Ulga na wpłaty na PFRON – zwolnienie częściowe";
        if (auto st = writeRows(id, 1, o); !st) return st;

        // Two CIT-D copies.
        if (auto st = citD(id, c, start, end, 2); !st) return st;

        // One CIT-BR (template 73 only).
        if (g24) {
            std::map<int, std::string> b;
            // Amounts 10 to 20 start at 0.00; the text positions (the research units' names
            // and addresses, 24 to 67) start empty.
            for (int n = 1; n <= 67; ++n) b[n] = n >= 10 && n <= 20 ? "0.00" : "";
            b[1] = c.nip;
            b[2] = "1";
            b[3] = "";
            b[4] = str(start);
            b[5] = str(end);
            b[6] = "1/1";
            b[7] = c.name;
            b[8] = c.regon;
            b[9] = "2";
            const std::array<std::int64_t, 10> rd = {8450000, 1230055, 0, 315000, 0,
                                                     42000,   0,       0, 0,      0};
            for (std::size_t k = 0; k < rd.size(); ++k) b[10 + static_cast<int>(k)] = plain(rd[k]);
            // 16 = 12 + 13 + 14 + 15; 19 = 11 + 17 + 18.
            b[16] = plain(rd[2] + rd[3] + rd[4] + rd[5]);
            b[19] = plain(rd[1] + rd[7] + rd[8]);
            b[20] = "0.00";
            b[21] = "2";
            b[22] = "2";
            b[23] = "0";
            // Research unit 1: its full name and the address of its seat.
            const std::array<const char*, 11> unit = {
                "Instytut Biotechnologii Przemysłu Rolno-Spożywczego",
                "PL", "MAZOWIECKIE", "Warszawa", "Warszawa", "ul. Rakowiecka", "36", "",
                "Warszawa", "02-532", "Warszawa"};
            for (std::size_t k = 0; k < unit.size(); ++k) b[24 + static_cast<int>(k)] = unit[k];
            if (auto st = writeRows(id, 501, b); !st) return st;
        }

        // ORD-ZU of the correction.
        const std::vector<std::pair<std::string, std::string>> ordzu = {
            {"1", c.nip},
            {"2", ""},
            // The legal form abbreviated, as the name fits the form's box.
            {"5", replaced(c.name, " Spółka z ograniczoną odpowiedzialnością", " Sp. z o.o.")},
            {"6", company == 1 ? "Młyn Pszenica" : "Stocznia Żagiel"},
            {"7", ""},
            {"8", c.regon},
            {"9", ""},
            {"10", ""},
            {"11", ""},
            {"12", ""},
            {"13", "Korekta zeznania wynika z ujęcia faktury korygującej kontrahenta "
                   "„Zboże-Pol” sp. j. (FK 12/2016), doręczonej po złożeniu zeznania. Spółka "
                   "nie uwzględniła też odsetek od pożyczki udzielonej przez wspólnika. "
                   "Pełnomocnik podatnika, Józef Żółkiewski z kancelarii „O'Neill i Wspólnicy”, "
                   "wnosi o przyjęcie korekty."},
        };
        for (const auto& [n, value] : ordzu) {
            if (auto st = exec("insert into DEKLARACJE_ZALACZNIK (id_deklaracje_nag, nr_pola, "
                               "wartosc_pola, typ) values (?, ?, ?, 'ORD-ZU')",
                               {str(id), n, value});
                !st) {
                return st;
            }
        }
        return exec("update DEKLARACJE_NAG set STATUS_2 = 1, INFO_2 = 'CIT-8', DATA_SYSTEMOWA_P "
                    "= ?, ID_UZYT_P = 'ANOWAK' where ID_DEKLARACJE_NAG = ?",
                    {str(today()), str(id)});
    }

    // One CIT-8 (21) of template 70: the positions its rules name (identification, counts,
    // statements, monthly advances and their sum), its CIT-8/O (8) and `copies` CIT-D (3).
    Status cit8Edition21(int company, const Company& c, int start, int end, int copies, int& id) {
        const int period = fromDate(static_cast<int>(toDate(end).year()),
                                     unsigned(toDate(end).month()), 2);
        auto created = call("CALL ZESTAWIENIE_DEKLARACJA_DODAJ (" + str(company) + ",0,7,70," +
                            str(period) + ",0)");
        if (!created) return Status::failure(created.error());
        const auto createdId = citforms::values::parseInteger<int>(*created);
        if (!createdId) return Status::failure("Niepoprawny identyfikator deklaracji: " + *created);
        id = *createdId;
        auto statement = [&](const std::string& code) -> Result<std::string> {
            return call("CALL ZESTAWIENIE_DD_OBLICZ (" + str(company) + "," + str(start) + "," +
                        str(end) + "," + str(id) + ",'" + code + "',7,'')");
        };
        // Positions typed by hand are text and start empty; the amounts start at 0.00.
        std::map<int, std::string> f;
        for (int n = 4; n <= 104; ++n) f[n] = "";
        f[1] = c.nip;
        std::string day = str(start);
        day.resize(10, ' ');
        f[4] = day;
        day = str(end);
        day.resize(10, ' ');
        f[5] = day;
        f[6] = c.office;
        f[7] = "1";
        f[8] = c.name;
        f[9] = c.regon;
        for (int k = 0; k < 10; ++k) f[10 + k] = c.address[static_cast<std::size_t>(k)];
        f[24] = "1.00";
        f[25] = plain(copies * 100);
        f[43] = "0.00";
        for (int n : {27, 28, 29, 31, 32, 33, 47, 48, 49, 94, 99}) {
            auto v = statement(str(n));
            if (!v) return Status::failure(v.error());
            f[n] = *v;
        }
        std::int64_t advances = 0;
        for (int n = 59; n <= 91; ++n) f[n] = "0.00";
        for (int n = 59; n <= 70; ++n) {
            const std::int64_t a = 2500000 + (n - 59) * 10000;
            f[n] = plain(a);
            advances += a;
        }
        f[82] = plain(advances);
        if (auto st = writeRows(id, 0, f); !st) return st;

        std::map<int, std::string> o;
        for (int n = 8; n <= 72; ++n) o[n] = "";
        attachmentHeader(o, c, start, end);
        const std::vector<int> statementO =
            cat(cat(range(8, 17), {19, 42, 43, 44, 46, 48, 50, 51, 53, 54, 55, 57, 60, 63}),
                range(65, 72));
        for (int n : statementO) {
            auto v = statement("O" + str(n));
            if (!v) return Status::failure(v.error());
            o[n] = *v;
        }
        if (auto st = writeRows(id, 1, o); !st) return st;
        return citD(id, c, start, end, copies);
    }

    Status declarations() {
        const Company pszenica{
            nip("778123456"),
            "Młyn Zbożowy „Pszenica” Spółka z ograniczoną odpowiedzialnością",
            regon("63012345"),
            "Urząd Skarbowy Poznań-Jeżyce   ul. Dąbrowskiego 13, 60-838 Poznań",
            {"Polska", "WIELKOPOLSKIE", "Poznań", "Poznań", "ul. Święty Marcin", "29", "4",
             "Poznań", "61-806", "Poznań"}};
        int id72 = 0;
        int id73 = 0;
        if (auto st = cit8(72, 1, pszenica, fromDate(2015, 1, 1), fromDate(2015, 12, 31), id72);
            !st) {
            return st;
        }
        if (auto st = cit8(73, 1, pszenica, fromDate(2016, 1, 1), fromDate(2016, 12, 31), id73);
            !st) {
            return st;
        }
        // The 2015 return once more in the edition (21), with two CIT-D copies.
        int id70 = 0;
        if (auto st = cit8Edition21(1, pszenica, fromDate(2015, 1, 1), fromDate(2015, 12, 31), 2,
                                    id70);
            !st) {
            return st;
        }
        return {};
    }

    HostDatabase& db_;
    Books books_;
};

}  // namespace

Status postDemoBooks(HostDatabase& db, int company, int year, unsigned firstMonth, int months,
                     std::uint32_t seed, bool taxRecords) {
    return Demo(db).books(company, year, firstMonth, months, seed, taxRecords);
}

std::string nipWithCheckDigit(const std::string& nineDigits) { return nip(nineDigits); }
std::string regonWithCheckDigit(const std::string& eightDigits) { return regon(eightDigits); }
std::string regon14WithCheckDigit(const std::string& thirteenDigits) { return regon(thirteenDigits); }

Status markDemoFiled(HostDatabase& db) {
    // The 2016 return (declaration 2) was sent electronically and accepted; the 2015 one
    // stays editable.
    auto r = db.runNative("insert into DEKLARACJE_EDEKLARACJA (id_deklaracje_nag, "
                          "czy_zapis_w_bazie, status, data_wyslania, nr_referencyjny) select "
                          "ID_DEKLARACJE_NAG, 1, 2, ?, 'a1b2c3d4e5f60718293a4b5c6d7e8f90' from "
                          "DEKLARACJE_NAG where ID_FIRMY = 1 AND ID_DEKLARACJE_WZORZEC = 73",
                          {str(fromDate(2017, 3, 24))});
    return r ? Status() : Status::failure(r.error());
}

Status loadDemo(HostDatabase& db) {
    auto existing = db.runNative("select count(*) from FIRMA");
    if (!existing) return Status::failure(existing.error());
    if (existing->rows[0][0].value_or("0") != "0") {
        return Status::failure("Baza zawiera już dane firm; dane demonstracyjne nie zostaną "
                               "wczytane.");
    }
    if (auto st = db.begin(); !st) return st;
    if (auto st = Demo(db).load(); !st) {
        db.rollback();
        return Status::failure("Dane demonstracyjne: " + st.error());
    }
    return db.commit();
}

}  // namespace refhost::db
