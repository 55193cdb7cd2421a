#include "citforms/store/declaration_load.h"

#include <cassert>
#include <charconv>
#include <functional>
#include <limits>
#include <string>
#include <vector>

#include "citforms/host/result_file.h"
#include "citforms/store/busy_cursor.h"
#include "citforms/values/field_value.h"
#include "citforms/values/text.h"

namespace citforms::store {

namespace {

using host::HostFileId;
using host::Record;
using host::RecordFile;

constexpr std::int32_t kMainSheet = 0;
constexpr std::int32_t kCit8OSheet = 1;
constexpr std::int32_t kFirstCitDSheet = 101;  // CIT-D n is sheet 100 + n
constexpr std::int32_t kLastCitDSheet = 500;
constexpr std::int32_t kFirstCitBrSheet = 501;  // CIT-BR n is sheet 500 + n
constexpr std::int32_t kLastCitBrSheet = 900;

// The host's error code of a read past the last record. A read that ends with no error code
// or with this one has reached the end; any other code is a read error.
constexpr int kEndOfRecords = 33;

// One row as the walk hands it on: the texts stay in the record read, valid during the call.
struct PozRow {
    std::int32_t sheet = 0;
    std::string_view nrPola;
    std::string_view value;
};

// Reads the rows of declaration `id` from sheet `firstSheet` on, in key order, while
// `inRange(sheet)` holds; the next declaration ends the walk. False when a read error ended
// it (the error stays in the error status): the rows given on are then not all there are.
bool walkSheets(RecordFile& poz, host::UtilityLibrary& utility, std::int32_t id,
                std::int32_t firstSheet, const std::function<bool(std::int32_t)>& inRange,
                const std::function<void(const PozRow&)>& onRow) {
    const Record key{{"ID_DEKLARACJE_NAG", std::to_string(id)},
                     {"NR_ZALACZNIKA", std::to_string(firstSheet)},
                     {"NR_POLA", ""}};
    if (!poz.set(host::kKeyDeklPozByZalacznik, key)) return false;
    for (Record row; poz.next(row);) {
        const std::optional<std::int32_t> rowId = parseStoredNumber(row.get("ID_DEKLARACJE_NAG"));
        const std::optional<std::int32_t> sheet = parseStoredNumber(row.get("NR_ZALACZNIKA"));
        if (!rowId || *rowId != id || !sheet || !inRange(*sheet)) return true;
        onRow({*sheet, row.get("NR_POLA"), row.get("WARTOSC_POLA")});
    }
    const int code = utility.errorStatus().code;
    return code == 0 || code == kEndOfRecords;
}

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

// One sheet into a field set: each row to the field of its own number.
bool loadSheet(RecordFile& poz, host::UtilityLibrary& utility, std::int32_t id,
               std::int32_t sheet, const FieldList& list, FieldSet& set,
               DeclarationIssues& issues) {
    return walkSheets(
        poz, utility, id, sheet, [sheet](std::int32_t s) { return s == sheet; },
        [&](const PozRow& row) {
            const std::optional<std::int32_t> number = parseStoredNumber(row.nrPola);
            if (!number || !list.contains(*number)) return;
            switch (set.loadStored(*number, row.value)) {
                case FieldSet::LoadResult::Unreadable:
                    issues.unreadable.push_back(fieldName(set, *number));
                    break;
                case FieldSet::LoadResult::Cut:
                    issues.cut.push_back(fieldName(set, *number));
                    break;
                default:
                    break;
            }
        });
}

bool loadAttachmentRows(RecordFile& poz, host::UtilityLibrary& utility, std::int32_t id,
                        std::int32_t firstSheet, std::int32_t lastSheet, std::int32_t sheetBase,
                        AttachmentRows& rows, const char* form, DeclarationIssues& issues) {
    return walkSheets(
        poz, utility, id, firstSheet, [lastSheet](std::int32_t s) { return s <= lastSheet; },
        [&](const PozRow& row) {
            // A field number that is not a number names no field of the attachment.
            const std::optional<std::int32_t> field = parseStoredNumber(row.nrPola);
            if (!field) return;
            rows.append(row.sheet - sheetBase, *field, row.value);
            if (values::textLength(row.value) > AttachmentRows::kValueCapacity) {
                issues.cut.push_back(std::string(form) + " " +
                                     std::to_string(row.sheet - sheetBase) + " poz. " +
                                     std::to_string(*field));
            }
        });
}

enum class Generation { Gen73, Gen72 };

void loadCit8(const host::HostBinding& host, const module::DeclarationState& state,
              DeclarationFields& fields, Generation gen) {
    assert(host.utility != nullptr && host.data != nullptr);
    const std::int32_t id = state.CIT_ID_DEKLARACJI;
    const std::int32_t templateId = gen == Generation::Gen73 ? 73 : 72;
    DeclarationIssues& issues = fields.issues;
    issues.clearLoad();
    host::UtilityLibrary& utility = *host.utility;
    bool whole = true;  // every read reached its end
    {
        BusyCursor busy(host.ui);
        if (state.CIT_ID_WZORCA == templateId) {
            const FieldList& mainList = fieldList(
                gen == Generation::Gen73 ? FieldListId::Cit8Gen73 : FieldListId::Cit8Gen72);
            fields.ext.clear();
            if (gen == Generation::Gen73) fields.extcb.clear();
            fields.cit8.clear();
            fields.cit8o.clear();

            RecordFile& poz = host.data->file(HostFileId::DEKLARACJE_POZ);
            poz.open();
            whole = loadSheet(poz, utility, id, kMainSheet, mainList, fields.cit8, issues) &&
                    loadSheet(poz, utility, id, kCit8OSheet, fields.cit8o.list(), fields.cit8o,
                              issues);
            if (whole && gen == Generation::Gen73) {
                whole = loadAttachmentRows(poz, utility, id, kFirstCitDSheet, kLastCitDSheet, 100,
                                           fields.ext, "CIT-D", issues) &&
                        loadAttachmentRows(poz, utility, id, kFirstCitBrSheet, kLastCitBrSheet,
                                           500, fields.extcb, "CIT-BR", issues);
            } else if (whole) {
                // Generation 72 had no CIT-BR: every later sheet is read as a CIT-D.
                whole = loadAttachmentRows(poz, utility, id, kFirstCitDSheet,
                                           std::numeric_limits<std::int32_t>::max(), 100,
                                           fields.ext, "CIT-D", issues);
            }
            const host::ErrorStatus readError = utility.errorStatus();
            poz.close();
            if (!whole) {
                // The caller learns of it from the error status, which the load leaves set.
                utility.MSG_OST("Deklaracja " + std::to_string(id) +
                                " nie została wczytana w całości: " + readError.text);
                utility.errorStatus() = readError;
                issues.incomplete = true;
                return;
            }
        }
        loadOrdZu(host, id, fields.ordzu, &issues);
    }
    reportLoadIssues(*host.utility, issues);
}

}  // namespace

std::optional<std::int32_t> parseStoredNumber(std::string_view text) {
    const std::optional<std::int32_t> value =
        values::parseInteger<std::int32_t>(values::trim(text, " "));
    if (!value || *value < 0) return std::nullopt;
    return value;
}

void WCZYTAJ_CIT_8_73(const host::HostBinding& host, const module::DeclarationState& state,
                      DeclarationFields& fields) {
    loadCit8(host, state, fields, Generation::Gen73);
}

void WCZYTAJ_CIT_8_72(const host::HostBinding& host, const module::DeclarationState& state,
                      DeclarationFields& fields) {
    loadCit8(host, state, fields, Generation::Gen72);
}

void loadOrdZu(const host::HostBinding& host, std::int32_t declarationId, FieldSet& ordzu,
               DeclarationIssues* issues) {
    host::UtilityLibrary& utility = *host.utility;
    const std::string id = std::to_string(declarationId);
    const std::string where = " from DEKLARACJE_ZALACZNIK where id_deklaracje_nag=" + id +
                              " AND typ='ORD-ZU'";
    // A text as long as the result column may have been cut by it: the database tells.
    const auto take = [&](int number, const std::string& text, std::size_t columnWidth) {
        bool cut = ordzu.loadStored(number, text) == FieldSet::LoadResult::Cut;
        if (!cut && values::textLength(text) >= columnWidth) {
            const std::string length = utility.FUNCVAY(
                "select len(wartosc_pola)" + where + " AND nr_pola=" + std::to_string(number));
            cut = parseStoredNumber(length).value_or(0) > static_cast<std::int32_t>(columnWidth);
        }
        if (cut && issues != nullptr) issues->cut.push_back(fieldName(ordzu, number));
    };
    if (!utility.EXECVAX("select nr_pola, wartosc_pola" + where)) {
        utility.MSG_INF(utility.fileErrorText());
        return;
    }
    ordzu.clear();
    host::ResultFile& rows = host.data->result(host::ResultFileId::VAX_FK);
    std::vector<std::pair<std::int32_t, std::string>> texts;
    for (host::ResultRow row; rows.next(row);) {
        const std::optional<std::int32_t> number = parseStoredNumber(row.column(0));
        if (!number || !ordzu.has(*number)) continue;
        texts.emplace_back(*number, row.column(1));
    }
    for (const auto& [number, text] : texts) {
        if (number != 13) {
            take(number, text, host::columnWidth(host::ResultFileId::VAX_FK, 1));
            continue;
        }
        // The justification is longer than a VAX_FK column; VAZ_FK carries it whole.
        if (!utility.EXECVAZ("select wartosc_pola" + where + " AND nr_pola=13")) {
            utility.MSG_INF(utility.fileErrorText());
            continue;
        }
        host::ResultRow whole;
        if (host.data->result(host::ResultFileId::VAZ_FK).next(whole)) {
            take(13, whole.column(0), host::columnWidth(host::ResultFileId::VAZ_FK, 0));
        }
    }
}

void WCZYTAJ_CIT_BR(DeclarationFields& fields, std::int32_t n, std::int32_t count) {
    FieldSet& br = fields.citbr;
    const FieldSet& cit8 = fields.cit8;
    const auto setNumbering = [&] {
        br[2].setText(std::to_string(n));
        br[6].setText(std::to_string(n) + "/" + std::to_string(count));
    };
    br.clear();
    setNumbering();
    if (!fields.extcb.hasCopy(n)) {
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
        fields.extcb.sort();
        for (const AttachmentRow& row : fields.extcb.copyRows(n)) {
            if (br.has(row.ext_nr_pola)) br[row.ext_nr_pola].setText(row.ext_wartosc);
        }
    }
    setNumbering();
}

}  // namespace citforms::store
