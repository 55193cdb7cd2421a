#pragma once
// PageDrawing: the module's own vector rendition of an official form page.
//
// A drawing is a list of boxes, lines and literal texts in its own coordinates
// (0..width, 0..height), drawn in order. The image control of a layout stretches it over the
// control's rectangle. The older editions' drawn forms use the same primitives.
//
// A drawing document (layouts/pages/*.drawing, syntax in docs/page-drawings.md) names the
// layout band it lies under. The boxes of the form positions are not placed by hand: a
// `slot` record names the layout control that prints the value, and the box is built around
// the rectangle where that control prints, with the position number and a short label; a
// `choice` record builds the answer boxes under the marks of an option's radios. Moving a
// field in the layout moves its box on the page with it.
//
//   auto drawing = openPageDrawing("CIT-8(24)str1.wmf");   // key CIT-8(24)STR1_WMF
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "citforms/documents/layout.h"
#include "citforms/documents/page_content.h"
#include "citforms/values/result.h"

namespace citforms::print {

// Side of the square of a radio's natural size: the answer box and the selection mark.
inline constexpr int kRadioSize = 110;

struct PageDrawing {
    std::string name;        // image key: "CIT-8(24)STR1_WMF"
    std::string form;        // the form whose field roles label its positions: "cit8_24"
    std::string layout;      // the layout and band it lies under
    std::string band;
    int width = 0;
    int height = 0;
    std::vector<PageItem> items;  // BoxItem, LineItem, TextItem in drawing coordinates

    // Parses a drawing document against the layout it names (the caller opens it).
    static values::Result<PageDrawing> parse(std::string_view text, std::string_view fileName,
                                             const Layout& layout);
    // The layout a drawing document names in its header, or an error.
    static values::Result<std::string> layoutOf(std::string_view text,
                                                std::string_view fileName);
};

// The key an image control's file name is looked up by: upper case, dot to underscore.
std::string imageKey(std::string_view imageFileName);

// The embedded drawing for an image file name ("CIT-8(24)str1.wmf"). Drawings are parsed once
// per process and shared; safe to call from several threads.
values::Result<std::shared_ptr<const PageDrawing>> openPageDrawing(
    std::string_view imageFileName);
// Keys of all embedded drawings.
std::vector<std::string> shippedDrawings();

}  // namespace citforms::print
