#include "citforms/forms/kind_file.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <sstream>

#include "citforms/print/document_lines.h"
#include "citforms/print/embedded_files.h"

namespace citforms::forms {

namespace {

using values::Result;
using values::Status;
namespace doc = print::doc;

std::optional<int> whole(std::string_view text) {
    const auto n = doc::readInt(text);
    if (!n || *n < 0) return std::nullopt;
    return *n;
}

// "2016-01-02".
std::optional<values::DayNumber> day(std::string_view text) {
    if (text.size() != 10 || text[4] != '-' || text[7] != '-') return std::nullopt;
    const auto y = whole(text.substr(0, 4));
    const auto m = whole(text.substr(5, 2));
    const auto d = whole(text.substr(8, 2));
    if (!y || !m || !d || *m < 1 || *m > 12 || *d < 1 || *d > 31) return std::nullopt;
    return values::fromDate(*y, static_cast<unsigned>(*m), static_cast<unsigned>(*d));
}

class Parser {
public:
    explicit Parser(std::string_view fileName) : file_(fileName) {}

    Result<KindFile> run(const std::vector<doc::Record>& records) {
        for (const doc::Record& rec : records) {
            if (Status st = record(rec); !st) return Result<KindFile>::failure(st.error());
        }
        if (kind_.templateId == 0) return Result<KindFile>::failure(file_ + ":1: no kind record");
        if (kind_.forms.empty()) return Result<KindFile>::failure(file_ + ": no forms record");
        if (kind_.windows.empty()) return Result<KindFile>::failure(file_ + ": no windows record");
        kind_.fileName = file_;
        return kind_;
    }

private:
    Status record(const doc::Record& rec) {
        doc::AttributeReader attrs(rec, file_);
        const auto fail = [&](std::string_view why) { return Status(attrs.error(why)); };
        const auto number = [&](const char* key, int& into) -> Status {
            const auto text = attrs.optional(key);
            if (!text) return {};
            const auto n = whole(*text);
            if (!n) return fail(std::string(key) + " is a position number");
            into = *n;
            return {};
        };
        if (kind_.templateId == 0 && rec.keyword != "kind") {
            return fail("the first record must be 'kind'");
        }
        if (rec.keyword == "kind") {
            if (kind_.templateId != 0) return fail("a second 'kind' record");
            const auto id = rec.words.size() == 1 ? whole(rec.words[0]) : std::nullopt;
            if (!id || *id == 0) return fail("kind needs its template number: kind 73 ...");
            kind_.templateId = *id;
            auto family = attrs.required("family");
            auto procedures = attrs.required("procedures");
            if (!family) return Status(values::Error{family.error()});
            if (!procedures) return Status(values::Error{procedures.error()});
            kind_.family = *family;
            kind_.procedures = *procedures;
            kind_.edition = attrs.optional("edition").value_or("");
            for (const auto& [key, into] : {std::pair{"from", &kind_.from},
                                            std::pair{"until", &kind_.until}}) {
                if (const auto text = attrs.optional(key)) {
                    *into = day(*text);
                    if (!*into) return fail(std::string(key) + " is a day: 2016-01-02");
                }
            }
            if (const auto f = attrs.optional("fallback")) {
                if (*f != "yes") return fail("fallback=yes or nothing");
                kind_.fallback = true;
            }
            return attrs.finish();
        }
        if (rec.keyword == "forms" || rec.keyword == "windows") {
            if (rec.words.empty()) return fail(rec.keyword + " needs at least one name");
            (rec.keyword == "forms" ? kind_.forms : kind_.windows) = rec.words;
            return attrs.finish();
        }
        if (rec.keyword == "print") {
            if (rec.words.size() != 1) return fail("print needs the main form's procedure");
            kind_.mainPrint = rec.words[0];
            return attrs.finish();
        }
        if (rec.keyword == "pdf") {
            if (rec.words.size() != 1) return fail("pdf needs one print procedure");
            PdfStep step{rec.words[0], 0, 0, ""};
            if (const auto when = attrs.optional("when")) {
                // "27": above 0; "7=2": equal to 2.
                const auto eq = when->find('=');
                const auto field = whole(when->substr(0, eq));
                const auto equals =
                    eq == std::string::npos ? std::optional<int>(0) : whole(when->substr(eq + 1));
                if (!field || !equals) return fail("when=FIELD or when=FIELD=VALUE");
                step.field = *field;
                step.equals = *equals;
            }
            if (const auto copies = attrs.optional("copies")) {
                const auto field = whole(*copies);
                auto of = attrs.required("of");
                if (!field || !of) return fail("copies=FIELD of=FORM");
                step.field = *field;
                step.perCopyOf = *of;
            }
            kind_.pdf.push_back(std::move(step));
            return attrs.finish();
        }
        if (rec.keyword == "new") {
            if (Status st = number("zero", kind_.zeroedOnCreation); !st) return st;
            return attrs.finish();
        }
        if (rec.keyword == "typed") {
            // CIT-8/O positions typed by hand where the newest attachment has a statement.
            for (const std::string& w : rec.words) {
                const auto n = w.starts_with('O') ? whole(std::string_view(w).substr(1))
                                                  : std::nullopt;
                if (!n) return fail("typed takes attachment positions: typed O79");
                kind_.attachmentTypedByHand.push_back(*n);
            }
            return attrs.finish();
        }
        if (rec.keyword == "results") {
            ResultPositions& r = kind_.results;
            for (const auto& [key, into] :
                 {std::pair{"due", &r.taxDue}, std::pair{"for-year", &r.taxForYear},
                  std::pair{"pay", &r.toPay}, std::pair{"overpaid", &r.overpaid}}) {
                if (Status st = number(key, *into); !st) return st;
            }
            return attrs.finish();
        }
        if (rec.keyword == "transfer") {
            TransferData& t = kind_.transfer;
            if (Status st = number("amount", t.amountField); !st) return st;
            auto symbol = attrs.required("symbol");
            auto period = attrs.required("period");
            if (!symbol || !period || (*period != "year" && *period != "month")) {
                return fail("transfer amount=N symbol=CIT8 period=year|month");
            }
            t.formSymbol = *symbol;
            t.monthly = *period == "month";
            return attrs.finish();
        }
        return fail("unknown record '" + rec.keyword + "'");
    }

