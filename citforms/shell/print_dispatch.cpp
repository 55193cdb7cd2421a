#include "citforms/shell/print_dispatch.h"

#include <algorithm>
#include <string>
#include <vector>

#include "citforms/citst/cit_st_procedures.h"
#include "citforms/forms/form.h"
#include "citforms/kinds/declaration_kinds.h"
#include "citforms/print/cit8_prints.h"
#include "citforms/print/document_title.h"
#include "citforms/store/declaration_load.h"

namespace citforms::module {

namespace {

void notYetAvailable(const host::HostBinding& host, const char* procedure) {
    host.utility->MSG_OST(std::string("Procedura ") + procedure + " nie jest jeszcze dostępna.");
}

std::string trimmedRight(std::string_view text) {
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
    return std::string(text);
}

// A field's value read as a number (empty or not a number: 0).
values::Decimal numberOf(const store::FieldSet& set, int field) {
    return set[field].decimal();
}

// Whether the main form asks for step `step` of the PDF export.
bool wanted(const store::DeclarationFields& fields, const PdfStep& step) {
    if (step.field == 0) return true;
    const values::Decimal value = numberOf(fields.main(), step.field);
    return step.equals != 0 ? value == values::Decimal(step.equals) : value > values::Decimal(0);
}

// "CIT-8 (24) – <company's short name> – <tax year>" of the loaded declaration `id`.
std::string declarationTitle(const host::HostBinding& host, const DeclarationKind& kind,
                             std::int32_t id, const store::DeclarationFields& fields) {
    const std::string company = host.utility->FUNCVAY(
        "select f.nazwa from FIRMA f inner join DEKLARACJE_NAG n on n.id_firmy = f.id_firmy "
        "where n.id_deklaracje_nag = " +
        std::to_string(id));
    auto day = [&](int field) {
        return store::parseStoredNumber(trimmedRight(fields.main()[field].text())).value_or(0);
    };
    return print::documentTitle(kind.family + " (" + kind.edition + ")", company, day(4),
                                day(5));
}

// Copy numbers in rising order as runs: "3", "1, 4", "1-399".
std::string copyRuns(const std::vector<std::int64_t>& copies) {
    std::string out;
    for (std::size_t i = 0; i < copies.size();) {
        std::size_t j = i;
        while (j + 1 < copies.size() && copies[j + 1] == copies[j] + 1) ++j;
        out += (out.empty() ? "" : ", ") + std::to_string(copies[i]);
        if (j > i) out += "-" + std::to_string(copies[j]);
        i = j + 1;
    }
    return out;
}

}  // namespace

print::PrintEnvironment printEnvironment(ModuleState& module) {
    return print::PrintEnvironment{module.host(), module.reportRuntime(), module.iniManager()};
}

void setPdfPrintSettings(host::Globals& globals) {
    globals.GGG_PRN_UPO_INFO_DRUKUJ = 1;
    globals.GGG_EMAILPDFSAVEAS = 10;
    globals.DEKLARACJE_NADRUK = 0;
}

void WYDRUK_DEKLARACJI_CIT(ModuleState& module, std::string_view idText) {
    const host::HostBinding& host = module.host();
    DeclarationState& state = module.declaration;
    // The id goes into the statement as the number it reads as, never as the caller's text.
    const std::int32_t id = store::parseStoredNumber(idText).value_or(0);
    state.CIT_ID_DEKLARACJI = id;

    std::string templateText;
    if (host.utility->EXECVAX(
            "select id_deklaracje_wzorzec from DEKLARACJE_NAG where id_deklaracje_nag = " +
            std::to_string(id))) {
        host::ResultRow row;
        if (host.data->result(host::ResultFileId::VAX_FK).next(row)) templateText = row.column(0);
    }
    // The template is compared as the text it is stored as: "073" names no kind.
    const std::string t = trimmedRight(templateText);
    const std::int32_t templateId = store::parseStoredNumber(t).value_or(0);
    const DeclarationKind* kind =
        std::to_string(templateId) == t ? declarationKind(templateId) : nullptr;
    if (kind != nullptr && kind->family == "CIT-ST") {
        // The first CIT-ST copy, numbered among the copies its branches need.
        if (citst::WYPELNIJ_ZMIENNE_CIT_ST_201(module, id)) {
            const int forms = citst::copiesFor(module.ODDZIALY_CIT_ST.size(),
                                               citst::kBranchesPerCitSt);
            citst::WYPELNIJ_ZMIENNE_CIT_ST_201_FORMULARZ(module, 1, std::max(forms, 1));
            print::PrintEnvironment env = printEnvironment(module);
            env.documentTitle = declarationTitle(host, *kind, id, module.citSt);
            citst::CIT_ST_Prn_201(env, module.VST);
        }
    } else if (kind != nullptr) {
        // An edition printed onto pre-printed paper uses its overlay when the host asks so.
        const print::FormPrint print =
            print::formPrintFor(kind->mainPrint, host.data->globals());
        if (print != nullptr && kind->load != nullptr) {
            // A CIT-2 names its template in the CIT-2 slot of the state, a CIT-8 in its own.
            std::int32_t& slot =
                kind->family == "CIT-2" ? state.CIT_ID_WZORCA_CIT2 : state.CIT_ID_WZORCA;
            slot = templateId;
            kind->load(host, state, module.fields);
            print::PrintEnvironment env = printEnvironment(module);
            env.documentTitle = declarationTitle(host, *kind, id, module.fields);
            print(env, module.fields);
            slot = 0;
        } else {
            notYetAvailable(host, kind->mainPrint.c_str());
        }
    }
    state.CIT_ID_DEKLARACJI = 0;
}

std::uint8_t composeDeclarationPdf(ModuleState& module, const DeclarationKind& kind,
                                   std::int32_t id, std::string_view fileName) {
    const host::HostBinding& host = module.host();
    DeclarationState& state = module.declaration;
    const bool citSt = kind.family == "CIT-ST";
    // The export composes the prints of the kind; a kind whose prints are missing says so.
    if (kind.pdf.empty() || kind.load == nullptr ||
        (!citSt && print::formPrintOf(kind.pdf.front().print) == nullptr)) {
        notYetAvailable(host, kind.mainPrint.c_str());
        return 0;
    }
    if (host.print == nullptr) return 0;

    state.CIT_ID_WZORCA = kind.templateId;
    state.CIT_ID_DEKLARACJI = id;
    // The common CIT-2 load reads the template from the CIT-2 slot of the state.
    if (kind.family == "CIT-2") state.CIT_ID_WZORCA_CIT2 = kind.templateId;
    // A CIT-ST is the module's CIT-ST working set; a CIT-8 its field sets.
    store::DeclarationFields& fields = citSt ? module.citSt : module.fields;
    kind.load(host, state, fields);
    print::PrintEnvironment env = printEnvironment(module);
    env.documentTitle = declarationTitle(host, kind, id, fields);
    host::PageList pages;
    pages.setDocumentTitle(env.documentTitle);
    // A PDF that cannot be started cannot be finished: nothing is printed into nowhere.
    if (host.print->MAKEPDF(0, trimmedRight(fileName), &pages) != 0) return 0;

    host::Globals& globals = host.data->globals();
    // Every page the declaration announces reaches the file: an announced attachment copy
    // without stored values prints from the defaults of a new copy, and a CIT-ST announced
    // but not linked adds no page. What the file lacks or holds only as defaults is told
    // once the file is written, so that the words match what happened.
    bool complete = true;
    bool noCitSt = false;
    std::vector<std::string> afterwards;
    for (const PdfStep& step : kind.pdf) {
        if (!wanted(fields, step)) continue;
        if (step.print == "CIT_ST_Prn_201") {
            // A CIT-8 prints the CIT-ST linked to it; the CIT-8's own sets stay as loaded.
            std::int32_t citStId = id;
            if (!citSt) {
                citStId = citst::linkedCitSt(host, id);
                if (citStId == 0) {
                    noCitSt = true;
                    continue;
                }
            }
            if (!citSt && !citst::WYPELNIJ_ZMIENNE_CIT_ST_201(module, citStId)) {
                complete = false;
                continue;
            }
            citst::printCitStPages(module, env, [&] { setPdfPrintSettings(globals); });
            continue;
        }
        const print::FormPrint print = print::formPrintOf(step.print);
        if (print == nullptr) {
            // The linked CIT-ST is a declaration of its own, composed by the CIT-ST link.
            if (step.print.rfind("CIT_ST", 0) == 0) continue;
            notYetAvailable(host, step.print.c_str());
            complete = false;
            continue;
        }
        if (step.perCopyOf.empty()) {
            setPdfPrintSettings(globals);
            if (print(env, fields) != 1) complete = false;
            continue;
        }
        const store::HeldForm* held = fields.find(step.perCopyOf);
        if (held == nullptr) continue;
        // Copy after copy is looked up and loaded: sorted once, each lookup is a binary search.
        fields.copies(step.perCopyOf).sort();
        // No declaration holds copies beyond the sheets of its form: those are named as not
        // printed; every copy up to them prints, from its stored values or its defaults.
        const std::int64_t announced = numberOf(fields.main(), step.field).integerPart();
        std::int64_t count = announced;
        if (held->lastCopy() > 0 && count > held->lastCopy()) count = held->lastCopy();
        std::vector<std::int64_t> defaulted;
        for (std::int64_t i = 1; i <= count; ++i) {
            if (!held->copies.hasCopy(static_cast<std::int32_t>(i))) defaulted.push_back(i);
            setPdfPrintSettings(globals);
            store::loadCopy(fields, step.perCopyOf, static_cast<std::int32_t>(i),
                            static_cast<std::int32_t>(count));
            if (print(env, fields) != 1) complete = false;
        }
        if (!defaulted.empty()) {
            afterwards.push_back("Brak wartości załącznika " + held->def->name +
                                 " (formularz nr " + copyRuns(defaulted) +
                                 "); plik PDF zawiera te formularze z wartościami domyślnymi.");
        }
        if (announced > count) {
            std::string beyond = std::to_string(count + 1);
            if (announced > count + 1) beyond += "-" + std::to_string(announced);
            host.utility->MSG_OST("Załącznik " + held->def->name + " ma najwyżej " +
                                  std::to_string(count) + " formularzy (formularz nr " +
                                  beyond + "); plik PDF nie zawiera tych formularzy.");
            complete = false;
        }
    }
    const bool made = host.print->MAKEPDF(2, "", &pages) == 0;
    if (noCitSt) host.utility->MSG_OST(citst::missingCitStMessage(id, made));
    if (made) {
        for (const std::string& text : afterwards) host.utility->MSG_OST(text);
    }
    // A file without pages that could have been printed is no success.
    return made && complete ? 1 : 0;
}

std::uint8_t ZAPISZ_CIT8_DO_PDF(ModuleState& module, std::int32_t templateId, std::int32_t id,
                                std::string_view fileName) {
    const host::HostBinding& host = module.host();
    if (templateId == 0) {
        host.utility->MSG_OST("Brak wzorca deklaracji.");
        return 0;
    }
    module.declaration.CIT_ID_WZORCA = templateId;
    const DeclarationKind* kind = declarationKind(templateId);
    // The export serves the CIT-8 editions and the CIT-ST; a CIT-2 is printed, not exported.
    if (kind == nullptr || kind->family == "CIT-2") {
        notBuilt(host);
        return 0;
    }
    return composeDeclarationPdf(module, *kind, id, fileName);
}

void CIT_ORDZU_PRN(ModuleState& module) {
    print::CIT_ORDZU_Prn(printEnvironment(module), module.fields);
}

}  // namespace citforms::module
