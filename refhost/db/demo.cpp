#include "refhost/db/demo.h"

#include <array>
#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "refhost/db/amounts.h"
#include "refhost/db/books.h"
#include "refhost/db/days.h"
#include "refhost/sql/dialect.h"

namespace refhost::db {

namespace {

using citforms::values::Result;
using citforms::values::Status;
using sql::HostDatabase;
using Params = std::vector<std::optional<std::string>>;

std::string str(long long v) { return std::to_string(v); }

// Makes the demo's identification numbers pass the official checksums.
std::string withCheckDigit(std::string base, const std::vector<int>& weights) {
    for (int attempt = 0; attempt < 10; ++attempt) {
        int sum = 0;
        for (std::size_t i = 0; i < weights.size(); ++i) sum += (base[i] - '0') * weights[i];
        int check = sum % 11;
        if (weights.size() == 8 && check == 10) check = 0;  // REGON
        if (check < 10) return base + static_cast<char>('0' + check);
        base.back() = static_cast<char>('0' + (base.back() - '0' + 1) % 10);  // NIP: retry
    }
    return base + "0";
}
std::string nip(const std::string& nine) { return withCheckDigit(nine, {6, 5, 7, 2, 3, 4, 5, 6, 7}); }
std::string regon(const std::string& eight) { return withCheckDigit(eight, {8, 9, 2, 3, 4, 5, 6, 7}); }

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

    Status load() {
        const std::vector<std::function<Status()>> steps = {
            [&] { return users(); },        [&] { return offices(); },
            [&] { return companies(); },    [&] { return branches(); },
            [&] { return chartAndBooks(); }, [&] { return defaultDefinitions(); },
            [&] { return deductionComponents(); }, [&] { return declarations(); },
        };
        for (const auto& step : steps) {
            if (auto st = step(); !st) return st;
        }
        return {};
    }

private:
    Status exec(const std::string& sql, const Params& params = {}) {
        auto r = db_.runNative(sql, params);
        return r ? Status() : Status::failure(r.error() + " [" + sql + "]");
    }

    Status users() {
        const std::array<std::array<const char*, 3>, 3> rows = {{
            {"1", "ADMIN", "Administrator systemu"},
            {"7", "ANOWAK", "Anna Nowak"},
            {"8", "JWOJCIK", "Jerzy Wójcik"},
        }};
        for (const auto& r : rows) {
            if (auto st = exec("insert into UZYTKOWNICY (id_uzytkownika, id_uzyt, nazwa) values "
                               "(?, ?, ?)",
                               {r[0], r[1], r[2]});
                !st) {
                return st;
            }
        }
        return {};
    }

    Status offices() {
        const std::array<std::array<const char*, 7>, 6> rows = {{
            {"1", "Pierwszy Urząd Skarbowy w Poznaniu", "ul. Dolna Wilda", "80", "Poznań",
             "61-501", "3021"},
            {"2", "Drugi Urząd Skarbowy w Poznaniu", "ul. Chłapowskiego", "29", "Poznań",
             "60-965", "3022"},
            {"3", "Urząd Skarbowy Poznań-Jeżyce", "ul. Dąbrowskiego", "13", "Poznań", "60-838",
             "3027"},
            {"4", "Pierwszy Urząd Skarbowy w Gdańsku", "ul. Długie Ogrody", "8/10", "Gdańsk",
             "80-765", "2201"},
            {"5", "Urząd Skarbowy w Sopocie", "ul. 23 Marca", "9/11", "Sopot", "81-820",
             "2213"},
            {"6", "Pomorski Urząd Celno-Skarbowy w Gdyni", "ul. Pułaskiego", "6", "Gdynia",
             "81-368", "2271"},
        }};
        for (const auto& r : rows) {
            if (auto st = exec("insert into URZEDY (ID_URZEDU, NAZWA, ULICA, NR_DOMU, "
                               "MIEJSCOWOSC, KOD_POCZTOWY, KOD_URZEDU) values (?, ?, ?, ?, ?, ?, ?)",
                               {r[0], r[1], r[2], r[3], r[4], r[5], r[6]});
                !st) {
                return st;
            }
        }
        return {};
    }

    Status company(int id, const std::string& nipText, const std::string& regonText,
                   const std::string& name, const std::string& fullName, int quarterly, int us) {
        return exec("insert into FIRMA (id_firmy, nip, rodzaj_platnika, nazwa, nazwa_pelna, "
                    "regon, KWARTALNY_PDO, id_us) values (?, ?, 1, ?, ?, ?, ?, ?)",
                    {str(id), nipText, name, fullName, regonText, str(quarterly), str(us)});
    }

