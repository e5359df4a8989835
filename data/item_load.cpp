/*
** item_load.cpp: item trees from and to dictionary and profile tables and
** the indented text file of items.
**
** Every loader empties the root first; a failed load leaves it empty, a
** failed or cut-short save of a dBASE profile leaves the profile table as
** it was (data/dbf_refill.h). The text
** file holds one line per item in walk order, two blanks per level before
** the quoted long and short name, lines ending in CR LF:
**
**       "Granite","GR"
**         "Coarse",""
**
** Reading it back, a line indented further than the one before is a child
** of it; a line indented less climbs to the deepest open level whose own
** line is indented at most as far, so a written file reads back at every
** depth. A name cannot hold a double quote (the file has no escape for
** one): the writer refuses such an item and the reader a line whose quotes
** do not pair, each before it changes anything.
*/
#include "data/item_table.h"

#include <cstdio>
#include <cstdlib>
#include <cctype>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "core/err_text.h"
#include "core/msg_box.h"
#include "core/pjct.h"
#include "core/sql_access.h"
#include "core/str_util.h"
#include "data/dbf_refill.h"
#include "data/import_reader.h"
#include "platform/include/ads_host.h"
#include "wfile/wfile.h"

namespace {

/* Blanks written per level of depth. */
constexpr int BLANKS_PER_LEVEL = 2;
/* Fields of a text-file line: long name, short name, definition. */
constexpr int LINE_FIELDS = 3;
/* Most characters kept of each field. */
constexpr size_t k_field_max[LINE_FIELDS] = {DIX_LONGNAME_LEN, DIX_SHORTNAME_LEN, DIX_DEFINITION_LEN};
/* Highest byte counted among a line's leading blanks and controls. */
constexpr unsigned char LEAD_BLANK_LAST = 32;

/* 1 when the text is null or blank. */
int blank(const char *text)
{
    return !text || str_nonblank(text) != RTNORM;
}

/* Ends a failed load: the query closed, the root emptied; answers code. */
int load_failed(item_node *root, int code)
{
    prf_close();
    item_root_empty(root);
    return code;
}

/* One item of a profile as its table holds it. */
struct prf_item {
    uint32_t number;   /* BASENUMBER */
    uint32_t parent;   /* PARENTNUM */
    uint32_t window;   /* WINDOW */
    bool operator==(const prf_item &o) const { return number == o.number && parent == o.parent && window == o.window; }
};

/* The items of each profile as this session last loaded or saved them,
** by project and profile ("GEO\tROCKP"), so that a save over one another
** user changed since is told from one nobody changed. */
std::map<std::string, std::vector<prf_item>> s_seen;

/* The key of a profile of the profile side's project. */
std::string seen_key(const char *profile)
{
    const pjct_rec *p = prf_tables()->prf.project;
    std::string key = std::string(p ? p->name : "") + "\t" + profile;
    for (char &c : key) c = (char)std::toupper((unsigned char)c);
    return key;
}

/* Reads the items of a profile table on the profile side, in SORTNUMBER
** order (its header left out). The row count (0 for no table); the query's
** code when the table is there but cannot be read. */
int read_items(const char *profile, std::vector<prf_item> &out)
{
    out.clear();
    void *conn = prf_tables()->prf.connection;
    std::string text = std::string("SELECT ") + DIX_COL_NUMBER + ", " + PRF_COL_PARENT + ", " + PRF_COL_WINDOW +
                       " FROM " + profile + " WHERE " + DIX_COL_NUMBER + " > 0 ORDER BY " + PRF_COL_SORT;
    void *stmt = nullptr, *cursor = nullptr;
    sql_col_rec *row = nullptr;
    int n = conn && sql_is_ident(profile) ? sql_query(conn, text.c_str(), &stmt, &cursor, &row, 0) : -2;
    if (n < 0) return sql_no_table(n) ? 0 : n;
    int rc = n;
    for (int k = 0; k < n; k++) {
        int got = sql_fetch_counted(cursor, row, k);
        if (got != RTNORM) {
            rc = got;
            break;
        }
        const sql_col_rec *c = row;
        uint32_t v[3] = {0, 0, 0};
        for (int i = 0; i < 3 && c; i++, c = c->next) v[i] = (uint32_t)std::strtoul(c->text ? c->text : "0", nullptr, 10);
        out.push_back({v[0], v[1], v[2]});
    }
    sql_close_query(&stmt, &cursor, &row);
    return rc;
}

/* The items a tree is saved as, in walk order. */
std::vector<prf_item> tree_items(item_node *root)
{
    std::vector<prf_item> out;
    for (item_node *n = item_walk_next(root); n; n = item_walk_next(n))
        out.push_back({n->number, n->parent == root ? 0u : n->parent->number, n->second_number});
    return out;
}

/* "Coarse removed; Shale added": what another user changed between two
** states of a profile of the dictionary, items named by their long name. */
std::string changed_items(const char *dictionary, const std::vector<prf_item> &was, const std::vector<prf_item> &now)
{
    auto name = [&](uint32_t number) {
        char longname[DIX_LONGNAME_LEN + 1] = "";
        if (dix_find_number(dictionary, (uint16_t)number, longname, nullptr, nullptr) <= 0 || !longname[0])
            return "item " + std::to_string(number);
        return str_trim_right(longname);
    };
    auto find = [](const std::vector<prf_item> &in, uint32_t number) -> const prf_item * {
        for (const prf_item &i : in)
            if (i.number == number) return &i;
        return nullptr;
    };
    std::string out;
    auto say = [&](uint32_t number, const char *what) {
        out += (out.empty() ? "" : "; ") + name(number) + " " + what;
    };
    for (const prf_item &i : was)
        if (!find(now, i.number)) say(i.number, "removed");
    for (const prf_item &i : now) {
        const prf_item *before = find(was, i.number);
        if (!before) say(i.number, "added");
        else if (before->parent != i.parent) say(i.number, "moved");
    }
    return out.empty() ? "the order of its items" : out;
}

/* Names the root from a header row (item_root_init) while keeping the
** items loaded before it, so a header that is not the first row of the
** table loses none. Answers item_root_init's result. */
int name_root(item_node *root, const char *name, const char *dictionary)
{
    item_node *items = root->child;
    item_node **buckets = root->hash.buckets;
    root->child = nullptr;
    root->hash.buckets = nullptr;
    int rc = item_root_init(root, name, dictionary);
    root->child = items;
    root->hash.buckets = buckets;
    return rc;
}

/* Adds an item after `prev` (as the root's first child when prev is the
** root). */
item_node *add_after(item_node *root, item_node *prev, const char *name, const char *second, uint16_t number,
                     uint16_t window)
{
    if (prev == root) return item_add_child(root, name, second, number, window, nullptr);
    return item_add_sibling(prev, name, second, number, window, nullptr);
}

/* One line of the text file, split. */
struct text_line {
    int indent;                                   /* blanks and tabs among the leading characters */
    std::string field[LINE_FIELDS];               /* long name, short name, definition */
};

/* Splits a line: its indentation, then up to three fields each from the
** next double quote to the following one (empty without an opening quote),
** cut to their lengths. */
text_line split_line(const char *s)
{
    text_line line{};
    for (; *s && (unsigned char)*s <= LEAD_BLANK_LAST; ++s)
        if (*s == ' ' || *s == '\t') ++line.indent;
    for (int f = 0; f < LINE_FIELDS; ++f) {
        const char *open = std::strchr(s, '"');
        if (!open) break;
        const char *close = std::strchr(open + 1, '"');
        size_t len = close ? (size_t)(close - open - 1) : std::strlen(open + 1);
        line.field[f].assign(open + 1, len < k_field_max[f] ? len : k_field_max[f]);
        s = close ? close + 1 : open + 1 + len;
    }
    return line;
}

/* 1 when the line's double quotes pair: each field's closing quote is
** followed only by blanks up to a comma or the line's end. */
int quotes_pair(const char *s)
{
    for (const char *open = std::strchr(s, '"'); open; open = std::strchr(open, '"')) {
        const char *close = std::strchr(open + 1, '"');
        if (!close) return 0;
        for (open = close + 1; *open && (unsigned char)*open <= LEAD_BLANK_LAST; ++open) {}
        if (*open && *open != ',') return 0;
    }
    return 1;
}

/* The item below the root that cannot be written to a text file: its name
** blank or either name holding a double quote; null when there is none. */
const item_node *unwritable(item_node *root)
{
    for (item_node *n = item_walk_next(root); n; n = item_walk_next(n))
        if (!n->name || item_nonblank(n->name) != RTNORM || std::strchr(n->name, '"') ||
            (n->second_name && std::strchr(n->second_name, '"')))
            return n;
    return nullptr;
}

/* A line of the text file with its number, counting every line feed. */
struct numbered_line {
    int number;           /* 1 for the file's first line */
    std::string text;     /* up to ITEM_TEXT_LINE_MAX characters before the line feed */
};

/* Reads every line of the file (ITEM_TEXT_LINE_MAX characters at most
** each, the rest up to the line feed taken as the next line, as the
** reader always has). Answers 0; -9101 when memory runs out. */
int read_lines(FILE *fp, std::vector<numbered_line> &lines)
{
    char *buf = (char *)std::malloc(ITEM_TEXT_LINE_MAX + 1);
    if (!buf) return ERR_NO_MEMORY;
    int number = 1;
    for (;;) {
        int got = std::fscanf(fp, "%1024[^\n]", buf);
        if (got == EOF) break;
        if (got == 0) buf[0] = '\0';
        lines.push_back({number, buf});
        int c;
        while ((c = std::fgetc(fp)) == '\n') ++number;
        if (c != EOF) std::ungetc(c, fp);
    }
    std::free(buf);
    return 0;
}

/* Places an item read from the text file. `indent_at` holds the
** indentation of the line of each open level (index = depth). */
item_node *place_line(item_node *root, item_node *current, int indent, int *indent_at, const char *name,
                      const char *second, uint16_t number)
{
    if (current == root || (indent > indent_at[current->depth] && current->depth < ITEM_DEPTH_MAX))
        return item_add_child(current, name, second, number, 0, nullptr);
    item_node *at = current;
    while (at->depth > 1 && indent_at[at->depth] > indent) at = at->parent;
    return item_add_sibling(item_last_sibling(at), name, second, number, 0, nullptr);
}

}  // namespace

