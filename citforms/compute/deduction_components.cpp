#include "citforms/compute/deduction_components.h"

#include <string>

#include "citforms/host/ui_seam.h"
#include "citforms/values/day_number.h"
#include "citforms/values/text.h"

namespace citforms::compute {

namespace {

enum Answer { kTak = 1, kNie = 2, kDefinicja = 3 };

}  // namespace

values::Result<std::string> deductionDefinition(const host::HostBinding& host,
                                                std::int32_t templateId, int position) {
    host::UtilityLibrary& u = *host.utility;
    if (!u.EXECSQL("select id_deklaracje_odliczenie from dbo.DEKLARACJE_ODLICZENIE where "
                   "id_deklaracje_wzorzec=" +
                   std::to_string(templateId) + " AND nr_pola='" + std::to_string(position) +
                   "'")) {
        return values::Result<std::string>::failure(u.fileErrorText(),
                                                    values::ErrorKind::Database);
    }
    host::ResultRow row;
    if (!host.data->result(host::ResultFileId::ZAPYTANIESQL).next(row)) return std::string();
    std::string id(values::trim(row.column(0), " "));
    // Only a number is an id that may be written back into SQL text.
    if (!values::parseInteger<std::int32_t>(id)) return std::string();
    return id;
}

namespace {

// The question, then for "Tak" and "Definicja" the component under the definition that
// `definition` gives (looked up only when the answer needs it).
template <typename Definition>
bool askAndRecord(const host::HostBinding& host, std::int32_t templateId, int position,
                  const values::Decimal& before, const values::Decimal& after,
                  std::int32_t period, Definition definitionOf) {
    if (before == after || host.ui == nullptr) return true;
    host::MessageRequest question;
    if (templateId == 3) {
        question.title = "Kontrola poprawności";
        question.text = "Kwota związana jest z definicją składników odliczeń.|Czy aktualizować "
                        "automatyczie definicję?";
    } else {
        question.title = host::kTitleQuestion;
        question.text = "Kwota związana jest z definicją składników odliczeń.|Czy aktualizować "
                        "automatycznie definicję?";
    }
    question.buttons = "&Tak|&Nie|&Definicja";
    question.icon = host::MessageIcon::Question;
    const int answer = host.ui->message(question);
    if (answer != kTak && answer != kDefinicja) return true;

    host::UtilityLibrary& u = *host.utility;
    const values::DayNumber componentDate = values::firstDayOfMonth(period);
    bool written = true;
    const values::Result<std::string> definition = definitionOf();
    if (!definition) {
        u.MSG_OST(definition.error());
        written = false;
    } else if (!definition->empty()) {
        written = u.EXECSQL(
            "insert into dbo.DEKLARACJE_SKLADOWE_O(id_deklaracje_odliczenie,funkcja,argument,"
            "operator,wartosc,opis,data_odliczenia,id_firmy,id_udzialowca) values(" +
            *definition + ",'','','+'," + (after - before).toPlainText() +
            ",'Automatyczna aktualizacja'," + std::to_string(componentDate) + "," +
            std::to_string(host.data->globals().DANE_ID_FIRMY) + ",0)");
        if (!written) u.MSG_OST(u.fileErrorText());
    }
    if (answer == kDefinicja && host.declarations != nullptr) {
        host.declarations->SKLADNIKI_ODLICZENIE(std::to_string(position),
                                                std::to_string(componentDate), "CIT-2");
    }
    return written;
}

}  // namespace

bool checkDeductionEdit(const host::HostBinding& host, std::int32_t templateId, int position,
                        const values::Decimal& before, const values::Decimal& after,
                        std::int32_t period) {
    return askAndRecord(host, templateId, position, before, after, period,
                        [&] { return deductionDefinition(host, templateId, position); });
}

bool checkDeductionEdit(const host::HostBinding& host, std::int32_t templateId, int position,
                        const values::Decimal& before, const values::Decimal& after,
                        std::int32_t period, const std::string& definition) {
    return askAndRecord(host, templateId, position, before, after, period,
                        [&] { return values::Result<std::string>(definition); });
}

}  // namespace citforms::compute
