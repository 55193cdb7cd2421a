#pragma once
// Turns the draft PDF the PDF maker has Qt write into the PDF it hands out: each page drawing
// written once, as a form XObject, and placed on every page that uses it.
//
// The draft, as Qt's writer makes it (classic cross-reference table, one flat page list):
//   pages 1 .. n           the values; where drawing k lies under them, a placeholder image
//                          of 1 x (k + 1) pixels is drawn over the page's media box (in
//                          points, as Qt's writer gives it). Qt writes an
//                          image once per document and refers to it from every page that
//                          draws it ("/Im7 Do").
//   pages n + 1 .. n + m   drawing k on a page of its own, in the same fonts as the values.
// The result keeps every object of the draft in its place but three kinds:
//   - the placeholder image of drawing k becomes a form XObject whose content is drawing k's
//     page content, with its resources, and whose matrix undoes the image's placement, so
//     the drawing lands where its page had it;
//   - the content stream of drawing k's page is not written again (the form holds it), nor
//     are the drawing pages;
//   - the page list keeps pages 1 .. n.
// Copying the draft's bytes costs little next to painting them: a PDF of 808 pages costs
// about what its values cost. Anything in the draft that is not as described fails the
// rewrite with a reason, and no PDF is made of it.
#include <cstddef>
#include <functional>
#include <string>
#include <string_view>

#include "citforms/values/result.h"

namespace citforms::refhost {

// The placeholder of drawing `k`: its height in pixels (its width is 1).
inline int placeholderHeight(int k) {
    return k + 1;
}

// Receives the PDF in pieces, in order; false stops the rewrite (a write that failed).
using Sink = std::function<bool(std::string_view)>;

// Writes the PDF made of `draft` with `valuePages` pages of values followed by `drawings`
// drawing pages, as described above, into `write` (64 KB at a time); returns its size.
values::Result<std::size_t> shareDrawings(std::string_view draft, int valuePages, int drawings,
                                          const Sink& write);
// The same PDF as one string.
values::Result<std::string> shareDrawings(std::string_view draft, int valuePages, int drawings);

}  // namespace citforms::refhost
