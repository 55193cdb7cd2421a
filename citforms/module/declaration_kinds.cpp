#include "citforms/module/declaration_kinds.h"

#include <algorithm>
#include <iostream>

#include "citforms/citst/cit_st_procedures.h"
#include "citforms/compute/cit2_procedures.h"
#include "citforms/compute/cit8_procedures.h"
#include "citforms/forms/form.h"
#include "citforms/store/declaration_load.h"
#include "citforms/store/declaration_save.h"

namespace citforms::module {

namespace {

// The procedures a kind file names, bound to its template.
bool bindProcedures(DeclarationKind& k, const std::string& procedures) {
    const std::int32_t t = k.templateId;
    if (procedures == "cit8") {
        k.load = [t](const host::HostBinding& host, const DeclarationState& state,
                     store::DeclarationFields& fields) {
            store::WCZYTAJ_CIT_8(t, host, state, fields);
        };
        k.compute = [t](const host::HostBinding& host, const DeclarationState& state,
                        store::DeclarationFields& fields, bool refresh) {
            compute::OBLICZ_CIT_8(t, host, state, fields, refresh);
        };
        k.computeAttachment = [t](const host::HostBinding& host, const DeclarationState& state,
                                  store::DeclarationFields& fields, bool refresh) {
            compute::OBLICZ_CIT_O(t, host, state, fields, refresh);
        };
        k.recalculate = [t](const host::HostBinding& host, store::DeclarationFields& fields,
                            std::int32_t referenceDate) {
            compute::PRZELICZ_CIT_8(t, host, fields, referenceDate);
        };
        k.save = [t](const host::HostBinding& host, const DeclarationState& state,
                     store::DeclarationFields& fields, std::int32_t tryb, std::int32_t id,
                     std::int32_t dataOkresu, std::int32_t idWzorca, store::SaveOutcome* outcome) {
            return store::ZAPISZ_CIT_8(t, host, state, fields, tryb, id, dataOkresu, idWzorca,
                                       outcome);
        };
        return true;
    }
    // The CIT-2 family: one common load and save (of CIT_ID_WZORCA_CIT2); the computation
    // of the advance (CIT-2 (17)) or of the older editions.
    if (procedures == "cit2" || procedures == "cit2-advances") {
        const bool advances = procedures == "cit2-advances";
        k.load = store::WCZYTAJ_CIT_2;
        k.save = [](const host::HostBinding& host, const DeclarationState& state,
                    store::DeclarationFields& fields, std::int32_t tryb, std::int32_t id,
                    std::int32_t dataOkresu, std::int32_t idWzorca, store::SaveOutcome* outcome) {
            return store::ZAPISZ_CIT_2(host, state, fields, tryb, id, dataOkresu, idWzorca,
                                       outcome);
        };
        k.compute = advances ? compute::OBLICZ_CIT_2_35 : compute::OBLICZ_CIT_2_OLD;
        k.recalculate = advances ? compute::PRZELICZ_CIT_2_35 : compute::PRZELICZ_CIT_2_OLD;
        return true;
    }
    if (procedures == "cit-st") {
        k.load = citst::loadCitStKind;
        return true;
    }
    return false;
}

std::vector<DeclarationKind> makeKinds() {
    std::vector<DeclarationKind> kinds;
    for (const forms::KindFile& file : forms::kindFiles()) {
        DeclarationKind k;
        k.templateId = file.templateId;
        k.family = file.family;
        k.edition = file.edition;
        k.mainPrint = file.mainPrint;
        k.pdf = file.pdf;
        k.mainWindow = file.windows.front();
        k.attachmentWindows.assign(file.windows.begin() + 1, file.windows.end());
        k.zeroedOnCreation = file.zeroedOnCreation;
        k.results = file.results;
        k.transfer = file.transfer;
        k.file = &file;
        if (!bindProcedures(k, file.procedures)) {
            // Known, but not served: dispatch tells the person so.
            std::cerr << "citforms: " << file.fileName << ": no procedures '" << file.procedures
                      << "'\n";
        }
        kinds.push_back(std::move(k));
    }

    // The forms of each kind are those whose files name its template, the main form first.
    for (DeclarationKind& k : kinds) {
        const store::DeclarationFields held(k.templateId);
        for (const store::HeldForm& form : held.forms()) {
            const bool main = form.def->storage.kind == forms::StorageKind::Sheet &&
                              form.def->storage.sheet == 0;
            if (main && k.mainForm.empty()) {
                k.mainForm = form.def->id;
            } else {
                k.attachmentForms.push_back(form.def->id);
            }
        }
    }
    return kinds;
}

}  // namespace

const std::vector<DeclarationKind>& declarationKinds() {
    static const std::vector<DeclarationKind> kinds = makeKinds();
    return kinds;
}

const DeclarationKind* declarationKind(std::int32_t templateId) {
    const auto& kinds = declarationKinds();
    const auto it = std::find_if(kinds.begin(), kinds.end(), [&](const DeclarationKind& k) {
        return k.templateId == templateId;
    });
    return it == kinds.end() ? nullptr : &*it;
}

void notBuilt(const host::HostBinding& host) {
    host.utility->MSG_OST("Brak obsługi wzorca deklaracji.");
}

}  // namespace citforms::module
