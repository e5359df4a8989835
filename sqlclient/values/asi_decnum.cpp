/*
** asi_decnum.cpp: arithmetic on the packed decimal record.
**
** Positions: position 0 is the sign digit (byte 1 of the record), positions
** 1..p the digits (bytes 2..p+1).  Addition and subtraction work in ten's
** complement over the p + 1 positions, so the same steps serve every sign.
** Multiplication, division, comparison, narrowing and the text form work on
** the magnitude and put the sign back at the end; no digit that matters is
** ever dropped without the caller being told.
*/
#include "sqlclient/values/asi_decnum.h"

#include "sqlclient/base/asi_number.h"
#include "sqlclient/values/asi_textfmt.h"

#include <cmath>
#include <cstdlib>
#include <cstring>

namespace {

/* Digits of the widest intermediate: a product of two 32-digit numbers, or
** a divisor widened by up to 32 places. */
constexpr int DEC_WIDE = 2 * ASI_DEC_MAX_DIGITS + 2;

/* Most significant digits a double yields (the last of 17 is unsure). */
constexpr int DEC_DOUBLE_DIGITS = 16;

/* Digits of the BCD form of asi_double_to_bcd. */
constexpr int DEC_BCD_DIGITS = 18;

/* Largest exponent magnitude kept while reading text; anything beyond
** already moves every digit out of the 32 positions. */
constexpr long DEC_EXP_CLAMP = 99;

/* The positions of x: [0] the sign digit, [1..p] the digits. */
inline std::uint8_t *pos(asi_decnum *x) { return &x->sign; }
inline const std::uint8_t *pos(const asi_decnum *x) { return &x->sign; }

/* Clamps a precision to the record's room. */
inline unsigned dec_p(unsigned p) { return p > ASI_DEC_MAX_DIGITS ? ASI_DEC_MAX_DIGITS : p; }

/* The digit that fills the positions before a value: 9 for a negative
** value, 0 otherwise. */
inline std::uint8_t fill_of(const asi_decnum *x) { return x->sign == ASI_DEC_NEG ? 9 : 0; }

/* 1 when the p digits of x are all zero. */
int digits_zero(const asi_decnum *x, unsigned p)
{
    for (unsigned i = 0; i < p; ++i)
        if (x->digit[i]) return 0;
    return 1;
}

/* Digit addition over p + 1 positions: a += b.  Answers 1 when the sign
** position comes out as neither 0 nor 9, or as the unrepresentable -10^p:
** the sum does not fit p digits. */
int add_positions(asi_decnum *a, const asi_decnum *b, unsigned p)
{
    std::uint8_t *x = pos(a);
    const std::uint8_t *y = pos(b);
    int carry = 0;
    for (int i = static_cast<int>(p); i >= 0; --i) {
        int d = x[i] + y[i] + carry;
        carry = d >= 10;
        x[i] = static_cast<std::uint8_t>(d % 10);
    }
    if (a->sign != 0 && a->sign != ASI_DEC_NEG) return 1;
    return a->sign == ASI_DEC_NEG && digits_zero(a, p);
}

/* Digit subtraction over p + 1 positions: a -= b.  Answers the borrow out
** of the sign position. */
int sub_positions(asi_decnum *a, const asi_decnum *b, unsigned p)
{
    std::uint8_t *x = pos(a);
    const std::uint8_t *y = pos(b);
    int borrow = 0;
    for (int i = static_cast<int>(p); i >= 0; --i) {
        int d = x[i] - borrow - y[i];
        borrow = d < 0;
        x[i] = static_cast<std::uint8_t>(d < 0 ? d + 10 : d);
    }
    return borrow;
}

/* Shifts the p digits of x left by k places (k leading digits lost, zeros
** enter at the end) and raises the scale by k.  Answers 1, leaving x as it
** was, when a lost digit is significant (not the value's fill digit) or the
** result would be -10^p; else 0. */
int align_left(asi_decnum *x, unsigned p, unsigned k)
{
    if (k == 0) return 0;
    if (k > p) return 1;                      /* scales never differ by more */
    std::uint8_t fill = fill_of(x);
    for (unsigned i = 0; i < k; ++i)
        if (x->digit[i] != fill) return 1;
    asi_decnum t = *x;
    std::memmove(t.digit, t.digit + k, p - k);
    std::memset(t.digit + p - k, 0, k);
    if (t.sign == ASI_DEC_NEG && digits_zero(&t, p)) return 1;
    t.scale = static_cast<std::int8_t>(t.scale + k);
    *x = t;
    return 0;
}

/* Shifts the p digits of x right by k places (the last k digits lost, the
** fill digit entering at the front); the scale byte is left alone. */
void shift_right(asi_decnum *x, unsigned p, unsigned k)
{
    std::uint8_t fill = fill_of(x);
    if (k >= p) {
        std::memset(x->digit, fill, p);
        return;
    }
    std::memmove(x->digit + k, x->digit, p - k);
    std::memset(x->digit, fill, k);
}

/* Removes the trailing zero digits after the point (at most scale of
** them), lowering the scale by their count. */
void drop_trailing_zeros(asi_decnum *x, unsigned p)
{
    unsigned z = 0;
    while (z < static_cast<unsigned>(x->scale) && z < p && x->digit[p - 1 - z] == 0) ++z;
    if (z == 0) return;
    if (z == p) {                             /* all zero: the value 0 */
        x->scale = 0;
        return;
    }
    shift_right(x, p, z);
    x->scale = static_cast<std::int8_t>(x->scale - z);
}

/* Brings a and b to the larger of their scales.  Answers 1 when that would
** push a significant digit out of the p positions (nothing changed), else
** 0. */
int align_scales(asi_decnum *a, asi_decnum *b, unsigned p)
{
    if (a->scale < b->scale) return align_left(a, p, b->scale - a->scale);
    if (b->scale < a->scale) return align_left(b, p, a->scale - b->scale);
    return 0;
}

/* Writes the magnitude of x (p digits) into m and answers 1 when x is
** negative, else 0. */
int magnitude(const asi_decnum *x, unsigned p, std::uint8_t *m)
{
    std::memcpy(m, x->digit, p);
    if (x->sign != ASI_DEC_NEG) return 0;
    int borrow = 0;                           /* m = 10^p - D */
    for (int i = static_cast<int>(p) - 1; i >= 0; --i) {
        int d = 0 - borrow - m[i];
        borrow = d < 0;
        m[i] = static_cast<std::uint8_t>(d < 0 ? d + 10 : d);
    }
    return 1;
}

/* Stores a magnitude of n digits with its sign and scale into x (cleared
** first); a zero magnitude is stored as positive zero. */
void store_magnitude(asi_decnum *x, const std::uint8_t *m, unsigned n, int negative, int scale)
{
    asi_dec_clear(x);
    std::memcpy(x->digit, m, n);
    x->scale = static_cast<std::int8_t>(scale);
    if (negative && !digits_zero(x, n)) asi_dec_negate(x, n);
}

/* Number of leading zeros among the n digits of m. */
unsigned leading_zeros(const std::uint8_t *m, unsigned n)
{
    unsigned z = 0;
    while (z < n && m[z] == 0) ++z;
    return z;
}

/* Compares two digit strings of n digits: answers the difference of the
** first pair that differs, or 0. */
int compare_digits(const std::uint8_t *a, const std::uint8_t *b, unsigned n)
{
    for (unsigned i = 0; i < n; ++i)
        if (a[i] != b[i]) return static_cast<int>(a[i]) - static_cast<int>(b[i]);
    return 0;
}

/* r -= b over n digits, both right-aligned; answers the borrow. */
int wide_sub(std::uint8_t *r, const std::uint8_t *b, unsigned n)
{
    int borrow = 0;
    for (int i = static_cast<int>(n) - 1; i >= 0; --i) {
        int d = r[i] - borrow - b[i];
        borrow = d < 0;
        r[i] = static_cast<std::uint8_t>(d < 0 ? d + 10 : d);
    }
    return borrow;
}

/* The record of the integer 1 at precision p. */
asi_decnum dec_one(unsigned p)
{
    asi_decnum one;
    asi_dec_clear(&one);
    if (p) one.digit[p - 1] = 1;
    return one;
}

/* Writes a zero with s fractional digits into o: "0", then a point and
** zeros while at most p digits are written ("0" for s = 0, "0.00" for
** s = 2).  Answers the end of the text. */
char *write_zero(char *o, unsigned p, unsigned s)
{
    *o++ = '0';
    if (s > 0) *o++ = '.';
    for (unsigned k = 0; k < s && k + 1 < p; ++k) *o++ = '0';
    return o;
}

} // namespace

