#include "runtime/render/page_painter.h"

#include <QFontMetricsF>
#include <QPaintDevice>
#include <QPaintEngine>
#include <QPen>
#include <QTextLayout>
#include <cmath>
#include <deque>
#include <functional>
#include <memory>
#include <unordered_map>
#include <variant>
#include <vector>

namespace citforms::runtime {

using print::BoxItem;
using print::FontSpec;
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

// Text is filled with the pen's colour and nothing else of the pen. Keeping a solid pen of the
// right colour (a box's border, say) spares the PDF a change of line width and join before
// every label of a form.
void setTextPen(QPainter& p, const FontSpec& font) {
    const QColor colour = font.colour ? rgb(*font.colour) : QColor(Qt::black);
    const QPen& pen = p.pen();
    if (pen.style() == Qt::SolidLine && pen.brush().style() == Qt::SolidPattern &&
        pen.color() == colour)
        return;
    p.setPen(colour);
}

QString qstring(const std::string& s) {
    return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size()));
}

// The fonts met so far with their metrics: a run of pages uses a handful, over thousands of
// texts.
class Fonts {
public:
    struct Entry {
        FontSpec wanted;
        QFont font;
        QFontMetricsF metrics;
    };
    const Entry& get(const FontSpec& wanted, const QPaintDevice* device) {
        for (const Entry& e : entries_) {
            if (e.wanted.face == wanted.face && e.wanted.points == wanted.points &&
                e.wanted.weight == wanted.weight)
                return e;
        }
        QFont font = pageFont(wanted);
        QFontMetricsF metrics(font, device);
        entries_.push_back(Entry{wanted, QFont(font, device), metrics});
        return entries_.back();
    }
    void clear() { entries_.clear(); }

private:
    std::deque<Entry> entries_;  // stable addresses
};

// Where a single-line text starts and where its baseline lies, relative to the item's x, y.
QPointF lineOrigin(const TextItem& t, const QFontMetricsF& fm, const QString& text) {
    // One line; a given height centres it vertically, else its top is at y.
    const double lineHeight = fm.ascent() + fm.descent();
    const double top = t.height ? (*t.height - lineHeight) / 2.0 : 0.0;
    double x = 0.0;
    if (t.width && t.justify != Justify::Left) {
        const double w = fm.horizontalAdvance(text);
        if (t.justify == Justify::Right) x = *t.width - w;
        if (t.justify == Justify::Centre) x = (*t.width - w) / 2.0;
    }
    return QPointF(x, top + fm.ascent());
}

// The text as one line shows it: cut to the width with "…" when the item asks for it.
QString elided(const TextItem& t, const QFontMetricsF& fm, const QString& text) {
    if (!t.elide || !t.width || fm.horizontalAdvance(text) <= *t.width) return text;
    return fm.elidedText(text, Qt::ElideRight, *t.width);
}

// Wrapped text runs from the top of its rectangle and is cut at its foot.
QRectF wrapRect(const TextItem& t) {
    return QRectF(t.x, t.y, *t.width, t.height ? *t.height : 1e6);
}

void paintTextDirect(QPainter& p, const TextItem& t, Fonts& fonts) {
    const Fonts::Entry& entry = fonts.get(t.font, p.device());
    if (p.font() != entry.font) p.setFont(entry.font);
    setTextPen(p, t.font);
    const QString text = qstring(t.text);
    if (t.wrap && t.width) {
        const QRectF rect = wrapRect(t);
        p.save();
        if (t.height) p.setClipRect(rect);
        p.drawText(rect, static_cast<int>(horizontal(t.justify) | Qt::AlignTop) |
                             Qt::TextWordWrap,
                   text);
        p.restore();
        return;
    }
    const QString shown = elided(t, entry.metrics, text);
    p.drawText(lineOrigin(t, entry.metrics, shown) + QPointF(t.x, t.y), shown);
}

// What makes two texts shape alike: everything but their place on the page and colour.
struct ShapeKey {
    std::string text;
    std::string face;
    int points = 0;
    int weight = 0;
    std::optional<int> width, height;
    Justify justify = Justify::Left;
    bool wrap = false;
    bool elide = false;

    void assign(const TextItem& t) {
        text.assign(t.text);
        face.assign(t.font.face);
        points = t.font.points;
        weight = t.font.weight;
        width = t.width;
        height = t.height;
        justify = t.justify;
        wrap = t.wrap && t.width;
        elide = t.elide && !wrap;
    }
    bool operator==(const ShapeKey&) const = default;
};

