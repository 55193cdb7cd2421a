#include "citforms/citst/cit_st.h"

#include <algorithm>
#include <cstdio>
#include <optional>

#include "citforms/compute/form_edition.h"
#include "citforms/forms/form.h"
#include "citforms/header/company_data.h"
#include "citforms/store/declaration_load.h"
#include "citforms/values/day_number.h"
#include "citforms/values/field_value.h"
#include "citforms/values/text.h"

namespace citforms::citst {

namespace {

constexpr int kHeaderFields = 25;
constexpr int kBranchMembers = 17;
constexpr int kBranchBase = 83;

const forms::GroupDef& branchGroup() {
    static const forms::GroupDef& g = forms::FormCatalogue::builtIn().form("cit_st_7").groups.at(0);
    return g;
}

std::int32_t numberOf(std::string_view text) {
    return store::parseStoredNumber(values::trim(text)).value_or(0);
}

std::string digitsOnly(std::string_view text) {
    std::string out;
    for (char c : text) {
        if (c >= '0' && c <= '9') out += c;
    }
    return out;
}

// The member fields of a branch by their index in the form file's group.
std::string* textMember(store::CitStBranch& b, int i) {
    switch (i) {
        case 1: return &b.NAZWA_PELNA;
        case 2: return &b.NAZWA;
        case 3: return &b.REGON;
        case 4: return &b.NIP;
        case 6: return &b.KRAJ;
        case 7: return &b.WOJEWODZTWO;
        case 8: return &b.POWIAT;
        case 9: return &b.GMINA;
        case 10: return &b.ULICA;
        case 11: return &b.NRDOMU;
        case 12: return &b.NRLOKALU;
        case 13: return &b.MIEJSCOWOSC;
        case 14: return &b.KODPOCZTOWY;
        case 15: return &b.POCZTA;
        case 17: return &b.GMINA_KOD;
        default: return nullptr;
    }
}

const std::string& text(const store::DeclarationFields& zvst, int n) {
    return zvst.main()[n].text();
}

bool run(host::UtilityLibrary& u, const std::string& sql, store::SaveResult& result) {
    if (u.EXECVAX(sql)) return true;
    result.notices.push_back({store::Notice::Kind::Warning, u.fileErrorText()});
    return false;
}

}  // namespace

int copiesFor(std::size_t branches, int perCopy) {
    return static_cast<int>((branches + static_cast<std::size_t>(perCopy) - 1) /
                            static_cast<std::size_t>(perCopy));
}

std::string positionNumber(int n) {
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, "%07d", n);
    return buffer;
}

int branchPosition(int k, int i) {
    return kBranchBase + kBranchMembers * k + i;
}

std::string branchValue(const store::CitStBranch& branch, int i) {
    if (i == 5) return std::to_string(branch.DATA_ROZP_DZIAL);
    if (i == 16) return std::to_string(branch.ZATRUDNIONYCH);
    auto* member = textMember(const_cast<store::CitStBranch&>(branch), i);
    if (member == nullptr) return {};
    return i == 4 ? digitsOnly(*member) : *member;
}

void setBranchValue(store::CitStBranch& branch, int i, std::string_view stored) {
    if (i == 5) {
        branch.DATA_ROZP_DZIAL = numberOf(stored);
    } else if (i == 16) {
        branch.ZATRUDNIONYCH = numberOf(stored);
    } else if (auto* member = textMember(branch, i)) {
        const forms::FieldDef& def = branchGroup().members.at(static_cast<std::size_t>(i - 1));
        *member = values::cutText(stored, def.capacity);
    }
}

