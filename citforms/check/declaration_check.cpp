#include "citforms/check/declaration_check.h"

#include <algorithm>
#include <map>
#include <stdexcept>
#include <optional>
#include <string_view>

#include "citforms/compute/cit2_advances.h"
#include "citforms/citst/cit_st.h"
#include "citforms/compute/cit2_procedures.h"
#include "citforms/compute/citbr_rules.h"
#include "citforms/compute/field_set_amounts.h"
#include "citforms/compute/form_rules.h"
#include "citforms/compute/statement_computation.h"
#include "citforms/forms/form.h"
#include "citforms/module/automation.h"
#include "citforms/module/declaration_kinds.h"
#include "citforms/module/module_state.h"
#include "citforms/store/declaration_load.h"
#include "citforms/values/day_number.h"
#include "citforms/values/identifiers.h"
#include "citforms/values/picture.h"
#include "citforms/values/text.h"

namespace citforms::check {

namespace {

using values::Decimal;

// What the check works on beside the values: the declaration and its company and year.
struct Subject {
    std::int32_t id = 0;
    std::int32_t templateId = 0;
    std::int32_t company = 0;
    std::int32_t user = 0;
    std::int32_t yearStart = 0;  // 0: the fiscal year is not known
    std::int32_t yearEnd = 0;
    std::int32_t period = 0;  // the header's period date; 0: not known
};

std::string trimmed(std::string_view text) {
    return std::string(values::trim(text));
}

std::string digitsOf(std::string_view text) {
    std::string out;
    for (char c : text) {
        if (c == '-' || c == ' ') continue;
        out += c;
    }
    return out;
}

bool allDigits(const std::string& text) {
    return !text.empty() && text.find_first_not_of("0123456789") == std::string::npos;
}

// An amount as the form windows show it: "1 000,00", "-12,50".
std::string shown(const Decimal& d) {
    static const values::Picture picture = *values::Picture::parse("@N-19_`2");
    return trimmed(values::formatNumber(picture, d));
}

std::string shownDay(std::int32_t day) {
    return values::isDisplayableDay(day) ? values::formatDayMonthYear(day) : std::to_string(day);
}

// A rule's exact result as a field holds it: to the grosz, halves away from zero.
Decimal toGrosz(const Decimal& d) {
    try {
        return values::Amount::fromDecimal(d, values::Rounding::HalfAwayFromZero).toDecimal();
    } catch (const std::exception&) {
        return d;
    }
}

bool postalCodeValid(const std::string& t) {
    return t.size() == 6 && t[2] == '-' && allDigits(t.substr(0, 2)) && allDigits(t.substr(3));
}

// Whether the company has a return of the same kind (INFO_2) and period filed before
// declaration `id`: what a correction corrects.
bool earlierReturnOfPeriod(host::UtilityLibrary& u, std::int32_t company, std::int32_t id) {
    const std::string own = std::to_string(id);
    const std::string earlier = u.FUNCVAY(
        "select count(*) from DEKLARACJE_NAG where ID_FIRMY = " + std::to_string(company) +
        " AND ID_DEKLARACJE_NAG < " + own +
        " AND DATA_OKRESU = (select DATA_OKRESU from DEKLARACJE_NAG where ID_DEKLARACJE_NAG = " +
        own + ") AND INFO_2 = (select INFO_2 from DEKLARACJE_NAG where ID_DEKLARACJE_NAG = " +
        own + ")");
    return store::parseStoredNumber(earlier).value_or(0) > 0;
}

// What is wrong with a NIP as typed; nullopt when nothing is.
std::optional<std::string> nipFault(const std::string& value) {
    const std::string d = digitsOf(value);
    if (d.size() != 10 || !allDigits(d)) return "NIP „" + value + "” powinien mieć 10 cyfr";
    if (!values::nipValid(d)) return "NIP „" + value + "” ma błędną cyfrę kontrolną";
    return std::nullopt;
}

// The form rules applied to the values as they stand: every read gives the held value, every
// write is kept aside as what the rule gives, so each rule is judged on its own inputs and one
// wrong position is named once, not again in every total after it.
class RuleProbe : public compute::DeclarationAmounts {
public:
    explicit RuleProbe(store::DeclarationFields& fields) : held_(fields) {}
    Decimal cit8(int position) const override { return held_.cit8(position); }
    void setCit8(int position, const Decimal& value) override { cit8Given[position] = value; }
    Decimal cit8o(int position) const override { return held_.cit8o(position); }
    void setCit8o(int position, const Decimal& value) override { cit8oGiven[position] = value; }
    Decimal firstCitBrRelief() override { return held_.firstCitBrRelief(); }

    std::map<int, Decimal> cit8Given;
    std::map<int, Decimal> cit8oGiven;

private:
    compute::FieldSetAmounts held_;
};

class Checker {
public:
    Checker(const host::HostBinding& host, const Subject& subject,
            const store::DeclarationFields& fields, const CheckOptions& options)
        : host_(host),
          u_(*host.utility),
          subject_(subject),
          fields_(fields),
          options_(options),
          edition_(compute::FormEdition::forTemplate(subject.templateId)),
          main_(fields_.main()),
          mainDef_(main_.list().form()),
          mainName_(mainDef_.name) {
        result_.declarationId = subject.id;
        result_.templateId = subject.templateId;
        // Copy after copy is looked up: in sorted rows each lookup is a binary search.
        for (store::HeldForm& held : scratch_.forms()) held.copies.sort();
    }

