#pragma once
// One branch (oddział) of the CIT-ST working set: a record of the branch list ODDZIALY_CIT_ST,
// in the order the list shows and stores its branches. Texts hold up to the capacity named.
#include <cstdint>
#include <string>
#include <vector>

namespace citforms::store {

struct CitStBranch {
    std::int32_t ZATRUDNIONYCH = 0;    // employees of the branch
    std::string NAZWA;                 // 99
    std::string NAZWA_PELNA;           // 200
    std::string REGON;                 // 20
    std::string NIP;                   // 20
    std::int32_t DATA_ROZP_DZIAL = 0;  // day number
    std::string KRAJ;                  // 50
    std::string WOJEWODZTWO;           // 50
    std::string POWIAT;                // 50
    std::string GMINA;                 // 50
    std::string GMINA_KOD;             // 20, GUS code of the gmina
    std::string ULICA;                 // 100
    std::string NRDOMU;                // 10
    std::string NRLOKALU;              // 10
    std::string MIEJSCOWOSC;           // 50
    std::string KODPOCZTOWY;           // 20
    std::string POCZTA;                // 50

    bool operator==(const CitStBranch&) const = default;
};

using CitStBranches = std::vector<CitStBranch>;

}  // namespace citforms::store
