#pragma once
// DisplayStrings: the texts of the print pipeline's dialogs, read from "CPCSRPTS.INI".
//
// The file lies in the host's program folder (GGG:PROGRAMPATH), section "DISPLAY STRINGS 2.0";
// a missing file or key keeps the default below. In message texts "|" is a line break; in
// button lists it separates the buttons, "&" marks the access key.
//
//   DisplayStrings s = DisplayStrings::load(globals.GGG_PROGRAMPATH);
//   ui.message({s.cancelAreYouSureTitle, s.cancelAreYouSureText, s.buttonYesNo, ...});
#include <string>

namespace citforms::print {

struct DisplayStrings {
    static constexpr const char* kFileName = "CPCSRPTS.INI";
    static constexpr const char* kSection = "DISPLAY STRINGS 2.0";

    std::string progWinTitlePrvw = "Generating Report";
    std::string progWinTitlePrnt = "Printing Report";
    std::string progWinPctText = "% Completed";
    std::string progWinUsrText;  // the print procedures pass an empty text
    std::string cancelAreYouSureTitle = "Question";
    std::string cancelAreYouSureText = "Are you sure you want to CANCEL this Report?";
    std::string nothingToPrvwTitle = "NOTE...";
    std::string nothingToPrvwText = "Nothing to Preview.";
    std::string nothingToPrntTitle = "NOTE...";
    std::string nothingToPrntText = "Nothing to Print.";
    std::string buttonYesNo = "&Yes|&No";
    std::string buttonOk = "&Ok";

    // The defaults overridden by the keys of `folder`/CPCSRPTS.INI.
    static DisplayStrings load(const std::string& folder);
};

}  // namespace citforms::print