/* See the header. */
void asi_dec_clear(asi_decnum *x)
{
    std::memset(x, 0, sizeof *x);
}

/* See the header: the text is read up to its first inner blank; leading
** zeros of the integer part take no digit position; digits beyond p are
** counted (too many integer digits) or cut (fractional ones, also when
** the point comes right after the p-th digit); an exponent moves the
** point, and a zero is zero whatever its exponent. */
asi_decnum *asi_dec_from_text(const char *text, asi_decnum *x, unsigned p, int *status)
{
    int st_local;
    int &st = status ? *status : st_local;
    st = ASI_DEC_OK;
    asi_dec_clear(x);
    p = dec_p(p);
    if (!text) return x;

    char buf[ASI_DEC_TEXT_MAX + 1];
    std::strncpy(buf, text, ASI_DEC_TEXT_MAX);
    buf[ASI_DEC_TEXT_MAX] = '\0';
    char *s = buf;
    while (*s == ' ') ++s;
    if (!*s) return x;
    for (char *t = s + 1; *t; ++t)
        if (*t == ' ') { *t = '\0'; break; }

    int negative = 0;
    if (*s == '-') { negative = 1; ++s; }
    else if (*s == '+') ++s;

    unsigned c = 0;          /* digits counted (leading integer zeros excluded) */
    unsigned f = 0;          /* fractional digits stored */
    bool point = false;      /* a point was recorded */
    bool significant = false;/* a non-zero digit or the point was seen */
    long e = 0;              /* the exponent */
    for (; *s; ++s) {
        char ch = *s;
        if (ch >= '0' && ch <= '9') {
            if (ch == '0' && !significant) continue;   /* leading zero: no position */
            significant = true;
            if (p > c) {
                std::memmove(x->digit, x->digit + 1, p - 1);
                x->digit[p - 1] = static_cast<std::uint8_t>(ch - '0');
                if (point) ++f;
            }
            ++c;
        } else if (ch == '.') {
            /* a point right after the p-th digit is still the point: the
            ** integer part fits and the fraction is cut */
            if (!point && p >= c) point = true;
            significant = true;
        } else if (ch == 'E' || ch == 'e') {
            const char *q = s + 1;
            if (!*q) { e = 1; break; }
            int esign = 1;
            if (*q == '+' || *q == '-') { esign = *q == '-' ? -1 : 1; ++q; }
            for (; *q; ++q) {
                if (*q < '0' || *q > '9') { st = ASI_DEC_BAD_CHAR; return x; }
                if (e < DEC_EXP_CLAMP) e = e * 10 + (*q - '0');
            }
            if (e > DEC_EXP_CLAMP) e = DEC_EXP_CLAMP;
            e *= esign;
            break;
        } else {
            st = ASI_DEC_BAD_CHAR;
            return x;
        }
    }
    if (c > p && !point) { st = ASI_DEC_TOO_BIG; return x; }

    x->scale = static_cast<std::int8_t>(f);
    drop_trailing_zeros(x, p);
    unsigned sig = p - leading_zeros(x->digit, p);
    if (e >= 1) {
        long sc = x->scale - e;
        if (sc < 0) {
            unsigned r = static_cast<unsigned>(-sc);
            if (sig > 0 && sig + r > p) { st = ASI_DEC_TOO_BIG; return x; }   /* zero always fits */
            if (sig > 0) {
                std::memmove(x->digit, x->digit + r, p - r);
                std::memset(x->digit + p - r, 0, r);
            }
            sc = 0;
        }
        x->scale = static_cast<std::int8_t>(sc);
    } else if (e < 0 && sig > 0) {           /* zero stays zero at any exponent */
        long sc = x->scale - e;
        if (sc > static_cast<long>(p)) {
            if (static_cast<long>(p) < sc - static_cast<long>(sig)) st = ASI_DEC_UNDERFLOW;
            shift_right(x, p, static_cast<unsigned>(sc - p));
            sc = p;
        }
        x->scale = static_cast<std::int8_t>(sc);
    }
    drop_trailing_zeros(x, p);
    if (negative && !digits_zero(x, p)) asi_dec_negate(x, p);
    return x;
}

