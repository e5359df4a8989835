/*
** asi_plain.cpp: plain values of the further rows of a block: what a
** column takes plain, their items, and reading them into bound buffers or
** value objects exactly as their value records would be read.
*/
#include "sqlclient/asi_plain.h"

#include <cfloat>
#include <climits>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "sqlclient/asi_config.h"
#include "sqlclient/base/asi_diag.h"

namespace {

/* The largest magnitude a 32-bit host buffer takes from an exact number
** (its conversion refuses the one beyond). */
constexpr long long PLAIN_LONG_MAX = 2147483647LL;

/* The largest magnitude a 16-bit host buffer takes from an exact number. */
constexpr long long PLAIN_SHORT_MAX = 32767;

/* Bytes of the text of scaled digits: a sign, 19 digits, a point, a NUL. */
constexpr int PLAIN_NUMBER_TEXT = 24;

/* The blank that pads a character value. */
constexpr char PLAIN_BLANK = ' ';

/* 10^k for k up to ASI_PLAIN_MAX_DIGITS. */
long long pow10(unsigned k) noexcept
{
    long long v = 1;
    for (unsigned i = 0; i < k && i < ASI_PLAIN_MAX_DIGITS; i++) v *= 10;
    return v;
}

/* Writes the text of scaled digits with scale decimals into text (at least
** PLAIN_NUMBER_TEXT bytes, terminated): "-12.50", "0.5", "7".  Answers its
** length. */
int scaled_text(long long digits, unsigned scale, char *text)
{
    unsigned long long m = digits < 0 ? 0ULL - (unsigned long long)digits : (unsigned long long)digits;
    char rev[PLAIN_NUMBER_TEXT];
    int k = 0;
    if (scale > ASI_PLAIN_MAX_DIGITS) scale = ASI_PLAIN_MAX_DIGITS;
    for (unsigned i = 0; i < scale; i++) {
        rev[k++] = (char)('0' + m % 10);
        m /= 10;
    }
    if (scale) rev[k++] = '.';
    do {
        rev[k++] = (char)('0' + m % 10);
        m /= 10;
    } while (m);
    if (digits < 0) rev[k++] = '-';
    for (int i = 0; i < k; i++) text[i] = rev[k - 1 - i];
    text[k] = '\0';
    return k;
}

/* Stores a number of the buffer's own type and clears the indicator. */
template <class T> void put_number(const asi_host_bind &b, T x)
{
    std::memcpy(b.buf, &x, sizeof x);
    if (b.ind) *b.ind = 0;
}

/* The double a number of column c gives, as its value object gives it;
** 1, or 0 for a text. */
int plain_double(const asi_plain_column &c, const asi_plain_value &p, double *x)
{
    if (p.kind == ASI_PLAIN_REAL)
        *x = p.d;
    else if (p.kind == ASI_PLAIN_SCALED)
        *x = asi_plain_scaled_double(p.i, c.scale);
    else if (p.kind == ASI_PLAIN_INT)
        *x = c.type == ASI_TYPE_SMALLINT || c.type == ASI_TYPE_INTEGER ? (double)p.i : asi_plain_scaled_double(p.i, 0);
    else
        return 0;
    return 1;
}

/* Characters of a character value's text as its value object gives it:
** the declared length, or the text's own when varying. */
int text_width(const asi_plain_column &c, const asi_plain_value &p) noexcept
{
    return c.varying ? p.n : (int)c.length;
}

/* Stores a character value's text as its value object would give it: the
** text, then blanks up to its width, cut to the buffer with a NUL after
** it; warns 01004 when cut. */
void put_text(const asi_host_bind &b, const asi_plain_column &c, const asi_plain_value &p)
{
    int want = text_width(c, p);
    int room = b.length - 1;
    int n = want < room ? want : room;
    char *out = (char *)b.buf;
    int copy = p.n < n ? p.n : n;
    std::memcpy(out, p.s, (std::size_t)copy);
    std::memset(out + copy, PLAIN_BLANK, (std::size_t)(n - copy));
    out[n] = '\0';
    if (want > room) asi_warn_state(ASI_WARN_TRUNCATED);
    if (b.ind) *b.ind = 0;
}

} // namespace