struct ShapeKeyHash {
    std::size_t operator()(const ShapeKey& k) const {
        std::size_t h = std::hash<std::string>{}(k.text);
        auto mix = [&h](std::size_t v) { h ^= v + 0x9e3779b97f4a7c15ULL + (h << 6) + (h >> 2); };
        mix(std::hash<std::string>{}(k.face));
        mix(static_cast<std::size_t>(k.points) * 1000u + static_cast<std::size_t>(k.weight));
        mix(static_cast<std::size_t>(k.width.value_or(-1)));
        mix(static_cast<std::size_t>(k.height.value_or(-1)));
        mix(static_cast<std::size_t>(k.justify) * 4u + (k.wrap ? 1u : 0u) + (k.elide ? 2u : 0u));
        return h;
    }
};

// A text shaped once: its laid-out lines, where each is drawn relative to the item's x, y, and
// whether they overflow the item's rectangle and must be clipped to it.
//
// The lines are replayed with QTextLine::draw, the step with which drawText ends, rather than
// as glyph runs. drawText draws each script item of a line ("96. " and "Dochód" are two) from
// the item's own origin, so on a scaled device a glyph lands at scale x origin + scale x
// offset, whereas a glyph run holds origin + offset and the painter scales the sum. The two
// may differ in the last bit, which the fixed-point glyph position then truncates into the
// neighbouring 1/64 pixel: enough to render a glyph from another subpixel bitmap than drawText
// does, one glyph of a label some 30 pixels apart at 60 or 150 dpi.
struct Shaped {
    std::shared_ptr<QTextLayout> layout;
    std::vector<QPointF> lines;
    bool clip = false;
};

std::shared_ptr<QTextLayout> textLayout(const QString& text, const Fonts::Entry& entry,
                                        const QPaintDevice* device, QTextOption option) {
    auto layout = std::make_shared<QTextLayout>(text, entry.font, device);
    layout->setCacheEnabled(true);  // the shaped glyphs stay for every later draw
    layout->setTextOption(option);
    return layout;
}

Shaped shapeLine(const TextItem& t, const Fonts::Entry& entry, const QPaintDevice* device) {
    const QString text = elided(t, entry.metrics, qstring(t.text));
    QTextOption option;
    option.setWrapMode(QTextOption::NoWrap);
    Shaped shaped;
    shaped.layout = textLayout(text, entry, device, option);
    QTextLayout& layout = *shaped.layout;
    layout.beginLayout();
    QTextLine line = layout.createLine();
    if (line.isValid()) line.setLineWidth(1e7);
    layout.endLayout();
    if (!line.isValid()) return shaped;
    // The layout puts the baseline at the line's ascent; drawText puts it at the given point.
    shaped.lines.push_back(lineOrigin(t, entry.metrics, text) - QPointF(0, line.ascent()));
    return shaped;
}

// Lines as QPainter::drawText lays out a word-wrapped text in a rectangle: whole-unit line
// tops a leading apart, each line aligned on its own, layout stopping at the first line that
// reaches the rectangle's foot.
Shaped shapeWrapped(const TextItem& t, const Fonts::Entry& entry, const QPaintDevice* device) {
    const QString text = qstring(t.text);
    Shaped shaped;
    if (text.isEmpty()) return shaped;
    const QRectF rect(0, 0, *t.width, t.height ? *t.height : 1e6);
    QTextOption option;
    option.setAlignment(Qt::AlignLeft);
    shaped.layout = textLayout(text, entry, device, option);
    QTextLayout& layout = *shaped.layout;
    const double leading = entry.metrics.leading();
    double height = -leading;
    double width = 0;
    layout.beginLayout();
    for (;;) {
        QTextLine line = layout.createLine();
        if (!line.isValid()) break;
        line.setLineWidth(std::max(0.0, rect.width()));
        height = std::ceil(height + leading);
        line.setPosition(QPointF(0, height));
        height += line.ascent() + line.descent();
        width = std::max(width, line.naturalTextWidth());
        if (height >= rect.height()) break;
    }
    layout.endLayout();
    for (int i = 0; i < layout.lineCount(); ++i) {
        const QTextLine line = layout.lineAt(i);
        double x = 0;
        if (t.justify == Justify::Right) x = rect.width() - line.horizontalAdvance();
        if (t.justify == Justify::Centre) x = (rect.width() - line.horizontalAdvance()) / 2;
        shaped.lines.emplace_back(x, 0);
    }
    double left = 0;
    if (t.justify == Justify::Right) left = rect.width() - width;
    if (t.justify == Justify::Centre) left = (rect.width() - width) / 2;
    shaped.clip = !rect.contains(QRectF(left, 0, width, height));
    return shaped;
}

// Texts that a layout would treat as several lines or tab stops go the direct way.
bool plainLine(const std::string& text) {
    return text.find_first_of("\n\r\t") == std::string::npos;
}

}  // namespace

struct PagePainter::Cache {
    // Beyond this many distinct texts (amounts and names vary from page to page) the cache
    // starts over, so a long run does not grow without bound.
    static constexpr std::size_t kMaxTexts = 8192;

