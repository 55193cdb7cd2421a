#pragma once
// The host's per-thread globals (DANE_*, GGG:*, GLO:*, GLOBALREQUEST/GLOBALRESPONSE).
//
// The host keeps one instance per thread; the module reaches the calling thread's instance
// through DataLibrary::globals(). Dates are day numbers (values/day_number.h).
#include <cstdint>
#include <string>

namespace citforms::host {

struct Globals {
    // Company, user, dates.
    std::int32_t DANE_ID_FIRMY = 0;
    std::string DANE_ID_UZYT;              // user code, written to ID_UZYT / ID_UZYT_P
    std::int32_t DANE_ID_UZYTKOWNIKA_NR = 0;
    std::int32_t DANE_DATA_BIEZACA = 0;    // today
    std::int32_t DANE_DATA_OKRESU = 0;     // current period
    std::int32_t DANE_LATA_OBROTOWE = 0;   // current fiscal year id
    std::int32_t DANE_POCZATEK_ROKU = 0;
    std::int32_t DANE_KONIEC_ROKU = 0;

    // Print settings.
    // The host contract: true (not 0) = the screen (the previewer, or a PDF), false (0) = to
    // the printer directly. A host that sets nothing previews.
    std::int32_t DANE_DRUKARKA_EKRAN = 1;
    std::int32_t GGG_NUMCOPY = 1;               // GGG:NUMCOPY
    std::int32_t DEKLARACJE_NADRUK = 0;         // 1 = overlay onto pre-printed paper
    std::int32_t DEKLARACJE_XPOS = 0;
    std::int32_t DEKLARACJE_YPOS = 0;
    std::int32_t GGG_EMAILPDFSAVEAS = 0;        // GGG:EMAILPDFSAVEAS: 1/2 e-mail, 10 PDF append
    std::string GGG_PRN_UPO_INFO_1;             // GGG:PRN_UPO_INFO_1 (receipt line 1)
    std::string GGG_PRN_UPO_INFO_2;             // GGG:PRN_UPO_INFO_2 (receipt line 2)
    std::int32_t GGG_PRN_UPO_INFO_DRUKUJ = 0;   // GGG:PRN_UPO_INFO_DRUKUJ

    // Files and help.
    std::string GGG_SCIEZKA_SET;    // GGG:SCIEZKA_SET, settings file for window positions
    std::string GGG_PROGRAMPATH;    // GGG:PROGRAMPATH, folder of CPCSRPTS.INI
    std::string GLO_LOCALPATH;      // GLO:LOCALPATH
    std::string GLO_CUTEMP;         // GLO:CUTEMP, the host's working folder (prints restore it)
    std::string GGG_HELP_PLIK;      // GGG:HELP_PLIK
    std::string GLO_MSG_TXT_INF;    // GLO:MSG_TXT_INF, title of information questions

    // What the module asks the bank-transfer window (UP_PRZELEW) to fill a new transfer with,
    // set just before the call: the main form's position holding the amount to pay (0: none
    // given), the form symbol of the title ("CIT8") and its period: "R" a year, "M" a month.
    std::int32_t GLO_PRZELEW_POLE = 0;
    std::string GLO_PRZELEW_SYMBOL;
    std::string GLO_PRZELEW_OKRES;

    std::int32_t GLOBALREQUEST = 0;
    std::int32_t GLOBALRESPONSE = 0;   // 1 completed, 2 cancelled
};

}  // namespace citforms::host
