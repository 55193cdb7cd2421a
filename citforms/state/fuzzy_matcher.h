#pragma once
// FuzzyMatcher: scores how well a typed search text matches an entry of a list (names of
// offices, addresses, branches), for pickers that find an entry as the user types.
//
// Options: 1 = ignore case (Unicode case folding, so "ŁÓDŹ" matches "łódź"); 2 = whole words
// only (every word of the query must equal a word of the entry). The module sets 1 on and 2 off.
// Scores run from 0 (no match) to 100 (the same text):
//   100          equal
//   60 to 99     the query is a part of the entry (the larger the part, the higher)
//   1 to 59      the query's characters appear in the entry in order (gaps allowed);
//                only when option 2 is off
//
//   FuzzyMatcher m; m.init(); m.setOption(FuzzyMatcher::kIgnoreCase, true);
//   m.match("urz kra", "Urząd Skarbowy Kraków");   // > 0
#include <string_view>

namespace citforms::module {

class FuzzyMatcher {
public:
    static constexpr int kIgnoreCase = 1;
    static constexpr int kWholeWords = 2;

    // Resets the options (both off).
    void init();
    void kill() { init(); }
    void setOption(int option, bool on);
    bool option(int option) const;

    int match(std::string_view query, std::string_view entry) const;

private:
    bool ignoreCase_ = false;
    bool wholeWords_ = false;
};

}  // namespace citforms::module