store::SaveResult saveCitSt(const host::HostBinding& host, store::DeclarationFields& zvst,
                            const store::CitStBranches& branches, std::int32_t id) {
    host::UtilityLibrary& u = *host.utility;
    store::SaveResult result;
    result.id = id;
    const bool correction = numberOf(text(zvst, 8)) == 2;
    const values::DayNumber periodTo = numberOf(text(zvst, 5));
    const std::int32_t period = periodTo > 0 ? values::secondOfMonth(periodTo) : 0;
    const std::int32_t status = correction ? 1 : 0;

    if (!u.beginTransaction()) {
        result.notices.push_back({store::Notice::Kind::Warning, u.fileErrorText()});
        result.error = values::ErrorKind::Database;
        return result;
    }
    auto failed = [&](values::ErrorKind kind) {
        u.rollbackTransaction();
        result.outcome = kind == values::ErrorKind::Locked ? store::SaveOutcome::Locked
                                                           : store::SaveOutcome::Failed;
        result.error = kind;
        // A locked, deleted or meanwhile changed CIT-ST was refused with its own message.
        if (kind == values::ErrorKind::Database) {
            result.notices.push_back({store::Notice::Kind::WriteError, {}});
        }
        return result;
    };
    const bool added = id == 0;  // the first save of a new information
    if (id != 0) {
        const values::Status header =
            store::updateCitStHeader(host, id, period, status, zvst.loaded);
        if (!header) {
            const bool refused = header.errorKind() != values::ErrorKind::Database;
            result.notices.push_back({refused ? store::Notice::Kind::Information
                                              : store::Notice::Kind::Warning,
                                      header.error()});
            failed(header.errorKind());
            // Nothing of the save is kept; a refusal for a lock is recorded, after the rollback.
            if (header.errorKind() == values::ErrorKind::Locked) {
                u.LOG_ADD(id, "Odmowa zapisu zablokowanej informacji CIT-ST, id:" + std::to_string(id),
                          "X", "R");
            }
            return result;
        }
    } else {
        const values::Result<std::int32_t> created = store::insertCitStHeader(host, period, status);
        if (!created) {
            result.notices.push_back({store::Notice::Kind::Warning, created.error()});
            return failed(values::ErrorKind::Database);
        }
        id = *created;
    }
    const std::string idText = std::to_string(id);
    if (!run(u, "delete from DEKLARACJE_POZ where ID_DEKLARACJE_NAG=" + idText, result))
        return failed(values::ErrorKind::Database);

    const std::string head =
        "insert into DEKLARACJE_POZ (ID_DEKLARACJE_NAG,NR_POLA,WARTOSC_POLA,NR_ZALACZNIKA) "
        "values(" +
        idText + ",'";
    auto insert = [&](int position, std::string_view value) {
        return run(u, head + positionNumber(position) + "'," + values::sqlQuoted(value) + ",0)",
                   result);
    };
    for (int n = 1; n <= kHeaderFields; ++n) {
        if (!insert(n, text(zvst, n))) return failed(values::ErrorKind::Database);
    }
    for (std::size_t k = 0; k < branches.size(); ++k) {
        for (int i = 1; i <= kBranchMembers; ++i) {
            if (!insert(branchPosition(static_cast<int>(k) + 1, i), branchValue(branches[k], i)))
                return failed(values::ErrorKind::Database);
        }
    }
    if (!run(u, "delete from DEKLARACJE_ZALACZNIK where id_deklaracje_nag = " + idText, result))
        return failed(values::ErrorKind::Database);
    if (correction && zvst.carries("ORD-ZU") &&
        !store::insertAttachmentTexts(host, zvst.form("ORD-ZU"), id, result.notices)) {
        return failed(values::ErrorKind::Database);
    }
    if (!u.commitTransaction()) {
        result.notices.push_back({store::Notice::Kind::Warning, u.fileErrorText()});
        return failed(values::ErrorKind::Database);
    }
    if (added) {
        u.LOG_ADD(id, "Dodanie informacji CIT-ST, id:" + idText, "X", "D");
    } else {
        u.LOG_ADD(id, "Aktualizacja informacji CIT-ST, id:" + idText, "X", "P");
    }
    zvst.loaded = store::readStamp(host, id);
    result.id = id;
    result.outcome = store::SaveOutcome::Saved;
    return result;
}

