#include "citforms/state/company_data.h"

#include <vector>

#include "citforms/values/field_value.h"
#include "citforms/values/text.h"

namespace citforms::header {

namespace {

// Copies company text into a form field of `capacity` characters; a text that has to be cut
// is named in `cut` ("nazwa pełna (150 znaków)").
class FieldCopy {
public:
    std::string operator()(const std::string& text, std::size_t capacity, const char* what) {
        if (values::textLength(text) > capacity) {
            cut_.push_back(std::string(what) + " (" + std::to_string(capacity) + " znaków)");
        }
        return values::cutText(text, capacity);
    }
    const std::vector<std::string>& cut() const { return cut_; }

private:
    std::vector<std::string> cut_;
};

// First row of the last statement run into VAY_FK, or nothing (the database's text is kept
// in `warnings` and `failed` set).
bool firstRow(host::UtilityLibrary& utility, host::DataLibrary& data, const std::string& sql,
              host::ResultRow& row, std::vector<std::string>& warnings, bool& failed) {
    if (!utility.EXECVAY(sql)) {
        warnings.push_back(utility.fileErrorText());
        failed = true;
        return false;
    }
    return data.result(host::ResultFileId::VAY_FK).next(row);
}

std::int32_t readId(const std::string& text) {
    return values::parseInteger<std::int32_t>(values::trim(text, " ")).value_or(0);
}

}  // namespace

CompanyData loadCompanyData(host::UtilityLibrary& utility, host::DataLibrary& data,
                            std::int32_t companyId, values::DayNumber date) {
    CompanyData c;
    FieldCopy cutText;
    std::vector<std::string> missing;
    const std::string company = std::to_string(companyId);
    const std::string day = std::to_string(date);

    host::ResultRow row;
    if (firstRow(
            utility, data,
            "select nip, rodzaj_platnika, nazwa_pelna, regon from FIRMA where id_firmy=" + company,
            row, c.warnings, c.companyUnread)) {
        c.nip = cutText(row.column(0), 13, "NIP");
        c.taxpayerKind = readId(row.column(1));
        c.fullName = cutText(row.column(2), 150, "nazwa pełna");
        c.regon = cutText(row.column(3), 20, "REGON");
    }

    c.country = "Polska";
    row = {};
    if (firstRow(utility, data,
                 "select top 1 wojewodztwo, powiat, gmina, ulica, nr_domu, nr_lokalu, "
                 "miejscowosc, kod_pocztowy, poczta from ADRESY_FIRMY where id_firmy=" +
                     company + " AND typ_adresu='S' AND data_od<=" + day +
                     " order by id_firmy, typ_adresu, data_od desc",
                 row, c.warnings, c.addressUnread)) {
        c.province = cutText(row.column(0), 40, "województwo");
        c.county = cutText(row.column(1), 40, "powiat");
        c.commune = cutText(row.column(2), 40, "gmina");
        c.street = cutText(row.column(3), 40, "ulica");
        c.houseNumber = cutText(row.column(4), 10, "nr domu");
        c.flatNumber = cutText(row.column(5), 10, "nr lokalu");
        c.town = cutText(row.column(6), 40, "miejscowość");
        c.postalCode = cutText(row.column(7), 10, "kod pocztowy");
        c.postOffice = cutText(row.column(8), 40, "poczta");
    } else {
        missing.push_back("adresu siedziby ważnego na dzień " + values::formatIso(date));
    }

    // The office marked on the company first; otherwise the tax office valid on the date. A
    // read that fails leaves the status set (an empty answer alone is no office).
    const auto readFailed = [&] {
        if (utility.errorStatus().code == 0) return false;
        c.warnings.push_back(utility.fileErrorText());
        c.officeUnread = true;
        return true;
    };
    std::int32_t office = readId(utility.FUNCVAY(
        "select u.id_urzedu from FIRMA f inner join URZEDY_FIRMY uf on f.id_us=uf.id_urzedu "
        "and uf.id_firmy = f.id_firmy join URZEDY u on u.id_urzedu=uf.id_urzedu where "
        "f.id_firmy=" +
        company));
    if (!readFailed() && office == 0) {
        office = readId(utility.FUNCVAY("select top 1 id_urzedu from URZEDY_FIRMY where id_firmy=" +
                                        company + " AND typ_urzedu='US' AND data_od<=" + day +
                                        " order by id_firmy, typ_urzedu, data_od desc"));
        readFailed();
    }
    if (office != 0 && !c.officeUnread) {
        c.taxOffice = cutText(utility.GET_NAZWA_ADRES_URZEDU(1, office), 150, "urząd skarbowy");
        readFailed();
    }
    if (c.taxOffice.empty() && !c.officeUnread) missing.push_back("urzędu skarbowego");
    if (!missing.empty()) {
        c.warnings.push_back("Firma nie ma " + values::join(missing, ", ") +
                             ": te pola deklaracji pozostaną puste. Uzupełnij dane firmy.");
    }
    if (!cutText.cut().empty()) {
        c.warnings.push_back("Dane firmy dłuższe niż pola deklaracji zostały skrócone: " +
                             values::join(cutText.cut(), ", ") + ".");
    }
    return c;
}

std::vector<std::string> unreadPositions(const CompanyData& data, std::string_view form,
                                         const CompanyPositions& positions) {
    std::vector<std::string> names;
    const auto add = [&](bool unread, const std::vector<int>& list) {
        if (!unread) return;
        for (int n : list) names.push_back(std::string(form) + " poz. " + std::to_string(n));
    };
    add(data.companyUnread, positions.company);
    add(data.addressUnread, positions.address);
    add(data.officeUnread, positions.office);
    return names;
}

void tellWarnings(host::UtilityLibrary& utility, const CompanyData& data) {
    for (const std::string& warning : data.warnings) utility.MSG_OST(warning);
}

}  // namespace citforms::header
