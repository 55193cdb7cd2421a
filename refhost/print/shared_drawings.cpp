#include "refhost/print/shared_drawings.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cstdio>
#include <map>
#include <optional>
#include <set>
#include <vector>

namespace citforms::refhost {

namespace {

using values::Error;

// s.substr() that never throws: empty past the end.
std::string_view slice(std::string_view s, std::size_t at, std::size_t n = std::string_view::npos) {
    return at > s.size() ? std::string_view() : s.substr(at, n);
}

bool isSpace(char c) {
    return c == ' ' || c == '\n' || c == '\r' || c == '\t' || c == '\f';
}

std::optional<long long> number(std::string_view s, std::size_t* at) {
    std::size_t i = *at;
    while (i < s.size() && isSpace(s[i])) ++i;
    long long v = 0;
    auto [end, ec] = std::from_chars(s.data() + i, s.data() + s.size(), v);
    if (ec != std::errc()) return std::nullopt;
    *at = static_cast<std::size_t>(end - s.data());
    return v;
}

std::optional<double> real(std::string_view s, std::size_t* at) {
    std::size_t i = *at;
    while (i < s.size() && isSpace(s[i])) ++i;
    double v = 0;
    auto [end, ec] = std::from_chars(s.data() + i, s.data() + s.size(), v);
    if (ec != std::errc()) return std::nullopt;
    *at = static_cast<std::size_t>(end - s.data());
    return v;
}

// Where the value of `key` starts in a dictionary's text (the key followed by a delimiter).
std::optional<std::size_t> keyAt(std::string_view dict, std::string_view key) {
    for (std::size_t at = dict.find(key); at != std::string_view::npos;
         at = dict.find(key, at + 1)) {
        const std::size_t end = at + key.size();
        if (end < dict.size() && !std::isalnum(static_cast<unsigned char>(dict[end]))) return end;
    }
    return std::nullopt;
}

std::optional<long long> integerOf(std::string_view dict, std::string_view key) {
    auto at = keyAt(dict, key);
    if (!at) return std::nullopt;
    return number(dict, &*at);
}

// The object number of a reference "N 0 R" as the value of `key`.
std::optional<long long> referenceOf(std::string_view dict, std::string_view key) {
    auto at = keyAt(dict, key);
    if (!at) return std::nullopt;
    auto n = number(dict, &*at);
    auto generation = number(dict, &*at);
    while (*at < dict.size() && isSpace(dict[*at])) ++*at;
    if (!n || !generation || *generation != 0 || *at >= dict.size() || dict[*at] != 'R')
        return std::nullopt;
    return n;
}

// Far beyond any declaration's PDF (808 pages make about 4 000 objects).
constexpr long long kMaxObjects = 5'000'000;

class Draft {
public:
    explicit Draft(std::string_view bytes) : bytes_(bytes) {}

