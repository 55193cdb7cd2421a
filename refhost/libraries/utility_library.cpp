#include "refhost/dialogs/host_windows.h"
#include "refhost/libraries/utility_library.h"

#include <array>
#include <chrono>
#include <cstdio>
#include <ctime>

#include "citforms/values/day_number.h"
#include "runtime/ui/scripted/button_captions.h"

namespace refhost::libraries {

using citforms::host::MessageIcon;
using citforms::host::MessageRequest;

namespace {

constexpr std::array<const char*, 12> kMonths = {"styczeń",  "luty",        "marzec",   "kwiecień",
                                                 "maj",      "czerwiec",    "lipiec",   "sierpień",
                                                 "wrzesień", "październik", "listopad", "grudzień"};

// Local time of day as "hh:mm:ss".
std::string timeNow() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    char text[16];
    std::snprintf(text, sizeof text, "%02d:%02d:%02d", local.tm_hour, local.tm_min, local.tm_sec);
    return text;
}

std::size_t codePointLength(unsigned char lead) {
    if (lead < 0x80) return 1;
    if ((lead & 0xE0) == 0xC0) return 2;
    if ((lead & 0xF0) == 0xE0) return 3;
    if ((lead & 0xF8) == 0xF0) return 4;
    return 1;
}

// The first UTF-8 code point of `text` ("" for empty text).
std::string_view firstCodePoint(std::string_view text) {
    if (text.empty()) return text;
    return text.substr(0,
                       std::min(text.size(), codePointLength(static_cast<unsigned char>(text[0]))));
}

}  // namespace

std::string sqlString(std::string_view text) {
    std::string out = "'";
    for (char c : text) {
        if (c == '\'') out += '\'';
        out += c;
    }
    out += '\'';
    return out;
}

void tellNotAvailable(citforms::host::UiSeam& ui, std::string_view name) {
    MessageRequest request;
    request.title = citforms::host::kTitleInformation;
    request.text = "Funkcja " + std::string(name) + " nie jest jeszcze dostępna.";
    request.buttons = "&OK";
    request.icon = MessageIcon::Information;
    ui.message(request);
}

void HostUtilityLibrary::INIT(citforms::host::ErrorManager*, citforms::host::IniManager* ini) {
    ini_ = ini;
    initialised_ = true;
}

void HostUtilityLibrary::KILL() {
    if (!initialised_) return;
    initialised_ = false;
    // A transaction left open by this thread would hold the connection's lock for good.
    while (state_->thread().transactionDepth > 0) state_->rollback();
}

bool HostUtilityLibrary::execInto(citforms::host::ResultFileId file, std::string_view statement) {
    auto& buffer = state_->thread().results[static_cast<std::size_t>(file)];
    auto result = state_->run(statement);
    if (!result) {
        buffer.clear();
        state_->setStatus(kErrorDatabase, result.error());
        return false;
    }
    buffer.fill(*result);
    state_->clearStatus();
    return true;
}

std::string HostUtilityLibrary::FUNCVAY(std::string_view query) {
    // Runs apart from the VAY_FK rows, so a caller's loop over them is not disturbed.
    auto result = state_->run(query);
    if (!result) {
        state_->setStatus(kErrorDatabase, result.error());
        return {};
    }
    state_->clearStatus();
    if (result->rows.empty() || result->rows[0].empty() || !result->rows[0][0]) return {};
    return citforms::host::cutToWidth(
        *result->rows[0][0], citforms::host::columnWidth(citforms::host::ResultFileId::VAY_FK, 0));
}

citforms::host::ErrorStatus& HostUtilityLibrary::errorStatus() {
    return state_->thread().status;
}

bool HostUtilityLibrary::beginTransaction() {
    sql::Status status = state_->begin();
    if (!status) {
        state_->setStatus(kErrorDatabase, status.error());
        return false;
    }
    return true;
}

bool HostUtilityLibrary::commitTransaction() {
    sql::Status status = state_->commit();
    if (!status) {
        state_->setStatus(kErrorDatabase, status.error());
        return false;
    }
    return true;
}

void HostUtilityLibrary::rollbackTransaction() {
    state_->rollback();
}

int HostUtilityLibrary::message(const char* title, std::string_view text, const char* buttons,
                                MessageIcon icon, int defaultButton) {
    MessageRequest request;
    request.title = title;
    request.text = std::string(text);
    request.buttons = buttons;
    request.icon = icon;
    request.defaultButton = defaultButton;
    return state_->ui().message(request);
}

void HostUtilityLibrary::MSG_INF(std::string_view text) {
    message(citforms::host::kTitleInformation, text, "&OK", MessageIcon::Information);
}

void HostUtilityLibrary::MSG_OST(std::string_view text) {
    message(citforms::host::kTitleWarning, text, "&OK", MessageIcon::Warning);
}

std::uint8_t HostUtilityLibrary::MSG_WYKONAJ(std::string_view title, std::string_view text,
                                             std::optional<std::uint8_t> defaultNo) {
    const std::string shownTitle =
        title.empty() ? std::string(citforms::host::kTitleQuestion) : std::string(title);
    const int defaultButton = defaultNo.value_or(0) != 0 ? 2 : 1;
    return message(shownTitle.c_str(), text, "&Tak|&Nie", MessageIcon::Question, defaultButton) == 1
               ? 1
               : 0;
}

