// Geometry of every shipped page drawing, measured with the fonts the renderer uses.
//
// One data-driven walk over all drawings: every box lies inside the section frame it meets and
// inside the report's printable area; no two position boxes overlap; every text of the drawing
// fits the rectangle it is given and the box it starts in, and runs over no value; every value
// the page prints fits its position box: the demo's maximal amount ("-999 999 999 999,99")
// in every amount field, and every text of the demo declarations (tests/data/demo/dump.txt)
// in its field, on one line or wrapped inside a multi-line field.
#include <QApplication>
#include <QFontMetricsF>
#include <QRectF>
#include <algorithm>
#include <climits>
#include <fstream>
#include <gtest/gtest.h>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "citforms/forms/form.h"
#include "citforms/print/layout_catalogue.h"
#include "citforms/print/page_drawing.h"
#include "citforms/values/picture.h"
#include "runtime/render/page_painter.h"

namespace citforms::runtime {
namespace {

using print::BoxItem;
using print::Control;
using print::ControlKind;
using print::FontSpec;
using print::Justify;
using print::TextItem;

// Rounding of the layout's whole units leaves a few units of play.
constexpr double kSlack = 2.0;

class PageGeometry : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        if (QApplication::instance() == nullptr) {
            static int argc = 1;
            static char name[] = "page_geometry_test";
            static char* argv[] = {name, nullptr};
            static auto* app = new QApplication(argc, argv);  // never torn down
            (void)app;
        }
    }
};

QString qs(const std::string& s) { return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size())); }

std::string str(const QRectF& r) {
    std::ostringstream o;
    o << "(" << r.x() << ", " << r.y() << ", " << r.width() << " x " << r.height() << ")";
    return o.str();
}

QRectF rectOf(const BoxItem& b) { return QRectF(b.x, b.y, b.width, b.height); }

bool inside(const QRectF& inner, const QRectF& outer) {
    return inner.left() >= outer.left() - kSlack && inner.top() >= outer.top() - kSlack &&
           inner.right() <= outer.right() + kSlack && inner.bottom() <= outer.bottom() + kSlack;
}

bool overlap(const QRectF& a, const QRectF& b) {
    return a.left() < b.right() - kSlack && b.left() < a.right() - kSlack &&
           a.top() < b.bottom() - kSlack && b.top() < a.bottom() - kSlack;
}

// Where a text's ink lies (its line boxes), as the renderer places it.
struct Measured {
    QRectF extent;
    bool fitsOwnRect = true;  // inside the width (and height) the item gives
};

Measured measure(const TextItem& t) {
    const QFontMetricsF fm(pageFont(t.font));
    const QString text = qs(t.text);
    Measured m;
    const double lineHeight = fm.ascent() + fm.descent();
    if (t.wrap && t.width) {
        const QRectF box = fm.boundingRect(QRectF(0, 0, *t.width, 1e6),
                                           Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap, text);
        // A word longer than the width overflows it.
        m.fitsOwnRect = box.width() <= *t.width + kSlack &&
                        (!t.height || box.height() <= *t.height + kSlack);
        m.extent = QRectF(t.x, t.y, std::min<double>(box.width(), *t.width), box.height());
        return m;
    }
    const double w = fm.horizontalAdvance(text);
    double x = 0;
    if (t.width && t.justify == Justify::Right) x = *t.width - w;
    if (t.width && t.justify == Justify::Centre) x = (*t.width - w) / 2.0;
    const double top = t.height ? (*t.height - lineHeight) / 2.0 : 0.0;
    m.extent = QRectF(t.x + x, t.y + top, w, lineHeight);
    m.fitsOwnRect = !t.width || w <= *t.width + kSlack;
    return m;
}

