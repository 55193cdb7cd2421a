#pragma once
// What the pre-filing check of a declaration finds: one list of items, each an error (the
// return would be wrong or refused) or a warning (worth a look before signing), with the form
// and its positions and a Polish text for the person. The same values travel between the
// module and a host as JSON (toJson / fromJson), so that a host that loads the module reads
// them back without any code of the module's own.
//
//   {"id":2,"template":73,"checked":true,"note":"",
//    "items":[{"severity":"error","form":"CIT-8","copy":0,"positions":[52],
//              "text":"Poz. 52: wpisano 1 000,00, z wyliczenia wynika 1 200,00"}]}
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

namespace citforms::check {

enum class Severity { Error, Warning };

struct CheckItem {
    Severity severity = Severity::Error;
    std::string form;            // "CIT-8", "CIT-8/O", "CIT-BR", "CIT-D", "ORD-ZU", "CIT-ST"
    int copy = 0;                // the copy of a numbered attachment (CIT-BR 2); 0: none
    std::vector<int> positions;  // the form's own position numbers; may be empty
    std::string text;

    bool operator==(const CheckItem&) const = default;
};

struct CheckResult {
    std::int32_t declarationId = 0;
    std::int32_t templateId = 0;
    // False for a kind the check does not cover (the CIT-2 editions typed by hand): `note`
    // says so and the items
    // hold only what was checked of it (nothing).
    bool checked = true;
    std::string note;
    std::vector<CheckItem> items;

    int errors() const {
        int n = 0;
        for (const CheckItem& i : items) n += i.severity == Severity::Error ? 1 : 0;
        return n;
    }
    int warnings() const { return static_cast<int>(items.size()) - errors(); }
};

// The form an item names, with the copy of a numbered attachment: "CIT-8", "CIT-BR nr 2".
inline std::string formOf(const CheckItem& item) {
    return item.copy > 0 ? item.form + " nr " + std::to_string(item.copy) : item.form;
}

inline const char* severityName(Severity s) {
    return s == Severity::Error ? "error" : "warning";
}

using Json = nlohmann::ordered_json;

inline Json toJson(const CheckItem& item) {
    return Json{{"severity", severityName(item.severity)},
                {"form", item.form},
                {"copy", item.copy},
                {"positions", item.positions},
                {"text", item.text}};
}

inline Json toJson(const CheckResult& result) {
    Json items = Json::array();
    for (const CheckItem& item : result.items) items.push_back(toJson(item));
    return Json{{"id", result.declarationId}, {"template", result.templateId},
                {"checked", result.checked},  {"note", result.note},
                {"errors", result.errors()},  {"warnings", result.warnings()},
                {"items", std::move(items)}};
}

// nullopt for JSON that is not a result as toJson writes it.
inline std::optional<CheckResult> fromJson(const Json& json) {
    try {
        CheckResult r;
        r.declarationId = json.at("id").get<std::int32_t>();
        r.templateId = json.at("template").get<std::int32_t>();
        r.checked = json.at("checked").get<bool>();
        r.note = json.at("note").get<std::string>();
        for (const Json& i : json.at("items")) {
            CheckItem item;
            const std::string severity = i.at("severity").get<std::string>();
            if (severity != "error" && severity != "warning") return std::nullopt;
            item.severity = severity == "error" ? Severity::Error : Severity::Warning;
            item.form = i.at("form").get<std::string>();
            item.copy = i.at("copy").get<int>();
            item.positions = i.at("positions").get<std::vector<int>>();
            item.text = i.at("text").get<std::string>();
            r.items.push_back(std::move(item));
        }
        return r;
    } catch (const nlohmann::json::exception&) {
        return std::nullopt;
    }
}

}  // namespace citforms::check
