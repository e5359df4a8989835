/*
** asi_textfmt.cpp: "%G", "%lE" and "%ld" texts and strtod-style parsing in
** the form the value classes have always produced and accepted.
**
** The C library of this platform writes two exponent digits and as many
** significant digits as asked; the texts stored in tables and shown to users
** were made by a runtime that wrote at least three exponent digits and never
** more than 17 significant digits.  The digits themselves come from the
** library's correctly rounded "%.*e"; only the layout is done here.
*/
#include "sqlclient/values/asi_textfmt.h"

#include <clocale>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <locale.h>

namespace {

/* The largest precision honoured; the rest of a buffer's room is for the
** sign, point and exponent. */
constexpr int FMT_MAX_PREC = static_cast<int>(ASI_FMT_BUF / 2);

/* Room for the text of a 32-bit integer. */
constexpr int FMT_LONG_BUF = 16;

/* Room for the significant digits and exponent of one "%.*e" text. */
constexpr int FMT_DIGIT_BUF = 40;

/* The digits of a double rounded to n significant digits (1 to 17):
** writes n digit characters into digits and the decimal exponent of the
** first digit into *exp10. */
void fmt_digits(double mag, int n, char *digits, int *exp10)
{
    char tmp[FMT_DIGIT_BUF];
    std::snprintf(tmp, sizeof tmp, "%.*e", n - 1, mag);
    int k = 0;
    const char *p = tmp;
    for (; *p && *p != 'e'; ++p)
        if (*p >= '0' && *p <= '9') digits[k++] = *p;
    digits[k] = '\0';
    *exp10 = (*p == 'e') ? std::atoi(p + 1) : 0;
}

/* Appends the exponent part "E+ddd" (at least three digits) to out at
** position *len. */
void fmt_exponent(char *out, int *len, int exp10)
{
    *len += std::snprintf(out + *len, 16, "E%c%0*d", exp10 < 0 ? '-' : '+',
                          ASI_FMT_EXP_DIGITS, exp10 < 0 ? -exp10 : exp10);
}

/* Copies the full text into the caller's buffer, cut to size - 1 bytes and
** terminated; answers the full length. */
int fmt_deliver(char *buf, std::size_t size, const char *text, int len)
{
    if (buf && size) {
        std::size_t n = static_cast<std::size_t>(len) < size ? len : size - 1;
        std::memcpy(buf, text, n);
        buf[n] = '\0';
    }
    return len;
}

/* Writes the text of a non-finite number; answers its length. */
int fmt_nonfinite(char *buf, std::size_t size, double x)
{
    const char *t = std::isnan(x) ? "NAN" : (x < 0 ? "-INF" : "INF");
    return fmt_deliver(buf, size, t, static_cast<int>(std::strlen(t)));
}

/* Removes trailing zeros after a point, and the point when nothing stays
** after it; answers the new length. */
int fmt_strip_zeros(char *text, int len, int point_at)
{
    if (point_at < 0) return len;
    while (len > point_at + 1 && text[len - 1] == '0') --len;
    if (len == point_at + 1) --len;
    text[len] = '\0';
    return len;
}

/* The "C" locale, made once. */
locale_t fmt_c_locale()
{
    static locale_t loc = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(0));
    return loc;
}

} // namespace

/* See the header: the "%.<prec>G" text with the original runtime's layout. */
int asi_fmt_g(char *buf, std::size_t size, double x, int prec)
{
    if (!std::isfinite(x)) return fmt_nonfinite(buf, size, x);
    if (prec <= 0) prec = 1;
    if (prec > FMT_MAX_PREC) prec = FMT_MAX_PREC;
    int n = prec < ASI_FMT_MAX_DIGITS ? prec : ASI_FMT_MAX_DIGITS;
    char digits[FMT_DIGIT_BUF];
    int exp10 = 0;
    fmt_digits(std::fabs(x), n, digits, &exp10);
    if (x == 0) exp10 = 0;

    char out[ASI_FMT_BUF + 32];
    int len = 0;
    if (std::signbit(x)) out[len++] = '-';
    auto digit = [&](int i) { return i < n ? digits[i] : '0'; };
    if (exp10 < -4 || exp10 >= prec) {
        out[len++] = digits[0];
        int point_at = len;
        out[len++] = '.';
        for (int i = 1; i < prec; ++i) out[len++] = digit(i);
        len = fmt_strip_zeros(out, len, point_at);
        fmt_exponent(out, &len, exp10);
    } else {
        int point_at = -1;
        if (exp10 >= 0) {
            for (int i = 0; i <= exp10; ++i) out[len++] = digit(i);
            point_at = len;
            out[len++] = '.';
            for (int i = exp10 + 1; i < prec; ++i) out[len++] = digit(i);
        } else {
            out[len++] = '0';
            point_at = len;
            out[len++] = '.';
            for (int i = 0; i < -exp10 - 1; ++i) out[len++] = '0';
            for (int i = 0; i < prec; ++i) out[len++] = digit(i);
        }
        len = fmt_strip_zeros(out, len, point_at);
    }
    out[len] = '\0';
    return fmt_deliver(buf, size, out, len);
}

/* See the header: the "%.<prec>lE" text with at least three exponent
** digits and at most 17 significant ones. */
int asi_fmt_le(char *buf, std::size_t size, double x, int prec)
{
    if (!std::isfinite(x)) return fmt_nonfinite(buf, size, x);
    if (prec < 0) prec = 6;
    if (prec > FMT_MAX_PREC) prec = FMT_MAX_PREC;
    int n = prec + 1 < ASI_FMT_MAX_DIGITS ? prec + 1 : ASI_FMT_MAX_DIGITS;
    char digits[FMT_DIGIT_BUF];
    int exp10 = 0;
    fmt_digits(std::fabs(x), n, digits, &exp10);
    if (x == 0) exp10 = 0;

    char out[ASI_FMT_BUF + 32];
    int len = 0;
    if (std::signbit(x)) out[len++] = '-';
    out[len++] = digits[0];
    if (prec > 0) out[len++] = '.';
    for (int i = 1; i <= prec; ++i) out[len++] = i < n ? digits[i] : '0';
    fmt_exponent(out, &len, exp10);
    return fmt_deliver(buf, size, out, len);
}

/* See the header: the decimal text of a 32-bit integer. */
int asi_fmt_ld(char *buf, std::size_t size, std::int32_t v)
{
    char out[FMT_LONG_BUF];
    int len = std::snprintf(out, sizeof out, "%ld", static_cast<long>(v));
    return fmt_deliver(buf, size, out, len);
}

/* See the header: strtod in the "C" locale, decimal forms only. */
double asi_strtod(const char *text, char **end)
{
    if (end) *end = const_cast<char *>(text);
    if (!text) return 0.0;
    const char *p = text;
    while (*p == ' ' || (*p >= '\t' && *p <= '\r')) ++p;
    const char *q = p;
    if (*q == '+' || *q == '-') ++q;
    bool digit_next = (*q >= '0' && *q <= '9') || (*q == '.' && q[1] >= '0' && q[1] <= '9');
    if (!digit_next) return 0.0;                      /* also "inf", "nan" */
    if (q[0] == '0' && (q[1] == 'x' || q[1] == 'X')) { /* hexadecimal: the 0 alone */
        if (end) *end = const_cast<char *>(q + 1);
        return *p == '-' ? -0.0 : 0.0;
    }
    return strtod_l(text, end, fmt_c_locale());
}

/* See the header. */
int asi_fmt_is_finite(double x)
{
    return std::isfinite(x) ? 1 : 0;
}
