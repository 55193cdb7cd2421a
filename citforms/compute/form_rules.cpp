#include "citforms/compute/form_rules.h"

#include <array>
#include <optional>
#include <utility>
#include <vector>

namespace citforms::compute {

using values::max0;
using values::round0;

namespace {

const Decimal kHundred(100);

Decimal percentOf(const Decimal& rate, const Decimal& base) {
    return rate * base / kHundred;
}

}  // namespace

Decimal Cit8Rules::get(int p24) const {
    const auto p = e_.position(p24);
    return p ? a_.cit8(*p) : Decimal();
}

void Cit8Rules::set(int p24, const Decimal& v) {
    if (const auto p = e_.position(p24)) a_.setCit8(*p, v);
}

void Cit8Rules::revenueTotal() {
    set(35, get(31) + get(32) + get(33) + get(34));
}

void Cit8Rules::incomeAndLoss() {
    set(41, get(36) + get(37) + get(38) + get(39) + get(40));
    const Decimal revenue = get(35);
    const Decimal costs = get(41);
    set(42, max0(revenue - costs));
    set(43, max0(costs - revenue));

    const Decimal loss = get(43);
    const Decimal lossAbroad = get(44);  // typed by the person; no rule
    Decimal income;
    if (loss.isZero()) {
        income = get(42) + lossAbroad;
    } else if (lossAbroad > loss) {
        income = lossAbroad - loss;
    }
    set(45, income);
    set(46, loss > Decimal() && loss > lossAbroad ? loss - lossAbroad : Decimal());
}

void Cit8Rules::deductions() {
    const Decimal income = get(45);
    set(47, a_.cit8o(39));

    // Caps work downwards only; a negative result then becomes 0.
    Decimal d48 = a_.cit8o(68);
    if (d48 > income - get(47)) d48 = income - get(47);
    set(48, max0(d48));

    Decimal d49 = a_.cit8o(71);
    if (d49 > income - (get(48) + get(47))) d49 = income - (get(48) + get(47));
    set(49, max0(d49));

    set(50, get(48) + get(47) + get(49));
    set(51, income > Decimal() ? max0(income - get(50)) : Decimal());
    set(52, max0(get(50) + get(46) - income));

    if (e_.position(55)) {
        set(53, a_.cit8o(72));
        set(54, get(28) > Decimal() ? a_.firstCitBrRelief() : Decimal());
        Decimal total = get(54) + get(53);
        if (total > get(51)) total = get(51);
        set(55, total);
    } else {
        // Edition (23) has a single deduction position, capped by the income like the total.
        Decimal d53 = a_.cit8o(72);
        if (d53 > get(51)) d53 = get(51);
        set(53, d53);
    }
}

Decimal Cit8Rules::deductionTotal() const {
    return e_.position(55) ? get(55) : get(53);
}

void Cit8Rules::taxBase() {
    set(59, get(57) + get(56) + get(58));
    const Decimal income = get(51);
    const Decimal lossAfter = get(52);
    const Decimal lost = get(59);
    Decimal base;
    if (income > Decimal()) {
        base = income - deductionTotal() + lost;
    } else if (income.isZero() && lossAfter < lost) {
        base = lost - lossAfter;
    }
    set(60, round0(max0(base)));
    set(61, max0((deductionTotal() + lossAfter) - (lost + income)));

    set(62, Decimal(kCitRatePercent));
    const Decimal tax = percentOf(get(62), get(60));  // keeps its grosze
    set(63, tax);
    Decimal reliefs = a_.cit8o(83);
    if (reliefs > get(63)) reliefs = get(63);
    set(64, reliefs);
    set(65, round0(get(63) - get(64)));
}

void Cit8Rules::advances() {
    Decimal sum;
    for (int p = 68; p <= 90; ++p) sum += get(p);
    set(91, sum);
    // An edition that keeps its quarterly advances apart sums them apart (edition 21: 91).
    if (const FormEdition::QuarterlyAdvances& q = e_.quarterlyAdvances(); q.first != 0) {
        Decimal quarters;
        for (int p = q.first; p < q.first + q.count; ++p) quarters += a_.cit8(p);
        a_.setCit8(q.sum, quarters);
    }
    const Decimal due = get(67) + get(65);
    set(92, max0(due - get(91)));
    set(93, max0(get(91) - due));
}

void Cit8Rules::advanceBalance() {
    const Decimal due = get(67) + get(65);
    set(95, max0(due - get(94)));
    set(96, max0(get(94) - due));
}

void Cit8Rules::spentIncomeTax() {
    // Tax on spent income: each amount row has its tax row at a fixed distance.
    struct Block {
        int firstAmount, lastAmount, firstTax;
    };
    static constexpr std::array<Block, 5> kBlocks{
        {{97, 102, 103}, {109, 114, 115}, {121, 126, 127}, {133, 137, 138}, {143, 143, 144}}};
    const Decimal rate = get(62);
    for (const Block& b : kBlocks) {
        for (int p = b.firstAmount; p <= b.lastAmount; ++p) {
            set(b.firstTax + (p - b.firstAmount), round0(percentOf(rate, get(p))));
        }
    }
}

void Cit8Rules::applyAll() {
    revenueTotal();
    incomeAndLoss();
    deductions();
    taxBase();
    advances();
    advanceBalance();
    spentIncomeTax();
}

Decimal Cit8oRules::donationCap() const {
    const auto incomePosition = e_.position(45);
    const Decimal income = incomePosition ? a_.cit8(*incomePosition) : Decimal();
    return Decimal(10) * income / kHundred - a_.cit8o(39);
}

Decimal Cit8oRules::capByDonationLimit(const Decimal& value) const {
    const Decimal cap = donationCap();
    if (value > cap && value > Decimal()) return max0(cap);
    return value;
}

void Cit8oRules::deductionSum() {
    Decimal sum;
    for (int p = 8; p <= 36; ++p) sum += a_.cit8o(p);
    sum += a_.cit8o(38);
    a_.setCit8o(39, sum);
}

void Cit8oRules::lossTotal() {
    a_.setCit8o(60, a_.cit8o(43) + a_.cit8o(47) + a_.cit8o(51) + a_.cit8o(55) + a_.cit8o(59));
}

void Cit8oRules::capDonation(int position) {
    a_.setCit8o(position, capByDonationLimit(a_.cit8o(position)));
}

void Cit8oRules::donationTotal() {
    a_.setCit8o(64, a_.cit8o(63) + capByDonationLimit(a_.cit8o(61) + a_.cit8o(62)));
}

void Cit8oRules::total68() {
    a_.setCit8o(68, a_.cit8o(64) + a_.cit8o(60) + a_.cit8o(65) + a_.cit8o(67));
}

void Cit8oRules::total71() {
    a_.setCit8o(71, a_.cit8o(70) + a_.cit8o(69));
}

void Cit8oRules::total83() {
    a_.setCit8o(83, a_.cit8o(74) + a_.cit8o(73) + a_.cit8o(76) + a_.cit8o(79) + a_.cit8o(82));
}

void Cit8oRules::applyAll() {
    deductionSum();
    lossTotal();
    capDonation(61);
    capDonation(62);
    donationTotal();
    total68();
    total71();
    total83();
}

namespace {
constexpr std::array<std::pair<int, int>, 4> kCit8oFeeds{
    {{47, 39}, {48, 68}, {49, 71}, {53, 72}}};
}  // namespace

std::vector<int> cit8oFedPositions(const FormEdition& edition) {
    std::vector<int> fed;
    for (const auto& [p24, o] : kCit8oFeeds) {
        if (const std::optional<int> p = edition.position(p24)) fed.push_back(*p);
    }
    return fed;
}

bool cit8oCarriesAmounts(const FormEdition& edition, const store::DeclarationFields& fields) {
    const store::FieldSet& main = fields.main();
    const store::HeldForm* attachment = fields.find("CIT-8/O");
    for (const auto& [p24, o] : kCit8oFeeds) {
        const std::optional<int> p = edition.position(p24);
        if (!p) continue;
        if (main.has(*p) && !main[*p].decimal().isZero()) return true;
        if (edition.ownAttachmentStatements().empty() && attachment != nullptr &&
            attachment->set.has(o) && !attachment->set[o].decimal().isZero())
            return true;
    }
    return false;
}

}  // namespace citforms::compute
