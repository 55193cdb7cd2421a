#include "citforms/module/declaration_json.h"

#include <algorithm>
#include <cctype>
#include <nlohmann/json.hpp>

#include "citforms/citst/cit_st.h"
#include "citforms/forms/form.h"
#include "citforms/module/declaration_kinds.h"
#include "citforms/store/correction_links.h"
#include "citforms/store/declaration_load.h"

namespace citforms::module {

namespace {

using Json = nlohmann::ordered_json;

Json fieldsJson(const store::FieldSet& set) {
    Json out = Json::object();
    set.forEachValue(set.list(), [&](int number, const std::string& value) {
        out[std::to_string(number)] = value;
    });
    return out;
}

// The key of a form in the dump: its name in lower case without punctuation ("CIT-8/O" gives
// "cit8o").
std::string keyOf(std::string_view formName) {
    std::string key;
    for (char c : formName) {
        if (std::isalnum(static_cast<unsigned char>(c))) {
            key += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        }
    }
    return key;
}

Json rowsJson(const store::AttachmentRows& rows) {
    Json out = Json::array();
    for (const store::AttachmentRow& row : rows.rows()) {
        out.push_back(Json::array({row.ext_nr_zalacznika, row.ext_nr_pola, row.ext_wartosc}));
    }
    return out;
}

// Stored text that is not valid UTF-8 must not make the whole export fail.
std::string dump(const Json& json) {
    return json.dump(-1, ' ', false, Json::error_handler_t::replace);
}

}  // namespace

std::optional<std::string> declarationJson(ModuleState& module, std::int32_t id) {
    const host::HostBinding& host = module.host();
    if (!module.hostBound()) return std::nullopt;
    host::UtilityLibrary& utility = *host.utility;
    if (!utility.EXECVAX("select id_deklaracje_wzorzec from DEKLARACJE_NAG where "
                         "id_deklaracje_nag = " +
                         std::to_string(id))) {
        utility.MSG_OST(utility.fileErrorText());
        return std::nullopt;
    }
    host::ResultRow header;
    if (!host.data->result(host::ResultFileId::VAX_FK).next(header)) return std::nullopt;
    const std::int32_t templateId = store::parseStoredNumber(header.column(0)).value_or(0);

    Json out = {{"id", id}, {"template", templateId}};
    const DeclarationKind* kind = declarationKind(templateId);
    if (kind == nullptr || kind->load == nullptr) {
        // Nothing of such a declaration can be read here: an id and a template alone would
        // pass for a declaration without values.
        notBuilt(host);
        return std::nullopt;
    }

    module.declaration.CIT_ID_DEKLARACJI = id;
    module.declaration.CIT_ID_WZORCA = templateId;
    module.declaration.CIT_ID_WZORCA_CIT2 = templateId;
    store::DeclarationFields& fields = module.fields;
    kind->load(host, module.declaration, fields);
    // Every form the kind carries, in storage order: fields by number, numbered copies as
    // [copy, field, value] rows.
    for (const store::HeldForm& held : fields.forms()) {
        // A form printed from the others' values (CIT-STA) holds nothing of its own.
        if (held.def->storage.kind == forms::StorageKind::None) continue;
        out[keyOf(held.def->name)] = held.numbered() ? rowsJson(held.copies) : fieldsJson(held.set);
    }
    // The branches of a CIT-ST: per branch its stored members, keyed by the form file's roles.
    if (kind->family == "CIT-ST") {
        const forms::GroupDef& group = forms::FormCatalogue::builtIn().form(kind->mainForm).groups.at(0);
        Json branches = Json::array();
        for (const store::CitStBranch& b : module.ODDZIALY_CIT_ST) {
            Json branch = Json::object();
            for (const forms::FieldDef& member : group.members) {
                branch[member.role] = citst::branchValue(b, member.number);
            }
            branches.push_back(std::move(branch));
        }
        out["oddzialy"] = std::move(branches);
    }
    // The return this one corrects and the correction of this one, where there are.
    const std::optional<std::int32_t> of = store::correctionOf(host, id);
    const std::optional<std::int32_t> by = store::correctedBy(host, id);
    if (!of || !by) {
        utility.MSG_OST(utility.fileErrorText());
        return std::nullopt;
    }
    if (*of != 0) out["correction_of"] = *of;
    if (*by != 0) out["corrected_by"] = *by;
    // Values that could not be taken as stored are named, never passed off as read.
    if (!fields.issues.unreadable.empty()) out["unreadable"] = fields.issues.unreadable;
    if (!fields.issues.cut.empty()) out["cut"] = fields.issues.cut;
    if (!fields.issues.ignored.empty()) out["ignored"] = fields.issues.ignored;
    return dump(out);
}

}  // namespace citforms::module
