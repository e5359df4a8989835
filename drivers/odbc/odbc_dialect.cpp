/*
** odbc_dialect.cpp: the statement rewriting table of the ODBC driver, the
** function codes of prepared statements, result column names, connection
** strings and the scrubbing of passwords from texts (see odbc_dialect.h).
**
** Statements are cut into tokens: words, quoted literals ('...' with ''
** inside), quoted identifiers ("..."), and single other characters, with
** the blanks between them kept. Rewriting compares words without regard
** to case and copies every other token as it stands.
*/
#include "drivers/odbc/odbc_dialect.h"

#include <cctype>
#include <set>
#include <vector>

namespace {

/* Longest unquoted schema name a server takes. */
constexpr std::size_t k_name_max = 63;
/* The PostgreSQL driver's keyword for reading a result through a server
** cursor. */
constexpr const char *k_declare_fetch = "UseDeclareFetch";

/* One token of a statement. */
struct token {
    std::string text;   /* the token as written */
    std::string space;  /* the blanks before it */
    bool word;          /* a word (letters, digits, "_") */
};

/* Cuts a statement into tokens. */
std::vector<token> tokens_of(const std::string &sql)
{
    std::vector<token> out;
    std::size_t i = 0, n = sql.size();
    while (i < n) {
        token t{std::string(), std::string(), false};
        while (i < n && std::isspace((unsigned char)sql[i])) t.space += sql[i++];
        if (i >= n) {
            if (!t.space.empty()) out.push_back(t);
            break;
        }
        char c = sql[i];
        if (std::isalnum((unsigned char)c) || c == '_') {
            t.word = true;
            while (i < n && (std::isalnum((unsigned char)sql[i]) || sql[i] == '_')) t.text += sql[i++];
        } else if (c == '\'' || c == '"') {
            /* A quoted literal or identifier, its doubled quotes inside. */
            t.text += sql[i++];
            while (i < n) {
                t.text += sql[i];
                if (sql[i++] == c) {
                    if (i < n && sql[i] == c) {
                        t.text += sql[i++];
                        continue;
                    }
                    break;
                }
            }
        } else {
            t.text += sql[i++];
        }
        out.push_back(t);
    }
    return out;
}

/* 1 when the token is the word w (any case). */
bool is_word(const token &t, const char *w)
{
    if (!t.word) return false;
    std::size_t k = 0;
    for (; w[k]; ++k)
        if (k >= t.text.size() || std::toupper((unsigned char)t.text[k]) != w[k]) return false;
    return k == t.text.size();
}

/* The statement's words up to the first non-word token, in capitals. */
std::vector<std::string> leading_words(const std::vector<token> &ts, std::size_t count)
{
    std::vector<std::string> out;
    for (const token &t : ts) {
        if (out.size() >= count || !t.word) break;
        std::string w;
        for (char c : t.text) w += (char)std::toupper((unsigned char)c);
        out.push_back(w);
    }
    return out;
}

/* Joins tokens back into a statement. */
std::string join(const std::vector<token> &ts)
{
    std::string out;
    for (const token &t : ts) out += t.space + t.text;
    return out;
}

/* 1 when the connection string cs sets the keyword key (any case). */
bool names_keyword(const std::string &cs, const char *key)
{
    std::size_t n = std::char_traits<char>::length(key);
    for (std::size_t at = 0; at < cs.size();) {
        while (at < cs.size() && cs[at] == ' ') ++at;
        std::size_t k = 0;
        while (k < n && at + k < cs.size() &&
               std::toupper((unsigned char)cs[at + k]) == std::toupper((unsigned char)key[k]))
            ++k;
        if (k == n && at + k < cs.size() && cs[at + k] == '=') return true;
        at = cs.find(';', at);
        if (at == std::string::npos) break;
        ++at;
    }
    return false;
}

/* The index after the parenthesised group that opens at ts[i]. */
std::size_t group_end(const std::vector<token> &ts, std::size_t i)
{
    int depth = 0;
    for (; i < ts.size(); ++i) {
        if (ts[i].text == "(") ++depth;
        if (ts[i].text == ")" && --depth == 0) return i + 1;
    }
    return i;
}

/* The index after the pattern that starts at ts[i], behind a LIKE: its
** operands (a literal, a parameter, a column, a function's call or a
** parenthesised expression) joined by "||". */
std::size_t pattern_end(const std::vector<token> &ts, std::size_t i)
{
    for (;;) {
        if (i >= ts.size()) return i;
        if (ts[i].text == "(") {
            i = group_end(ts, i);
        } else if (ts[i].word) {
            ++i;
            while (i + 1 < ts.size() && ts[i].text == "." && ts[i + 1].word) i += 2;
            if (i < ts.size() && ts[i].text == "(") i = group_end(ts, i);
        } else {
            ++i; /* a literal or a parameter */
        }
        if (i + 1 < ts.size() && ts[i].text == "|" && ts[i + 1].text == "|" && ts[i + 1].space.empty())
            i += 2;
        else
            return i;
    }
}

}  // namespace

