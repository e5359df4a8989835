/*
** upg_files.cpp: the file work of the upgrade of a version-3.0 project:
** the item tree of a keyword list, the dictionary and profile files
** written from it, the current field layout of an old table and the
** conversion of its records. Nothing here needs a connection.
*/
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>
#include <vector>

#include "data/item_table.h"
#include "data/upgrade.h"
#include "sqlclient/base/asi_codepage.h"

namespace {

/* One field of a fixed layout. */
struct upg_desc {
    const char *name;   /* field name */
    char type;          /* type letter */
    int length;         /* width in characters */
    int decimals;       /* decimals of an N field */
};

/* The dictionary's fields, and the profile's. */
const upg_desc k_dictionary_layout[] = {
    {"BASENUMBER", 'N', 8, 0}, {"LONGNAME", 'C', 32, 0}, {"SHORTNAME", 'C', 32, 0}, {"DEFINITION", 'C', 70, 0}};
const upg_desc k_profile_layout[] = {
    {"SORTNUMBER", 'N', 8, 0}, {"BASENUMBER", 'N', 8, 0}, {"PARENTNUM", 'N', 8, 0}, {"WINDOW", 'N', 8, 0}};
const int k_layout_count = 4;

/* Name of the unique number field of a table. */
const char k_id_field[] = "ID";
/* Characters of an item name that name its field. */
const int k_item_field_chars = DBF_NAME_MAX;
/* Largest value an ISTR item writes as a number, and an RSTR item. */
const int k_istr_number_max = 99;
const double k_rstr_number_max = 99.99;
/* What an old code holds above the value: ISTR 1, RSTR 257; RSTR values are hundredths. */
const int k_istr_bias = 1;
const int k_rstr_bias = 257;
const double k_rstr_scale = 100.0;
/* Characters of one RSTR item in the old field. */
const int k_rstr_chars = 2;

/* The language-driver bytes of the DOS code pages an old table may declare. */
constexpr unsigned char k_language_437 = 0x01;
constexpr unsigned char k_language_850 = 0x02;
/* What a character Windows-1252 lacks becomes (the old table keeps it). */
constexpr char k_lacking_mark = '?';

/* The DOS code page a table declares (437, 850), whose text the upgrade
** converts into Windows-1252; 0 for any other declaration. */
int old_code_page(const dbf_handle *h)
{
    unsigned char language = h->header.reserved[DBF_LANGUAGE_AT];
    return language == k_language_437 ? ASI_CP_437 : language == k_language_850 ? ASI_CP_850 : 0;
}

/* Converts n bytes of code page cp into Windows-1252 in place, a character
** that page lacks into k_lacking_mark; the first such one goes to out
** (with the field's name) unless one is there already. */
void text_to_1252(char *text, size_t n, int cp, const char *field, upg_record_out *out)
{
    for (size_t i = 0; i < n; i++) {
        unsigned char b = (unsigned char)text[i];
        if (b < 0x80) continue;
        char16_t u = asi_cp_to_ucs(cp, b);
        unsigned char w = asi_cp_from_ucs(ASI_CP_1252, u);
        if (w == (unsigned char)k_lacking_mark && !out->lacking) {
            out->lacking = u;
            out->lacking_in = field;
        }
        text[i] = (char)w;
    }
}

/* 1 when c separates keywords: a blank, a control character or a parenthesis. */
int separates(unsigned char c)
{
    return c <= ' ' || c == '(' || c == ')';
}

/* Describes and creates a dBASE file without memo at dir + name from a
** layout; the record buffer is blank. Answers 0; UPG_ERR_FILES when it
** cannot be created; UPG_ERR_MEMORY when memory runs out. */
int create_plain(dbf_handle *h, const char *dir, const char *name, const upg_desc *layout, int count)
{
    int n = std::snprintf(h->path, sizeof h->path, "%s%s", dir, name);
    if (n < 0 || n >= (int)sizeof h->path) return UPG_ERR_FILES;
    h->fields = static_cast<dbf_field *>(std::calloc((size_t)count, sizeof(dbf_field)));
    if (!h->fields) return UPG_ERR_MEMORY;
    for (int i = 0; i < count; i++) {
        std::strncpy(h->fields[i].name, layout[i].name, DBF_NAME_MAX);
        h->fields[i].type = layout[i].type;
        h->fields[i].length = (unsigned char)layout[i].length;
        h->fields[i].decimals = (unsigned char)layout[i].decimals;
    }
    h->field_count = count;
    h->header.version = DBF_VERSION_PLAIN;
    h->mode = DBF_MODE_UPDATE;
    h->memo_state = 0;
    return dbf_create(h) == DBF_OK ? 0 : UPG_ERR_FILES;
}

/* Puts text left-aligned into the named field of the record buffer. */
void put_text(dbf_handle *h, const char *field, const char *text)
{
    int i = dbf_find_field(h, field);
    if (i >= 0) upg_copy_left(dbf_field_at(h, i), h->fields[i].length, text ? text : "");
}
/* Puts a number right-aligned into the named field of the record buffer. */
void put_number(dbf_handle *h, const char *field, unsigned long number)
{
    int i = dbf_find_field(h, field);
    if (i >= 0) upg_copy_right(dbf_field_at(h, i), h->fields[i].length, number);
}

/* The input rule of a column of a table, also under the column's
** reserved-word name; null when none. */
col_attr_rec *rule_of(col_attr_rec *rules, const char *column, const char *table)
{
    col_attr_rec *r = col_attr_find(rules, column, table, nullptr);
    if (r) return r;
    char name[DBF_NAME_SIZE];
    std::snprintf(name, sizeof name, "%s", column);
    return upg_reserved_name(name) ? col_attr_find(rules, name, table, nullptr) : nullptr;
}

/* 1 when a rule spreads its field over the top-level items of its dictionary. */
int spreads(const col_attr_rec *rule)
{
    return rule && rule->tree && rule->tree->child && (rule->flags & (COL_ATTR_ISTR | COL_ATTR_RSTR));
}

/* Items an old field of width characters holds for a rule: one character
** each for ISTR, two for RSTR. */
int item_room(const col_attr_rec *rule, int width)
{
    return (rule->flags & COL_ATTR_ISTR) ? width : width / k_rstr_chars;
}

/* Digits that keep apart item fields whose names clean to one. */
const char k_field_digits[] = "123456789";

/* 1 when a top-level item before item under root already bears its word. */
int repeats_word(const item_node *root, const char *word)
{
    for (const item_node *i = root->child; i; i = i->next)
        if (i->name && std::strcmp(i->name, word) == 0) return 1;
    return 0;
}

/* 1 when a descriptor is the unique number field of an old table. */
int is_id(const dbf_field *f)
{
    return upg_name_equal(f->name, k_id_field, DBF_NAME_MAX);
}

/* The value text of item k of an old ISTR or RSTR field into out (at least 8 bytes). */
void item_value(const col_attr_rec *rule, const char *old, int k, char *out, size_t size)
{
    if (rule->flags & COL_ATTR_ISTR) {
        int value = (int)(signed char)old[k] - k_istr_bias;
        if (value <= k_istr_number_max) std::snprintf(out, size, "%2d", value);
        else std::snprintf(out, size, "%c", old[k]);
        return;
    }
    int16_t pair = (int16_t)((unsigned char)old[k_rstr_chars * k] + 256 * (unsigned char)old[k_rstr_chars * k + 1]);
    double value = ((int)pair - k_rstr_bias) / k_rstr_scale;
    if (value <= k_rstr_number_max) std::snprintf(out, size, "%.2f", value);
    else std::snprintf(out, size, "%c", (char)(int)value);
}

} // namespace

