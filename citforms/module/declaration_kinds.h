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
#include "citforms/module/declaration_state.h"
#include "citforms/store/declaration_fields.h"
#include "citforms/store/declaration_save.h"

namespace citforms::module {

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
    std::string mainForm;                      // form catalogue id: "cit8_24"
    std::vector<std::string> attachmentForms;  // "cit8o_11", "citbr_1", "citd_5", "ordzu"
    Load load = nullptr;                       // nullptr: not built yet
    Compute compute = nullptr;
    Recalculate recalculate = nullptr;
    Save save = nullptr;
    std::string mainPrint;                     // print procedure of the main form
    // Print procedures in the order the PDF export composes them.
    std::vector<std::string> pdfPrints;
    std::string mainWindow;                    // "CIT_8_73"
    std::vector<std::string> attachmentWindows;
    // Field of the main form that holds the CIT-8/O amount the new declaration starts at 0
    // (edition 24: 44); 0 when there is none.
    int zeroedOnCreation = 0;
};

// The kind of a template; nullptr for a template the module does not know.
const DeclarationKind* declarationKind(std::int32_t templateId);
// Every kind, by template id.
const std::vector<DeclarationKind>& declarationKinds();

// Tells the person that a kind (or an unknown template) cannot be handled here:
// "Brak obsługi wzorca deklaracji.".
void notBuilt(const host::HostBinding& host);

}  // namespace citforms::module
