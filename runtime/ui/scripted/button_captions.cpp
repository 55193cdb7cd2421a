#include "runtime/ui/scripted/button_captions.h"

#include <algorithm>
#include <cctype>

namespace citforms::runtime {

namespace {

bool isBlank(std::string_view s) {
    return std::all_of(s.begin(), s.end(),
                       [](char c) { return std::isspace(static_cast<unsigned char>(c)); });
}

bool sameLetters(std::string_view a, std::string_view b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
        return std::tolower(static_cast<unsigned char>(x)) ==
               std::tolower(static_cast<unsigned char>(y));
    });
}

}  // namespace

std::vector<std::string> splitButtons(std::string_view buttons) {
    std::vector<std::string> captions;
    std::size_t start = 0;
    while (start <= buttons.size()) {
        std::size_t bar = buttons.find('|', start);
        if (bar == std::string_view::npos) bar = buttons.size();
        std::string_view caption = buttons.substr(start, bar - start);
        if (!isBlank(caption)) captions.emplace_back(caption);
        start = bar + 1;
    }
    if (captions.empty()) captions.emplace_back("&OK");
    return captions;
}

std::string plainCaption(std::string_view caption) {
    std::string plain;
    plain.reserve(caption.size());
    for (std::size_t i = 0; i < caption.size(); ++i) {
        if (caption[i] == '&') {
            if (i + 1 < caption.size() && caption[i + 1] == '&') {
                plain += '&';
                ++i;
            }
            continue;
        }
        plain += caption[i];
    }
    return plain;
}

int findButton(const std::vector<std::string>& captions, std::string_view wanted) {
    const std::string wantedPlain = plainCaption(wanted);
    for (std::size_t i = 0; i < captions.size(); ++i) {
        if (sameLetters(captions[i], wanted) || sameLetters(plainCaption(captions[i]), wantedPlain))
            return static_cast<int>(i) + 1;
    }
    return 0;
}

}  // namespace citforms::runtime