    CheckResult run() {
        if (edition_ != nullptr) {
            arithmetic();
            identifiers();
            dates();
            attachments();
            advances();
            statementMessages();
        } else {
            cit2Arithmetic();
            identifiers();
            cit2Period();
        }
        correctionWithoutOriginal();
        allAmountsZero();
        unfedAccounts();
        return std::move(result_);
    }

private:
    void add(Severity severity, std::string form, int copy, std::vector<int> positions,
             std::string text) {
        result_.items.push_back(
            {severity, std::move(form), copy, std::move(positions), std::move(text)});
    }
    void error(std::string form, std::vector<int> positions, std::string text, int copy = 0) {
        add(Severity::Error, std::move(form), copy, std::move(positions), std::move(text));
    }
    void warning(std::string form, std::vector<int> positions, std::string text, int copy = 0) {
        add(Severity::Warning, std::move(form), copy, std::move(positions), std::move(text));
    }

    // The main form's field whose role is `role` (roles are the same in every edition).
    std::optional<int> mainFieldOfRole(std::string_view role, bool prefix = false) const {
        for (const forms::FieldDef& f : mainDef_.fields) {
            if (prefix ? f.role.starts_with(role) : f.role == role) return f.number;
        }
        return std::nullopt;
    }
    std::string mainText(int field) const {
        return main_.has(field) ? trimmed(main_[field].text()) : std::string();
    }
    std::int64_t mainCount(std::optional<int> field) const {
        return field && main_.has(*field) ? main_[*field].decimal().integerPart() : 0;
    }
    // How many copies of `form` the main form announces, and where.
    std::optional<int> countField(std::string_view form) const {
        return countPosition(mainDef_, form);
    }

    static std::string mismatch(int position, const Decimal& held, const Decimal& given) {
        return "Poz. " + std::to_string(position) + ": wpisano " + shown(held) +
               ", z wyliczenia wynika " + shown(given);
    }

    // ---- arithmetic ----------------------------------------------------------------------

    void arithmetic() {
        store::DeclarationFields scratch = fields_;
        RuleProbe probe(scratch);
        compute::Cit8Rules(*edition_, probe).applyAll();
        if (edition_->ownAttachmentStatements().empty())
            compute::Cit8oRules(*edition_, probe).applyAll();
        for (const auto& [position, given] : probe.cit8Given) {
            const Decimal held = probe.cit8(position);
            if (held != toGrosz(given)) error("CIT-8", {position}, mismatch(position, held, given));
        }
        // Edition 21 sums its quarterly advances apart.
        if (const auto& q = edition_->quarterlyAdvances(); q.first != 0) {
            Decimal sum;
            for (int p = q.first; p < q.first + q.count; ++p) sum += probe.cit8(p);
            if (probe.cit8(q.sum) != sum)
                error("CIT-8", {q.sum}, mismatch(q.sum, probe.cit8(q.sum), sum));
        }
        for (const auto& [position, given] : probe.cit8oGiven) {
            const Decimal held = probe.cit8o(position);
            if (held != toGrosz(given))
                error("CIT-8/O", {position}, mismatch(position, held, given));
        }
    }

    // ---- identifiers ---------------------------------------------------------------------

    void identifiersOf(const std::string& form, int copy, const forms::FormDef& def,
                       const store::FieldSet& set, bool main) {
        const auto text = [&](int n) {
            return set.has(n) ? trimmed(set[n].text()) : std::string();
        };
        for (const forms::FieldDef& f : def.fields) {
            if (!set.has(f.number)) continue;
            const std::string value = text(f.number);
            const std::string at = "Poz. " + std::to_string(f.number) + ": ";
            if (f.role == "Numer identyfikacyjny podatnika (NIP)") {
                const std::string d = digitsOf(value);
                if (value.empty()) {
                    if (main) error(form, {f.number}, at + "brak NIP", copy);
                } else if (d.size() != 10 || !allDigits(d)) {
                    error(form, {f.number}, at + "NIP „" + value + "” powinien mieć 10 cyfr", copy);
                } else if (!values::nipValid(d)) {
                    error(form, {f.number}, at + "NIP „" + value + "” ma błędną cyfrę kontrolną",
                          copy);
                }
            } else if (f.role == "Numer REGON") {
                const std::string d = digitsOf(value);
                if (value.empty()) {
                    if (main) warning(form, {f.number}, at + "brak numeru REGON", copy);
                } else if ((d.size() != 9 && d.size() != 14) || !allDigits(d)) {
                    error(form, {f.number},
                          at + "REGON „" + value + "” powinien mieć 9 albo 14 cyfr", copy);
                } else if (!values::regonValid(d)) {
                    error(form, {f.number}, at + "REGON „" + value + "” ma błędną cyfrę kontrolną",
                          copy);
                }
            } else if (f.role == "Kod pocztowy") {
                // A foreign address keeps its own postal codes: the country of the same
                // address is the nearest "Kraj" before it.
                std::string country;
                for (const forms::FieldDef& c : def.fields) {
                    if (c.number < f.number && c.role == "Kraj") country = text(c.number);
                }
                const bool poland = country.empty() || values::upper(country) == "POLSKA" ||
                                    values::upper(country) == "PL";
                if (value.empty()) {
                    if (main) warning(form, {f.number}, at + "brak kodu pocztowego", copy);
                } else if (poland && !postalCodeValid(value)) {
                    error(form, {f.number},
                          at + "kod pocztowy „" + value + "” nie ma postaci NN-NNN", copy);
                }
            } else if (f.role.starts_with("Urząd skarbowy") && value.empty()) {
                error(form, {f.number}, at + "brak urzędu skarbowego", copy);
            }
            if (!main) sameAsReturn(form, copy, f, set);
        }
    }

