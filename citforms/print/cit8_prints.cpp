#include "citforms/print/cit8_prints.h"

#include "citforms/print/declaration_variables.h"

namespace citforms::print {

const PrintProcedure& cit8Print73() {
    // Controls 13 and 14 are the two receipt lines at the foot of page 1.
    static const PrintProcedure p{"CIT_8_Prn_73", {1, 44, 69, 114}, Offsets::Thousandths,
                                  true, true, {13, 14}};
    return p;
}

const PrintProcedure& cit8OPrint73() {
    static const PrintProcedure p{"CIT_O_Prn_73", {1, 28, 71}, Offsets::Thousandths, true, true,
                                  {}};
    return p;
}

const PrintProcedure& citBrPrint73() {
    static const PrintProcedure p{"CIT_BR_Prn_73", {1, 34}, Offsets::Thousandths, true, true, {}};
    return p;
}

const PrintProcedure& ordZuPrint() {
    static const PrintProcedure p{"CIT_ORDZU_Prn", {2}, Offsets::Thousandths, true, true, {}};
    return p;
}

namespace {

int printFields(const PrintEnvironment& env, const PrintProcedure& procedure,
                const store::DeclarationFields& fields) {
    const DeclarationVariables variables(fields, env.host.data->globals());
    return runPrint(env, procedure, variables);
}

}  // namespace

int CIT_8_Prn_73(const PrintEnvironment& env, const store::DeclarationFields& fields) {
    return printFields(env, cit8Print73(), fields);
}

int CIT_O_Prn_73(const PrintEnvironment& env, const store::DeclarationFields& fields) {
    return printFields(env, cit8OPrint73(), fields);
}

int CIT_BR_Prn_73(const PrintEnvironment& env, const store::DeclarationFields& fields) {
    return printFields(env, citBrPrint73(), fields);
}

int CIT_ORDZU_Prn(const PrintEnvironment& env, const store::DeclarationFields& fields) {
    return printFields(env, ordZuPrint(), fields);
}

}  // namespace citforms::print