/* See the header: the integer's "%ld" text parsed at precision p. */
asi_decnum *asi_dec_from_long(std::int32_t v, asi_decnum *x, unsigned p, int *status)
{
    char text[ASI_DEC_TEXT_BUF];
    asi_fmt_ld(text, sizeof text, v);
    return asi_dec_from_text(text, x, p, status);
}

/* See the header.  The scale limit is tested before the precision and
** 16-digit limits, so a value is rounded at its scale whenever it reaches
** it. */
asi_decnum *asi_dec_from_double_scaled(double x, asi_decnum *out, unsigned p, int *overflow, int s)
{
    int ovf_local;
    int &ovf = overflow ? *overflow : ovf_local;
    ovf = 0;
    p = dec_p(p);
    if (!asi_fmt_is_finite(x) || p == 0) { ovf = 1; return out; }

    char digits[ASI_DEC_DBL_TEXT];
    int point = 0, negative = 0;
    asi_double_digits(digits, x, &point, &negative);
    if (static_cast<int>(p) < point) { ovf = 1; return out; }

    asi_decnum t;
    asi_dec_clear(&t);
    int i = 0;
    bool zero = false;       /* the scale limit lies before the first digit */
    for (;; ++i) {
        if (s != -1 && i - point >= s) {
            if (i - point > s) { zero = true; break; }     /* next digit is a 0 */
            if (digits[i] >= '5') {
                int carry = 1;
                for (int k = static_cast<int>(p) - 1; k >= 0 && carry; --k) {
                    int d = t.digit[k] + carry;
                    carry = d >= 10;
                    t.digit[k] = static_cast<std::uint8_t>(d % 10);
                }
                if (carry) { ovf = 1; return out; }       /* all nines rounded up */
            }
            break;
        }
        if (i == static_cast<int>(p) || i == DEC_DOUBLE_DIGITS) break;
        std::memmove(t.digit, t.digit + 1, p - 1);
        t.digit[p - 1] = static_cast<std::uint8_t>(digits[i] - '0');
    }
    if (zero || digits_zero(&t, p)) {
        asi_dec_clear(out);
        return out;
    }
    if (point - i > 0) {
        unsigned r = static_cast<unsigned>(point - i);
        std::memmove(t.digit, t.digit + r, p - r);
        std::memset(t.digit + p - r, 0, r);
        t.scale = 0;
    } else {
        int sc = i - point;
        if (sc > static_cast<int>(p)) {       /* only without a scale limit */
            shift_right(&t, p, sc - p);
            sc = p;
        }
        t.scale = static_cast<std::int8_t>(sc);
    }
    drop_trailing_zeros(&t, p);
    if (negative && !digits_zero(&t, p)) asi_dec_negate(&t, p);
    *out = t;
    return out;
}

