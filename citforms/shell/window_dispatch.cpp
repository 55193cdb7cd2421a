#include "citforms/shell/window_dispatch.h"

#include <algorithm>
#include <optional>

#include "citforms/kinds/declaration_kinds.h"
#include "citforms/state/fiscal_year.h"
#include "citforms/store/declaration_load.h"
#include "citforms/windows/window_opener.h"

namespace citforms::module {

namespace {

struct StoredHeader {
    std::int32_t templateId = 0;
    std::int32_t period = 0;
};

// The template and period of declaration `id`; nullopt when there is no such header or it
// could not be read (an SQL error is shown).
std::optional<StoredHeader> readHeader(const host::HostBinding& host, std::int32_t id) {
    if (!host.utility->EXECVAX("select id_deklaracje_wzorzec, data_okresu from DEKLARACJE_NAG "
                               "where id_deklaracje_nag = " +
                               std::to_string(id))) {
        host.utility->MSG_OST(host.utility->fileErrorText());
        return std::nullopt;
    }
    host::ResultRow row;
    if (!host.data->result(host::ResultFileId::VAX_FK).next(row)) return std::nullopt;
    return StoredHeader{store::parseStoredNumber(row.column(0)).value_or(0),
                        store::parseStoredNumber(row.column(1)).value_or(0)};
}

// The declaration state and the load of declaration `id`; false when it is another company's
// or its template has no load (told), or the load failed (the load told why).
bool prepare(ModuleState& module, std::int32_t id, std::int32_t templateId, std::int32_t date) {
    const host::HostBinding& host = module.host();
    if (!declarationOfCurrentCompany(host, id)) return false;
    DeclarationState& state = module.declaration;
    readFiscalYear(host, state, date);
    state.CIT_ID_WZORCA_CIT2 = templateId;
    state.CIT_ID_WZORCA = templateId;
    state.CIT_ID_DEKLARACJI = id;
    const DeclarationKind* kind = declarationKind(templateId);
    if (kind == nullptr || kind->load == nullptr) {
        notBuilt(host);
        return false;
    }
    kind->load(host, state, module.fields);
    return !module.fields.issues.incomplete;
}

// Whether `window` serves declarations of `templateId`: its main window, one of its
// attachments' windows, or the ORD-ZU every CIT-8 and CIT-ST carries. A window of another
// edition would lay its positions over values numbered differently.
bool windowServes(std::int32_t templateId, const std::string& window) {
    const DeclarationKind* kind = declarationKind(templateId);
    if (kind == nullptr) return false;
    if (window == kind->mainWindow || window == "CIT_ORDZU") return true;
    return std::find(kind->attachmentWindows.begin(), kind->attachmentWindows.end(), window) !=
           kind->attachmentWindows.end();
}

}  // namespace

void DEKLARACJE_CIT_POKAZ(ModuleState& module, std::int32_t id, std::int32_t templateId,
                          std::int32_t date) {
    // A CIT-ST is not shown here: it opens through CIT_ST_PRE or from its CIT-8.
    if (const DeclarationKind* k = declarationKind(templateId); k != nullptr && k->family == "CIT-ST") {
        notBuilt(module.host());
        return;
    }
    if (!prepare(module, id, templateId, date)) return;
    const DeclarationKind* kind = declarationKind(templateId);
    windows::WindowOpener opener(module.host(), module.iniManager(), module.fields,
                                 module.declaration, &module.reportRuntime());
    if (!opener.open(kind->mainWindow, windows::WindowArguments{true, date, true, 0, {}}))
        notBuilt(module.host());
}

void CIT_ORDZU(ModuleState& module) {
    windows::WindowOpener opener(module.host(), module.iniManager(), module.fields,
                                 module.declaration, &module.reportRuntime());
    const values::Result<int> result = opener.open("CIT_ORDZU");
    if (!result) module.host().utility->MSG_OST(result.error());
    module.host().data->globals().GLOBALRESPONSE = 1;
}

values::Result<int> openDeclarationWindow(ModuleState& module, std::int32_t id,
                                          const std::string& window, int copy, int count,
                                          windows::WindowArguments arguments) {
    using R = values::Result<int>;
    const host::HostBinding& host = module.host();
    DeclarationState& state = module.declaration;
    const std::int32_t shown = id != 0 ? id : state.CIT_ID_DEKLARACJI;
    std::int32_t period = 0;
    if (shown != 0) {
        const std::optional<StoredHeader> header = readHeader(host, shown);
        if (!header) return R::failure("declaration " + std::to_string(shown) + " was not found");
        if (id != 0) {
            if (!windowServes(header->templateId, window))
                return R::failure("window " + window + " does not serve declarations of template " +
                                  std::to_string(header->templateId));
            if (!prepare(module, id, header->templateId, header->period))
                return R::failure("declaration " + std::to_string(id) + " could not be opened");
        }
        period = header->period;
    }
    if (!windowServes(state.CIT_ID_WZORCA, window))
        return R::failure("window " + window + " does not serve declarations of template " +
                          std::to_string(state.CIT_ID_WZORCA));
    windows::WindowOpener opener(host, module.iniManager(), module.fields, state,
                                 &module.reportRuntime());
    const DeclarationKind* kind = declarationKind(state.CIT_ID_WZORCA);
    if (kind != nullptr && window == kind->mainWindow) {
        arguments.referenceDate = period;
        return opener.open(window, arguments);
    }
    return opener.open(window, copy, count);
}

}  // namespace citforms::module
