#pragma once
// The open declaration: one per process, shared by every exported procedure.
//
// Whichever entry point opens a declaration sets these; nothing resets them between calls.
#include <cstdint>

namespace citforms::module {

struct DeclarationState {
    std::int32_t CIT_ID_DEKLARACJI = 0;   // ID_DEKLARACJE_NAG of the open declaration, 0 = none
    std::int32_t CIT_ID_WZORCA = 0;       // template of a CIT-8 family declaration (70, 72, 73)
    std::int32_t CIT_ID_WZORCA_CIT2 = 0;  // template of an old CIT-2 declaration (3, 31..35)
    std::int32_t CIT_POCZATEK_ROKU = 0;   // fiscal year of the open declaration (day numbers)
    std::int32_t CIT_KONIEC_ROKU = 0;

    void clear() { *this = DeclarationState{}; }
};

}  // namespace citforms::module
