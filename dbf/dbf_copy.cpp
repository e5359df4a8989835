/*
 * Copying a record between two tables of different layout: fields are
 * matched by name and converted between the types C, N, L, D and M; memo
 * text follows its field. A table rebuild reads each old record, copies it
 * with dbf_copy_record and writes it to the new table.
 *
 *   if (dbf_read_record(old, n) == 1 && dbf_copy_record(neu, old) == 1)
 *       dbf_write_record(neu, neu->header.record_count);
 */
#include "dbf/dbf_internal.h"

#include <cstring>
#include <string>

/* Room for a number's text in plain form: the widest number field and its
 * NUL, and the longest plain form of a double in a field that wide. */
constexpr int DBF_NUMBER_TEXT = 352;

/* Answers how many leading characters of a number text belong to its
 * integer part (sign and digits before the point). */
static int dbf_integer_part(const char *t, int n)
{
    const char *dot = static_cast<const char *>(memchr(t, '.', (size_t)n));
    return dot ? (int)(dot - t) : n;
}

/* How a number text fits a number field: the characters kept, -1 when its
 * integer part does not fit; cut is set when a digit other than 0 was
 * dropped. */
struct dbf_fit {
    int keep;   /* leading characters of the text the field keeps, or -1 */
    bool cut;   /* a fraction digit that mattered was dropped */
};

/* Fits the number text t (n long) into a field of width characters and
 * decimals places. The integer part (with its sign) must fit the width
 * less the decimals and their point. A field with decimals keeps at most
 * that many fraction digits; one without keeps the text whole where it
 * fits, else as many fraction digits as fit. A trailing point goes. */
static dbf_fit dbf_number_fit(const char *t, int n, int width, int decimals)
{
    int whole = dbf_integer_part(t, n);
    int room = decimals > 0 ? width - decimals - 1 : width;
    if (whole > room) return {-1, false};
    int keep = n;
    if (decimals > 0 && keep > whole + 1 + decimals) keep = whole + 1 + decimals;
    if (keep > width) keep = width;
    if (keep > 0 && keep == whole + 1) keep--;
    dbf_fit fit = {keep, false};
    for (int k = keep; k < n; k++) fit.cut |= t[k] >= '1' && t[k] <= '9';
    return fit;
}

/* Writes a number text in plain decimal form; see dbf.h. */
int dbf_plain_number(const char *t, int n, char *out, int size)
{
    int k = 0;
    bool negative = n > 0 && t[0] == '-';
    if (k < n && (t[k] == '-' || t[k] == '+')) k++;
    std::string digits;     /* the mantissa's digits without its point */
    int whole = -1;         /* digits before the point, -1 while none seen */
    for (; k < n && ((t[k] >= '0' && t[k] <= '9') || (t[k] == '.' && whole < 0)); k++) {
        if (t[k] == '.') whole = (int)digits.size();
        else digits += t[k];
    }
    if (digits.empty()) return -1;
    if (whole < 0) whole = (int)digits.size();
    long exponent = 0;
    if (k < n && (t[k] == 'E' || t[k] == 'e')) {
        bool minus = ++k < n && t[k] == '-';
        if (k < n && (t[k] == '-' || t[k] == '+')) k++;
        if (k == n) return -1;
        for (; k < n && t[k] >= '0' && t[k] <= '9'; k++)
            if ((exponent = exponent * 10 + (t[k] - '0')) > size) return -1;
        if (minus) exponent = -exponent;
    }
    if (k != n) return -1;
    long point = whole + exponent;   /* digits before the point in plain form */
    std::string plain;
    if (point <= 0) {
        plain = "0." + std::string((size_t)-point, '0') + digits;
    } else if (point >= (long)digits.size()) {
        plain = digits + std::string((size_t)(point - (long)digits.size()), '0');
    } else {
        plain = digits.substr(0, (size_t)point) + "." + digits.substr((size_t)point);
    }
    /* Zeros that carry nothing go: leading ones before the units and
     * trailing ones after the point. */
    size_t lead = 0;
    while (lead + 1 < plain.size() && plain[lead] == '0' && plain[lead + 1] != '.') lead++;
    plain.erase(0, lead);
    if (plain.find('.') != std::string::npos) {
        while (plain.back() == '0') plain.pop_back();
        if (plain.back() == '.') plain.pop_back();
    }
    if (negative && plain.find_first_not_of("0.") != std::string::npos) plain.insert(0, "-");
    if ((int)plain.size() >= size) return -1;
    memcpy(out, plain.c_str(), plain.size() + 1);
    return (int)plain.size();
}