    // Reads the cross-reference table and the trailer; empty when fine, else why not.
    std::string read() {
        const std::size_t startxref = bytes_.rfind("startxref");
        if (startxref == std::string_view::npos) return "no startxref";
        std::size_t at = startxref + 9;
        auto xref = number(bytes_, &at);
        if (!xref || *xref <= 0 || static_cast<std::size_t>(*xref) >= bytes_.size())
            return "no cross-reference table";
        xref_ = static_cast<std::size_t>(*xref);
        at = xref_;
        if (slice(bytes_, at, 4) != "xref") return "not a cross-reference table";
        at += 4;
        for (;;) {
            while (at < bytes_.size() && isSpace(bytes_[at])) ++at;
            if (slice(bytes_, at, 7) == "trailer") break;
            auto first = number(bytes_, &at);
            auto count = number(bytes_, &at);
            if (!first || !count || *first < 0 || *count < 0 || *first > kMaxObjects ||
                *count > kMaxObjects)
                return "bad cross-reference table";
            while (at < bytes_.size() && isSpace(bytes_[at])) ++at;
            for (long long i = 0; i < *count; ++i) {
                if (at + 20 > bytes_.size()) return "short cross-reference table";
                const std::string_view entry = bytes_.substr(at, 20);
                at += 20;
                std::size_t p = 0;
                auto offset = number(entry, &p);
                if (!offset) return "bad cross-reference entry";
                if (entry[17] != 'n') continue;
                if (*offset < 0 || static_cast<std::size_t>(*offset) >= xref_)
                    return "an object past the cross-reference table";
                const auto n = static_cast<std::size_t>(*first + i);
                if (n >= offsets_.size()) offsets_.resize(n + 1, kNone);
                offsets_[n] = static_cast<std::size_t>(*offset);
            }
        }
        const std::size_t trailerEnd = bytes_.find("startxref", at);
        if (trailerEnd == std::string_view::npos) return "no trailer";
        trailer_ = bytes_.substr(at + 7, trailerEnd - (at + 7));
        const auto size = integerOf(trailer_, "/Size");
        const auto root = referenceOf(trailer_, "/Root");
        if (!size || !root || *size <= 0 || *size > kMaxObjects || !has(*root))
            return "no /Size or /Root in the trailer";
        size_ = *size;
        root_ = *root;
        // Each object runs to the next one in the file, the last to the table.
        std::vector<std::size_t> starts;
        for (std::size_t offset : offsets_) {
            if (offset != kNone) starts.push_back(offset);
        }
        starts.push_back(xref_);
        std::sort(starts.begin(), starts.end());
        ends_.assign(offsets_.size(), kNone);
        for (std::size_t n = 0; n < offsets_.size(); ++n) {
            if (offsets_[n] == kNone) continue;
            ends_[n] = *std::upper_bound(starts.begin(), starts.end(), offsets_[n]);
        }
        return {};
    }

    bool has(long long n) const {
        return n >= 0 && static_cast<std::size_t>(n) < offsets_.size() &&
               offsets_[static_cast<std::size_t>(n)] != kNone;
    }
    std::size_t start(long long n) const { return offsets_.at(static_cast<std::size_t>(n)); }
    // The whole object as it lies in the file: "N 0 obj ... endobj" and what follows it.
    std::string_view object(long long n) const {
        return bytes_.substr(start(n), ends_.at(static_cast<std::size_t>(n)) - start(n));
    }
    // The object's dictionary (or value): after "obj", up to "stream" or "endobj".
    std::string_view dictionary(long long n) const {
        std::string_view o = object(n);
        const std::size_t begin = o.find("obj");
        if (begin == std::string_view::npos) return {};
        std::size_t end = o.find("stream", begin);
        if (end == std::string_view::npos) end = o.find("endobj", begin);
        return o.substr(begin + 3,
                        end == std::string_view::npos ? std::string_view::npos : end - begin - 3);
    }
    // The raw data of a stream object, its length taken from /Length (direct or indirect).
    std::optional<std::string_view> streamData(long long n) const {
        const std::string_view dict = dictionary(n);
        std::optional<long long> length;
        if (auto ref = referenceOf(dict, "/Length")) {
            if (!has(*ref)) return std::nullopt;
            std::string_view value = dictionary(*ref);
            std::size_t p = 0;
            length = number(value, &p);
        } else {
            length = integerOf(dict, "/Length");
        }
        const std::string_view o = object(n);
        std::size_t at = o.find("stream");
        if (!length || *length < 0 || at == std::string_view::npos) return std::nullopt;
        at += 6;
        if (at < o.size() && o[at] == '\r') ++at;
        if (at < o.size() && o[at] == '\n') ++at;
        if (at + static_cast<std::size_t>(*length) > o.size()) return std::nullopt;
        return o.substr(at, static_cast<std::size_t>(*length));
    }

