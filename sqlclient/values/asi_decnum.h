/*
** asi_decnum.h: the packed decimal number behind DECIMAL and NUMERIC.
**
** A value of precision p (1 to 32 digit positions) is a scale byte, a sign
** digit and p decimal digits, one per byte, most significant first.
** Negative values are kept in ten's complement over the sign digit and the
** p digits: -1 at p = 3 is sign 9, digits 9 9 9.  The precision is not
** stored; every routine takes it from the owning value.  The first p + 2
** bytes are also the value's form in the driver stream.
**
** The routines neither allocate nor throw: they answer status codes and
** the value classes turn those into conditions.
**
**     asi_decnum a, b; int st;
**     asi_dec_from_text("12.5", &a, 10, &st);
**     asi_dec_from_long(3, &b, 10, &st);
**     if (asi_dec_add(&a, &b, 10)) ... overflow ...
*/
#ifndef PV_SQLCLIENT_VALUES_ASI_DECNUM_H
#define PV_SQLCLIENT_VALUES_ASI_DECNUM_H

#include <cstdint>

/* The most digit positions a record holds. */
constexpr unsigned ASI_DEC_MAX_DIGITS = 32;

/* The size of a record in bytes: scale, sign digit, digits. */
constexpr unsigned ASI_DEC_BYTES = ASI_DEC_MAX_DIGITS + 2;

/* The sign digit of a negative value. */
constexpr std::uint8_t ASI_DEC_NEG = 9;

/* The size of the digit text of asi_double_digits: 17 digits and a NUL. */
constexpr unsigned ASI_DEC_DBL_TEXT = 18;

/* Longest text asi_dec_from_text reads; the rest is ignored. */
constexpr unsigned ASI_DEC_TEXT_MAX = 255;

/* Largest text asi_dec_to_text writes: sign, 32 digits, point, NUL. */
constexpr unsigned ASI_DEC_TEXT_BUF = ASI_DEC_MAX_DIGITS + 3;

/* Status codes of the parsing, conversion and resizing routines. */
enum : int {
    ASI_DEC_OK = 0,          /* the value was stored */
    ASI_DEC_TOO_BIG = 1,     /* too many integer digits for the precision */
    ASI_DEC_BAD_CHAR = 2,    /* the text is not a number */
    ASI_DEC_UNDERFLOW = 3,   /* every significant digit fell below the precision */
    ASI_DEC_TRUNCATED = 4    /* fractional digits were dropped */
};

/* One packed decimal number (34 bytes, layout fixed by the driver stream). */
struct asi_decnum {
    std::int8_t scale;                       /* digits after the point, 0..p */
    std::uint8_t sign;                       /* 0 zero or positive, 9 negative */
    std::uint8_t digit[ASI_DEC_MAX_DIGITS];  /* digits 0..9, first p used, rest 0 */
};
static_assert(sizeof(asi_decnum) == ASI_DEC_BYTES, "the record layout is fixed");

/* Clears x: the value 0 with scale 0. */
void asi_dec_clear(asi_decnum *x);

/* Parses text at precision p into x.  *status (when given): 0, 1 too many
** integer digits, 2 invalid character, 3 all significant digits fell below
** the precision (x then holds what stayed).  Fractional digits beyond the
** p positions are cut; a zero is 0 whatever its exponent.  Answers x. */
asi_decnum *asi_dec_from_text(const char *text, asi_decnum *x, unsigned p, int *status);

/* Converts a 32-bit integer at precision p; status as asi_dec_from_text.
** Answers x. */
asi_decnum *asi_dec_from_long(std::int32_t v, asi_decnum *x, unsigned p, int *status);

/* Converts a double at precision p, at most 16 significant digits, rounding
** half up at scale s (s = -1: no scale limit; the 16-digit and precision
** limits cut).  When the integer part needs more than p digits, or the
** rounding carries out of all p digits, or x is not finite, *overflow (when
** given) is set to 1 and out is left as it was; else *overflow is 0.
** Answers out. */
asi_decnum *asi_dec_from_double_scaled(double x, asi_decnum *out, unsigned p,
                                       int *overflow, int s);

/* a += b at precision p (b may be re-aligned to a's scale).  Answers 1 on
** overflow (the sum, or an alignment, needs more than p digits; a is then
** undefined), else 0. */
int asi_dec_add(asi_decnum *a, asi_decnum *b, unsigned p);

/* a -= b at precision p.  Answers 1 on overflow as asi_dec_add, else 0. */
int asi_dec_sub(asi_decnum *a, asi_decnum *b, unsigned p);

/* r = a x b; a and b have p digits, r has n.  The scale of r is the sum of
** the scales, at most n (digits beyond are cut).  Answers 1 when the product
** does not fit n digits (r undefined), else 0. */
int asi_dec_mul(const asi_decnum *a, const asi_decnum *b, asi_decnum *r,
                unsigned p, unsigned n);

/* r = a / b; a has pa digits, b pb, r n.  The quotient is truncated after
** n digits (a leading zero digit counts).  Answers 1 when r holds it, 0 when
** the integer part of the quotient needs more than n digits or b is zero
** (r undefined). */
int asi_dec_div(const asi_decnum *a, const asi_decnum *b, unsigned pa, unsigned pb,
                asi_decnum *r, unsigned n);

/* Compares two values of precision p exactly: negative, 0 or positive as
** a is less than, equal to or greater than b. */
int asi_dec_cmp(const asi_decnum *a, const asi_decnum *b, unsigned p);

/* x = -x at precision p.  Answers the borrow out of the sign position. */
int asi_dec_negate(asi_decnum *x, unsigned p);

/* x + 1 and x - 1 (the integer one).  Answer 1 on overflow, else 0. */
int asi_dec_inc(asi_decnum *x, unsigned p);
int asi_dec_dec(asi_decnum *x, unsigned p);

/* Brings src of precision p to precision q in dst.  *status (when given):
** 0; 1 the value does not fit (dst untouched); 4 fractional digits were
** dropped (the magnitude is cut).  Answers dst. */
asi_decnum *asi_dec_resize(const asi_decnum *src, asi_decnum *dst, unsigned p,
                           unsigned q, int *status);

/* Writes x (precision p) with exactly s fractional digits (cut, not
** rounded; never more than p digit characters) into buf, which holds at
** least ASI_DEC_TEXT_BUF bytes.  A value whose shown digits are all zero
** is written as zero ("0", "0.00"), never as a lone sign or point.
** Answers buf. */
char *asi_dec_to_text(const asi_decnum *x, char *buf, unsigned p, unsigned s);

/* The value of x (precision p) as a double. */
double asi_dec_to_double(const asi_decnum *x, unsigned p);

/* The integer part of x (precision p), clamped to the 32-bit range. */
std::int32_t asi_dec_to_long(const asi_decnum *x, unsigned p);

/* 17 significant digits of a finite double: writes them as characters
** with a NUL into digits (ASI_DEC_DBL_TEXT bytes), the number of digits
** before the point into *point and 1 into *negative for a negative x. */
void asi_double_digits(char *digits, double x, int *point, int *negative);

/* 1 when x is a well-formed record of precision p (digits 0..9, sign 0 or
** 9, scale 0..p, reserved bytes zero, no -10^p), else 0. */
int asi_dec_is_valid(const asi_decnum *x, unsigned p);

#endif