values::Status loadCitSt(const host::HostBinding& host, std::int32_t id,
                         store::DeclarationFields& zvst, store::CitStBranches& branches) {
    branches.clear();
    zvst.hold(201);
    zvst.loaded = store::readStamp(host, id);
    host::UtilityLibrary& u = *host.utility;
    if (!u.EXECVAX("select NR_POLA, WARTOSC_POLA from DEKLARACJE_POZ where ID_DEKLARACJE_NAG = " +
                   std::to_string(id) + " AND NR_ZALACZNIKA = 0 order by NR_POLA asc")) {
        return values::Status::failure(u.fileErrorText(), values::ErrorKind::Database);
    }
    // A save numbers the branches 1, 2, ... and writes all 17 members of each, so branch k
    // comes with at least 17(k - 1) rows of the branches before it. A row numbered past what
    // the stored rows could have filled came from no save (a stray position number): it is
    // named and left out, and memory follows the rows read, never a position number.
    struct BranchRow {
        int branch;
        int member;
        std::string value;
    };
    std::vector<BranchRow> branchRows;
    const std::string form(zvst.main().list().formName());
    auto ignore = [&](std::string_view position) {
        zvst.issues.ignored.push_back(form + " poz. " + std::string(values::trim(position)));
    };
    host::ResultRow row;
    host::ResultFile& rows = host.data->result(host::ResultFileId::VAX_FK);
    while (rows.next(row)) {
        const std::optional<std::int32_t> n = store::parseStoredNumber(values::trim(row.column(0)));
        if (n && *n >= 1 && *n <= kHeaderFields) {
            zvst.main().loadStored(*n, row.column(1));
        } else if (n && *n > branchPosition(0, kBranchMembers)) {
            const int k = (*n - kBranchBase - 1) / kBranchMembers;
            branchRows.push_back({k, *n - branchPosition(k, 0), row.column(1)});
        } else {
            ignore(n ? std::to_string(*n) : row.column(0));
        }
    }
    // Branches in the order of their numbers; a number no row names adds no branch.
    std::stable_sort(branchRows.begin(), branchRows.end(),
                     [](const BranchRow& a, const BranchRow& b) { return a.branch < b.branch; });
    // A branch number beyond the count of branch rows read cannot be a branch: even rows typed
    // in by hand, a few per branch, name no more branches than there are rows.
    const std::size_t plausible = branchRows.size();
    int current = 0;
    for (const BranchRow& r : branchRows) {
        if (static_cast<std::size_t>(r.branch) > plausible) {
            ignore(std::to_string(branchPosition(r.branch, r.member)));
            continue;
        }
        if (r.branch != current) {
            branches.emplace_back();
            current = r.branch;
        }
        setBranchValue(branches.back(), r.member, r.value);
    }
    if (zvst.carries("ORD-ZU")) {
        return store::loadAttachmentTexts(host, id, zvst.form("ORD-ZU"), &zvst.issues);
    }
    return {};
}

std::vector<std::string> standaloneDefaults(const host::HostBinding& host,
                                            store::DeclarationFields& zvst) {
    const host::Globals& g = host.data->globals();
    const values::DayNumber today = g.DANE_DATA_BIEZACA > 0 ? g.DANE_DATA_BIEZACA : values::today();
    const values::DayNumber monthEnd = values::lastDayOfMonth(today);
    const header::CompanyData company =
        header::loadCompanyData(*host.utility, *host.data, g.DANE_ID_FIRMY, monthEnd);
    zvst.hold(201);
    store::FieldSet& f = zvst.main();
    f[1].setText(company.nip);
    f[4].setText(std::to_string(g.DANE_POCZATEK_ROKU));
    f[5].setText(std::to_string(monthEnd));
    f[7].setText(company.taxOffice);
    f[8].setText("1");
    f[9].setText("1");
    f[10].setText(company.fullName);
    f[11].setText(company.regon);
    f[12].setText("Polska");
    const std::string* address[] = {&company.province,   &company.county,     &company.commune,
                                    &company.street,     &company.houseNumber, &company.flatNumber,
                                    &company.town,       &company.postalCode, &company.postOffice};
    int n = 13;
    for (const std::string* a : address) f[n++].setText(*a);
    f[25].setText(std::to_string(today));
    zvst.issues.failedReads = header::unreadPositions(
        company, f.list().formName(), {{1, 10, 11}, {13, 14, 15, 16, 17, 18, 19, 20, 21}, {7}});
    return company.warnings;
}

