#pragma once
// Layout: the printed form of one print procedure, read from its layout document.
//
// A layout is one report record, its bands in order and the controls of each band in
// declaration order, plus the small progress window shown while the report is generated.
// Coordinates are integers in the report's units (thousandths of an inch or millimetres),
// relative to the band's top-left corner. Control numbers are counted over the whole report
// in document order, bands included, starting at 1: the print procedures address bands and
// controls by these numbers, so they are never stored in the document.
//
//   Result<Layout> layout = Layout::parse(text, "CIT_8_Prn_73.layout");
//   if (!layout) report(layout.error());          // "CIT_8_Prn_73.layout:12: ..."
//   const Band* page2 = layout->band(44);
//
// A Layout is immutable once parsed; what a print run changes (origin, title, hidden
// controls) lives in ReportRun (report_run.h). The document syntax is in docs/layouts.md.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "citforms/documents/page_content.h"
#include "citforms/values/result.h"

namespace citforms::print {

enum class Units { Thousandths, Millimetres };

// Position and size; an absent width or height means the natural size of the content.
struct Rect {
    int x = 0;
    int y = 0;
    std::optional<int> width;
    std::optional<int> height;
};

// Type of the print variable a control shows.
struct VariableType {
    enum class Kind { Text, Decimal };
    Kind kind = Kind::Text;
    int length = 255;  // characters of a text; digits of a decimal (15, with 2 places)
    bool operator==(const VariableType&) const = default;
};

enum class ControlKind {
    Image,      // a page image (page drawing) stretched over its rectangle
    Field,      // a bound variable formatted by its picture
    String,     // a literal text
    Option,     // groups radios and holds their variable; prints nothing itself
    Radio,      // the mark printed when the option's variable equals the radio's value
    Box,        // rectangle with border and fill colour
    Line,       // straight line from x, y over width, height
    MultiLine,  // a bound text wrapped within its rectangle
};

struct Control {
    int number = 0;
    std::string name;   // the control's label: "V1", "IMAGE1", "V20:RADIO10"
    ControlKind kind = ControlKind::Field;
    Rect at;
    std::string variable;  // Field, Option, MultiLine
    VariableType type;
    std::string picture;   // Field: display picture ("s255", "N-19_`2", "D6-")
    std::string text;      // String: the text; Image: image file name; Radio: its value
    std::optional<FontSpec> font;  // the band's font when absent
    Justify justify = Justify::Left;
    bool transparent = false;
    Rgb border = kBlack;   // Box
    Rgb fill = kWhite;     // Box; Line colour is `border`
    int option = 0;        // Radio: number of its option control
    int line = 0;          // line of the document, for messages
};

enum class BandKind { Page, Header, Footer, Form };

struct Band {
    int number = 0;
    BandKind kind = BandKind::Page;
    std::string name;      // "STRONA1", ...
    Rect at;               // position; page bands sit at 0, 0
    int height = 0;
    bool landscape = false;        // the page is printed across (orientation=landscape)
    std::optional<FontSpec> font;  // the report's font when absent
    std::vector<Control> controls;
    int line = 0;
};

enum class ProgressControlKind { Bar, Busy, Label, Button };

struct ProgressControl {
    int number = 0;        // counted from 1 within the progress window
    std::string name;
    ProgressControlKind kind = ProgressControlKind::Label;
    Rect at;               // dialog units
    std::string text;
    Justify justify = Justify::Left;
    bool transparent = false;
    int rangeLow = 0;      // Bar
    int rangeHigh = 100;
};

struct ProgressWindow {
    std::string title = "Progress...";
    int width = 0;         // dialog units
    int height = 0;
    FontSpec font;
    std::vector<ProgressControl> controls;

    const ProgressControl* control(std::string_view name) const;
};

struct ReportRecord {
    std::string name;      // the print procedure's name
    std::string paper = "A4";
    Units units = Units::Thousandths;
    Rect area;             // x, y = left and top margin; width, height of the printable area
    FontSpec font;
    std::string title;     // print-job name; empty when the layout has none
};

class Layout {
public:
    // Parses a layout document; `fileName` only names the document in error messages.
    static values::Result<Layout> parse(std::string_view text, std::string_view fileName);

    const ReportRecord& report() const { return report_; }
    const std::vector<Band>& bands() const { return bands_; }
    const std::optional<ProgressWindow>& progress() const { return progress_; }

    // The band with this control number, or nullptr.
    const Band* band(int number) const;
    // The control (not a band) with this number, or nullptr.
    const Control* control(int number) const;
    // The band that holds control `number`, or nullptr.
    const Band* bandOf(int number) const;
    // First control with this label, or nullptr.
    const Control* controlNamed(std::string_view name) const;
    // Numbers of the page bands, in document order.
    std::vector<int> pageBands() const;
    // Highest control number in use (the last band's last control).
    int lastNumber() const;

    // Font a control prints in: its own, else its band's, else the report's.
    FontSpec fontOf(const Band& band, const Control& control) const;

private:
    ReportRecord report_;
    std::optional<ProgressWindow> progress_;
    std::vector<Band> bands_;
};

}  // namespace citforms::print
