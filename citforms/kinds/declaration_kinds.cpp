#include "citforms/kinds/declaration_kinds.h"

#include <algorithm>

#include "citforms/citst/cit_st_procedures.h"
#include "citforms/compute/cit2_procedures.h"
#include "citforms/compute/cit8_procedures.h"
#include "citforms/forms/form.h"
#include "citforms/store/declaration_load.h"
#include "citforms/store/declaration_save.h"

namespace citforms::module {

namespace {

// A step printed always.
PdfStep always(const char* print) {
    return PdfStep{print, 0, 0, ""};
}
// A step printed when the main form's `field` is above 0.
PdfStep when(const char* print, int field) {
    return PdfStep{print, field, 0, ""};
}
// A step printed once per copy 1..N of a numbered form, N the main form's `field`.
PdfStep perCopy(const char* print, int field, const char* form) {
    return PdfStep{print, field, 0, form};
}
// The ORD-ZU of a correction: printed when the main form's purpose field equals 2.
PdfStep correction(int field) {
    return PdfStep{"CIT_ORDZU_Prn", field, 2, ""};
}

// Each kind names only what it has; the members it leaves out keep their defaults.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"
std::vector<DeclarationKind> makeKinds() {
    std::vector<DeclarationKind> kinds;
    // The CIT-2 family: one common load and save; the computation per generation.
    const struct {
        std::int32_t id;
        const char* edition;
        const char* suffix;
    } cit2[] = {{3, "12", ""},     {31, "13", "_31"}, {32, "14", "_32"},
                {33, "15", "_33"}, {34, "16", "_34"}, {35, "17", "_35"}};
    for (const auto& c : cit2) {
        DeclarationKind k;
        k.templateId = c.id;
        k.family = "CIT-2";
        k.edition = c.edition;
        k.mainPrint = std::string("CIT_2_Prn") + c.suffix;
        k.mainWindow = std::string("CIT_2") + c.suffix;
        k.attachmentWindows = {std::string("CIT_O") + c.suffix};
        // The PDF holds the return and its attachment.
        k.pdf = {PdfStep{k.mainPrint, 0, 0, ""},
                 PdfStep{std::string("CIT_O_Prn") + c.suffix, 0, 0, ""}};
        k.load = store::WCZYTAJ_CIT_2;
        k.save = store::ZAPISZ_CIT_2;
        k.compute = c.id == 35 ? compute::OBLICZ_CIT_2_35 : compute::OBLICZ_CIT_2_OLD;
        k.recalculate = c.id == 35 ? compute::PRZELICZ_CIT_2_35 : compute::PRZELICZ_CIT_2_OLD;
        // The advance of the month to pay: position 45 of the CIT-2 (17).
        if (c.id == 35) k.transfer = {45, "CIT2", true};
        kinds.push_back(std::move(k));
    }

    // The linked CIT-ST prints its pages where the CIT-ST count is above 0.
    kinds.push_back({.templateId = 70,
                     .family = "CIT-8",
                     .edition = "21",
                     .load = store::WCZYTAJ_CIT_8_70,
                     .compute = compute::OBLICZ_CIT_8_70,
                     .computeAttachment = compute::OBLICZ_CIT_O_70,
                     .recalculate = compute::PRZELICZ_CIT_8_70,
                     .save = store::ZAPISZ_CIT_8_70,
                     .mainPrint = "CIT_8_Prn_70",
                     .pdf = {always("CIT_8_Prn_70"), correction(7), when("CIT_O_Prn_70", 24),
                             perCopy("CIT_D_Prn_70", 25, "CIT-D")},
                     .mainWindow = "CIT_8_70",
                     .attachmentWindows = {"CIT_O_70", "CIT_D_70"},
                     .zeroedOnCreation = 43,
                     .transfer = {92, "CIT8", false}});
    kinds.push_back({.templateId = 72,
                     .family = "CIT-8",
                     .edition = "23",
                     .load = store::WCZYTAJ_CIT_8_72,
                     .compute = compute::OBLICZ_CIT_8_72,
                     .computeAttachment = compute::OBLICZ_CIT_O_72,
                     .recalculate = compute::PRZELICZ_CIT_8_72,
                     .save = store::ZAPISZ_CIT_8_72,
                     .mainPrint = "CIT_8_Prn_72",
                     .pdf = {always("CIT_8_Prn_72"), correction(7), when("CIT_ST_Prn_201", 25),
                             when("CIT_O_Prn_72", 27), perCopy("CIT_D_Prn_72", 28, "CIT-D")},
                     .mainWindow = "CIT_8_72",
                     .attachmentWindows = {"CIT_O_72", "CIT_D_72", "CIT_ST_201"},
                     .zeroedOnCreation = 43,
                     .transfer = {92, "CIT8", false}});
    kinds.push_back({.templateId = 73,
                     .family = "CIT-8",
                     .edition = "24",
                     .load = store::WCZYTAJ_CIT_8_73,
                     .compute = compute::OBLICZ_CIT_8_73,
                     .computeAttachment = compute::OBLICZ_CIT_O_73,
                     .recalculate = compute::PRZELICZ_CIT_8_73,
                     .save = store::ZAPISZ_CIT_8_73,
                     .mainPrint = "CIT_8_Prn_73",
                     .pdf = {always("CIT_8_Prn_73"), correction(7), when("CIT_ST_Prn_201", 25),
                             when("CIT_O_Prn_73", 27), perCopy("CIT_BR_Prn_73", 28, "CIT-BR"),
                             perCopy("CIT_D_Prn_72", 29, "CIT-D")},
                     .mainWindow = "CIT_8_73",
                     .attachmentWindows = {"CIT_O_73", "CIT_BR_73", "CIT_D_72", "CIT_ST_201"},
                     .zeroedOnCreation = 44,
                     .transfer = {95, "CIT8", false}});
    kinds.push_back({.templateId = 201,
                     .family = "CIT-ST",
                     .edition = "7",
                     .load = citst::loadCitStKind,
                     .mainPrint = "CIT_ST_PRN_201",
                     // "CIT_ST_Prn_201" stands for every CIT-ST copy followed by every CIT-STA copy.
                     .pdf = {always("CIT_ST_Prn_201"), correction(8)},
                     .mainWindow = "CIT_ST_201"});

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
#pragma GCC diagnostic pop

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