/* Builds the item tree of a keyword list: a root named with the profile
** and dictionary names and, one level below it, an item per word (runs of
** characters above the blank other than parentheses), in order, numbered
** from 1; a word already made an item, or that cannot be added, takes no
** number. Answers the items
** made; -2 for a null argument; UPG_ERR_MEMORY when the root cannot be made. */
int upg_keywords_tree(item_node *root, const char *profile, const char *dictionary, const char *keywords)
{
    if (!root || !profile || !dictionary || !keywords) return -2;
    if (item_root_init(root, profile, dictionary) != 0) return UPG_ERR_MEMORY;
    item_node *last = nullptr;
    uint16_t number = 0;
    const unsigned char *p = reinterpret_cast<const unsigned char *>(keywords);
    while (*p) {
        while (*p && separates(*p)) p++;
        if (!*p) break;
        char word[ITEM_NAME_SIZE] = {};
        int n = 0;
        for (; *p && !separates(*p); p++)
            if (n < ITEM_NAME_MAX) word[n++] = (char)*p;
        if (repeats_word(root, word)) continue;   /* a repeated word is one item */
        item_node *made = last ? item_add_sibling(last, word, nullptr, (uint16_t)(number + 1), 0, nullptr)
                               : item_add_child(root, word, nullptr, (uint16_t)(number + 1), 0, nullptr);
        if (!made) continue;
        last = made;
        number++;
    }
    return number;
}