    // An attachment belongs to this return: the taxpayer's NIP and the period are the
    // CIT-8's own.
    void sameAsReturn(const std::string& form, int copy, const forms::FieldDef& f,
                      const store::FieldSet& set) {
        const std::string at = "Poz. " + std::to_string(f.number) + ": ";
        const std::string value = trimmed(set[f.number].toStored());
        if (value.empty()) return;
        if (f.role == "Numer identyfikacyjny podatnika (NIP)") {
            const std::optional<int> nip = mainFieldOfRole(f.role);
            const std::string own = nip ? mainText(*nip) : std::string();
            const std::string d = digitsOf(value);
            if (d.size() == 10 && !own.empty() && d != digitsOf(own)) {
                error(form, {f.number},
                      at + "NIP „" + value + "” różni się od NIP zeznania CIT-8 „" + own + "”",
                      copy);
            }
            return;
        }
        int returnField = 0;
        if (f.role == "Pierwszy dzień roku podatkowego" || f.role == "Początek okresu") {
            returnField = 4;
        } else if (f.role == "Ostatni dzień roku podatkowego" || f.role == "Koniec okresu") {
            returnField = 5;
        }
        if (returnField == 0) return;
        const std::optional<std::int32_t> day = store::parseStoredNumber(value);
        // Day 0 is no date: the sheet was never filled (its absence is reported by itself).
        if (day && *day == 0) return;
        const std::optional<std::int32_t> own =
            store::parseStoredNumber(mainText(returnField));
        if (own && day != own) {
            error(form, {f.number},
                  at + "dzień „" + (day ? shownDay(*day) : value) + "” różni się od poz. " +
                      std::to_string(returnField) + " zeznania CIT-8 (" + shownDay(*own) + ")",
                  copy);
        }
    }

    void identifiers() {
        for (const store::HeldForm& held : fields_.forms()) {
            const std::string& name = held.def->name;
            if (name == "ORD-ZU") continue;
            if (!held.numbered()) {
                const bool isMain = &held.set == &main_;
                if (!isMain && mainCount(countField(name)) <= 0) continue;
                if (!isMain && unfilled(*held.def, held.set)) {
                    const int count = *countField(name);
                    error("CIT-8", {count},
                          "Poz. " + std::to_string(count) + ": zapowiedziano załącznik " + name +
                              ", którego nie wypełniono");
                    continue;
                }
                identifiersOf(name, 0, *held.def, held.set, isMain);
                continue;
            }
            const std::int64_t count = mainCount(countField(name));
            for (std::int32_t k = 1; k <= count; ++k) {
                if (!rowsOf(name).hasCopy(k)) continue;
                identifiersOf(name, k, *held.def, copy(name, k, count), false);
            }
        }
    }

    // Every copy's rows of the numbered form `name`, sorted.
    const store::AttachmentRows& rowsOf(const std::string& name) const {
        return scratch_.copies(name);
    }

    // An attachment sheet that holds nothing: every value empty or zero.
    static bool unfilled(const forms::FormDef& def, const store::FieldSet& set) {
        for (const forms::FieldDef& f : def.fields) {
            if (!set.has(f.number)) continue;
            const std::string value = trimmed(set[f.number].toStored());
            const std::optional<Decimal> amount = Decimal::parse(value);
            if (!value.empty() && !(amount && amount->isZero())) return false;
        }
        return true;
    }

    // Copy k of the numbered form `name`, in a field set of its own.
    const store::FieldSet& copy(const std::string& name, std::int32_t k, std::int64_t count) {
        store::loadCopy(scratch_, name, k, static_cast<std::int32_t>(count));
        return scratch_.form(name);
    }

    // ---- dates ---------------------------------------------------------------------------

