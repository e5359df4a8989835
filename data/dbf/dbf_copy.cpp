/*
 * Copying a record between two tables of different layout: fields are
 * matched by name and converted between the types C, N, L, D and M; memo
 * text follows its field. A table rebuild reads each old record, copies it
 * with dbf_copy_record and writes it to the new table.
 *
 *   if (dbf_read_record(old, n) == 1 && dbf_copy_record(neu, old) == 1)
 *       dbf_write_record(neu, neu->header.record_count);
 */
#include "data/dbf/dbf_internal.h"

#include <cstring>

/* Answers how many leading characters of a number text belong to its
 * integer part (sign and digits before the point). */
static int dbf_integer_part(const char *t, int n)
{
    const char *dot = static_cast<const char *>(memchr(t, '.', (size_t)n));
    return dot ? (int)(dot - t) : n;
}

/* Answers how many characters of the number text t (n long) a field of
 * width characters keeps without changing its integer part: all of them
 * when they fit, else the first width less a trailing point (fraction
 * digits are dropped); -1 when the integer part itself does not fit. */
static int dbf_number_fit(const char *t, int n, int width)
{
    if (n <= width) return n;
    int whole = dbf_integer_part(t, n);
    if (whole > width) return -1;
    int keep = width;
    if (keep > 0 && t[keep - 1] == '.') keep--;
    return keep;
}

/* Copies a number field's text (leading and trailing blanks dropped) into
 * a number field: right-aligned when it fits, else its integer part and as
 * many fraction digits as fit. Answers 1, or 0 when the integer part does
 * not fit (the field stays blank). */
static int dbf_copy_number(char *dst, int dst_len, const char *src, int src_len)
{
    int k = 0;
    while (k < src_len && dbf_is_blank(src[k])) k++;
    int end = src_len;
    while (end > k && dbf_is_blank(src[end - 1])) end--;
    int keep = dbf_number_fit(src + k, end - k, dst_len);
    if (keep < 0) return 0;
    memcpy(dst + dst_len - keep, src + k, (size_t)keep);
    return 1;
}

/* Takes the number at the start of a text (after blanks: a '-' only before
 * any digit, point or other '-', at most one point, digits) into a number
 * field, left-aligned; a sign or point without a digit is no number and
 * leaves the field blank, as a text without a number does. Answers 1, or 0
 * when its integer part does not fit (the field stays blank). */
static int dbf_text_to_number(char *dst, int dst_len, const char *t, int n)
{
    int k = 0;
    while (k < n && t[k] == DBF_BLANK) k++;
    int start = k;
    bool any = false, point = false, digit = false;
    for (; k < n; k++) {
        char c = t[k];
        if (c == '-' && !any) {
            any = true;
        } else if (c == '.' && !point) {
            point = any = true;
        } else if (c >= '0' && c <= '9') {
            any = digit = true;
        } else {
            break;
        }
    }
    if (!digit) return 1;
    int keep = dbf_number_fit(t + start, k - start, dst_len);
    if (keep < 0) return 0;
    memcpy(dst, t + start, (size_t)keep);
    return 1;
}

/* Converts a text into a field of type letter type. Answers 1, or 0 when a
 * number did not fit its N field. */
static int dbf_convert_text(char type, char *dst, int dst_len, const char *t, int n)
{
    switch (type) {
    case 'C':
        memcpy(dst, t, (size_t)(n < dst_len ? n : dst_len));
        return 1;
    case 'D': {
        int k = 0;
        while (k < n && t[k] == DBF_BLANK) k++;
        for (int d = 0; k < n && d < dst_len && t[k] >= '0' && t[k] <= '9'; k++, d++) dst[d] = t[k];
        return 1;
    }
    case 'L':
        for (int k = 0; k < n; k++)
            if (!dbf_is_blank(t[k])) {
                if (dst_len > 0) dst[0] = 'Y';
                break;
            }
        return 1;
    case 'N':
        return dbf_text_to_number(dst, dst_len, t, n);
    default:
        return 1;
    }
}

/* Answers the first memo block of src's field i (its text up to 0x1A or the
 * block's end) and its length in *n; none when the record has no memo there. */
static const char *dbf_first_memo_block(const dbf_handle *src, int i, int *n)
{
    for (const dbt_line *l = src->memo.lines; l; l = l->next) {
        if (l->field != i) continue;
        const char *end = static_cast<const char *>(memchr(l->block, DBF_END_MARK, (size_t)src->memo.block_size));
        *n = end ? (int)(end - l->block) : src->memo.block_size;
        return l->block;
    }
    return nullptr;
}

/* Copies the record buffer of src into that of dst field by field, matched
 * by name (dbf_find_field) and converted by type; dst's deletion flag is
 * kept and its other bytes blanked first. With memo state 1, dst's memo
 * chain is rebuilt from the source memos of the matched memo fields only,
 * each tagged with its destination field. Answers 1; -1 for a handle
 * without descriptors or record buffer; -2 when memory runs out for a
 * memo; DBF_ERR_OVERFLOW when a number did not fit its N field (that field
 * is left blank, the rest copied), so that a caller can refuse the copy. */
int dbf_copy_record(dbf_handle *dst, dbf_handle *src)
{
    if (!dst || !src || !dst->fields || !dst->record || !src->fields || !src->record) return DBF_ERR_ARG;
    if (dst->header.record_length > 1) memset(dst->record + 1, DBF_BLANK, (size_t)dst->header.record_length - 1);
    if (dst->memo_state == 1) dbt_free_lines(&dst->memo);

    int rc = DBF_OK;
    for (int i = 0; i < src->field_count; i++) {
        int j = dbf_find_field(dst, src->fields[i].name);
        if (j < 0) continue;
        const char *s = dbf_field_at(src, i);
        char *d = dbf_field_at(dst, j);
        if (!s || !d) continue;
        int sl = src->fields[i].length, dl = dst->fields[j].length;
        char st = src->fields[i].type, dt = dst->fields[j].type;

        if (st == dt) {
            if (st == 'N' || (st == 'M' && dst->memo_state == 1)) {
                if (!dbf_copy_number(d, dl, s, sl) && st == 'N') rc = DBF_ERR_OVERFLOW;
                if (st == 'M' && src->memo_state == 1 && dbt_copy_lines(dst, src, i, j) != DBF_OK && rc == DBF_OK)
                    rc = DBF_ERR_OPEN;
            } else if (st != 'M') {
                memcpy(d, s, (size_t)(sl < dl ? sl : dl));
            }
            continue;
        }

        const char *text = s;
        int n = sl;
        if (st == 'F' || st == 'G' || st == 'P') continue;
        if (st == 'M') {
            text = dbf_first_memo_block(src, i, &n);
            if (!text) continue;
        }
        if (!dbf_convert_text(dt, d, dl, text, n)) rc = DBF_ERR_OVERFLOW;
    }
    return rc;
}
