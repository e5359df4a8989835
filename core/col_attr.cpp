/*
** col_attr.cpp: the input-rule record and its lookups.
**
** A rule starts editable with a blank delimiter; its flags change one bit
** at a time through col_attr_set_flag, which takes a bit to set or the
** 16-bit complement of a bit to clear (65534 clears COL_ATTR_EDIT).
** Names are compared without regard to case.
*/
#include "core/col_attr.h"

#include <cstdlib>
#include <cstring>

#include "core/tbl.h"

/* Clears a rule: names empty, flags 0, delimiter blank, pointers and
** values null, then the edit flag set. */
void col_attr_init(col_attr_rec *rule)
{
    if (!rule) return;
    memset(rule, 0, sizeof *rule);
    rule->delimiter = ' ';
    rule->flags = COL_ATTR_EDIT;
}

/* A new rule cleared by col_attr_init; null when memory is short. */
col_attr_rec *col_attr_new(void)
{
    col_attr_rec *rule = (col_attr_rec *)malloc(sizeof(col_attr_rec));
    col_attr_init(rule);
    return rule;
}

/* Frees a rule with its default text (its item tree belongs to the rules
** that share it). Answers 0, or -2 for null. */
int col_attr_free(col_attr_rec *rule)
{
    if (!rule) return -2;
    free(rule->default_text);
    free(rule);
    return 0;
}

/* Copies a rule; the copy owns a duplicate of the default text, the item
** tree and back-references are shared. Answers 0; -2 for a null argument;
** -9101 when the text cannot be duplicated (the destination then has no
** default text). */
int col_attr_copy(col_attr_rec *dst, const col_attr_rec *src)
{
    if (!dst || !src) return -2;
    if (dst == src) return 0;
    char *text = nullptr;
    if (src->default_text) {
        size_t n = strlen(src->default_text) + 1;
        text = (char *)malloc(n);
        if (text) memcpy(text, src->default_text, n);
    }
    memcpy(dst, src, sizeof *dst);
    dst->default_text = text;
    return src->default_text && !text ? -9101 : 0;
}

/* Sets or clears flags: a single bit 0x1..0x8000 is set, its 16-bit
** complement clears that bit, 0 and 65535 clear every flag. Answers 0; -1
** for another code; -2 for a null rule. */
int col_attr_set_flag(col_attr_rec *rule, int code)
{
    if (!rule) return -2;
    if (code == 0 || code == 0xFFFF) {
        rule->flags = 0;
        return 0;
    }
    if (code < 0 || code > 0xFFFF) return -1;
    unsigned bit = (unsigned)code, inverse = ~(unsigned)code & 0xFFFFu;
    if ((bit & (bit - 1)) == 0) {
        rule->flags = (uint16_t)(rule->flags | bit);
        return 0;
    }
    if ((inverse & (inverse - 1)) == 0) {
        rule->flags = (uint16_t)(rule->flags & ~inverse);
        return 0;
    }
    return -1;
}

/* The first rule of that column and, when the table name is not blank,
** that table, with its position; null (index -1) when none. */
col_attr_rec *col_attr_find(col_attr_rec *list, const char *column, const char *table, int *index)
{
    int i = 0;
    if (index) *index = -1;
    if (!column) return nullptr;
    for (col_attr_rec *r = list; r; r = r->next, i++) {
        if (tbl_name_cmp(r->column, column) != 0) continue;
        if (!tbl_name_blank(table) && tbl_name_cmp(r->table, table) != 0) continue;
        if (index) *index = i;
        return r;
    }
    return nullptr;
}

/* The first rule naming that profile and, when not blank, that
** dictionary; null when none. */
col_attr_rec *col_attr_find_profile(col_attr_rec *list, const char *profile, const char *dictionary)
{
    if (!profile) return nullptr;
    for (col_attr_rec *r = list; r; r = r->next) {
        if (tbl_name_cmp(r->profile, profile) != 0) continue;
        if (!tbl_name_blank(dictionary) && tbl_name_cmp(r->dictionary, dictionary) != 0) continue;
        return r;
    }
    return nullptr;
}