    void dates() {
        const std::optional<std::int32_t> from = store::parseStoredNumber(mainText(4));
        const std::optional<std::int32_t> to = store::parseStoredNumber(mainText(5));
        if (!from || !to || *from <= 0 || *to <= 0) {
            error("CIT-8", {4, 5}, "Poz. 4, 5: brak okresu, którego dotyczy zeznanie");
            return;
        }
        if (*from > *to) {
            error("CIT-8", {4, 5},
                  "Poz. 4, 5: początek okresu " + shownDay(*from) +
                      " jest późniejszy niż jego koniec " + shownDay(*to));
        } else {
            const std::string years =
                u_.FUNCVAY("select count(*) from LATA_OBROTOWE where id_firmy = " +
                           std::to_string(subject_.company) + " AND poczatek_roku <= " +
                           std::to_string(*from) + " AND koniec_roku >= " + std::to_string(*to));
            if (store::parseStoredNumber(years).value_or(0) == 0) {
                error("CIT-8", {4, 5},
                      "Poz. 4, 5: okres od " + shownDay(*from) + " do " + shownDay(*to) +
                          " nie mieści się w jednym roku obrotowym firmy");
            }
        }
        const std::optional<int> filled = mainFieldOfRole("Data wypełnienia", true);
        if (!filled) return;
        const std::string text = mainText(*filled);
        const std::string at = "Poz. " + std::to_string(*filled) + ": ";
        const std::optional<std::int32_t> day = store::parseStoredNumber(text);
        if (text.empty()) {
            warning("CIT-8", {*filled}, at + "brak daty wypełnienia zeznania");
        } else if (!day || !values::isDisplayableDay(*day)) {
            error("CIT-8", {*filled}, at + "„" + text + "” nie jest datą");
        } else if (*day < *to) {
            error("CIT-8", {*filled},
                  at + "data wypełnienia " + shownDay(*day) +
                      " jest wcześniejsza niż koniec okresu " + shownDay(*to));
        }
    }

    // ---- attachments ---------------------------------------------------------------------

    void attachments() {
        for (const store::HeldForm& held : fields_.forms()) {
            if (held.numbered()) numberedCopies(held);
        }
        cit8oCount();
        citStLink();
        correction();
    }

    void numberedCopies(const store::HeldForm& held) {
        const std::string& name = held.def->name;
        const std::optional<int> field = countField(name);
        if (!field) return;
        const std::int64_t count = mainCount(field);
        const std::string at = "Poz. " + std::to_string(*field) + ": ";
        const store::AttachmentRows& rows = rowsOf(name);
        for (std::int32_t k = 1; k <= count; ++k) {
            if (!rows.hasCopy(k)) {
                error("CIT-8", {*field},
                      at + "wpisano " + std::to_string(count) + ", brak formularza nr " +
                          std::to_string(k) + " załącznika " + name);
            } else if (name == "CIT-BR") {
                citBrCopy(k, count);
            }
        }
        // The stored copies beyond the announced count, however high their numbers.
        for (const std::int32_t k : rows.copyNumbers()) {
            if (k > std::max<std::int64_t>(count, 0)) {
                warning(name, {},
                        "Załącznik " + name + " nr " + std::to_string(k) +
                            " nie jest wykazany w poz. " + std::to_string(*field) +
                            " zeznania CIT-8",
                        k);
            }
        }
    }

    void citBrCopy(std::int32_t k, std::int64_t count) {
        const store::FieldSet& set = copy("CIT-BR", k, count);
        const auto sum = [&](int position, const Decimal& given) {
            const Decimal held = set[position].decimal();
            if (held != given) error("CIT-BR", {position}, mismatch(position, held, given), k);
        };
        sum(16, compute::citBrSum16(set));
        sum(19, compute::citBrSum19(set));
        for (const compute::CitBrFinding& f : compute::citBrLimits(set, k))
            error("CIT-BR", f.positions, f.text, k);
    }

    void cit8oCount() {
        const std::optional<int> field = countField("CIT-8/O");
        if (!field) return;
        const std::int64_t count = mainCount(field);
        const std::string at = "Poz. " + std::to_string(*field) + ": ";
        if (count > 1) {
            error("CIT-8", {*field},
                  at + "wpisano " + std::to_string(count) +
                      ", a do zeznania dołącza się jeden załącznik CIT-8/O");
        }
        if (count != 0) return;
        // What the attachment carries into the CIT-8: O-39, O-68, O-71, O-72 into 47, 48, 49
        // and 53 (edition 24's numbering).
        if (!compute::cit8oCarriesAmounts(*edition_, fields_)) return;
        const std::vector<int> fed = compute::cit8oFedPositions(*edition_);
        std::vector<int> positions{*field};
        positions.insert(positions.end(), fed.begin(), fed.end());
        error("CIT-8", positions,
              at + "nie wykazano załącznika CIT-8/O, a kwoty z niego przeniesiono do poz. " +
                  std::to_string(fed.front()) + "–" + std::to_string(fed.back()));
    }

    void citStLink() {
        const std::optional<int> field = countField("CIT-ST");
        if (!field || subject_.id == 0) return;
        const std::int64_t count = mainCount(field);
        const std::string links =
            u_.FUNCVAY("select count(*) from DEKLARACJE_NAG_INTER where ID_DEKLARACJE_NAG_1 = " +
                       std::to_string(subject_.id));
        const bool linked = store::parseStoredNumber(links).value_or(0) > 0;
        const std::string at = "Poz. " + std::to_string(*field) + ": ";
        if (count > 0 && !linked) {
            error("CIT-8", {*field},
                  at + "wpisano " + std::to_string(count) +
                      ", a z zeznaniem nie powiązano informacji CIT-ST");
        } else if (count > 1) {
            // A CIT-8 is linked to one CIT-ST at most, whatever number of form copies it has.
            error("CIT-8", {*field},
                  at + "wpisano " + std::to_string(count) +
                      ", a z zeznaniem powiązano jedną informację CIT-ST");
        } else if (count <= 0 && linked) {
            warning("CIT-8", {*field}, at + "wpisano 0, a z zeznaniem powiązano informację CIT-ST");
        }
    }