/* The number text t (n characters) in plain decimal form when it is
 * written with an exponent (into buf, of DBF_NUMBER_TEXT bytes), else as
 * it stands; n is set to the length of what is answered. Answers null
 * when an exponent form is damaged ("1.5E") or wider in plain form than
 * any field: no field can hold it. */
static const char *dbf_without_exponent(const char *t, int *n, char *buf)
{
    if (!memchr(t, 'E', (size_t)*n) && !memchr(t, 'e', (size_t)*n)) return t;
    int len = dbf_plain_number(t, *n, buf, DBF_NUMBER_TEXT);
    if (len < 0) return nullptr;
    *n = len;
    return buf;
}

/* Answers the text of a field without its blanks at either end, its
 * length in *n. */
static const char *dbf_trimmed(const char *s, int len, int *n)
{
    int k = 0;
    while (k < len && dbf_is_blank(s[k])) k++;
    int end = len;
    while (end > k && dbf_is_blank(s[end - 1])) end--;
    *n = end - k;
    return s + k;
}

/* Copies a number field's text (blanks at either end dropped) into a
 * number field right-aligned, fitted by dbf_number_fit; unless same (a
 * field of unchanged layout, which keeps its text), a text with an
 * exponent is fitted in plain form. Answers the fit; when the integer part
 * does not fit the field stays blank. */
static dbf_fit dbf_copy_number(char *dst, int dst_len, int decimals, const char *src, int src_len, bool same)
{
    int n;
    char plain[DBF_NUMBER_TEXT];
    const char *t = dbf_trimmed(src, src_len, &n);
    if (!same && !(t = dbf_without_exponent(t, &n, plain))) return {-1, false};
    dbf_fit fit = dbf_number_fit(t, n, dst_len, decimals);
    if (fit.keep > 0) memcpy(dst + dst_len - fit.keep, t, (size_t)fit.keep);
    return fit;
}

/* Copies a number field's text into a text field: without its blanks,
 * left-aligned. Answers 1, or 0 when it is longer than the field (which
 * stays blank). */
static int dbf_number_to_text(char *dst, int dst_len, const char *src, int src_len)
{
    int n;
    const char *t = dbf_trimmed(src, src_len, &n);
    if (n > dst_len) return 0;
    memcpy(dst, t, (size_t)n);
    return 1;
}

/* Takes the number at the start of a text (after blanks: a '-' only before
 * any digit, point or other '-', at most one point, digits) into a number
 * field of decimals places, left-aligned; a sign or point without a digit
 * is no number and leaves the field blank, as a text without a number
 * does. Answers the fit (keep -1 when the integer part does not fit: the
 * field stays blank). */
static dbf_fit dbf_text_to_number(char *dst, int dst_len, int decimals, const char *t, int n)
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
    if (!digit) return {0, false};
    /* An exponent with its digits belongs to the number. */
    int e = k;
    if (e < n && (t[e] == 'E' || t[e] == 'e')) {
        e++;
        if (e < n && (t[e] == '-' || t[e] == '+')) e++;
        if (e < n && t[e] >= '0' && t[e] <= '9') {
            while (e < n && t[e] >= '0' && t[e] <= '9') e++;
            k = e;
        }
    }
    int len = k - start;
    char plain[DBF_NUMBER_TEXT];
    const char *number = dbf_without_exponent(t + start, &len, plain);
    if (!number) return {-1, false};
    dbf_fit fit = dbf_number_fit(number, len, dst_len, decimals);
    if (fit.keep > 0) memcpy(dst, number, (size_t)fit.keep);
    return fit;
}

/* Converts a text into the field f at dst. Answers the fit of a number
 * (keep -1 when it did not fit its N field); other types always fit. */
