#include "refhost/windows/host_windows.h"

#include <algorithm>
#include <cctype>
#include <functional>
#include <map>
#include <optional>
#include <tuple>
#include <variant>
#include <vector>

#include <nlohmann/json.hpp>

#include "citforms/host/page_list.h"
#include "citforms/values/amount_entry.h"
#include "citforms/values/day_number.h"
#include "citforms/values/decimal.h"
#include "citforms/values/text.h"
#include "refhost/libraries/utility_library.h"

// The host windows' documents, generated at build time (cmake/EmbedFiles.cmake).
#include "embedded_refhost__windows__files.h"

namespace refhost::windows {

namespace {

using citforms::host::ListRow;
using citforms::host::MessageIcon;
using citforms::host::PlainWindow;
using citforms::values::DayNumber;
using citforms::values::parseInteger;
using citforms::values::sqlQuoted;
using citforms::values::trim;

void warn(HostState& state, const std::string& text) {
    state.ui().message({citforms::host::kTitleWarning, text, "&OK", MessageIcon::Warning, 1});
}

bool ask(HostState& state, const std::string& text) {
    return state.ui().message({citforms::host::kTitleQuestion, text, "&Tak|&Nie",
                               MessageIcon::Question, 2}) == 1;
}

// Rows of a statement in the host's dialect; a refused one is shown and gives none.
std::optional<std::vector<std::vector<std::string>>> query(HostState& state,
                                                           const std::string& sql) {
    auto result = state.run(sql);
    if (!result) {
        warn(state, result.error());
        return std::nullopt;
    }
    std::vector<std::vector<std::string>> rows;
    for (const auto& row : result->rows) {
        std::vector<std::string> out;
        for (const auto& cell : row) out.push_back(cell.value_or(""));
        rows.push_back(std::move(out));
    }
    return rows;
}

bool execute(HostState& state, const std::string& sql) {
    auto result = state.run(sql);
    if (!result) warn(state, result.error());
    return static_cast<bool>(result);
}

std::int32_t number(std::string_view text) {
    return parseInteger<std::int32_t>(trim(text)).value_or(0);
}

std::optional<PlainWindow> open(HostState& state, std::string_view name) {
    auto doc = hostDialog(name);
    if (!doc) {
        warn(state, doc.error());
        return std::nullopt;
    }
    return PlainWindow(std::move(*doc), &state.ui());
}

int run(HostState& state, citforms::host::IniManager* ini, PlainWindow& window) {
    return state.ui().runWindow({&window, ini, false});
}

// Forms that have an overlay print onto pre-printed paper.
bool hasOverlay(std::string_view form) { return form == "CIT-2" || form == "CIT-O"; }

const char* const kDayNames[] = {"niedziela", "poniedziałek", "wtorek", "środa",
                                 "czwartek",  "piątek",       "sobota"};

const char* const kMonthNames[] = {"styczeń",  "luty",     "marzec",   "kwiecień",
                                   "maj",      "czerwiec", "lipiec",   "sierpień",
                                   "wrzesień", "październik", "listopad", "grudzień"};

// The transfer as a page: the order to the bank with the payee (the tax office), its account,
// the amount, the title and the payer; moved by the paper offsets (millimetres).
citforms::print::PageContent transferPage(const PlainWindow& w, const std::string& payer,
                                          int xMillimetres, int yMillimetres) {
    using citforms::print::TextItem;
    citforms::print::PageContent page;
    page.title = "Przelew";
    const int dx = xMillimetres * 10000 / 254;
    const int dy = yMillimetres * 10000 / 254;
    const int left = 600 + dx;
    const int width = citforms::print::PageContent::kA4Width - 1200;
    citforms::print::BoxItem frame;
    frame.x = left;
    frame.y = 600 + dy;
    frame.width = width;
    frame.height = 4200;
    page.items.push_back(frame);
    auto text = [&](int y, const std::string& label, const std::string& value, bool bold) {
        TextItem t;
        t.x = left + 150;
        t.y = 600 + dy + y;
        t.width = width - 300;
        t.text = label.empty() ? value : label + ": " + value;
        t.font.points = bold ? 12 : 10;
        t.font.weight = bold ? 700 : 400;
        t.font.centralEuropean = true;
        t.elide = true;
        page.items.push_back(std::move(t));
    };
    text(150, "", "Polecenie przelewu – wpłata podatku na rachunek urzędu skarbowego", true);
    text(700, "Odbiorca", w.shown("URZAD"), false);
    text(1150, "Rachunek odbiorcy", w.value("RACHUNEK"), false);
    text(1600, "Kwota", w.shown("KWOTA") + " zł", false);
    text(2050, "Tytułem", w.value("TYTUL"), false);
    text(2500, "Zleceniodawca", payer, false);
    text(2950, "Data", w.shown("DATA"), false);
    return page;
}

}  // namespace

citforms::values::Result<citforms::host::PlainWindowDocument> hostDialog(std::string_view name) {
    const std::string file = std::string(name) + ".dialog";
    for (std::size_t i = 0; i < files::kEmbeddedFileCount; ++i) {
        if (file != files::kEmbeddedFiles[i].name) continue;
        const std::string_view text(reinterpret_cast<const char*>(files::kEmbeddedFiles[i].data),
                                    files::kEmbeddedFiles[i].size);
        return citforms::host::PlainWindowDocument::parse(text, file);
    }
    return citforms::values::Result<citforms::host::PlainWindowDocument>::failure(
        "no window document " + file);
}

std::uint8_t printParameters(HostState& state, citforms::host::IniManager* ini,
                             std::string_view form) {
    auto w = open(state, "PARAM_PRN_DEKLAR");
    if (!w) return 0;
    citforms::host::Globals& g = state.thread().globals;
    w->setValue("FORMULARZ", "Wydruk formularza " + std::string(form));
    w->setValue("CEL", g.DANE_DRUKARKA_EKRAN != 0 ? "Ekran" : "Drukarka");
    w->setValue("KOPIE", std::to_string(std::max(1, g.GGG_NUMCOPY)));
    w->setValue("XPOS", std::to_string(std::max(0, g.DEKLARACJE_XPOS)));
    w->setValue("YPOS", std::to_string(std::max(0, g.DEKLARACJE_YPOS)));
    w->setValue("NADRUK", g.DEKLARACJE_NADRUK != 0 ? "1" : "0");
    w->setValue("UPO", g.GGG_PRN_UPO_INFO_DRUKUJ == 1 ? "1" : "0");
    w->setValue("UPO1", g.GGG_PRN_UPO_INFO_1);
    w->setValue("UPO2", g.GGG_PRN_UPO_INFO_2);
    w->setEnabled("NADRUK", hasOverlay(form));
    // The receipt lines are printed on the first page of the CIT-8 only.
    const bool receipt = form == "CIT-8";
    auto receiptLines = [&] {
        const bool on = receipt && w->value("UPO") == "1";
        w->setEnabled("UPO1", on);
        w->setEnabled("UPO2", on);
    };
    w->setEnabled("UPO", receipt);
    receiptLines();
    w->onChange("UPO", receiptLines);
    w->onAction("print", [&] {
        const std::int32_t copies = number(w->value("KOPIE"));
        if (copies < 1) {
            warn(state, "Liczba kopii musi być większa od zera.");
            return;
        }
        g.DANE_DRUKARKA_EKRAN = w->value("CEL") == "Ekran" ? 1 : 0;
        g.GGG_NUMCOPY = copies;
        g.DEKLARACJE_XPOS = number(w->value("XPOS"));
        g.DEKLARACJE_YPOS = number(w->value("YPOS"));
        if (hasOverlay(form)) g.DEKLARACJE_NADRUK = w->value("NADRUK") == "1" ? 1 : 0;
        if (receipt) {
            g.GGG_PRN_UPO_INFO_DRUKUJ = w->value("UPO") == "1" ? 1 : 0;
            g.GGG_PRN_UPO_INFO_1 = w->value("UPO1");
            g.GGG_PRN_UPO_INFO_2 = w->value("UPO2");
        }
        w->finish(1);
    });
    return run(state, ini, *w) == 1 ? 1 : 0;
}

std::string calendar(HostState& state, citforms::host::IniManager* ini, std::string_view date) {
    const std::string given(trim(date));
    const bool asNumber = !given.empty() && std::all_of(given.begin(), given.end(), [](char c) {
        return std::isdigit(static_cast<unsigned char>(c)) != 0;
    });
    std::optional<DayNumber> start =
        asNumber ? parseInteger<DayNumber>(given) : citforms::values::parseDate(given);
    if (!start || !citforms::values::isDisplayableDay(*start)) {
        start = state.thread().globals.DANE_DATA_BIEZACA;
        if (!citforms::values::isDisplayableDay(*start)) start = citforms::values::today();
    }
    auto w = open(state, "KALENDARZ");
    if (!w) return given;
    DayNumber chosen = *start;
    auto show = [&](DayNumber day) {
        chosen = day;
        w->setValue("MIESIAC", std::string(kMonthNames[citforms::values::monthOf(day) - 1]) + " " +
                                   std::to_string(citforms::values::yearOf(day)));
        const DayNumber first = citforms::values::firstDayOfMonth(day);
        const DayNumber last = citforms::values::lastDayOfMonth(day);
        std::vector<ListRow> rows;
        for (DayNumber d = first; d <= last; ++d) {
            // Day 4 (1 January 1801) was a Thursday.
            const int weekday = static_cast<int>(d % 7);
            rows.push_back({std::to_string(d), citforms::values::formatDayMonthYear(d) + " " +
                                                   kDayNames[weekday]});
        }
        w->setRows("DZIEN", std::move(rows));
        w->setValue("DZIEN", std::to_string(day));
        w->setValue("DATA", std::to_string(day));
    };
    show(chosen);
    w->onChange("DZIEN", [&] { show(number(w->value("DZIEN"))); });
    w->onChange("DATA", [&] {
        if (const DayNumber d = number(w->value("DATA")); d > 0) show(d);
    });
    w->onAction("previous", [&] { show(citforms::values::addMonths(chosen, -1)); });
    w->onAction("next", [&] { show(citforms::values::addMonths(chosen, 1)); });
    w->onAction("today", [&] { show(citforms::values::today()); });
    w->onAction("choose", [&] { w->finish(1); });
    if (run(state, ini, *w) != 1) return given;
    return asNumber ? std::to_string(chosen) : citforms::values::formatDayMonthYear(chosen);
}

void transfer(HostState& state, citforms::host::IniManager* ini,
              citforms::print::ReportRuntime* report, std::int32_t transferId,
              std::int32_t declarationId) {
    const std::string id = std::to_string(declarationId);
    auto head = query(state,
                      "select id_firmy, data_okresu from DEKLARACJE_NAG "
                      "where id_deklaracje_nag = " + id);
    if (!head) return;
    if (head->empty()) {
        warn(state, "Nie znaleziono deklaracji o identyfikatorze " + id + ".");
        return;
    }
    const std::int32_t company = number((*head)[0][0]);
    const DayNumber period = number((*head)[0][1]);
    auto field = [&](const char* position) -> std::string {
        auto rows = query(state, "select WARTOSC_POLA from DEKLARACJE_POZ where ID_DEKLARACJE_NAG = " +
                                     id + " and NR_ZALACZNIKA = 0 and NR_POLA = " +
                                     sqlQuoted(position));
        return rows && !rows->empty() ? std::string(trim((*rows)[0][0])) : std::string();
    };
    auto w = open(state, "UP_PRZELEW");
    if (!w) return;
    const auto firm = query(state, "select nip, nazwa_pelna from FIRMA where id_firmy = " +
                                       std::to_string(company));
    const std::string payer = firm && !firm->empty() ? (*firm)[0][1] : std::string();
    w->setValue("NAGLOWEK", "Przelew podatku z deklaracji nr " + id);
    w->setValue("URZAD", field("6"));
    std::int32_t stored = transferId;
    if (transferId != 0) {
        auto rows = query(state, "select data, kwota, tytul, rachunek from PRZELEW where "
                                 "id_przelewu = " + std::to_string(transferId));
        if (!rows) return;
        if (rows->empty()) {
            warn(state, "Nie znaleziono przelewu o identyfikatorze " + std::to_string(transferId) + ".");
            return;
        }
        const auto& r = (*rows)[0];
        w->setValue("DATA", std::string(trim(r[0])));
        w->setValue("KWOTA", std::string(trim(r[1])));
        w->setValue("TYTUL", r[2]);
        w->setValue("RACHUNEK", r[3]);
    } else {
        // The amount and the title's form and period are what the module asked for (the
        // declaration kind's); a call that says nothing leaves the amount to be typed.
        const citforms::host::Globals& g = state.thread().globals;
        const std::string due =
            g.GLO_PRZELEW_POLE > 0 ? field(std::to_string(g.GLO_PRZELEW_POLE).c_str()) : "";
        const auto amount = citforms::values::Decimal::parse(due);
        w->setValue("KWOTA", amount ? amount->toPlainText(2) : "0.00");
        w->setValue("DATA", std::to_string(g.DANE_DATA_BIEZACA));
        std::string digits;
        if (firm && !firm->empty())
            for (char c : (*firm)[0][0])
                if (std::isdigit(static_cast<unsigned char>(c)) != 0) digits += c;
        const bool known = citforms::values::isDisplayableDay(period);
        auto twoDigits = [](int n) { return (n < 10 ? "0" : "") + std::to_string(n); };
        std::string okres = twoDigits(known ? citforms::values::yearOf(period) % 100 : 0);
        okres += g.GLO_PRZELEW_OKRES == "M"
                     ? "M" + twoDigits(known ? static_cast<int>(citforms::values::monthOf(period)) : 0)
                     : "R";
        if (!g.GLO_PRZELEW_SYMBOL.empty())
            w->setValue("TYTUL", "/TI/N" + digits + "/OKR/" + okres + "/SFP/" +
                                     g.GLO_PRZELEW_SYMBOL + "/TXT/" +
                                     (g.GLO_PRZELEW_OKRES == "M" ? "Zaliczka na podatek dochodowy"
                                                                 : "Podatek dochodowy"));
    }
    w->onAction("save", [&] {
        if (number(w->value("DATA")) <= 0) {
            warn(state, "Podaj datę przelewu.");
            return;
        }
        const auto amount = citforms::values::Decimal::parse(w->value("KWOTA"));
        if (!amount || !(*amount > citforms::values::Decimal())) {
            warn(state, "Kwota przelewu musi być większa od zera.");
            return;
        }
        std::string account;
        for (char c : w->value("RACHUNEK"))
            if (c != ' ') account += c;
        if (!account.empty() && (account.size() != 26 ||
                                 !std::all_of(account.begin(), account.end(), [](char c) {
                                     return std::isdigit(static_cast<unsigned char>(c)) != 0;
                                 }))) {
            warn(state, "Numer rachunku musi mieć 26 cyfr.");
            return;
        }
        const std::string values = std::to_string(number(w->value("DATA"))) + ", " +
                                   sqlQuoted(amount->toPlainText(2)) + ", " +
                                   sqlQuoted(w->value("TYTUL")) + ", " + sqlQuoted(w->value("RACHUNEK"));
        if (stored != 0) {
            if (!execute(state, "update PRZELEW set data = " + std::to_string(number(w->value("DATA"))) +
                                    ", kwota = " + sqlQuoted(amount->toPlainText(2)) +
                                    ", tytul = " + sqlQuoted(w->value("TYTUL")) +
                                    ", rachunek = " + sqlQuoted(w->value("RACHUNEK")) +
                                    " where id_przelewu = " + std::to_string(stored)))
                return;
            w->finish(stored);
            return;
        }
        // The next free id and the row go in together, so two users never take the same id.
        if (auto st = state.begin(); !st) {
            warn(state, st.error());
            return;
        }
        // One transfer per declaration: another user's, saved since this window opened, is
        // not doubled (the database refuses a second one too).
        auto made = query(state, "select id_przelewu from PRZELEW where id_deklaracje_nag = " + id);
        if (made && !made->empty()) {
            state.rollback();
            warn(state, "Przelew tej deklaracji został już zapisany przez innego użytkownika "
                        "(nr " + std::string(trim((*made)[0][0])) +
                            "); proszę otworzyć go ponownie przyciskiem \"Przelew\".");
            return;
        }
        auto next = query(state, "select isnull(max(id_przelewu), 0) + 1 from PRZELEW");
        const std::int32_t newId = next && !next->empty() ? number((*next)[0][0]) : 0;
        if (newId == 0 ||
            !execute(state, "insert into PRZELEW (id_przelewu, id_deklaracje_nag, id_firmy, data, "
                            "kwota, tytul, rachunek) values (" + std::to_string(newId) + ", " + id +
                                ", " + std::to_string(company) + ", " + values + ")")) {
            state.rollback();
            return;
        }
        if (auto st = state.commit(); !st) {
            warn(state, st.error());
            return;
        }
        stored = newId;
        w->finish(newId);
    });
    w->onAction("print", [&] {
        if (report == nullptr) {
            warn(state, "Wydruk przelewu nie jest dostępny: brak obsługi wydruków.");
            return;
        }
        if (printParameters(state, ini, "Przelew") != 1) return;
        const citforms::host::Globals& g = state.thread().globals;
        citforms::host::PageList pages;
        pages.setDocumentTitle("Przelew – deklaracja " + id);
        pages.append(transferPage(*w, payer, g.DEKLARACJE_XPOS, g.DEKLARACJE_YPOS));
        if (g.DANE_DRUKARKA_EKRAN != 0) {
            report->preview(pages, 100, ini, "UP_PRZELEW");
        } else {
            const int copies = std::max(1, g.GGG_NUMCOPY);
            if (!report->printerSupportsCopies()) pages.repeatForCopies(copies);
            report->print(pages, "Przelew", report->printerSupportsCopies() ? copies : 1);
        }
    });
    run(state, ini, *w);
}

void deductionComponents(HostState& state, citforms::host::IniManager* ini,
                         std::string_view position, std::string_view date) {
    auto w = open(state, "SKLADNIKI_ODLICZENIE");
    if (!w) return;
    const std::string company = std::to_string(state.thread().globals.DANE_ID_FIRMY);
    const std::string pos(trim(position));
    w->setValue("NAGLOWEK", "Składniki odliczeń pozycji " + pos);
    std::vector<ListRow> definitions;
    if (auto found = query(state, "select d.id_deklaracje_odliczenie, w.nazwa, d.opis from "
                                  "DEKLARACJE_ODLICZENIE d inner join DEKLARACJE_WZORZEC w on "
                                  "w.id_deklaracje_wzorzec = d.id_deklaracje_wzorzec where "
                                  "w.typ = 'CIT-2' and d.nr_pola = " +
                                      sqlQuoted(pos) + " order by d.id_deklaracje_odliczenie")) {
        for (const auto& r : *found) {
            definitions.push_back({std::string(trim(r[0])), r[1] + ": " + r[2]});
        }
    }
    if (definitions.empty()) {
        warn(state, "Brak definicji składników odliczeń dla pozycji " + pos + ".");
        return;
    }
    w->setRows("DEFINICJA", std::move(definitions));
    w->chooseRow("DEFINICJA", 0);
    const DayNumber given =
        number(date) > 0 ? number(date)
                         : citforms::values::parseDate(std::string(trim(date))).value_or(0);
    w->setValue("DATA", citforms::values::formatDayMonthYear(
                            given > 0 ? given : citforms::values::today()));
    w->setValue("ZNAK", "+");

    auto ofDefinition = [&] {
        return " where id_deklaracje_odliczenie = " + std::to_string(number(w->value("DEFINICJA"))) +
               " and id_firmy = " + company + " and id_udzialowca = 0";
    };
    auto fillComponents = [&] {
        std::vector<ListRow> rows;
        if (auto found = query(state, "select id_deklaracje_skladowe_o, data_odliczenia, operator, "
                                      "wartosc, opis from DEKLARACJE_SKLADOWE_O" +
                                          ofDefinition() +
                                          " order by data_odliczenia, id_deklaracje_skladowe_o")) {
            for (const auto& r : *found) {
                rows.push_back({std::string(trim(r[0])),
                                citforms::values::formatDayMonthYear(number(r[1])) + " | " +
                                    r[2] + " | " + r[3] + " | " + r[4]});
            }
        }
        const bool any = !rows.empty();
        w->setRows("SKLADNIKI", std::move(rows));
        w->setEnabled("Popraw", any);
        w->setEnabled("Usuń", any);
    };
    auto showComponent = [&] {
        const std::string id = w->value("SKLADNIKI");
        if (id.empty()) return;
        auto found = query(state, "select data_odliczenia, operator, wartosc, opis from "
                                  "DEKLARACJE_SKLADOWE_O where id_deklaracje_skladowe_o = " +
                                      std::to_string(number(id)));
        if (!found || found->empty()) return;
        w->setValue("DATA", citforms::values::formatDayMonthYear(number((*found)[0][0])));
        w->setValue("ZNAK", (*found)[0][1] == "-" ? "-" : "+");
        w->setValue("KWOTA", (*found)[0][2]);
        w->setValue("OPIS", (*found)[0][3]);
    };
    // The typed component: its date as a day number and its amount as plain text; nullopt
    // (with the reason shown) when either cannot be taken.
    auto typed = [&]() -> std::optional<std::pair<DayNumber, std::string>> {
        const auto day = citforms::values::parseDate(std::string(trim(w->value("DATA"))));
        if (!day) {
            warn(state, "Niepoprawna data składnika: " + w->value("DATA") + ".");
            return std::nullopt;
        }
        const auto amount = citforms::values::parseAmountEntry(trim(w->value("KWOTA")));
        if (!std::holds_alternative<citforms::values::Amount>(amount)) {
            warn(state, "Niepoprawna kwota składnika: " + w->value("KWOTA") + ".");
            return std::nullopt;
        }
        return std::make_pair(*day, std::get<citforms::values::Amount>(amount).toPlainText());
    };

    fillComponents();
    w->onChange("DEFINICJA", fillComponents);
    w->onChange("SKLADNIKI", showComponent);
    w->onAction("add", [&] {
        const auto component = typed();
        if (!component) return;
        if (!execute(state, "insert into DEKLARACJE_SKLADOWE_O (id_deklaracje_odliczenie, funkcja, "
                            "argument, operator, wartosc, opis, data_odliczenia, id_firmy, "
                            "id_udzialowca) values (" +
                                std::to_string(number(w->value("DEFINICJA"))) + ", '', '', " +
                                sqlQuoted(w->value("ZNAK")) + ", " + sqlQuoted(component->second) +
                                ", " + sqlQuoted(trim(w->value("OPIS"))) + ", " +
                                std::to_string(component->first) + ", " + company + ", 0)"))
            return;
        fillComponents();
    });
    w->onAction("change", [&] {
        const std::string id = w->value("SKLADNIKI");
        const auto component = id.empty() ? std::nullopt : typed();
        if (!component) return;
        if (!execute(state, "update DEKLARACJE_SKLADOWE_O set operator = " +
                                sqlQuoted(w->value("ZNAK")) + ", wartosc = " +
                                sqlQuoted(component->second) + ", opis = " +
                                sqlQuoted(trim(w->value("OPIS"))) + ", data_odliczenia = " +
                                std::to_string(component->first) +
                                " where id_deklaracje_skladowe_o = " + std::to_string(number(id))))
            return;
        fillComponents();
        w->setValue("SKLADNIKI", id);
    });
    w->onAction("delete", [&] {
        const std::string id = w->value("SKLADNIKI");
        if (id.empty() || !ask(state, "Czy usunąć wybrany składnik odliczenia?")) return;
        if (!execute(state, "delete from DEKLARACJE_SKLADOWE_O where id_deklaracje_skladowe_o = " +
                                std::to_string(number(id))))
            return;
        fillComponents();
    });
    run(state, ini, *w);
}

namespace {

// The roles of the statement codes of declaration `id` from the module's "statement-roles";
// none when no module is bound or it cannot say.
std::map<std::string, std::string> statementRoles(HostState& state, std::int32_t id) {
    std::map<std::string, std::string> roles;
    if (!state.moduleAutomation()) return roles;
    const auto reply = nlohmann::json::parse(
        state.moduleAutomation()(
            nlohmann::json{{"verb", "statement-roles"}, {"id", id}}.dump()),
        nullptr, false);
    if (!reply.is_object() || !reply.value("ok", false) || !reply.contains("roles")) return roles;
    for (const auto& r : reply["roles"]) {
        if (r.is_object() && r.value("code", nlohmann::json()).is_string() &&
            r.value("role", nlohmann::json()).is_string())
            roles.emplace(r["code"].get<std::string>(), r["role"].get<std::string>());
    }
    return roles;
}

}  // namespace

void statementDefinitions(HostState& state, citforms::host::IniManager* ini,
                          std::int32_t declarationId, std::string_view kind,
                          std::string_view code) {
    if (declarationId == 0) {
        warn(state, "Przed zmianą definicji zestawienia proszę zapisać deklarację.");
        return;
    }
    auto w = open(state, "DEF_ZESTAW_NEW");
    if (!w) return;
    const std::string id = std::to_string(declarationId);
    const std::string ofKind = " where id_deklaracje_nag = " + id + " and rodzaj = " + sqlQuoted(kind);
    w->setValue("NAGLOWEK", "Definicje zestawień deklaracji nr " + id + ", rodzaj " + std::string(kind));

    // What each code holds, as the module's form files say ("O8 – Kwota z zestawienia …").
    const std::map<std::string, std::string> roles = statementRoles(state, declarationId);
    auto shownCode = [&](const std::string& kod) {
        const auto role = roles.find(kod);
        return role == roles.end() ? kod : kod + " – " + role->second;
    };
    auto fillCodes = [&](const std::string& wanted) {
        std::vector<ListRow> rows;
        if (auto found = query(state, "select distinct kod from ZESTAWIENIE_DEFINICJA" + ofKind)) {
            for (const auto& r : *found) rows.push_back({r[0], shownCode(r[0])});
        }
        if (!wanted.empty() && std::none_of(rows.begin(), rows.end(),
                                            [&](const ListRow& r) { return r.value == wanted; }))
            rows.push_back({wanted, shownCode(wanted)});
        // Field numbers in their order, the lettered codes (O8, O61) after them.
        std::sort(rows.begin(), rows.end(), [](const ListRow& a, const ListRow& b) {
            auto key = [](const std::string& c) {
                const bool digits = !c.empty() && std::isdigit(static_cast<unsigned char>(c[0])) != 0;
                std::string rest = digits ? c : c.substr(1);
                return std::make_tuple(digits ? std::string() : c.substr(0, 1),
                                       parseInteger<int>(rest).value_or(0), c);
            };
            return key(a.value) < key(b.value);
        });
        w->setRows("KOD", std::move(rows));
        if (!wanted.empty()) w->setValue("KOD", wanted);
    };
    // The numbers of the terms the list shows: a term another user added meanwhile is not
    // among them.
    std::vector<std::string> listed;
    auto fillTerms = [&] {
        std::vector<ListRow> rows;
        const std::string current = w->value("KOD");
        if (!current.empty()) {
            if (auto found = query(state, "select lp, maska, miara, znak from ZESTAWIENIE_DEFINICJA" +
                                              ofKind + " and kod = " + sqlQuoted(current) +
                                              " order by lp")) {
                for (const auto& r : *found) {
                    rows.push_back({std::string(trim(r[0])),
                                    std::string(trim(r[0])) + " | " + r[1] + " | " + r[2] + " | " +
                                        (number(r[3]) < 0 ? "-" : "+")});
                }
            }
        }
        const bool any = !rows.empty();
        listed.clear();
        for (const ListRow& r : rows) listed.push_back(r.value);
        w->setRows("POZYCJE", std::move(rows));
        w->setEnabled("Popraw", any);
        w->setEnabled("Usuń", any);
        w->setEnabled("Dodaj", !current.empty());
    };
    // The term as it was shown: a change is made only over that, not over another user's.
    std::vector<std::string> shown;
    auto showTerm = [&] {
        const std::string lp = w->value("POZYCJE");
        if (lp.empty()) return;
        auto found = query(state, "select maska, miara, znak from ZESTAWIENIE_DEFINICJA" + ofKind +
                                      " and kod = " + sqlQuoted(w->value("KOD")) + " and lp = " +
                                      std::to_string(number(lp)));
        if (!found || found->empty()) return;
        w->setValue("MASKA", (*found)[0][0]);
        w->setValue("MIARA", (*found)[0][1]);
        w->setValue("ZNAK", number((*found)[0][2]) < 0 ? "-" : "+");
        shown = (*found)[0];
        for (auto& cell : shown) cell = std::string(trim(cell));
    };
    // A mask names accounts: digits, letters, '-' and '.', with '*' and '?' as wildcards.
    auto maskOk = [&]() -> bool {
        const std::string mask(trim(w->value("MASKA")));
        const bool ok = !mask.empty() && std::all_of(mask.begin(), mask.end(), [](char c) {
            return std::isalnum(static_cast<unsigned char>(c)) != 0 || c == '-' || c == '.' ||
                   c == '*' || c == '?';
        });
        if (!ok) warn(state, "Maska kont może zawierać cyfry, litery, znaki - . oraz * i ?.");
        return ok;
    };
    auto sign = [&] { return std::string(w->value("ZNAK") == "-" ? "-1" : "1"); };

    // The definitions are read-only as the declaration is: locked by a user or in electronic
    // filing. Every change is checked inside its own transaction, so that a lock taken or a
    // term changed by another user meanwhile is seen, and logged.
    auto lockedNow = [&] {
        auto found = query(state, "select blokada_stan from DEKLARACJE_NAG_VIEW where "
                                  "id_deklaracje_nag = " + id);
        return !found || (!found->empty() && number((*found)[0][0]) != 0);
    };
    auto change = [&](const std::function<bool()>& write, const std::string& what) {
        if (auto begun = state.begin(); !begun) {
            warn(state, begun.error());
            return false;
        }
        if (lockedNow()) {
            state.rollback();
            warn(state, "Nie można zmienić definicji zestawień. Deklaracja jest zablokowana.");
            return false;
        }
        if (!write()) {
            state.rollback();
            return false;
        }
        libraries::HostUtilityLibrary(state).LOG_ADD(declarationId, what + ", id:" + id, "X", "Z");
        if (auto committed = state.commit(); !committed) {
            warn(state, committed.error());
            return false;
        }
        return true;
    };
    auto termNow = [&](const std::string& lp) -> std::optional<std::vector<std::string>> {
        auto found = query(state, "select maska, miara, znak from ZESTAWIENIE_DEFINICJA" + ofKind +
                                      " and kod = " + sqlQuoted(w->value("KOD")) + " and lp = " +
                                      std::to_string(number(lp)));
        if (!found) return std::nullopt;
        if (found->empty()) return std::vector<std::string>{};
        auto row = (*found)[0];
        for (auto& cell : row) cell = std::string(trim(cell));
        return row;
    };
    const bool readOnly = lockedNow();

    fillCodes(std::string(code));
    if (code.empty() && !w->rows("KOD").empty()) w->chooseRow("KOD", 0);
    fillTerms();
    showTerm();
    if (readOnly) {
        for (const char* button : {"Dodaj", "Popraw", "Usuń"}) w->setEnabled(button, false);
    }
    w->onChange("KOD", [&] {
        fillTerms();
        showTerm();
    });
    w->onChange("POZYCJE", showTerm);
    w->onAction("add", [&] {
        if (!maskOk()) return;
        const std::string kod = w->value("KOD");
        std::string lp;
        // The number and the row go in together: two users adding at once get two numbers.
        const bool added = change(
            [&] {
                // The same term added by another user since the list was read would count
                // its accounts twice: the person sees it in the list read again instead.
                auto same = query(state, "select lp from ZESTAWIENIE_DEFINICJA" + ofKind +
                                             " and kod = " + sqlQuoted(kod) + " and maska = " +
                                             sqlQuoted(trim(w->value("MASKA"))) +
                                             " and miara = " + sqlQuoted(w->value("MIARA")) +
                                             " and znak = " + sign() + " order by lp");
                if (!same) return false;
                for (const auto& row : *same) {
                    const std::string other(trim(row[0]));
                    if (std::find(listed.begin(), listed.end(), other) != listed.end()) continue;
                    lp = other;
                    warn(state, "Pozycja " + other + " definicji pola " + kod +
                                    " o tej samej masce, mierze i znaku została w tym czasie "
                                    "dodana przez innego użytkownika; lista została wczytana "
                                    "ponownie.");
                    return false;
                }
                auto next = query(state, "select isnull(max(lp), 0) + 1 from ZESTAWIENIE_DEFINICJA" +
                                             ofKind + " and kod = " + sqlQuoted(kod));
                if (!next || next->empty()) return false;
                lp = std::to_string(number((*next)[0][0]));
                auto inserted = state.run(
                    "insert into ZESTAWIENIE_DEFINICJA (id_deklaracje_nag, rodzaj, kod, lp, "
                    "maska, miara, znak) values (" + id + ", " + sqlQuoted(kind) + ", " +
                    sqlQuoted(kod) + ", " + lp + ", " + sqlQuoted(trim(w->value("MASKA"))) + ", " +
                    sqlQuoted(w->value("MIARA")) + ", " + sign() + ")");
                if (!inserted) {
                    warn(state, "Pozycja " + lp + " definicji pola " + kod +
                                    " została w tym czasie dodana przez innego użytkownika; "
                                    "lista została wczytana ponownie.");
                }
                return static_cast<bool>(inserted);
            },
            "Dodanie pozycji definicji zestawienia pola " + kod);
        fillTerms();
        if (!added && lp.empty()) return;
        // The term added, or the same one another user added first.
        w->setValue("POZYCJE", lp);
        showTerm();
    });
    w->onAction("change", [&] {
        const std::string lp = w->value("POZYCJE");
        if (lp.empty() || !maskOk()) return;
        bool stale = false;
        const bool changed = change(
            [&] {
                const auto now = termNow(lp);
                if (!now) return false;
                if (*now != shown) {
                    stale = true;
                    warn(state, "Pozycja " + lp + " definicji pola " + w->value("KOD") +
                                    " została w tym czasie zmieniona lub usunięta przez innego "
                                    "użytkownika; pokazano ją ponownie.");
                    return false;
                }
                return execute(state, "update ZESTAWIENIE_DEFINICJA set maska = " +
                                          sqlQuoted(trim(w->value("MASKA"))) + ", miara = " +
                                          sqlQuoted(w->value("MIARA")) + ", znak = " + sign() +
                                          ofKind + " and kod = " + sqlQuoted(w->value("KOD")) +
                                          " and lp = " + std::to_string(number(lp)));
            },
            "Zmiana pozycji " + lp + " definicji zestawienia pola " + w->value("KOD"));
        if (!changed && !stale) return;
        fillTerms();
        w->setValue("POZYCJE", lp);
        showTerm();
    });
    w->onAction("delete", [&] {
        const std::string lp = w->value("POZYCJE");
        if (lp.empty() || !ask(state, "Czy usunąć pozycję " + lp + " definicji pola " +
                                          w->value("KOD") + "?"))
            return;
        const bool removed = change(
            [&] {
                return execute(state, "delete from ZESTAWIENIE_DEFINICJA" + ofKind + " and kod = " +
                                          sqlQuoted(w->value("KOD")) + " and lp = " +
                                          std::to_string(number(lp)));
            },
            "Usunięcie pozycji " + lp + " definicji zestawienia pola " + w->value("KOD"));
        if (!removed) return;
        fillTerms();
        showTerm();
    });
    run(state, ini, *w);
}

std::uint8_t branchChooser(HostState& state, citforms::host::IniManager* ini,
                           std::int32_t companyId) {
    const std::string company = std::to_string(companyId);
    const std::string user = std::to_string(state.thread().globals.DANE_ID_UZYTKOWNIKA_NR);
    const std::string ofUser = " where id_browsera = 56 AND id_uzytkownika = " + user;
    auto branches = query(state,
                          "select ID_FIRMA_ODDZIAL, NAZWA, MIEJSCOWOSC, GMINA_KOD, ZATRUDNIONYCH "
                          "from FIRMA_ODDZIAL where ID_FIRMY = " + company +
                              " order by ID_FIRMA_ODDZIAL");
    auto marked = query(state, "select id_elementu from ZAZNACZENIE" + ofUser);
    auto name = query(state, "select nazwa from FIRMA where id_firmy = " + company);
    if (!branches || !marked) return 0;
    auto w = open(state, "FIRMA_ODDZIAL");
    if (!w) return 0;
    struct Branch {
        std::string id, text;
        bool marked = false;
    };
    std::vector<Branch> list;
    for (const auto& row : *branches) {
        Branch b{row[0], std::string(trim(row[1])) + " – " + std::string(trim(row[2])) +
                             " (kod GUS gminy " + std::string(trim(row[3])) +
                             ", zatrudnionych " + std::string(trim(row[4])) + ")"};
        for (const auto& m : *marked) b.marked = b.marked || number(m[0]) == number(row[0]);
        list.push_back(std::move(b));
    }
    w->setValue("FIRMA", name && !name->empty() ? std::string(trim((*name)[0][0])) : company);
    auto show = [&] {
        const int chosen = w->chosenRow("ODDZIAL");
        std::vector<ListRow> rows;
        int count = 0;
        for (const Branch& b : list) {
            rows.push_back({b.id, (b.marked ? "[x] " : "[ ] ") + b.text});
            count += b.marked ? 1 : 0;
        }
        w->setRows("ODDZIAL", std::move(rows));
        if (chosen >= 0) w->chooseRow("ODDZIAL", chosen);
        w->setValue("ZAZNACZONE", "Zaznaczonych oddziałów: " + std::to_string(count) + " z " +
                                      std::to_string(list.size()));
        w->setEnabled("Wybierz", !list.empty());
    };
    show();
    if (!list.empty()) w->chooseRow("ODDZIAL", 0);
    auto markAll = [&](bool on) {
        for (Branch& b : list) b.marked = on;
        show();
    };
    w->onAction("mark", [&] {
        const int chosen = w->chosenRow("ODDZIAL");
        if (chosen < 0) return;
        list[static_cast<std::size_t>(chosen)].marked = !list[static_cast<std::size_t>(chosen)].marked;
        show();
    });
    w->onAction("mark-all", [&] { markAll(true); });
    w->onAction("unmark-all", [&] { markAll(false); });
    w->onAction("choose", [&] {
        if (std::none_of(list.begin(), list.end(), [](const Branch& b) { return b.marked; })) {
            const int chosen = w->chosenRow("ODDZIAL");
            if (chosen < 0) return;
            list[static_cast<std::size_t>(chosen)].marked = true;
        }
        // The marks of this company's branches go together: all of them or none.
        if (auto st = state.begin(); !st) {
            warn(state, st.error());
            return;
        }
        bool ok = execute(state, "delete from ZAZNACZENIE" + ofUser +
                                     " AND id_elementu in (select ID_FIRMA_ODDZIAL from "
                                     "FIRMA_ODDZIAL where ID_FIRMY = " + company + ")");
        for (const Branch& b : list) {
            if (!ok || !b.marked) continue;
            ok = execute(state, "insert into ZAZNACZENIE (id_browsera, id_uzytkownika, "
                                "id_elementu) values (56, " + user + ", " + b.id + ")");
        }
        if (!ok) {
            state.rollback();
            return;
        }
        if (auto st = state.commit(); !st) {
            warn(state, st.error());
            return;
        }
        w->finish(1);
    });
    return run(state, ini, *w) == 1 ? 1 : 0;
}

}  // namespace refhost::windows
