#include "citforms/module/declaration_kinds.h"

#include <algorithm>

#include "citforms/compute/cit8_procedures.h"
#include "citforms/store/declaration_load.h"

namespace citforms::module {

namespace {

std::vector<DeclarationKind> makeKinds() {
    std::vector<DeclarationKind> kinds;
    // The CIT-2 family: forms and windows known, procedures still to come.
    const struct {
        std::int32_t id;
        const char* edition;
        const char* form;
        const char* attachment;
        const char* suffix;
    } cit2[] = {{3, "12", "cit2_12", "cito_1", ""},       {31, "13", "cit2_13", "cito_2", "_31"},
                {32, "14", "cit2_14", "cit2o_1", "_32"},  {33, "15", "cit2_15", "cit2o_2", "_33"},
                {34, "16", "cit2_16", "cit2o_3", "_34"},  {35, "17", "cit2_17", "cit2o_4", "_35"}};
    for (const auto& c : cit2) {
        DeclarationKind k;
        k.templateId = c.id;
        k.family = "CIT-2";
        k.edition = c.edition;
        k.mainForm = c.form;
        k.attachmentForms = {c.attachment};
        k.mainPrint = std::string("CIT_2_Prn") + c.suffix;
        k.pdfPrints = {k.mainPrint, std::string("CIT_O_Prn") + c.suffix};
        k.mainWindow = std::string("CIT_2") + c.suffix;
        k.attachmentWindows = {std::string("CIT_O") + c.suffix};
        kinds.push_back(std::move(k));
    }

    DeclarationKind k70;
    k70.templateId = 70;
    k70.family = "CIT-8";
    k70.edition = "21";
    k70.mainForm = "cit8_21";
    k70.attachmentForms = {"cit8o_8", "citd_3", "ordzu"};
    k70.mainPrint = "CIT_8_Prn_70";
    k70.pdfPrints = {"CIT_8_Prn_70", "CIT_ORDZU_Prn", "CIT_O_Prn_70", "CIT_D_Prn_70"};
    k70.mainWindow = "CIT_8_70";
    k70.attachmentWindows = {"CIT_O_70", "CIT_D_70"};
    kinds.push_back(k70);

    DeclarationKind k72;
    k72.templateId = 72;
    k72.family = "CIT-8";
    k72.edition = "23";
    k72.mainForm = "cit8_23";
    k72.attachmentForms = {"cit8o_10", "citd_5", "ordzu"};
    k72.load = store::WCZYTAJ_CIT_8_72;
    k72.compute = compute::OBLICZ_CIT_8_72;
    k72.recalculate = compute::PRZELICZ_CIT_8_72;
    k72.save = store::ZAPISZ_CIT_8_72;
    k72.mainPrint = "CIT_8_Prn_72";
    k72.pdfPrints = {"CIT_8_Prn_72", "CIT_ORDZU_Prn", "CIT_ST_Prn_201", "CIT_O_Prn_72",
                     "CIT_D_Prn_72"};
    k72.mainWindow = "CIT_8_72";
    k72.attachmentWindows = {"CIT_O_72", "CIT_D_72", "CIT_ST_201"};
    k72.zeroedOnCreation = 43;
    kinds.push_back(k72);

    DeclarationKind k73;
    k73.templateId = 73;
    k73.family = "CIT-8";
    k73.edition = "24";
    k73.mainForm = "cit8_24";
    k73.attachmentForms = {"cit8o_11", "citbr_1", "citd_5", "ordzu"};
    k73.load = store::WCZYTAJ_CIT_8_73;
    k73.compute = compute::OBLICZ_CIT_8_73;
    k73.recalculate = compute::PRZELICZ_CIT_8_73;
    k73.save = store::ZAPISZ_CIT_8_73;
    k73.mainPrint = "CIT_8_Prn_73";
    k73.pdfPrints = {"CIT_8_Prn_73", "CIT_ORDZU_Prn", "CIT_ST_Prn_201", "CIT_O_Prn_73",
                     "CIT_BR_Prn_73", "CIT_D_Prn_72"};
    k73.mainWindow = "CIT_8_73";
    k73.attachmentWindows = {"CIT_O_73", "CIT_BR_73", "CIT_D_72", "CIT_ST_201"};
    k73.zeroedOnCreation = 44;
    kinds.push_back(k73);

    DeclarationKind k201;
    k201.templateId = 201;
    k201.family = "CIT-ST";
    k201.edition = "7";
    k201.mainForm = "cit_st_7";
    k201.attachmentForms = {"cit_sta_5", "ordzu"};
    k201.mainPrint = "CIT_ST_PRN_201";
    k201.pdfPrints = {"CIT_ST_Prn_201", "CIT_STA_Prn_201", "CIT_ORDZU_Prn"};
    k201.mainWindow = "CIT_ST_201";
    kinds.push_back(k201);
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