/* Why a save would write over another user's change; see item_table.h. */
std::string prf_changed_text(const char *profile, const char *dictionary, const char *source)
{
    if (blank(profile) || blank(dictionary)) return "";
    auto seen = s_seen.find(seen_key(profile));
    if (seen == s_seen.end()) return "";
    std::vector<prf_item> now;
    int got = read_items(source && !blank(source) ? source : profile, now);
    if (got < 0) return std::string("Profile ") + profile + " cannot be read: " + sql_failure_text(got) + ". Nothing was saved.";
    if (now == seen->second) return "";
    return std::string("Profile ") + profile + " was changed by another user since it was loaded: " +
           changed_items(dictionary, seen->second, now) + ". Nothing was saved.";
}

/* Loads a whole dictionary into the root: its header row (number 0) sets
** the root, every other row becomes an item under it in the table's order.
** Answers 0; -2 for a missing or blank argument; the query's code, also
** for a row that cannot be read; the root's error; -9101 when an item
** cannot be made (the root emptied, as after a row that cannot be read). */
int item_load_dictionary(const char *dictionary, item_node *root)
{
    if (blank(dictionary) || !root) return -2;
    int n = dix_select_all(dictionary);
    if (n < 0) return n;
    item_root_empty(root);
    item_node *prev = root;
    char *longname = nullptr, *shortname = nullptr;
    uint16_t number = 0;
    int got;
    while ((got = dix_fetch(&longname, &shortname, &number, nullptr)) == 0) {
        if (number == 0) {
            int rc = name_root(root, nullptr, dictionary);
            if (rc != 0) return load_failed(root, rc);
            continue;
        }
        item_node *item = add_after(root, prev, longname ? longname : "", shortname, number, 0);
        if (!item) return load_failed(root, ERR_NO_MEMORY);
        prev = item;
    }
    if (got != -1) return load_failed(root, got);
    dix_close();
    return 0;
}

