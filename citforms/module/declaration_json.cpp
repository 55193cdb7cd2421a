#include "citforms/module/declaration_json.h"

#include <algorithm>
#include <nlohmann/json.hpp>

#include "citforms/module/declaration_kinds.h"
#include "citforms/store/declaration_load.h"

namespace citforms::module {

namespace {

using Json = nlohmann::ordered_json;

Json fieldsJson(const store::FieldSet& set, const store::FieldList& list) {
    Json out = Json::object();
    set.forEachValue(
        list, [&](int number, const std::string& value) { out[std::to_string(number)] = value; });
    return out;
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
    const store::FieldList* mainList =
        kind != nullptr ? store::fieldListOfForm(kind->mainForm) : nullptr;
    if (kind == nullptr || kind->load == nullptr || mainList == nullptr) {
        // Nothing of such a declaration can be read here: an id and a template alone would
        // pass for a declaration without values.
        notBuilt(host);
        return std::nullopt;
    }

    module.declaration.CIT_ID_DEKLARACJI = id;
    module.declaration.CIT_ID_WZORCA = templateId;
    store::DeclarationFields& fields = module.fields;
    kind->load(host, module.declaration, fields);
    const bool hasCitBr = std::find(kind->attachmentForms.begin(), kind->attachmentForms.end(),
                                    "citbr_1") != kind->attachmentForms.end();
    out["cit8"] = fieldsJson(fields.cit8, *mainList);
    out["cit8o"] = fieldsJson(fields.cit8o, fields.cit8o.list());
    out["ordzu"] = fieldsJson(fields.ordzu, fields.ordzu.list());
    out["citd"] = rowsJson(fields.ext);
    // A kind without CIT-BR: its list may still hold another declaration's rows.
    out["citbr"] = hasCitBr ? rowsJson(fields.extcb) : Json::array();
    // Values that could not be taken as stored are named, never passed off as read.
    if (!fields.issues.unreadable.empty()) out["unreadable"] = fields.issues.unreadable;
    if (!fields.issues.cut.empty()) out["cut"] = fields.issues.cut;
    return dump(out);
}

}  // namespace citforms::module