void HostUtilityLibrary::LOG_ADD(std::int32_t declarationId, std::string_view text,
                                 std::string_view category, std::string_view operation) {
    const citforms::host::Globals& g = state_->thread().globals;
    const std::string statement =
        "insert into DZIENNIK (data, czas, id_uzytkownika, id_uzyt, id_deklaracje_nag, tekst, "
        "kategoria, operacja) values (" +
        std::to_string(citforms::values::today()) + "," + sqlString(timeNow()) + "," +
        std::to_string(g.DANE_ID_UZYTKOWNIKA_NR) + "," + sqlString(g.DANE_ID_UZYT) + "," +
        std::to_string(declarationId) + "," + sqlString(text) + "," + sqlString(category) + "," +
        sqlString(operation) + ")";
    auto result = state_->run(statement);
    if (!result) {
        state_->setStatus(kErrorDatabase, result.error());
        return;
    }
    state_->clearStatus();
}

std::string HostUtilityLibrary::FORMATDATA(std::int32_t day) {
    if (day <= 0) return {};
    return citforms::values::formatDayMonthYear(day, '-');
}

std::string HostUtilityLibrary::NAZWA_MIESIACA(std::int32_t month, std::int32_t year) {
    if (month < 1 || month > 12) return {};
    std::string name = kMonths[static_cast<std::size_t>(month) - 1];
    if (year != 0) name += " " + std::to_string(year);
    return name;
}

std::string HostUtilityLibrary::GET_NAZWA_ADRES_URZEDU(std::uint8_t, std::int32_t officeId) {
    auto result = state_->run(
        "select nazwa, ulica, nr_domu, kod_pocztowy, miejscowosc from URZEDY where id_urzedu = " +
        std::to_string(officeId));
    if (!result) {
        state_->setStatus(kErrorDatabase, result.error());
        return {};
    }
    state_->clearStatus();
    if (result->rows.empty()) return {};
    const auto& row = result->rows[0];
    auto column = [&](std::size_t i) { return i < row.size() && row[i] ? *row[i] : std::string(); };
    // "Urząd Skarbowy Warszawa-Mokotów, ul. Postępu 7, 02-676 Warszawa": the parts that are
    // not empty, joined by commas.
    auto joinBlank = [](std::string a, const std::string& b) {
        if (!a.empty() && !b.empty()) a += ' ';
        return a + b;
    };
    std::string text;
    for (const std::string& part :
         {column(0), joinBlank(column(1), column(2)), joinBlank(column(3), column(4))}) {
        if (part.empty()) continue;
        if (!text.empty()) text += ", ";
        text += part;
    }
    return text;
}

void HostUtilityLibrary::INFO_ZESTAWIENIE(std::uint8_t) {
    const std::int32_t user = state_->thread().globals.DANE_ID_UZYTKOWNIKA_NR;
    auto result =
        state_->run("select tekst from KOMUNIKAT where kontekst = 'ZESTAW' AND id_uzytkownika = " +
                    std::to_string(user) + " order by id_komunikat");
    if (!result) {
        state_->setStatus(kErrorDatabase, result.error());
        MSG_OST(result.error());
        return;
    }
    state_->clearStatus();
    std::string text;
    for (const auto& row : result->rows) {
        if (row.empty() || !row[0]) continue;
        if (!text.empty()) text += '|';
        text += *row[0];
    }
    if (!text.empty()) MSG_INF(text);
}

std::string HostUtilityLibrary::TYLKO_CYFRY(std::string_view text) {
    std::string digits;
    for (char c : text) {
        if (c >= '0' && c <= '9') digits += c;
    }
    return digits;
}

std::string HostUtilityLibrary::ZAMIEN_ZNAK(std::string_view from, std::string_view to,
                                            std::string_view text) {
    const std::string_view what = firstCodePoint(from);
    const std::string_view with = firstCodePoint(to);
    if (what.empty()) return std::string(text);
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size();) {
        if (text.compare(i, what.size(), what) == 0) {
            out += with;
            i += what.size();
        } else {
            out += text[i++];
        }
    }
    return out;
}

std::string HostUtilityLibrary::STR_REPLICATE(std::string_view character, std::int32_t count) {
    std::string out;
    const std::string_view one = firstCodePoint(character);
    for (std::int32_t i = 0; i < count; ++i) out += one;
    return out;
}

std::string HostUtilityLibrary::KALENDARZ(std::int32_t, std::int32_t, std::string_view date) {
    return windows::calendar(*state_, ini_, date);
}

std::uint8_t HostUtilityLibrary::MAKSYMALIZUJ() {
    return maximise_;
}

void HostUtilityLibrary::MAKSYMALIZACJAOFF() {
    maximise_ = 0;
}

// Entries of the Qt runtime select their text themselves on focus; nothing to do here.
// The entry with the focus shows its whole contents selected, so typing replaces the amount.
void HostUtilityLibrary::SELECT_KEYBOARD(std::string_view) {
    state_->ui().selectFocusedEntry(true);
}
void HostUtilityLibrary::SELECT_MOUSELEFT(std::string_view) {
    state_->ui().selectFocusedEntry(false);
}
void HostUtilityLibrary::STRSTYLTOOLBAR(std::int32_t, std::optional<std::uint8_t>,
                                        std::optional<std::uint8_t>, std::optional<std::uint8_t>) {}

}  // namespace refhost::libraries