/* Loads a profile joined with its dictionary into the root, in SORTNUMBER
** order: the header row must pack the dictionary's name; each item goes
** under the node of the current path whose number is its PARENTNUM.
** Answers 0; -2 for a missing or blank argument; the query's code, also
** for a row that cannot be read; -9503 for a profile of another
** dictionary; -9502 when an item cannot be placed (the root emptied, as
** after a row that cannot be read). */
int item_load_profile(const char *profile, const char *dictionary, item_node *root)
{
    if (blank(profile) || blank(dictionary) || !root) return -2;
    int n = prf_select_join(dictionary, profile);
    if (n < 0) return n;
    item_root_empty(root);
    item_node *current = root;
    char *longname = nullptr, *shortname = nullptr;
    uint16_t number = 0;
    uint32_t parent = 0, window = 0;
    int got;
    while ((got = prf_fetch(&longname, &shortname, &number, nullptr, &parent, &window)) == 0) {
        if (number == 0) {
            char packed[DIX_NAME_SIZE];
            prf_unpack_name(packed, (uint16_t)parent, (uint16_t)window);
            if (!str_eq_nocase(packed, dictionary)) return load_failed(root, ERR_PROFILE_DICTIONARY);
            if (name_root(root, profile, dictionary) != 0) return load_failed(root, ERR_LOAD_PROFILE);
            continue;
        }
        const char *name = longname ? longname : "";
        item_node *item = nullptr;
        if (current->number == parent) {
            item = item_add_child(current, name, shortname, number, (uint16_t)window, nullptr);
            if (!item && current != root)
                item = item_add_sibling(current, name, shortname, number, (uint16_t)window, nullptr);
        } else {
            item_node *below = current;
            while (below->parent && below->parent->number != parent) below = below->parent;
            if (below->parent) item = item_add_sibling(below, name, shortname, number, (uint16_t)window, nullptr);
        }
        if (!item) return load_failed(root, ERR_LOAD_PROFILE);
        current = item;
    }
    if (got != -1) return load_failed(root, got);
    prf_close();
    /* What the profile holds now is what a save of it may write over. */
    std::vector<prf_item> items;
    if (read_items(profile, items) >= 0) s_seen[seen_key(profile)] = items;
    return 0;
}