/* What a column's value takes plain. */
asi_plain_column asi_plain_column_of(const CAsiData &v)
{
    asi_plain_column c;
    c.type = v.typeCode();
    const int null = 1 << ASI_PLAIN_NULL;
    switch (c.type) {
    case ASI_TYPE_SMALLINT:
    case ASI_TYPE_INTEGER: c.takes = null | (1 << ASI_PLAIN_INT); break;
    case ASI_TYPE_NUMERIC:
    case ASI_TYPE_DECIMAL: {
        unsigned precision = v.precision();
        c.scale = v.scale();
        if (c.scale > ASI_PLAIN_MAX_DIGITS || c.scale > precision) break;
        c.limit = pow10(precision < ASI_PLAIN_MAX_DIGITS ? precision : ASI_PLAIN_MAX_DIGITS);
        c.takes = null | (1 << (c.scale ? ASI_PLAIN_SCALED : ASI_PLAIN_INT));
        break;
    }
    case ASI_TYPE_DOUBLE: c.takes = null | (1 << ASI_PLAIN_REAL); break;
    case ASI_TYPE_CHAR:
    case ASI_TYPE_VARCHAR:
        c.length = v.length();
        c.varying = c.type == ASI_TYPE_VARCHAR;
        c.takes = null | (1 << ASI_PLAIN_TEXT);
        break;
    default: break;
    }
    return c;
}

/* Stores v little-endian in N bytes at p; answers the byte after them.
** (One store on a little-endian machine: a block's every value is
** written so.) */
template <int N> static unsigned char *put_le(unsigned char *p, std::uint64_t v) noexcept
{
#if defined(__BYTE_ORDER__) && __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__
    std::memcpy(p, &v, N);
#else
    for (int i = 0; i < N; i++) p[i] = (unsigned char)(v >> (8 * i));
#endif
    return p + N;
}

/* Writes p as one item at out. */
unsigned char *asi_plain_encode(unsigned char *out, const asi_plain_value &p) noexcept
{
    std::uint64_t bits = 0;
    switch (p.kind) {
    case ASI_PLAIN_INT:
    case ASI_PLAIN_SCALED:
        out = put_le<2>(out, p.kind == ASI_PLAIN_INT ? ASI_TAG_PLAIN_INT : ASI_TAG_PLAIN_SCALED);
        out = put_le<2>(out, ASI_ITEM_I64);
        return put_le<8>(out, (std::uint64_t)p.i);
    case ASI_PLAIN_REAL:
        std::memcpy(&bits, &p.d, sizeof bits);
        out = put_le<2>(out, ASI_TAG_PLAIN_REAL);
        out = put_le<2>(out, ASI_ITEM_F64);
        return put_le<8>(out, bits);
    case ASI_PLAIN_TEXT:
        out = put_le<2>(out, ASI_TAG_PLAIN_TEXT);
        out = put_le<2>(out, ASI_ITEM_BYTES);
        out = put_le<2>(out, (std::uint64_t)p.n);
        if (p.n > 0) std::memcpy(out, p.s, (std::size_t)p.n);
        return out + (p.n > 0 ? p.n : 0);
    default:
        out = put_le<2>(out, ASI_TAG_PLAIN_NULL);
        out = put_le<2>(out, ASI_ITEM_I32);
        return put_le<4>(out, 0);
    }
}