std::string odbc_translate(const std::string &sql)
{
    std::vector<token> ts = tokens_of(sql);
    std::vector<std::string> lead = leading_words(ts, 2);
    bool ddl = lead.size() == 2 && (lead[0] == "CREATE" || lead[0] == "ALTER") && lead[1] == "TABLE";
    std::vector<token> out;
    for (std::size_t i = 0; i < ts.size(); ++i) {
        const token &t = ts[i];
        /* DOUBLE as a column type of a table's definition. */
        if (ddl && is_word(t, "DOUBLE") && !(i + 1 < ts.size() && is_word(ts[i + 1], "PRECISION"))) {
            out.push_back(t);
            out.push_back(token{"PRECISION", " ", true});
            continue;
        }
        /* A name the application gives a column that the server reserves
        ** (the profile tables' WINDOW), quoted in the server's folded case. */
        if (is_word(t, "WINDOW")) {
            out.push_back(token{"\"window\"", t.space, false});
            continue;
        }
        /* ALTER TABLE t MODIFY c type. */
        if (ddl && lead[0] == "ALTER" && is_word(t, "MODIFY") && i + 1 < ts.size() && ts[i + 1].word) {
            out.push_back(token{"ALTER", t.space, true});
            out.push_back(token{"COLUMN", " ", true});
            out.push_back(ts[i + 1]);
            out.push_back(token{"TYPE", " ", true});
            ++i;
            continue;
        }
        out.push_back(t);
    }
    /* col LIKE p: a CHAR column's value keeps its padding blanks in the
    ** server's LIKE, so 'Stra_e' or '%e' would find no padded value and
    ** NOT LIKE every one; as on DB3 the value is taken without them. */
    for (std::size_t i = 0; i < out.size(); ++i) {
        if (!is_word(out[i], "LIKE") || i == 0) continue;
        std::size_t last = i - 1;
        if (is_word(out[last], "NOT")) {
            if (last == 0) continue;
            --last;
        }
        auto is_name = [](const token &t) { return t.word || (!t.text.empty() && t.text[0] == '"'); };
        if (!is_name(out[last]) || std::isdigit((unsigned char)out[last].text[0])) continue;
        std::size_t first = last;
        while (first >= 2 && out[first - 1].text == "." && out[first - 1].space.empty() && is_name(out[first - 2]))
            first -= 2;
        out.insert(out.begin() + (std::ptrdiff_t)last + 1, token{")", "", false});
        out.insert(out.begin() + (std::ptrdiff_t)first, token{"RTRIM(", out[first].space, false});
        out[first + 1].space.clear();
        i += 2;
    }
    /* x LIKE p: "\" is a plain character of the pattern, as on DB3, where
    ** the server would take it as the pattern's escape. */
    for (std::size_t i = 0; i < out.size(); ++i) {
        if (!is_word(out[i], "LIKE")) continue;
        std::size_t end = pattern_end(out, i + 1);
        if (end < out.size() && is_word(out[end], "ESCAPE")) continue;
        out.insert(out.begin() + (std::ptrdiff_t)end, {token{"ESCAPE", " ", true}, token{"''", " ", false}});
        i = end + 1;
    }
    /* DROP INDEX i ON t: the index alone names it. */
    std::vector<std::string> drop = leading_words(out, 4);
    if (drop.size() == 4 && drop[0] == "DROP" && drop[1] == "INDEX" && drop[3] == "ON") out.resize(3);
    return join(out);
}