    void correction() {
        const std::optional<int> purpose = mainFieldOfRole("Cel złożenia zeznania");
        if (!purpose || mainText(*purpose) != "2" || !fields_.carries("ORD-ZU")) return;
        const store::FieldSet& ordZu = fields_.form("ORD-ZU");
        if (ordZu.has(13) && !trimmed(ordZu[13].text()).empty()) return;
        error("CIT-8", {*purpose},
              "Poz. " + std::to_string(*purpose) +
                  ": korekta zeznania bez uzasadnienia przyczyn korekty (ORD-ZU, poz. 13)");
    }

    // ---- advances ------------------------------------------------------------------------

    void advances() {
        if (subject_.yearStart == 0) return;
        const std::string returns = u_.FUNCVAY(
            "select count(*) from DEKLARACJE_NAG where ID_DEKLARACJE_WZORZEC = 35 AND ID_FIRMY = " +
            std::to_string(subject_.company) +
            " AND DATA_OKRESU >= " + std::to_string(subject_.yearStart) +
            " AND DATA_OKRESU <= " + std::to_string(subject_.yearEnd));
        if (store::parseStoredNumber(returns).value_or(0) == 0) return;
        const bool quarterly =
            store::parseStoredNumber(u_.FUNCVAY("select KWARTALNY_PDO from FIRMA where id_firmy=" +
                                                std::to_string(subject_.company)))
                .value_or(0) == 1;
        for (const compute::AdvanceSlot& slot :
             compute::advanceSlots(*edition_, subject_.yearStart, subject_.yearEnd, quarterly)) {
            if (slot.field == 0 || !main_.has(slot.field)) continue;
            if (!u_.EXECVAX(compute::cit2AdvanceQuery(subject_.company, slot.month))) return;
            host::ResultRow row;
            if (!host_.data->result(host::ResultFileId::VAX_FK).next(row)) continue;
            const Decimal declared = Decimal::parse(trimmed(row.column(0))).value_or(Decimal());
            const Decimal held = main_[slot.field].decimal();
            if (held == declared) continue;
            const std::string month = shownDay(slot.month).substr(3);
            warning("CIT-8", {slot.field},
                    "Poz. " + std::to_string(slot.field) + ": wpisano " + shown(held) +
                        ", a w deklaracji CIT-2 za " + month + " wykazano zaliczkę " +
                        shown(declared));
        }
    }

    // ---- statement messages --------------------------------------------------------------

    void statementMessages() {
        if (options_.runStatements) {
            if (subject_.yearStart == 0 || subject_.id == 0) return;
            // Run on a copy: the declaration's values stay as they are; the statements leave
            // their messages in KOMUNIKAT as every computation does.
            store::DeclarationFields scratch = fields_;
            compute::FieldSetAmounts amounts(scratch);
            compute::ComputationContext context;
            context.companyId = subject_.company;
            context.periodStart = subject_.yearStart;
            context.periodEnd = subject_.yearEnd;
            context.declarationId = subject_.id;
            context.userNumber = subject_.user;
            compute::StatementComputation computation(*edition_, amounts, u_, *host_.data, nullptr,
                                                      context);
            computation.computeCit8(true);
            for (const std::string& why : computation.warnings()) warning("CIT-8", {}, why);
        }
        if (!u_.EXECVAX("select tekst from KOMUNIKAT where kontekst = 'ZESTAW' AND "
                        "id_uzytkownika = " +
                        std::to_string(subject_.user) + " order by id_komunikat"))
            return;
        host::ResultFile& rows = host_.data->result(host::ResultFileId::VAX_FK);
        for (host::ResultRow row; rows.next(row);) {
            const std::string text = row.column(0);
            // "Pole 31: …" names a CIT-8 statement, "Pole O12: …" one of the CIT-8/O.
            std::string form = "CIT-8";
            std::vector<int> positions;
            if (text.starts_with("Pole ")) {
                std::string code =
                    text.substr(5, text.find(':') == std::string::npos ? 0 : text.find(':') - 5);
                if (code.starts_with("O")) {
                    form = "CIT-8/O";
                    code.erase(0, 1);
                }
                if (const auto p = values::parseInteger<int>(code)) positions.push_back(*p);
            }
            warning(form, positions, text);
        }
    }

    // ---- CIT-2 of template 35 ------------------------------------------------------------

