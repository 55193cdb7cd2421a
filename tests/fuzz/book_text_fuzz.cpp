// The books' text format, line by line as the import reads it.
#include "fuzz_input.h"
#include "refhost/db/book_text.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text = citforms_fuzz::text(data, size);
    (void)refhost::db::looksLikeBookText(text);
    std::size_t pos = 0;
    bool first = true;
    while (pos <= text.size()) {
        std::size_t end = text.find('\n', pos);
        if (end == std::string_view::npos) end = text.size();
        (void)refhost::db::parseBookTextLine(text.substr(pos, end - pos), first);
        first = false;
        pos = end + 1;
    }
    return 0;
}
