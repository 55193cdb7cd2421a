// The books' text format, in pieces of the sizes the input's last byte picks, cut into
// lines and each line read as the import reads it.
#include "fuzz_input.h"
#include "refhost/db/book_text.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    const std::size_t piece = 1 + data[size - 1] % 64;
    const std::string_view text = citforms_fuzz::text(data, size - 1);
    (void)refhost::db::looksLikeBookText(text);
    (void)refhost::db::bookTextEncodingProblem(text.substr(0, 512));
    std::size_t lines = 0;
    refhost::db::BookTextLines reader(
        [&](std::string_view line, std::size_t number) {
            citforms_fuzz::require(number == ++lines, "lines numbered one by one");
            citforms_fuzz::require(line.find_first_of("\r\n") == std::string_view::npos,
                                   "a line without its end");
            auto record = refhost::db::parseBookTextLine(line, number == 1);
            std::string_view body = line;
            if (number == 1 && body.substr(0, 3) == "\xEF\xBB\xBF") body.remove_prefix(3);
            if (record && *record) {
                citforms_fuzz::require(!refhost::db::firstInvalidUtf8(body), "a record only of UTF-8");
            }
            (void)refhost::db::shownValue(line);
            return citforms::values::Status();
        },
        4096);
    for (std::size_t i = 0; i < text.size(); i += piece) {
        if (!reader.feed(text.substr(i, piece))) return 0;
    }
    (void)reader.finish();
    return 0;
}
