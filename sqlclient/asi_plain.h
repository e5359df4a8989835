/*
** asi_plain.h: plain values, the short form in which a driver sends the
** values of the further rows of a block.
**
** A value object travels as its record (attributes and value); in a
** further row, where the column's attributes are known from the row
** before, the common values travel plain instead: a null, an integer, an
** exact number as its digits scaled by the column's scale, a double, or an
** ASCII text.  Neither side builds a value object for them: the driver
** writes the item from what it holds, and the engine's cursor reads it
** straight into the bound buffer, making the column's value object only
** when a caller asks for the value.  A plain value is sent only where the
** column's value would take it exactly, without a warning (asi_plain_fits);
** anything else goes as a value record, as before.  Reading a plain value
** into a buffer, or setting it into a value object, gives exactly what
** the value record of the same value gives.
**
**     asi_plain_column col = asi_plain_column_of(*value);   // once per column
**     asi_plain_value p;  p.kind = ASI_PLAIN_INT;  p.i = 42;
**     if (asi_plain_fits(col, p)) asi_plain_write(out, p);  // driver
**     if (!asi_plain_put(bind, col, p)) { asi_plain_set(value, p); asi_host_put(bind, value); }
*/
#ifndef PV_SQLCLIENT_ASI_PLAIN_H
#define PV_SQLCLIENT_ASI_PLAIN_H

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "sqlclient/asi_descriptor.h"
#include "sqlclient/base/asi_stream.h"
#include "sqlclient/values/asi_data.h"

/* Item tags of the plain values inside a further row. */
constexpr int ASI_TAG_PLAIN_NULL = 24;     /* i32 0: a null value */
constexpr int ASI_TAG_PLAIN_INT = 25;      /* i64: an integer */
constexpr int ASI_TAG_PLAIN_SCALED = 26;   /* i64: an exact number's digits, scaled by the column's scale */
constexpr int ASI_TAG_PLAIN_REAL = 27;     /* f64: a finite double */
constexpr int ASI_TAG_PLAIN_TEXT = 28;     /* bytes: an ASCII text (1 to 127 each) */

/* Kinds of plain values. */
constexpr int ASI_PLAIN_NULL = 0;
constexpr int ASI_PLAIN_INT = 1;
constexpr int ASI_PLAIN_SCALED = 2;
constexpr int ASI_PLAIN_REAL = 3;
constexpr int ASI_PLAIN_TEXT = 4;

/* The most digits of an exact number sent plain (its digits fit 64 bits). */
constexpr unsigned ASI_PLAIN_MAX_DIGITS = 18;

/* One plain value. */
struct asi_plain_value {
    int kind = ASI_PLAIN_NULL;     /* ASI_PLAIN_ kind */
    long long i = 0;               /* integer, or scaled digits */
    double d = 0;                  /* double */
    const char *s = nullptr;       /* text, not terminated (the sender's or the message's memory) */
    int n = 0;                     /* its bytes */
};

/* What a column's value takes plain, from its type and attributes. */
struct asi_plain_column {
    int type = 0;                  /* ASI_TYPE_ code of the value */
    int takes = 0;                 /* bit (1 << kind) for each plain kind it takes */
    long long limit = 0;           /* exact number: 10^precision (its digits stay below) */
    unsigned scale = 0;            /* exact number: its scale */
    unsigned length = 0;           /* character: the declared length */
    int varying = 0;               /* character: 1 when VARYING */
};

/* What the value v (its type and attributes, not its value) takes plain:
** integers for SMALLINT, INTEGER and exact numbers of scale 0 of at most
** 18 digits; scaled digits for exact numbers of a scale above 0; doubles
** for DOUBLE PRECISION; ASCII texts for CHARACTER and CHARACTER VARYING;
** nulls for all of those.  Other types take nothing plain. */
asi_plain_column asi_plain_column_of(const CAsiData &v);

/* 1 when the n bytes at s are all ASCII without a NUL (1 to 127): eight
** at a time, as every text value of a block is looked at so. */
inline int asi_plain_ascii(const char *s, int n) noexcept
{
    constexpr std::uint64_t ONES = 0x0101010101010101ULL, HIGHS = 0x8080808080808080ULL;
    int k = 0;
    for (; k + 8 <= n; k += 8) {
        std::uint64_t w;
        std::memcpy(&w, s + k, sizeof w);
        /* A byte beyond ASCII has its high bit; among ASCII bytes only a
        ** NUL borrows into its own high bit. */
        if ((w | ((w - ONES) & ~w)) & HIGHS) return 0;
    }
    for (; k < n; k++)
        if ((unsigned char)s[k] - 1u >= 0x7Fu) return 0;
    return 1;
}

