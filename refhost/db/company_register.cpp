#include "refhost/db/company_register.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <filesystem>

#include <QtCore/QFile>
#include <QtCore/QXmlStreamReader>

#include "citforms/values/identifiers.h"
#include "citforms/values/text.h"
#include "refhost/db/jpk_kr_reader.h"

namespace refhost::db {

namespace {

using citforms::values::sqlQuoted;

std::string digitsOf(const std::string& text) {
    std::string out;
    for (char c : text) {
        if (c == ' ' || c == '-') continue;
        out += c;
    }
    return out;
}

bool allDigits(const std::string& text) {
    return !text.empty() && std::all_of(text.begin(), text.end(), [](char c) {
        return std::isdigit(static_cast<unsigned char>(c)) != 0;
    });
}

std::string trimmed(const std::optional<std::string>& text) {
    return text ? std::string(citforms::values::trim(*text)) : std::string();
}

constexpr std::array<const char*, 16> kProvinces = {
    "DOLNOŚLĄSKIE", "KUJAWSKO-POMORSKIE", "LUBELSKIE", "LUBUSKIE", "ŁÓDZKIE", "MAŁOPOLSKIE",
    "MAZOWIECKIE", "OPOLSKIE", "PODKARPACKIE", "PODLASKIE", "POMORSKIE", "ŚLĄSKIE",
    "ŚWIĘTOKRZYSKIE", "WARMIŃSKO-MAZURSKIE", "WIELKOPOLSKIE", "ZACHODNIOPOMORSKIE"};

// The province as the register keeps it (capitals, as the official names are written); the
// text unchanged when it is no province.
std::string provinceName(const std::string& text) {
    const std::string upper = QString::fromStdString(text).trimmed().toUpper().toStdString();
    for (const char* p : kProvinces) {
        if (upper == p) return p;
    }
    return text;
}

bool isProvince(const std::string& text) {
    const std::string name = provinceName(text);
    return std::find_if(kProvinces.begin(), kProvinces.end(),
                        [&](const char* p) { return name == p; }) != kProvinces.end();
}

Result<sql::QueryResult> query(sql::HostDatabase& db, const std::string& sql) {
    return db.run(sql);
}

std::string cell(const sql::QueryResult& r, std::size_t row, std::size_t col) {
    if (row >= r.rows.size() || col >= r.rows[row].size() || !r.rows[row][col]) return {};
    return *r.rows[row][col];
}

std::int32_t number(const std::string& text) {
    return citforms::values::parseInteger<std::int32_t>(std::string(citforms::values::trim(text)))
        .value_or(0);
}

// The whole change in one transaction: anything that fails leaves the register as it was.
template <class Work>
auto inTransaction(sql::HostDatabase& db, Work work) -> decltype(work()) {
    using R = decltype(work());
    if (Status begun = db.begin(); !begun) return R::failure(begun.error());
    auto result = work();
    if (!result) {
        db.rollback();
        return result;
    }
    if (Status committed = db.commit(); !committed) return R::failure(committed.error());
    return result;
}

Result<std::int32_t> nextId(sql::HostDatabase& db, const std::string& table,
                            const std::string& column) {
    auto r = query(db, "select isnull(max(" + column + "),0)+1 from " + table);
    if (!r) return Result<std::int32_t>::failure(r.error());
    return number(cell(*r, 0, 0));
}

// The office of `code` in URZEDY, added from the official list when the register has none yet.
Result<std::int32_t> officeId(sql::HostDatabase& db, const std::string& code) {
    using R = Result<std::int32_t>;
    auto found = query(db, "select min(ID_URZEDU) from URZEDY where KOD_URZEDU = " + sqlQuoted(code));
    if (!found) return R::failure(found.error());
    if (const std::int32_t id = number(cell(*found, 0, 0)); id != 0) return id;
    auto id = nextId(db, "URZEDY", "ID_URZEDU");
    if (!id) return id;
    const std::string& name = officialTaxOffices().at(code);
    auto added = query(db, "insert into URZEDY (ID_URZEDU, NAZWA, KOD_URZEDU) values (" +
                               std::to_string(*id) + ", " + sqlQuoted(name) + ", " +
                               sqlQuoted(code) + ")");
    if (!added) return R::failure(added.error());
    return *id;
}

Status writeOffice(sql::HostDatabase& db, std::int32_t company, const std::string& code,
                   DayNumber since) {
    auto office = officeId(db, code);
    if (!office) return Status::failure(office.error());
    auto id = nextId(db, "URZEDY_FIRMY", "ID_URZEDY_FIRMY");
    if (!id) return Status::failure(id.error());
    for (const std::string& sql :
         {"insert into URZEDY_FIRMY (ID_URZEDY_FIRMY, ID_FIRMY, ID_URZEDU, TYP_URZEDU, DATA_OD) "
          "values (" + std::to_string(*id) + ", " + std::to_string(company) + ", " +
              std::to_string(*office) + ", 'US', " + std::to_string(since) + ")",
          "update FIRMA set id_us = " + std::to_string(*office) +
              " where id_firmy = " + std::to_string(company)}) {
        if (auto done = query(db, sql); !done) return Status::failure(done.error());
    }
    return {};
}

Status writeAddress(sql::HostDatabase& db, std::int32_t company, const Company& seat,
                    DayNumber since) {
    auto id = nextId(db, "ADRESY_FIRMY", "ID_ADRESY_FIRMY");
    if (!id) return Status::failure(id.error());
    // A second change on the same day replaces the first.
    if (auto gone = query(db, "delete from ADRESY_FIRMY where ID_FIRMY = " +
                                  std::to_string(company) + " AND TYP_ADRESU = 'S' AND DATA_OD = " +
                                  std::to_string(since));
        !gone)
        return Status::failure(gone.error());
    auto done = query(
        db, "insert into ADRESY_FIRMY (ID_ADRESY_FIRMY, ID_FIRMY, TYP_ADRESU, DATA_OD, "
            "wojewodztwo, powiat, gmina, ULICA, NR_DOMU, NR_LOKALU, MIEJSCOWOSC, KOD_POCZTOWY, "
            "POCZTA) values (" +
                std::to_string(*id) + ", " + std::to_string(company) + ", 'S', " +
                std::to_string(since) + ", " + sqlQuoted(seat.province) + ", " +
                sqlQuoted(seat.county) + ", " + sqlQuoted(seat.commune) + ", " +
                sqlQuoted(seat.street) + ", " + sqlQuoted(seat.house) + ", " +
                sqlQuoted(seat.flat) + ", " + sqlQuoted(seat.city) + ", " +
                sqlQuoted(seat.postalCode) + ", " + sqlQuoted(seat.postOffice) + ")");
    return done ? Status{} : Status::failure(done.error());
}

Status writeSmallTaxpayer(sql::HostDatabase& db, std::int32_t company,
                          const std::map<int, bool>& years) {
    for (const auto& [year, small] : years) {
        const std::string key =
            " where id_firmy = " + std::to_string(company) + " AND rok = " + std::to_string(year);
        auto gone = query(db, "delete from MALY_PODATNIK" + key);
        if (!gone) return Status::failure(gone.error());
        auto done = query(db, "insert into MALY_PODATNIK (id_firmy, rok, stan) values (" +
                                  std::to_string(company) + ", " + std::to_string(year) + ", " +
                                  (small ? "1" : "0") + ")");
        if (!done) return Status::failure(done.error());
    }
    return {};
}

// The seat as `data` gives it over what the company had.
Company seatOver(Company seat, const CompanyData& data) {
    const auto take = [](std::string& to, const std::optional<std::string>& from) {
        if (from) to = std::string(citforms::values::trim(*from));
    };
    take(seat.province, data.province);
    seat.province = provinceName(seat.province);
    take(seat.county, data.county);
    take(seat.commune, data.commune);
    take(seat.street, data.street);
    take(seat.house, data.house);
    take(seat.flat, data.flat);
    take(seat.city, data.city);
    take(seat.postalCode, data.postalCode);
    take(seat.postOffice, data.postOffice);
    if (seat.postOffice.empty()) seat.postOffice = seat.city;
    return seat;
}

std::optional<std::string> seatProblem(const Company& seat) {
    std::vector<std::string> lacking;
    if (seat.province.empty()) lacking.push_back("województwa");
    if (seat.city.empty()) lacking.push_back("miejscowości");
    if (seat.house.empty()) lacking.push_back("numeru domu");
    if (seat.postalCode.empty()) lacking.push_back("kodu pocztowego");
    if (!lacking.empty())
        return "Adres siedziby jest niepełny: brak " + citforms::values::join(lacking, ", ") + ".";
    if (!isProvince(seat.province))
        return "Nieznane województwo: '" + seat.province + "'.";
    return std::nullopt;
}

Result<std::optional<std::int32_t>> companyOfNip(sql::HostDatabase& db, const std::string& nip) {
    auto r = query(db, "select min(id_firmy) from FIRMA where nip = " + sqlQuoted(nip));
    if (!r) return Result<std::optional<std::int32_t>>::failure(r.error());
    const std::int32_t id = number(cell(*r, 0, 0));
    return id == 0 ? std::nullopt : std::optional<std::int32_t>(id);
}

}  // namespace

bool CompanyData::hasAddress() const {
    return province || county || commune || street || house || flat || city || postalCode ||
           postOffice;
}

const std::map<std::string, std::string>& officialTaxOffices() {
    static const std::map<std::string, std::string> offices = [] {
        std::map<std::string, std::string> out;
        QFile file(QString::fromStdString(
            (std::filesystem::path(jpkKrSchemaFolder()) / "KodyUrzedowSkarbowych_v4-0E.xsd")
                .string()));
        if (!file.open(QIODevice::ReadOnly)) return out;
        QXmlStreamReader xml(&file);
        std::string code;
        while (!xml.atEnd()) {
            if (!xml.readNextStartElement()) continue;
            if (xml.name() == u"enumeration") {
                code = xml.attributes().value("value").toString().toStdString();
            } else if (xml.name() == u"documentation" && !code.empty()) {
                out[code] = xml.readElementText().trimmed().toStdString();
                code.clear();
            }
        }
        return out;
    }();
    return offices;
}

std::optional<std::string> companyProblem(const CompanyData& data, bool adding) {
    if (adding && !data.nip) return "Podaj NIP firmy.";
    if (data.nip) {
        const std::string nip = digitsOf(*data.nip);
        if (nip.size() != 10 || !allDigits(nip))
            return "NIP musi mieć 10 cyfr: '" + *data.nip + "'.";
        if (!citforms::values::nipValid(nip))
            return "NIP " + nip + " ma błędną cyfrę kontrolną.";
    }
    if ((adding && !data.name) || (data.name && trimmed(data.name).empty()))
        return "Podaj nazwę firmy.";
    if (data.regon && !trimmed(data.regon).empty()) {
        const std::string regon = digitsOf(*data.regon);
        if ((regon.size() != 9 && regon.size() != 14) || !allDigits(regon))
            return "REGON musi mieć 9 albo 14 cyfr: '" + *data.regon + "'.";
        if (!citforms::values::regonValid(regon))
            return "REGON " + regon + " ma błędną cyfrę kontrolną.";
    }
    if (data.taxOffice) {
        const std::string code = trimmed(data.taxOffice);
        if (officialTaxOffices().empty())
            return "Nie można odczytać urzędowego wykazu kodów urzędów skarbowych.";
        if (officialTaxOffices().count(code) == 0)
            return "Kodu urzędu skarbowego '" + code + "' nie ma w urzędowym wykazie.";
    }
    if (data.postalCode) {
        const std::string code = trimmed(data.postalCode);
        const bool shaped = code.size() == 6 && code[2] == '-' && allDigits(code.substr(0, 2)) &&
                            allDigits(code.substr(3));
        if (!shaped) return "Kod pocztowy ma postać NN-NNN, a nie '" + code + "'.";
    }
    for (const auto& [year, small] : data.smallTaxpayer) {
        if (year < 1801 || year > 9999)
            return "Rok statusu małego podatnika jest błędny: " + std::to_string(year) + ".";
    }
    if (adding || data.hasAddress()) {
        if (adding && !data.hasAddress()) return "Podaj adres siedziby firmy.";
    }
    return std::nullopt;
}

Result<Company> readCompany(sql::HostDatabase& db, std::int32_t id) {
    using R = Result<Company>;
    const std::string idText = std::to_string(id);
    auto firm = query(db, "select nip, nazwa, nazwa_pelna, regon, KWARTALNY_PDO from FIRMA "
                          "where id_firmy = " + idText);
    if (!firm) return R::failure(firm.error());
    if (firm->rows.empty()) return R::failure("Nie ma firmy " + idText + " w rejestrze.");
    Company c;
    c.id = id;
    c.nip = cell(*firm, 0, 0);
    c.name = cell(*firm, 0, 1);
    c.fullName = cell(*firm, 0, 2);
    c.regon = cell(*firm, 0, 3);
    c.quarterly = number(cell(*firm, 0, 4)) == 1;
    auto seat = query(db, "select top 1 wojewodztwo, powiat, gmina, ULICA, NR_DOMU, NR_LOKALU, "
                          "MIEJSCOWOSC, KOD_POCZTOWY, POCZTA from ADRESY_FIRMY where ID_FIRMY = " +
                              idText + " AND TYP_ADRESU = 'S' order by DATA_OD desc");
    if (!seat) return R::failure(seat.error());
    if (!seat->rows.empty()) {
        std::string* parts[] = {&c.province, &c.county, &c.commune, &c.street,    &c.house,
                                &c.flat,     &c.city,   &c.postalCode, &c.postOffice};
        for (std::size_t i = 0; i < std::size(parts); ++i) *parts[i] = cell(*seat, 0, i);
    }
    auto office = query(db, "select top 1 u.KOD_URZEDU from URZEDY_FIRMY uf join URZEDY u on "
                            "u.ID_URZEDU = uf.ID_URZEDU where uf.ID_FIRMY = " +
                                idText + " AND uf.TYP_URZEDU = 'US' order by uf.DATA_OD desc");
    if (!office) return R::failure(office.error());
    c.taxOffice = cell(*office, 0, 0);
    return c;
}

Result<std::int32_t> addCompany(sql::HostDatabase& db, const CompanyData& data) {
    using R = Result<std::int32_t>;
    if (auto problem = companyProblem(data, true)) return R::failure(*problem);
    const Company seat = seatOver(Company{}, data);
    if (auto problem = seatProblem(seat)) return R::failure(*problem);
    const std::string nip = digitsOf(*data.nip);
    return inTransaction(db, [&]() -> R {
        auto taken = companyOfNip(db, nip);
        if (!taken) return R::failure(taken.error());
        if (*taken)
            return R::failure("Firma o NIP " + nip + " jest już w rejestrze (firma " +
                              std::to_string(**taken) + ").");
        auto id = nextId(db, "FIRMA", "id_firmy");
        if (!id) return id;
        const std::string name = trimmed(data.name);
        const std::string fullName = data.fullName ? trimmed(data.fullName) : name;
        auto done = query(db, "insert into FIRMA (id_firmy, nip, rodzaj_platnika, nazwa, "
                              "nazwa_pelna, regon, KWARTALNY_PDO, id_us) values (" +
                                  std::to_string(*id) + ", " + sqlQuoted(nip) + ", 1, " +
                                  sqlQuoted(name) + ", " + sqlQuoted(fullName) + ", " +
                                  sqlQuoted(digitsOf(trimmed(data.regon))) + ", " +
                                  (data.quarterly.value_or(false) ? "1" : "0") + ", 0)");
        if (!done) return R::failure(done.error());
        if (Status s = writeAddress(db, *id, seat, 0); !s) return R::failure(s.error());
        if (data.taxOffice) {
            if (Status s = writeOffice(db, *id, trimmed(data.taxOffice), 0); !s)
                return R::failure(s.error());
        }
        if (Status s = writeSmallTaxpayer(db, *id, data.smallTaxpayer); !s)
            return R::failure(s.error());
        return *id;
    });
}

Status editCompany(sql::HostDatabase& db, std::int32_t id, const CompanyData& data) {
    using R = Result<bool>;
    if (auto problem = companyProblem(data, false)) return Status::failure(*problem);
    const R done = inTransaction(db, [&]() -> R {
        auto current = readCompany(db, id);
        if (!current) return R::failure(current.error());
        std::vector<std::string> sets;
        if (data.nip) {
            const std::string nip = digitsOf(*data.nip);
            auto taken = companyOfNip(db, nip);
            if (!taken) return R::failure(taken.error());
            if (*taken && **taken != id)
                return R::failure("Firma o NIP " + nip + " jest już w rejestrze (firma " +
                                  std::to_string(**taken) + ").");
            sets.push_back("nip = " + sqlQuoted(nip));
        }
        if (data.name) sets.push_back("nazwa = " + sqlQuoted(trimmed(data.name)));
        if (data.fullName) sets.push_back("nazwa_pelna = " + sqlQuoted(trimmed(data.fullName)));
        if (data.regon) sets.push_back("regon = " + sqlQuoted(digitsOf(trimmed(data.regon))));
        if (data.quarterly)
            sets.push_back(std::string("KWARTALNY_PDO = ") + (*data.quarterly ? "1" : "0"));
        if (!sets.empty()) {
            auto updated = query(db, "update FIRMA set " + citforms::values::join(sets, ", ") +
                                         " where id_firmy = " + std::to_string(id));
            if (!updated) return R::failure(updated.error());
        }
        const DayNumber today = citforms::values::today();
        if (data.hasAddress()) {
            const Company seat = seatOver(*current, data);
            if (auto problem = seatProblem(seat)) return R::failure(*problem);
            if (Status s = writeAddress(db, id, seat, today); !s) return R::failure(s.error());
        }
        if (data.taxOffice && trimmed(data.taxOffice) != current->taxOffice) {
            if (Status s = writeOffice(db, id, trimmed(data.taxOffice),
                                       current->taxOffice.empty() ? 0 : today);
                !s)
                return R::failure(s.error());
        }
        if (Status s = writeSmallTaxpayer(db, id, data.smallTaxpayer); !s)
            return R::failure(s.error());
        return true;
    });
    return done ? Status{} : Status::failure(done.error());
}

Result<std::int32_t> addFiscalYear(sql::HostDatabase& db, std::int32_t company, DayNumber from,
                                   DayNumber to) {
    using R = Result<std::int32_t>;
    using citforms::values::formatIso;
    namespace v = citforms::values;
    if (from > to) return R::failure("Rok obrotowy musi kończyć się po swoim początku.");
    if (v::firstDayOfMonth(from) != from)
        return R::failure("Rok obrotowy zaczyna się pierwszego dnia miesiąca, a nie " +
                          formatIso(from) + ".");
    if (v::lastDayOfMonth(to) != to)
        return R::failure("Rok obrotowy kończy się ostatniego dnia miesiąca, a nie " +
                          formatIso(to) + ".");
    const int months = (v::yearOf(to) - v::yearOf(from)) * 12 +
                       static_cast<int>(v::monthOf(to)) - static_cast<int>(v::monthOf(from)) + 1;
    if (months > 23)
        return R::failure("Rok obrotowy trwa najwyżej 23 miesiące, a ten " +
                          std::to_string(months) + ".");
    return inTransaction(db, [&]() -> R {
        auto firm = query(db, "select count(*) from FIRMA where id_firmy = " + std::to_string(company));
        if (!firm) return R::failure(firm.error());
        if (number(cell(*firm, 0, 0)) == 0)
            return R::failure("Nie ma firmy " + std::to_string(company) + " w rejestrze.");
        auto years = query(db, "select poczatek_roku, koniec_roku from LATA_OBROTOWE where "
                               "id_firmy = " + std::to_string(company) + " order by poczatek_roku");
        if (!years) return R::failure(years.error());
        DayNumber first = 0;
        DayNumber last = 0;
        for (std::size_t i = 0; i < years->rows.size(); ++i) {
            const DayNumber s = number(cell(*years, i, 0));
            const DayNumber e = number(cell(*years, i, 1));
            if (s <= to && from <= e) {
                return R::failure("Rok obrotowy " + formatIso(from) + " – " + formatIso(to) +
                                  " nachodzi na rok " + formatIso(s) + " – " + formatIso(e) + ".");
            }
            if (first == 0 || s < first) first = s;
            last = std::max(last, e);
        }
        if (first != 0 && from > last && from != last + 1) {
            return R::failure("Między ostatnim rokiem obrotowym (do " + formatIso(last) +
                              ") a nowym byłaby przerwa: następny rok musi zaczynać się " +
                              formatIso(last + 1) + ".");
        }
        if (first != 0 && to < first && to + 1 != first) {
            return R::failure("Między nowym rokiem obrotowym a pierwszym (od " + formatIso(first) +
                              ") byłaby przerwa: poprzedni rok musi kończyć się " +
                              formatIso(first - 1) + ".");
        }
        auto id = nextId(db, "LATA_OBROTOWE", "id_lata_obrotowe");
        if (!id) return id;
        const std::string label =
            v::yearOf(from) == v::yearOf(to)
                ? std::to_string(v::yearOf(from))
                : std::to_string(v::yearOf(from)) + "/" + std::to_string(v::yearOf(to));
        auto done = query(db, "insert into LATA_OBROTOWE (id_lata_obrotowe, id_firmy, "
                              "poczatek_roku, koniec_roku, rok_obrotowy) values (" +
                                  std::to_string(*id) + ", " + std::to_string(company) + ", " +
                                  std::to_string(from) + ", " + std::to_string(to) + ", " +
                                  sqlQuoted(label) + ")");
        if (!done) return R::failure(done.error());
        return *id;
    });
}

}  // namespace refhost::db
