#pragma once
// The open declaration's field sets seen through DeclarationFields, for the form rules and
// the statement computation. Positions the form does not have read as 0 and are not written.
#include "citforms/compute/declaration_amounts.h"
#include "citforms/store/declaration_fields.h"

namespace citforms::compute {

class FieldSetAmounts : public DeclarationFields {
public:
    explicit FieldSetAmounts(store::DeclarationFields& fields) : f_(fields) {}

    Decimal cit8(int position) const override;
    void setCit8(int position, const Decimal& value) override;
    Decimal cit8o(int position) const override;
    void setCit8o(int position, const Decimal& value) override;
    // Loads CIT-BR attachment 1 of the announced count into the CIT-BR set and reads BR-19.
    Decimal firstCitBrRelief() override;

    std::string cit8Text(int position) const override;
    void setCit8Text(int position, const std::string& text) override;
    std::string cit8oText(int position) const override;
    void setCit8oText(int position, const std::string& text) override;
    void setCit8oDay(int position, values::DayNumber day) override;
    void clearAttachments() override;

private:
    store::DeclarationFields& f_;
};

}  // namespace citforms::compute