static dbf_fit dbf_convert_text(const dbf_field &f, char *dst, const char *t, int n)
{
    int dst_len = f.length;
    switch (f.type) {
    case 'C':
        memcpy(dst, t, (size_t)(n < dst_len ? n : dst_len));
        break;
    case 'D': {
        int k = 0;
        while (k < n && t[k] == DBF_BLANK) k++;
        for (int d = 0; k < n && d < dst_len && t[k] >= '0' && t[k] <= '9'; k++, d++) dst[d] = t[k];
        break;
    }
    case 'L':
        for (int k = 0; k < n; k++)
            if (!dbf_is_blank(t[k])) {
                if (dst_len > 0) dst[0] = 'Y';
                break;
            }
        break;
    case 'N':
        return dbf_text_to_number(dst, dst_len, f.decimals, t, n);
    default:
        break;
    }
    return {0, false};
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
 * kept and its other bytes blanked first. A number (N or F) keeps its
 * value: into a number field of another width or decimals its integer part
 * must fit the width less the decimals, and fraction digits beyond the
 * decimals are cut (a field of the same layout keeps its text); into
 * a text field its text goes without blanks, left-aligned, and must fit.
 * With memo state 1, dst's memo chain is rebuilt from the source memos of
 * the matched memo fields only, each tagged with its destination field.
 * Answers 1; -1 for a handle without descriptors or record buffer; -2
 * when memory runs out for a memo; DBF_ERR_OVERFLOW when a number did not
 * fit its field (that field is left blank, the rest copied), so that a
 * caller can refuse the copy. A note, when given, learns the first field
 * that did not fit and counts, per destination field, the values that
 * lost fraction digits. */
int dbf_copy_record(dbf_handle *dst, dbf_handle *src, dbf_copy_note *note)
{
    if (!dst || !src || !dst->fields || !dst->record || !src->fields || !src->record) return DBF_ERR_ARG;
    if (dst->header.record_length > 1) memset(dst->record + 1, DBF_BLANK, (size_t)dst->header.record_length - 1);
    if (dst->memo_state == 1) dbt_free_lines(&dst->memo);
    if (note) note->overflow = -1;

    int rc = DBF_OK;
    for (int i = 0; i < src->field_count; i++) {
        int j = dbf_find_field(dst, src->fields[i].name);
        if (j < 0) continue;
        const char *s = dbf_field_at(src, i);
        char *d = dbf_field_at(dst, j);
        if (!s || !d) continue;
        const dbf_field &df = dst->fields[j];
        int sl = src->fields[i].length, dl = df.length;
        char st = src->fields[i].type, dt = df.type;
        bool number = st == 'N' || st == 'F';
        dbf_fit fit = {0, false};

        if (st == dt && (number || (st == 'M' && dst->memo_state == 1))) {
            /* A field of unchanged layout keeps whatever it held. */
            bool same = sl == dl && src->fields[i].decimals == df.decimals;
            fit = dbf_copy_number(d, dl, number && !same ? df.decimals : 0, s, sl, same || !number);
            if (st == 'M') {
                fit.keep = 0;   /* a block number, not a value */
                if (src->memo_state == 1 && dbt_copy_lines(dst, src, i, j) != DBF_OK && rc == DBF_OK) rc = DBF_ERR_OPEN;
            }
        } else if (st == dt) {
            if (st != 'M') memcpy(d, s, (size_t)(sl < dl ? sl : dl));
        } else if (number && dt == 'C') {
            if (!dbf_number_to_text(d, dl, s, sl)) fit.keep = -1;
        } else if (st != 'F' && st != 'G' && st != 'P') {
            const char *text = s;
            int n = sl;
            if (st == 'M') text = dbf_first_memo_block(src, i, &n);
            if (text) fit = dbf_convert_text(df, d, text, n);
        }

        if (fit.keep < 0) {
            rc = DBF_ERR_OVERFLOW;
            if (note && note->overflow < 0) note->overflow = j;
        }
        if (fit.cut && note && note->cut) note->cut[j]++;
    }
    return rc;
}
