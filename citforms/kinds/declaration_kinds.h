#pragma once
// The declaration kinds the module serves, looked up by template id (3, 31-35, 70, 72, 73,
// 201): the forms of each (ids of the form catalogue), its load, computation, recalculation
// and save, its print procedures in the order the PDF export composes them, and its windows.
// Dispatch, automation, the JSON dump and "new declaration" ask the registry instead of
// branching on template numbers; a kind whose procedures are not built yet says so through
// notBuilt().
//
//   const DeclarationKind* kind = declarationKind(73);
//   if (kind == nullptr || kind->load == nullptr) return notBuilt(host, kind);
//   kind->load(host, state, fields);
#include <cstdint>
#include <string>
#include <vector>

#include "citforms/host/binding.h"
#include "citforms/store/declaration_fields.h"
#include "citforms/store/declaration_save.h"
#include "citforms/store/declaration_state.h"

namespace citforms::module {

// One print of the PDF export: the procedure, when it is printed (the main form's field
// `field` above 0, or equal to `equals` when that is not 0; field 0: always), and for a
// numbered attachment the form whose copies 1..N (N = the field's whole part) it prints.
struct PdfStep {
    std::string print;
    int field = 0;
    int equals = 0;
    std::string perCopyOf;
};

// The bank transfer of what a declaration leaves to pay (the host's UP_PRZELEW): the main
// form's position of the amount, and the form symbol and the period of the transfer's title
// ("CIT8" for a year, "CIT2" for a month). No amount position: the kind has no transfer.
struct TransferData {
    int amountField = 0;
    std::string formSymbol;
    bool monthly = false;
};

struct DeclarationKind {
    using Load = void (*)(const host::HostBinding&, const DeclarationState&,
                          store::DeclarationFields&);
    using Compute = void (*)(const host::HostBinding&, const DeclarationState&,
                             store::DeclarationFields&, bool refresh);
    using Recalculate = void (*)(const host::HostBinding&, store::DeclarationFields&,
                                 std::int32_t referenceDate);
    using Save = std::int32_t (*)(const host::HostBinding&, const DeclarationState&,
                                  store::DeclarationFields&, std::int32_t tryb, std::int32_t id,
                                  std::int32_t dataOkresu, std::int32_t idWzorca,
                                  store::SaveOutcome* outcome);

    std::int32_t templateId = 0;
    std::string family;                        // "CIT-8", "CIT-2", "CIT-ST"
    std::string edition;                       // "24"
    // Form catalogue ids of its forms (from the form files' templates): "cit8_24"; the others
    // in storage order: "cit8o_11", "citd_5", "citbr_1", "ordzu".
    std::string mainForm;
    std::vector<std::string> attachmentForms;
    Load load = nullptr;                       // nullptr: not built yet
    Compute compute = nullptr;
    Compute computeAttachment = nullptr;       // the CIT-8/O of the edition
    Recalculate recalculate = nullptr;
    Save save = nullptr;
    std::string mainPrint;                     // print procedure of the main form
    // What the PDF export composes, in order.
    std::vector<PdfStep> pdf;
    std::string mainWindow;                    // "CIT_8_73"
    std::vector<std::string> attachmentWindows;
    // Field of the main form that holds the CIT-8/O amount the new declaration starts at 0
    // (edition 24: 44); 0 when there is none.
    int zeroedOnCreation = 0;
    TransferData transfer;
};

// The kind of a template; nullptr for a template the module does not know.
const DeclarationKind* declarationKind(std::int32_t templateId);
// Every kind, by template id.
const std::vector<DeclarationKind>& declarationKinds();

// Tells the person that a kind (or an unknown template) cannot be handled here:
// "Brak obsługi wzorca deklaracji.".
void notBuilt(const host::HostBinding& host);

}  // namespace citforms::module
