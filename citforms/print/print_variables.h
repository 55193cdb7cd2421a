#pragma once
// PrintVariables: where a layout's bound controls read their values when a band is printed.
//
// Values are the fields' stored text forms ("1234.50" for an amount, day digits for a date,
// the text itself), or nullopt for a variable the source does not have. The module's field
// sets answer through an adapter; tests and small prints use MapVariables.
#include <map>
#include <optional>
#include <string>
#include <string_view>

namespace citforms::print {

class PrintVariables {
public:
    virtual ~PrintVariables() = default;
    virtual std::optional<std::string> value(std::string_view name) const = 0;
};

class MapVariables : public PrintVariables {
public:
    MapVariables() = default;
    MapVariables(std::initializer_list<std::pair<const std::string, std::string>> values)
        : values_(values) {}

    void set(std::string name, std::string value) { values_[std::move(name)] = std::move(value); }
    std::optional<std::string> value(std::string_view name) const override {
        auto it = values_.find(std::string(name));
        if (it == values_.end()) return std::nullopt;
        return it->second;
    }

private:
    std::map<std::string, std::string> values_;
};

}  // namespace citforms::print
