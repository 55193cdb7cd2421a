#pragma once
// The host dialect and its translation to each engine.
//
// The module writes SQL in the host database's own dialect: "select top 1 ...", "isnull(",
// the "dbo." schema prefix, "CALL NAME (1,'x')" for the host's stored procedures and
// "select dbo.TG_GetMalyPodatnikStan(3, 80000)" for a host function. translate() reads
// such a text with a real tokenizer and gives either SQL for the engine or the host call:
//
//   auto t = translate("select top 1 nip from FIRMA order by nip Desc", options);
//   // t->sql == "select nip from FIRMA order by nip Desc limit 1"
//
// Whitespace, comments and the spelling of untouched tokens are kept as written.
#include <functional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "citforms/values/result.h"
#include "refhost/sql/database.h"

namespace refhost::sql {

enum class TokenKind {
    Space,             // blanks, tabs, line breaks
    Comment,           // "-- ..." to the end of the line, or "/* ... */"
    Word,              // identifier or keyword
    QuotedIdentifier,  // "name" or [name]
    String,            // 'text' with '' for an apostrophe
    Number,            // 12, 12.50, .5, 1e3
    Operator,          // = <> != <= >= < > + - * / % ||
    Punct,             // ( ) , . ;
};

struct Token {
    TokenKind kind;
    std::string text;  // exactly as written
    std::size_t offset = 0;
};

// Splits SQL text into tokens; concatenating the texts gives the input back. Fails on an
// unterminated string, quoted identifier or block comment, and on a stray character.
Result<std::vector<Token>> tokenize(std::string_view sql);

// A literal argument of a procedure or host-function call.
struct Literal {
    enum class Kind { Number, String, Null };
    Kind kind = Kind::Null;
    std::string text;  // the number as written (sign included) or the string's value
};

struct DialectOptions {
    Engine engine = Engine::SQLite;
    // Names (upper case) of functions the host serves itself in "select NAME(args)".
    std::set<std::string> hostFunctions;
    // Whether a column of this name holds text in every table that has it. Engines without
    // implicit text/number conversion (PostgreSQL) need numbers compared with such a
    // column written as text: nr_pola=13 -> nr_pola='13'. May be empty.
    std::function<bool(std::string_view column)> isTextColumn;
};

struct Translation {
    enum class Kind { Statement, Procedure, Function };
    Kind kind = Kind::Statement;
    std::string sql;                // Statement: the text for the engine
    std::string name;               // Procedure, Function: the name in upper case
    std::vector<Literal> arguments; // Procedure, Function
};

// One statement (a ";" may end it, nothing may follow); several are refused.
Result<Translation> translate(std::string_view hostSql, const DialectOptions& options);

// Whether the text is a query (SELECT, WITH or VALUES first): what may run on a database
// opened read-only.
bool isQuery(std::string_view hostSql);

}  // namespace refhost::sql