    const QPaintDevice* device = nullptr;
    int dpiX = 0, dpiY = 0;
    Fonts fonts;
    std::unordered_map<ShapeKey, Shaped, ShapeKeyHash> shaped;
    ShapeKey probe;  // reused for look-ups: no allocation per text once warm

    // Glyphs are laid out for one device; another device (or resolution) starts afresh.
    void use(const QPaintDevice* d) {
        if (d == device && d->logicalDpiX() == dpiX && d->logicalDpiY() == dpiY) return;
        fonts.clear();
        shaped.clear();
        device = d;
        dpiX = d->logicalDpiX();
        dpiY = d->logicalDpiY();
    }

    void paintText(QPainter& p, const TextItem& t) {
        if (!plainLine(t.text)) {
            paintTextDirect(p, t, fonts);
            return;
        }
        probe.assign(t);
        auto it = shaped.find(probe);
        if (it == shaped.end()) {
            if (shaped.size() >= kMaxTexts) shaped.clear();
            const Fonts::Entry& entry = fonts.get(t.font, device);
            Shaped s = probe.wrap ? shapeWrapped(t, entry, device) : shapeLine(t, entry, device);
            it = shaped.emplace(probe, std::move(s)).first;
        }
        const Shaped& s = it->second;
        if (s.lines.empty()) return;
        setTextPen(p, t.font);
        const QPointF at(t.x, t.y);
        if (s.clip) {
            p.save();
            p.setClipRect(wrapRect(t));
        }
        for (std::size_t i = 0; i < s.lines.size(); ++i)
            s.layout->lineAt(static_cast<int>(i)).draw(&p, at + s.lines[i]);
        if (s.clip) p.restore();
    }
};

namespace {

// Engines that a kept layout is replayed on (a PDF keeps its lines as text); others (a
// QPicture, say) record the string as drawText is given it.
bool replaysGlyphs(const QPainter& p) {
    const QPaintEngine* engine = p.paintEngine();
    return engine != nullptr &&
           (engine->type() == QPaintEngine::Pdf || engine->type() == QPaintEngine::Raster);
}

template <class TextPainter>
void paintItems(QPainter& painter, const print::PageContent& page, std::size_t firstItem,
                TextPainter&& paintText) {
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, true);
    painter.setRenderHint(QPainter::TextAntialiasing, true);
    const QPaintDevice* device = painter.device();
    painter.scale(device->logicalDpiX() / 1000.0, device->logicalDpiY() / 1000.0);
    for (std::size_t i = firstItem; i < page.items.size(); ++i) {
        const print::PageItem& item = page.items[i];
        if (auto b = std::get_if<BoxItem>(&item)) {
            paintBox(painter, *b);
        } else if (auto l = std::get_if<LineItem>(&item)) {
            paintLine(painter, *l);
        } else if (auto t = std::get_if<TextItem>(&item)) {
            paintText(*t);
        } else if (auto m = std::get_if<MarkItem>(&item)) {
            paintMark(painter, *m);
        }
    }
    painter.restore();
}

}  // namespace

PagePainter::PagePainter() : cache_(std::make_unique<Cache>()) {}
PagePainter::~PagePainter() = default;

std::size_t PagePainter::shapedTexts() const { return cache_->shaped.size(); }

void PagePainter::paint(QPainter& painter, const print::PageContent& page,
                        std::size_t firstItem) {
    if (!replaysGlyphs(painter)) {
        Fonts fonts;
        paintItems(painter, page, firstItem,
                   [&](const TextItem& t) { paintTextDirect(painter, t, fonts); });
        return;
    }
    cache_->use(painter.device());
    paintItems(painter, page, firstItem,
               [&](const TextItem& t) { cache_->paintText(painter, t); });
}

void paintPage(QPainter& painter, const print::PageContent& page) {
    Fonts fonts;
    paintItems(painter, page, 0,
               [&](const TextItem& t) { paintTextDirect(painter, t, fonts); });
}

QString fontFamilyFor(const std::string& face) {
    const QString f = QString::fromStdString(face).toLower();
    if (f == "courier new" || f == "courier") return QStringLiteral("Liberation Mono");
    if (f == "times new roman") return QStringLiteral("Liberation Serif");
    return QStringLiteral("Liberation Sans");  // Arial, MS Sans Serif and the rest
}

QFont pageFont(const print::FontSpec& wanted) {
    QFont font(fontFamilyFor(wanted.face));
    font.setPixelSize(static_cast<int>(std::lround(wanted.points * 1000.0 / 72.0)));
    font.setWeight(wanted.bold() ? QFont::Bold : QFont::Normal);
    font.setHintingPreference(QFont::PreferNoHinting);
    font.setKerning(false);
    return font;
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
