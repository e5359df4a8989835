/*
** asi_textfmt.h: the number texts that the value classes take from the C
** library, fixed to one form on every build.
**
** The values print doubles in the general ("%G") and scientific ("%lE")
** styles and 32-bit integers in the "%ld" style, and read decimal numbers
** the way strtod does.  The texts follow the original runtime: an exponent
** has at least three digits ("1.2346E+005") and no more than 17 significant
** digits come out of a double (further places print as zeros).  Parsing
** always uses the "C" locale and refuses "inf", "nan" and hexadecimal forms.
**
**     char buf[ASI_FMT_BUF];
**     asi_fmt_g(buf, sizeof buf, 123456.0, 5);      // "1.2346E+005"
*/
#ifndef PV_SQLCLIENT_VALUES_ASI_TEXTFMT_H
#define PV_SQLCLIENT_VALUES_ASI_TEXTFMT_H

#include <cstddef>
#include <cstdint>

/* A buffer large enough for any text of these helpers (a double in fixed
** notation needs up to 309 integer digits, a sign and a point). */
constexpr std::size_t ASI_FMT_BUF = 352;

/* The most significant digits the runtime produces for a double. */
constexpr int ASI_FMT_MAX_DIGITS = 17;

/* The fewest exponent digits the runtime writes. */
constexpr int ASI_FMT_EXP_DIGITS = 3;

/* Writes x in the "%.<prec>G" style into buf (size bytes, terminated; a
** longer text is cut).  A precision of 0 counts as 1.  Answers the length of
** the full text.  Infinity and NaN print as "INF", "-INF" and "NAN". */
int asi_fmt_g(char *buf, std::size_t size, double x, int prec);

/* Writes x in the "%.<prec>lE" style (one digit, a point unless prec is 0,
** prec digits, "E", a sign and at least three exponent digits).  Answers
** the length of the full text. */
int asi_fmt_le(char *buf, std::size_t size, double x, int prec);

/* Writes the 32-bit integer v in the "%ld" style.  Answers the length. */
int asi_fmt_ld(char *buf, std::size_t size, std::int32_t v);

/* Reads a decimal number as strtod does in the "C" locale: leading white
** space, a sign, digits with an optional point, an optional exponent.
** "inf", "nan" and hexadecimal forms convert nothing.  *end (when given)
** receives the first character not used, or text itself when nothing
** converted (the answer is then 0.0).  A number beyond the range of a
** double answers +-HUGE_VAL as strtod does; callers test with
** asi_fmt_is_finite. */
double asi_strtod(const char *text, char **end);

/* 1 when x is neither infinite nor NaN, else 0. */
int asi_fmt_is_finite(double x);

#endif
