#pragma once
// Access to the fields of the open declaration, as the form rules and the statement
// computation see them: CIT-8 and CIT-8/O positions read as decimals (an empty text counts
// as 0) and written back in the class of each field (amount fields keep two decimals, the
// text-held tax fields get the plain decimal text).
#include <string>

#include "citforms/values/day_number.h"
#include "citforms/values/decimal.h"

namespace citforms::compute {

using values::Decimal;

class DeclarationAmounts {
public:
    virtual ~DeclarationAmounts() = default;
    // Positions are the edition's own position numbers.
    virtual Decimal cit8(int position) const = 0;
    virtual void setCit8(int position, const Decimal& value) = 0;
    virtual Decimal cit8o(int position) const = 0;
    virtual void setCit8o(int position, const Decimal& value) = 0;
    // Field 19 of CIT-BR attachment 1 as the CIT-BR field set holds it after loading
    // attachment 1 of N (N = the CIT-BR count); 0 when it is empty.
    virtual Decimal firstCitBrRelief() = 0;
};

// The whole open declaration as the statement computation needs it.
class DeclarationFields : public DeclarationAmounts {
public:
    virtual std::string cit8Text(int position) const = 0;
    virtual void setCit8Text(int position, const std::string& text) = 0;
    virtual std::string cit8oText(int position) const = 0;
    virtual void setCit8oText(int position, const std::string& text) = 0;
    virtual void setCit8oDay(int position, values::DayNumber day) = 0;
    // Empties every numbered attachment (CIT-D, CIT-BR): its copies and its field set.
    virtual void clearAttachments() = 0;
};

}  // namespace citforms::compute
