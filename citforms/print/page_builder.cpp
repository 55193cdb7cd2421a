#include "citforms/print/page_builder.h"

#include "citforms/print/page_drawing.h"
#include "citforms/values/decimal.h"
#include "citforms/values/field_value.h"
#include "citforms/values/picture.h"

namespace citforms::print {

using values::Error;
using values::Result;

namespace {

// Report units to thousandths of an inch.
class UnitScale {
public:
    explicit UnitScale(Units units) : mm_(units == Units::Millimetres) {}
    int operator()(int v) const {
        if (!mm_) return v;
        // 1 mm = 39.37 thousandths of an inch, rounded half away from zero.
        long long t = static_cast<long long>(v) * 3937;
        return static_cast<int>(t >= 0 ? (t + 50) / 100 : (t - 50) / 100);
    }
    std::optional<int> operator()(std::optional<int> v) const {
        if (!v) return v;
        return (*this)(*v);
    }

private:
    bool mm_;
};

bool sameChoice(std::string_view value, std::string_view radio) {
    auto a = values::Decimal::parse(value);
    auto b = values::Decimal::parse(radio);
    if (a && b) return *a == *b;
    auto trim = [](std::string_view s) {
        while (!s.empty() && s.front() == ' ') s.remove_prefix(1);
        while (!s.empty() && s.back() == ' ') s.remove_suffix(1);
        return s;
    };
    return !trim(value).empty() && trim(value) == trim(radio);
}

bool isTextPicture(std::string_view picture) {
    auto p = values::Picture::parse(picture);
    return p && p->kind == values::Picture::Kind::Text;
}

// Draws a page drawing stretched over the rectangle x, y, w, h of the page.
void appendDrawing(const PageDrawing& d, int x, int y, int w, int h,
                   std::vector<PageItem>* out) {
    auto sx = [&](int v) { return x + static_cast<int>(static_cast<long long>(v) * w / d.width); };
    auto sy = [&](int v) {
        return y + static_cast<int>(static_cast<long long>(v) * h / d.height);
    };
    auto sw = [&](int v) { return static_cast<int>(static_cast<long long>(v) * w / d.width); };
    auto sh = [&](int v) { return static_cast<int>(static_cast<long long>(v) * h / d.height); };
    for (const PageItem& item : d.items) {
        if (auto b = std::get_if<BoxItem>(&item)) {
            BoxItem c = *b;
            c.x = sx(b->x);
            c.y = sy(b->y);
            c.width = sw(b->width);
            c.height = sh(b->height);
            out->emplace_back(c);
        } else if (auto l = std::get_if<LineItem>(&item)) {
            LineItem c = *l;
            c.x = sx(l->x);
            c.y = sy(l->y);
            c.width = sw(l->width);
            c.height = sh(l->height);
            out->emplace_back(c);
        } else if (auto t = std::get_if<TextItem>(&item)) {
            TextItem c = *t;
            c.x = sx(t->x);
            c.y = sy(t->y);
            if (t->width) c.width = sw(*t->width);
            if (t->height) c.height = sh(*t->height);
            out->emplace_back(std::move(c));
        } else if (auto m = std::get_if<MarkItem>(&item)) {
            MarkItem c = *m;
            c.x = sx(m->x);
            c.y = sy(m->y);
            c.size = sw(m->size);
            out->emplace_back(c);
        }
    }
}

}  // namespace

std::string formatFieldValue(const Control& control, std::string_view value) {
    if (control.type.kind == VariableType::Kind::Decimal && isTextPicture(control.picture)) {
        if (auto d = values::Decimal::parse(value))
            return values::formatPicture(control.picture, d->toString());
    }
    return values::formatPicture(control.picture, value);
}

BuiltPages buildPages(const ReportRun& run, const PrintVariables& variables) {
    BuiltPages built;
    for (int band : run.layout().pageBands()) {
        auto page = buildPage(run, band, variables);
        if (page) {
            built.pages.push_back(std::move(*page));
        } else {
            built.failures.push_back(page.error());
        }
    }
    return built;
}

Result<PageContent> buildPage(const ReportRun& run, int bandNumber,
                              const PrintVariables& variables) {
    const Layout& layout = run.layout();
    const Band* band = layout.band(bandNumber);
    if (band == nullptr)
        return Error{layout.report().name + ": no band " + std::to_string(bandNumber)};
    const UnitScale u(layout.report().units);
    // Positions are summed in report units and converted once, so millimetre layouts do not
    // gather rounding from each term.
    const int ox = run.left() + band->at.x;
    const int oy = run.top() + band->at.y;

    PageContent page;
    page.orientation = band->landscape ? Orientation::Landscape : Orientation::Portrait;
    page.title = run.title().empty() ? layout.report().name : run.title();
    for (const Control& c : band->controls) {
        if (run.isHidden(c.number)) continue;
        const int x = u(ox + c.at.x);
        const int y = u(oy + c.at.y);
        const std::optional<int> w = u(c.at.width);
        const std::optional<int> h = u(c.at.height);
        switch (c.kind) {
            case ControlKind::Image: {
                auto drawing = openPageDrawing(c.text);
                if (!drawing) return Error{drawing.error()};
                DrawingUse use{c.text, x, y, w.value_or((*drawing)->width),
                               h.value_or((*drawing)->height), page.items.size(), 0};
                appendDrawing(**drawing, use.x, use.y, use.width, use.height, &page.items);
                use.count = page.items.size() - use.first;
                page.drawings.push_back(std::move(use));
                break;
            }
            case ControlKind::Field:
            case ControlKind::MultiLine:
            case ControlKind::String: {
                TextItem t{x, y, w, h, "", layout.fontOf(*band, c), c.justify, false};
                if (c.kind == ControlKind::String) {
                    t.text = c.text;
                } else {
                    std::string v = variables.value(c.variable).value_or("");
                    t.text = c.kind == ControlKind::Field
                                 ? formatFieldValue(c, v)
                                 : values::cutText(v, static_cast<std::size_t>(c.type.length));
                    t.wrap = c.kind == ControlKind::MultiLine;
                    t.elide = c.kind == ControlKind::Field && w.has_value() &&
                              c.picture.starts_with('s');
                }
                if (!t.text.empty()) page.items.emplace_back(std::move(t));
                break;
            }
            case ControlKind::Option:
                break;
            case ControlKind::Radio: {
                const Control* option = layout.control(c.option);
                if (option == nullptr || run.isHidden(option->number)) break;
                std::string v = variables.value(option->variable).value_or("");
                if (sameChoice(v, c.text)) page.items.emplace_back(MarkItem{x, y, u(kRadioSize)});
                break;
            }
            case ControlKind::Box:
                page.items.emplace_back(BoxItem{x, y, w.value_or(0), h.value_or(0), c.border,
                                                c.fill, 7});
                break;
            case ControlKind::Line:
                page.items.emplace_back(
                    LineItem{x, y, w.value_or(0), h.value_or(0), c.border, 7});
                break;
        }
    }
    return page;
}

}  // namespace citforms::print
