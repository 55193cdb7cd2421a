#include "refhost/sql/dialect.h"

#include <algorithm>
#include <cctype>
#include <optional>

#include "citforms/values/text.h"

namespace refhost::sql {

namespace {

bool isSpace(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f' || c == '\v';
}
bool isDigit(char c) {
    return c >= '0' && c <= '9';
}
bool isWordStart(char c) {
    const auto u = static_cast<unsigned char>(c);
    return std::isalpha(u) != 0 || c == '_' || c == '@' || c == '#' || u >= 0x80;
}
bool isWordChar(char c) {
    return isWordStart(c) || isDigit(c) || c == '$';
}

using citforms::values::upperAscii;

bool isWord(const Token& t, std::string_view keyword) {
    return t.kind == TokenKind::Word && upperAscii(t.text) == upperAscii(keyword);
}
bool isPunct(const Token& t, std::string_view p) {
    return t.kind == TokenKind::Punct && t.text == p;
}
bool isOperator(const Token& t, std::string_view p) {
    return t.kind == TokenKind::Operator && t.text == p;
}
bool significant(const Token& t) {
    return t.kind != TokenKind::Space && t.kind != TokenKind::Comment;
}

std::string errorAt(std::string_view what, std::size_t offset) {
    return std::string(what) + " (pozycja " + std::to_string(offset + 1) + ")";
}

}  // namespace

Result<std::vector<Token>> tokenize(std::string_view sql) {
    std::vector<Token> tokens;
    std::size_t i = 0;
    const std::size_t n = sql.size();
    auto push = [&](TokenKind kind, std::size_t begin, std::size_t end) {
        tokens.push_back(Token{kind, std::string(sql.substr(begin, end - begin)), begin});
    };
    while (i < n) {
        const std::size_t start = i;
        const char c = sql[i];
        if (isSpace(c)) {
            while (i < n && isSpace(sql[i])) ++i;
            push(TokenKind::Space, start, i);
        } else if (c == '-' && i + 1 < n && sql[i + 1] == '-') {
            while (i < n && sql[i] != '\n') ++i;
            push(TokenKind::Comment, start, i);
        } else if (c == '/' && i + 1 < n && sql[i + 1] == '*') {
            const auto end = sql.find("*/", i + 2);
            if (end == std::string_view::npos) {
                return Result<std::vector<Token>>::failure(
                    errorAt("Niezakończony komentarz w tekście SQL", start));
            }
            i = end + 2;
            push(TokenKind::Comment, start, i);
        } else if (c == '\'' || c == '"' || c == '[') {
            const char close = c == '[' ? ']' : c;
            ++i;
            bool closed = false;
            while (i < n) {
                if (sql[i] == close) {
                    if (close != ']' && i + 1 < n && sql[i + 1] == close) {
                        i += 2;  // doubled quote stands for itself
                        continue;
                    }
                    ++i;
                    closed = true;
                    break;
                }
                ++i;
            }
            if (!closed) {
                return Result<std::vector<Token>>::failure(
                    errorAt(c == '\'' ? "Niezakończony tekst w apostrofach w tekście SQL"
                                      : "Niezakończona nazwa w cudzysłowie w tekście SQL",
                            start));
            }
            push(c == '\'' ? TokenKind::String : TokenKind::QuotedIdentifier, start, i);
        } else if (isDigit(c) || (c == '.' && i + 1 < n && isDigit(sql[i + 1]))) {
            while (i < n && isDigit(sql[i])) ++i;
            if (i < n && sql[i] == '.') {
                ++i;
                while (i < n && isDigit(sql[i])) ++i;
            }
            if (i + 1 < n && (sql[i] == 'e' || sql[i] == 'E')) {
                std::size_t j = i + 1;
                if (j < n && (sql[j] == '+' || sql[j] == '-')) ++j;
                if (j < n && isDigit(sql[j])) {
                    i = j;
                    while (i < n && isDigit(sql[i])) ++i;
                }
            }
            push(TokenKind::Number, start, i);
        } else if (isWordStart(c)) {
            while (i < n && isWordChar(sql[i])) ++i;
            push(TokenKind::Word, start, i);
        } else if (c == '(' || c == ')' || c == ',' || c == '.' || c == ';') {
            ++i;
            push(TokenKind::Punct, start, i);
        } else {
            static constexpr std::string_view twoChar[] = {"<>", "!=", "<=", ">=", "||", "=="};
            const auto two = sql.substr(i, 2);
            if (std::find(std::begin(twoChar), std::end(twoChar), two) != std::end(twoChar)) {
                i += 2;
            } else if (std::string_view("=<>+-*/%&|^~!?:").find(c) != std::string_view::npos) {
                ++i;
            } else {
                return Result<std::vector<Token>>::failure(
                    errorAt("Niedozwolony znak w tekście SQL", start));
            }
            push(TokenKind::Operator, start, i);
        }
    }
    return tokens;
}


namespace {

std::string unquoteString(const std::string& text) {
    std::string out;
    for (std::size_t i = 1; i + 1 < text.size(); ++i) {
        out.push_back(text[i]);
        if (text[i] == '\'' && text[i + 1] == '\'') ++i;
    }
    return out;
}

// The significant tokens of a text, by index into the full list.
std::vector<std::size_t> significantIndices(const std::vector<Token>& tokens) {
    std::vector<std::size_t> out;
    for (std::size_t i = 0; i < tokens.size(); ++i) {
        if (significant(tokens[i])) out.push_back(i);
    }
    return out;
}

// Reads "NAME", "dbo.NAME" at sig[pos]; advances pos. Empty when there is no name.
std::string readName(const std::vector<Token>& t, const std::vector<std::size_t>& sig,
                     std::size_t& pos) {
    if (pos < sig.size() && isWord(t[sig[pos]], "dbo") && pos + 2 < sig.size() &&
        isPunct(t[sig[pos + 1]], ".") && t[sig[pos + 2]].kind == TokenKind::Word) {
        pos += 2;
    }
    if (pos >= sig.size() || t[sig[pos]].kind != TokenKind::Word) return {};
    return upperAscii(t[sig[pos++]].text);
}

// Reads "(lit, lit, ...)" at sig[pos] (the parentheses may be absent when `optional`).
Result<std::vector<Literal>> readArguments(const std::vector<Token>& t,
                                           const std::vector<std::size_t>& sig, std::size_t& pos,
                                           bool optional) {
    using R = Result<std::vector<Literal>>;
    std::vector<Literal> args;
    if (pos >= sig.size() || !isPunct(t[sig[pos]], "(")) {
        if (optional) return args;
        return R::failure("Oczekiwano nawiasu z argumentami wywołania");
    }
    ++pos;
    if (pos < sig.size() && isPunct(t[sig[pos]], ")")) {
        ++pos;
        return args;
    }
    while (true) {
        if (pos >= sig.size()) return R::failure("Niezakończona lista argumentów wywołania");
        const Token& tok = t[sig[pos]];
        Literal lit;
        if ((isOperator(tok, "-") || isOperator(tok, "+")) && pos + 1 < sig.size() &&
            t[sig[pos + 1]].kind == TokenKind::Number) {
            lit.kind = Literal::Kind::Number;
            lit.text = (tok.text == "-" ? "-" : "") + t[sig[pos + 1]].text;
            pos += 2;
        } else if (tok.kind == TokenKind::Number) {
            lit.kind = Literal::Kind::Number;
            lit.text = tok.text;
            ++pos;
        } else if (tok.kind == TokenKind::String) {
            lit.kind = Literal::Kind::String;
            lit.text = unquoteString(tok.text);
            ++pos;
        } else if (isWord(tok, "null")) {
            lit.kind = Literal::Kind::Null;
            ++pos;
        } else {
            return R::failure(
                errorAt("Argument wywołania musi być liczbą lub tekstem: " + tok.text, tok.offset));
        }
        args.push_back(std::move(lit));
        if (pos >= sig.size()) return R::failure("Niezakończona lista argumentów wywołania");
        if (isPunct(t[sig[pos]], ",")) {
            ++pos;
            continue;
        }
        if (isPunct(t[sig[pos]], ")")) {
            ++pos;
            return args;
        }
        return R::failure(
            errorAt("Oczekiwano przecinka lub nawiasu: " + t[sig[pos]].text, t[sig[pos]].offset));
    }
}

bool atEnd(const std::vector<Token>& t, const std::vector<std::size_t>& sig, std::size_t pos) {
    if (pos < sig.size() && isPunct(t[sig[pos]], ";")) ++pos;
    return pos >= sig.size();
}

Result<Translation> parseCall(const std::vector<Token>& t, const std::vector<std::size_t>& sig) {
    std::size_t pos = 1;
    Translation out;
    out.kind = Translation::Kind::Procedure;
    out.name = readName(t, sig, pos);
    if (out.name.empty()) return Result<Translation>::failure("Brak nazwy procedury po CALL");
    auto args = readArguments(t, sig, pos, true);
    if (!args) return Result<Translation>::failure(args.error());
    if (!atEnd(t, sig, pos)) {
        return Result<Translation>::failure(
            errorAt("Nieoczekiwany tekst po wywołaniu procedury", t[sig[pos]].offset));
    }
    out.arguments = std::move(*args);
    return out;
}

// "select [dbo.]F(literals)" with F served by the host.
std::optional<Translation> parseHostFunction(const std::vector<Token>& t,
                                             const std::vector<std::size_t>& sig,
                                             const DialectOptions& options) {
    std::size_t pos = 1;
    const std::string name = readName(t, sig, pos);
    if (name.empty() || options.hostFunctions.count(name) == 0) return std::nullopt;
    if (pos >= sig.size() || !isPunct(t[sig[pos]], "(")) return std::nullopt;
    auto args = readArguments(t, sig, pos, false);
    if (!args || !atEnd(t, sig, pos)) return std::nullopt;
    Translation out;
    out.kind = Translation::Kind::Function;
    out.name = name;
    out.arguments = std::move(*args);
    return out;
}

struct PendingLimit {
    int depth;
    std::string count;
};

// Rewrites top/isnull/dbo. into the engine's SQL.
std::vector<Token> rewriteStatement(const std::vector<Token>& in) {
    std::vector<Token> out;
    out.reserve(in.size() + 4);
    std::vector<PendingLimit> limits;
    int depth = 0;
    std::size_t lastSignificant = 0;  // position in `out` just after the last significant
    auto nextSig = [&](std::size_t i) {
        ++i;
        while (i < in.size() && !significant(in[i])) ++i;
        return i;
    };
    auto flush = [&](int atDepth) {
        while (!limits.empty() && limits.back().depth == atDepth) {
            Token lim{TokenKind::Word, " limit " + limits.back().count, 0};
            out.insert(out.begin() + static_cast<std::ptrdiff_t>(lastSignificant), lim);
            ++lastSignificant;
            limits.pop_back();
        }
    };
    for (std::size_t i = 0; i < in.size(); ++i) {
        const Token& tok = in[i];
        if (isWord(tok, "dbo") && i + 2 < in.size() && isPunct(in[i + 1], ".") &&
            (in[i + 2].kind == TokenKind::Word || in[i + 2].kind == TokenKind::QuotedIdentifier)) {
            ++i;  // drop "dbo" and its dot
            continue;
        }
        if (isPunct(tok, ")")) flush(depth);
        if (isPunct(tok, ";") && depth == 0) flush(0);
        if (isWord(tok, "isnull") && nextSig(i) < in.size() && isPunct(in[nextSig(i)], "(")) {
            out.push_back(Token{TokenKind::Word, "coalesce", tok.offset});
        } else if (isWord(tok, "len") && nextSig(i) < in.size() &&
                   isPunct(in[nextSig(i)], "(")) {
            out.push_back(Token{TokenKind::Word, "length", tok.offset});
        } else {
            out.push_back(tok);
        }
        if (significant(tok)) lastSignificant = out.size();
        if (isPunct(tok, "(")) ++depth;
        if (isPunct(tok, ")")) --depth;
        if (!isWord(tok, "select")) continue;
        // select [distinct|all] top N | top (N)
        std::size_t j = nextSig(i);
        std::vector<std::size_t> keep;  // distinct/all between select and top
        if (j < in.size() && (isWord(in[j], "distinct") || isWord(in[j], "all"))) {
            keep.push_back(j);
            j = nextSig(j);
        }
        if (j >= in.size() || !isWord(in[j], "top")) continue;
        std::size_t k = nextSig(j);
        std::string count;
        std::size_t last = k;
        if (k < in.size() && in[k].kind == TokenKind::Number) {
            count = in[k].text;
        } else if (k < in.size() && isPunct(in[k], "(")) {
            const std::size_t m = nextSig(k);
            const std::size_t close = nextSig(m);
            if (m < in.size() && in[m].kind == TokenKind::Number && close < in.size() &&
                isPunct(in[close], ")")) {
                count = in[m].text;
                last = close;
            }
        }
        if (count.empty()) continue;
        limits.push_back(PendingLimit{depth, count});
        // Copy what lies between "select" and "top" (blanks, distinct), skip "top N" and
        // the blank after it.
        for (std::size_t x = i + 1; x < j; ++x) out.push_back(in[x]);
        if (!keep.empty()) lastSignificant = out.size();
        i = last;
        if (i + 1 < in.size() && in[i + 1].kind == TokenKind::Space) ++i;
    }
    flush(0);
    while (!limits.empty()) flush(limits.back().depth);
    return out;
}

bool isComparison(const Token& t) {
    static constexpr std::string_view ops[] = {"=", "<>", "!=", "<", ">", "<=", ">=", "=="};
    return t.kind == TokenKind::Operator &&
           std::find(std::begin(ops), std::end(ops), t.text) != std::end(ops);
}

// Numbers compared with a text column become text literals: nr_pola=13 -> nr_pola='13',
// coalesce(wartosc_pola,0) -> coalesce(wartosc_pola,'0').
void quoteNumbersAgainstText(std::vector<Token>& t, const DialectOptions& options) {
    if (!options.isTextColumn) return;
    std::vector<std::size_t> sig = significantIndices(t);
    auto textColumnEndingAt = [&](std::size_t p) {  // p indexes sig; a column name there?
        const Token& w = t[sig[p]];
        if (w.kind != TokenKind::Word) return false;
        if (p + 1 < sig.size() && isPunct(t[sig[p + 1]], ".")) return false;  // a qualifier
        return options.isTextColumn(upperAscii(w.text));
    };
    auto textColumnStartingAt = [&](std::size_t p, std::size_t& after) {
        if (p + 2 < sig.size() && t[sig[p]].kind == TokenKind::Word &&
            isPunct(t[sig[p + 1]], ".")) {
            p += 2;
        }
        if (p >= sig.size() || t[sig[p]].kind != TokenKind::Word) return false;
        after = p + 1;
        return options.isTextColumn(upperAscii(t[sig[p]].text));
    };
    // Quote the number at sig[p] (with a unary minus at sig[p-1] when `minus`).
    auto quoteNumber = [&](std::size_t p, bool minus) {
        Token& num = t[sig[p]];
        num.text = "'" + std::string(minus ? "-" : "") + num.text + "'";
        num.kind = TokenKind::String;
        if (minus) t[sig[p - 1]].text.clear();
    };
    for (std::size_t p = 0; p < sig.size(); ++p) {
        if (!isComparison(t[sig[p]])) continue;
        // column op number
        if (p >= 1 && textColumnEndingAt(p - 1) && p + 1 < sig.size()) {
            if (t[sig[p + 1]].kind == TokenKind::Number) {
                quoteNumber(p + 1, false);
            } else if (isOperator(t[sig[p + 1]], "-") && p + 2 < sig.size() &&
                       t[sig[p + 2]].kind == TokenKind::Number) {
                quoteNumber(p + 2, true);
            }
            continue;
        }
        // number op column
        std::size_t after = 0;
        if (p >= 1 && t[sig[p - 1]].kind == TokenKind::Number && p + 1 < sig.size() &&
            textColumnStartingAt(p + 1, after)) {
            quoteNumber(p - 1, false);
        }
    }
    // column [not] in (number, number, ...): every number of a list of literals.
    for (std::size_t p = 1; p + 1 < sig.size(); ++p) {
        if (!isWord(t[sig[p]], "in") || !isPunct(t[sig[p + 1]], "(")) continue;
        const std::size_t column = isWord(t[sig[p - 1]], "not") && p >= 2 ? p - 2 : p - 1;
        if (!textColumnEndingAt(column)) continue;
        std::vector<std::pair<std::size_t, bool>> numbers;  // position, with a unary minus
        std::size_t q = p + 2;
        bool literals = true;
        while (q < sig.size() && !isPunct(t[sig[q]], ")")) {
            const Token& item = t[sig[q]];
            if (item.kind == TokenKind::Number) {
                numbers.emplace_back(q, false);
            } else if (isOperator(item, "-") && q + 1 < sig.size() &&
                       t[sig[q + 1]].kind == TokenKind::Number) {
                numbers.emplace_back(++q, true);
            } else if (item.kind != TokenKind::String && !isPunct(item, ",")) {
                literals = false;  // a subquery or an expression: left to the engine
                break;
            }
            ++q;
        }
        if (!literals) continue;
        for (const auto& [at, minus] : numbers) quoteNumber(at, minus);
    }
    for (std::size_t p = 0; p + 1 < sig.size(); ++p) {
        if (!(isWord(t[sig[p]], "coalesce") && isPunct(t[sig[p + 1]], "("))) continue;
        std::size_t after = 0;
        if (!textColumnStartingAt(p + 2, after)) continue;
        if (after + 2 < sig.size() && isPunct(t[sig[after]], ",") &&
            t[sig[after + 1]].kind == TokenKind::Number && isPunct(t[sig[after + 2]], ")")) {
            quoteNumber(after + 1, false);
        }
    }
}

// In "insert ... values (...)" a decimal number is written as text, so that a column that
// keeps money as exact text receives "200.00" and not what a binary float prints.
void quoteDecimalsInValues(std::vector<Token>& t) {
    std::vector<std::size_t> sig = significantIndices(t);
    if (sig.empty() || !isWord(t[sig[0]], "insert")) return;
    int depth = 0;
    bool inValues = false;
    int valuesDepth = 0;
    for (std::size_t p = 0; p < sig.size(); ++p) {
        Token& tok = t[sig[p]];
        if (isPunct(tok, "(")) ++depth;
        if (isPunct(tok, ")")) --depth;
        if (isWord(tok, "values") && depth == 0) {
            inValues = true;
            valuesDepth = depth;
            continue;
        }
        if (!inValues || depth <= valuesDepth || tok.kind != TokenKind::Number) continue;
        if (tok.text.find('.') == std::string::npos) continue;
        bool minus = p >= 2 && isOperator(t[sig[p - 1]], "-") &&
                     (isPunct(t[sig[p - 2]], ",") || isPunct(t[sig[p - 2]], "("));
        tok.text = "'" + std::string(minus ? "-" : "") + tok.text + "'";
        tok.kind = TokenKind::String;
        if (minus) t[sig[p - 1]].text.clear();
    }
}

}  // namespace

bool isQuery(std::string_view hostSql) {
    auto tokens = tokenize(hostSql);
    if (!tokens) return false;
    for (const Token& tok : *tokens) {
        if (tok.kind == TokenKind::Space || tok.kind == TokenKind::Comment) continue;
        if (tok.kind == TokenKind::Punct && tok.text == "(") continue;
        return isWord(tok, "select") || isWord(tok, "with") || isWord(tok, "values");
    }
    return false;
}

Result<Translation> translate(std::string_view hostSql, const DialectOptions& options) {
    auto tokens = tokenize(hostSql);
    if (!tokens) return Result<Translation>::failure(tokens.error());
    const std::vector<std::size_t> sig = significantIndices(*tokens);
    if (sig.empty()) return Result<Translation>::failure("Pusty tekst SQL");
    // One statement at a time: a ";" outside strings and comments may only end the text.
    for (std::size_t i = 0; i + 1 < sig.size(); ++i) {
        const Token& tok = (*tokens)[sig[i]];
        if (tok.kind == TokenKind::Punct && tok.text == ";") {
            return Result<Translation>::failure(
                "Tekst SQL zawiera kilka poleceń (średnik na pozycji " +
                std::to_string(tok.offset + 1) + "); można wykonać tylko jedno naraz");
        }
    }
    const Token& first = (*tokens)[sig[0]];
    if (isWord(first, "call")) return parseCall(*tokens, sig);
    if (isWord(first, "select")) {
        if (auto fn = parseHostFunction(*tokens, sig, options)) return *fn;
    }
    std::vector<Token> out = rewriteStatement(*tokens);
    if (options.engine == Engine::PostgreSQL) quoteNumbersAgainstText(out, options);
    quoteDecimalsInValues(out);
    Translation result;
    result.kind = Translation::Kind::Statement;
    for (const Token& tok : out) result.sql += tok.text;
    return result;
}

}  // namespace refhost::sql
