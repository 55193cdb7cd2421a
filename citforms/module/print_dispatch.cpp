#include "citforms/module/print_dispatch.h"

#include <algorithm>
#include <string>

#include "citforms/module/declaration_kinds.h"
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
    if (kind != nullptr) {
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

std::uint8_t ZAPISZ_CIT8_DO_PDF(ModuleState& module, std::int32_t templateId, std::int32_t id,
                                std::string_view fileName) {
    const host::HostBinding& host = module.host();
    DeclarationState& state = module.declaration;
    if (templateId == 0) {
        host.utility->MSG_OST("Brak wzorca deklaracji.");
        return 0;
    }
    state.CIT_ID_WZORCA = templateId;
    const DeclarationKind* kind = declarationKind(templateId);
    if (kind == nullptr) {
        notBuilt(host);
        return 0;
    }
    // The export composes the prints of the kind; only edition 24's exist yet.
    if (kind->pdf.empty() || print::formPrintOf(kind->pdf.front().print) == nullptr ||
        kind->load == nullptr) {
        notYetAvailable(host, kind->mainPrint.c_str());
        return 0;
    }
    if (host.print == nullptr) return 0;

    state.CIT_ID_DEKLARACJI = id;
    // The common CIT-2 load reads the template from the CIT-2 slot of the state.
    if (kind->family == "CIT-2") state.CIT_ID_WZORCA_CIT2 = templateId;
    kind->load(host, state, module.fields);
    print::PrintEnvironment env = printEnvironment(module);
    env.documentTitle = declarationTitle(host, *kind, id, module.fields);
    host::PageList pages;
    pages.setDocumentTitle(env.documentTitle);
    // A PDF that cannot be started cannot be finished: nothing is printed into nowhere.
    if (host.print->MAKEPDF(0, trimmedRight(fileName), &pages) != 0) return 0;

    host::Globals& globals = host.data->globals();
    store::DeclarationFields& fields = module.fields;
    for (const PdfStep& step : kind->pdf) {
        // Prints not built yet (the linked CIT-ST, CIT-D) are left out of the file.
        const print::FormPrint print = print::formPrintOf(step.print);
        if (print == nullptr || !wanted(fields, step)) continue;
        if (step.perCopyOf.empty()) {
            setPdfPrintSettings(globals);
            print(env, fields);
            continue;
        }
        const store::HeldForm* held = fields.find(step.perCopyOf);
        if (held == nullptr) continue;
        // No declaration holds copies beyond the sheets of its form.
        std::int64_t count = numberOf(fields.main(), step.field).integerPart();
        if (held->lastCopy() > 0) count = std::min<std::int64_t>(count, held->lastCopy());
        for (std::int32_t i = 1; i <= count; ++i) {
            setPdfPrintSettings(globals);
            store::loadCopy(fields, step.perCopyOf, i, static_cast<std::int32_t>(count));
            print(env, fields);
        }
    }
    return host.print->MAKEPDF(2, "", &pages) == 0 ? 1 : 0;
}

void CIT_ORDZU_PRN(ModuleState& module) {
    print::CIT_ORDZU_Prn(printEnvironment(module), module.fields);
}

}  // namespace citforms::module
