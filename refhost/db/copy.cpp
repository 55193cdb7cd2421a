#include "refhost/db/copy.h"

#include <algorithm>

#include "citforms/values/text.h"
#include "refhost/db/schema.h"

namespace refhost::db {

using citforms::values::join;

namespace {

using sql::HostDatabase;
using R = Result<CopyReport>;

// Rows read from the source per statement: memory stays bounded however large the books.
constexpr long long kReadBatch = 5000;

std::optional<std::string> autoIdColumn(const TableDef& t) {
    for (const ColumnDef& c : t.columns) {
        if (c.type == ColumnType::AutoId) return c.name;
    }
    return std::nullopt;
}

std::vector<std::string> keyColumns(const TableDef& t) {
    if (!t.primaryKey.empty()) return t.primaryKey;
    if (auto id = autoIdColumn(t)) return {*id};
    return {};
}

// The count a query gives; the engine's text when it failed (a failed count is not a zero).
Result<std::string> count(HostDatabase& db, const std::string& sql, const std::string& param) {
    auto r = db.runNative(sql, {param});
    if (!r) return Result<std::string>::failure(r.error());
    if (r->rows.empty() || r->rows[0].empty()) return std::string();
    return r->rows[0][0].value_or("");
}

class Copier {
public:
    Copier(HostDatabase& from, HostDatabase& to, const CopyScope& scope)
        : from_(from), to_(to), scope_(scope) {}

