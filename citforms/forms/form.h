#pragma once
// The form catalogue: what the module knows of each form edition, read from one data file per
// edition (citforms/forms/*.form, built into the library; the format is docs/forms.md).
//
// A form file gives every field of the edition with its value class, where the form's values
// are stored (a sheet of DEKLARACJE_POZ, numbered copies on sheets base + n, or the attachment
// texts of DEKLARACJE_ZALACZNIK), the name of its print and window variables ("V{n}O" gives
// V8O), and, for an edition that only moves the positions of a newer one, the map between
// their positions, so that the newer edition's rules apply to it.
//
//   const FormDef& f = FormCatalogue::builtIn().form("cit8_23");
//   f.field(146)->capacity;            // 255
//   f.variable(146);                   // "V146"
//   f.toNewest(59);                    // 62: the tax rate of edition (24)
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "citforms/values/result.h"

namespace citforms::forms {

enum class ValueClass {
    Text,     // text of `capacity` characters
    DayText,  // a day number held as text of `capacity` characters, stored left-aligned and
              // padded with blanks to the capacity
    Amount,   // signed decimal, 15 digits with 2 places
    Whole,    // whole złoty amount (an amount without grosze)
    Day,      // day number
    Count,    // number of attachment copies
    Choice,   // one of the listed answers ("1", "2", "3")
};

struct FieldDef {
    int number = 0;
    ValueClass cls = ValueClass::Text;
    std::size_t capacity = 255;        // characters of a text-held value
    std::vector<std::string> answers;  // Choice: the answers in form order
    std::string role;                  // what the position holds; empty when not yet described
    std::string counts;  // the name of the numbered form whose copies this field counts
    // The code of the accounting statement that fills this position ("27", "O8"), for an
    // edition whose statement positions are its own; empty otherwise.
    std::string statement;
    // The printed text of each answer of a yes/no or choice position, by the stored answer:
    // {"1", "tak"}, {"2", "nie"} (`answers="1=tak|2=nie"` in the form file).
    std::vector<std::pair<std::string, std::string>> answerTexts;
    // The text of `answer`, or nullopt when the form gives none.
    std::optional<std::string> answerText(std::string_view answer) const;
};

enum class StorageKind {
    Sheet,       // one sheet of DEKLARACJE_POZ (NR_ZALACZNIKA = sheet)
    Copies,      // numbered copies n on sheets base + n
    Attachment,  // DEKLARACJE_ZALACZNIK rows of one type
    None,        // not stored: printed from another form's values
};

struct Storage {
    StorageKind kind = StorageKind::Sheet;
    int sheet = 0;             // Sheet
    int base = 0;              // Copies: sheet of copy n is base + n
    int lastCopy = 0;          // Copies: highest copy number; 0 = no bound
    std::string type;          // Attachment: the `typ` of its rows ("ORD-ZU")
    int numberWidth = 0;       // NR_POLA written with leading zeros to this width; 0 = none
};

// A repeated group of fields: member i of occurrence k (k from 1) is position
// first + stride * (k - 1) + i - 1.
struct GroupDef {
    std::string name;
    int first = 0;
    int stride = 0;
    std::vector<FieldDef> members;  // `number` is the member index from 1
};

// Advances kept per quarter apart from the monthly ones: positions first..last, their sum.
struct QuarterRange {
    int first = 0;
    int last = 0;
    int sum = 0;
};

struct MapRange {
    int first = 0;   // this edition's positions first..last
    int last = 0;
    int newest = 0;  // the newest edition's position of `first`
};

class FormDef {
public:
    std::string id;           // the file's stem: "cit8_24"
    std::string name;         // "CIT-8", "CIT-8/O", "CIT-D", "ORD-ZU"
    std::string edition;      // "24"; empty for a form without editions
    std::string title;        // "CIT-8 (24)"
    std::vector<int> templates;   // declaration templates whose declarations carry it
    Storage storage;
    std::string variablePattern;  // "V{n}", "V{n}O", "VBR_{n}"
    std::vector<FieldDef> fields;  // ascending by number
    std::vector<GroupDef> groups;
    std::string newestId;          // the form whose positions `map` leads to; empty = none
    std::vector<MapRange> map;
    std::optional<QuarterRange> quarters;  // `quarters 83-90 sum=91`; none in most editions

    const FieldDef* field(int number) const;
    std::vector<int> numbers() const;
    // The field that gives how many copies of the numbered form `formName` ("CIT-D") the
    // declaration has; nullopt when the form counts none.
    std::optional<int> countOf(std::string_view formName) const;
    // Print and window variable of field `number`: the pattern with {n} replaced.
    std::string variable(int number) const;
    // The field whose variable is `name`; nullopt when no field of the form has it.
    std::optional<int> fieldOfVariable(std::string_view name) const;
    // Positions between this edition and the newest one; nullopt where the other edition has
    // no such position. Without a map both are the identity.
    std::optional<int> toNewest(int position) const;
    std::optional<int> fromNewest(int newestPosition) const;

    // Reads a form file; a malformed one fails with "<file>:<line>: <reason>".
    static values::Result<FormDef> parse(std::string_view text, std::string_view fileName);
};

class FormCatalogue {
public:
    // The forms built into the library. A built-in file that cannot be read is a build error
    // caught by the tests; here it aborts with its reason.
    static const FormCatalogue& builtIn();
    static values::Result<FormCatalogue> fromFiles(
        const std::vector<std::pair<std::string, std::string>>& namedTexts);

    const FormDef* find(std::string_view id) const;
    // The form of `id`; asserts that it exists (ids in code name built-in forms).
    const FormDef& form(std::string_view id) const;
    const std::vector<FormDef>& all() const { return forms_; }

private:
    std::vector<FormDef> forms_;  // sorted by id
};

}  // namespace citforms::forms
