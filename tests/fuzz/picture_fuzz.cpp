// The picture formatter: a picture on the first line, the value after it.
#include "citforms/values/picture.h"
#include "fuzz_input.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view input = citforms_fuzz::text(data, size);
    const auto cut = input.find('\n');
    const std::string_view picture = input.substr(0, cut);
    const std::string_view value =
        cut == std::string_view::npos ? std::string_view() : input.substr(cut + 1);
    (void)citforms::values::Picture::parse(picture);
    (void)citforms::values::formatPicture(picture, value, false);
    (void)citforms::values::formatPicture(picture, value, true);
    return 0;
}