    Result<long long> table(const CopyRule& rule) {
        using T = Result<long long>;
        const std::optional<TableDef> def = tableDefinition(rule.table);
        if (!def) return T::failure("Brak tabeli " + rule.table + " w schemacie");
        const bool wholeCopy = !scope_.company;
        if (!wholeCopy && rule.part == CopyPart::Session) return 0LL;

        std::vector<std::string> columns;
        const auto autoId = autoIdColumn(*def);
        for (const ColumnDef& c : def->columns) {
            // A company copy lets the destination number its internal ids.
            if (!wholeCopy && autoId && c.name == *autoId) continue;
            columns.push_back(c.name);
        }
        std::string where;
        std::vector<std::optional<std::string>> params;
        if (!wholeCopy && rule.part == CopyPart::Company) {
            where = " where " + rule.column + " = ?";
            params.emplace_back(std::to_string(*scope_.company));
        } else if (!wholeCopy && rule.part == CopyPart::Declaration) {
            where = " where " + rule.column +
                    " in (select ID_DEKLARACJE_NAG from DEKLARACJE_NAG where ID_FIRMY = ?)";
            params.emplace_back(std::to_string(*scope_.company));
        }
        std::vector<std::string> order = keyColumns(*def);
        if (order.empty()) order = columns;
        const std::string select = "select " + join(columns, ", ") + " from " + def->name +
                                   where + " order by " + join(order, ", ") + " limit ? offset ?";
        const bool shared = rule.part == CopyPart::Shared;
        std::string insertMissing;
        if (shared) {
            std::vector<std::string> marks(columns.size(), "?");
            insertMissing = "insert into " + def->name + " (" + join(columns, ", ") +
                            ") values (" + join(marks, ", ") + ") on conflict (" +
                            join(keyColumns(*def), ", ") + ") do nothing";
        }

        long long written = 0;
        for (long long offset = 0;; offset += kReadBatch) {
            auto batchParams = params;
            batchParams.emplace_back(std::to_string(kReadBatch));
            batchParams.emplace_back(std::to_string(offset));
            auto rows = from_.runNative(select, batchParams);
            if (!rows) return T::failure("Odczyt tabeli " + def->name + ": " + rows.error());
            for (auto& row : rows->rows) {
                if (shared) {
                    auto r = to_.runNative(insertMissing, row);
                    if (!r) return T::failure("Tabela " + def->name + ": " + r.error());
                    written += r->rowsAffected;
                    continue;
                }
                sql::RowInsert insert{def->name, columns, {}, std::move(row)};
                if (auto st = to_.insertRow(insert); !st) {
                    return T::failure("Tabela " + def->name + ": " + st.error());
                }
                ++written;
            }
            if (static_cast<long long>(rows->rows.size()) < kReadBatch) break;
        }
        if (wholeCopy && autoId && !shared) {
            if (auto st = to_.restartNumbering(def->name, *autoId); !st) {
                return T::failure("Tabela " + def->name + ": " + st.error());
            }
        }
        return written;
    }

private:
    HostDatabase& from_;
    HostDatabase& to_;
    const CopyScope& scope_;
};

Status checkDestination(HostDatabase& from, HostDatabase& to, const CopyScope& scope) {
    if (!scope.company) {
        for (const char* table : {"FIRMA", "DEKLARACJE_NAG"}) {
            auto r = to.runNative(std::string("select count(*) from ") + table);
            if (!r) return Status::failure(r.error());
            if (r->rows.at(0).at(0).value_or("0") != "0") {
                return Status::failure("Baza docelowa zawiera już dane (tabela " +
                                       std::string(table) +
                                       "); całą bazę można skopiować tylko do pustej. Jedną "
                                       "firmę kopiuje się z opcją --company.");
            }
        }
        return {};
    }
    const std::string company = std::to_string(*scope.company);
    const auto inSource = count(from, "select count(*) from FIRMA where id_firmy = ?", company);
    if (!inSource) return Status::failure("Baza źródłowa: " + inSource.error());
    if (*inSource != "1") {
        return Status::failure("Brak firmy " + company + " w bazie źródłowej.");
    }
    const auto inDestination = count(to, "select count(*) from FIRMA where id_firmy = ?", company);
    if (!inDestination) return Status::failure("Baza docelowa: " + inDestination.error());
    if (*inDestination != "0") {
        return Status::failure("Firma " + company +
                               " jest już w bazie docelowej; nic nie "
                               "skopiowano.");
    }
    return {};
}

}  // namespace

const std::vector<CopyRule>& copyRules() {
    using P = CopyPart;
    static const std::vector<CopyRule> rules = {
        {"DEKLARACJE_WZORZEC", P::Shared, ""},
        {"URZEDY", P::Shared, ""},
        {"UZYTKOWNICY", P::Shared, ""},
        {"DEKLARACJE_ODLICZENIE", P::Shared, ""},
        {"ZESTAWIENIE_DEFINICJA_WZORCA", P::Shared, ""},
        // The destination keeps its own mark; the headers copied raise it.
        {"NUMERACJA", P::Shared, ""},
        {"FIRMA", P::Company, "id_firmy"},
        {"ADRESY_FIRMY", P::Company, "ID_FIRMY"},
        {"URZEDY_FIRMY", P::Company, "ID_FIRMY"},
        {"LATA_OBROTOWE", P::Company, "id_firmy"},
        {"FIRMA_ODDZIAL", P::Company, "ID_FIRMY"},
        {"MALY_PODATNIK", P::Company, "id_firmy"},
        {"PRZELEW", P::Company, "id_firmy"},
        {"KONTA", P::Company, "id_firmy"},
        {"KSIEGOWANIA", P::Company, "id_firmy"},
        {"OBROTY", P::Company, "id_firmy"},
        {"IMPORTY_KSIAG", P::Company, "id_firmy"},
        {"BILANS_OTWARCIA", P::Company, "id_firmy"},
        {"DEKLARACJE_DOCHOD", P::Company, "id_firmy"},
        {"DEKLARACJE_SKLADOWE_O", P::Company, "id_firmy"},
        {"DEKLARACJE_NAG", P::Company, "ID_FIRMY"},
        {"DEKLARACJE_POZ", P::Declaration, "ID_DEKLARACJE_NAG"},
        {"DEKLARACJE_ZALACZNIK", P::Declaration, "id_deklaracje_nag"},
        {"DEKLARACJE_NAG_INTER", P::Declaration, "ID_DEKLARACJE_NAG_1"},
        {"DEKLARACJE_EDEKLARACJA", P::Declaration, "id_deklaracje_nag"},
        {"DEKLARACJE_KOREKTY", P::Declaration, "ID_KOREKTY"},
        {"ZESTAWIENIE_DEFINICJA", P::Declaration, "id_deklaracje_nag"},
        {"DZIENNIK", P::Declaration, "id_deklaracje_nag"},
        {"KOMUNIKAT", P::Session, ""},
        {"ZAZNACZENIE", P::Session, ""},
    };
    return rules;
}

Result<CopyReport> copyData(HostDatabase& from, HostDatabase& to, const CopyScope& scope) {
    if (auto st = from.begin(); !st) return R::failure("Baza źródłowa: " + st.error());
    if (auto st = to.begin(); !st) {
        from.rollback();
        return R::failure("Baza docelowa: " + st.error());
    }
    auto fail = [&](const std::string& message) {
        to.rollback();
        from.rollback();
        return R::failure(message);
    };
    if (auto st = checkDestination(from, to, scope); !st) return fail(st.error());
    CopyReport report;
    Copier copier(from, to, scope);
    for (const CopyRule& rule : copyRules()) {
        auto rows = copier.table(rule);
        if (!rows) return fail(rows.error());
        report.rowsByTable.emplace_back(rule.table, *rows);
        report.rows += *rows;
    }
    if (auto st = to.commit(); !st) {
        from.rollback();
        return R::failure("Baza docelowa: " + st.error());
    }
    from.rollback();  // nothing was written there; this only lets go of the lock
    return report;
}

}  // namespace refhost::db
