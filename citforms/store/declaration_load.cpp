#include "citforms/store/declaration_load.h"

#include <cassert>
#include <charconv>
#include <functional>
#include <limits>
#include <string>
#include <vector>

#include "citforms/forms/form.h"
#include "citforms/host/result_file.h"
#include "citforms/store/busy_cursor.h"
#include "citforms/values/field_value.h"
#include "citforms/values/text.h"

namespace citforms::store {

namespace {

using host::HostFileId;
using host::Record;
using host::RecordFile;

// The host's error code of a read past the last record. A read that ends with no error code
// or with this one has reached the end; any other code is a read error.
constexpr int kEndOfRecords = 33;

std::string fieldName(const FieldSet& set, int number) {
    return std::string(set.list().formName()) + " poz. " + std::to_string(number);
}

// Tells the person, once after a load, which fields could not be taken as stored.
void reportLoadIssues(host::UtilityLibrary& utility, const DeclarationIssues& issues) {
    if (!issues.unreadable.empty()) {
        utility.MSG_OST("Nieczytelne wartości pól deklaracji: " +
                        DeclarationIssues::join(issues.unreadable) + ". Pola te przyjęto jako 0.");
    }
    if (!issues.cut.empty()) {
        utility.MSG_OST("Teksty dłuższe niż pojemność pól deklaracji zostały skrócone: " +
                        DeclarationIssues::join(issues.cut) + ".");
    }
}

// Where the rows of one sheet go: the form stored on it, or the copy (sheet - base) of a
// numbered form whose range holds it.
class SheetRouter {
public:
    explicit SheetRouter(DeclarationFields& fields) {
        for (HeldForm& held : fields.forms()) {
            const forms::Storage& storage = held.def->storage;
            if (storage.kind == forms::StorageKind::Sheet) {
                ranges_.push_back({storage.sheet, storage.sheet, &held});
            } else if (held.numbered()) {
                ranges_.push_back({held.firstSheet,
                                   held.lastSheet == 0 ? INT32_MAX : held.lastSheet, &held});
            }
        }
    }
    // The form of `sheet`; nullptr when no form the declaration carries is stored there.
    // Sheets come in ascending order, so the search goes on from the last range found.
    HeldForm* route(std::int32_t sheet) {
        while (at_ < ranges_.size() && ranges_[at_].last < sheet) ++at_;
        if (at_ < ranges_.size() && ranges_[at_].first <= sheet) return ranges_[at_].form;
        return nullptr;
    }

private:
    struct Range {
        std::int32_t first, last;
        HeldForm* form;
    };
    std::vector<Range> ranges_;  // ascending, as the declaration holds its forms
    std::size_t at_ = 0;
};

// Reads every DEKLARACJE_POZ row of declaration `id` in key order, in one walk from sheet 0
// until the next declaration, and puts each on the field or copy its sheet and NR_POLA name.
// Rows of sheets no carried form is stored on, and field numbers the form lacks, are skipped.
// Fails with the host's error text when a read error ended the walk: the rows given on are
// then not all there are.
values::Status loadSheets(RecordFile& poz, host::UtilityLibrary& utility, std::int32_t id,
                          DeclarationFields& fields) {
    DeclarationIssues& issues = fields.issues;
    SheetRouter router(fields);
    const Record key{{"ID_DEKLARACJE_NAG", std::to_string(id)},
                     {"NR_ZALACZNIKA", "0"},
                     {"NR_POLA", ""}};
    if (poz.set(host::kKeyDeklPozByZalacznik, key)) {
        for (Record row; poz.next(row);) {
            const std::optional<std::int32_t> rowId =
                parseStoredNumber(row.get("ID_DEKLARACJE_NAG"));
            const std::optional<std::int32_t> sheet = parseStoredNumber(row.get("NR_ZALACZNIKA"));
            if (!rowId || *rowId != id || !sheet) return {};
            HeldForm* held = router.route(*sheet);
            if (held == nullptr) continue;
            // A field number that is not a number names no field.
            const std::optional<std::int32_t> number = parseStoredNumber(row.get("NR_POLA"));
            if (!number) continue;
            const std::string& value = row.get("WARTOSC_POLA");
            if (held->numbered()) {
                const std::int32_t copy = *sheet - held->def->storage.base;
                held->copies.append(copy, *number, value);
                if (values::textLength(value) > AttachmentRows::kValueCapacity) {
                    issues.cut.push_back(held->def->name + " " + std::to_string(copy) +
                                         " poz. " + std::to_string(*number));
                }
                continue;
            }
            switch (held->set.loadStored(*number, value)) {
                case FieldSet::LoadResult::Unreadable:
                    issues.unreadable.push_back(fieldName(held->set, *number));
                    break;
                case FieldSet::LoadResult::Cut:
                    issues.cut.push_back(fieldName(held->set, *number));
                    break;
                default:
                    break;
            }
        }
    }
    const host::ErrorStatus status = utility.errorStatus();
    if (status.code == kEndOfRecords) {
        // The walk of the last declaration of the table ends past the last record: that is
        // its end, not an error for the caller to find.
        utility.errorStatus() = host::ErrorStatus{};
        return {};
    }
    if (status.code == 0) return {};
    return values::Status::failure(status.text, values::ErrorKind::Database);
}

// Every sheet of declaration `id` into the held forms. A read error leaves the error status
// set for the caller and marks the load incomplete.
values::Status loadDeclarationSheets(const host::HostBinding& host, std::int32_t id,
                                     DeclarationFields& fields) {
    assert(host.utility != nullptr && host.data != nullptr);
    // The header first: what is read below is that version of it or a later one, never an
    // earlier one, so a save checked against it cannot undo a change it did not see.
    fields.loaded = readStamp(host, id);
    RecordFile& poz = host.data->file(HostFileId::DEKLARACJE_POZ);
    poz.open();
    values::Status read = loadSheets(poz, *host.utility, id, fields);
    const host::ErrorStatus readError = host.utility->errorStatus();
    poz.close();
    if (!read) {
        fields.issues.incomplete = true;
        host.utility->errorStatus() = readError;  // the close must not hide it
    }
    return read;
}

// The attachment texts (ORD-ZU) of declaration `id`. A failed query marks the load
// incomplete: a save must not replace the stored texts with what the form holds now.
values::Status loadAttachments(const host::HostBinding& host, std::int32_t id,
                               DeclarationFields& fields) {
    for (HeldForm& held : fields.forms()) {
        if (held.def->storage.kind != forms::StorageKind::Attachment) continue;
        if (values::Status texts = loadAttachmentTexts(host, id, held.set, &fields.issues);
            !texts) {
            fields.issues.incomplete = true;
            return texts;
        }
    }
    return {};
}

// The exported loads: the declaration CIT_ID_DEKLARACJI of `templateId` into the field sets,
// with what went wrong told to the person. Another template leaves the sheets alone and reads
// only the attachment texts.
void loadCit8(const host::HostBinding& host, const module::DeclarationState& state,
              DeclarationFields& fields, std::int32_t templateId,
              std::int32_t openTemplate) {
    host::UtilityLibrary& utility = *host.utility;
    const std::int32_t id = state.CIT_ID_DEKLARACJI;
    {
        BusyCursor busy(host.ui);
        fields.issues.clearLoad();
        if (openTemplate == templateId) {
            // The sheets start empty; the attachment texts keep their values until read.
            if (fields.templateId() != templateId) fields.hold(templateId);
            fields.issues.clearFailures();
            for (HeldForm& held : fields.forms()) {
                if (held.def->storage.kind == forms::StorageKind::Attachment) continue;
                held.set.clear();
                held.copies.clear();
            }
            if (values::Status sheets = loadDeclarationSheets(host, id, fields); !sheets) {
                // The caller learns of it from the error status, which the load leaves set.
                const host::ErrorStatus readError = utility.errorStatus();
                utility.MSG_OST("Deklaracja " + std::to_string(id) +
                                " nie została wczytana w całości: " + sheets.error());
                utility.errorStatus() = readError;
                return;
            }
        }
        if (values::Status texts = loadAttachments(host, id, fields); !texts) {
            utility.MSG_INF(texts.error());
        }
    }
    reportLoadIssues(utility, fields.issues);
}

}  // namespace

std::optional<std::int32_t> parseStoredNumber(std::string_view text) {
    const std::optional<std::int32_t> value =
        values::parseInteger<std::int32_t>(values::trim(text, " "));
    if (!value || *value < 0) return std::nullopt;
    return value;
}

values::Status loadDeclaration(const host::HostBinding& host, std::int32_t templateId,
                               std::int32_t id, DeclarationFields& fields) {
    fields.hold(templateId);
    if (values::Status sheets = loadDeclarationSheets(host, id, fields); !sheets) return sheets;
    return loadAttachments(host, id, fields);
}

void WCZYTAJ_CIT_8(std::int32_t templateId, const host::HostBinding& host,
                   const module::DeclarationState& state, DeclarationFields& fields) {
    loadCit8(host, state, fields, templateId, state.CIT_ID_WZORCA);
}

void WCZYTAJ_CIT_2(const host::HostBinding& host, const module::DeclarationState& state,
                   DeclarationFields& fields) {
    loadCit8(host, state, fields, state.CIT_ID_WZORCA_CIT2, state.CIT_ID_WZORCA_CIT2);
}

values::Status loadAttachmentTexts(const host::HostBinding& host, std::int32_t declarationId,
                                   FieldSet& set, DeclarationIssues* issues) {
    host::UtilityLibrary& utility = *host.utility;
    const forms::FormDef& form = set.list().form();
    const std::string id = std::to_string(declarationId);
    const std::string where = " from DEKLARACJE_ZALACZNIK where id_deklaracje_nag=" + id +
                              " AND typ=" + values::sqlQuoted(form.storage.type);
    // A text as long as the result column may have been cut by it: the database tells.
    const auto take = [&](int number, const std::string& text, std::size_t columnWidth) {
        bool cut = set.loadStored(number, text) == FieldSet::LoadResult::Cut;
        if (!cut && values::textLength(text) >= columnWidth) {
            const std::string length = utility.FUNCVAY(
                "select len(wartosc_pola)" + where + " AND nr_pola=" + std::to_string(number));
            cut = parseStoredNumber(length).value_or(0) > static_cast<std::int32_t>(columnWidth);
        }
        if (cut && issues != nullptr) issues->cut.push_back(fieldName(set, number));
    };
    if (!utility.EXECVAX("select nr_pola, wartosc_pola" + where)) {
        return values::Status::failure(utility.fileErrorText(), values::ErrorKind::Database);
    }
    set.clear();
    host::ResultFile& rows = host.data->result(host::ResultFileId::VAX_FK);
    const std::size_t shortWidth = host::columnWidth(host::ResultFileId::VAX_FK, 1);
    std::vector<std::pair<std::int32_t, std::string>> texts;
    for (host::ResultRow row; rows.next(row);) {
        const std::optional<std::int32_t> number = parseStoredNumber(row.column(0));
        if (!number || !set.has(*number)) continue;
        texts.emplace_back(*number, row.column(1));
    }
    for (const auto& [number, text] : texts) {
        if (set.list().fieldSpec(number).capacity <= shortWidth) {
            take(number, text, shortWidth);
            continue;
        }
        // A text longer than a VAX_FK column (the ORD-ZU justification): VAZ_FK carries it whole.
        if (!utility.EXECVAZ("select wartosc_pola" + where + " AND nr_pola=" +
                             std::to_string(number))) {
            return values::Status::failure(utility.fileErrorText(), values::ErrorKind::Database);
        }
        host::ResultRow whole;
        if (host.data->result(host::ResultFileId::VAZ_FK).next(whole)) {
            take(number, whole.column(0), host::columnWidth(host::ResultFileId::VAZ_FK, 0));
        }
    }
    return {};
}

void loadCopy(DeclarationFields& fields, std::string_view formName, std::int32_t n,
              std::int32_t count, values::DayNumber today) {
    // A CIT-BR or CIT-D copy not yet written starts from the defaults of a new attachment.
    if (formName == "CIT-BR") {
        WCZYTAJ_CIT_BR(fields, n, count);
        return;
    }
    if (formName == "CIT-D") {
        WCZYTAJ_CIT_D(fields, n, count, today);
        return;
    }
    HeldForm* held = fields.find(formName);
    if (held == nullptr || !held->numbered()) return;
    held->set.clear();
    held->copies.sort();
    for (const AttachmentRow& row : held->copies.copyRows(n)) {
        if (held->set.has(row.ext_nr_pola)) held->set[row.ext_nr_pola].setText(row.ext_wartosc);
    }
}

void WCZYTAJ_CIT_BR(DeclarationFields& fields, std::int32_t n, std::int32_t count) {
    FieldSet& br = fields.form("CIT-BR");
    const FieldSet& cit8 = fields.main();
    AttachmentRows& copies = fields.copies("CIT-BR");
    const auto setNumbering = [&] {
        br[2].setText(std::to_string(n));
        br[6].setText(std::to_string(n) + "/" + std::to_string(count));
    };
    br.clear();
    setNumbering();
    if (!copies.hasCopy(n)) {
        br[1].setText(cit8[1].text());
        br[4].setText(cit8[4].text());
        br[5].setText(cit8[5].text());
        if (n == 1) {
            br[7].setText(cit8[8].text());  // name
            br[8].setText(cit8[9].text());  // REGON
        }
        br[9].setText("2");
        for (int f = 10; f <= 20; ++f) br[f].setText("0");
        br[21].setText("2");
        br[22].setText("2");
        br[23].setText("0");
    } else {
        copies.sort();
        for (const AttachmentRow& row : copies.copyRows(n)) {
            if (br.has(row.ext_nr_pola)) br[row.ext_nr_pola].setText(row.ext_wartosc);
        }
    }
    setNumbering();
}

void WCZYTAJ_CIT_D(DeclarationFields& fields, std::int32_t n, std::int32_t count,
                   values::DayNumber today) {
    HeldForm* held = fields.find("CIT-D");
    if (held == nullptr) return;
    FieldSet& d = held->set;
    const FieldSet& cit8 = fields.main();
    d.clear();
    if (!held->copies.hasCopy(n)) {
        const auto copyOf = [&](int to, int from) {
            if (cit8.has(from)) d[to].setText(cit8[from].text());
        };
        copyOf(1, 1);
        copyOf(4, 4);
        copyOf(5, 5);
        copyOf(7, 6);                                  // tax office
        for (int f = 11; f <= 22; ++f) copyOf(f, f - 3);  // name, REGON, seat address
        d[8].setText("2");
        d[9].setText("1");
        d[10].setText("0");
        for (int f : {23, 24, 25, 26, 75, 76, 90, 91, 105, 106}) d[f].setText("0");
        for (int f = 60; f <= 74; ++f) d[f].setText("0");
        d[122].setText(std::to_string(today));
    } else {
        held->copies.sort();
        for (const AttachmentRow& row : held->copies.copyRows(n)) {
            if (row.ext_nr_pola != 3 && d.has(row.ext_nr_pola))
                d[row.ext_nr_pola].setText(row.ext_wartosc);
        }
    }
    d[2].setText(std::to_string(n));
    d[6].setText(std::to_string(n) + "/" + std::to_string(count));
}

}  // namespace citforms::store
