/*
 * Fuzz target of the upgrade's reading of an old table: an input is a
 * .DBF and a .DBT (separated by "@@@@"). The table is opened read-only
 * with its memos; its fields get input rules in turn (an ISTR and an RSTR
 * rule with a dictionary, a memo rule, none); its current layout is made
 * and created, and its first records converted and written; every text
 * field is read as a type word, a yes/no value and the two kinds of id.
 */
#include <cstring>

#include "data/upgrade.h"
#include "fuzz_files.h"

namespace {

/* Most records a pass converts: a damaged count may be huge. */
constexpr long FUZZ_RECORDS = 64;
/* Kinds of rule the fields take in turn. */
constexpr int FUZZ_RULE_KINDS = 4;

/* Makes the rules of the table's fields; answers the list. */
col_attr_rec *make_rules(const dbf_handle *h)
{
    col_attr_rec *list = nullptr;
    for (int i = 0; i < h->field_count; i++) {
        int kind = i % FUZZ_RULE_KINDS;
        if (kind == FUZZ_RULE_KINDS - 1) continue;
        col_attr_rec *r = col_attr_new();
        if (!r) break;
        memcpy(r->column, h->fields[i].name, DBF_NAME_MAX);
        strcpy(r->table, "T");
        r->flags = kind == 0 ? COL_ATTR_ISTR : kind == 1 ? COL_ATTR_RSTR : COL_ATTR_MEMO;
        if (kind < 2) {
            r->tree = new item_node{};
            upg_keywords_tree(r->tree, "P", "D", "one (two three) four");
        }
        r->next = list;
        list = r;
    }
    return list;
}

/* Frees the rules and their trees. */
void free_rules(col_attr_rec *list)
{
    while (list) {
        col_attr_rec *next = list->next;
        if (list->tree) {
            item_root_empty(list->tree);
            delete list->tree;
            list->tree = nullptr;
        }
        col_attr_free(list);
        list = next;
    }
}

/* Reads every field of the current record the ways the catalogue is read. */
void read_values(dbf_handle *h)
{
    for (int i = 0; i < h->field_count; i++) {
        std::string text(dbf_field_at(h, i), h->fields[i].length);
        upg_field_type(text.c_str());
        upg_field_yes(text.c_str());
        upg_read_id(text.c_str());
        upg_read_id_field(text.data(), (int)text.size());
        upg_clean_name(text.data());
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    std::vector<std::string> parts = fuzz_split(data, size, 2);
    fuzz_clear();
    std::string table = fuzz_dir() + "/T";
    fuzz_put(table + ".DBF", parts[0]);
    fuzz_put(table + ".DBT", parts[1]);
    dbf_handle *old_h = dbf_new(), *new_h = dbf_new();
    if (old_h && new_h && dbf_open(old_h, table.c_str(), DBF_MODE_READ, 1) == DBF_OK) {
        upg_has_old_layout(old_h);
        col_attr_rec *rules = make_rules(old_h);
        if (upg_new_layout(old_h, "T", rules, new_h) == 0) {
            snprintf(new_h->path, sizeof new_h->path, "%s/NEW", fuzz_dir().c_str());
            if (dbf_create(new_h) == DBF_OK) {
                long count = (long)old_h->header.record_count;
                for (long n = 0; n < count && n < FUZZ_RECORDS; n++) {
                    if (dbf_read_record(old_h, n) != DBF_OK) break;
                    read_values(old_h);
                    upg_record_out out;
                    if (upg_convert_record(old_h, new_h, "T", rules, &out) == 0) dbf_write_record(new_h, n);
                }
            }
        }
        free_rules(rules);
    }
    dbf_close(old_h);
    dbf_close(new_h);
    dbf_free(old_h);
    dbf_free(new_h);
    return 0;
}