/* Saves a tree as a profile: the table is made again, then one row per
** item in walk order (SORTNUMBER counting from 1, the item's number, its
** parent's number or 0, its second number). Answers 0; -2 for a missing or
** blank argument; ERR_ITEM_NUMBER, nothing written, for more items than
** DIX_NUMBER_MAX; -9504 when the table cannot be made; -9810, said with
** what changed, when another user saved the profile since this session
** loaded or saved it (prf_changed_text: nothing written); an insert's
** code, a failure of the driver or the server said (the profile as it
** was). */
int item_save_profile(const char *profile, const char *dictionary, item_node *root)
{
    if (blank(profile) || blank(dictionary) || !root) return -2;
    /* Each item's sort number must fit, as its number does. */
    size_t items = 0;
    for (item_node *n = item_walk_next(root); n; n = item_walk_next(n)) items++;
    if (items > DIX_NUMBER_MAX) return ERR_ITEM_NUMBER;
    char p[DIX_SQL_SIZE], d[DIX_SQL_SIZE];
    std::snprintf(p, sizeof p, "%s", profile);
    std::snprintf(d, sizeof d, "%s", dictionary);
    str_upper(p);
    /* The former profile stays beside the new one until it is whole. */
    pjct_rec *project = prf_tables()->prf.project;
    dbf_refill refill;
    if (dix_check_name(p) == 0 && dbf_refill_begin(refill, project, p, "pv-profile's Save") != 0)
        return ERR_SAVE_PROFILE;
    /* Under the refill's mark no other save runs: a profile another user
    ** saved since this session loaded it is not written over (a server's
    ** former table is kept aside under another name meanwhile). */
    std::string kept = refill.connection && refill.had ? std::string(p) + "_DBO" : p;
    std::string changed = prf_changed_text(p, d, kept.c_str());
    if (!changed.empty()) {
        msg_alert(ERR_TITLE, "%s", changed.c_str());
        dbf_refill_end(refill, project, false);
        return ERR_ROW_CHANGED;
    }
    int rc = prf_create(p, d) != 0 || dbf_refill_guard(refill) != 0 ? ERR_SAVE_PROFILE : 0;
    uint16_t sort = 0;
    for (item_node *n = item_walk_next(root); rc == 0 && n; n = item_walk_next(n)) {
        prf_rec row = {++sort, n->number, n->parent == root ? 0u : n->parent->number, n->second_number};
        int put = prf_insert(p, row.sort, row.number, row.parent, row.window);
        if (put != RTNORM) rc = put;
    }
    /* A failure of the driver or the server is said here in its words;
    ** the callers say a code with a text, and an ended driver. */
    if (rc != 0 && !err_text(rc) && !sql_driver_lost(rc))
        msg_alert(ERR_TITLE, "Profile %s cannot be saved: %s. It is as it was before.", p, sql_failure_text(rc));
    /* A profile filled whole but not kept (its mark could not say so) was said. */
    if (dbf_refill_end(refill, project, rc == 0) != 0 && rc == 0) rc = ERR_SAVE_PROFILE;
    if (rc == 0) s_seen[seen_key(p)] = tree_items(root);
    return rc;
}