    std::string_view head() const {
        std::size_t first = xref_;
        for (std::size_t offset : offsets_) first = std::min(first, offset);
        return bytes_.substr(0, first);
    }
    // The objects there are, by number.
    std::vector<long long> objects() const {
        std::vector<long long> out;
        for (std::size_t n = 0; n < offsets_.size(); ++n) {
            if (offsets_[n] != kNone) out.push_back(static_cast<long long>(n));
        }
        return out;
    }
    std::string_view trailer() const { return trailer_; }
    long long size() const { return size_; }
    long long root() const { return root_; }

private:
    std::string_view bytes_;
    static constexpr std::size_t kNone = static_cast<std::size_t>(-1);
    std::vector<std::size_t> offsets_;  // by object number; kNone for a free one
    std::vector<std::size_t> ends_;
    std::size_t xref_ = 0;
    std::string_view trailer_;
    long long size_ = 0;
    long long root_ = 0;
};

// The page objects of the flat page list, in order.
std::optional<std::vector<long long>> kidsOf(std::string_view pagesDict) {
    auto at = keyAt(pagesDict, "/Kids");
    if (!at) return std::nullopt;
    const std::size_t open = pagesDict.find('[', *at);
    const std::size_t close = pagesDict.find(']', *at);
    if (open == std::string_view::npos || close == std::string_view::npos || close < open)
        return std::nullopt;
    const std::string_view list = pagesDict.substr(open + 1, close - open - 1);
    std::vector<long long> kids;
    std::size_t p = 0;
    for (;;) {
        while (p < list.size() && isSpace(list[p])) ++p;
        if (p >= list.size()) break;
        auto n = number(list, &p);
        auto g = number(list, &p);
        while (p < list.size() && isSpace(list[p])) ++p;
        if (!n || !g || p >= list.size() || list[p] != 'R') return std::nullopt;
        ++p;
        kids.push_back(*n);
    }
    return kids;
}

std::string fixed(double v) {
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%.9g", v);
    return buffer;
}

// The name token that is the value of `key`: its start and length.
std::optional<std::pair<std::size_t, std::size_t>> nameValue(std::string_view dict,
                                                             std::string_view key) {
    auto at = keyAt(dict, key);
    if (!at) return std::nullopt;
    std::size_t p = *at;
    while (p < dict.size() && isSpace(dict[p])) ++p;
    if (p >= dict.size() || dict[p] != '/') return std::nullopt;
    std::size_t end = p + 1;
    while (end < dict.size() && !isSpace(dict[end]) &&
           std::string_view("/[]<>()").find(dict[end]) == std::string_view::npos)
        ++end;
    return std::make_pair(p, end - p);
}

// Qt embeds only the glyphs a PDF uses and tags the descriptor's font name as a subset
// ("/QLBGAA+LiberationSans") but not the fonts' base names, by which readers tell a subset:
// the tagged name for each font object (the CID font and the composite font over it).
std::map<long long, std::string> subsetNames(const Draft& draft) {
    std::map<long long, std::string> names;
    std::map<long long, long long> composites;  // Type0 font -> its CID font
    for (long long n : draft.objects()) {
        const std::string_view dict = draft.dictionary(n);
        if (!keyAt(dict, "/BaseFont")) continue;
        if (keyAt(dict, "/Subtype /Type0")) {
            auto at = keyAt(dict, "/DescendantFonts");
            if (!at) continue;
            std::size_t p = dict.find('[', *at);
            if (p == std::string_view::npos) continue;
            ++p;
            if (auto cid = number(dict, &p)) composites[n] = *cid;
            continue;
        }
        auto descriptor = referenceOf(dict, "/FontDescriptor");
        if (!descriptor || !draft.has(*descriptor)) continue;
        const std::string_view d = draft.dictionary(*descriptor);
        auto name = nameValue(d, "/FontName");
        if (!name) continue;
        const std::string_view tagged = d.substr(name->first, name->second);
        if (tagged.find('+') == std::string_view::npos) continue;
        names[n] = std::string(tagged);
    }
    for (auto [font, cid] : composites) {
        if (auto it = names.find(cid); it != names.end()) names[font] = it->second;
    }
    return names;
}

// The object with its /BaseFont replaced by `name`.
std::string renamed(std::string_view object, const std::string& name) {
    auto value = nameValue(object, "/BaseFont");
    if (!value) return std::string(object);
    std::string out(object);
    out.replace(value->first, value->second, name);
    return out;
}

// What is written, in chunks of a size that keeps memory flat, and where it has got to.
class Output {
public:
    explicit Output(const Sink& sink) : sink_(sink) {}
    Output& operator+=(std::string_view s) {
        buffer_.append(s);
        if (buffer_.size() >= kChunk) flush();
        return *this;
    }
    std::size_t offset() const { return flushed_ + buffer_.size(); }
    bool flush() {
        if (ok_ && !buffer_.empty()) ok_ = sink_(buffer_);
        flushed_ += buffer_.size();
        buffer_.clear();
        return ok_;
    }

private:
    static constexpr std::size_t kChunk = 1 << 16;
    const Sink& sink_;
    std::string buffer_;
    std::size_t flushed_ = 0;
    bool ok_ = true;
};

struct Drawing {
    long long image = 0;     // the placeholder's object, which becomes the form
    long long contents = 0;  // the drawing page's content stream
    long long resources = 0;
    double width = 0, height = 0;  // its media box in points
};

}  // namespace

values::Result<std::size_t> shareDrawings(std::string_view bytes, int valuePages, int drawings,
                                          const Sink& write) {
    Draft draft(bytes);
    if (std::string why = draft.read(); !why.empty()) return Error{"draft PDF: " + why};
    const auto pagesRef = referenceOf(draft.dictionary(draft.root()), "/Pages");
    if (!pagesRef || !draft.has(*pagesRef)) return Error{"draft PDF: no page list"};
    const std::string_view pagesDict = draft.dictionary(*pagesRef);
    const auto kids = kidsOf(pagesDict);
    if (!kids || kids->size() != static_cast<std::size_t>(valuePages + drawings))
        return Error{"draft PDF: not the pages written"};

    std::vector<Drawing> forms(static_cast<std::size_t>(drawings));
    std::set<long long> dropped;
    for (int k = 0; k < drawings; ++k) {
        const long long page = (*kids)[static_cast<std::size_t>(valuePages + k)];
        if (!draft.has(page)) return Error{"draft PDF: a drawing page is missing"};
        const std::string_view dict = draft.dictionary(page);
        Drawing& d = forms[static_cast<std::size_t>(k)];
        auto contents = referenceOf(dict, "/Contents");
        auto resources = referenceOf(dict, "/Resources");
        auto box = keyAt(dict, "/MediaBox");
        if (!contents || !resources || !box || !draft.has(*contents))
            return Error{"draft PDF: a drawing page without contents"};
        std::size_t p = dict.find('[', *box);
        if (p == std::string_view::npos) return Error{"draft PDF: no media box"};
        ++p;
        auto x0 = real(dict, &p), y0 = real(dict, &p), x1 = real(dict, &p), y1 = real(dict, &p);
        // The placeholder's matrix is worked out for a box from the origin (as Qt writes it).
        if (!x0 || !y0 || !x1 || !y1 || *x0 != 0 || *y0 != 0 || !(*x1 > 0) || !(*y1 > 0))
            return Error{"draft PDF: bad media box"};
        d.contents = *contents;
        d.resources = *resources;
        d.width = *x1 - *x0;
        d.height = *y1 - *y0;
        dropped.insert(page);
        dropped.insert(*contents);
        if (auto annots = referenceOf(dict, "/Annots")) dropped.insert(*annots);
    }
    // The placeholders: images of 1 x (k + 1) pixels.
    const std::vector<long long> objects = draft.objects();
    for (long long n : objects) {
        const std::string_view dict = draft.dictionary(n);
        if (!keyAt(dict, "/Subtype /Image")) continue;
        const auto w = integerOf(dict, "/Width");
        const auto h = integerOf(dict, "/Height");
        if (!w || !h || *w != 1) continue;
        for (int k = 0; k < drawings; ++k) {
            if (*h == placeholderHeight(k)) forms[static_cast<std::size_t>(k)].image = n;
        }
    }

    Output out(write);
    out += draft.head();
    std::vector<std::size_t> written(static_cast<std::size_t>(draft.size()), 0);
    std::vector<bool> present(written.size(), false);
    std::map<long long, const Drawing*> formOf;
    for (const Drawing& d : forms) {
        // A drawing no page placed (not possible for the maker) has no image: nothing to do.
        if (d.image != 0) formOf[d.image] = &d;
    }
    const std::map<long long, std::string> fontNames = subsetNames(draft);
    std::vector<std::pair<std::size_t, long long>> order;
    for (long long n : objects) order.emplace_back(draft.start(n), n);
    std::sort(order.begin(), order.end());
    for (auto [offset, n] : order) {
        if (dropped.count(n) != 0) continue;
        if (static_cast<std::size_t>(n) < written.size()) {
            written[static_cast<std::size_t>(n)] = out.offset();
            present[static_cast<std::size_t>(n)] = true;
        }
        if (auto f = formOf.find(n); f != formOf.end()) {
            const Drawing& d = *f->second;
            const auto data = draft.streamData(d.contents);
            if (!data) return Error{"draft PDF: a drawing's content cannot be read"};
            const std::string_view contentDict = draft.dictionary(d.contents);
            const bool flate = keyAt(contentDict, "/Filter /FlateDecode").has_value();
            // The placeholder covers the media box, so Qt's matrices take the image's unit
            // square onto the page: the form's matrix scales the page back onto the unit
            // square, and the drawing's own content (in page space) lands where its page had
            // it.
            out += std::to_string(n) + " 0 obj\n<<\n/Type /XObject\n/Subtype /Form\n/BBox [0 0 " +
                   fixed(d.width) + " " + fixed(d.height) + "]\n/Matrix [" + fixed(1.0 / d.width) +
                   " 0 0 " + fixed(1.0 / d.height) + " 0 0]\n/Resources " +
                   std::to_string(d.resources) + " 0 R\n" +
                   (flate ? "/Filter /FlateDecode\n" : "") + "/Length " +
                   std::to_string(data->size()) + "\n>>\nstream\n";
            out += *data;
            out += "\nendstream\nendobj\n";
            continue;
        }
        if (n == *pagesRef) {
            std::string kidsText;
            for (int i = 0; i < valuePages; ++i)
                kidsText += std::to_string((*kids)[static_cast<std::size_t>(i)]) + " 0 R\n";
            out += std::to_string(n) + " 0 obj\n<<\n/Type /Pages\n/Kids [\n" + kidsText +
                   "]\n/Count " + std::to_string(valuePages) + "\n>>\nendobj\n";
            continue;
        }
        if (auto f = fontNames.find(n); f != fontNames.end()) {
            out += renamed(draft.object(n), f->second);
            continue;
        }
        out += draft.object(n);
    }
    const std::size_t xref = out.offset();
    out += "xref\n0 " + std::to_string(draft.size()) + "\n";
    char entry[32];
    for (long long n = 0; n < draft.size(); ++n) {
        const auto i = static_cast<std::size_t>(n);
        if (!present[i]) {
            std::snprintf(entry, sizeof entry, "%010d %05d f \n", 0, n == 0 ? 65535 : 0);
        } else {
            std::snprintf(entry, sizeof entry, "%010zu 00000 n \n", written[i]);
        }
        out += entry;
    }
    out += "trailer";
    out += draft.trailer();
    out += "startxref\n" + std::to_string(xref) + "\n%%EOF\n";
    if (!out.flush()) return Error{"the PDF could not be written"};
    return out.offset();
}

values::Result<std::string> shareDrawings(std::string_view draft, int valuePages, int drawings) {
    std::string pdf;
    auto made = shareDrawings(draft, valuePages, drawings, [&pdf](std::string_view chunk) {
        pdf.append(chunk);
        return true;
    });
    if (!made) return Error{made.error()};
    return pdf;
}

}  // namespace citforms::refhost
