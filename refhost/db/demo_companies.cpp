#include "refhost/db/demo_companies.h"

#include <array>
#include <cstdint>
#include <initializer_list>
#include <set>
#include <string>
#include <tuple>
#include <vector>

#include "citforms/values/book_values.h"
#include "refhost/db/demo.h"

namespace refhost::db {

using citforms::values::fromDate;

namespace {

using citforms::values::Status;
using Values = std::vector<std::optional<std::string>>;

std::string str(long long v) { return std::to_string(v); }

std::string digits(std::uint64_t value, int width) {
    std::string s = std::to_string(value);
    if (static_cast<int>(s.size()) < width) s.insert(0, static_cast<std::size_t>(width) - s.size(), '0');
    return s.substr(s.size() - static_cast<std::size_t>(width));
}

// A town with its administrative units, its tax office and a GUS commune code.
struct Town {
    const char* name;
    const char* province;
    const char* county;
    const char* communeCode;
    const char* postalPrefix;  // "31-" and three digits follow
    const char* office;        // the tax office of the town
    const char* officeStreet;
    const char* officeCode;
    const char* nipPrefix;     // the first three digits of NIP numbers given there
};

constexpr std::array<Town, 8> kTowns = {{
    {"Kraków", "MAŁOPOLSKIE", "Kraków", "1261011", "31-", "Pierwszy Urząd Skarbowy w Krakowie",
     "ul. Wrocławska 20", "1206", "676"},
    {"Wrocław", "DOLNOŚLĄSKIE", "Wrocław", "0264011", "50-", "Urząd Skarbowy Wrocław-Fabryczna",
     "ul. Ostrowskiego 5", "0223", "894"},
    {"Lublin", "LUBELSKIE", "Lublin", "0663011", "20-", "Pierwszy Urząd Skarbowy w Lublinie",
     "ul. Szeligowskiego 24", "0610", "712"},
    {"Łódź", "ŁÓDZKIE", "Łódź", "1061011", "90-", "Urząd Skarbowy Łódź-Śródmieście",
     "ul. Piotrkowska 135", "1008", "725"},
    {"Białystok", "PODLASKIE", "Białystok", "2061011", "15-", "Pierwszy Urząd Skarbowy w Białymstoku",
     "ul. Branickiego 9", "2004", "542"},
    {"Rzeszów", "PODKARPACKIE", "Rzeszów", "1863011", "35-", "Pierwszy Urząd Skarbowy w Rzeszowie",
     "ul. Siemieńskiego 18", "1816", "813"},
    {"Kielce", "ŚWIĘTOKRZYSKIE", "Kielce", "2661011", "25-", "Pierwszy Urząd Skarbowy w Kielcach",
     "ul. Wapiennikowa 10", "2604", "657"},
    {"Olsztyn", "WARMIŃSKO-MAZURSKIE", "Olsztyn", "2862011", "10-", "Urząd Skarbowy w Olsztynie",
     "ul. Mickiewicza 2", "2815", "739"},
}};

constexpr std::array<const char*, 10> kTrades = {
    "Piekarnia", "Tartak",     "Hurtownia",   "Drukarnia", "Mleczarnia",
    "Browar",    "Stolarnia", "Przetwórnia", "Wytwórnia", "Kuźnia"};
constexpr std::array<const char*, 16> kNames = {
    "Zorza", "Jutrzenka", "Kłos",  "Dąbrówka", "Źródło", "Wisła",  "Sokół", "Lechia",
    "Orzeł", "Żuraw",     "Świt",  "Bór",      "Łania",  "Jodła", "Mazur", "Ślęża"};
constexpr std::array<const char*, 8> kSurnames = {"Kowalczyk", "Lis",      "Wójcik", "Zając",
                                                  "Mazur",     "Kamińska", "Żak",    "Dudek"};
constexpr std::array<const char*, 8> kStreets = {
    "ul. Kościuszki", "ul. Polna", "ul. Długa", "ul. Źródlana",
    "ul. Łąkowa",     "al. Jana Pawła II", "ul. Żeromskiego", "ul. Fabryczna"};

class Generator {
public:
    explicit Generator(sql::HostDatabase& db) : db_(db) {}

    Status run(int count, const std::function<void(int, int)>& progress) {
        if (auto st = firstIds(); !st) return st;
        if (auto st = offices(); !st) return st;
        for (int k = 0; k < count; ++k) {
            if (auto st = company(k); !st) return st;
            if (progress) progress(k + 1, count);
        }
        return {};
    }

private:
    Status insert(const char* table, std::vector<std::string> columns, Values values) {
        return db_.insertRow(sql::RowInsert{table, std::move(columns), {}, std::move(values)});
    }