    Status address(int id, int company, const std::string& type, int from,
                   const std::array<std::string, 9>& a) {
        return exec("insert into ADRESY_FIRMY (ID_ADRESY_FIRMY, ID_FIRMY, TYP_ADRESU, DATA_OD, "
                    "wojewodztwo, powiat, gmina, ULICA, NR_DOMU, NR_LOKALU, MIEJSCOWOSC, "
                    "KOD_POCZTOWY, POCZTA) values (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)",
                    {str(id), str(company), type, str(from), a[0], a[1], a[2], a[3], a[4], a[5],
                     a[6], a[7], a[8]});
    }

    Status officeOf(int id, int company, int office, const std::string& type, int from) {
        return exec("insert into URZEDY_FIRMY (ID_URZEDY_FIRMY, ID_FIRMY, ID_URZEDU, TYP_URZEDU, "
                    "DATA_OD) values (?, ?, ?, ?, ?)",
                    {str(id), str(company), str(office), type, str(from)});
    }

    Status fiscalYear(int id, int company, int from, int to, const std::string& label) {
        return exec("insert into LATA_OBROTOWE (id_lata_obrotowe, id_firmy, poczatek_roku, "
                    "koniec_roku, rok_obrotowy) values (?, ?, ?, ?, ?)",
                    {str(id), str(company), str(from), str(to), label});
    }

    Status companies() {
        std::vector<std::function<Status()>> steps = {
            [&] {
                return company(1, nip("778123456"), regon("63012345"), "Młyn Pszenica",
                               "Młyn Zbożowy „Pszenica” Spółka z ograniczoną "
                               "odpowiedzialnością",
                               0, 3);
            },
            [&] {
                return company(2, nip("583234567"), regon("19087654"), "Stocznia Żagiel",
                               "Bałtycka Stocznia Jachtowa „Żagiel” Spółka Akcyjna", 1, 0);
            },
            [&] {
                return company(3, nip("866345678"), regon("26011223"), "Pracownia Ćmielów",
                               "Pracownia Ceramiki Artystycznej „Ćmielów-Art” sp. z o.o.", 0, 0);
            },
            // Company 1: moved its seat in July 2015 and with it its tax office.
            [&] {
                return address(1, 1, "S", dayNumber(2010, 1, 1),
                               {"WIELKOPOLSKIE", "Poznań", "Poznań", "ul. Głogowska", "12",
                                "", "Poznań", "60-734", "Poznań"});
            },
            [&] {
                return address(2, 1, "S", dayNumber(2015, 7, 1),
                               {"WIELKOPOLSKIE", "Poznań", "Poznań", "ul. Święty Marcin", "29",
                                "4", "Poznań", "61-806", "Poznań"});
            },
            [&] {
                return address(3, 1, "K", dayNumber(2012, 5, 1),
                               {"WIELKOPOLSKIE", "poznański", "Swarzędz", "ul. Rynek", "1",
                                "", "Swarzędz", "62-020", "Swarzędz"});
            },
            [&] {
                return address(4, 2, "S", dayNumber(2012, 3, 1),
                               {"POMORSKIE", "Gdańsk", "Gdańsk", "ul. Długa", "45", "2",
                                "Gdańsk", "80-827", "Gdańsk"});
            },
            [&] {
                return address(5, 2, "S", dayNumber(2016, 1, 15),
                               {"POMORSKIE", "Gdańsk", "Gdańsk", "ul. Marynarki Polskiej",
                                "100", "", "Gdańsk", "80-557", "Gdańsk"});
            },
            [&] {
                return address(6, 2, "K", dayNumber(2014, 6, 1),
                               {"POMORSKIE", "Sopot", "Sopot", "ul. Bohaterów Monte Cassino",
                                "53", "7", "Sopot", "81-767", "Sopot"});
            },
            [&] { return officeOf(1, 1, 1, "US", dayNumber(2010, 1, 1)); },
            [&] { return officeOf(2, 1, 3, "US", dayNumber(2015, 7, 1)); },
            [&] { return officeOf(3, 1, 6, "UC", dayNumber(2010, 1, 1)); },
            [&] { return officeOf(4, 2, 4, "US", dayNumber(2012, 3, 1)); },
            [&] { return officeOf(5, 2, 5, "US", dayNumber(2016, 1, 15)); },
            [&] { return officeOf(6, 2, 6, "UC", dayNumber(2012, 3, 1)); },
            [&] {
                return exec("insert into MALY_PODATNIK (id_firmy, rok, stan) values "
                            "(2, 2017, 1), (1, 2017, 0)");
            },
        };
        for (int y = 2014; y <= 2017; ++y) {
            steps.push_back([this, y] {
                return fiscalYear(y - 2013, 1, dayNumber(y, 1, 1), dayNumber(y, 12, 31),
                                  std::to_string(y));
            });
            steps.push_back([this, y] {
                return fiscalYear(y - 2009, 2, dayNumber(y, 4, 1), dayNumber(y + 1, 3, 31),
                                  std::to_string(y) + "/" + std::to_string(y + 1));
            });
        }
        for (const auto& step : steps) {
            if (auto st = step(); !st) return st;
        }
        return {};
    }