/* See the header. */
int asi_dec_add(asi_decnum *a, asi_decnum *b, unsigned p)
{
    p = dec_p(p);
    if (align_scales(a, b, p)) return 1;
    return add_positions(a, b, p);
}

/* See the header: a + (-b), so that an overflow is seen the same way. */
int asi_dec_sub(asi_decnum *a, asi_decnum *b, unsigned p)
{
    p = dec_p(p);
    if (align_scales(a, b, p)) return 1;
    asi_decnum nb = *b;
    asi_dec_negate(&nb, p);
    return add_positions(a, &nb, p);
}

/* See the header: schoolbook product of the magnitudes; a scale beyond n
** cuts the last digits. */
int asi_dec_mul(const asi_decnum *a, const asi_decnum *b, asi_decnum *r, unsigned p, unsigned n)
{
    p = dec_p(p);
    n = dec_p(n);
    if (n == 0) return 1;
    std::uint8_t ma[ASI_DEC_MAX_DIGITS], mb[ASI_DEC_MAX_DIGITS];
    int neg = magnitude(a, p, ma) ^ magnitude(b, p, mb);
    unsigned w = 2 * p;
    int prod[DEC_WIDE] = {0};
    for (unsigned i = 0; i < p; ++i)
        for (unsigned j = 0; j < p; ++j)
            prod[i + j + 1] += ma[i] * mb[j];
    for (int k = static_cast<int>(w) - 1; k > 0; --k) {
        prod[k - 1] += prod[k] / 10;
        prod[k] %= 10;
    }
    std::uint8_t m[DEC_WIDE];
    for (unsigned k = 0; k < w; ++k) m[k] = static_cast<std::uint8_t>(prod[k]);
    unsigned scale = static_cast<unsigned>(a->scale) + static_cast<unsigned>(b->scale);
    unsigned len = w;
    if (scale > n) {                          /* cut the digits beyond n places */
        len -= scale - n;
        scale = n;
    }
    unsigned lz = leading_zeros(m, len);
    if (len - lz > n) return 1;
    std::uint8_t res[ASI_DEC_MAX_DIGITS] = {0};
    unsigned take = len < n ? len : n;
    std::memcpy(res + n - take, m + len - take, take);
    store_magnitude(r, res, n, neg, static_cast<int>(scale));
    return 0;
}