/* Reads the plain item at in. */
std::size_t asi_plain_decode(const unsigned char *in, std::size_t left, asi_plain_value *p) noexcept
{
    if (left < ASI_ITEM_HEAD) return 0;
    int tag = (int)asi_le_read(in, 2), type = (int)asi_le_read(in + 2, 2);
    std::size_t size = ASI_ITEM_HEAD + sizeof(std::int64_t);
    switch (tag) {
    case ASI_TAG_PLAIN_NULL:
        size = ASI_ITEM_HEAD + sizeof(std::int32_t);
        if (type != ASI_ITEM_I32 || left < size) return 0;
        p->kind = ASI_PLAIN_NULL;
        return size;
    case ASI_TAG_PLAIN_INT:
    case ASI_TAG_PLAIN_SCALED:
        if (type != ASI_ITEM_I64 || left < size) return 0;
        p->kind = tag == ASI_TAG_PLAIN_INT ? ASI_PLAIN_INT : ASI_PLAIN_SCALED;
        p->i = (long long)asi_le_read(in + ASI_ITEM_HEAD, 8);
        return size;
    case ASI_TAG_PLAIN_REAL: {
        if (type != ASI_ITEM_F64 || left < size) return 0;
        std::uint64_t bits = asi_le_read(in + ASI_ITEM_HEAD, 8);
        p->kind = ASI_PLAIN_REAL;
        std::memcpy(&p->d, &bits, sizeof bits);
        return size;
    }
    case ASI_TAG_PLAIN_TEXT: {
        if (type != ASI_ITEM_BYTES || left < ASI_ITEM_COUNTED_HEAD) return 0;
        int n = (int)asi_le_read(in + ASI_ITEM_HEAD, 2);
        size = ASI_ITEM_COUNTED_HEAD + (std::size_t)n;
        if (left < size) return 0;
        p->kind = ASI_PLAIN_TEXT;
        p->s = (const char *)in + ASI_ITEM_COUNTED_HEAD;
        p->n = n;
        return size;
    }
    default: return 0;
    }
}

/* Writes p as one item. */
void asi_plain_write(CAsiOStream &out, const asi_plain_value &p)
{
    switch (p.kind) {
    case ASI_PLAIN_INT: out.putI64(ASI_TAG_PLAIN_INT, p.i); break;
    case ASI_PLAIN_SCALED: out.putI64(ASI_TAG_PLAIN_SCALED, p.i); break;
    case ASI_PLAIN_REAL: out.putF64(ASI_TAG_PLAIN_REAL, p.d); break;
    case ASI_PLAIN_TEXT: out.putBytes(ASI_TAG_PLAIN_TEXT, p.s, p.n); break;
    default: out.putI32(ASI_TAG_PLAIN_NULL, 0); break;
    }
}

/* Reads the current item into p. */
int asi_plain_read(const CAsiIStream &in, int tag, asi_plain_value *p) noexcept
{
    int len = 0;
    const unsigned char *data = in.data(&len);
    switch (tag) {
    case ASI_TAG_PLAIN_NULL:
        p->kind = ASI_PLAIN_NULL;
        return in.itemType() == ASI_ITEM_I32;
    case ASI_TAG_PLAIN_INT:
    case ASI_TAG_PLAIN_SCALED:
        p->kind = tag == ASI_TAG_PLAIN_INT ? ASI_PLAIN_INT : ASI_PLAIN_SCALED;
        return in.itemType() == ASI_ITEM_I64 && in.readPair(&p->i);
    case ASI_TAG_PLAIN_REAL:
        p->kind = ASI_PLAIN_REAL;
        return in.itemType() == ASI_ITEM_F64 && in.readF64(&p->d);
    case ASI_TAG_PLAIN_TEXT:
        p->kind = ASI_PLAIN_TEXT;
        p->s = (const char *)data;
        p->n = len;
        return in.itemType() == ASI_ITEM_BYTES;
    default: return 0;
    }
}

/* Writes p into a bound buffer where no value object is needed. */
int asi_plain_put(const asi_host_bind &b, const asi_plain_column &c, const asi_plain_value &p)
{
    if (p.kind == ASI_PLAIN_NULL) {
        asi_host_put(b, nullptr);
        return 1;
    }
    double x = 0;
    switch (b.type) {
    case ASI_HOST_SHORT:
        if (p.kind != ASI_PLAIN_INT || p.i < -PLAIN_SHORT_MAX || p.i > PLAIN_SHORT_MAX) return 0;
        put_number(b, (std::int16_t)p.i);
        return 1;
    case ASI_HOST_LONG:
        if (p.kind != ASI_PLAIN_INT || p.i < -PLAIN_LONG_MAX || p.i > PLAIN_LONG_MAX) return 0;
        put_number(b, (std::int32_t)p.i);
        return 1;
    case ASI_HOST_FLOAT:
        /* Beyond a float's range the value object's conversion raises. */
        if (!plain_double(c, p, &x) || std::fabs(x) > FLT_MAX) return 0;
        put_number(b, (float)x);
        return 1;
    case ASI_HOST_DOUBLE:
        if (!plain_double(c, p, &x)) return 0;
        put_number(b, x);
        return 1;
    case ASI_HOST_STRING:
        if (p.kind != ASI_PLAIN_TEXT) return 0;
        put_text(b, c, p);
        return 1;
    default: return 0;
    }
}