/* 1 when a value of column c takes p exactly as it is (in range, within the
** precision or the declared length, a finite double, ASCII without a NUL),
** else 0.  (Inline: it is asked for every value of a block.) */
inline int asi_plain_fits(const asi_plain_column &c, const asi_plain_value &p) noexcept
{
    if (p.kind < ASI_PLAIN_NULL || p.kind > ASI_PLAIN_TEXT || !(c.takes & (1 << p.kind))) return 0;
    switch (p.kind) {
    case ASI_PLAIN_INT:
        if (c.type == ASI_TYPE_SMALLINT) return p.i >= INT16_MIN && p.i <= INT16_MAX;
        if (c.type == ASI_TYPE_INTEGER) return p.i >= INT32_MIN && p.i <= INT32_MAX;
        return p.i > -c.limit && p.i < c.limit;
    case ASI_PLAIN_SCALED: return p.i > -c.limit && p.i < c.limit;
    case ASI_PLAIN_REAL: return std::isfinite(p.d);
    case ASI_PLAIN_TEXT: {
        if (p.n < 0 || (unsigned)p.n > c.length || (p.n && !p.s)) return 0;
        return asi_plain_ascii(p.s, p.n);
    }
    default: return 1;
    }
}

/* Bytes of p's item. */
inline std::size_t asi_plain_item_size(const asi_plain_value &p) noexcept
{
    switch (p.kind) {
    case ASI_PLAIN_INT:
    case ASI_PLAIN_SCALED:
    case ASI_PLAIN_REAL: return ASI_ITEM_HEAD + sizeof(std::int64_t);
    case ASI_PLAIN_TEXT: return ASI_ITEM_COUNTED_HEAD + (std::size_t)p.n;
    default: return ASI_ITEM_HEAD + sizeof(std::int32_t);
    }
}

/* Writes p as one item at out, asi_plain_item_size bytes (a text of at
** most ASI_ITEM_MAX_DATA bytes), as asi_plain_write writes it; answers the
** byte after it. */
unsigned char *asi_plain_encode(unsigned char *out, const asi_plain_value &p) noexcept;

/* Reads the plain item at in (left bytes) into p, as asi_plain_read reads
** it (a text points into in); answers its bytes, or 0 when no whole plain
** item of the right size for its tag begins there. */
std::size_t asi_plain_decode(const unsigned char *in, std::size_t left, asi_plain_value *p) noexcept;

/* Writes p as one item.  Throws ASI_ERR_STREAM_FULL when it does not fit. */
void asi_plain_write(CAsiOStream &out, const asi_plain_value &p);

/* Reads the current item of in, of tag (ASI_TAG_PLAIN_...), into p (a text
** points into the stream's buffer).  1, or 0 for another tag or an item of
** the wrong size. */
int asi_plain_read(const CAsiIStream &in, int tag, asi_plain_value *p) noexcept;

/* Writes p, which column c fits, into the bound buffer b as asi_host_put
** writes the same value: 1 when done; 0 when the buffer's type or the value
** asks the value object's own conversion (nothing is written then). */
int asi_plain_put(const asi_host_bind &b, const asi_plain_column &c, const asi_plain_value &p);

/* As asi_plain_put where the value goes into the buffer whole; 0, with
** nothing written, where a text would be cut (01004). */
int asi_plain_put_whole(const asi_host_bind &b, const asi_plain_column &c, const asi_plain_value &p) noexcept;

/* Sets value object v (the column's) to p, as the driver would have set it:
** an integer through setShort or setLong where the type is SMALLINT or
** INTEGER, else through its digits; scaled digits through their text with
** the column's scale; a double through setDouble; a text through setText.
** Answers what the setter answers; raises what it raises. */
int asi_plain_set(CAsiData *v, const asi_plain_value &p);

/* Reads the text of an exact number with exactly scale decimals ("-12.50"
** for scale 2, "7" for scale 0) as its scaled digits: 1 with *digits set,
** or 0 for any other form, more than 18 digits or a negative zero. */
int asi_plain_scaled_from_text(const char *text, int n, unsigned scale, long long *digits) noexcept;

/* The double nearest the scaled digits with scale decimals, as an exact
** value object gives it. */
double asi_plain_scaled_double(long long digits, unsigned scale) noexcept;

#endif