/* See the header: long division of the magnitudes.  Digit i of the
** quotient has the place 10^(E - i), E = ka - 1 + max(sb - sa, 0); every
** integer digit is produced, fractional ones until n digits exist or the
** remainder is zero. */
int asi_dec_div(const asi_decnum *a, const asi_decnum *b, unsigned pa, unsigned pb, asi_decnum *r,
                unsigned n)
{
    pa = dec_p(pa);
    pb = dec_p(pb);
    n = dec_p(n);
    std::uint8_t ma[ASI_DEC_MAX_DIGITS], mb[ASI_DEC_MAX_DIGITS];
    int neg = magnitude(a, pa, ma) ^ magnitude(b, pb, mb);
    unsigned za = leading_zeros(ma, pa), zb = leading_zeros(mb, pb);
    if (zb == pb || n == 0) return 0;          /* a zero divisor is the caller's */
    if (za == pa) {
        asi_dec_clear(r);
        return 1;
    }
    int sa = a->scale, sb = b->scale;
    unsigned ka = pa - za, kb = pb - zb;
    unsigned widen = sa > sb ? static_cast<unsigned>(sa - sb) : 0;
    unsigned wb = kb + widen;                  /* divisor digits with its zeros */
    unsigned w = wb + 1;                       /* the remainder's width */
    std::uint8_t div[DEC_WIDE] = {0}, rem[DEC_WIDE] = {0};
    std::memcpy(div + 1, mb + zb, kb);         /* div: a leading zero, then B' */
    int E = static_cast<int>(ka) - 1 + (sb > sa ? sb - sa : 0);

    std::uint8_t q[2 * DEC_WIDE];
    unsigned N = 0;
    for (unsigned i = 0;; ++i) {
        std::memmove(rem, rem + 1, w - 1);     /* bring down the next digit */
        rem[w - 1] = i < ka ? ma[za + i] : 0;
        std::uint8_t d = 0;
        while (compare_digits(rem, div, w) >= 0) {
            wide_sub(rem, div, w);
            ++d;
        }
        q[N++] = d;
        int place = E - static_cast<int>(i);
        bool exact = leading_zeros(rem, w) == w;
        for (unsigned k = i + 1; exact && k < ka; ++k)
            if (ma[za + k]) exact = false;
        if (exact) {
            for (; place > 0; --place) q[N++] = 0;   /* zeros up to the units */
            break;
        }
        if (place <= 0 && N >= n) break;
    }
    unsigned lead = 0;
    while (N - lead > n && q[lead] == 0) ++lead;
    if (N - lead > n) return 0;
    int scale = static_cast<int>(N) - 1 - E;
    std::uint8_t res[ASI_DEC_MAX_DIGITS] = {0};
    std::memcpy(res + n - (N - lead), q + lead, N - lead);
    store_magnitude(r, res, n, neg, scale);
    return 1;
}

/* See the header: both values are widened to a common scale without
** losing a digit and their ten's complement digits compared. */
int asi_dec_cmp(const asi_decnum *a, const asi_decnum *b, unsigned p)
{
    p = dec_p(p);
    if (a->sign != b->sign) return static_cast<int>(b->sign) - static_cast<int>(a->sign);
    int sa = a->scale, sb = b->scale;
    int S = sa > sb ? sa : sb;
    unsigned w = p + static_cast<unsigned>(S - (sa < sb ? sa : sb));
    std::uint8_t wa[DEC_WIDE], wb[DEC_WIDE];
    auto widen = [&](const asi_decnum *x, int sx, std::uint8_t *out) {
        unsigned pad = static_cast<unsigned>(S - sx);
        std::memset(out, fill_of(x), w);
        std::memcpy(out + w - pad - p, x->digit, p);
        std::memset(out + w - pad, 0, pad);
    };
    widen(a, sa, wa);
    widen(b, sb, wb);
    return compare_digits(wa, wb, w);
}