void defaultsFromCit8(const store::FieldSet& cit8, std::int32_t cit8Template,
                      store::DeclarationFields& zvst) {
    zvst.hold(201);
    store::FieldSet& f = zvst.main();
    auto from = [&](int target, int source) {
        if (cit8.has(source)) f[target].setText(cit8.stored(source));
    };
    from(1, 1);
    from(4, 4);
    from(5, 5);
    from(7, 6);
    for (int n = 10; n <= 21; ++n) from(n, n - 2);
    // The date of filling: position 149 of edition 24 (146 there is an amount), where the
    // CIT-8's own edition has it (146 of edition 23).
    const compute::FormEdition* edition = compute::FormEdition::forTemplate(cit8Template);
    if (const auto date = edition != nullptr ? edition->position(149) : std::nullopt)
        from(25, *date);
    f[25].setText(std::string(values::trim(f[25].text())));
    f[8].setText("1");
    f[9].setText("2");
}

std::string employeeSum(const store::CitStBranches& branches) {
    std::int64_t sum = 0;
    for (const store::CitStBranch& b : branches) sum += b.ZATRUDNIONYCH;
    return std::to_string(sum);
}

std::vector<std::string> citStCopyCells(const store::DeclarationFields& zvst,
                                        const store::CitStBranches& branches, int form,
                                        int forms) {
    std::vector<std::string> cells(kCitStCells + 1);
    const std::size_t first = static_cast<std::size_t>(form - 1) * kBranchesPerCitSt;
    for (std::size_t s = 0; s < kBranchesPerCitSt && first + s < branches.size(); ++s) {
        const store::CitStBranch& b = branches[first + s];
        const std::size_t c = 23 + 8 * s;
        cells[c] = b.WOJEWODZTWO;
        cells[c + 1] = b.POWIAT;
        cells[c + 2] = b.GMINA;
        cells[c + 3] = b.GMINA_KOD;
        cells[c + 4] = b.NAZWA;
        cells[c + 5] = b.REGON;
        cells[c + 6] = std::to_string(b.ZATRUDNIONYCH);
        cells[c + 7] = b.NIP;
    }
    cells[1] = text(zvst, 1);
    cells[4] = text(zvst, 4);
    cells[5] = text(zvst, 5);
    cells[6] = std::to_string(form) + " / " + std::to_string(forms);
    for (int n = 7; n <= 22; ++n) cells[static_cast<std::size_t>(n)] = text(zvst, n);
    cells[167] = text(zvst, 23);
    cells[168] = text(zvst, 24);
    cells[169] = text(zvst, 25);
    return cells;
}

std::vector<std::string> citStaCopyCells(const store::DeclarationFields& zvst,
                                         const store::CitStBranches& branches, int form) {
    std::vector<std::string> cells(kCitStaCells + 1);
    const std::size_t first = static_cast<std::size_t>(form - 1) * kBranchesPerCitSta;
    for (std::size_t r = 0; r < kBranchesPerCitSta && first + r < branches.size(); ++r) {
        const store::CitStBranch& b = branches[first + r];
        const std::size_t row = 15 * (r + 1);  // rows 2..6
        for (int col = 1; col <= 15; ++col) {
            // Columns follow the stored members 1 to 15; the NIP prints as it was entered.
            cells[row + static_cast<std::size_t>(col)] =
                col == 4 ? b.NIP : branchValue(b, col);
        }
    }
    cells[1] = text(zvst, 1);
    cells[2] = std::to_string(form);
    cells[3] = text(zvst, 10);
    cells[4] = text(zvst, 11);
    return cells;
}

}  // namespace citforms::citst
