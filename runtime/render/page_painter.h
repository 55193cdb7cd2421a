#pragma once
// Paints captured pages (documents/page_content.h) onto any Qt paint device: a QPdfWriter, a
// printer, a previewer's picture or a QImage.
//
//   QPdfWriter pdf(path);
//   pdf.setResolution(1000);                // one unit = a thousandth of an inch
//   QPainter p(&pdf);
//   PagePainter painter;                    // one for the whole run of pages
//   painter.paint(p, page);                 // per page
//
// The painter is scaled from thousandths of an inch to the device's resolution, so a page
// looks the same at 1000 dpi in a PDF and at 96 dpi on screen. Texts stay text (a PDF keeps
// them searchable) in pixel-size fonts, which keeps their size right when a QPicture is
// replayed on a device of another resolution. Arial and MS Sans Serif print in Liberation
// Sans, Courier and Courier New in Liberation Mono: the metric-compatible free faces.
//
// A form's page drawing puts the same few hundred labels on every page of its kind, so a
// PagePainter shapes each distinct text (in its font, box and justification) once and replays
// its laid-out lines on later pages; paintPage() lays every text out afresh, as
// QPainter::drawText does, and is the reference the replayed lines must match pixel for pixel.
#include <QFont>
#include <QImage>
#include <QPainter>
#include <QString>
#include <cstddef>
#include <memory>

#include "citforms/documents/page_content.h"

namespace citforms::runtime {

class PagePainter {
public:
    PagePainter();
    ~PagePainter();
    PagePainter(const PagePainter&) = delete;
    PagePainter& operator=(const PagePainter&) = delete;

    // Paints `page` with its top-left corner at the painter's origin, from its item
    // `firstItem` on (a PDF writer that places the page's drawing by itself skips it).
    void paint(QPainter& painter, const print::PageContent& page, std::size_t firstItem = 0);

    // Distinct texts shaped so far (bounded: the cache starts over when it is full).
    std::size_t shapedTexts() const;

private:
    struct Cache;
    std::unique_ptr<Cache> cache_;
};

// Paints one page, shaping every text with QPainter::drawText.
void paintPage(QPainter& painter, const print::PageContent& page);

// The Qt font for a layout font; pixel size in thousandths of an inch.
QFont pageFont(const print::FontSpec& wanted);
// The free face that stands in for a layout's face name.
QString fontFamilyFor(const std::string& face);

// The page as an image of `dpi` dots per inch on white.
QImage renderPageImage(const print::PageContent& page, int dpi);

}  // namespace citforms::runtime
