#pragma once
// The declaration kinds the module serves, looked up by template id (3, 31-35, 70, 72, 73,
// 201, and any a kind file adds): built from the kind files (citforms/forms/*.kind, see
// forms/kind_file.h), each kind's load, computation, recalculation and save are the shared
// procedures of its family bound to its template, its prints and windows those its file names.
// Dispatch, automation, the JSON dump and "new declaration" ask the registry instead of
// branching on template numbers; a kind whose procedures are not built says so through
// notBuilt().
//
//   const DeclarationKind* kind = declarationKind(73);
//   if (kind == nullptr || !kind->load) return notBuilt(host);
//   kind->load(host, state, fields);
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "citforms/forms/kind_file.h"
#include "citforms/host/binding.h"
#include "citforms/module/declaration_state.h"
#include "citforms/store/declaration_fields.h"
#include "citforms/store/declaration_save.h"

namespace citforms::module {

using forms::PdfStep;
using forms::ResultPositions;
using forms::TransferData;

struct DeclarationKind {
    using Load = std::function<void(const host::HostBinding&, const DeclarationState&,
                                    store::DeclarationFields&)>;
    using Compute = std::function<void(const host::HostBinding&, const DeclarationState&,
                                       store::DeclarationFields&, bool refresh)>;
    using Recalculate = std::function<void(const host::HostBinding&, store::DeclarationFields&,
                                           std::int32_t referenceDate)>;
    using Save = std::function<std::int32_t(
        const host::HostBinding&, const DeclarationState&, store::DeclarationFields&,
        std::int32_t tryb, std::int32_t id, std::int32_t dataOkresu, std::int32_t idWzorca,
        store::SaveOutcome* outcome)>;

    std::int32_t templateId = 0;
    std::string family;                        // "CIT-8", "CIT-2", "CIT-ST"
    std::string edition;                       // "24"
    // Form catalogue ids of its forms (from the form files' templates): "cit8_24"; the others
    // in storage order: "cit8o_11", "citd_5", "citbr_1", "ordzu".
    std::string mainForm;
    std::vector<std::string> attachmentForms;
    Load load;                                 // empty: not built
    Compute compute;
    Compute computeAttachment;                 // the CIT-8/O of the edition
    Recalculate recalculate;
    Save save;
    std::string mainPrint;                     // print procedure of the main form
    // What the PDF export composes, in order.
    std::vector<PdfStep> pdf;
    std::string mainWindow;                    // "CIT_8_73"
    std::vector<std::string> attachmentWindows;
    // Field of the main form that holds the CIT-8/O amount the new declaration starts at 0
    // (edition 24: 44); 0 when there is none.
    int zeroedOnCreation = 0;
    ResultPositions results;
    TransferData transfer;
    const forms::KindFile* file = nullptr;     // the data it was built from
};

// The kind of a template; nullptr for a template the module does not know.
const DeclarationKind* declarationKind(std::int32_t templateId);
// Every kind, by template id.
const std::vector<DeclarationKind>& declarationKinds();

// Tells the person that a kind (or an unknown template) cannot be handled here:
// "Brak obsługi wzorca deklaracji.".
void notBuilt(const host::HostBinding& host);

}  // namespace citforms::module
