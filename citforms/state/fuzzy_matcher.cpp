#include "citforms/state/fuzzy_matcher.h"

#include <QtCore/QString>
#include <QtCore/QStringList>

namespace citforms::module {

namespace {

QString prepare(std::string_view text, bool ignoreCase) {
    QString s = QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())).simplified();
    return ignoreCase ? s.toCaseFolded() : s;
}

// Share of the entry covered by `covered` characters, mapped onto [low, high].
int scale(qsizetype covered, qsizetype total, int low, int high) {
    if (total <= 0) return low;
    return low + static_cast<int>((high - low) * covered / total);
}

bool isSubsequence(const QString& query, const QString& entry) {
    qsizetype at = 0;
    for (QChar c : query) {
        if (c == ' ') continue;
        at = entry.indexOf(c, at);
        if (at < 0) return false;
        ++at;
    }
    return true;
}

}  // namespace

void FuzzyMatcher::init() {
    ignoreCase_ = false;
    wholeWords_ = false;
}

void FuzzyMatcher::setOption(int option, bool on) {
    if (option == kIgnoreCase) ignoreCase_ = on;
    if (option == kWholeWords) wholeWords_ = on;
}

bool FuzzyMatcher::option(int option) const {
    if (option == kIgnoreCase) return ignoreCase_;
    if (option == kWholeWords) return wholeWords_;
    return false;
}

int FuzzyMatcher::match(std::string_view query, std::string_view entry) const {
    const QString q = prepare(query, ignoreCase_);
    const QString e = prepare(entry, ignoreCase_);
    if (q.isEmpty() || e.isEmpty()) return 0;
    if (q == e) return 100;

    if (wholeWords_) {
        const QStringList entryWords = e.split(' ');
        qsizetype covered = 0;
        for (const QString& word : q.split(' ')) {
            if (!entryWords.contains(word)) return 0;
            covered += word.size();
        }
        return scale(covered, e.size(), 60, 99);
    }
    if (e.contains(q)) return scale(q.size(), e.size(), 60, 99);
    if (isSubsequence(q, e)) return scale(q.size(), e.size(), 1, 59);
    return 0;
}

}  // namespace citforms::module
