#include "citforms/print/declaration_variables.h"

#include <charconv>

namespace citforms::print {

namespace {

std::optional<int> number(std::string_view digits) {
    int n = 0;
    if (digits.empty() || digits.front() == '0') return std::nullopt;
    auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), n);
    if (ec != std::errc() || end != digits.data() + digits.size()) return std::nullopt;
    return n;
}

std::optional<std::string> stored(const store::FieldSet& set, std::optional<int> n) {
    if (!n || !set.has(*n)) return std::nullopt;
    return set.stored(*n);
}

}  // namespace

std::optional<std::string> DeclarationVariables::value(std::string_view name) const {
    if (name == "GGG:PRN_UPO_INFO_1") return globals_->GGG_PRN_UPO_INFO_1;
    if (name == "GGG:PRN_UPO_INFO_2") return globals_->GGG_PRN_UPO_INFO_2;
    if (name.starts_with("VBR_")) return stored(fields_->citbr, number(name.substr(4)));
    if (!name.starts_with("V") || name.size() < 2) return std::nullopt;
    std::string_view rest = name.substr(1);
    if (rest.ends_with("O")) return stored(fields_->cit8o, number(rest.substr(0, rest.size() - 1)));
    if (rest.ends_with("U")) return stored(fields_->ordzu, number(rest.substr(0, rest.size() - 1)));
    return stored(fields_->cit8, number(rest));
}

}  // namespace citforms::print