/* See the header: 0 - x over p + 1 positions in a cleared record of x's
** scale. */
int asi_dec_negate(asi_decnum *x, unsigned p)
{
    p = dec_p(p);
    asi_decnum t;
    asi_dec_clear(&t);
    t.scale = x->scale;
    int borrow = sub_positions(&t, x, p);
    std::memcpy(x, &t, p + 2);
    return borrow;
}

/* See the header. */
int asi_dec_inc(asi_decnum *x, unsigned p)
{
    asi_decnum one = dec_one(dec_p(p));
    asi_decnum t = *x;
    if (asi_dec_add(&t, &one, p)) return 1;
    *x = t;
    return 0;
}

/* See the header. */
int asi_dec_dec(asi_decnum *x, unsigned p)
{
    asi_decnum one = dec_one(dec_p(p));
    asi_decnum t = *x;
    if (asi_dec_sub(&t, &one, p)) return 1;
    *x = t;
    return 0;
}

/* See the header.  Narrowing skips leading zeros of the magnitude while
** more than q digits remain and keeps the first q of the rest, cutting
** the magnitude (toward zero) when fractional digits must go. */
asi_decnum *asi_dec_resize(const asi_decnum *src, asi_decnum *dst, unsigned p, unsigned q, int *status)
{
    int st_local;
    int &st = status ? *status : st_local;
    st = ASI_DEC_OK;
    p = dec_p(p);
    q = dec_p(q);
    if (q == p) {
        asi_decnum t;
        asi_dec_clear(&t);
        std::memcpy(&t, src, p + 2);
        *dst = t;
    } else if (q > p) {
        asi_decnum t;
        asi_dec_clear(&t);
        t.scale = src->scale;
        t.sign = src->sign;
        std::memset(t.digit, fill_of(src), q - p);
        std::memcpy(t.digit + (q - p), src->digit, p);
        *dst = t;
    } else {
        std::uint8_t m[ASI_DEC_MAX_DIGITS];
        int neg = magnitude(src, p, m);
        unsigned lz = leading_zeros(m, p);
        unsigned k = p - lz > q ? p - lz : q;  /* digits left after the skip */
        if (k < static_cast<unsigned>(src->scale)) k = src->scale;  /* scale stays <= q */
        int scale = static_cast<int>(q) - static_cast<int>(k) + src->scale;
        if (scale < 0) { st = ASI_DEC_TOO_BIG; return dst; }
        if (scale < src->scale) st = ASI_DEC_TRUNCATED;
        store_magnitude(dst, m + (p - k), q, neg, scale);
    }
    return dst;
}

/* See the header: integer digits without leading zeros (none before the
** point of a pure fraction), then s fractional digits cut, padded with
** zeros while at most p digits are written.  A value whose shown digits
** are all zero (zero itself, or every digit cut) is written as the zero
** of that layout, without a sign. */
char *asi_dec_to_text(const asi_decnum *x, char *buf, unsigned p, unsigned s)
{
    p = dec_p(p);
    std::uint8_t m[ASI_DEC_MAX_DIGITS];
    int negative = magnitude(x, p, m);
    unsigned scale = static_cast<unsigned>(x->scale) > p ? p : static_cast<unsigned>(x->scale);
    unsigned I = p - scale;
    unsigned shown = I + (s < scale ? s : scale);   /* digits that reach the text */
    char *o = buf;
    if (leading_zeros(m, shown) == shown) {
        *write_zero(o, p, s) = '\0';
        return buf;
    }
    if (negative) *o++ = '-';
    unsigned j = leading_zeros(m, I), ndig = 0, frac = 0;
    for (; j < I; ++j, ++ndig) *o++ = static_cast<char>('0' + m[j]);
    if (s > 0) *o++ = '.';
    for (unsigned k = I; k < shown; ++k, ++frac, ++ndig) *o++ = static_cast<char>('0' + m[k]);
    for (; frac < s && ndig < p; ++frac, ++ndig) *o++ = '0';
    *o = '\0';
    return buf;
}

