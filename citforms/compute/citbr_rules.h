#pragma once
// The rules of one CIT-BR attachment: the sums its refresh forms (16 and 19) and the limits
// its window checks on refresh and on closing. Each limit broken is one finding with the
// window's own message; nothing is changed.
//
//   for (const CitBrFinding& f : citBrLimits(set, copy)) u.MSG_INF(f.text);
#include <string>
#include <vector>

#include "citforms/store/field_set.h"
#include "citforms/values/decimal.h"

namespace citforms::compute {

struct CitBrFinding {
    std::vector<int> positions;  // the position that breaks the limit first
    std::string text;
};

values::Decimal citBrSum16(const store::FieldSet& f);  // 13 + 12 + 14 + 15
values::Decimal citBrSum19(const store::FieldSet& f);  // 17 + 11 + 18

// The limits of attachment `copy` (30 % of 10, 20 % / 10 % of 16 by the kind of enterprise,
// part D only on later attachments), in the window's order.
std::vector<CitBrFinding> citBrLimits(const store::FieldSet& f, int copy);

}  // namespace citforms::compute
