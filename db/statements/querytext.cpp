#include "db/statements/querytext.h"

#include "platform/asciitext.h"

#include <cctype>

namespace didu {

namespace {

struct Token {
    enum Kind { Word, Quoted, Symbol } kind;
    std::string text;   // quoted names without their quotes
    int depth;          // parentheses around the token
};

bool isWordByte(unsigned char c)
{
    // Bytes from 0x80 up belong to names: database text is carried in the
    // locale's code page and may hold letters of any script.
    return std::isalnum(c) || c == '_' || c == '$' || c >= 0x80;
}

/// Splits a query into words, quoted names and symbols; string literals and
/// comments are dropped.
std::vector<Token> tokenize(std::string_view sql)
{
    std::vector<Token> tokens;
    int depth = 0;
    std::size_t i = 0;
    const std::size_t n = sql.size();
    while (i < n) {
        const unsigned char c = static_cast<unsigned char>(sql[i]);
        if (c <= 0x20) {
            ++i;
        } else if (c == '-' && i + 1 < n && sql[i + 1] == '-') {
            while (i < n && sql[i] != '\n')
                ++i;
        } else if (c == '/' && i + 1 < n && sql[i + 1] == '*') {
            const auto end = sql.find("*/", i + 2);
            i = end == std::string_view::npos ? n : end + 2;
        } else if (c == '\'') {
            // A literal; a doubled quote inside it stands for one quote.
            ++i;
            while (i < n) {
                if (sql[i] == '\'' && !(i + 1 < n && sql[i + 1] == '\''))
                    break;
                i += sql[i] == '\'' ? 2 : 1;
            }
            ++i;
        } else if (c == '"') {
            std::string name;
            ++i;
            while (i < n) {
                if (sql[i] == '"') {
                    if (i + 1 < n && sql[i + 1] == '"') {
                        name += '"';
                        i += 2;
                        continue;
                    }
                    break;
                }
                name += sql[i++];
            }
            ++i;
            tokens.push_back({Token::Quoted, std::move(name), depth});
        } else if (isWordByte(c)) {
            const std::size_t start = i;
            while (i < n && isWordByte(static_cast<unsigned char>(sql[i])))
                ++i;
            tokens.push_back({Token::Word, std::string(sql.substr(start, i - start)), depth});
        } else {
            if (c == ')' && depth > 0)
                --depth;
            tokens.push_back({Token::Symbol, std::string(1, static_cast<char>(c)), depth});
            if (c == '(')
                ++depth;
            ++i;
        }
    }
    return tokens;
}

bool isWord(const Token& token, std::string_view word)
{
    return token.kind == Token::Word && asciiEqualsIgnoreCase(token.text, word);
}

bool isSymbol(const Token& token, char symbol)
{
    return token.kind == Token::Symbol && token.text.size() == 1 && token.text[0] == symbol;
}

/// Words that end the table list of a FROM clause.
bool endsTableList(const Token& token)
{
    for (const char* word : {"WHERE", "GROUP", "HAVING", "ORDER", "UNION", "PLAN", "ROWS", "FOR", "WINDOW",
                             "OFFSET", "FETCH"})
        if (isWord(token, word))
            return true;
    return isSymbol(token, ';');
}

/// Index of the first top-level token that is `word`, from `from`; -1 when none.
long findTopLevel(const std::vector<Token>& tokens, std::string_view word, std::size_t from = 0)
{
    for (std::size_t i = from; i < tokens.size(); ++i)
        if (tokens[i].depth == 0 && isWord(tokens[i], word))
            return static_cast<long>(i);
    return -1;
}

} // namespace

std::string singleTableName(std::string_view sql)
{
    const auto tokens = tokenize(sql);
    if (tokens.empty() || !isWord(tokens[0], "SELECT"))
        return {};
    const long from = findTopLevel(tokens, "FROM");
    if (from < 0)
        return {};
    std::size_t i = static_cast<std::size_t>(from) + 1;
    if (i >= tokens.size() || tokens[i].depth != 0 || tokens[i].kind == Token::Symbol)
        return {};
    const Token& table = tokens[i];
    for (std::size_t j = i + 1; j < tokens.size(); ++j) {
        const Token& t = tokens[j];
        if (t.depth == 0 && endsTableList(t))
            break;
        if (isSymbol(t, ',') || isWord(t, "JOIN") || isSymbol(t, '('))
            return {};
    }
    return table.kind == Token::Quoted ? table.text : asciiUpperCase(table.text);
}

std::vector<OrderItem> orderByItems(std::string_view sql)
{
    const auto tokens = tokenize(sql);
    long at = -1;
    for (long found = findTopLevel(tokens, "ORDER"); found >= 0;
         found = findTopLevel(tokens, "ORDER", static_cast<std::size_t>(found) + 1)) {
        const auto next = static_cast<std::size_t>(found) + 1;
        if (next < tokens.size() && isWord(tokens[next], "BY"))
            at = static_cast<long>(next) + 1;
    }
    std::vector<OrderItem> items;
    if (at < 0)
        return items;
    std::size_t i = static_cast<std::size_t>(at);
    while (i < tokens.size()) {
        // One item: up to the next top-level comma or the end of the clause.
        std::vector<const Token*> parts;
        while (i < tokens.size()) {
            const Token& t = tokens[i];
            if (t.depth == 0 && (isSymbol(t, ',') || isSymbol(t, ';') || isWord(t, "ROWS") || isWord(t, "FOR")
                                 || isWord(t, "OFFSET") || isWord(t, "FETCH") || isWord(t, "PLAN")))
                break;
            parts.push_back(&t);
            ++i;
        }
        OrderItem item;
        // Trailing modifiers: NULLS FIRST / LAST, then ASC / DESC, then COLLATE x.
        while (parts.size() >= 2 && isWord(*parts[parts.size() - 2], "NULLS"))
            parts.resize(parts.size() - 2);
        if (!parts.empty() && (isWord(*parts.back(), "DESC") || isWord(*parts.back(), "DESCENDING"))) {
            item.descending = true;
            parts.pop_back();
        } else if (!parts.empty() && (isWord(*parts.back(), "ASC") || isWord(*parts.back(), "ASCENDING"))) {
            parts.pop_back();
        }
        if (parts.size() >= 2 && isWord(*parts[parts.size() - 2], "COLLATE"))
            parts.resize(parts.size() - 2);
        // A plain column: a name, or names joined by ".", or a position.
        bool plain = !parts.empty() && parts.size() % 2 == 1;
        for (std::size_t k = 0; plain && k < parts.size(); ++k)
            plain = k % 2 == 0 ? parts[k]->kind != Token::Symbol : isSymbol(*parts[k], '.');
        if (plain) {
            const Token& last = *parts.back();
            const bool digits = last.kind == Token::Word && parts.size() == 1
                                && last.text.find_first_not_of("0123456789") == std::string::npos;
            if (digits && last.text.size() > 6)
                plain = false; // no result has that many columns
            else if (digits)
                item.position = std::stoi(last.text);
            else
                item.name = last.kind == Token::Quoted ? last.text : asciiUpperCase(last.text);
        }
        item.plain = plain;
        items.push_back(std::move(item));
        if (i < tokens.size() && isSymbol(tokens[i], ','))
            ++i;
        else
            break;
    }
    return items;
}

} // namespace didu
