#pragma once
// PageContent: one printed page as a list of drawing primitives, in thousandths of an inch
// from the paper's top-left corner.
//
// This is what a print run captures per page and what the runtime paints onto a printer,
// a PDF writer, a previewer or an image: boxes, lines, texts and selection marks, drawn in
// list order, each over what came before. Texts stay texts (a PDF keeps them searchable).
// Plain data: no Qt, no behaviour, so the module core and the host can pass pages around.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <variant>
#include <vector>

namespace citforms::print {

// 0xRRGGBB.
using Rgb = std::uint32_t;
inline constexpr Rgb kBlack = 0x000000;
inline constexpr Rgb kWhite = 0xFFFFFF;
inline constexpr Rgb kLightGrey = 0xE3E3E3;
inline constexpr Rgb kGrey = 0xC0C0C0;

struct FontSpec {
    std::string face = "Arial";
    int points = 10;
    int weight = 400;           // 400 regular, 700 bold
    bool centralEuropean = false;
    std::optional<Rgb> colour;  // default colour (black) when absent

    bool bold() const { return weight >= 600; }
    bool operator==(const FontSpec&) const = default;
};

enum class Justify { Left, Right, Centre };

struct BoxItem {
    int x = 0, y = 0, width = 0, height = 0;
    std::optional<Rgb> border = kBlack;  // no border when absent
    std::optional<Rgb> fill;             // transparent when absent
    int pen = 7;                         // border width
    bool operator==(const BoxItem&) const = default;
};

// A straight line from x, y to x + width, y + height.
struct LineItem {
    int x = 0, y = 0, width = 0, height = 0;
    Rgb colour = kBlack;
    int pen = 7;
    bool operator==(const LineItem&) const = default;
};

// A text placed in its rectangle. Without a width the text starts at x (natural width);
// without a height its top is at y; with a height a single line is centred vertically.
// `wrap` breaks the text into lines at word boundaries within the width, from the top.
struct TextItem {
    int x = 0, y = 0;
    std::optional<int> width, height;
    std::string text;  // UTF-8
    FontSpec font;
    Justify justify = Justify::Left;
    bool wrap = false;
    // A single line longer than its width is cut to it and ends in "…", so that a cut text
    // shows that it was cut (texts printed in their field; an amount is never cut).
    bool elide = false;
    bool operator==(const TextItem&) const = default;
};

// The selection mark of a chosen answer: a cross in the square x, y, size, size.
struct MarkItem {
    int x = 0, y = 0, size = 0;
    bool operator==(const MarkItem&) const = default;
};

using PageItem = std::variant<BoxItem, LineItem, TextItem, MarkItem>;

enum class Orientation { Portrait, Landscape };

// Where a page drawing (the printed form under the values) lies among a page's items: items
// [first, first + count) are the drawing `key` stretched over x, y, width, height. The same key
// over the same rectangle is the same items on every page, so a PDF writer may write them once
// and place them on every page that uses them; painters that do not care paint the items.
struct DrawingUse {
    std::string key;
    int x = 0, y = 0, width = 0, height = 0;
    std::size_t first = 0, count = 0;
    bool operator==(const DrawingUse&) const = default;
};

struct PageContent {
    // A4: 210 x 297 mm.
    static constexpr int kA4Width = 8268;
    static constexpr int kA4Height = 11693;

    Orientation orientation = Orientation::Portrait;
    std::string title;              // print-job name of the run that made the page
    std::vector<PageItem> items;
    std::vector<DrawingUse> drawings;  // the page drawings among `items`, in item order

    int width() const { return orientation == Orientation::Portrait ? kA4Width : kA4Height; }
    int height() const { return orientation == Orientation::Portrait ? kA4Height : kA4Width; }
};

}  // namespace citforms::print