    void cit2Arithmetic() {
        if (subject_.yearStart == 0 || subject_.period == 0) return;
        const compute::Cit2RuleCheck given = compute::cit2Rules35(
            host_, fields_, subject_.company, subject_.yearStart, subject_.period);
        const auto judge = [&](const std::string& form, const store::FieldSet& set,
                               const std::map<int, Decimal>& rules) {
            for (const auto& [position, value] : rules) {
                if (!set.has(position)) continue;
                const Decimal held = set[position].decimal();
                if (held != toGrosz(value)) error(form, {position}, mismatch(position, held, value));
            }
        };
        judge(mainName_, main_, given.cit2);
        if (fields_.carries("CIT-2/O")) judge("CIT-2/O", fields_.form("CIT-2/O"), given.cit2o);
        for (const std::string& why : given.warnings) warning(mainName_, {41}, why);
    }

    // Positions 4 and 5: the fiscal year's first day and the last day of the return's month.
    void cit2Period() {
        const std::optional<std::int32_t> from = store::parseStoredNumber(mainText(4));
        const std::optional<std::int32_t> to = store::parseStoredNumber(mainText(5));
        if (!from || !to || *from <= 0 || *to <= 0) {
            error(mainName_, {4, 5}, "Poz. 4, 5: brak okresu, którego dotyczy deklaracja");
            return;
        }
        if (subject_.yearStart != 0 && *from != subject_.yearStart) {
            error(mainName_, {4},
                  "Poz. 4: wpisano " + shownDay(*from) + ", a rok obrotowy zaczyna się " +
                      shownDay(subject_.yearStart));
        }
        if (subject_.period != 0 && *to != values::lastDayOfMonth(subject_.period)) {
            error(mainName_, {5},
                  "Poz. 5: wpisano " + shownDay(*to) +
                      ", a deklaracja jest za miesiąc kończący się " +
                      shownDay(values::lastDayOfMonth(subject_.period)));
        }
        if (subject_.yearStart == 0 || *to < subject_.yearStart || *to > subject_.yearEnd) {
            error(mainName_, {4, 5},
                  "Poz. 4, 5: okres od " + shownDay(*from) + " do " + shownDay(*to) +
                      " nie mieści się w roku obrotowym firmy");
        }
    }

    // ---- every return --------------------------------------------------------------------

    // A correction corrects a return of the same period filed before it.
    void correctionWithoutOriginal() {
        const std::optional<int> purpose = mainFieldOfRole("Cel złożenia", true);
        if (!purpose || mainText(*purpose) != "2" || subject_.id == 0) return;
        if (earlierReturnOfPeriod(u_, subject_.company, subject_.id)) return;
        warning(mainName_, {*purpose},
                "Poz. " + std::to_string(*purpose) +
                    ": korekta, a wcześniej nie złożono " + (edition_ ? "zeznania" : "deklaracji") +
                    " za ten okres");
    }

    // Every amount of the main form at 0. A tax rate, an answer or a count of attachments is
    // no amount of the return, though some editions keep them in amount positions.
    void allAmountsZero() {
        for (const forms::FieldDef& f : mainDef_.fields) {
            if (f.cls != forms::ValueClass::Amount && f.cls != forms::ValueClass::Whole) continue;
            if (f.role.starts_with("Stawka") || f.role.starts_with("Liczba załączników") ||
                !f.answers.empty() || !f.answerTexts.empty() || !f.counts.empty() ||
                !main_.has(f.number))
                continue;
            if (!main_[f.number].decimal().isZero()) return;
        }
        warning(mainName_, {},
                std::string("Wszystkie kwoty ") + (edition_ ? "zeznania" : "deklaracji") +
                    " są równe 0,00");
    }

    // Income-statement accounts with turnover that no statement of the declaration reads:
    // their costs or revenue are missing from the return.
    void unfedAccounts() {
        if (host_.statements == nullptr || subject_.id == 0 || subject_.yearStart == 0) return;
        const std::int32_t to = edition_ != nullptr || subject_.period == 0
                                    ? subject_.yearEnd
                                    : values::lastDayOfMonth(subject_.period);
        const values::Result<std::vector<host::AccountFeed>> feeds =
            host_.statements->ZESTAWIENIE_DD_KONTA(subject_.company, subject_.yearStart, to,
                                                   subject_.id);
        if (!feeds) {
            warning(mainName_, {}, "Nie odczytano obrotów kont: " + feeds.error());
            return;
        }
        for (const host::AccountFeed& f : *feeds) {
            if (!f.result || !f.codes.empty()) continue;
            warning(mainName_, {},
                    "Konto " + f.account + (f.name.empty() ? "" : " „" + f.name + "”") +
                        " z obrotami Wn " + shown(f.debit) + ", Ma " + shown(f.credit) +
                        " nie zasila żadnego zestawienia deklaracji");
        }
    }

