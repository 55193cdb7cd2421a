#pragma once
// The CIT-ST procedures the host and the other windows call, over the module's CIT-ST working
// set (ModuleState::citSt, ODDZIALY_CIT_ST, VST, VSTA): save, load, the copy fillers, the two
// prints and the CIT-ST pages of a PDF.
//
//   WYPELNIJ_ZMIENNE_CIT_ST_201(m, 12);
//   WYPELNIJ_ZMIENNE_CIT_ST_201_FORMULARZ(m, 1, 2);
//   CIT_ST_Prn_201(printEnvironment(m), m.VST);
#include <cstdint>
#include <string>
#include <vector>

#include "citforms/print/print_pipeline.h"
#include "citforms/state/module_state.h"

namespace citforms::citst {

// Saves the working set (0: as a new CIT-ST) and tells what the save has to say. The id
// saved; 4 when the declaration is locked; 0 when the save failed (nothing was written).
std::int32_t AKTUALIZUJ_CIT_ST_201(module::ModuleState& module, std::int32_t id);
// Loads stored CIT-ST `id` into the working set; a failed query is shown. False then.
bool WYPELNIJ_ZMIENNE_CIT_ST_201(module::ModuleState& module, std::int32_t id);
// The load of template 201 for the declaration kinds: `fields` take the header and ORD-ZU,
// the module's branch list the branches.
void loadCitStKind(const host::HostBinding& host, const module::DeclarationState& state,
                   store::DeclarationFields& fields);
void WYPELNIJ_ZMIENNE_CIT_ST_201_FORMULARZ(module::ModuleState& module, std::int32_t form,
                                           std::int32_t forms);
void WYPELNIJ_ZMIENNE_CIT_STA_201_FORMULARZ(module::ModuleState& module, std::int32_t form);

// The print procedures of a CIT-ST (7) copy and a CIT-STA (5) copy: layout and offsets.
const print::PrintProcedure& citStPrint201();
const print::PrintProcedure& citStaPrint201();

// One CIT-ST (7) copy from its print cells (VST), one CIT-STA (5) copy from its cells (VSTA).
// Each prints the cells it was given, so a print still running is not changed by the next
// filler. The run result.
int CIT_ST_Prn_201(const print::PrintEnvironment& env, const std::vector<std::string>& cells);
int CIT_STA_Prn_201(const print::PrintEnvironment& env, const std::vector<std::string>& cells);

// The CIT-ST pages of the loaded working set into the PDF being made: CIT-ST copies 1..N,
// then CIT-STA copies 1..M, each after `beforeEach` (the print settings for PDF). With no
// branches nothing is printed. The last run result, 1 when nothing was printed.
template <class BeforeEach>
int printCitStPages(module::ModuleState& module, const print::PrintEnvironment& env,
                    BeforeEach&& beforeEach);

// The id of the CIT-ST linked to CIT-8 `cit8Id` (whose header still exists), 0 for none.
std::int32_t linkedCitSt(const host::HostBinding& host, std::int32_t cit8Id);
// What the PDF of a CIT-8 says when the CIT-ST its field 25 announces cannot be found; the
// file's lack of CIT-ST pages is named only when the file was written.
std::string missingCitStMessage(std::int32_t cit8Id, bool pdfWritten);

}  // namespace citforms::citst

#include "citforms/citst/cit_st.h"

template <class BeforeEach>
int citforms::citst::printCitStPages(module::ModuleState& module,
                                     const print::PrintEnvironment& env,
                                     BeforeEach&& beforeEach) {
    int result = 1;
    const int forms = copiesFor(module.ODDZIALY_CIT_ST.size(), kBranchesPerCitSt);
    for (int k = 1; k <= forms; ++k) {
        WYPELNIJ_ZMIENNE_CIT_ST_201_FORMULARZ(module, k, forms);
        beforeEach();
        result = CIT_ST_Prn_201(env, module.VST);
    }
    const int annexes = copiesFor(module.ODDZIALY_CIT_ST.size(), kBranchesPerCitSta);
    for (int k = 1; k <= annexes; ++k) {
        WYPELNIJ_ZMIENNE_CIT_STA_201_FORMULARZ(module, k);
        beforeEach();
        result = CIT_STA_Prn_201(env, module.VSTA);
    }
    return result;
}