/* Writes an item tree as the dictionary file dir + dictionary + ".DBF"
** and the profile file dir + profile + ".DBF" (version 0x03, no memo): the
** root at record 0 (the dictionary's name, packed into PARENTNUM and
** WINDOW of the profile) and every item at the record of its number, in
** walk order. Answers 0; -2 for a null argument; UPG_ERR_FILES when a
** file cannot be created or written; UPG_ERR_MEMORY when memory runs out. */
int upg_write_dictionary_dbf(const char *dir, const char *dictionary, const char *profile, item_node *root)
{
    if (!dir || !dictionary || !profile || !root) return -2;
    dbf_handle *dix = dbf_new(), *prf = dbf_new();
    if (!dix || !prf) {
        dbf_free(dix);
        dbf_free(prf);
        return UPG_ERR_MEMORY;
    }
    int rc = create_plain(dix, dir, dictionary, k_dictionary_layout, k_layout_count);
    if (rc == 0) rc = create_plain(prf, dir, profile, k_profile_layout, k_layout_count);
    for (item_node *node = root; rc == 0 && node; node = item_walk_next(node)) {
        long number = node == root ? 0 : node->number;
        std::memset(dix->record, DBF_BLANK, (size_t)dix->header.record_length);
        std::memset(prf->record, DBF_BLANK, (size_t)prf->header.record_length);
        put_number(dix, "BASENUMBER", (unsigned long)number);
        put_text(dix, "LONGNAME", node == root ? dictionary : node->name);
        if (node != root && node->second_name) put_text(dix, "SHORTNAME", node->second_name);
        put_number(prf, "SORTNUMBER", (unsigned long)number);
        put_number(prf, "BASENUMBER", (unsigned long)number);
        if (node == root) {
            uint16_t first = 0, second = 0;
            prf_pack_name(dictionary, &first, &second);
            put_number(prf, "PARENTNUM", first);
            put_number(prf, "WINDOW", second);
        } else {
            put_number(prf, "PARENTNUM", node->parent && node->parent != root ? node->parent->number : 0);
            put_number(prf, "WINDOW", node->second_number);
        }
        if (dbf_write_record(dix, number) != DBF_OK || dbf_write_record(prf, number) != DBF_OK) rc = UPG_ERR_FILES;
    }
    if (dix->file && dbf_close(dix) != DBF_OK && rc == 0) rc = UPG_ERR_FILES;
    if (prf->file && dbf_close(prf) != DBF_OK && rc == 0) rc = UPG_ERR_FILES;
    dbf_free(dix);
    dbf_free(prf);
    return rc;
}

/* The field names of the top-level items of a rule's dictionary, in item
** order: an item's first 10 characters in capitals and cleaned, a
** reserved word ending in '_'; a name an earlier item of the rule took
** ends in the first digit (1 to 9) that sets it apart, or, with none left,
** is empty (the item gets no field). */
void upg_item_fields(const col_attr_rec *rule, std::vector<std::string> &out)
{
    out.clear();
    if (!rule || !rule->tree) return;
    for (const item_node *item = rule->tree->child; item; item = item->next) {
        char name[DBF_NAME_SIZE] = {};
        std::snprintf(name, sizeof name, "%.*s", k_item_field_chars, item->name ? item->name : "");
        upg_upper_n(name, k_item_field_chars);
        upg_clean_name(name);
        upg_reserved_name(name);
        auto taken = [&out](const char *n) {
            for (const std::string &o : out)
                if (upg_name_equal(o.c_str(), n, DBF_NAME_MAX)) return 1;
            return 0;
        };
        std::string field = name;
        size_t at = std::strlen(name) < (size_t)k_item_field_chars ? std::strlen(name) : k_item_field_chars - 1;
        for (const char *d = k_field_digits; taken(field.c_str()) && *d; d++) {
            name[at] = *d;
            name[at + 1] = '\0';
            field = name;
        }
        out.push_back(taken(field.c_str()) ? std::string() : field);
    }
}