    Status branches() {
        struct Place {
            const char* woj;
            const char* powiat;
            const char* gmina;
            const char* kod;
            const char* town;
            const char* postal;
            const char* street;
        };
        static const std::array<Place, 22> places = {{
            {"WIELKOPOLSKIE", "Poznań", "Poznań", "3064011", "Poznań", "61-131", "ul. Gdańska"},
            {"WIELKOPOLSKIE", "gnieźnieński", "Gniezno", "3003011", "Gniezno", "62-200", "ul. Chrobrego"},
            {"WIELKOPOLSKIE", "kaliski", "Opatówek", "3007062", "Opatówek", "62-860", "ul. Kościuszki"},
            {"WIELKOPOLSKIE", "koniński", "Ślesin", "3010113", "Ślesin", "62-561", "ul. Kleczewska"},
            {"WIELKOPOLSKIE", "leszczyński", "Rydzyna", "3013063", "Rydzyna", "64-130", "ul. Dworcowa"},
            {"WIELKOPOLSKIE", "pilski", "Wyrzysk", "3019083", "Wyrzysk", "89-300", "ul. Kościelna"},
            {"WIELKOPOLSKIE", "średzki", "Środa Wielkopolska", "3025053", "Środa Wielkopolska", "63-000", "ul. Żwirki i Wigury"},
            {"WIELKOPOLSKIE", "wrzesiński", "Września", "3030053", "Września", "62-300", "ul. Jagiellońska"},
            {"WIELKOPOLSKIE", "kościański", "Śmigiel", "3011053", "Śmigiel", "64-030", "ul. Leszczyńska"},
            {"WIELKOPOLSKIE", "obornicki", "Rogoźno", "3016033", "Rogoźno", "64-610", "ul. Wągrowiecka"},
            {"KUJAWSKO-POMORSKIE", "Bydgoszcz", "Bydgoszcz", "0461011", "Bydgoszcz", "85-012", "ul. Żeglarska"},
            {"KUJAWSKO-POMORSKIE", "inowrocławski", "Kruszwica", "0407053", "Kruszwica", "88-150", "ul. Poznańska"},
            {"LUBUSKIE", "Zielona Góra", "Zielona Góra", "0862011", "Zielona Góra", "65-001", "ul. Bohaterów Westerplatte"},
            {"LUBUSKIE", "świebodziński", "Zbąszynek", "0809062", "Zbąszynek", "66-210", "ul. Łąkowa"},
            {"DOLNOŚLĄSKIE", "Wrocław", "Wrocław", "0264011", "Wrocław", "50-001", "ul. Świdnicka"},
            {"DOLNOŚLĄSKIE", "milicki", "Żmigród", "0216073", "Żmigród", "55-140", "ul. Kolejowa"},
            {"ŁÓDZKIE", "kutnowski", "Żychlin", "1002103", "Żychlin", "99-320", "ul. Narutowicza"},
            {"ŁÓDZKIE", "Łódź", "Łódź", "1061011", "Łódź", "90-001", "ul. Piotrkowska"},
            {"POMORSKIE", "Gdańsk", "Gdańsk", "2261011", "Gdańsk", "80-001", "ul. Grunwaldzka"},
            {"MAZOWIECKIE", "Warszawa", "Warszawa", "1465011", "Warszawa", "00-001", "ul. Marszałkowska"},
            {"ZACHODNIOPOMORSKIE", "Szczecin", "Szczecin", "3262011", "Szczecin", "70-001", "ul. Wały Chrobrego"},
            {"OPOLSKIE", "nyski", "Głuchołazy", "1609033", "Głuchołazy", "48-340", "ul. Jagiellońska"},
        }};
        static const std::array<const char*, 5> kinds = {
            "Magazyn zbożowy", "Skład mąki", "Punkt skupu", "Piekarnia firmowa", "Hurtownia"};
        Amounts numbers(2016);
        int id = 0;
        for (std::size_t i = 0; i < places.size(); ++i) {
            const Place& p = places[i];
            const std::string shortName =
                std::string(kinds[i % kinds.size()]) + " " + p.town;
            const std::string employees = str(3 + numbers.between(0, 60) / 100);
            if (auto st = exec(
                    "insert into FIRMA_ODDZIAL (ID_FIRMA_ODDZIAL, ID_FIRMY, NAZWA, NAZWA_PELNA, "
                    "REGON, NIP, DATA_ROZP_DZIAL, KRAJ, WOJEWODZTWO, POWIAT, GMINA, GMINA_KOD, "
                    "ULICA, NRDOMU, NRLOKALU, MIEJSCOWOSC, KODPOCZTOWY, POCZTA, ZATRUDNIONYCH) "
                    "values (?, 1, ?, ?, ?, ?, ?, 'Polska', ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)",
                    {str(++id), shortName,
                     "Młyn Zbożowy „Pszenica” Sp. z o.o. – oddział " + std::string(p.town),
                     regon("630" + std::to_string(10000 + i * 37)).substr(0, 9) +
                         std::to_string(10000 + i).substr(0, 5),
                     nip("778123456").substr(0, 3) + "-" + nip("778123456").substr(3, 3) + "-" +
                         nip("778123456").substr(6, 2) + "-" + nip("778123456").substr(8, 2),
                     str(dayNumber(2008 + static_cast<int>(i % 8), 1 + i % 12, 1 + i % 27)),
                     p.woj, p.powiat, p.gmina, p.kod, p.street, str(1 + (i * 7) % 120),
                     i % 3 == 0 ? str(1 + i) : "", p.town, p.postal, p.town, employees});
                !st) {
                return st;
            }
            // The user Anna Nowak marked the first nineteen in the branch chooser (list 56).
            if (i < 19) {
                if (auto st = exec("insert into ZAZNACZENIE (id_browsera, id_uzytkownika, "
                                   "id_elementu) values (56, 7, ?)",
                                   {str(id)});
                    !st) {
                    return st;
                }
            }
        }
        const std::array<std::array<const char*, 8>, 2> yards = {{
            {"Przystań Hel", "POMORSKIE", "pucki", "Hel", "2211011", "ul. Portowa", "Hel", "84-150"},
            {"Warsztat Elbląg", "WARMIŃSKO-MAZURSKIE", "Elbląg", "Elbląg", "2861011",
             "ul. Stoczniowa", "Elbląg", "82-300"},
        }};
        for (const auto& y : yards) {
            if (auto st = exec(
                    "insert into FIRMA_ODDZIAL (ID_FIRMA_ODDZIAL, ID_FIRMY, NAZWA, NAZWA_PELNA, "
                    "REGON, NIP, DATA_ROZP_DZIAL, KRAJ, WOJEWODZTWO, POWIAT, GMINA, GMINA_KOD, "
                    "ULICA, NRDOMU, MIEJSCOWOSC, KODPOCZTOWY, POCZTA, ZATRUDNIONYCH) values "
                    "(?, 2, ?, ?, ?, ?, ?, 'Polska', ?, ?, ?, ?, ?, '5', ?, ?, ?, 14)",
                    {str(++id), y[0], std::string("Bałtycka Stocznia Jachtowa „Żagiel” S.A. – ") + y[0],
                     regon("19087654"), nip("583234567"), str(dayNumber(2013, 5, 1)), y[1], y[2],
                     y[3], y[4], y[5], y[6], y[7], y[6]});
                !st) {
                return st;
            }
        }
        return {};
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

    Status chartAndBooks() {
        static const std::array<std::array<const char*, 2>, 27> chart = {{
            {"130-01", "Rachunek bieżący – Bank Pekao S.A."},
            {"201-01", "Rozrachunki z odbiorcami krajowymi"},
            {"201-02", "Rozrachunki z odbiorcami zagranicznymi"},
            {"202-01", "Rozrachunki z dostawcami krajowymi"},
            {"222-01", "Rozrachunki z urzędem skarbowym – zaliczki CIT"},
            {"222-02", "Rozrachunki z urzędem skarbowym – podatek roczny"},
            {"401-1", "Zużycie materiałów i energii"},
            {"402-1", "Usługi obce – działalność krajowa"},
            {"402-2", "Usługi obce – obsługa dywidend zagranicznych"},
            {"402-3", "Usługi obce – przychody zagraniczne"},
            {"402-4", "Koszty wniesienia aportu własności intelektualnej"},
            {"404-1", "Wynagrodzenia"},
            {"405-1", "Ubezpieczenia społeczne i inne świadczenia"},
            {"409-9", "Koszty niestanowiące kosztów uzyskania przychodów"},
            {"700-01", "Przychody ze sprzedaży produktów – kraj"},
            {"700-02", "Przychody ze sprzedaży usług przemiału – kraj"},
            {"701-01", "Dywidendy ze spółek zagranicznych"},
            {"702-01", "Przychody ze źródeł zagranicznych – pozostałe"},
            {"703-01", "Aport komercjalizowanej własności intelektualnej"},
            {"750-01", "Przychody finansowe – odsetki"},
            {"751-01", "Koszty finansowe – odsetki"},
            {"760-09", "Pozostałe przychody operacyjne – zwrot kosztów"},
            {"909-40", "Ewidencja podatkowa – odsetki zaliczane do kosztów z lat ubiegłych"},
            {"909-56", "Ewidencja podatkowa – utracone odliczenia inwestycyjne"},
            {"909-57", "Ewidencja podatkowa – utracone zwolnienie SSE"},
            {"909-58", "Ewidencja podatkowa – utracona ulga na nowe technologie"},
            {"909-145", "Ewidencja podatkowa – podatek według art. 39 ust. 4"},
        }};
        for (int company : {1, 2}) {
            for (const auto& a : chart) {
                if (auto st = books_.addAccount(company, a[0], a[1]); !st) return st;
            }
            for (int n : oPositions()) {
                if (auto st = books_.addAccount(company, oAccount(n),
                                                "Ewidencja podatkowa – CIT-8/O poz. " + str(n));
                    !st) {
                    return st;
                }
            }
        }
        // Company 1 keeps books for the calendar years 2015 and 2016; company 2 for its
        // fiscal year from April 2015 to March 2016.
        if (auto st = postYear(1, 2015, 1, 24, 1); !st) return st;
        return postYear(2, 2015, 4, 12, 2);
    }

    Status postYear(int company, int year, unsigned firstMonth, int months, std::uint32_t seed) {
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
            const int d10 = dayNumber(y, m, 10);
            const int d20 = dayNumber(y, m, 20);
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
            pair(dayNumber(y, m, 15), "222-01", "130-01", rnd.between(18000, 32000) * scale,
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
            for (int n : oPositions()) {
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

    // ---- statement definitions -----------------------------------------------------

    struct Term {
        const char* mask;
        const char* measure;
        int sign;
    };

    Status defaultTerms(int templateId, const std::string& code, const std::vector<Term>& terms) {
        int lp = 0;
        for (const Term& t : terms) {
            if (auto st = exec("insert into ZESTAWIENIE_DEFINICJA_WZORCA (id_deklaracje_wzorzec, "
                               "rodzaj, kod, lp, maska, miara, znak) values (?, 'DD', ?, ?, ?, ?, ?)",
                               {str(templateId), code, str(++lp), t.mask, t.measure, str(t.sign)});
                !st) {
                return st;
            }
        }
        return {};
    }

    Status oDefaults(int templateId, const std::vector<int>& positions) {
        for (int n : positions) {
            const std::string account = oAccount(n);
            int lp = 0;
            for (const auto& [measure, sign] : {std::pair{"WN", 1}, std::pair{"MA", -1}}) {
                if (auto st = exec("insert into ZESTAWIENIE_DEFINICJA_WZORCA "
                                   "(id_deklaracje_wzorzec, rodzaj, kod, lp, maska, miara, znak) "
                                   "values (?, 'DD', ?, ?, ?, ?, ?)",
                                   {str(templateId), "O" + str(n), str(++lp), account, measure,
                                    str(sign)});
                    !st) {
                    return st;
                }
            }
        }
        return {};
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

    Status defaultDefinitions() {
        const std::vector<Term> revenuePl = {{"700*", "MA", 1}, {"750-01", "MA", 1}};
        const std::vector<Term> revenueDividends = {{"701*", "MA", 1}};
        const std::vector<Term> revenueAbroad = {{"702*", "MA", 1}};
        const std::vector<Term> revenueIp = {{"703*", "MA", 1}};
        const std::vector<Term> costsPl = {
            {"4?\?-1*", "WN", 1}, {"751-01", "WN", 1}, {"760-09", "MA", -1}};
        const std::vector<Term> costs2 = {{"4?\?-2*", "WN", 1}};
        const std::vector<Term> costs3 = {{"4?\?-3*", "WN", 1}};
        const std::vector<Term> costs4 = {{"4?\?-4*", "WN", 1}};
        const std::vector<Term> interest = {{"909-40", "SWN", 1}};
        const std::vector<Term> lost1 = {{"909-56", "SWN", 1}};
        const std::vector<Term> lost2 = {{"909-57", "SWN", 1}};
        const std::vector<Term> lost3 = {{"909-58", "SWN", 1}};
        const std::vector<Term> advances = {{"222-01", "WN", 1}};
        const std::vector<Term> art39 = {{"909-145", "SMA", 1}};

        struct Code {
            int templateId;
            const char* code;
            const std::vector<Term>* terms;
        };
        const std::vector<Code> codes = {
            // CIT-8 (24)
            {73, "31", &revenuePl}, {73, "32", &revenueDividends}, {73, "33", &revenueAbroad},
            {73, "34", &revenueIp}, {73, "36", &costsPl}, {73, "37", &costs2},
            {73, "38", &costs3}, {73, "39", &costs4}, {73, "40", &interest},
            {73, "56", &lost1}, {73, "57", &lost2}, {73, "58", &lost3},
            {73, "94", &advances}, {73, "145", &art39},
            // CIT-8 (23): the same lines one or three positions lower
            {72, "30", &revenuePl}, {72, "31", &revenueDividends}, {72, "32", &revenueAbroad},
            {72, "33", &revenueIp}, {72, "35", &costsPl}, {72, "36", &costs2},
            {72, "37", &costs3}, {72, "38", &costs4}, {72, "39", &interest},
            {72, "53", &lost1}, {72, "54", &lost2}, {72, "55", &lost3},
            {72, "91", &advances}, {72, "142", &art39},
            // CIT-8 (21)
            {70, "27", &revenuePl}, {70, "28", &revenueDividends}, {70, "29", &revenueAbroad},
            {70, "31", &costsPl}, {70, "32", &costs2}, {70, "33", &costs3},
            {70, "47", &lost1}, {70, "48", &lost2}, {70, "49", &lost3},
            {70, "94", &advances}, {70, "99", &art39},
            // CIT-2 (17)
            {35, "19", &revenuePl}, {35, "20", &revenueAbroad}, {35, "21", &costsPl},
            {35, "32", &interest}, {35, "33", &lost1},
        };
        for (const Code& c : codes) {
            if (auto st = defaultTerms(c.templateId, c.code, *c.terms); !st) return st;
        }
        const std::vector<int> o73 = cat(cat(range(8, 36), {38, 61, 62, 63, 65, 67, 69, 70, 72,
                                                            73, 74, 76, 79, 82}),
                                         range(84, 91));
        const std::vector<int> o72 = cat(cat(range(8, 36), {38, 60, 61, 62, 63, 65, 67, 69, 70,
                                                            72, 73, 74, 76, 79, 82}),
                                         range(84, 91));
        const std::vector<int> o70 = cat(cat(range(8, 17), {19, 42, 43, 44, 46, 48, 50, 51, 53,
                                                            54, 55, 57, 60, 63}),
                                         range(65, 72));
        const std::vector<int> o35 = {7,  8,  9,  10, 11, 12, 13, 15, 17, 18, 19, 20,
                                      22, 24, 25, 27, 28, 29, 31, 34, 37, 41, 44};
        for (const auto& [t, positions] :
             {std::pair{73, &o73}, std::pair{72, &o72}, std::pair{70, &o70}, std::pair{35, &o35}}) {
            if (auto st = oDefaults(t, *positions); !st) return st;
        }
        return exec(
            "insert into DEKLARACJE_DOCHOD (id_deklaracje_dochod, id_firmy, typ_dzialalnosci, "
            "nazwa, maska_przychodow, maska_kosztow) values "
            "(1, 1, 'P', 'Działalność produkcyjna', '700*,750-01', '4?\?-1*,751-01'), "
            "(2, 1, 'Z', 'Sprzedaż zagraniczna', '702*', '4?\?-3*'), "
            "(3, 2, 'P', 'Budowa jachtów', '700*,702*', '4?\?-1*,4?\?-3*')");
    }

    Status deductionComponents() {
        struct Row {
            int id;
            int templateId;
            const char* field;
            const char* text;
        };
        const std::array<Row, 3> defs = {{
            {1, 34, "17", "Darowizny na cele pożytku publicznego"},
            {2, 34, "18", "Wydatki na nabycie nowych technologii"},
            {3, 35, "17", "Darowizny na cele kultu religijnego"},
        }};
        for (const Row& d : defs) {
            if (auto st = exec("insert into DEKLARACJE_ODLICZENIE (id_deklaracje_odliczenie, "
                               "id_deklaracje_wzorzec, nr_pola, opis) values (?, ?, ?, ?)",
                               {str(d.id), str(d.templateId), d.field, d.text});
                !st) {
                return st;
            }
        }
        return exec(
            "insert into DEKLARACJE_SKLADOWE_O (id_deklaracje_odliczenie, funkcja, argument, "
            "operator, wartosc, opis, data_odliczenia, id_firmy, id_udzialowca) values "
            "(1, '', '', '+', '1500.00', 'Darowizna dla hospicjum św. Łazarza', " +
            str(dayNumber(2005, 3, 1)) + ", 1, 0), "
            "(1, '', '', '+', '2750.50', 'Darowizna dla Caritas', " + str(dayNumber(2005, 6, 1)) +
            ", 1, 0), "
            "(1, '', '', '-', '250.50', 'Automatyczna aktualizacja', " +
            str(dayNumber(2005, 6, 1)) + ", 1, 0), "
            "(2, '', '', '+', '12000.00', 'Licencja na technologię mielenia', " +
            str(dayNumber(2005, 9, 1)) + ", 1, 0)");
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

    static std::string plain(std::int64_t grosze) { return formatGrosze(grosze); }
    static std::int64_t grosze(const std::string& text) { return parseGrosze(text).value_or(0); }
    static std::string whole(std::int64_t g) {  // whole zloty, halves away from zero
        const std::int64_t r = (g >= 0 ? g + 50 : g - 50) / 100;
        return plain(r * 100);
    }

    // One CIT-8 of template 73 (gen = 24) or 72 (gen = 23) with its attachments.
    Status cit8(int templateId, int company, const Company& c, int start, int end) {
        const int period = dayNumber(static_cast<int>(dateOfDay(end).year()),
                                     unsigned(dateOfDay(end).month()), 2);
        auto created = call("CALL ZESTAWIENIE_DEKLARACJA_DODAJ (" + str(company) + ",0,7," +
                            str(templateId) + "," + str(period) + ",0)");
        if (!created) return Status::failure(created.error());
        const int id = std::stoi(*created);
        const bool g24 = templateId == 73;
        const int shift = g24 ? 1 : 0;   // 30-39 -> 31-40
        const int shift3 = g24 ? 3 : 0;  // 53.. -> 56..
        auto statement = [&](const std::string& code) -> Result<std::string> {
            return call("CALL ZESTAWIENIE_DD_OBLICZ (" + str(company) + "," + str(start) + "," +
                        str(end) + "," + str(id) + ",'" + code + "',7,'')");
        };

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
        std::int64_t revenue = 0;
        std::int64_t costs = 0;
        for (int k = 0; k < 4; ++k) {
            auto v = statement(str(30 + shift + k));
            if (!v) return Status::failure(v.error());
            f[30 + shift + k] = *v;
            revenue += grosze(*v);
        }
        f[34 + shift] = plain(revenue);
        for (int k = 0; k < 5; ++k) {
            auto v = statement(str(35 + shift + k));
            if (!v) return Status::failure(v.error());
            f[35 + shift + k] = *v;
            if (k < 4) costs += grosze(*v);
        }
        const std::int64_t income = revenue - costs - grosze(f[39 + shift]);
        f[40 + shift] = plain(costs);
        f[41 + shift] = plain(income > 0 ? income : 0);
        f[42 + shift] = plain(income < 0 ? -income : 0);
        f[43 + shift] = "0.00";
        f[44 + shift] = plain(income > 0 ? income : 0);
        for (int k = 0; k < 3; ++k) {
            auto v = statement(str(53 + shift3 + k));
            if (!v) return Status::failure(v.error());
            f[53 + shift3 + k] = *v;
        }
        const std::int64_t base = (income > 0 ? income : 0) / 100 * 100;
        f[56 + shift3] = whole(base);
        f[59 + shift3] = "19";
        const std::int64_t tax = base * 19 / 100;
        f[60 + shift3] = whole(tax);
        std::int64_t advancesDue = 0;
        for (int k = 0; k < 12; ++k) {
            const std::int64_t a = tax / 12 / 100 * 100;
            f[65 + shift3 + k] = plain(a);
            advancesDue += a;
        }
        f[88 + shift3] = plain(advancesDue);
        auto paid = statement(str(91 + shift3));
        if (!paid) return Status::failure(paid.error());
        f[91 + shift3] = whole(grosze(*paid));
        auto art39 = statement(str(142 + shift3));
        if (!art39) return Status::failure(art39.error());
        f[142 + shift3] = whole(grosze(*art39));
        f[lastField - (g24 ? 3 : 0)] = "Anna Nowak";  // 147 (73) / 147 (72): person
        f[g24 ? 148 : 146] = "";
        if (g24) {
            f[149] = str(dayNumber(2017, 3, 20));
            f[150] = "";
        } else {
            f[146] = str(dayNumber(2016, 3, 21));
        }
        if (auto st = writeRows(id, 0, f); !st) return st;

        // CIT-8/O
        std::map<int, std::string> o;
        o[1] = c.nip;
        for (int n = 4; n <= 91; ++n) o[n] = "0";
        o[4] = str(start);
        o[5] = str(end);
        o[6] = c.name;
        o[7] = c.regon;
        const std::vector<int> statementO =
            cat(cat(range(8, 36), {38, 61, 62, 63, 65, 67, 69, 70, 72, 73, 74, 76, 79, 82}),
                range(84, 91));
        std::int64_t reliefs = 0;
        for (int n : statementO) {
            auto v = statement("O" + str(n));
            if (!v) return Status::failure(v.error());
            o[n] = (n == 87 || n == 88 || n == 90 || n == 91) ? whole(grosze(*v)) : *v;
            if (n <= 38) reliefs += grosze(*v);
        }
        o[37] = "Darowizna na odbudowę kościoła św. Józefa w Rydzynie";
        o[39] = plain(reliefs);
        const std::array<const char*, 5> losses = {"Strata za rok 2011", "Strata za rok 2012",
                                                   "", "", ""};
        for (int row = 0; row < 5; ++row) {
            o[40 + row * 4] = losses[static_cast<std::size_t>(row)];
            for (int k = 1; k <= 3; ++k) o[40 + row * 4 + k] = row < 2 ? plain((row + 1) * 1250000 / k) : "0.00";
        }
        o[66] = "Ulga na złe długi – faktury nieopłacone w terminie";
        o[75] = "Zezwolenie nr 214/ŁSSE/2012";
        o[77] = str(dayNumber(2012, 9, 14));
        o[78] = str(dayNumber(2026, 12, 31));
        o[80] = "Ulga na zakup kas rejestrujących";
        o[81] = "Ulga na wpłaty na PFRON – zwolnienie częściowe";
        if (auto st = writeRows(id, 1, o); !st) return st;

        // Two CIT-D copies.
        const std::array<const char*, 3> donors = {
            "Fundacja Rozwoju Wsi „Kłos”", "Stowarzyszenie Młynarzy Wielkopolskich",
            "Parafia pw. św. Jadwigi Śląskiej"};
        for (int copy = 1; copy <= 2; ++copy) {
            std::map<int, std::string> d;
            for (int n = 1; n <= 123; ++n) d[n] = "";
            d[1] = c.nip;
            d[2] = str(copy);
            d[4] = str(start);
            d[5] = str(end);
            d[6] = str(copy) + "/2";
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
                d[b + 5] = "WIELKOPOLSKIE";
                d[b + 6] = "Poznań";
                d[b + 7] = "Poznań";
                d[b + 8] = "ul. Ogrodowa";
                d[b + 9] = str(10 + k);
                d[b + 10] = "";
                d[b + 11] = "Poznań";
                d[b + 12] = "61-82" + str(k);
                d[b + 13] = "Poznań";
                d[b + 14] = "";
            }
            d[120] = "Anna Nowak";
            d[121] = "Główna księgowa";
            d[122] = str(dayNumber(2017, 3, 20));
            d[123] = "";
            if (auto st = writeRows(id, 100 + copy, d); !st) return st;
        }

        // One CIT-BR (template 73 only).
        if (g24) {
            std::map<int, std::string> b;
            for (int n = 1; n <= 67; ++n) b[n] = "0.00";
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
            std::int64_t sum = 0;
            for (std::size_t k = 0; k < rd.size(); ++k) {
                b[10 + static_cast<int>(k)] = plain(rd[k]);
                sum += rd[k];
            }
            b[19] = plain(sum / 2);
            b[20] = "0.00";
            b[21] = "2";
            b[22] = "2";
            b[23] = "0";
            b[24] = "Receptura mąki orkiszowej o obniżonej zawartości glutenu";
            if (auto st = writeRows(id, 501, b); !st) return st;
        }

        // ORD-ZU of the correction.
        const std::vector<std::pair<std::string, std::string>> ordzu = {
            {"1", c.nip},
            {"2", ""},
            {"5", c.name},
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
                   "Podatnik's representative – pełnomocnik Józef Żółkiewski – wnosi o "
                   "przyjęcie korekty."},
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
                    {str(todayNumber()), str(id)});
    }

    Status declarations() {
        const Company pszenica{
            nip("778123456"),
            "Młyn Zbożowy „Pszenica” Spółka z ograniczoną odpowiedzialnością",
            regon("63012345"),
            "Urząd Skarbowy Poznań-Jeżyce   ul. Dąbrowskiego 13, 60-838 Poznań",
            {"Polska", "WIELKOPOLSKIE", "Poznań", "Poznań", "ul. Święty Marcin", "29", "4",
             "Poznań", "61-806", "Poznań"}};
        if (auto st = cit8(72, 1, pszenica, dayNumber(2015, 1, 1), dayNumber(2015, 12, 31)); !st) {
            return st;
        }
        if (auto st = cit8(73, 1, pszenica, dayNumber(2016, 1, 1), dayNumber(2016, 12, 31)); !st) {
            return st;
        }
        // The 2016 return was sent electronically and accepted; the 2015 one stays editable.
        return exec("insert into DEKLARACJE_EDEKLARACJA (id_deklaracje_nag, czy_zapis_w_bazie, "
                    "status, data_wyslania, nr_referencyjny) values (2, 1, 2, ?, "
                    "'a1b2c3d4e5f60718293a4b5c6d7e8f90')",
                    {str(dayNumber(2017, 3, 24))});
    }

    HostDatabase& db_;
    Books books_;
};

}  // namespace

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
