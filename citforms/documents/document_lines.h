#pragma once
// The line syntax shared by the layout documents and the page drawings.
//
// One record per line: a keyword, optional bare words, then attributes `key=value`.
// A value with blanks is quoted ("..."), with \" and \\ inside quotes; a token that starts
// with # begins a comment that runs to the end of the line. Blank lines are skipped.
//
//   field V31 at=5729,802,1250,208 picture="N-19_`2" justify=right
//
// The helpers below read the pieces that both formats use (numbers, rectangles, fonts,
// colours) and say what is wrong in words; the caller adds the file and line.
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "citforms/documents/layout.h"
#include "citforms/values/result.h"

namespace citforms::print::doc {

struct Record {
    int line = 0;
    std::string keyword;
    std::vector<std::string> words;             // bare words after the keyword
    std::map<std::string, std::string> attrs;   // key -> value
};

// Splits a document into records; a quoting error or a repeated attribute fails with
// "<file>:<line>: <reason>".
values::Result<std::vector<Record>> splitRecords(std::string_view text,
                                                 std::string_view fileName);

// Readers of attribute values; each fails with a reason naming what was expected.
values::Result<int> readInt(std::string_view text);
values::Result<std::vector<std::optional<int>>> readInts(std::string_view text,
                                                         bool allowNatural);
// "x,y" or "x,y,w,h" with "-" for a natural width or height.
values::Result<Rect> readRect(std::string_view text, bool requireSize);
// "Face,points,weight[,ce][,#RRGGBB]"; weight is 400, 700, regular or bold.
values::Result<FontSpec> readFont(std::string_view text);
// "#RRGGBB".
values::Result<Rgb> readColour(std::string_view text);
values::Result<Justify> readJustify(std::string_view text);

// Helper that checks a record's attributes against the keys its keyword allows.
class AttributeReader {
public:
    AttributeReader(const Record& record, std::string_view fileName);

    // Value of an attribute the record must carry.
    values::Result<std::string> required(const std::string& key);
    std::optional<std::string> optional(const std::string& key);
    // Fails when an attribute was left unread (a misspelt or unknown key).
    values::Status finish() const;
    // "<file>:<line>: <message>".
    std::string where(std::string_view message) const;
    values::Error error(std::string_view message) const { return {where(message)}; }

private:
    const Record& record_;
    std::string fileName_;
    std::map<std::string, bool> used_;
};

}  // namespace citforms::print::doc