    std::string file_;
    KindFile kind_;
};

std::vector<KindFile> readKindFiles() {
    std::vector<KindFile> kinds;
    const auto add = [&](KindFile k) {
        const bool repeated = std::any_of(kinds.begin(), kinds.end(), [&](const KindFile& o) {
            return o.templateId == k.templateId;
        });
        if (repeated) {
            std::cerr << "citforms: " << k.fileName << ": template " << k.templateId
                      << " has a kind already; left out\n";
            return;
        }
        kinds.push_back(std::move(k));
    };
    for (const std::string& name : print::embeddedFileNames()) {
        if (!name.ends_with(".kind")) continue;
        auto k = KindFile::parse(*print::embeddedFile(name), name);
        if (!k) {
            std::cerr << "citforms: declaration kinds: " << k.error() << '\n';
            std::abort();
        }
        add(std::move(*k));
    }
    if (const char* dir = std::getenv("CITFORMS_KINDS_DIR"); dir != nullptr && *dir != '\0') {
        std::vector<std::filesystem::path> files;
        std::error_code ec;
        for (const auto& entry : std::filesystem::directory_iterator(dir, ec)) {
            if (entry.path().extension() == ".kind") files.push_back(entry.path());
        }
        if (ec) std::cerr << "citforms: " << dir << ": " << ec.message() << '\n';
        std::sort(files.begin(), files.end());
        for (const auto& path : files) {
            std::ifstream in(path, std::ios::binary);
            std::ostringstream text;
            text << in.rdbuf();
            auto k = KindFile::parse(text.str(), path.string());
            if (!k) {
                std::cerr << "citforms: declaration kinds: " << k.error() << '\n';
                continue;
            }
            add(std::move(*k));
        }
    }
    std::sort(kinds.begin(), kinds.end(), [](const KindFile& a, const KindFile& b) {
        return a.templateId < b.templateId;
    });
    return kinds;
}

}  // namespace

bool KindFile::proposedFor(values::DayNumber period) const {
    if (!from && !until) return false;
    return (!from || period >= *from) && (!until || period <= *until);
}

Result<KindFile> KindFile::parse(std::string_view text, std::string_view fileName) {
    auto records = doc::splitRecords(text, fileName);
    if (!records) return Result<KindFile>::failure(records.error());
    return Parser(fileName).run(*records);
}

const std::vector<KindFile>& kindFiles() {
    static const std::vector<KindFile> kinds = readKindFiles();
    return kinds;
}

const KindFile* kindFile(std::int32_t templateId) {
    const auto& kinds = kindFiles();
    const auto it = std::find_if(kinds.begin(), kinds.end(), [&](const KindFile& k) {
        return k.templateId == templateId;
    });
    return it == kinds.end() ? nullptr : &*it;
}

}  // namespace citforms::forms
