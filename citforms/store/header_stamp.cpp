#include "citforms/store/header_stamp.h"

#include <cstdio>
#include <ctime>

#include "citforms/values/day_number.h"
#include "citforms/values/text.h"

namespace citforms::store {

namespace {

std::int64_t wholeNumber(const std::string& text) {
    return values::parseInteger<std::int64_t>(values::trim(text, " ")).value_or(0);
}

// "JWOJCIK 08-12-2026 17:05": who made the newest log entry of declaration `id` with
// operation `operation`, and when; empty when the log has none.
std::string lastEntry(const host::HostBinding& host, std::int32_t id, const char* operation) {
    host::UtilityLibrary& u = *host.utility;
    const host::ErrorStatus before = u.errorStatus();
    std::string who;
    if (u.EXECVAX("select top 1 id_uzyt, data, czas from DZIENNIK where id_deklaracje_nag = " +
                  std::to_string(id) + " AND operacja = '" + operation +
                  "' order by id_dziennik desc")) {
        host::ResultRow row;
        if (host.data->result(host::ResultFileId::VAX_FK).next(row)) {
            who = std::string(values::trim(row.column(0), " "));
            const std::int64_t day = wholeNumber(row.column(1));
            if (day > 0) who += " " + values::formatDayMonthYear(static_cast<std::int32_t>(day));
            const std::string time = row.column(2).substr(0, 5);
            if (!time.empty()) who += " " + time;
        }
    }
    u.errorStatus() = before;  // an unreadable log does not make the refusal an SQL failure
    return who;
}

}  // namespace

std::optional<HeaderStamp> stampOf(const host::Record& header) {
    if (!header.has("WERSJA")) return std::nullopt;
    HeaderStamp stamp;
    stamp.id = static_cast<std::int32_t>(wholeNumber(header.get("ID_DEKLARACJE_NAG")));
    stamp.version = wholeNumber(header.get("WERSJA"));
    for (const char* column : {"ID_DEKLARACJE_WZORZEC", "ID_FIRMY", "ID_UZYT", "DATA_SYSTEMOWA"}) {
        stamp.identity += std::string(values::trim(header.get(column), " ")) + "|";
    }
    return stamp;
}

bool fetchHeader(const host::HostBinding& host, std::int32_t id, host::Record& header) {
    host::RecordFile& nag = host.data->file(host::HostFileId::DEKLARACJE_NAG);
    nag.open();
    const bool found = nag.fetch(host::kKeyDeklNagPk,
                                 host::Record{{"ID_DEKLARACJE_NAG", std::to_string(id)}}, header);
    nag.close();
    return found;
}

std::optional<HeaderStamp> readStamp(const host::HostBinding& host, std::int32_t id) {
    host::Record header;
    if (!fetchHeader(host, id, header)) return std::nullopt;
    return stampOf(header);
}

std::optional<values::Error> refusalFor(const host::HostBinding& host, std::int32_t id,
                                        const std::optional<HeaderStamp>& expected,
                                        const host::Record* header) {
    if (!expected || expected->id != id || id == 0) return std::nullopt;
    const auto deleted = [&] {
        return values::Error{deletedMessage(host, id), values::ErrorKind::NotFound};
    };
    if (header == nullptr) return deleted();
    const std::optional<HeaderStamp> now = stampOf(*header);
    if (!now) return std::nullopt;
    // Another declaration under the same id: the one held was deleted.
    if (now->identity != expected->identity) return deleted();
    if (now->version != expected->version) {
        return values::Error{changedMessage(host, id), values::ErrorKind::Stale};
    }
    return std::nullopt;
}

std::string deletedMessage(const host::HostBinding& host, std::int32_t id) {
    const std::string who = lastEntry(host, id, "U");
    return "Deklaracja " + std::to_string(id) + " została usunięta" +
           (who.empty() ? std::string() : " przez " + who) + ".";
}

namespace {
constexpr std::string_view kNotSaved = " Zmiany nie zostały zapisane";
constexpr std::string_view kReopen =
    "; aby je wprowadzić, proszę otworzyć deklarację ponownie.";
}  // namespace

std::string changedMessage(const host::HostBinding& host, std::int32_t id) {
    const std::string who = lastEntry(host, id, "P");
    return "Deklaracja " + std::to_string(id) + " została zmieniona" +
           (who.empty() ? std::string() : " przez " + who) + " po jej otwarciu." +
           std::string(kNotSaved) + std::string(kReopen);
}

std::string reloadQuestion(std::string_view changed) {
    std::string text(changed);
    // The advice to open it again is what the question offers.
    if (text.size() >= kReopen.size() &&
        text.compare(text.size() - kReopen.size(), kReopen.size(), kReopen) == 0) {
        text.replace(text.size() - kReopen.size(), kReopen.size(), ".");
    }
    return text + "|Czy wczytać deklarację ponownie z bazy danych? Zmiany wpisane w oknie "
                  "zostaną utracone.";
}

std::string lockedMessage(const host::HostBinding& host, std::int32_t id,
                          const host::Record& header) {
    std::string text = "Nie można zapisać zmian. Deklaracja jest zablokowana.";
    const std::string holder(values::trim(header.get("BLOKADA"), " "));
    if (holder.empty()) return text;
    text += " Blokadę założył " + holder;
    const std::string since = lastEntry(host, id, "B");
    // The log entry names the user again; only its moment is wanted here.
    if (const auto blank = since.find(' '); blank != std::string::npos) {
        text += " " + since.substr(blank + 1);
    }
    return text + ".";
}

std::string readOnlyReason(const host::HostBinding& host, std::int32_t id) {
    host::UtilityLibrary& u = *host.utility;
    const host::ErrorStatus before = u.errorStatus();
    constexpr const char* kOnlyRead = ": tylko do odczytu, zmian nie można zapisać.";
    bool filed = false;
    bool lockedInView = false;
    if (u.EXECVAX("select mozna_modyfikowac_dokument_edeklaracja, czy_zapis_w_bazie, "
                  "blokada_stan from deklaracje_nag_view where id_deklaracje_nag = " +
                  std::to_string(id))) {
        host::ResultRow row;
        if (host.data->result(host::ResultFileId::VAX_FK).next(row)) {
            filed = wholeNumber(row.column(1)) != 0 && wholeNumber(row.column(0)) == 0;
            lockedInView = wholeNumber(row.column(2)) != 0;
        }
    }
    u.errorStatus() = before;  // an unreadable state leaves the window as it was
    if (filed) return std::string("Deklaracja złożona elektronicznie (e-Deklaracja)") + kOnlyRead;
    host::Record header;
    const std::string holder =
        fetchHeader(host, id, header) ? std::string(values::trim(header.get("BLOKADA"), " "))
                                      : std::string();
    u.errorStatus() = before;
    if (holder.empty()) {
        return lockedInView ? std::string("Deklaracja zablokowana") + kOnlyRead : std::string();
    }
    std::string text = "Deklaracja zablokowana przez " + holder;
    const std::string since = lastEntry(host, id, "B");
    if (const auto blank = since.find(' '); blank != std::string::npos)
        text += " (od " + since.substr(blank + 1) + ")";
    return text + kOnlyRead;
}

void advance(host::Record& header) {
    if (header.has("WERSJA")) {
        header.set("WERSJA", std::to_string(wholeNumber(header.get("WERSJA")) + 1));
    }
    if (header.has("W_TWORZENIU")) header.set("W_TWORZENIU", "");
}

std::string creationMark(const host::HostBinding& host) {
    const host::Globals& g = host.data->globals();
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    char time[8];
    std::snprintf(time, sizeof time, "%02d:%02d", local.tm_hour, local.tm_min);
    const std::int32_t today = g.DANE_DATA_BIEZACA > 0 ? g.DANE_DATA_BIEZACA : values::today();
    return g.DANE_ID_UZYT + " " + values::formatDayMonthYear(today) + " " + time;
}

}  // namespace citforms::store
