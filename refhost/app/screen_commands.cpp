#include "refhost/app/screen_commands.h"

#include <QGuiApplication>

#include "citforms/shell/exports.h"
#include "citforms/values/day_number.h"
#include "citforms/values/text.h"

namespace refhost::app {

namespace ex = citforms::module::exports;

citforms::values::Result<NewOnScreen> parseNewOnScreen(const std::vector<std::string>& args) {
    using R = citforms::values::Result<NewOnScreen>;
    NewOnScreen parsed;
    for (std::size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "--date" && i + 1 < args.size()) {
            const auto day = citforms::values::parseDate(args[++i]);
            if (!day) return R::failure("new: not a date (dd-mm-yyyy): '" + args[i] + "'");
            parsed.date = *day;
            continue;
        }
        return R::failure("new: unknown argument " + args[i]);
    }
    return parsed;
}

std::string screenProblem(const std::string& command) {
    const QString platform = QGuiApplication::platformName();
    if (platform == QStringLiteral("offscreen") || platform == QStringLiteral("minimal"))
        return command + " shows windows and needs a screen (DISPLAY is not set)";
    return {};
}

int runNewOnScreen(libraries::ReferenceHost& host, const libraries::LoadedModule& module,
                   const NewOnScreen& args, std::ostream& out, std::ostream& err) {
    const auto param = module.procedureAs<ex::ParamCit2Fn>(ex::kParamCit2);
    if (param == nullptr) {
        err << "tabrix: the module has no " << ex::kParamCit2 << '\n';
        return 1;
    }
    const std::int32_t date = args.date.value_or(host.data().globals().DANE_DATA_BIEZACA);
    const std::int32_t id = param("CIT-8", date);
    if (id > 0) out << "declaration " << id << " saved\n";
    return 0;
}

int runOpenOnScreen(libraries::ReferenceHost& host, const libraries::LoadedModule& module,
                    std::int32_t id, std::ostream& out, std::ostream& err) {
    (void)out;
    auto& utility = host.utility();
    if (!utility.EXECVAY("select n.id_deklaracje_wzorzec, n.data_okresu, w.TYP from "
                         "DEKLARACJE_NAG n left join DEKLARACJE_WZORZEC w on "
                         "w.ID_DEKLARACJE_WZORZEC = n.ID_DEKLARACJE_WZORZEC where "
                         "n.id_deklaracje_nag = " +
                         std::to_string(id))) {
        err << "tabrix: Błąd SQL: " << utility.fileErrorText() << '\n';
        return 1;
    }
    citforms::host::ResultRow row;
    if (!host.data().result(citforms::host::ResultFileId::VAY_FK).next(row)) {
        err << "tabrix: no declaration " << id << '\n';
        return 1;
    }
    const auto templateId = citforms::values::parseInteger<std::int32_t>(row.column(0));
    const auto period = citforms::values::parseInteger<std::int32_t>(row.column(1));
    // A CIT-ST opens in its own window, as the desktop opens it; every return in the window
    // of its edition.
    if (citforms::values::trim(row.column(2)) == "CIT-ST") {
        const auto citSt = module.procedureAs<ex::CitStPreFn>(ex::kCitStPre);
        if (citSt == nullptr) {
            err << "tabrix: declaration " << id << " cannot be shown\n";
            return 1;
        }
        citSt(1, id);
        return 0;
    }
    const auto show = module.procedureAs<ex::DeklaracjeCitPokazFn>(ex::kDeklaracjeCitPokaz);
    if (!templateId || show == nullptr) {
        err << "tabrix: declaration " << id << " cannot be shown\n";
        return 1;
    }
    show(id, *templateId, period.value_or(0));
    return 0;
}

}  // namespace refhost::app
