#pragma once
// Filling a CIT-8 and its CIT-8/O from the accounting statements of the host database.
//
// Each statement field is set to 0, then receives the single amount that the host's
// statement procedure returns for the field's code; the form rules are applied as soon as
// their inputs are in. A failing statement, or one whose result is no amount a field can hold,
// is skipped: the field stays 0 and is named in failedStatements(), so that a caller without a
// person to decide (automation) does not save it. Nothing is shown while the work runs: the
// reasons wait in warnings() and tell() shows them, then the statement messages window.
//
//   StatementComputation c(FormEdition::cit8Edition24(), fields, utility, ui, context);
//   c.computeCit8(false);   // fresh: a new declaration, hand-filled fields reset
//   c.computeCit8(true);    // refresh: what the person typed stays
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "citforms/compute/declaration_amounts.h"
#include "citforms/compute/form_edition.h"
#include "citforms/compute/statement_runner.h"
#include "citforms/host/libraries.h"
#include "citforms/values/result.h"

namespace citforms::compute {

class StatementComputation {
public:
    StatementComputation(const FormEdition& edition, DeclarationFields& fields,
                         host::UtilityLibrary& utility, host::DataLibrary& data, host::UiSeam* ui,
                         ComputationContext context);

    // The CIT-8 with its CIT-8/O.
    void computeCit8(bool refresh);
    // The CIT-8/O alone (its own recompute button): clears the person's statement messages
    // first and shows the new ones at the end.
    void computeCit8o(bool refresh);

    // Fields whose statement failed in the last computation ("CIT-8 poz. 31", "CIT-8/O poz.
    // 12"); they hold 0.
    const std::vector<std::string>& failedStatements() const { return runner_.failed(); }
    // Why statements failed (the database's text, or what was wrong with the result), in
    // the order they ran.
    std::vector<std::string> warnings() const { return runner_.warnings(); }
    // Shows the warnings with MSG_OST and then the statement messages of the computation
    // (INFO_ZESTAWIENIE); each computation's once.
    void tell() { runner_.tell(); }

    // The statement call of one field, exactly as the host procedure expects it.
    std::string statementText(const std::string& code) const {
        return runner_.statementText(code);
    }

private:
    // `standalone` is false inside the CIT-8 computation: the attachment then neither clears
    // the statement messages (those of the CIT-8 statements that ran before would be lost
    // unseen) nor shows them; the CIT-8 shows them all once at its end.
    void computeAttachment(bool refresh, bool standalone);
    // CIT-8 statement field, given by its edition-(24) position.
    void cit8Statement(int p24, bool wholeZloty = false);
    void cit8oStatement(int position);
    void setCit8(int p24, const Decimal& value);
    void setCit8Text(int p24, const std::string& text);

    const FormEdition& edition_;
    DeclarationFields& fields_;
    StatementRunner runner_;
};

}  // namespace citforms::compute
