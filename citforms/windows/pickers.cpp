#include "citforms/windows/pickers.h"

#include <string>
#include <vector>

#include "citforms/values/day_number.h"
#include "citforms/values/field_value.h"
#include "citforms/values/text.h"
#include "citforms/windows/plain_documents.h"

namespace citforms::header {

namespace {

struct Column {
    std::size_t index;  // in the query's select list
    std::size_t shown;  // characters shown; 0: a day number shown dd-mm-yyyy
};

// Fills list `list` with the rows of `sql` (the first column the row's id) and runs the
// picker; the chosen row's id, 0 when closed without a choice.
std::int32_t runPicker(const host::HostBinding& host, host::IniManager* ini,
                       std::string_view window, std::string_view list, const std::string& sql,
                       const std::vector<Column>& columns) {
    auto doc = windows::builtInDialog(window);
    if (!doc) {
        host.utility->MSG_OST(doc.error());
        return 0;
    }
    host::PlainWindow w(std::move(*doc), host.ui);
    std::vector<host::ListRow> rows;
    if (!host.utility->EXECVAX(sql)) {
        host.utility->MSG_OST(host.utility->fileErrorText());
    } else {
        host::ResultRow row;
        host::ResultFile& result = host.data->result(host::ResultFileId::VAX_FK);
        while (result.next(row)) {
            std::vector<std::string> shown;
            for (const Column& c : columns) {
                const std::string text(values::trim(row.column(c.index)));
                if (c.shown == 0) {
                    const auto day = values::parseInteger<std::int32_t>(text);
                    shown.push_back(day && values::isDisplayableDay(*day)
                                        ? values::formatDayMonthYear(*day)
                                        : std::string());
                } else {
                    shown.push_back(values::cutText(text, c.shown));
                }
            }
            rows.push_back({std::string(values::trim(row.column(0))), values::join(shown, " | ")});
        }
    }
    const bool empty = rows.empty();
    w.setRows(list, std::move(rows));
    w.setEnabled("Wybierz", !empty);
    w.onAction("choose", [&w, list] {
        w.finish(values::parseInteger<std::int32_t>(w.value(list)).value_or(0));
    });
    return host.ui->runWindow({&w, ini, false});
}

}  // namespace

std::int32_t pickSeatAddress(const host::HostBinding& host, host::IniManager* ini) {
    const std::string company = std::to_string(host.data->globals().DANE_ID_FIRMY);
    return runPicker(host, ini, "Wybierz_Adres_Deklar_Cit", "ADRESY",
                     "select ID_ADRESY_FIRMY, DATA_OD, ULICA, NR_DOMU, KOD_POCZTOWY, POCZTA, "
                     "MIEJSCOWOSC from ADRESY_FIRMY where ID_FIRMY=" + company +
                         " AND TYP_ADRESU='S' order by ID_FIRMY, TYP_ADRESU, DATA_OD",
                     {{1, 0}, {2, 40}, {3, 10}, {4, 10}, {5, 40}, {6, 40}});
}

std::int32_t pickTaxOffice(const host::HostBinding& host, host::IniManager* ini) {
    const std::string company = std::to_string(host.data->globals().DANE_ID_FIRMY);
    return runPicker(host, ini, "Wybierz_Urzad_Deklar_Cit", "URZEDY",
                     "select uf.ID_URZEDU, uf.DATA_OD, u.NAZWA, u.KOD_POCZTOWY, u.MIEJSCOWOSC "
                     "from URZEDY_FIRMY uf inner join URZEDY u on u.ID_URZEDU = uf.ID_URZEDU "
                     "where uf.ID_FIRMY=" + company +
                         " AND uf.TYP_URZEDU='US' order by uf.TYP_URZEDU, uf.ID_FIRMY, uf.DATA_OD",
                     {{1, 0}, {2, 40}, {3, 10}, {4, 30}});
}

}  // namespace citforms::header