// The demo declarations' printed values by print variable (template 73 only), from the
// recorded demo tables: CIT-8 and CIT-8/O sheets, every CIT-BR copy, the ORD-ZU texts.
std::map<std::string, std::vector<std::string>> demoValues() {
    std::ifstream in(std::string(CITFORMS_TEST_DATA_DIR) + "/demo/dump.txt");
    EXPECT_TRUE(in) << "tests/data/demo/dump.txt";
    const auto& catalogue = forms::FormCatalogue::builtIn();
    std::vector<const forms::FormDef*> forms73;
    for (const auto& f : catalogue.all()) {
        if (std::find(f.templates.begin(), f.templates.end(), 73) != f.templates.end())
            forms73.push_back(&f);
    }
    std::map<std::string, std::vector<std::string>> values;
    std::vector<std::string> ids73;
    std::string table, line;
    while (std::getline(in, line)) {
        if (line.rfind("== ", 0) == 0) {
            table = line.substr(3, line.find(' ', 3) - 3);
            continue;
        }
        std::vector<std::string> cols;
        std::size_t pos = 0;
        while (true) {
            const std::size_t tab = line.find('\t', pos);
            cols.push_back(line.substr(pos, tab == std::string::npos ? tab : tab - pos));
            if (tab == std::string::npos) break;
            pos = tab + 1;
        }
        if (table == "DEKLARACJE_NAG" && cols.size() > 1 && cols[1] == "73") ids73.push_back(cols[0]);
        const bool ours = !cols.empty() && std::count(ids73.begin(), ids73.end(), cols[0]) > 0;
        if (!ours || cols.size() < 4) continue;
        const int number = std::atoi(cols[1].c_str());
        for (const forms::FormDef* f : forms73) {
            bool match = false;
            if (table == "DEKLARACJE_POZ") {
                const int sheet = std::atoi(cols[3].c_str());
                // Numbered copies end before the first sheet of the next numbered form (CIT-D
                // at 500, where CIT-BR begins), as the declaration's load takes them.
                int end = f->storage.lastCopy == 0 ? INT_MAX : f->storage.base + f->storage.lastCopy;
                for (const forms::FormDef* other : forms73) {
                    if (other->storage.kind == forms::StorageKind::Copies &&
                        other->storage.base > f->storage.base)
                        end = std::min(end, other->storage.base);
                }
                match = (f->storage.kind == forms::StorageKind::Sheet && f->storage.sheet == sheet) ||
                        (f->storage.kind == forms::StorageKind::Copies && sheet > f->storage.base &&
                         sheet <= end);
            } else if (table == "DEKLARACJE_ZALACZNIK") {
                match = f->storage.kind == forms::StorageKind::Attachment && f->storage.type == cols[3];
            }
            if (match && f->field(number) != nullptr) values[f->variable(number)].push_back(cols[2]);
        }
    }
    return values;
}

const std::string kMaxAmount = "-999999999999.99";
const std::string kMaxWhole = "-999999999999";