/* Writes p where nothing is cut. */
int asi_plain_put_whole(const asi_host_bind &b, const asi_plain_column &c, const asi_plain_value &p) noexcept
{
    if (p.kind == ASI_PLAIN_TEXT && b.type == ASI_HOST_STRING && text_width(c, p) > b.length - 1)
        return 0;
    return asi_plain_put(b, c, p);
}

/* Sets a value object to p. */
int asi_plain_set(CAsiData *v, const asi_plain_value &p)
{
    char text[PLAIN_NUMBER_TEXT];
    switch (p.kind) {
    case ASI_PLAIN_NULL: v->setNull(); return 1;
    case ASI_PLAIN_INT:
        if (v->typeCode() == ASI_TYPE_SMALLINT && p.i >= INT16_MIN && p.i <= INT16_MAX)
            return v->setShort((std::int16_t)p.i);
        if (v->typeCode() == ASI_TYPE_INTEGER && p.i >= INT32_MIN && p.i <= INT32_MAX)
            return v->setLong((std::int32_t)p.i);
        return v->setText(text, scaled_text(p.i, 0, text));
    case ASI_PLAIN_SCALED: return v->setText(text, scaled_text(p.i, v->scale(), text));
    case ASI_PLAIN_REAL: return v->setDouble(p.d);
    default: return v->setText(p.s, p.n);
    }
}

/* The scaled digits of an exact number's text. */
int asi_plain_scaled_from_text(const char *text, int n, unsigned scale, long long *digits) noexcept
{
    const long long most = pow10(ASI_PLAIN_MAX_DIGITS) - 1;
    int i = 0, seen = 0, negative = 0;
    if (i < n && text[i] == '-') {
        negative = 1;
        i++;
    }
    long long v = 0;
    /* Each digit is checked before it is taken in: past 18 digits the
    ** digits would wrap round 64 bits. */
    for (; i < n && text[i] >= '0' && text[i] <= '9'; i++, seen++) {
        if (v > (most - (text[i] - '0')) / 10) return 0;
        v = v * 10 + (text[i] - '0');
    }
    if (scale) {
        if (i >= n || text[i] != '.') return 0;
        i++;
        for (unsigned k = 0; k < scale; k++, i++, seen++) {
            if (i >= n || text[i] < '0' || text[i] > '9') return 0;
            if (v > (most - (text[i] - '0')) / 10) return 0;
            v = v * 10 + (text[i] - '0');
        }
    }
    if (i != n || !seen || (negative && v == 0)) return 0;
    *digits = negative ? -v : v;
    return 1;
}

/* Powers of ten that a double holds exactly. */
static const double k_exact_tens[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,  1e8,  1e9,  1e10, 1e11,
                                      1e12, 1e13, 1e14, 1e15, 1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};

/* The double nearest the scaled digits, as an exact value object gives
** it: a quotient of two exact doubles when the digits are (below 2^53),
** which is rounded once and so the nearest; else strtod of the text. */
double asi_plain_scaled_double(long long digits, unsigned scale) noexcept
{
    unsigned long long m = digits < 0 ? 0ULL - (unsigned long long)digits : (unsigned long long)digits;
    if (m <= (1ULL << 53) && scale < sizeof k_exact_tens / sizeof k_exact_tens[0]) {
        double v = (double)m / k_exact_tens[scale];
        return digits < 0 ? -v : v;
    }
    char text[48];
    int n = std::snprintf(text, sizeof text, "%s%llue-%u", digits < 0 ? "-" : "", m, scale);
    return n > 0 ? std::strtod(text, nullptr) : 0.0;
}
