#include "refhost/libraries/window_libraries.h"

#include "refhost/libraries/utility_library.h"

namespace refhost::libraries {

void HostDeclarationsLibrary::INIT(citforms::host::ErrorManager*, citforms::host::IniManager*) {}
void HostDeclarationsLibrary::KILL() {}

std::uint8_t HostDeclarationsLibrary::PARAM_PRN_DEKLAR(std::string_view) {
    tellNotAvailable(*ui_, "PARAM_PRN_DEKLAR");
    return 0;
}

void HostDeclarationsLibrary::SKLADNIKI_ODLICZENIE(std::string_view, std::string_view,
                                                   std::string_view) {
    tellNotAvailable(*ui_, "SKLADNIKI_ODLICZENIE");
}

void HostContractorLibrary::INIT(citforms::host::ErrorManager*, citforms::host::IniManager*) {}
void HostContractorLibrary::KILL() {}

std::uint8_t HostContractorLibrary::FIRMA_ODDZIAL(std::uint8_t, std::int32_t) {
    tellNotAvailable(*ui_, "FIRMA_ODDZIAL");
    return 0;
}

void HostSettlementsLibrary::INIT(citforms::host::ErrorManager*, citforms::host::IniManager*) {}
void HostSettlementsLibrary::KILL() {}

void HostSettlementsLibrary::UP_PRZELEW(std::uint8_t, std::int32_t, std::int32_t) {
    tellNotAvailable(*ui_, "UP_PRZELEW");
}

void HostPrintLibrary::INIT(citforms::host::ErrorManager*, citforms::host::IniManager*) {}
void HostPrintLibrary::KILL() {}

std::int32_t HostPrintLibrary::MAKEPDF(std::uint8_t mode, std::string_view,
                                       citforms::host::PageList*) {
    // Tell the user once per PDF, not for each of its start, append and finish calls.
    if (mode == 0) tellNotAvailable(*ui_, "MAKEPDF");
    return -1;
}

std::int32_t HostPrintLibrary::MAKEPDFANDSEND(citforms::host::PageList*) {
    tellNotAvailable(*ui_, "MAKEPDFANDSEND");
    return -1;
}

void HostStatementsLibrary::INIT(citforms::host::ErrorManager*, citforms::host::IniManager*) {}
void HostStatementsLibrary::KILL() {}

void HostStatementsLibrary::DEF_ZESTAW_NEW(std::int32_t, std::string_view, std::string_view,
                                           std::string_view) {
    tellNotAvailable(*ui_, "DEF_ZESTAW_NEW");
}

}  // namespace refhost::libraries
