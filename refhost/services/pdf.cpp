#include "refhost/services/pdf.h"

#include <vector>

#include "refhost/print/output_file.h"

namespace refhost::services {

std::optional<PdfProblem> writeDeclarationPdf(libraries::ReferenceHost& host,
                                              const libraries::LoadedModule& module,
                                              std::int32_t id, std::int32_t templateId,
                                              const std::string& file, long failuresBefore) {
    using Kind = PdfProblem::Kind;
    const auto fileProblem = [&](const std::string& why) {
        return PdfProblem{Kind::File, "nie można zapisać pliku " + file + ": " + why, why};
    };
    const auto readProblem = [&](const std::string& why) {
        return PdfProblem{Kind::Read,
                          "nie udało się odczytać deklaracji " + std::to_string(id) + ": " + why,
                          why};
    };
    const std::vector<std::string> keep = host.print().protectedFiles();
    citforms::refhost::StagedOutput output;
    if (const std::string problem = output.prepare(file, keep); !problem.empty()) {
        return fileProblem(problem);
    }
    const int reported = host.errorManager().reported();
    const bool made = module.writePdf(templateId, id, output.stagingName());
    // An error of the database read on the way makes the pages incomplete: no file then. So
    // does any statement that failed on the way, even one the module showed and went on from
    // (the ORD-ZU texts, the check of the header). A read error is the cause of whatever else
    // went missing: it is named first.
    if (host.errorManager().reported() != reported) {
        return readProblem(host.errorManager().lastReport());
    }
    if (host.state().failures() != failuresBefore) {
        return readProblem(failuresBefore == 0 ? host.state().firstFailure()
                                               : host.state().lastFailure());
    }
    if (!made) {
        return PdfProblem{Kind::Incomplete, "no PDF was made of declaration " + std::to_string(id),
                          {}};
    }
    if (std::string why = output.commit(keep); !why.empty()) return fileProblem(why);
    return std::nullopt;
}

}  // namespace refhost::services
