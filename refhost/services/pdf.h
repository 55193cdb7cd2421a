#pragma once
// A stored declaration with its attachments as one PDF file, through the loaded module
// (ZAPISZ_CIT8_DO_PDF; a CIT-2 from its print procedures), for the command line's `pdf`, the
// batch and the desktop's "Zapisz jako PDF" and e-mail.
//
//   if (auto problem = writeDeclarationPdf(host, module, id, templateId, file)) show(*problem);
//
// The pages go into a file beside `file`, which takes its name only when the whole PDF was
// made and nothing failed on the way: a failure leaves what the file held before.
#include <cstdint>
#include <optional>
#include <string>

#include "refhost/libraries/module_loader.h"
#include "refhost/libraries/reference_host.h"

namespace refhost::services {

struct PdfProblem {
    enum class Kind {
        File,        // the file cannot be written there (`detail`: why)
        Read,        // a read of the database failed on the way (`detail`: the engine's text)
        Incomplete,  // the module made no whole PDF
    };
    Kind kind = Kind::Incomplete;
    std::string text;    // the whole reason, as the command line prints it
    std::string detail;
};

// nullopt when written. A statement that failed since `failuresBefore` (the failures of the
// process before this work) or an error the module reported on the way is a read problem,
// named before anything else that went missing.
std::optional<PdfProblem> writeDeclarationPdf(libraries::ReferenceHost& host,
                                              const libraries::LoadedModule& module,
                                              std::int32_t id, std::int32_t templateId,
                                              const std::string& file, long failuresBefore = 0);

}  // namespace refhost::services
