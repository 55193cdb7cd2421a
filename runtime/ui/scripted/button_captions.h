#pragma once
// Button sets of the module's message boxes, written as one text: captions joined by "|",
// "&" before the accelerator letter and "&&" for a literal ampersand.
//
//   splitButtons("&Tak|&Nie")   -> {"&Tak", "&Nie"}
//   plainCaption("&Zapisz")     -> "Zapisz"
//   findButton({"&Tak", "&Nie"}, "nie") -> 2
#include <string>
#include <string_view>
#include <vector>

namespace citforms::runtime {

// The captions in order, accelerators kept. Empty captions are dropped; an empty or blank
// set gives {"&OK"} so that every box can be closed.
std::vector<std::string> splitButtons(std::string_view buttons);

// The caption as shown: single "&" removed, "&&" turned into "&".
std::string plainCaption(std::string_view caption);

// 1-based number of the caption equal to `wanted` (with or without its "&", letters compared
// without regard to ASCII case); 0 when none matches.
int findButton(const std::vector<std::string>& captions, std::string_view wanted);

}  // namespace citforms::runtime