    Status next(const std::string& table, const std::string& column, int& out) {
        auto r = db_.runNative("select coalesce(max(" + column + "), 0) + 1 from " + table);
        if (!r) return Status::failure(r.error());
        out = std::stoi(r->rows.at(0).at(0).value_or("1"));
        return {};
    }

    Status firstIds() {
        for (auto [table, column, out] :
             std::initializer_list<std::tuple<const char*, const char*, int*>>{
                 {"FIRMA", "id_firmy", &company_},
                 {"ADRESY_FIRMY", "ID_ADRESY_FIRMY", &address_},
                 {"URZEDY", "ID_URZEDU", &office_},
                 {"URZEDY_FIRMY", "ID_URZEDY_FIRMY", &companyOffice_},
                 {"LATA_OBROTOWE", "id_lata_obrotowe", &fiscalYear_},
                 {"FIRMA_ODDZIAL", "ID_FIRMA_ODDZIAL", &branch_}}) {
            if (auto st = next(table, column, *out); !st) return st;
        }
        // Their books are on the mill's chart of accounts.
        auto chart = db_.runNative("select min(id_firmy) from KONTA");
        if (!chart) return Status::failure(chart.error());
        if (!chart->rows.at(0).at(0)) return Status::failure("Brak planu kont do skopiowania");
        chartCompany_ = *chart->rows.at(0).at(0);
        return {};
    }

    // The tax office of each town.
    Status offices() {
        for (std::size_t t = 0; t < kTowns.size(); ++t) {
            const Town& town = kTowns[t];
            const std::string street = town.officeStreet;
            const auto space = street.rfind(' ');
            if (auto st = insert("URZEDY",
                                 {"ID_URZEDU", "NAZWA", "ULICA", "NR_DOMU", "MIEJSCOWOSC",
                                  "KOD_POCZTOWY", "KOD_URZEDU"},
                                 {str(office_ + static_cast<int>(t)), town.office,
                                  street.substr(0, space), street.substr(space + 1), town.name,
                                  std::string(town.postalPrefix) + "950", town.officeCode});
                !st) {
                return st;
            }
        }
        return {};
    }

    // A NIP not given yet: the town's three digits and six drawn from k.
    std::string uniqueNip(const Town& town, int k) {
        std::uint64_t serial = (static_cast<std::uint64_t>(k) * 7919u + 104729u) % 1000000u;
        for (;;) {
            std::string n = nipWithCheckDigit(town.nipPrefix + digits(serial, 6));
            if (nips_.insert(n).second) return n;
            serial = (serial + 1) % 1000000u;
        }
    }

