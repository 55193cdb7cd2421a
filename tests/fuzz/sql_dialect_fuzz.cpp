// The host dialect's tokenizer and its translation for both engines.
#include <string>

#include "fuzz_input.h"
#include "refhost/sql/dialect.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace refhost::sql;
    const std::string_view sql = citforms_fuzz::text(data, size);
    if (auto tokens = tokenize(sql)) {
        std::string joined;
        for (const Token& t : *tokens) joined += t.text;
        citforms_fuzz::require(joined == sql, "tokens give the text back");
    }
    DialectOptions options;
    options.hostFunctions = {"FUNCVAY"};
    options.isTextColumn = [](std::string_view column) { return column == "NR_POLA"; };
    for (Engine engine : {Engine::SQLite, Engine::PostgreSQL}) {
        options.engine = engine;
        (void)translate(sql, options);
    }
    return 0;
}
