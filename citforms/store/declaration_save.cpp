#include "citforms/store/declaration_save.h"

#include <functional>

#include "citforms/forms/form.h"
#include "citforms/store/busy_cursor.h"
#include "citforms/store/declaration_load.h"
#include "citforms/store/header_stamp.h"
#include "citforms/values/day_number.h"
#include "citforms/values/decimal.h"
#include "citforms/values/text.h"

namespace citforms::store {

namespace {

using host::HostFileId;
using host::Record;

// How many times a module-numbered header is tried when another user takes its numbers.
constexpr int kHeaderAttempts = 5;

std::int32_t toId(const std::string& text) {
    return parseStoredNumber(text).value_or(0);
}

std::int32_t todayOf(const host::HostBinding& host) {
    const std::int32_t today = host.data->globals().DANE_DATA_BIEZACA;
    return today > 0 ? today : values::today();
}

// Whole number held in a field (counts of attachments, the filing purpose); empty = 0.
std::int64_t wholeNumber(const FieldSet& set, int field) {
    return set.has(field) ? set[field].decimal().integerPart() : 0;
}

void warnWriteError(const host::HostBinding& host) {
    if (host.ui == nullptr) return;
    host::MessageRequest box;
    box.title = host::kTitleWarning;
    box.text = kWriteErrorMessage;
    box.buttons = "&OK";
    box.icon = host::MessageIcon::Warning;
    host.ui->message(box);
}

// Opens the two host files a save works on and closes them on every way out.
class SaveFiles {
public:
    explicit SaveFiles(const host::HostBinding& host)
        : nag_(host.data->file(HostFileId::DEKLARACJE_NAG)),
          poz_(host.data->file(HostFileId::DEKLARACJE_POZ)) {
        nag_.open();
        poz_.open();
    }
    ~SaveFiles() {
        poz_.close();
        nag_.close();
    }
    SaveFiles(const SaveFiles&) = delete;
    SaveFiles& operator=(const SaveFiles&) = delete;
    host::RecordFile& nag() { return nag_; }
    host::RecordFile& poz() { return poz_; }

private:
    host::RecordFile& nag_;
    host::RecordFile& poz_;
};

bool insertRow(host::RecordFile& poz, std::int32_t id, std::int32_t sheet, std::int32_t field,
               const std::string& value) {
    // Every row of a save has these columns: the records share one list of them.
    static const auto columns = std::make_shared<Record::Columns>(
        Record::Columns{"ID_DEKLARACJE_NAG", "NR_ZALACZNIKA", "NR_POLA", "WARTOSC_POLA"});
    return poz.insert(Record(columns, {std::to_string(id), std::to_string(sheet),
                                       std::to_string(field), value}));
}

bool insertSheet(host::RecordFile& poz, std::int32_t id, std::int32_t sheet, const FieldSet& set) {
    bool ok = true;
    set.forEachStored([&](int number, const std::string& value) {
        if (ok) ok = insertRow(poz, id, sheet, number, value);
    });
    return ok;
}

// Rows of copies 1..count of a numbered form, sorted, each on sheet base + copy. Copies above
// the form's last copy (0 = no bound) are not written: their sheet belongs to another form;
// the person is told.
bool insertCopies(const host::HostBinding& host, HeldForm& held, std::int64_t count,
                  std::int32_t id, Notices& notices) {
    if (id == 0) return true;
    BusyCursor busy(host.ui);
    SaveFiles files(host);
    AttachmentRows& rows = held.copies;
    const std::int32_t maxCopy = held.lastCopy();
    rows.sort();
    bool beyondLimit = false;
    for (const AttachmentRow& row : rows.rows()) {
        if (row.ext_nr_zalacznika > count || row.ext_nr_zalacznika < 1) continue;
        if (maxCopy > 0 && row.ext_nr_zalacznika > maxCopy) {
            beyondLimit = true;
            continue;
        }
        if (!insertRow(files.poz(), id, row.ext_nr_zalacznika + held.def->storage.base,
                       row.ext_nr_pola, row.ext_wartosc)) {
            return false;
        }
    }
    if (beyondLimit) {
        notices.push_back({Notice::Kind::Information, "Załączniki " + held.def->name +
                                                          " o numerach powyżej " +
                                                          std::to_string(maxCopy) +
                                                          " nie zostały zapisane."});
    }
    return true;
}

// How many copies of the numbered form `held` the main form announces.
std::int64_t copyCount(const DeclarationFields& fields, const HeldForm& held) {
    const FieldSet& main = fields.main();
    const std::optional<int> field = main.list().form().countOf(held.def->name);
    return field ? wholeNumber(main, *field) : 0;
}


// Every form of the declaration into the rows of `id`, in storage order.
bool insertForms(const host::HostBinding& host, DeclarationFields& fields, std::int32_t id,
                 Notices& notices) {
    for (HeldForm& held : fields.forms()) {
        bool ok = true;
        switch (held.def->storage.kind) {
            case forms::StorageKind::Sheet: {
                SaveFiles files(host);
                ok = insertSheet(files.poz(), id, held.def->storage.sheet, held.set);
                break;
            }
            case forms::StorageKind::Copies:
                ok = insertCopies(host, held, copyCount(fields, held), id, notices);
                break;
            case forms::StorageKind::Attachment:
                ok = insertAttachmentTexts(host, held.set, id, notices);
                break;
            case forms::StorageKind::None:
                break;
        }
        if (!ok) return false;
    }
    return true;
}

// The lock state of a CIT-8: the electronic-filing state where the declaration takes part in
// electronic filing, otherwise the header's BLOKADA mark. When the filing state cannot be
// read the mark decides.
bool cit8Locked(const host::HostBinding& host, std::int32_t id, const Record& header,
                Notices& notices) {
    host::UtilityLibrary& u = *host.utility;
    bool filingLocked = false;
    if (!u.EXECVAX("select mozna_modyfikowac_dokument_edeklaracja, czy_zapis_w_bazie from "
                   "deklaracje_nag_view where id_deklaracje_nag = " +
                   std::to_string(id))) {
        notices.push_back({Notice::Kind::Warning, u.fileErrorText()});
    } else {
        host::ResultRow row;
        if (host.data->result(host::ResultFileId::VAX_FK).next(row) && toId(row.column(1)) != 0) {
            filingLocked = toId(row.column(0)) == 0;
        }
    }
    // A user's lock holds whatever the filing state: a declaration prepared or rejected for
    // filing may change, but not while someone holds it.
    return filingLocked || header.get("BLOKADA").find_first_not_of(' ') != std::string::npos;
}

// The family a save writes: the texts of its log entries and the header's INFO_2, and the
// template its new header takes from the declaration state.
struct Family {
    const char* name;  // "CIT-8", "CIT-2"
    bool cit2;
};
constexpr Family kCit8{"CIT-8", false};
constexpr Family kCit2{"CIT-2", true};

// Creates a header through the host procedure; 0 when it failed (with its notice).
std::int32_t createHeader(const host::HostBinding& host, const module::DeclarationState& state,
                          std::int32_t dataOkresu, std::int32_t idWzorca, Notices& notices,
                          const Family& family) {
    host::UtilityLibrary& u = *host.utility;
    const host::Globals& g = host.data->globals();
    const std::int32_t templateId = family.cit2 ? state.CIT_ID_WZORCA_CIT2 : state.CIT_ID_WZORCA;
    const std::string call =
        "CALL ZESTAWIENIE_DEKLARACJA_DODAJ (" + std::to_string(g.DANE_ID_FIRMY) + ",0," +
        std::to_string(g.DANE_ID_UZYTKOWNIKA_NR) + "," + std::to_string(templateId) + "," +
        std::to_string(dataOkresu) + "," + std::to_string(idWzorca) + ")";
    if (!u.EXECVAX(call)) {
        notices.push_back({Notice::Kind::Warning, u.fileErrorText()});
        return 0;
    }
    host::ResultRow row;
    const std::int32_t id =
        host.data->result(host::ResultFileId::VAX_FK).next(row) ? toId(row.column(0)) : 0;
    if (id == 0) {
        // The procedure answered without a header id: nothing the person could go on with.
        notices.push_back({Notice::Kind::WriteError, kWriteErrorMessage});
        return 0;
    }
    u.LOG_ADD(id, std::string("Dodanie deklaracji ") + family.name + ", id:" + std::to_string(id),
              "X", "D");
    return id;
}

// A header for a window to fill (tryb 0), marked as being created until its first save, so
// that a discard by someone else leaves it alone; the declaration is held at its version.
std::int32_t createMarkedHeader(const host::HostBinding& host,
                                const module::DeclarationState& state, DeclarationFields& fields,
                                std::int32_t dataOkresu, std::int32_t idWzorca, Notices& notices,
                                const Family& family) {
    host::UtilityLibrary& u = *host.utility;
    if (!u.beginTransaction()) {
        notices.push_back({Notice::Kind::Warning, u.fileErrorText()});
        return 0;
    }
    const std::int32_t id = createHeader(host, state, dataOkresu, idWzorca, notices, family);
    if (id == 0) {
        u.rollbackTransaction();
        return 0;
    }
    Record header;
    bool marked = true;
    {
        SaveFiles files(host);
        if (files.nag().fetch(host::kKeyDeklNagPk,
                              Record{{"ID_DEKLARACJE_NAG", std::to_string(id)}}, header) &&
            header.has("W_TWORZENIU")) {
            header.set("W_TWORZENIU", creationMark(host));
            marked = files.nag().update(header);
        }
    }
    if (!marked || !u.commitTransaction()) {
        notices.push_back({Notice::Kind::Warning, u.fileErrorText()});
        u.rollbackTransaction();
        return 0;
    }
    fields.loaded = stampOf(header);
    return id;
}

// The save itself. Nothing is shown: what the person is to be told comes back in the
// result's notices, in order, for the caller to show once the work is done.
SaveResult saveCit8(const host::HostBinding& host, const module::DeclarationState& state,
                    DeclarationFields& fields, std::int32_t tryb, std::int32_t id,
                    std::int32_t dataOkresu, std::int32_t idWzorca, std::int32_t templateId,
                    const Family& family) {
    host::UtilityLibrary& u = *host.utility;
    SaveResult result;
    Notices& notices = result.notices;
    const auto failed = [&](values::ErrorKind kind, std::int32_t keep) {
        result.id = keep;
        result.outcome = kind == values::ErrorKind::Locked ? SaveOutcome::Locked
                                                           : SaveOutcome::Failed;
        result.error = kind;
        return result;
    };
    BusyCursor busy(host.ui);
    if (tryb != 1) {
        if (id == 0)
            id = createMarkedHeader(host, state, fields, dataOkresu, idWzorca, notices, family);
        if (id == 0) return failed(values::ErrorKind::Database, 0);
        result.id = id;
        result.outcome = SaveOutcome::Saved;
        return result;
    }

    // The forms held must be the template's own: another kind's sheets would be written
    // under this template's numbers.
    if (fields.templateId() != templateId) {
        notices.push_back({Notice::Kind::WriteError, kWriteErrorMessage});
        return failed(values::ErrorKind::InvalidInput, id);
    }

    // Header creation and every row of the save form one transaction.
    if (!u.beginTransaction()) {
        notices.push_back({Notice::Kind::Warning, u.fileErrorText()});
        notices.push_back({Notice::Kind::WriteError, kWriteErrorMessage});
        return failed(values::ErrorKind::Database, id);
    }
    const bool created = id == 0;
    // A header made by this call is undone with the rest: its id must not be kept.
    auto undone = [&] { return created ? 0 : id; };
    auto rollBack = [&](values::ErrorKind kind, std::int32_t keep) {
        u.rollbackTransaction();
        notices.push_back({Notice::Kind::WriteError, kWriteErrorMessage});
        return failed(kind, keep);
    };

    if (created) {
        id = createHeader(host, state, dataOkresu, idWzorca, notices, family);
        if (id == 0) {
            u.rollbackTransaction();
            return failed(values::ErrorKind::Database, 0);
        }
    }

    SaveFiles files(host);
    Record header;
    const bool found = files.nag().fetch(host::kKeyDeklNagPk,
                                         Record{{"ID_DEKLARACJE_NAG", std::to_string(id)}}, header);
    // The declaration this window holds was deleted or saved by someone else meanwhile:
    // nothing is written, and a header that is gone is not made again under a new id.
    if (!created) {
        if (std::optional<values::Error> refusal =
                refusalFor(host, id, fields.loaded, found ? &header : nullptr)) {
            u.rollbackTransaction();
            notices.push_back({Notice::Kind::Information, refusal->message});
            return failed(refusal->kind, id);
        }
    }
    if (!found && !created) {
        u.rollbackTransaction();
        notices.push_back({Notice::Kind::Information, deletedMessage(host, id)});
        return failed(values::ErrorKind::NotFound, id);
    }
    if (!found) return rollBack(values::ErrorKind::NotFound, 0);
    if (cit8Locked(host, id, header, notices)) {
        u.rollbackTransaction();
        // Nothing of the save is kept; the refusal itself is recorded, after the rollback.
        u.LOG_ADD(id, std::string("Odmowa zapisu zablokowanej deklaracji ") + family.name +
                          ", id:" + std::to_string(id),
                  "X", "R");
        notices.push_back({Notice::Kind::Information, lockedMessage(host, id, header)});
        return failed(values::ErrorKind::Locked, undone());
    }

    // The CIT-8's purpose of filing (field 7) marks a correction; a CIT-2 has no such mark.
    const bool correction = !family.cit2 && fields.main()[7].decimal() == values::Decimal(2);
    header.set("STATUS_2", correction ? "1" : "0");
    header.set("INFO_2", family.name);
    header.set("DATA_SYSTEMOWA_P", std::to_string(todayOf(host)));
    header.set("ID_UZYT_P", host.data->globals().DANE_ID_UZYT);
    advance(header);
    if (!files.nag().update(header)) return rollBack(values::ErrorKind::Database, undone());

    const std::string idText = std::to_string(id);
    if (!u.EXECSQL("delete from DEKLARACJE_POZ where id_deklaracje_nag=" + idText) ||
        !u.EXECSQL("delete from DEKLARACJE_ZALACZNIK where id_deklaracje_nag=" + idText)) {
        notices.push_back({Notice::Kind::Warning, u.fileErrorText()});
        return rollBack(values::ErrorKind::Database, undone());
    }
    u.LOG_ADD(id, std::string("Aktualizacja deklaracji ") + family.name + ", id:" + idText, "X",
              "P");

    if (!insertForms(host, fields, id, notices)) {
        return rollBack(values::ErrorKind::Database, undone());
    }
    if (!u.commitTransaction()) {
        notices.push_back({Notice::Kind::Warning, u.fileErrorText()});
        return rollBack(values::ErrorKind::Database, undone());
    }
    fields.loaded = stampOf(header);
    result.id = id;
    result.outcome = SaveOutcome::Saved;
    return result;
}

}  // namespace

std::string sqlText(std::string_view text) {
    return values::sqlEscaped(text);
}

void tell(const host::HostBinding& host, const Notices& notices) {
    for (const Notice& notice : notices) {
        switch (notice.kind) {
            case Notice::Kind::Warning:
                host.utility->MSG_OST(notice.text);
                break;
            case Notice::Kind::Information:
                host.utility->MSG_INF(notice.text);
                break;
            case Notice::Kind::WriteError:
                warnWriteError(host);
                break;
        }
    }
}

SaveResult saveDeclaration(const host::HostBinding& host, const module::DeclarationState& state,
                           DeclarationFields& fields, std::int32_t templateId, std::int32_t tryb,
                           std::int32_t id, std::int32_t dataOkresu, std::int32_t idWzorca) {
    return saveCit8(host, state, fields, tryb, id, dataOkresu, idWzorca, templateId, kCit8);
}

SaveResult saveCit2Declaration(const host::HostBinding& host,
                               const module::DeclarationState& state, DeclarationFields& fields,
                               std::int32_t tryb, std::int32_t id, std::int32_t dataOkresu,
                               std::int32_t idWzorca) {
    return saveCit8(host, state, fields, tryb, id, dataOkresu, idWzorca,
                    state.CIT_ID_WZORCA_CIT2, kCit2);
}

namespace {

std::int32_t saveAndTell(const host::HostBinding& host, const module::DeclarationState& state,
                         DeclarationFields& fields, std::int32_t templateId, std::int32_t tryb,
                         std::int32_t id, std::int32_t dataOkresu, std::int32_t idWzorca,
                         SaveOutcome* outcome) {
    const SaveResult result =
        saveDeclaration(host, state, fields, templateId, tryb, id, dataOkresu, idWzorca);
    tell(host, result.notices);
    if (outcome != nullptr) *outcome = result.outcome;
    return result.id;
}

}  // namespace

std::int32_t ZAPISZ_CIT_8(std::int32_t templateId, const host::HostBinding& host,
                          const module::DeclarationState& state, DeclarationFields& fields,
                          std::int32_t tryb, std::int32_t id, std::int32_t dataOkresu,
                          std::int32_t idWzorca, SaveOutcome* outcome) {
    return saveAndTell(host, state, fields, templateId, tryb, id, dataOkresu, idWzorca, outcome);
}

std::int32_t ZAPISZ_CIT_2(const host::HostBinding& host, const module::DeclarationState& state,
                          DeclarationFields& fields, std::int32_t tryb, std::int32_t id,
                          std::int32_t dataOkresu, std::int32_t idWzorca, SaveOutcome* outcome) {
    const SaveResult result =
        saveCit2Declaration(host, state, fields, tryb, id, dataOkresu, idWzorca);
    tell(host, result.notices);
    if (outcome != nullptr) *outcome = result.outcome;
    return result.id;
}

bool ZAPISZ_CIT_O(const host::HostBinding& host, const DeclarationFields& fields, std::int32_t id) {
    if (id == 0) return true;
    BusyCursor busy(host.ui);
    SaveFiles files(host);
    const HeldForm* held = fields.find("CIT-8/O");
    return held == nullptr || insertSheet(files.poz(), id, held->def->storage.sheet, held->set);
}

namespace {

bool saveCopies(const host::HostBinding& host, DeclarationFields& fields, std::string_view name,
                std::int32_t id) {
    HeldForm* held = fields.find(name);
    if (held == nullptr) return true;
    Notices notices;
    const bool ok = insertCopies(host, *held, copyCount(fields, *held), id, notices);
    tell(host, notices);
    return ok;
}

}  // namespace

bool ZAPISZ_CIT_D(const host::HostBinding& host, DeclarationFields& fields, std::int32_t id) {
    return saveCopies(host, fields, "CIT-D", id);
}

bool ZAPISZ_CIT_BR(const host::HostBinding& host, DeclarationFields& fields, std::int32_t id) {
    return saveCopies(host, fields, "CIT-BR", id);
}

values::Status discardNewCit8(const host::HostBinding& host, module::DeclarationState& state,
                              const std::optional<HeaderStamp>& held) {
    host::UtilityLibrary& u = *host.utility;
    const std::int32_t id = state.CIT_ID_DEKLARACJI;
    const std::string idText = std::to_string(id);
    // The header goes with everything made under its id: its statement definitions above
    // all, which would otherwise block the next declaration given the same id.
    // Its link to a CIT-ST goes too: the next declaration given the id must not inherit it.
    const bool begun = u.beginTransaction();
    bool removed = begun;
    // Only the declaration this window made, as it made it: one deleted meanwhile (and its
    // id perhaps given again) or saved by someone else stays as it is.
    if (removed) {
        Record header;
        const bool found = fetchHeader(host, id, header);
        std::optional<values::Error> refusal =
            found ? refusalFor(host, id, held, &header)
                  : values::Error{deletedMessage(host, id), values::ErrorKind::NotFound};
        if (refusal) {
            u.rollbackTransaction();
            state.CIT_ID_DEKLARACJI = 0;
            return values::Status::failure(refusal->message, refusal->kind);
        }
    }
    for (const char* table : {"ZESTAWIENIE_DEFINICJA", "DEKLARACJE_POZ", "DEKLARACJE_ZALACZNIK",
                              "DEKLARACJE_NAG_INTER", "DEKLARACJE_NAG"}) {
        if (!removed) break;
        const std::string column = std::string_view(table) == "DEKLARACJE_NAG_INTER"
                                       ? "ID_DEKLARACJE_NAG_1"
                                       : "id_deklaracje_nag";
        removed = u.EXECVAX(std::string("delete from ") + table + " where " + column + " = " +
                            idText);
    }
    // A failed commit has ended its transaction already: only a failed delete rolls back.
    const bool deleted = removed;
    if (deleted) removed = u.commitTransaction();
    if (!removed) {
        const std::string error = u.fileErrorText();
        if (begun && !deleted) u.rollbackTransaction();
        return values::Status::failure(error, values::ErrorKind::Database);
    }
    u.LOG_ADD(id, "Usunięcie (anuluj) deklaracji CIT-8, id:" + idText, "X", "U");
    state.CIT_ID_DEKLARACJI = 0;
    return {};
}

values::Result<std::int32_t> insertCitStHeader(const host::HostBinding& host,
                                               std::int32_t period, std::int32_t correctionFlag) {
    host::UtilityLibrary& u = *host.utility;
    const host::Globals& g = host.data->globals();
    for (int attempt = 0; attempt < kHeaderAttempts; ++attempt) {
        if (!u.beginTransaction()) break;
        const std::int32_t id = toId(u.FUNCVAY(kNextHeaderIdQuery));
        const std::int32_t lp =
            toId(u.FUNCVAY("select isnull(max(LP),0)+1 from DEKLARACJE_NAG where id_firmy = " +
                           std::to_string(g.DANE_ID_FIRMY) + " AND DATA_OKRESU=" +
                           std::to_string(period) + " AND INFO_2 = 'CIT-ST'"));
        if (id == 0 || lp == 0) {
            u.rollbackTransaction();
            break;
        }
        const std::string sql =
            "insert into DEKLARACJE_NAG (ID_DEKLARACJE_WZORZEC,ID_DEKLARACJE_NAG,ID_FIRMY,"
            "DATA_OKRESU,ID_UDZIALOWCA,NR_DEKLARACJI,DATA_SYSTEMOWA,DATA_SYSTEMOWA_P,ID_UZYT,"
            "ID_UZYT_P,BLOKADA,LP,STATUS_2,INFO_2) values(201," +
            std::to_string(id) + "," + std::to_string(g.DANE_ID_FIRMY) + "," +
            std::to_string(period) + "," + "0," + "0," + std::to_string(todayOf(host)) + "," +
            "0," + "'" + sqlText(g.DANE_ID_UZYT) + "'," + "''," + "''," + std::to_string(lp) + "," +
            std::to_string(correctionFlag) + "," + "'CIT-ST')";
        if (!u.EXECVAX(sql)) {
            // Another user inserted the same numbers between the query and the insert: the
            // unique key refused ours; take fresh numbers.
            u.rollbackTransaction();
            continue;
        }
        if (u.commitTransaction()) return id;
        // A failed commit has ended its transaction, and inside a caller's transaction that
        // one with it: rolling back again, or trying again, would write outside it.
        break;
    }
    return values::Result<std::int32_t>::failure(u.fileErrorText(), values::ErrorKind::Database);
}

values::Status updateCitStHeader(const host::HostBinding& host, std::int32_t id,
                                 std::int32_t period, std::int32_t correctionFlag,
                                 const std::optional<HeaderStamp>& held) {
    host::UtilityLibrary& u = *host.utility;
    // The CIT-ST must still be there, and be the one the window holds: rows written under an
    // id without a header, or over another declaration given the id, would be lost or do harm.
    Record header;
    if (!fetchHeader(host, id, header)) {
        return values::Status::failure(deletedMessage(host, id), values::ErrorKind::NotFound);
    }
    if (header.has("ID_DEKLARACJE_WZORZEC") && toId(header.get("ID_DEKLARACJE_WZORZEC")) != 201) {
        return values::Status::failure(deletedMessage(host, id), values::ErrorKind::NotFound);
    }
    if (std::optional<values::Error> refusal = refusalFor(host, id, held, &header)) {
        return values::Status::failure(refusal->message, refusal->kind);
    }
    const std::string locked =
        u.FUNCVAY("select blokada_stan from DEKLARACJE_NAG_VIEW where id_deklaracje_nag = " +
                  std::to_string(id));
    if (toId(locked) != 0) {
        return values::Status::failure(lockedMessage(host, id, header), values::ErrorKind::Locked);
    }
    const std::string sql =
        "update DEKLARACJE_NAG set DATA_SYSTEMOWA_P=" + std::to_string(todayOf(host)) + "," +
        "STATUS_2=" + std::to_string(correctionFlag) + "," + "ID_UZYT_P = '" +
        sqlText(host.data->globals().DANE_ID_UZYT) + "'," +
        "DATA_OKRESU=" + std::to_string(period) + " where ID_DEKLARACJE_NAG=" + std::to_string(id);
    if (!u.EXECVAX(sql)) {
        return values::Status::failure(u.fileErrorText(), values::ErrorKind::Database);
    }
    if (header.has("WERSJA") &&
        !u.EXECVAX("update DEKLARACJE_NAG set WERSJA=WERSJA+1, W_TWORZENIU='' where "
                   "ID_DEKLARACJE_NAG=" +
                   std::to_string(id))) {
        return values::Status::failure(u.fileErrorText(), values::ErrorKind::Database);
    }
    return {};
}

values::Status setCit8Link(const host::HostBinding& host, std::int32_t cit8Id,
                           std::int32_t citStId) {
    host::UtilityLibrary& u = *host.utility;
    const std::string a = std::to_string(cit8Id);
    // Both statements run: a failed removal must not keep the new link from being written.
    std::string error;
    if (!u.EXECVAX("delete from DEKLARACJE_NAG_INTER where ID_DEKLARACJE_NAG_1=" + a)) {
        error = u.fileErrorText();
    }
    if (!u.EXECVAX("insert into DEKLARACJE_NAG_INTER (ID_DEKLARACJE_NAG_1, ID_DEKLARACJE_NAG_2) "
                   "select a.ID_DEKLARACJE_NAG, b.ID_DEKLARACJE_NAG from DEKLARACJE_NAG a, "
                   "DEKLARACJE_NAG b where a.ID_DEKLARACJE_NAG=" +
                   a + " AND b.ID_DEKLARACJE_NAG=" + std::to_string(citStId))) {
        error = u.fileErrorText();
    }
    if (!error.empty()) return values::Status::failure(error, values::ErrorKind::Database);
    return {};
}

std::int32_t readCit8Link(const host::HostBinding& host, std::int32_t cit8Id) {
    return toId(host.utility->FUNCVAY(
        "select ID_DEKLARACJE_NAG_2 FROM DEKLARACJE_NAG_INTER where ID_DEKLARACJE_NAG_1 = " +
        std::to_string(cit8Id)));
}

bool insertAttachmentTexts(const host::HostBinding& host, const FieldSet& set, std::int32_t id,
                           Notices& notices) {
    host::UtilityLibrary& u = *host.utility;
    // All the texts in one statement: on a database server each statement is a round trip.
    const std::string row = "(" + std::to_string(id) + ",'";
    const std::string type = values::sqlQuoted(set.list().form().storage.type);
    std::string sql =
        "insert into DEKLARACJE_ZALACZNIK (id_deklaracje_nag, nr_pola, wartosc_pola, typ) values ";
    bool any = false;
    for (int n : set.list().numbers()) {
        if (any) sql += ",";
        sql += row + std::to_string(n) + "','" + sqlText(set[n].text()) + "'," + type + ")";
        any = true;
    }
    if (any && !u.EXECVAX(sql)) {
        notices.push_back({Notice::Kind::Information, u.fileErrorText()});
        return false;
    }
    return true;
}

}  // namespace citforms::store