/* Writes the items of a tree to a text file: per item two blanks per
** level, then "long","short" and CR LF. Answers 0; -2 for a missing
** argument or blank path; -9505 after an alert, the file untouched, when
** an item has no name or a name holding a double quote; -9102 when the
** file cannot be opened; -9101 when its buffer cannot be set; -9504 when
** writing fails (the file removed). */
int item_write_text(const char *path, const char *dictionary, item_node *root)
{
    if (blank(path) || !dictionary || !root) return -2;
    if (const item_node *bad = unwritable(root)) {
        if (bad->name && item_nonblank(bad->name) == RTNORM)
            msg_alert(ERR_TITLE, "%s cannot be written to a text file: item %s holds a double quote", path,
                      std::strchr(bad->name, '"') ? bad->name : bad->second_name);
        else
            msg_alert(ERR_TITLE, "%s cannot be written to a text file: item number %u has no name", path,
                      (unsigned)bad->number);
        return ERR_TEXT_REFUSED;
    }
    FILE *fp = wf_fopen(path, "wb");   /* never through a link */
    if (!fp) return ERR_OPEN_FILE;
    if (std::setvbuf(fp, nullptr, _IOFBF, ITEM_TEXT_BUFFER) != 0) {
        std::fclose(fp);
        return ERR_NO_MEMORY;
    }
    int failed = 0;
    for (item_node *n = item_walk_next(root); n && !failed; n = item_walk_next(n))
        failed = std::fprintf(fp, "%*s\"%s\",\"%s\"\r\n", n->depth * BLANKS_PER_LEVEL, "", n->name,
                              n->second_name ? n->second_name : "") < 0;
    if (std::fclose(fp) != 0) failed = 1;
    if (failed) {
        std::remove(path);
        return ERR_SAVE_PROFILE;
    }
    return 0;
}

/* Reads a tree from a text file: the root gets the path (cut to 32
** characters) and the dictionary's name; each line with a long name is an
** item, named and numbered from the dictionary row of that long name or,
** when there is none, added to the dictionary with a new number; its
** indentation places it. Lines without a long name are passed over. The
** whole file is read, each line in UTF-8 when it is valid UTF-8 beyond
** ASCII and in Windows-1252 otherwise, and its quotes checked before the
** root or the dictionary changes. Answers 0; -2 for a missing root or path or a blank
** dictionary name; -9102 when the file cannot be opened; -9101 when memory
** runs out; -9505 after an alert naming the line whose quotes do not
** pair or that holds a character Windows-1252 lacks; an insert's code
** (the root emptied). */
int item_read_text(const char *path, const char *dictionary, item_node *root)
{
    if (!root || blank(path) || blank(dictionary)) return -2;
    FILE *fp = std::fopen(path, "rb");
    if (!fp) return ERR_OPEN_FILE;
    std::vector<numbered_line> lines;
    int rc = std::setvbuf(fp, nullptr, _IOFBF, ITEM_TEXT_BUFFER) != 0 ? ERR_NO_MEMORY : read_lines(fp, lines);
    std::fclose(fp);
    if (rc != 0) return rc;
    /* Each line is read in the encoding it was written in: UTF-8 when it is
    ** valid UTF-8 beyond ASCII, else Windows-1252 (the names' own). */
    for (numbered_line &l : lines) {
        if (!import_is_utf8(l.text.data(), l.text.size())) continue;
        std::string text;
        unsigned long bad = 0;
        if (import_to_cp1252(l.text.c_str(), 1, text, &bad) != 0) {
            msg_alert(ERR_TITLE, "%s line %d: U+%04lX is a character Windows-1252 lacks", path, l.number, bad);
            return ERR_TEXT_REFUSED;
        }
        l.text = text;
    }
    for (const numbered_line &l : lines)
        if (!quotes_pair(l.text.c_str())) {
            msg_alert(ERR_TITLE, "%s line %d: the double quotes do not pair (a name cannot hold one)", path,
                      l.number);
            return ERR_TEXT_REFUSED;
        }
    item_root_empty(root);
    rc = item_root_init(root, path, dictionary);
    item_node *current = root;
    int indent_at[ITEM_DEPTH_MAX + 1] = {};
    for (size_t k = 0; rc == 0 && k < lines.size(); ++k) {
        text_line line = split_line(lines[k].text.c_str());
        if (blank(line.field[0].c_str())) continue;

        char longname[DIX_LONGNAME_LEN + 1], shortname[DIX_SHORTNAME_LEN + 1];
        uint16_t number = 0;
        if (dix_find_long(dictionary, line.field[0].c_str(), longname, shortname, &number, nullptr) <= 0) {
            rc = dix_insert(dictionary, line.field[0].c_str(), line.field[1].c_str(), &number,
                            line.field[2].c_str(), 1);
            if (rc != 0) break;
            std::snprintf(longname, sizeof longname, "%s", line.field[0].c_str());
            std::snprintf(shortname, sizeof shortname, "%s", line.field[1].c_str());
        }
        item_node *item = place_line(root, current, line.indent, indent_at, longname, shortname, number);
        if (!item) continue;
        current = item;
        indent_at[item->depth] = line.indent;
    }
    if (rc != 0) item_root_empty(root);
    return rc;
}
