#pragma once
// Demo data: companies with addresses, tax offices, fiscal years and branches, users, a
// year of books per company with statement definitions, and stored declarations of
// templates 72 and 73 with all their attachments.
#include <cstdint>
#include <string>

#include "refhost/sql/database.h"

namespace refhost::db {

// Fills a database that holds no company yet; refuses one that does. The CIT-8 returns of
// company 1 hold their identification, choices, counts, texts and attachments; their amounts
// are left to the module (the command line's and the desktop's demo step computes them,
// fills their advances from the CIT-2 returns it makes, then calls markDemoFiled()).
citforms::values::Status loadDemo(sql::HostDatabase& db);

// The demo's 2016 CIT-8 of company 1 marked as sent electronically and accepted: done after
// its values, which a sent return no longer takes.
citforms::values::Status markDemoFiled(sql::HostDatabase& db);

// The demo's book writer: `months` months of a mill's postings from `firstMonth` of `year`
// into the books of `company` (whose chart must hold the demo's accounts), the amounts drawn
// from `seed`; `taxRecords` adds the 990 accounts of the CIT-8/O reliefs. One transaction.
citforms::values::Status postDemoBooks(sql::HostDatabase& db, int company, int year,
                                       unsigned firstMonth, int months, std::uint32_t seed,
                                       bool taxRecords);

// Nine digits and the NIP check digit (the ninth digit is stepped while the check would be
// 10); eight (thirteen) digits and the check digit of a 9-digit (14-digit) REGON.
std::string nipWithCheckDigit(const std::string& nineDigits);
std::string regonWithCheckDigit(const std::string& eightDigits);
std::string regon14WithCheckDigit(const std::string& thirteenDigits);

}  // namespace refhost::db
