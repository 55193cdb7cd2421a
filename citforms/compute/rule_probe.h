#pragma once
// A look into the form rules as they run: every value a rule reads and every value it writes
// passes the probe, which may hand the rule another value to read or keep a write from the
// fields. The explanation of a position runs the very rules the computation runs under a
// probe, to learn which positions feed it (compute nothing twice, copy no rule).
//
//   ProbedAmounts amounts(inner, probe, "CIT-8", "CIT-8/O");
//   Cit8Rules(edition, amounts).applyAll();
#include <string>
#include <string_view>

#include "citforms/compute/declaration_amounts.h"

namespace citforms::compute {

class RuleProbe {
public:
    virtual ~RuleProbe() = default;
    // The value a rule reads for `position` of form `form`; `held` is what the fields hold.
    virtual Decimal read(std::string_view form, int position, const Decimal& held) = 0;
    // Whether a rule's value for `position` of `form` goes into the fields.
    virtual bool write(std::string_view form, int position, const Decimal& value) = 0;
};

// DeclarationAmounts of the CIT-8 rules seen through a probe.
class ProbedAmounts : public DeclarationAmounts {
public:
    ProbedAmounts(DeclarationAmounts& inner, RuleProbe& probe, std::string mainForm)
        : inner_(inner), probe_(probe), main_(std::move(mainForm)) {}

    Decimal cit8(int position) const override {
        return probe_.read(main_, position, inner_.cit8(position));
    }
    void setCit8(int position, const Decimal& value) override {
        if (probe_.write(main_, position, value)) inner_.setCit8(position, value);
    }
    Decimal cit8o(int position) const override {
        return probe_.read("CIT-8/O", position, inner_.cit8o(position));
    }
    void setCit8o(int position, const Decimal& value) override {
        if (probe_.write("CIT-8/O", position, value)) inner_.setCit8o(position, value);
    }
    Decimal firstCitBrRelief() override {
        return probe_.read("CIT-BR", 19, inner_.firstCitBrRelief());
    }

private:
    DeclarationAmounts& inner_;
    RuleProbe& probe_;
    std::string main_;
};

}  // namespace citforms::compute
