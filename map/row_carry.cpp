/*
** row_carry.cpp: an added row's key values carried into the entry rows
** of the project's other tables.
**
** After a SAMPLE row with STATION "ST12" and SAMPLE "S3" is added, every
** other table's entry row shows STATION "ST12" and SAMPLE "S3" (where the
** table has those key columns), and the ANALYSIS column of every entry row
** is emptied, so that the next child row starts with its parents' numbers.
*/
#include <cstdlib>
#include <cstring>
#include <string>

#include "core/pjct_list.h"
#include "core/sql_access.h"
#include "core/str_util.h"
#include "core/tbl.h"
#include "map/row_cmd.h"

namespace {

/* Most key slots one copy may be kept out of. */
constexpr int CARRY_EXCLUDE_MAX = 4;
/* Most key values one added type copies. */
constexpr int CARRY_COPY_MAX = 3;
/* End of a slot list. */
constexpr int CARRY_END = -1;

/* One key value copied: its slot and the target slots whose column it
** must never be written into. */
struct carry_copy {
    int slot;                              /* TBL_KEY_* copied */
    int exclude[CARRY_EXCLUDE_MAX];        /* target slots refused, CARRY_END ended */
};

/* The rule of every copied key. */
const carry_copy k_station = {TBL_KEY_STATION, {TBL_KEY_OUTCROP, TBL_KEY_TRAVERSE, TBL_KEY_BASENUMBER, CARRY_END}};
const carry_copy k_sample = {TBL_KEY_SAMPLE, {TBL_KEY_BASENUMBER, TBL_KEY_SEGMENT, TBL_KEY_ROCK, TBL_KEY_STATION}};
const carry_copy k_rock = {TBL_KEY_ROCK, {TBL_KEY_BASENUMBER, TBL_KEY_SEGMENT, TBL_KEY_STATION, CARRY_END}};
const carry_copy k_segment = {TBL_KEY_SEGMENT, {TBL_KEY_BASENUMBER, TBL_KEY_STATION, CARRY_END}};
const carry_copy k_outcrop = {TBL_KEY_OUTCROP, {TBL_KEY_TRAVERSE, TBL_KEY_BASENUMBER, CARRY_END}};
const carry_copy k_traverse = {TBL_KEY_TRAVERSE, {TBL_KEY_BASENUMBER, CARRY_END}};

/* What each added table type copies and the first key slot it empties
** (the slots from there down to ANALYSIS; CARRY_END empties none). */
struct carry_rule {
    int type;                               /* TBL_DEF_* of the added table */
    const carry_copy *copies[CARRY_COPY_MAX];/* null ended */
    int first_emptied;                      /* TBL_KEY_* or CARRY_END */
};
const carry_rule k_rules[] = {
    {TBL_DEF_SAMPLE, {&k_station, &k_sample, nullptr}, TBL_KEY_ANALYSIS},
    {TBL_DEF_ROCK, {&k_station, &k_rock, nullptr}, TBL_KEY_SAMPLE},
    {TBL_DEF_SEGMENT, {&k_station, &k_segment, nullptr}, TBL_KEY_ROCK},
    {TBL_DEF_STATION, {&k_station, &k_traverse, nullptr}, TBL_KEY_SEGMENT},
    {TBL_DEF_OUTCROP, {&k_station, &k_outcrop, &k_traverse}, TBL_KEY_STATION},
    {TBL_DEF_TRAVERSE, {&k_station, &k_traverse, nullptr}, TBL_KEY_OUTCROP},
};
/* Any other type copies STATION only and empties nothing. */
const carry_rule k_other_rule = {-1, {&k_station, nullptr, nullptr}, CARRY_END};

const carry_rule &carry_rule_of(int type)
{
    for (const carry_rule &r : k_rules)
        if (r.type == type) return r;
    return k_other_rule;
}

/* The entry row's column of a table's key slot; null when none. */
sql_col_rec *carry_column(sql_col_rec *row, const tbl_rec *t, int slot)
{
    const sql_col_rec *key = t->keys[slot];
    if (!key || !key->name[0]) return nullptr;
    return tbl_column_find(row, key->name, nullptr, nullptr);
}

/* 1 when the table's key slot names the column. */
bool carry_is_slot(const tbl_rec *t, int slot, const sql_col_rec *column)
{
    const sql_col_rec *key = t->keys[slot];
    return key && key->name[0] && str_eq_nocase(key->name, column->name);
}

/* Writes a text, cut to the column's length, as the column's text and
** value. */
void carry_set(sql_col_rec *column, const char *text)
{
    if (!column->text) return;
    std::string t = text ? text : "";
    int room = sql_col_text_size(column) - 1;
    if (column->length > 0 && column->length < room) room = column->length;
    if (room >= 0 && (int)t.size() > room) t.resize((size_t)room);
    std::memcpy(column->text, t.c_str(), t.size() + 1);
    sql_text_to_value(column, column->text);
}

/* 1 when the copy may be written into a target's column. */
bool carry_allowed(const carry_copy &copy, const tbl_rec *added, sql_col_rec *row, const tbl_rec *target,
                   const sql_col_rec *to)
{
    for (int slot : copy.exclude)
        if (slot != CARRY_END && carry_is_slot(target, slot, to)) return false;
    if (copy.slot == TBL_KEY_SAMPLE) {
        if (target->table_type == added->table_type) return false;
        sql_col_rec *sample = carry_column(row, added, TBL_KEY_SAMPLE);
        if (sample && sample == carry_column(row, added, TBL_KEY_STATION)) return false;
    }
    return true;
}

}  // namespace

/* Carries an added row's keys; see row_cmd.h. */
int row_carry_keys(sql_col_rec *row)
{
    if (!row) return -2;
    pjct_rec *p = pjct_find_by_session(row->connection);
    tbl_rec *added = p ? tbl_find_by_name(p->tables, row->table, nullptr) : nullptr;
    if (!added) return -1;

    sql_col_rec *number = carry_column(row, added, TBL_KEY_BASENUMBER);
    if (number && number->text) added->last_number = (int32_t)std::atol(number->text);

    const carry_rule &rule = carry_rule_of(added->table_type);
    for (tbl_rec *t = p->tables; t; t = t->next) {
        if (t == added) continue;
        for (const carry_copy *copy : rule.copies) {
            if (!copy) break;
            sql_col_rec *from = carry_column(row, added, copy->slot);
            sql_col_rec *to = carry_column(t->columns, t, copy->slot);
            if (!from || !to || !carry_allowed(*copy, added, row, t, to)) continue;
            carry_set(to, from->text);
        }
    }

    if (rule.first_emptied == CARRY_END) return 0;
    for (tbl_rec *t = p->tables; t; t = t->next) {
        for (int slot = rule.first_emptied; slot <= TBL_KEY_ANALYSIS; ++slot) {
            sql_col_rec *c = carry_column(t == added ? row : t->columns, t, slot);
            if (!c) continue;
            bool kept = carry_is_slot(t, TBL_KEY_BASENUMBER, c);
            for (int higher = TBL_KEY_TRAVERSE; higher < rule.first_emptied; ++higher)
                kept = kept || carry_is_slot(t, higher, c);
            if (!kept) carry_set(c, "");
        }
    }
    return 0;
}
