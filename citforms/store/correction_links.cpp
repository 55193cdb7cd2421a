#include "citforms/store/correction_links.h"

#include <string>

#include "citforms/store/declaration_load.h"

namespace citforms::store {

namespace {

std::optional<std::int32_t> firstNumber(const host::HostBinding& host, const std::string& sql) {
    const std::string value = host.utility->FUNCVAY(sql);
    if (host.utility->errorStatus().code != 0) return std::nullopt;
    return parseStoredNumber(value).value_or(0);
}

}  // namespace

std::optional<std::int32_t> correctionOf(const host::HostBinding& host, std::int32_t id) {
    return firstNumber(host, "select ID_DEKLARACJI from DEKLARACJE_KOREKTY where ID_KOREKTY = " +
                                 std::to_string(id));
}

std::optional<std::int32_t> correctedBy(const host::HostBinding& host, std::int32_t id) {
    return firstNumber(host, "select ID_KOREKTY from DEKLARACJE_KOREKTY where ID_DEKLARACJI = " +
                                 std::to_string(id));
}

std::optional<std::int32_t> newestInChain(const host::HostBinding& host, std::int32_t id) {
    // Each correction is newer than what it corrects, so the walk ends; the bound only guards
    // against rows written by hand into a circle.
    for (int step = 0; step < 10000; ++step) {
        const std::optional<std::int32_t> next = correctedBy(host, id);
        if (!next) return std::nullopt;
        if (*next == 0 || *next == id) return id;
        id = *next;
    }
    return id;
}

bool insertCorrectionLink(const host::HostBinding& host, std::int32_t corrected,
                          std::int32_t correction) {
    return host.utility->EXECVAX(
        "insert into DEKLARACJE_KOREKTY (ID_DEKLARACJI, ID_KOREKTY) values (" +
        std::to_string(corrected) + "," + std::to_string(correction) + ")");
}

}  // namespace citforms::store
