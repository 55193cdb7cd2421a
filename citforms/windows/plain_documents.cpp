#include "citforms/windows/plain_documents.h"

#include <string>

#include "citforms/documents/embedded_files.h"

namespace citforms::windows {

values::Result<host::PlainWindowDocument> builtInDialog(std::string_view name) {
    const std::string file = std::string(name) + ".dialog";
    const auto text = print::embeddedFile(file);
    if (!text) {
        return values::Result<host::PlainWindowDocument>::failure("no window document " + file);
    }
    return host::PlainWindowDocument::parse(*text, file);
}

}  // namespace citforms::windows
