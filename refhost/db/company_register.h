#pragma once
// The client register of an accounting office: companies added and changed (FIRMA with its
// seat address, tax office and small-taxpayer years) and their fiscal years (LATA_OBROTOWE),
// each checked before anything is written and written in one transaction. Every refusal is a
// message in Polish for the person who typed the data. The command line and the desktop's
// dialogs both stand on these functions.
//
//   CompanyData data;
//   data.nip = "7781234563"; data.name = "Młyn";  ... the seat address ...
//   Result<std::int32_t> id = addCompany(db, data);
//   Result<std::int32_t> year = addFiscalYear(db, *id, fromDate(2016, 1, 1), fromDate(2016, 12, 31));
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "citforms/values/day_number.h"
#include "refhost/sql/database.h"

namespace refhost::db {

using citforms::values::DayNumber;
using citforms::values::Result;
using citforms::values::Status;

// What a company's register entry holds; on a change, only what is given is changed.
struct CompanyData {
    std::optional<std::string> nip;       // ten digits (blanks and dashes are dropped)
    std::optional<std::string> name;      // the short name
    std::optional<std::string> fullName;  // the full name (the short one when not given)
    std::optional<std::string> regon;     // nine or fourteen digits, or empty for none
    std::optional<std::string> taxOffice; // the office's code from the official list ("3021")
    std::optional<bool> quarterly;        // pays its advances quarterly (KWARTALNY_PDO)
    // Small-taxpayer status per calendar year (MALY_PODATNIK): year -> small or not.
    std::map<int, bool> smallTaxpayer;
    // The seat address: województwo, powiat, gmina, ulica, nr domu, nr lokalu, miejscowość,
    // kod pocztowy, poczta.
    std::optional<std::string> province, county, commune, street, house, flat, city,
        postalCode, postOffice;

    bool hasAddress() const;
};

struct Company {
    std::int32_t id = 0;
    std::string nip, name, fullName, regon, taxOffice;
    bool quarterly = false;
    std::string province, county, commune, street, house, flat, city, postalCode, postOffice;
};

// The official tax-office codes with the offices' names, from the code list shipped with the
// JPK_KR schemas (KodyUrzedowSkarbowych); empty when the list cannot be read.
const std::map<std::string, std::string>& officialTaxOffices();

// Why `data` cannot go into the register (the first problem, in Polish), or nullopt.
// `adding`: a new company, whose NIP, name and seat address are required.
std::optional<std::string> companyProblem(const CompanyData& data, bool adding);

// A new company; its id. Refused with the reason: a check above, or a NIP already in the
// register, or the database's text.
Result<std::int32_t> addCompany(sql::HostDatabase& db, const CompanyData& data);
// Changes company `id`: the register entry in place; a new seat address or tax office is
// recorded from today, the earlier one kept for the periods before.
Status editCompany(sql::HostDatabase& db, std::int32_t id, const CompanyData& data);
// The register entry of company `id` with its newest seat address and tax office.
Result<Company> readCompany(sql::HostDatabase& db, std::int32_t id);

// A fiscal year [from, to] of company `id`: from the first day of a month to the last day of
// a month, at most 23 months long, neither overlapping another year of the company nor
// leaving a gap next to them. Its id.
Result<std::int32_t> addFiscalYear(sql::HostDatabase& db, std::int32_t company, DayNumber from,
                                   DayNumber to);

}  // namespace refhost::db
