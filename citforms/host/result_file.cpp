#include "citforms/host/result_file.h"

namespace citforms::host {

std::string_view resultFileName(ResultFileId id) {
    switch (id) {
        case ResultFileId::ZAPYTANIESQL: return "ZAPYTANIESQL";
        case ResultFileId::ZAPYTANIESQL1: return "ZAPYTANIESQL1";
        case ResultFileId::VAX_FK: return "VAX_FK";
        case ResultFileId::VAY_FK: return "VAY_FK";
        case ResultFileId::VAZ_FK: return "VAZ_FK";
    }
    return "";
}

std::size_t columnWidth(ResultFileId id, std::size_t index) {
    switch (id) {
        case ResultFileId::VAY_FK: return index == 0 ? 500 : 255;
        case ResultFileId::VAZ_FK: return index == 0 ? 3000 : 255;
        default: return 255;
    }
}

std::string cutToWidth(std::string_view text, std::size_t width) {
    std::size_t points = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        // A code point starts at every byte that is not a UTF-8 continuation byte.
        if ((static_cast<unsigned char>(text[i]) & 0xC0) != 0x80) {
            if (points == width) return std::string(text.substr(0, i));
            ++points;
        }
    }
    return std::string(text);
}

const std::string& ResultRow::column(std::size_t i) const {
    static const std::string kEmpty;
    return i < columns.size() ? columns[i] : kEmpty;
}

}  // namespace citforms::host
