#include "runtime/render/page_painter.h"

#include <QFontMetricsF>
#include <QPaintDevice>
#include <QPen>
#include <cmath>
#include <deque>
#include <variant>

namespace citforms::runtime {

using print::BoxItem;
using print::Justify;
using print::LineItem;
using print::MarkItem;
using print::TextItem;

namespace {

QColor rgb(print::Rgb c) {
    return QColor(static_cast<int>((c >> 16) & 0xFF), static_cast<int>((c >> 8) & 0xFF),
                  static_cast<int>(c & 0xFF));
}

Qt::Alignment horizontal(Justify j) {
    switch (j) {
        case Justify::Right:
            return Qt::AlignRight;
        case Justify::Centre:
            return Qt::AlignHCenter;
        case Justify::Left:
            break;
    }
    return Qt::AlignLeft;
}

void paintBox(QPainter& p, const BoxItem& b) {
    if (b.border) {
        QPen pen(rgb(*b.border));
        pen.setWidthF(b.pen);
        pen.setJoinStyle(Qt::MiterJoin);
        p.setPen(pen);
    } else {
        p.setPen(Qt::NoPen);
    }
    p.setBrush(b.fill ? QBrush(rgb(*b.fill)) : QBrush(Qt::NoBrush));
    p.drawRect(QRectF(b.x, b.y, b.width, b.height));
}

void paintLine(QPainter& p, const LineItem& l) {
    QPen pen(rgb(l.colour));
    pen.setWidthF(l.pen);
    p.setPen(pen);
    p.drawLine(QPointF(l.x, l.y), QPointF(l.x + l.width, l.y + l.height));
}

void paintMark(QPainter& p, const MarkItem& m) {
    QPen pen(Qt::black);
    pen.setWidthF(std::max(8, m.size / 8));
    pen.setCapStyle(Qt::RoundCap);
    p.setPen(pen);
    const double inset = m.size * 0.2;
    const double a = m.x + inset, b = m.y + inset;
    const double c = m.x + m.size - inset, d = m.y + m.size - inset;
    p.drawLine(QPointF(a, b), QPointF(c, d));
    p.drawLine(QPointF(a, d), QPointF(c, b));
}

// The fonts of one page with their metrics: a page uses a handful, over hundreds of texts.
class PageFonts {
public:
    struct Entry {
        print::FontSpec spec;
        QFont font;
        QFontMetricsF metrics;
    };
    const Entry& get(const print::FontSpec& spec, QPaintDevice* device) {
        for (const Entry& e : entries_) {
            if (e.spec == spec) return e;
        }
        QFont font = pageFont(spec);
        entries_.push_back(Entry{spec, font, QFontMetricsF(font, device)});
        return entries_.back();
    }

private:
    std::deque<Entry> entries_;  // stable addresses
};

void paintText(QPainter& p, const TextItem& t, PageFonts& fonts) {
    const PageFonts::Entry& entry = fonts.get(t.font, p.device());
    const QFont& font = entry.font;
    if (p.font() != font) p.setFont(font);
    p.setPen(t.font.colour ? rgb(*t.font.colour) : QColor(Qt::black));
    p.setBrush(Qt::NoBrush);
    const QString text = QString::fromUtf8(t.text.data(), static_cast<qsizetype>(t.text.size()));
    const QFontMetricsF& fm = entry.metrics;
    if (t.wrap && t.width) {
        // Wrapped text runs from the top of its rectangle and is cut at its foot.
        const double height = t.height ? *t.height : 1e6;
        const QRectF rect(t.x, t.y, *t.width, height);
        p.save();
        if (t.height) p.setClipRect(rect);
        p.drawText(rect, static_cast<int>(horizontal(t.justify) | Qt::AlignTop) |
                             Qt::TextWordWrap,
                   text);
        p.restore();
        return;
    }
    // One line; a given height centres it vertically, else its top is at y.
    const double lineHeight = fm.ascent() + fm.descent();
    const double top = t.height ? t.y + (*t.height - lineHeight) / 2.0 : t.y;
    const double baseline = top + fm.ascent();
    double x = t.x;
    if (t.width && t.justify != Justify::Left) {
        const double w = fm.horizontalAdvance(text);
        if (t.justify == Justify::Right) x = t.x + *t.width - w;
        if (t.justify == Justify::Centre) x = t.x + (*t.width - w) / 2.0;
    }
    p.drawText(QPointF(x, baseline), text);
}

}  // namespace

QString fontFamilyFor(const std::string& face) {
    const QString f = QString::fromStdString(face).toLower();
    if (f == "courier new" || f == "courier") return QStringLiteral("Liberation Mono");
    if (f == "times new roman") return QStringLiteral("Liberation Serif");
    return QStringLiteral("Liberation Sans");  // Arial, MS Sans Serif and the rest
}

QFont pageFont(const print::FontSpec& spec) {
    QFont font(fontFamilyFor(spec.face));
    font.setPixelSize(static_cast<int>(std::lround(spec.points * 1000.0 / 72.0)));
    font.setWeight(spec.bold() ? QFont::Bold : QFont::Normal);
    font.setHintingPreference(QFont::PreferNoHinting);
    font.setKerning(false);
    return font;
}

void paintPage(QPainter& painter, const print::PageContent& page) {
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, true);
    painter.setRenderHint(QPainter::TextAntialiasing, true);
    const QPaintDevice* device = painter.device();
    painter.scale(device->logicalDpiX() / 1000.0, device->logicalDpiY() / 1000.0);
    PageFonts fonts;
    for (const print::PageItem& item : page.items) {
        if (auto b = std::get_if<BoxItem>(&item)) {
            paintBox(painter, *b);
        } else if (auto l = std::get_if<LineItem>(&item)) {
            paintLine(painter, *l);
        } else if (auto t = std::get_if<TextItem>(&item)) {
            paintText(painter, *t, fonts);
        } else if (auto m = std::get_if<MarkItem>(&item)) {
            paintMark(painter, *m);
        }
    }
    painter.restore();
}

QImage renderPageImage(const print::PageContent& page, int dpi) {
    const int w = static_cast<int>(std::lround(page.width() * dpi / 1000.0));
    const int h = static_cast<int>(std::lround(page.height() * dpi / 1000.0));
    QImage image(w, h, QImage::Format_RGB32);
    const int dpm = static_cast<int>(std::lround(dpi / 0.0254));
    image.setDotsPerMeterX(dpm);
    image.setDotsPerMeterY(dpm);
    image.fill(Qt::white);
    QPainter painter(&image);
    paintPage(painter, page);
    painter.end();
    return image;
}

}  // namespace citforms::runtime
