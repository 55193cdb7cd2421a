#pragma once
// The fixed arithmetic of the CIT-8 and its CIT-8/O attachment.
//
// The rules are written once, in the positions of edition (24), and applied to either
// edition through FormEdition. The statement computation applies them group by group as
// the statement amounts arrive; the recalculation applies all CIT-8 rules top to bottom.
// All arithmetic is exact decimal; whole-zloty rounding only where the form asks for it.
//
//   Cit8Rules rules(FormEdition::cit8Edition24(), amounts);
//   rules.applyAll();
#include "citforms/compute/declaration_amounts.h"
#include "citforms/compute/form_edition.h"
#include "citforms/store/declaration_fields.h"

namespace citforms::compute {

// Tax rate in per cent written into the rate field on every computation.
inline constexpr int kCitRatePercent = 19;

class Cit8Rules {
public:
    Cit8Rules(const FormEdition& edition, DeclarationAmounts& amounts) : e_(edition), a_(amounts) {}

    void revenueTotal();    // 35
    void incomeAndLoss();   // 41 to 46
    void deductions();      // 47 to 55 (CIT-8/O totals, CIT-BR relief)
    void taxBase();         // 59 to 65 (base, rate, tax, tax due)
    void advances();        // 91 to 93
    void advanceBalance();  // 95, 96
    void spentIncomeTax();  // 103 to 108, 115 to 120, 127 to 132, 138 to 142, 144
    // Every CIT-8 rule in the order of the form.
    void applyAll();

private:
    Decimal get(int p24) const;
    void set(int p24, const Decimal& v);
    // The deduction total that caps the tax base: position 55 where the edition has it,
    // otherwise the capped CIT-8/O deduction in position 53.
    Decimal deductionTotal() const;

    const FormEdition& e_;
    DeclarationAmounts& a_;
};

class Cit8oRules {
public:
    Cit8oRules(const FormEdition& edition, DeclarationAmounts& amounts)
        : e_(edition), a_(amounts) {}

    // L = 10 % of the CIT-8 income (position 45 of edition (24)) minus the O-39 total.
    Decimal donationCap() const;
    // The cap of the donation fields: a value above L and above 0 becomes max0(L).
    Decimal capByDonationLimit(const Decimal& value) const;

    void deductionSum();             // 39 = 8 + ... + 36 + 38
    void lossTotal();                // 60 = the amount column of the five loss rows
    void capDonation(int position);  // 61 or 62
    void donationTotal();            // 64 = 63 + capped (61 + 62)
    void total68();                  // 68 = 64 + 60 + 65 + 67
    void total71();                  // 71 = 70 + 69
    void total83();                  // 83 = 74 + 73 + 76 + 79 + 82
    // Every CIT-8/O rule, as the attachment's recalculation applies them (no rounding).
    void applyAll();

private:
    const FormEdition& e_;
    DeclarationAmounts& a_;
};

// Whether the CIT-8/O carries amounts into the CIT-8: CIT-8 positions 47, 48, 49 and 53
// (edition 24's numbering) or, where the edition takes them from the attachment's rules, the
// attachment's O-39, O-68, O-71 and O-72 that feed them. Such a return announces its CIT-8/O.
bool cit8oCarriesAmounts(const FormEdition& edition, const store::DeclarationFields& fields);
// The CIT-8 positions the CIT-8/O feeds, in the edition's numbering (47, 48, 49, 53 in 24).
std::vector<int> cit8oFedPositions(const FormEdition& edition);

}  // namespace citforms::compute
