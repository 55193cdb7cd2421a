#include "citforms/citst/cit_st_window.h"

#include <algorithm>
#include <string>
#include <vector>

#include "citforms/citst/cit_st.h"
#include "citforms/citst/cit_st_procedures.h"
#include "citforms/host/plain_window.h"
#include "citforms/host/ui_seam.h"
#include "citforms/module/automation.h"
#include "citforms/module/declaration_kinds.h"
#include "citforms/store/declaration_load.h"
#include "citforms/store/declaration_save.h"
#include "citforms/values/day_number.h"
#include "citforms/values/text.h"
#include "citforms/windows/plain_documents.h"
#include "citforms/windows/window_opener.h"

namespace citforms::citst {

namespace {

constexpr const char* kLinkWindow = "CIT_ST_8_powiazanie";

std::int32_t idIn(std::string_view text) {
    return store::parseStoredNumber(values::trim(text)).value_or(0);
}

// One link window at a time; the windows run modally on the caller's thread.
bool linkWindowOpen = false;

struct LinkWindowGuard {
    LinkWindowGuard() { linkWindowOpen = true; }
    ~LinkWindowGuard() { linkWindowOpen = false; }
    LinkWindowGuard(const LinkWindowGuard&) = delete;
    LinkWindowGuard& operator=(const LinkWindowGuard&) = delete;
};

// The rows of the link window: "<brak powiązania>", then the company's declarations of the
// other kind, newest period first. CIT-8 returns of both editions that carry a CIT-ST
// (templates 72 and 73) are offered for a CIT-ST.
std::vector<host::ListRow> linkRows(const host::HostBinding& host, bool forCit8) {
    host::UtilityLibrary& u = *host.utility;
    std::vector<host::ListRow> rows{{"0", "<brak powiązania>"}};
    const std::string sql =
        std::string("select a.id_deklaracje_nag, a.lp, a.data_okresu, a.data_systemowa from "
                    "DEKLARACJE_NAG a where a.id_deklaracje_wzorzec in (") +
        (forCit8 ? "201" : "72,73") + ") AND a.id_firmy = " +
        std::to_string(host.data->globals().DANE_ID_FIRMY) +
        " order by a.data_okresu desc, a.lp desc";
    if (!u.EXECVAX(sql)) {
        u.MSG_OST(u.fileErrorText());
        return rows;
    }
    host::ResultRow row;
    host::ResultFile& result = host.data->result(host::ResultFileId::VAX_FK);
    while (result.next(row)) {
        const values::DayNumber period = idIn(row.column(2));
        const std::string month =
            period > 0 ? u.NAZWA_MIESIACA(static_cast<std::int32_t>(values::monthOf(period)),
                                          values::yearOf(period))
                       : std::string();
        const std::string made = u.FORMATDATA(idIn(row.column(3)));
        rows.push_back({std::to_string(idIn(row.column(0))),
                        values::cutText(" lp: " + std::string(values::trim(row.column(1))) +
                                            ", na koniec okresu " + month + ", utworzona dnia " +
                                            std::string(values::trim(made, " ")),
                                        200)});
    }
    return rows;
}

bool locked(host::UtilityLibrary& u, std::int32_t id) {
    return idIn(u.FUNCVAY("select blokada_stan  from DEKLARACJE_NAG_VIEW a where "
                          "a.ID_DEKLARACJE_NAG = " +
                          std::to_string(id))) == 1;
}

// Whether the declaration `selected` is linked to another declaration than `id`.
bool otherLink(host::UtilityLibrary& u, bool forCit8, std::int32_t id, std::int32_t selected) {
    const std::string sel = std::to_string(selected);
    const std::string idText = std::to_string(id);
    return idIn(u.FUNCVAY(forCit8 ? "select 1 from DEKLARACJE_NAG_INTER  where "
                                    "ID_DEKLARACJE_NAG_2 = " +
                                        sel + " AND ID_DEKLARACJE_NAG_1 <> " + idText
                                  : "select 1 from DEKLARACJE_NAG_INTER  where "
                                    "ID_DEKLARACJE_NAG_1 = " +
                                        sel + " AND ID_DEKLARACJE_NAG_2 <> " + idText)) == 1;
}

// The link written by "Zapisz" of the link window, in one transaction: the declaration's own
// links go, the chosen declaration's other link too when the person agreed, then the new
// link (nothing unless both headers exist). False when a statement failed (told; nothing
// changed).
bool writeLink(host::UtilityLibrary& u, bool forCit8, std::int32_t id, std::int32_t selected,
               bool dropOther) {
    const std::string own = std::to_string(id);
    const std::string other = std::to_string(selected);
    std::vector<std::string> statements{
        forCit8 ? "delete from DEKLARACJE_NAG_INTER  where ID_DEKLARACJE_NAG_1=" + own
                : "delete from DEKLARACJE_NAG_INTER  where ID_DEKLARACJE_NAG_2=" + own};
    if (dropOther) {
        statements.push_back(
            forCit8 ? "delete from DEKLARACJE_NAG_INTER  where ID_DEKLARACJE_NAG_2=" + other
                    : "delete from DEKLARACJE_NAG_INTER  where ID_DEKLARACJE_NAG_1=" + other);
    }
    if (selected != 0) {
        const std::string& cit8 = forCit8 ? own : other;
        const std::string& citSt = forCit8 ? other : own;
        statements.push_back(
            "insert into DEKLARACJE_NAG_INTER (ID_DEKLARACJE_NAG_1, ID_DEKLARACJE_NAG_2) select "
            "a.ID_DEKLARACJE_NAG, b.ID_DEKLARACJE_NAG from DEKLARACJE_NAG a, DEKLARACJE_NAG b "
            "where a.ID_DEKLARACJE_NAG=" +
            cit8 + " AND b.ID_DEKLARACJE_NAG=" + citSt);
    }
    if (!u.beginTransaction()) {
        u.MSG_OST(u.fileErrorText());
        return false;
    }
    // What the window checked before asking may have changed meanwhile: the checks again,
    // inside the transaction that writes the link.
    const auto refuse = [&](const char* text) {
        u.rollbackTransaction();
        u.MSG_INF(text);
        return false;
    };
    if (locked(u, id)) return refuse("Nie można wykonać tej operacji. Deklaracja jest zablokowana.");
    if (selected != 0 && locked(u, selected)) {
        return refuse("Nie można wykonać tej operacji. Deklaracja wybrana z listy jest zablokowana.");
    }
    if (selected != 0 && !dropOther && otherLink(u, forCit8, id, selected)) {
        return refuse(forCit8 ? "Informacja CIT-ST wybrana z listy została w tym czasie powiązana "
                                "z inną deklaracją CIT-8. Proszę wybrać ją ponownie."
                              : "Deklaracja CIT-8 wybrana z listy została w tym czasie powiązana "
                                "z inną informacją CIT-ST. Proszę wybrać ją ponownie.");
    }
    for (const std::string& sql : statements) {
        if (!u.EXECVAX(sql)) {
            const std::string error = u.fileErrorText();
            u.rollbackTransaction();
            u.MSG_OST(error);
            return false;
        }
    }
    if (!u.commitTransaction()) {
        u.MSG_OST(u.fileErrorText());
        return false;
    }
    return true;
}

}  // namespace

std::int32_t CIT_ST_201(module::ModuleState& module, std::uint8_t mode, std::uint8_t source,
                        std::int32_t id, const store::DeclarationFields* cit8) {
    const host::HostBinding& host = module.host();
    if (mode > 1) return 0;
    module.ODDZIALY_CIT_ST.clear();
    if (mode == 0) {
        module.citSt.hold(201);
        // A CIT-8 whose kind has the CIT-ST among its windows (editions 23 and 24).
        const module::DeclarationKind* kind =
            cit8 != nullptr ? module::declarationKind(cit8->templateId()) : nullptr;
        const bool fromCit8 =
            source == 1 && kind != nullptr && kind->family == "CIT-8" &&
            std::find(kind->attachmentWindows.begin(), kind->attachmentWindows.end(),
                      "CIT_ST_201") != kind->attachmentWindows.end();
        if (fromCit8) {
            defaultsFromCit8(cit8->main(), cit8->templateId(), module.citSt);
        } else {
            const std::vector<std::string> warnings = standaloneDefaults(host, module.citSt);
            if (!warnings.empty()) host.utility->MSG_OST(values::join(warnings, "|"));
        }
        id = 0;
    } else if (!module::declarationOfCurrentCompany(host, id) ||
               !WYPELNIJ_ZMIENNE_CIT_ST_201(module, id)) {
        return 0;
    }
    module::DeclarationState state;
    state.CIT_ID_DEKLARACJI = id;
    state.CIT_ID_WZORCA = 201;
    windows::WindowOpener opener(host, module.iniManager(), module.citSt, state,
                                 &module.reportRuntime());
    const values::Result<int> result =
        opener.open("CIT_ST_201", windows::WindowArguments{mode == 1, 0, true, 0, {}});
    if (!result) {
        host.utility->MSG_OST(result.error());
        return 0;
    }
    return *result;
}

void CIT_ST_PRE(module::ModuleState& module, std::uint8_t mode, std::int32_t id) {
    if (mode == 0) CIT_ST_201(module, 0, 0, 0);
    if (mode == 1) CIT_ST_201(module, 1, 0, id);
}

std::int32_t CIT_ST_8_POWIAZANIE(module::ModuleState& module, std::string_view kind,
                                 std::int32_t id) {
    const host::HostBinding& host = module.host();
    host::UtilityLibrary& u = *host.utility;
    const bool forCit8 = kind == "CIT-8";
    if (!forCit8 && kind != "CIT-ST") return 0;
    if (linkWindowOpen) {
        host.ui->focusWindow(kLinkWindow);
        return 0;
    }
    auto doc = windows::builtInDialog(kLinkWindow);
    if (!doc) {
        u.MSG_OST(doc.error());
        return 0;
    }
    const LinkWindowGuard guard;
    host::PlainWindow w(std::move(*doc), host.ui);
    w.setValue("KOMUNIKAT", "Ustawienie informacji CIT-ST jako załącznika CIT-8");
    w.setValue("PYTANIE", forCit8 ? "Powiązany załącznik CIT-ST" : "Powiązana deklaracja CIT-8");
    std::vector<host::ListRow> rows = linkRows(host, forCit8);
    const std::string idText = std::to_string(id);
    const std::int32_t linked = idIn(u.FUNCVAY(
        forCit8 ? "select id_deklaracje_nag_2 from DEKLARACJE_NAG_INTER where id_deklaracje_nag_1=" +
                      idText
                : "select id_deklaracje_nag_1 from DEKLARACJE_NAG_INTER where id_deklaracje_nag_2=" +
                      idText));
    int chosen = 0;
    for (std::size_t r = 0; r < rows.size(); ++r)
        if (idIn(rows[r].value) == linked) chosen = static_cast<int>(r);
    w.setRows("DEKLARACJE", std::move(rows));
    w.chooseRow("DEKLARACJE", chosen);
    w.onAction("save", [&] {
        if (locked(u, id)) {
            u.MSG_INF("Nie można wykonać tej operacji. Deklaracja jest zablokowana.");
            return;
        }
        const std::int32_t selected = idIn(w.value("DEKLARACJE"));
        if (selected != 0 && locked(u, selected)) {
            u.MSG_INF("Nie można wykonać tej operacji. Deklaracja wybrana z listy jest zablokowana.");
            return;
        }
        bool dropOther = false;
        if (selected != 0) {
            if (otherLink(u, forCit8, id, selected)) {
                const std::string question =
                    forCit8 ? "Informacja CIT-ST wybrana z listy jest powiązana z inną deklaracją "
                              "CIT-8. Polecenie \"Zapisz\" usunie to powiązanie."
                            : "Deklaracja CIT-8 wybrana z listy jest powiązana z inną informacją "
                              "CIT-ST. Polecenie \"Zapisz\" usunie to powiązanie.";
                if (host.ui->message({host::kTitleInformation, question, "&Zapisz|&Anuluj",
                                      host::MessageIcon::Information, 1}) != 1)
                    return;
                dropOther = true;
            }
        }
        if (!writeLink(u, forCit8, id, selected, dropOther)) return;
        w.finish(selected);
    });
    return host.ui->runWindow({&w, module.iniManager(), false});
}

// The link of a CIT-ST just made from CIT-8 `cit8Id`, checked in the transaction that writes
// it: a CIT-8 locked, or linked to another CIT-ST, since the button was pressed keeps what it
// has (the new CIT-ST stays, unlinked) and the person is told.
void linkNewCitSt(const host::HostBinding& host, std::int32_t cit8Id, std::int32_t made) {
    host::UtilityLibrary& u = *host.utility;
    if (!u.beginTransaction()) {
        u.MSG_OST(u.fileErrorText());
        return;
    }
    const char* refusal = nullptr;
    if (locked(u, cit8Id)) {
        refusal = "Nie można wykonać tej operacji. Deklaracja jest zablokowana.";
    } else if (const std::int32_t linked = linkedCitSt(host, cit8Id);
               linked != 0 && linked != made) {
        refusal = "Deklaracja CIT-8 została w tym czasie powiązana z inną informacją CIT-ST; "
                  "nowa informacja CIT-ST nie została z nią powiązana.";
    }
    if (refusal != nullptr) {
        u.rollbackTransaction();
        u.MSG_INF(refusal);
        return;
    }
    if (const values::Status linkedNow = store::setCit8Link(host, cit8Id, made); !linkedNow) {
        u.rollbackTransaction();
        u.MSG_OST(linkedNow.error());
        return;
    }
    if (!u.commitTransaction()) u.MSG_OST(u.fileErrorText());
}

void openCitStOfCit8(module::ModuleState& module, std::int32_t cit8Id,
                     const store::DeclarationFields& cit8) {
    if (cit8Id == 0) return;
    const host::HostBinding& host = module.host();
    host::UtilityLibrary& u = *host.utility;
    // A link to a CIT-ST that is no longer there counts as none (the new link replaces it).
    if (const std::int32_t linked = linkedCitSt(host, cit8Id); linked != 0) {
        CIT_ST_201(module, 1, 1, linked);
        return;
    }
    const bool any = idIn(u.FUNCVAY(
                         "select 1 FROM DEKLARACJE_NAG where ID_DEKLARACJE_WZORZEC = 201 AND "
                         "ID_FIRMY = " +
                         std::to_string(host.data->globals().DANE_ID_FIRMY))) != 0;
    if (any) {
        const int answer = host.ui->message({host::kTitleInformation, "Wybór opcji...",
                                             "&Dodaj nową|Powiąż", host::MessageIcon::Question, 1});
        if (answer == 2) {
            const std::int32_t chosen = CIT_ST_8_POWIAZANIE(module, "CIT-8", cit8Id);
            if (chosen != 0) CIT_ST_201(module, 1, 1, chosen);
            return;
        }
        if (answer != 1) return;
    }
    const std::int32_t made = CIT_ST_201(module, 0, 1, 0, &cit8);
    if (made == 0) return;
    linkNewCitSt(host, cit8Id, made);
}

}  // namespace citforms::citst
