#pragma once
// The company's identification data as a declaration prints it: NIP, name, REGON, the seat
// address valid on a reference date and the tax office, read from the host database.
//
//   CompanyData data = loadCompanyData(utility, data, globals.DANE_ID_FIRMY, period);
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "citforms/host/libraries.h"
#include "citforms/values/day_number.h"

namespace citforms::header {

struct CompanyData {
    std::string nip;  // 13
    std::int32_t taxpayerKind = 0;
    std::string fullName;     // 150
    std::string regon;        // 20
    std::string country;      // 30, always "Polska"
    std::string province;     // 40
    std::string county;       // 40
    std::string commune;      // 40
    std::string street;       // 40
    std::string houseNumber;  // 10
    std::string flatNumber;   // 10
    std::string town;         // 40
    std::string postalCode;   // 10
    std::string postOffice;   // 40
    std::string taxOffice;    // 150: name and address of the office
    // What the person should be told, in order: a database's text, the data the company
    // lacks, the texts cut to their fields. The data read is usable all the same.
    std::vector<std::string> warnings;
    // A read that failed (not data the company lacks): its fields above are empty, not values.
    bool companyUnread = false;  // NIP, taxpayer kind, full name, REGON
    bool addressUnread = false;  // the seat address
    bool officeUnread = false;   // the tax office
};

// Where a form holds the company data: which of its positions stay without a value when a
// part of the data could not be read.
struct CompanyPositions {
    std::vector<int> company;  // NIP, name, REGON
    std::vector<int> address;
    std::vector<int> office;
};

// The positions of `form` ("CIT-8 poz. 1") that a failed read of `data` left empty.
std::vector<std::string> unreadPositions(const CompanyData& data, std::string_view form,
                                         const CompanyPositions& positions);

// POBIERZ_DANE_FIRMY for `companyId` and the reference date `date`; shows nothing.
CompanyData loadCompanyData(host::UtilityLibrary& utility, host::DataLibrary& data,
                            std::int32_t companyId, values::DayNumber date);
// Shows the warnings of a load with MSG_OST.
void tellWarnings(host::UtilityLibrary& utility, const CompanyData& data);

}  // namespace citforms::header
