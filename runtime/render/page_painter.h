#pragma once
// Paints captured pages (print/page_content.h) onto any Qt paint device: a QPdfWriter, a
// printer, a previewer's picture or a QImage.
//
//   QPdfWriter pdf(path);
//   pdf.setResolution(1000);                // one unit = a thousandth of an inch
//   QPainter p(&pdf);
//   paintPage(p, page);
//
// The painter is scaled from thousandths of an inch to the device's resolution, so a page
// looks the same at 1000 dpi in a PDF and at 96 dpi on screen. Texts are drawn with
// QPainter::drawText (a PDF keeps them as searchable text) in pixel-size fonts, which keeps
// their size right when a QPicture is replayed on a device of another resolution. Arial and
// MS Sans Serif print in Liberation Sans, Courier and Courier New in Liberation Mono: the
// metric-compatible free faces.
#include <QFont>
#include <QImage>
#include <QPainter>
#include <QString>

#include "citforms/print/page_content.h"

namespace citforms::runtime {

// Paints `page` with its top-left corner at the painter's origin.
void paintPage(QPainter& painter, const print::PageContent& page);

// The Qt font for a layout font; pixel size in thousandths of an inch.
QFont pageFont(const print::FontSpec& spec);
// The free face that stands in for a layout's face name.
QString fontFamilyFor(const std::string& face);

// The page as an image of `dpi` dots per inch on white.
QImage renderPageImage(const print::PageContent& page, int dpi);

}  // namespace citforms::runtime