    Status company(int k) {
        const int id = company_ + k;
        const Town& town = kTowns[static_cast<std::size_t>(k) % kTowns.size()];
        const std::size_t combos = kTrades.size() * kNames.size();
        const std::size_t variant = static_cast<std::size_t>(k) % combos;
        const char* trade = kTrades[variant % kTrades.size()];
        const char* stem = kNames[variant / kTrades.size()];
        const std::string round = k >= static_cast<int>(combos) ? " " + str(k / static_cast<int>(combos) + 1) : "";
        std::string shortName;
        std::string fullName;
        if (k % 7 == 3) {  // a partnership limited by shares: a comma in the name
            const std::size_t first = static_cast<std::size_t>(k) % kSurnames.size();
            const std::size_t other = (first + 1 + static_cast<std::size_t>(k / 7) % 7) % kSurnames.size();
            const char* a = kSurnames[first];
            const char* b = kSurnames[other];
            shortName = std::string(a) + ", " + b + " i Wspólnicy" + round;
            fullName = shortName + " Spółka komandytowo-akcyjna";
        } else {
            shortName = std::string(trade) + " \"" + stem + "\"" + round;
            fullName = std::string(trade) + " „" + stem + "”" + round +
                       (k % 3 == 1 ? " Spółka Akcyjna" : " Spółka z ograniczoną odpowiedzialnością");
        }
        const std::string nip = uniqueNip(town, k);
        const std::string regon =
            regonWithCheckDigit(std::string(town.communeCode).substr(0, 2) + digits(100000u + static_cast<std::uint64_t>(k) * 37u, 6));
        const int officeId = office_ + static_cast<int>(static_cast<std::size_t>(k) % kTowns.size());
        const bool quarterly = k % 5 == 4;
        if (auto st = insert("FIRMA",
                             {"id_firmy", "nip", "rodzaj_platnika", "nazwa", "nazwa_pelna", "regon",
                              "KWARTALNY_PDO", "id_us"},
                             {str(id), nip, "1", shortName, fullName, regon, quarterly ? "1" : "0",
                              str(officeId)});
            !st) {
            return st;
        }
        const std::string street = kStreets[static_cast<std::size_t>(k / 8) % kStreets.size()];
        const std::string postal = std::string(town.postalPrefix) + digits(static_cast<std::uint64_t>(100 + k % 800), 3);
        if (auto st = insert("ADRESY_FIRMY",
                             {"ID_ADRESY_FIRMY", "ID_FIRMY", "TYP_ADRESU", "DATA_OD", "wojewodztwo",
                              "powiat", "gmina", "ULICA", "NR_DOMU", "NR_LOKALU", "MIEJSCOWOSC",
                              "KOD_POCZTOWY", "POCZTA"},
                             {str(address_ + k), str(id), "S", str(fromDate(2010, 1, 1)),
                              town.province, town.county, town.name, street, str(1 + k % 97),
                              k % 2 == 0 ? "" : str(1 + k % 12), town.name, postal, town.name});
            !st) {
            return st;
        }
        if (auto st = insert("URZEDY_FIRMY",
                             {"ID_URZEDY_FIRMY", "ID_FIRMY", "ID_URZEDU", "TYP_URZEDU", "DATA_OD"},
                             {str(companyOffice_ + k), str(id), str(officeId), "US",
                              str(fromDate(2010, 1, 1))});
            !st) {
            return st;
        }
        // Fiscal years starting in 2015, 2016 and 2017: calendar years, or April to March.
        const unsigned firstMonth = k % 4 == 3 ? 4 : 1;
        for (int y = 0; y < 3; ++y) {
            const int year = 2015 + y;
            const int start = fromDate(year, firstMonth, 1);
            const int end = firstMonth == 1 ? fromDate(year, 12, 31) : fromDate(year + 1, 3, 31);
            const std::string label = firstMonth == 1 ? str(year) : str(year) + "/" + str(year + 1);
            if (auto st = insert("LATA_OBROTOWE",
                                 {"id_lata_obrotowe", "id_firmy", "poczatek_roku", "koniec_roku",
                                  "rok_obrotowy"},
                                 {str(fiscalYear_ + 3 * k + y), str(id), str(start), str(end), label});
                !st) {
                return st;
            }
        }
        // One branch, or two for every third company.
        const int branches = k % 3 == 0 ? 2 : 1;
        for (int b = 0; b < branches; ++b) {
            const Town& at = kTowns[static_cast<std::size_t>(k + 3 + b) % kTowns.size()];
            const std::string branchRegon = regon14WithCheckDigit(regon + digits(static_cast<std::uint64_t>(b + 1), 4));
            const std::string dashed = nip.substr(0, 3) + "-" + nip.substr(3, 3) + "-" +
                                       nip.substr(6, 2) + "-" + nip.substr(8, 2);
            if (auto st = insert(
                    "FIRMA_ODDZIAL",
                    {"ID_FIRMA_ODDZIAL", "ID_FIRMY", "NAZWA", "NAZWA_PELNA", "REGON", "NIP",
                     "DATA_ROZP_DZIAL", "KRAJ", "WOJEWODZTWO", "POWIAT", "GMINA", "GMINA_KOD",
                     "ULICA", "NRDOMU", "NRLOKALU", "MIEJSCOWOSC", "KODPOCZTOWY", "POCZTA",
                     "ZATRUDNIONYCH"},
                    {str(branch_ + branchCount_), str(id), std::string("Oddział ") + at.name,
                     fullName + " – oddział " + at.name, branchRegon, dashed,
                     str(fromDate(2012, 1 + static_cast<unsigned>(k % 12), 1)), "Polska",
                     at.province, at.county, at.name, at.communeCode, "ul. Przemysłowa",
                     str(2 + b), "", at.name, std::string(at.postalPrefix) + "200", at.name,
                     str(5 + (k * 7 + b * 11) % 60)});
                !st) {
                return st;
            }
            ++branchCount_;
        }
        // The chart of accounts of the demo's mill, and a year of its kind of books.
        auto chart = db_.runNative("insert into KONTA (id_firmy, nr_konta, nazwa) select " +
                                   str(id) + ", nr_konta, nazwa from KONTA where id_firmy = " +
                                   chartCompany_);
        if (!chart) return Status::failure(chart.error());
        return postDemoBooks(db_, id, 2016, firstMonth, 12, 1000u + static_cast<std::uint32_t>(k),
                             false);
    }

    sql::HostDatabase& db_;
    int company_ = 0;
    int address_ = 0;
    int office_ = 0;
    int companyOffice_ = 0;
    int fiscalYear_ = 0;
    int branch_ = 0;
    int branchCount_ = 0;
    std::string chartCompany_;
    std::set<std::string> nips_;
};

}  // namespace

Status addDemoCompanies(sql::HostDatabase& db, int count,
                        const std::function<void(int, int)>& progress) {
    if (count <= 0) return {};
    if (auto st = db.begin(); !st) return st;
    if (auto st = Generator(db).run(count, progress); !st) {
        db.rollback();
        return Status::failure("Firmy generowane: " + st.error());
    }
    return db.commit();
}

}  // namespace refhost::db
