#include "citforms/compute/citbr_rules.h"

#include "citforms/values/text.h"

namespace citforms::compute {

using values::Decimal;

namespace {

Decimal amountIn(const store::FieldSet& set, int field) {
    return set.has(field) ? set[field].decimal() : Decimal(0);
}

}  // namespace

Decimal citBrSum16(const store::FieldSet& f) {
    return amountIn(f, 13) + amountIn(f, 12) + amountIn(f, 14) + amountIn(f, 15);
}

Decimal citBrSum19(const store::FieldSet& f) {
    return amountIn(f, 17) + amountIn(f, 11) + amountIn(f, 18);
}

std::vector<CitBrFinding> citBrLimits(const store::FieldSet& f, int copy) {
    std::vector<CitBrFinding> out;
    const Decimal f10 = amountIn(f, 10);
    const Decimal f16 = amountIn(f, 16);
    const Decimal f17 = amountIn(f, 17);
    const std::string kind(f.has(9) ? values::trim(f[9].text()) : std::string_view());
    if (amountIn(f, 11) > Decimal::parse("0.3").value() * f10)
        out.push_back({{11, 10}, "Kwota z pozycji 11 nie może przekroczyć 30% kwoty z poz.10"});
    if (kind == "1" && f17 > Decimal::parse("0.2").value() * f16)
        out.push_back({{17, 16},
                       "Jeżeli w pozycji 9, zaznaczona jest opcja nr 1, to kwota z pozycji "
                       "17 nie może przekroczyć 20% kwoty z poz.16"});
    if (kind == "2" && f17 > Decimal::parse("0.1").value() * f16)
        out.push_back({{17, 16},
                       "Jeżeli w pozycji 9, zaznaczona jest opcja nr 2, to kwota z pozycji "
                       "17 nie może przekroczyć 10% kwoty z poz.16"});
    if (copy > 1) {
        Decimal sum;
        for (int n = 10; n <= 20; ++n) sum += amountIn(f, n);
        if (sum != Decimal(0))
            out.push_back({{10}, "W kolejnych załącznikach CIT-BR wypełnia się tylko część D."});
    }
    return out;
}

}  // namespace citforms::compute