/* See the header: the digits written out with the point where the scale
** puts it and read back by strtod, which gives the double nearest the
** value (a sum of digits times powers of 0.1 gathers a rounding error at
** each step: 1.25 came out 1.2500000000000002). */
double asi_dec_to_double(const asi_decnum *x, unsigned p)
{
    p = dec_p(p);
    std::uint8_t m[ASI_DEC_MAX_DIGITS];
    int neg = magnitude(x, p, m);
    unsigned scale = static_cast<unsigned>(x->scale) > p ? p : static_cast<unsigned>(x->scale);
    char text[ASI_DEC_TEXT_BUF + 1];
    char *o = text;
    if (neg) *o++ = '-';
    for (unsigned i = 0; i < p; ++i) {
        if (i == p - scale) *o++ = '.';
        *o++ = static_cast<char>('0' + m[i]);
    }
    *o = '\0';
    return std::strtod(text, nullptr);
}

/* See the header: the integer digits, clamped to -2147483647..2147483647
** (the text was once read back by atol into a 32-bit integer). */
std::int32_t asi_dec_to_long(const asi_decnum *x, unsigned p)
{
    p = dec_p(p);
    std::uint8_t m[ASI_DEC_MAX_DIGITS];
    int neg = magnitude(x, p, m);
    unsigned scale = static_cast<unsigned>(x->scale) > p ? p : static_cast<unsigned>(x->scale);
    long long v = 0;
    const long long lim = 2147483647LL;
    for (unsigned i = 0; i < p - scale; ++i) {
        v = v * 10 + m[i];
        if (v > lim) v = lim;
    }
    return static_cast<std::int32_t>(neg ? -v : v);
}

/* See the header: the double scaled to 18 BCD digits (17 or 18
** significant, so the first is never 0), then rounded half up to 17; a
** carry out of the first digit gives 1 followed by zeros and moves the
** point one place. */
void asi_double_digits(char *digits, double x, int *point, int *negative)
{
    unsigned char bcd[10] = {0};
    int e = 0;
    asi_double_to_bcd(DEC_BCD_DIGITS - 1, x, &e, bcd);
    auto digit = [&](int k) {  /* k = 0 is the most significant of the 18 */
        int idx = DEC_BCD_DIGITS - 1 - k;
        unsigned char b = bcd[idx / 2];
        return idx % 2 ? (b >> 4) & 0xF : b & 0xF;
    };
    if (x != 0 && digit(0) == 0) {
        std::memset(bcd, 0, sizeof bcd);
        asi_double_to_bcd(DEC_BCD_DIGITS, x, &e, bcd);
    }
    int d[DEC_BCD_DIGITS];
    for (int k = 0; k < DEC_BCD_DIGITS; ++k) d[k] = digit(k);
    *point = DEC_BCD_DIGITS - e;
    *negative = std::signbit(x) ? 1 : 0;
    if (d[DEC_BCD_DIGITS - 1] >= 5) {
        int k = DEC_BCD_DIGITS - 2;
        for (; k >= 0; --k) {
            if (++d[k] < 10) break;
            d[k] = 0;
        }
        if (k < 0) {
            d[0] = 1;
            ++*point;
        }
    }
    for (int k = 0; k < DEC_BCD_DIGITS - 1; ++k) digits[k] = static_cast<char>('0' + d[k]);
    digits[DEC_BCD_DIGITS - 1] = '\0';
}

/* See the header. */
int asi_dec_is_valid(const asi_decnum *x, unsigned p)
{
    if (p < 1 || p > ASI_DEC_MAX_DIGITS) return 0;
    if (x->scale < 0 || static_cast<unsigned>(x->scale) > p) return 0;
    if (x->sign != 0 && x->sign != ASI_DEC_NEG) return 0;
    for (unsigned i = 0; i < ASI_DEC_MAX_DIGITS; ++i)
        if (x->digit[i] > 9 || (i >= p && x->digit[i] != 0)) return 0;
    return !(x->sign == ASI_DEC_NEG && digits_zero(x, p));
}