/* 1 when an open table is in the old layout: it has a field "ID" of type C. */
int upg_has_old_layout(const dbf_handle *h)
{
    if (!h || !h->fields) return 0;
    for (int i = 0; i < h->field_count; i++)
        if (is_id(&h->fields[i]) && h->fields[i].type == 'C') return 1;
    return 0;
}

/* Describes in new_h (path left to the caller) the current layout of the
** old table open in old_h: the old fields in order, a reserved-word name
** ending in '_', with "ID" as N 8, D fields as C, M fields as C (the first
** C 4, every further one C 100), and a field whose rule is ISTR or RSTR
** with a dictionary as one C field per top-level item that fits the old
** field (C 2 for ISTR, C 5 for RSTR). Version 0x03, mode update, blank
** record buffer. Answers 0; -2 for a null argument; UPG_ERR_FILES for a
** layout a file cannot hold; UPG_ERR_MEMORY when memory runs out. */
int upg_new_layout(dbf_handle *old_h, const char *table, col_attr_rec *rules, dbf_handle *new_h)
{
    if (!old_h || !old_h->fields || !table || !new_h) return -2;
    std::vector<dbf_field> fields;
    int memos = 0;
    for (int i = 0; i < old_h->field_count; i++) {
        dbf_field f{};
        dbf_copy_field_desc(&f, &old_h->fields[i]);
        col_attr_rec *rule = rule_of(rules, old_h->fields[i].name, table);
        if (spreads(rule)) {
            std::vector<std::string> names;
            upg_item_fields(rule, names);
            int room = item_room(rule, old_h->fields[i].length);
            for (int k = 0; k < room && k < (int)names.size(); k++) {
                if (names[(size_t)k].empty()) continue;
                dbf_field g{};
                std::snprintf(g.name, sizeof g.name, "%s", names[(size_t)k].c_str());
                g.type = 'C';
                g.length = (rule->flags & COL_ATTR_ISTR) ? UPG_ISTR_WIDTH : UPG_RSTR_WIDTH;
                fields.push_back(g);
            }
            continue;
        }
        upg_reserved_name(f.name);
        if (is_id(&f)) {
            f.type = 'N';
            f.length = UPG_ID_WIDTH;
            f.decimals = 0;
        } else if (f.type == 'D') {
            f.type = 'C';
        } else if (f.type == 'M') {
            f.type = 'C';
            f.length = memos++ == 0 ? UPG_MEMO_FIRST_WIDTH : UPG_MEMO_MORE_WIDTH;
        }
        fields.push_back(f);
    }
    long record_length = 1;
    for (const dbf_field &f : fields) record_length += f.length;
    if (fields.empty() || record_length > DBF_HEADER_MAX) return UPG_ERR_FILES;
    dbf_field *made = static_cast<dbf_field *>(std::calloc(fields.size(), sizeof(dbf_field)));
    char *record = static_cast<char *>(std::malloc((size_t)record_length));
    if (!made || !record) {
        std::free(made);
        std::free(record);
        return UPG_ERR_MEMORY;
    }
    std::memcpy(made, fields.data(), fields.size() * sizeof(dbf_field));
    std::memset(record, DBF_BLANK, (size_t)record_length);
    std::free(new_h->fields);
    std::free(new_h->record);
    new_h->fields = made;
    new_h->field_count = (int)fields.size();
    new_h->record = record;
    new_h->header.version = DBF_VERSION_PLAIN;
    new_h->header.record_count = 0;
    new_h->header.record_length = (int16_t)record_length;
    new_h->mode = DBF_MODE_UPDATE;
    new_h->memo_state = 0;
    return 0;
}

