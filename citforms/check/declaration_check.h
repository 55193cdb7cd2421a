#pragma once
// The pre-filing check of a CIT-8 (templates 70, 72, 73) with its attachments: what an
// accountant looks at before signing. Nothing is changed in the declaration; the check only
// reports (check_item.h).
//
// It covers:
//   - every rule of the form's arithmetic (compute/form_rules.h), each applied to the amounts
//     as they stand: a position that differs from what its rule gives is named with that value;
//     the CIT-8/O totals and the CIT-BR sums and limits of each copy likewise;
//   - identifiers of every form by the roles of their positions: NIP check digit, REGON check
//     digit (9 or 14 digits), postal code NN-NNN; the tax office present;
//   - the period inside one fiscal year of the company, the date of filling not before its end;
//   - attachment counts against the copies held, the ORD-ZU justification of a correction,
//     CIT-8/O amounts carried into the CIT-8 without the attachment announced;
//   - the advances against the company's stored CIT-2 returns of the fiscal year (when any);
//   - the messages the declaration's accounting statements give (masks that name no account);
//   - the income-statement accounts with turnover that no statement of the declaration reads
//     (asked of the host: StatementsLibrary::ZESTAWIENIE_DD_KONTA);
//   - a return whose amounts are all 0, a correction without an earlier return of the period.
// A CIT-2 of template 35 gets the rules of its advance computation, its identifiers and period;
// a CIT-ST its NIP, period, branches (NIP, GUS code) and employee count. The CIT-2 editions
// typed by hand are not checked: the result says so (checked = false, a note).
//
//   const values::Result<CheckResult> r = checkStoredDeclaration(module, 2);
//   if (!r) fail(r.error());            // the declaration could not be read: never "clean"
//   for (const CheckItem& item : r->items) ...
#include <cstdint>
#include <optional>
#include <string_view>

#include "citforms/check/check_item.h"
#include "citforms/host/binding.h"
#include "citforms/store/declaration_fields.h"
#include "citforms/store/declaration_state.h"
#include "citforms/values/result.h"

namespace citforms::forms {
class FormDef;
}

namespace citforms::module {
class ModuleState;
}

namespace citforms::check {

struct CheckOptions {
    // true: the declaration's statements are run again, without touching its values, and
    // their messages (KOMUNIKAT, the user's context ZESTAW, left there as any computation
    // leaves them) are reported. false: the messages already in KOMUNIKAT are taken as they
    // are, for a caller that has just computed this very declaration.
    bool runStatements = true;
};

// The position of the main form `main` that announces how many copies of `form` ("CIT-D",
// "CIT-8/O", "CIT-ST") the declaration has; nullopt when the edition has none.
std::optional<int> countPosition(const forms::FormDef& main, std::string_view form);

// The position of the main form `main` that shows an item about `position` of `form`: the
// position itself on the main form (nullopt for 0), for an attachment the position that
// announces it ("Przejdź" of the check, and a window opened at a check item).
std::optional<int> positionShowing(const forms::FormDef& main, std::string_view form,
                                   int position);

// Loads stored declaration `id` through the module's own load (into the module's field
// sets, as `dump` does) and checks it. A failure: no such declaration, a header or field rows
// that could not be read, values that could not be taken as stored — never an empty list.
values::Result<CheckResult> checkStoredDeclaration(module::ModuleState& module, std::int32_t id,
                                                   const CheckOptions& options = {});

// Checks the values held in `fields` (a window's current values) of the declaration `state`
// names (its id, template and fiscal year); the company is the host's current one.
CheckResult checkFields(const host::HostBinding& host, const module::DeclarationState& state,
                        const store::DeclarationFields& fields, const CheckOptions& options = {});

}  // namespace citforms::check
