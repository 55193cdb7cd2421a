#pragma once
// The print procedures of the newest CIT-8 (24) with its CIT-8/O (11) and CIT-BR (1), of the
// CIT-8 (23) with its CIT-8/O (10), of the CIT-8 (21) with its CIT-8/O (8), of the CIT-D (5)
// and (3), and the ORD-ZU: each prints the open declaration's field sets through the print
// pipeline.
//
//   PrintEnvironment env{host, runtime, ini};
//   CIT_8_Prn_73(env, fields);                  // pages 1..4, receipt lines by the settings
//   WCZYTAJ_CIT_BR(fields, 2, 3);
//   CIT_BR_Prn_73(env, fields);                 // CIT-BR 2 of 3
//
// Each returns the run result (1 completed, 2 cancelled), also left in GLOBALRESPONSE, and
// leaves the field sets as they were.
#include <cstdint>
#include <string>
#include <span>
#include <string_view>

#include "citforms/host/globals.h"

#include "citforms/print/print_pipeline.h"
#include "citforms/store/declaration_fields.h"

namespace citforms::print {

// Each procedure's layout name and offsets; its pages and receipt lines come from the layout.
const PrintProcedure& cit8Print73();
const PrintProcedure& cit8OPrint73();
const PrintProcedure& citBrPrint73();
const PrintProcedure& cit8Print72();   // CIT-8 (23), template 72
const PrintProcedure& cit8OPrint72();  // CIT-8/O (10), template 72
const PrintProcedure& cit8Print70();   // CIT-8 (21), template 70
const PrintProcedure& cit8OPrint70();  // CIT-8/O (8), template 70
const PrintProcedure& citDPrint72();  // CIT-D (5), templates 72 and 73
const PrintProcedure& citDPrint70();  // CIT-D (3), template 70
const PrintProcedure& ordZuPrint();
const PrintProcedure& cit2Print35();
const PrintProcedure& cit2OPrint35();
const PrintProcedure& cit2Print35Overlay();
const PrintProcedure& cit2OPrint35Overlay();
// The CIT-2 of templates 3 and 31 to 34: the full forms "CIT_2_Prn", "CIT_2_Prn_31" …
// "CIT_2_Prn_34" and the overlays "CIT_2_Prn_32_nadruk" … "CIT_2_Prn_34_nadruk", then those of
// their attachments in the same order ("CIT_O_Prn" … "CIT_O_Prn_34_nadruk").
std::span<const PrintProcedure> olderCit2Prints();
// One of them by name; nullptr for another name.
const PrintProcedure* olderCit2Procedure(std::string_view name);

// A print procedure of the open declaration.
using FormPrint = int (*)(const PrintEnvironment&, const store::DeclarationFields&);
// The procedure named `name` ("CIT_O_Prn_73"); nullptr for a name that is no print of the
// module.
FormPrint formPrintOf(std::string_view name);
// The overlay onto pre-printed paper that stands beside the full-form print `name`
// ("CIT_2_Prn_35" -> "CIT_2_Prn_35_nadruk"); empty when it has none.
std::string overlayOf(std::string_view name);
// The print of `name` by the host's setting: its overlay when DEKLARACJE_NADRUK is set and it
// has one, else the full form.
FormPrint formPrintFor(std::string_view name, const host::Globals& globals);

int CIT_8_Prn_73(const PrintEnvironment& env, const store::DeclarationFields& fields);
int CIT_O_Prn_73(const PrintEnvironment& env, const store::DeclarationFields& fields);
int CIT_BR_Prn_73(const PrintEnvironment& env, const store::DeclarationFields& fields);
int CIT_8_Prn_72(const PrintEnvironment& env, const store::DeclarationFields& fields);
int CIT_O_Prn_72(const PrintEnvironment& env, const store::DeclarationFields& fields);
int CIT_8_Prn_70(const PrintEnvironment& env, const store::DeclarationFields& fields);
int CIT_O_Prn_70(const PrintEnvironment& env, const store::DeclarationFields& fields);
int CIT_D_Prn_72(const PrintEnvironment& env, const store::DeclarationFields& fields);
int CIT_D_Prn_70(const PrintEnvironment& env, const store::DeclarationFields& fields);
int CIT_ORDZU_Prn(const PrintEnvironment& env, const store::DeclarationFields& fields);
int CIT_2_Prn_35(const PrintEnvironment& env, const store::DeclarationFields& fields);
int CIT_O_Prn_35(const PrintEnvironment& env, const store::DeclarationFields& fields);
int CIT_2_Prn_35_nadruk(const PrintEnvironment& env, const store::DeclarationFields& fields);
int CIT_O_Prn_35_nadruk(const PrintEnvironment& env, const store::DeclarationFields& fields);

// The print command of a window: the host's print-parameter dialog for `formName` ("CIT-8",
// "CIT-8/O", "CIT-BR", "ORD-ZU"), and the print when it answers 1. Returns the run result,
// 0 when the dialog declined.
template <class Print>
int printAfterParameters(const PrintEnvironment& env, std::string_view formName, Print&& print) {
    if (env.host.declarations == nullptr || env.host.declarations->PARAM_PRN_DEKLAR(formName) != 1)
        return 0;
    return print();
}

}  // namespace citforms::print