    const host::HostBinding& host_;
    host::UtilityLibrary& u_;
    Subject subject_;
    const store::DeclarationFields& fields_;
    CheckOptions options_;
    const compute::FormEdition* edition_;  // nullptr: a CIT-2 of template 35
    const store::FieldSet& main_;
    const forms::FormDef& mainDef_;
    const std::string mainName_;
    store::DeclarationFields scratch_{fields_};
    CheckResult result_;
};

}  // namespace

std::optional<int> positionShowing(const forms::FormDef& main, std::string_view form,
                                   int position) {
    if (form.empty() || form == main.name) {
        return position != 0 ? std::optional<int>(position) : std::nullopt;
    }
    return countPosition(main, form);
}

std::optional<int> countPosition(const forms::FormDef& main, std::string_view form) {
    if (const auto f = main.countOf(form)) return f;
    const std::string role = "Liczba załączników " + std::string(form);
    for (const forms::FieldDef& f : main.fields) {
        if (f.role == role) return f.number;
    }
    return std::nullopt;
}

namespace {

CheckResult notChecked(std::int32_t id, std::int32_t templateId, const std::string& family) {
    CheckResult r;
    r.declarationId = id;
    r.templateId = templateId;
    r.checked = false;
    r.note = "Sprawdzane są zeznania CIT-8, deklaracje CIT-2 liczone z ksiąg i informacje "
             "CIT-ST; deklaracji " + family + " nie sprawdzono.";
    return r;
}

enum class Checked { No, Cit8, Cit2, CitSt };

Checked checkedKind(const module::DeclarationKind* kind) {
    if (kind == nullptr) return Checked::No;
    if (kind->family == "CIT-8")
        return compute::FormEdition::forTemplate(kind->templateId) ? Checked::Cit8 : Checked::No;
    // Of the CIT-2 editions, the one computed from the books has its arithmetic stated.
    if (kind->family == "CIT-2")
        return kind->file != nullptr && kind->file->procedures == "cit2-advances" ? Checked::Cit2
                                                                                   : Checked::No;
    if (kind->family == "CIT-ST") return Checked::CitSt;
    return Checked::No;
}

// A CIT-ST as stored: its NIP and period, every branch's NIP (with its check digit) and GUS
// code of the gmina, the employees of position 22 against the branches' sum, and a
// correction without an earlier information of the period.
values::Result<CheckResult> checkCitSt(const host::HostBinding& host, std::int32_t id,
                                       std::int32_t templateId, std::int32_t company,
                                       const module::DeclarationState& state) {
    using R = values::Result<CheckResult>;
    store::DeclarationFields zvst(templateId);
    store::CitStBranches branches;
    if (const values::Status loaded = citst::loadCitSt(host, id, zvst, branches); !loaded) {
        return R::failure("Deklaracja " + std::to_string(id) +
                              " nie została wczytana: " + loaded.error(),
                          loaded.errorKind());
    }
    CheckResult r;
    r.declarationId = id;
    r.templateId = templateId;
    const std::string form = "CIT-ST";
    const auto add = [&](Severity s, std::vector<int> positions, std::string text) {
        r.items.push_back({s, form, 0, std::move(positions), std::move(text)});
    };
    const store::FieldSet& main = zvst.main();
    const auto text = [&](int n) { return main.has(n) ? trimmed(main[n].text()) : std::string(); };

    if (text(1).empty()) {
        add(Severity::Error, {1}, "Poz. 1: brak NIP");
    } else if (const auto fault = nipFault(text(1))) {
        add(Severity::Error, {1}, "Poz. 1: " + *fault);
    }
    const std::optional<std::int32_t> from = store::parseStoredNumber(text(4));
    const std::optional<std::int32_t> to = store::parseStoredNumber(text(5));
    if (!from || !to || *from <= 0 || *to <= 0) {
        add(Severity::Error, {4, 5}, "Poz. 4, 5: brak okresu, którego dotyczy informacja");
    } else if (*from > *to || (state.CIT_POCZATEK_ROKU != 0 &&
                               (*from < state.CIT_POCZATEK_ROKU || *to > state.CIT_KONIEC_ROKU))) {
        add(Severity::Error, {4, 5},
            "Poz. 4, 5: okres od " + shownDay(*from) + " do " + shownDay(*to) +
                " nie mieści się w roku obrotowym firmy");
    }

    if (branches.empty()) {
        add(Severity::Error, {}, "Informacja nie wykazuje żadnego oddziału");
    }
    std::int64_t employees = 0;
    for (std::size_t i = 0; i < branches.size(); ++i) {
        const store::CitStBranch& b = branches[i];
        const int k = static_cast<int>(i) + 1;
        const std::string at = "Oddział " + std::to_string(k) +
                               (b.NAZWA.empty() ? std::string() : " „" + b.NAZWA + "”") + ": ";
        const std::string nip = trimmed(b.NIP);
        if (nip.empty()) {
            add(Severity::Error, {citst::branchPosition(k, 4)}, at + "brak NIP");
        } else if (const auto fault = nipFault(nip)) {
            add(Severity::Error, {citst::branchPosition(k, 4)}, at + *fault);
        }
        if (trimmed(b.GMINA_KOD).empty())
            add(Severity::Error, {citst::branchPosition(k, 17)}, at + "brak kodu GUS gminy");
        if (b.ZATRUDNIONYCH < 0) {
            add(Severity::Error, {citst::branchPosition(k, 16)},
                at + "liczba zatrudnionych " + std::to_string(b.ZATRUDNIONYCH) +
                    " jest ujemna");
        }
        employees += b.ZATRUDNIONYCH;
    }
    const std::optional<std::int64_t> total = values::parseInteger<std::int64_t>(text(22));
    if (!branches.empty() && total.value_or(-1) != employees) {
        add(Severity::Error, {22},
            "Poz. 22: wpisano „" + text(22) + "”, a oddziały zatrudniają razem " +
                std::to_string(employees));
    }
    for (const forms::FieldDef& f : main.list().form().fields) {
        if (!f.role.starts_with("Cel złożenia") || text(f.number) != "2") continue;
        if (!earlierReturnOfPeriod(*host.utility, company, id)) {
            add(Severity::Warning, {f.number},
                "Poz. " + std::to_string(f.number) +
                    ": korekta, a wcześniej nie złożono informacji za ten okres");
        }
    }
    return r;
}

std::int32_t headerPeriod(host::UtilityLibrary& u, std::int32_t id) {
    if (id == 0) return 0;
    return store::parseStoredNumber(u.FUNCVAY(
                                        "select data_okresu from DEKLARACJE_NAG where "
                                        "id_deklaracje_nag = " +
                                        std::to_string(id)))
        .value_or(0);
}

}  // namespace

CheckResult checkFields(const host::HostBinding& host, const module::DeclarationState& state,
                        const store::DeclarationFields& fields, const CheckOptions& options) {
    const module::DeclarationKind* kind = module::declarationKind(fields.templateId());
    const Checked checked = checkedKind(kind);
    if (checked != Checked::Cit8 && checked != Checked::Cit2) {
        return notChecked(state.CIT_ID_DEKLARACJI, fields.templateId(),
                          kind != nullptr ? kind->family : "tego wzorca");
    }
    const host::Globals& g = host.data->globals();
    Subject subject{state.CIT_ID_DEKLARACJI,  fields.templateId(),     g.DANE_ID_FIRMY,
                    g.DANE_ID_UZYTKOWNIKA_NR, state.CIT_POCZATEK_ROKU, state.CIT_KONIEC_ROKU,
                    headerPeriod(*host.utility, state.CIT_ID_DEKLARACJI)};
    return Checker(host, subject, fields, options).run();
}

values::Result<CheckResult> checkStoredDeclaration(module::ModuleState& module, std::int32_t id,
                                                   const CheckOptions& options) {
    using R = values::Result<CheckResult>;
    if (!module.hostBound()) return R::failure("no host is bound to the module");
    const host::HostBinding& host = module.host();
    host::UtilityLibrary& u = *host.utility;
    if (!u.EXECVAX("select id_deklaracje_wzorzec, data_okresu, id_firmy from DEKLARACJE_NAG "
                   "where id_deklaracje_nag = " +
                   std::to_string(id)))
        return R::failure(u.fileErrorText(), values::ErrorKind::Database);
    host::ResultRow header;
    if (!host.data->result(host::ResultFileId::VAX_FK).next(header)) {
        return R::failure("Nie znaleziono deklaracji o identyfikatorze " + std::to_string(id) + ".",
                          values::ErrorKind::NotFound);
    }
    const std::int32_t templateId = store::parseStoredNumber(header.column(0)).value_or(0);
    const std::int32_t period = store::parseStoredNumber(header.column(1)).value_or(0);
    const std::int32_t company = store::parseStoredNumber(header.column(2)).value_or(0);
    const module::DeclarationKind* kind = module::declarationKind(templateId);
    const Checked checked = checkedKind(kind);
    if (checked == Checked::No)
        return notChecked(id, templateId, kind != nullptr ? kind->family : "tego wzorca");

    module::DeclarationState& state = module.declaration;
    state.CIT_ID_DEKLARACJI = id;
    state.CIT_ID_WZORCA = templateId;
    state.CIT_ID_WZORCA_CIT2 = templateId;
    host::Globals& g = host.data->globals();
    const std::int32_t current = g.DANE_ID_FIRMY;
    g.DANE_ID_FIRMY = company;
    module::readFiscalYear(host, state, period);
    g.DANE_ID_FIRMY = current;
    if (checked == Checked::CitSt) return checkCitSt(host, id, templateId, company, state);

    store::DeclarationFields& fields = module.fields;
    if (const values::Status loaded = store::loadDeclaration(host, templateId, id, fields);
        !loaded) {
        return R::failure(
            "Deklaracja " + std::to_string(id) + " nie została wczytana: " + loaded.error(),
            loaded.errorKind());
    }
    if (!fields.issues.loadClean()) {
        std::vector<std::string> names = fields.issues.unreadable;
        names.insert(names.end(), fields.issues.cut.begin(), fields.issues.cut.end());
        return R::failure("Deklaracja " + std::to_string(id) +
                              " ma wartości, których nie można odczytać: " +
                              store::DeclarationIssues::join(names) + ".",
                          values::ErrorKind::InvalidInput);
    }
    Subject subject{id,
                    templateId,
                    company,
                    g.DANE_ID_UZYTKOWNIKA_NR,
                    state.CIT_POCZATEK_ROKU,
                    state.CIT_KONIEC_ROKU,
                    period};
    return Checker(host, subject, fields, options).run();
}

}  // namespace citforms::check
