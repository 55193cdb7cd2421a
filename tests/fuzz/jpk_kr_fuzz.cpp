// JPK_KR files, streamed with and without the schema (the first byte chooses), into a sink
// that takes everything.
#include "fuzz_input.h"
#include "refhost/db/jpk_kr_reader.h"

namespace {

class Everything : public refhost::db::JpkKrSink {
public:
    citforms::values::Status header(const refhost::db::JpkKrHeader& h) override {
        citforms_fuzz::require(h.from <= h.to, "a period that is not empty");
        return {};
    }
    citforms::values::Status account(const refhost::db::JpkKrAccount&) override { return {}; }
    citforms::values::Status posting(const refhost::db::JpkKrPosting& p) override {
        citforms_fuzz::require(!p.debit.account.empty() || p.debit.amount == 0, "debit side");
        return {};
    }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    Everything sink;
    refhost::db::JpkKrOptions options;
    options.validate = (data[0] & 1) != 0;
    (void)refhost::db::readJpkKr(
        refhost::db::JpkKrSource::memory("fuzz.xml", citforms_fuzz::text(data + 1, size - 1)),
        sink, options);
    return 0;
}
