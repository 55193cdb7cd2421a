#include "citforms/compute/statement_computation.h"

#include "citforms/compute/form_rules.h"

namespace citforms::compute {

using values::round0;

StatementComputation::StatementComputation(const FormEdition& edition, DeclarationFields& fields,
                                           host::UtilityLibrary& utility, host::DataLibrary& data,
                                           host::UiSeam* ui, ComputationContext context)
    : edition_(edition), fields_(fields), runner_(utility, data, ui, context) {}

void StatementComputation::setCit8(int p24, const Decimal& value) {
    if (const auto p = edition_.position(p24)) fields_.setCit8(*p, value);
}

void StatementComputation::setCit8Text(int p24, const std::string& text) {
    if (const auto p = edition_.position(p24)) fields_.setCit8Text(*p, text);
}

void StatementComputation::cit8Statement(int p24, bool wholeZloty) {
    // A statement position the edition lacks runs no statement.
    if (!edition_.position(p24)) return;
    setCit8(p24, Decimal());
    const values::Result<Decimal> amount = runner_.run(edition_.statementCode(p24));
    if (!amount) {
        if (const auto p = edition_.position(p24)) {
            runner_.noteFailure("CIT-8", *p, amount.error());
        } else {
            runner_.warn(amount.error());
        }
        return;
    }
    setCit8(p24, wholeZloty ? round0(*amount) : *amount);
}

void StatementComputation::cit8oStatement(int position) {
    // A position the edition's attachment leaves to the person keeps what was typed.
    if (edition_.attachmentTypedByHand(position)) return;
    fields_.setCit8o(position, Decimal());
    if (const auto amount = runner_.field("CIT-8/O", position, "O" + std::to_string(position))) {
        fields_.setCit8o(position, *amount);
    }
}

void StatementComputation::computeCit8(bool refresh) {
    runner_.busy(true);
    runner_.reset();
    runner_.clearStatementMessages();
    const ComputationContext& context = runner_.context();
    setCit8Text(4, std::to_string(context.periodStart));
    setCit8Text(5, std::to_string(context.periodEnd));

    if (!refresh) {
        fields_.clearAttachments();
        setCit8Text(7, "1");
        setCit8(20, Decimal(2));
        setCit8(21, Decimal(2));
        setCit8(22, Decimal());
        setCit8(23, Decimal(3));
        setCit8(24, Decimal(2));
        for (int p = 25; p <= 30; ++p) setCit8(p, Decimal());
    }

    // The edition's own statement positions, as they stand: no rule of edition (24) uses them.
    for (const FormEdition::StatementPosition& s : edition_.ownStatements()) {
        fields_.setCit8(s.position, Decimal());
        if (const auto amount = runner_.field("CIT-8", s.position, s.code))
            fields_.setCit8(s.position, *amount);
    }

    Cit8Rules rules(edition_, fields_);
    for (int p : {31, 32, 33, 34}) cit8Statement(p);
    rules.revenueTotal();
    for (int p : {36, 37, 38, 39, 40}) cit8Statement(p);
    rules.incomeAndLoss();

    computeAttachment(refresh, /*standalone=*/false);

    rules.deductions();
    for (int p : {56, 57, 58}) cit8Statement(p);
    rules.taxBase();

    if (!refresh) {
        setCit8Text(66, "0");  // the year of an exempt period, typed by the person
        for (int p = 67; p <= 90; ++p) setCit8(p, Decimal());
    }
    rules.advances();
    cit8Statement(94, /*wholeZloty=*/true);
    rules.advanceBalance();

    if (!refresh) {
        for (int first : {97, 109, 121}) {
            for (int p = first; p < first + 6; ++p) setCit8(p, Decimal());
        }
        for (int p = 133; p <= 137; ++p) setCit8(p, Decimal());
        setCit8(143, Decimal());
    }
    rules.spentIncomeTax();
    cit8Statement(145, /*wholeZloty=*/true);

    if (!refresh) {
        setCit8(146, Decimal());
        for (int p : {147, 148, 150}) setCit8Text(p, "");
        setCit8Text(149, std::to_string(context.today));
    }
    runner_.busy(false);
    runner_.finish();
}

void StatementComputation::computeCit8o(bool refresh) {
    computeAttachment(refresh, true);
}

void StatementComputation::computeAttachment(bool refresh, bool standalone) {
    runner_.busy(true);
    if (standalone) {
        runner_.reset();
        runner_.clearStatementMessages();
    }

    auto cit8Text = [&](int p24) {
        const auto p = edition_.position(p24);
        return p ? fields_.cit8Text(*p) : std::string();
    };
    fields_.setCit8oText(1, cit8Text(1));
    fields_.setCit8oDay(4, runner_.context().periodStart);
    fields_.setCit8oDay(5, runner_.context().periodEnd);
    fields_.setCit8oText(6, cit8Text(8));
    fields_.setCit8oText(7, cit8Text(9));

    // An attachment edition of its own: its statements, no rule of CIT-8/O (11).
    if (!edition_.ownAttachmentStatements().empty()) {
        for (const FormEdition::StatementPosition& s : edition_.ownAttachmentStatements()) {
            fields_.setCit8o(s.position, Decimal());
            if (const auto amount = runner_.field("CIT-8/O", s.position, s.code))
                fields_.setCit8o(s.position, *amount);
        }
        runner_.busy(false);
        if (standalone) runner_.finish();
        return;
    }

    // A fresh attachment starts without the titles, decision and loss rows of whatever
    // declaration was open before; they are reset before any total is formed from them.
    if (!refresh) {
        for (int p : {37, 66, 75, 80, 81}) fields_.setCit8oText(p, "");
        for (int p : {77, 78}) fields_.setCit8oDay(p, 0);
        for (int row = 0; row < 5; ++row) {
            const int first = 40 + 4 * row;
            fields_.setCit8oText(first, "");
            for (int p = first + 1; p <= first + 3; ++p) fields_.setCit8o(p, Decimal());
        }
    }

    Cit8oRules rules(edition_, fields_);
    for (int p = 8; p <= 36; ++p) cit8oStatement(p);
    cit8oStatement(38);
    rules.deductionSum();
    rules.lossTotal();
    for (int p : {61, 62}) {
        cit8oStatement(p);
        rules.capDonation(p);
    }
    cit8oStatement(63);
    rules.donationTotal();
    cit8oStatement(65);
    cit8oStatement(67);
    rules.total68();
    cit8oStatement(69);
    cit8oStatement(70);
    rules.total71();
    for (int p : {72, 73, 74, 76, 79, 82}) cit8oStatement(p);
    rules.total83();
    for (int p = 84; p <= 91; ++p) {
        cit8oStatement(p);
        if (p == 87 || p == 88 || p == 90 || p == 91) {
            fields_.setCit8o(p, round0(fields_.cit8o(p)));
        }
    }

    runner_.busy(false);
    if (standalone) runner_.finish();
}

}  // namespace citforms::compute