int odbc_function_code(const std::string &sql, int result_columns)
{
    if (result_columns > 0) return ODBC_FUNC_CURSOR;
    std::vector<std::string> w = leading_words(tokens_of(sql), 3);
    if (w.empty()) return ODBC_FUNC_OTHER;
    if (w[0] == "INSERT") return ODBC_FUNC_INSERT;
    if (w[0] == "UPDATE") return ODBC_FUNC_UPDATE;
    if (w[0] == "DELETE") return ODBC_FUNC_DELETE;
    if (w[0] == "SELECT") return ODBC_FUNC_CURSOR;
    if (w.size() < 2) return ODBC_FUNC_OTHER;
    bool index = w[1] == "INDEX" || (w.size() > 2 && w[1] == "UNIQUE" && w[2] == "INDEX");
    if (w[0] == "CREATE" && w[1] == "TABLE") return ODBC_FUNC_CREATE_TABLE;
    if (w[0] == "CREATE" && index) return ODBC_FUNC_CREATE_INDEX;
    if (w[0] == "ALTER" && w[1] == "TABLE") return ODBC_FUNC_ALTER_TABLE;
    if (w[0] == "DROP" && w[1] == "TABLE") return ODBC_FUNC_DROP_TABLE;
    if (w[0] == "DROP" && w[1] == "INDEX") return ODBC_FUNC_DROP_INDEX;
    return ODBC_FUNC_OTHER;
}

std::string odbc_column_name(const std::string &name)
{
    std::string out;
    for (char c : name) out += (char)std::toupper((unsigned char)c);
    return out;
}

std::string odbc_connection_string(const std::string &source, const std::string &user,
                                   const std::string &password)
{
    /* A value in braces, a "}" doubled: the driver takes what stands
    ** between them as it is, where a bare value would be decoded ("%41"
    ** read as "A", "+" as a blank) or cut at a ";". */
    auto braced = [](const std::string &v) {
        std::string b = "{";
        for (char c : v) {
            b += c;
            if (c == '}') b += '}';
        }
        return b + "}";
    };
    /* A data source's or user's name is written as it stands unless it
    ** holds a character of the string's own syntax. */
    auto value = [&](const std::string &v) {
        if (v.find_first_of(";{}") == std::string::npos && (v.empty() || (v.front() != ' ' && v.back() != ' ')))
            return v;
        return braced(v);
    };
    std::string cs = source.find('=') != std::string::npos ? source : "DSN=" + value(source);
    if (!cs.empty() && cs.back() != ';') cs += ';';
    /* Left to its default, the PostgreSQL driver reads a whole result into
    ** its own memory before the first row; through a server cursor it
    ** keeps a cache of rows. */
    if (!names_keyword(cs, k_declare_fetch)) cs += std::string(k_declare_fetch) + "=1;";
    /* The PostgreSQL driver takes the password out of its braces and
    ** decodes a bare one; the user name it takes as written. */
    if (!user.empty()) cs += "UID=" + value(user) + ";";
    if (!password.empty()) cs += "PWD=" + braced(password) + ";";
    return cs;
}

std::string odbc_scrub(const std::string &text, const std::string &password)
{
    if (password.empty()) return text;
    std::string out = text;
    for (std::size_t at = out.find(password); at != std::string::npos;
         at = out.find(password, at + 3))
        out.replace(at, password.size(), "***");
    return out;
}

std::string odbc_sqlstate(const std::string &server_state)
{
    static const struct {
        const char *server, *standard;
    } k_states[] = {
        {"42P01", "42S02"}, /* undefined table     */
        {"42P07", "42S01"}, /* table exists        */
        {"42703", "42S22"}, /* undefined column    */
        {"42701", "42S21"}, /* column exists       */
        {"42704", "42S12"}, /* undefined index     */
    };
    for (const auto &m : k_states)
        if (server_state == m.server) return m.standard;
    return server_state;
}

std::string odbc_word_literals(const std::string &sql)
{
    std::set<std::string> seen;
    std::string out;
    for (const token &t : tokens_of(sql)) {
        if (!t.word) continue;
        std::string w = odbc_column_name(t.text);
        if (seen.insert(w).second) out += (out.empty() ? "'" : ", '") + w + "'";
    }
    return out;
}

int odbc_plain_name(const std::string &name)
{
    if (name.empty() || name.size() > k_name_max) return 0;
    if (!std::isalpha((unsigned char)name[0]) && name[0] != '_') return 0;
    for (char c : name)
        if (!std::isalnum((unsigned char)c) && c != '_') return 0;
    return 1;
}