/* Converts the current record of old_h into new_h's record buffer (the
** layout of upg_new_layout): fields copied by name (a reserved-word field
** into its '_' name), the old ID written as its number, the first memo
** field's text handed back in out (its field then holds "MEMO"), and an
** ISTR or RSTR field that is not all blanks spread over its item fields.
** Text of a table that declares a DOS code page (437, 850) is converted
** into Windows-1252; the first character that page lacks is named in out.
** Answers 0; -2 for a null argument; UPG_ERR_MEMORY when memory runs out. */
int upg_convert_record(dbf_handle *old_h, dbf_handle *new_h, const char *table, col_attr_rec *rules,
                       upg_record_out *out)
{
    if (!old_h || !new_h || !table || !out || !old_h->record || !new_h->record) return -2;
    out->number = -1;
    out->memo.clear();
    out->has_memo = 0;
    out->lacking = 0;
    out->lacking_in.clear();
    const int cp = old_code_page(old_h);
    if (dbf_copy_record(new_h, old_h) == DBF_ERR_OPEN) return UPG_ERR_MEMORY;
    int memos = 0;
    for (int i = 0; i < old_h->field_count; i++) {
        const dbf_field &f = old_h->fields[i];
        const char *old = dbf_field_at(old_h, i);
        char name[DBF_NAME_SIZE] = {};
        std::memcpy(name, f.name, DBF_NAME_MAX);
        col_attr_rec *rule = rule_of(rules, name, table);
        if (spreads(rule)) {
            int blank = 1;
            for (int c = 0; c < f.length; c++) blank = blank && old[c] == DBF_BLANK;
            if (blank) continue;
            std::vector<std::string> names;
            upg_item_fields(rule, names);
            int room = item_room(rule, f.length);
            for (int k = 0; k < room && k < (int)names.size(); k++) {
                int j = names[(size_t)k].empty() ? -1 : dbf_find_field(new_h, names[(size_t)k].c_str());
                if (j < 0) continue;
                char value[32];
                item_value(rule, old, k, value, sizeof value);
                char *d = dbf_field_at(new_h, j);
                std::memset(d, DBF_BLANK, new_h->fields[j].length);
                size_t n = std::strlen(value);
                std::memcpy(d, value, n < new_h->fields[j].length ? n : new_h->fields[j].length);
            }
            continue;
        }
        int renamed = upg_reserved_name(name);
        int j = dbf_find_field(new_h, name);
        if (j < 0) continue;
        char *d = dbf_field_at(new_h, j);
        int dl = new_h->fields[j].length;
        if (is_id(&f) && f.type == 'C') {
            out->number = upg_read_id_field(old, f.length);
            upg_copy_right(d, dl, (unsigned long)out->number);
        } else if (f.type == 'M') {
            if (memos++ > 0) continue;
            size_t n = dbt_memo_text(old_h, i, nullptr, 0);
            std::memset(d, DBF_BLANK, (size_t)dl);
            if (n == DBT_NO_MEMORY) return UPG_ERR_MEMORY;
            if (n == 0) continue;
            try {
                out->memo.assign(n + 1, '\0');
            } catch (const std::bad_alloc &) {
                return UPG_ERR_MEMORY;
            }
            if (dbt_memo_text(old_h, i, out->memo.data(), n + 1) == DBT_NO_MEMORY) return UPG_ERR_MEMORY;
            out->memo.resize(n);
            if (cp) text_to_1252(out->memo.data(), n, cp, name, out);
            out->has_memo = 1;
            std::memcpy(d, UPG_MEMO_MARK, std::strlen(UPG_MEMO_MARK));
        } else if (renamed && f.type != 'F' && f.type != 'G' && f.type != 'P') {
            std::memset(d, DBF_BLANK, (size_t)dl);
            std::memcpy(d, old, (size_t)(f.length < dl ? f.length : dl));
        }
        if (cp && f.type == 'C' && !is_id(&f) && new_h->fields[j].type == 'C') text_to_1252(d, (size_t)dl, cp, name, out);
    }
    return 0;
}