TEST_F(PageGeometry, EveryDrawingHoldsItsLabelsAndValues) {
    const auto demo = demoValues();
    ASSERT_FALSE(demo.empty());
    const auto keys = print::shippedDrawings();
    ASSERT_FALSE(keys.empty());
    int valuesChecked = 0, labelsChecked = 0;
    for (const std::string& key : keys) {
        auto opened = print::openPageDrawing(key.substr(0, key.rfind('_')) + ".wmf");
        ASSERT_TRUE(opened) << opened.error();
        const print::PageDrawing& d = **opened;
        // The demo's texts are those of template 73: only its forms' pages show them.
        const forms::FormDef* drawn = forms::FormCatalogue::builtIn().find(d.form);
        const bool shows73 = drawn != nullptr && std::find(drawn->templates.begin(),
                                                           drawn->templates.end(),
                                                           73) != drawn->templates.end();
        auto layout = print::openLayout(d.layout);
        ASSERT_TRUE(layout) << layout.error();
        const print::Band* band = nullptr;
        for (const auto& b : layout->bands()) {
            if (b.name == d.band) band = &b;
        }
        ASSERT_NE(band, nullptr);
        const Control* image = nullptr;
        for (const Control& c : band->controls) {
            if (c.kind == ControlKind::Image && print::imageKey(c.text) == d.name) image = &c;
        }
        ASSERT_NE(image, nullptr);
        ASSERT_EQ(image->at.width.value_or(0), d.width) << d.name << ": drawings are not scaled";
        ASSERT_EQ(image->at.height.value_or(0), d.height) << d.name;
        const double ox = image->at.x, oy = image->at.y;
        const auto& report = layout->report();
        // A page printed across turns the report's printable area with it.
        const double areaWidth = report.area.width.value_or(0);
        const double areaHeight = report.area.height.value_or(0);
        const QRectF printable(-ox, -oy, band->landscape ? areaHeight : areaWidth,
                               band->landscape ? areaWidth : areaHeight);

        std::vector<QRectF> sections, whites;
        for (const auto& item : d.items) {
            if (auto b = std::get_if<BoxItem>(&item)) {
                EXPECT_TRUE(inside(rectOf(*b), printable))
                    << d.name << ": box " << str(rectOf(*b)) << " outside the printable area";
                if (b->fill == print::kLightGrey) sections.push_back(rectOf(*b));
                if (b->fill == print::kWhite) whites.push_back(rectOf(*b));
            }
        }
        // Every white box lies wholly inside any section frame it meets.
        for (const QRectF& w : whites) {
            for (const QRectF& s : sections) {
                if (overlap(w, s)) {
                    EXPECT_TRUE(inside(w, s)) << d.name << ": box " << str(w)
                                              << " sticks out of its frame " << str(s);
                }
            }
        }

        // The position boxes: the smallest white box around each value (a radio's row for a
        // choice), and where each value prints.
        struct Value {
            const Control* control;
            QRectF rect;   // the control's rectangle in drawing coordinates
            QRectF ink;    // where its text can lie: a single line is centred in the rectangle
            QRectF box;    // its position box
        };
        std::vector<Value> values;
        for (const Control& c : band->controls) {
            const bool field = (c.kind == ControlKind::Field || c.kind == ControlKind::MultiLine) &&
                               c.name.rfind("GGG:", 0) != 0;
            if (!field && c.kind != ControlKind::Radio) continue;
            const double w = c.kind == ControlKind::Radio ? print::kRadioSize : c.at.width.value_or(1);
            const double h = c.kind == ControlKind::Radio ? print::kRadioSize : c.at.height.value_or(1);
            const QRectF r(c.at.x - ox, c.at.y - oy, w, h);
            QRectF best;
            for (const QRectF& wbox : whites) {
                if (inside(r, wbox) && wbox.width() > print::kRadioSize + 10 &&
                    (best.isNull() || wbox.width() * wbox.height() < best.width() * best.height()))
                    best = wbox;
            }
            ASSERT_FALSE(best.isNull()) << d.name << ": no position box for " << c.name;
            QRectF ink = r;
            if (c.kind == ControlKind::Field && c.at.height) {
                const QFontMetricsF fm(pageFont(layout->fontOf(*band, c)));
                const double lineHeight = fm.ascent() + fm.descent();
                ink = QRectF(r.x(), r.y() + (r.height() - lineHeight) / 2.0, r.width(), lineHeight);
            }
            values.push_back(Value{&c, r, ink, best});
        }
        // No two position boxes overlap.
        std::vector<QRectF> positionBoxes;
        for (const Value& v : values) {
            if (std::find(positionBoxes.begin(), positionBoxes.end(), v.box) == positionBoxes.end()) positionBoxes.push_back(v.box);
        }
        for (std::size_t i = 0; i < positionBoxes.size(); ++i) {
            for (std::size_t j = i + 1; j < positionBoxes.size(); ++j) {
                EXPECT_FALSE(overlap(positionBoxes[i], positionBoxes[j]))
                    << d.name << ": position boxes " << str(positionBoxes[i]) << " and " << str(positionBoxes[j])
                    << " overlap";
            }
        }

        // The drawing's texts: inside their own rectangle, inside the box they start in, over
        // no value's rectangle.
        std::vector<QRectF> textExtents;
        for (const auto& item : d.items) {
            auto t = std::get_if<TextItem>(&item);
            if (t == nullptr) continue;
            ++labelsChecked;
            const Measured m = measure(*t);
            textExtents.push_back(m.extent);
            EXPECT_TRUE(m.fitsOwnRect) << d.name << ": \"" << t->text << "\" does not fit "
                                       << t->width.value_or(0) << " x " << t->height.value_or(0);
            EXPECT_TRUE(inside(m.extent, printable)) << d.name << ": \"" << t->text << "\"";
            QRectF home;
            for (const auto& other : d.items) {
                auto b = std::get_if<BoxItem>(&other);
                if (b == nullptr || !b->fill) continue;
                const QRectF r = rectOf(*b);
                if (r.contains(QPointF(t->x + 1, t->y + 1)) &&
                    (home.isNull() || r.width() * r.height() < home.width() * home.height()))
                    home = r;
            }
            if (!home.isNull()) {
                EXPECT_TRUE(inside(m.extent, home)) << d.name << ": \"" << t->text << "\" "
                                                    << str(m.extent) << " runs out of its box "
                                                    << str(home);
            }
            for (const Value& v : values) {
                EXPECT_FALSE(overlap(m.extent, v.ink))
                    << d.name << ": \"" << t->text << "\" runs over the value of "
                    << v.control->name;
            }
        }

        // The values: the maximal amount in amount fields, the demo's texts in the others.
        for (const Value& v : values) {
            const Control& c = *v.control;
            if (c.kind == ControlKind::Radio) continue;
            std::vector<std::string> samples;
            const bool amount = !c.picture.empty() && (c.picture[0] == 'N' || c.picture[0] == 'n');
            if (amount) samples.push_back(c.picture.find('`') != std::string::npos ? kMaxAmount : kMaxWhole);
            if (auto it = demo.find(c.variable); shows73 && it != demo.end())
                samples.insert(samples.end(), it->second.begin(), it->second.end());
            const FontSpec font = layout->fontOf(*band, c);
            for (const std::string& raw : samples) {
                const std::string shown = c.picture.empty() ? raw : values::formatPicture(c.picture, raw);
                if (shown.empty()) continue;
                ++valuesChecked;
                TextItem t{static_cast<int>(v.rect.x()), static_cast<int>(v.rect.y()),
                           c.at.width, c.at.height, shown, font, c.justify,
                           c.kind == ControlKind::MultiLine};
                // A text too long for its field is cut and ends in "…" (the renderer's way).
                if (c.picture.starts_with('s') && c.kind == ControlKind::Field && c.at.width) {
                    const QFontMetricsF fm(pageFont(font));
                    if (fm.horizontalAdvance(qs(shown)) > *c.at.width) {
                        const QString cut = fm.elidedText(qs(shown), Qt::ElideRight, *c.at.width);
                        EXPECT_TRUE(cut.endsWith(QChar(0x2026))) << c.name << " \"" << shown << "\"";
                        t.text = cut.toStdString();
                    }
                }
                const Measured m = measure(t);
                // A single line may run past its field's rectangle (an amount to the left)
                // but not out of its position box; a wrapped text stays in its rectangle.
                if (t.wrap) {
                    EXPECT_TRUE(m.fitsOwnRect) << d.name << ": " << c.name << " \"" << shown
                                               << "\" does not wrap inside its field";
                }
                EXPECT_TRUE(inside(m.extent, v.box))
                    << d.name << ": " << c.name << " \"" << shown << "\" " << str(m.extent)
                    << " runs out of its position box " << str(v.box);
                for (const QRectF& e : textExtents) {
                    EXPECT_FALSE(overlap(m.extent, e))
                        << d.name << ": " << c.name << " \"" << shown << "\" runs over a text "
                        << str(e) << " of the drawing";
                }
            }
        }
    }
    EXPECT_GT(valuesChecked, 300);
    EXPECT_GT(labelsChecked, 300);
}

}  // namespace
}  // namespace citforms::runtime
