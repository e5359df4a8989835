/*
** asi_number.cpp: a double as packed BCD digits, the decimal text of a
** 17-digit string, and stripping a character from a text.
**
** asi_double_to_bcd works in the x86 80-bit extended format (long double
** on x86-64 Linux: 64-bit mantissa), rounding to nearest with ties to even,
** the way the value texts have always been made.  Powers of ten up to 10^27
** are exact in that format and are used as such (a negative exponent
** divides by the exact power); beyond, powl gives the nearest power.
*/
#include "sqlclient/base/asi_number.h"

#include <cfenv>
#include <cmath>
#include <cstdint>
#include <cstring>

namespace {

/* The largest power of ten the extended format holds exactly. */
constexpr int BCD_EXACT_POW10 = 27;

/* The first integer the 18 BCD digits cannot hold. */
constexpr std::uint64_t BCD_LIMIT = 1000000000000000000ull;

/* Digits of the exponent in a formatted number. */
constexpr int FMT_EXP_DIGITS = 3;

/* Digits kept by asi_format_digits. */
constexpr int FMT_KEEP = 16;

/* 10^n in extended precision, exact for n <= 27. */
long double pow10_ext(int n)
{
    if (n <= BCD_EXACT_POW10) {
        long double p = 1.0L;
        for (int i = 0; i < n; i++)
            p *= 10.0L;
        return p;
    }
    return powl(10.0L, (long double)n);
}

/* Writes the exponent: 'E', the sign and three digits. */
char *fmt_exponent(char *p, char sign, int e)
{
    *p++ = 'E';
    *p++ = sign;
    char tmp[12];
    int n = 0;
    do {
        tmp[n++] = (char)('0' + e % 10);
        e /= 10;
    } while (e > 0);
    while (n < FMT_EXP_DIGITS)
        tmp[n++] = '0';
    while (n > 0)
        *p++ = tmp[--n];
    return p;
}

/* The number of digits of d[0..15] left when trailing zeros are dropped
** from position from on (never below from). */
int fmt_significant(const char *d, int from)
{
    int k = FMT_KEEP;
    while (k > from && d[k - 1] == '0')
        k--;
    return k;
}

/* Stores the packed "indefinite" the processor stores on overflow: bytes 7
** to 9 are 0xC0 0xFF 0xFF, the rest 0. */
void bcd_indefinite(unsigned char bcd[ASI_BCD_BYTES])
{
    std::memset(bcd, 0, ASI_BCD_BYTES);
    bcd[7] = 0xC0;
    bcd[8] = 0xFF;
    bcd[9] = 0xFF;
}

} // namespace

/* Scales x to an integer of about n digits and packs it as BCD. */
void asi_double_to_bcd(int n, double x, int *exp, unsigned char bcd[ASI_BCD_BYTES])
{
    if (x == 0.0 || std::isnan(x)) {
        if (exp)
            *exp = n;
        return;
    }
    if (std::isinf(x)) {
        /* No power of ten scales it: the exponent stays n, the digits are
        ** the packed "indefinite". */
        if (exp)
            *exp = n;
        if (bcd)
            bcd_indefinite(bcd);
        return;
    }
    int savedRound = std::fegetround();
    std::fesetround(FE_TONEAREST);
    long double ax = std::fabs((long double)x);
    int e = n - (int)nearbyintl(log10l(ax));
    long double scaled;
    if (e >= 0)
        scaled = ax * pow10_ext(e);
    else
        scaled = ax / pow10_ext(-e);
    scaled = nearbyintl(scaled);
    std::fesetround(savedRound);
    if (exp)
        *exp = e;
    if (!bcd)
        return;
    std::memset(bcd, 0, ASI_BCD_BYTES);
    if (!(scaled < (long double)BCD_LIMIT)) {
        bcd_indefinite(bcd);
        return;
    }
    std::uint64_t v = (std::uint64_t)scaled;
    for (int i = 0; i < ASI_BCD_DIGITS / 2; i++) {
        unsigned lo = (unsigned)(v % 10);
        v /= 10;
        unsigned hi = (unsigned)(v % 10);
        v /= 10;
        bcd[i] = (unsigned char)((hi << 4) | lo);
    }
    bcd[9] = x < 0 ? 0x80 : 0x00;
}

/* The decimal text of 0.D x 10^P, rounded to 16 digits. */
int asi_format_digits(const char *digits, char *out, int negative, int point)
{
    if (!digits || !out)
        return 0;
    /* Take 17 digits; a short or damaged string reads as zeros. */
    char d[ASI_FORMAT_DIGITS + 1];
    int end = 0;
    for (int i = 0; i < ASI_FORMAT_DIGITS; i++) {
        char c = end ? '0' : digits[i];
        if (!c)
            end = 1, c = '0';
        d[i] = (c >= '0' && c <= '9') ? c : '0';
    }
    d[ASI_FORMAT_DIGITS] = '\0';
    /* Round half up to 16 digits. */
    if (d[FMT_KEEP] >= '5') {
        int i = FMT_KEEP - 1;
        while (i >= 0 && d[i] == '9')
            d[i--] = '0';
        if (i >= 0) {
            d[i]++;
        } else {
            d[0] = '1';
            point++;
        }
    }
    d[FMT_KEEP] = '\0';

    char *p = out;
    if (negative)
        *p++ = '-';
    if (point >= FMT_KEEP + 1) {
        int k = fmt_significant(d, 1);
        *p++ = d[0];
        *p++ = '.';
        for (int i = 1; i < k; i++)
            *p++ = d[i];
        p = fmt_exponent(p, '+', point - 1);
    } else if (point >= 1) {
        for (int i = 0; i < point; i++)
            *p++ = d[i];
        int k = fmt_significant(d, point);
        if (k > point) {
            *p++ = '.';
            for (int i = point; i < k; i++)
                *p++ = d[i];
        }
    } else if (point == 0) {
        int k = fmt_significant(d, 0);
        *p++ = '0';
        if (k > 0) {
            *p++ = '.';
            for (int i = 0; i < k; i++)
                *p++ = d[i];
        }
    } else if (point >= -FMT_KEEP) {
        int k = fmt_significant(d, 0);
        if (k - point < FMT_KEEP) {
            *p++ = '0';
            *p++ = '.';
            for (int i = 0; i < -point; i++)
                *p++ = '0';
            for (int i = 0; i < k; i++)
                *p++ = d[i];
        } else {
            *p++ = d[0];
            if (k > 1) {
                *p++ = '.';
                for (int i = 1; i < k; i++)
                    *p++ = d[i];
            }
            p = fmt_exponent(p, '-', 1 - point);
        }
    } else {
        int k = fmt_significant(d, 1);
        *p++ = d[0];
        *p++ = '.';
        for (int i = 1; i < k; i++)
            *p++ = d[i];
        p = fmt_exponent(p, '-', 1 - point);
    }
    *p = '\0';
    return 1;
}

/* Removes ch from both ends of text in place. */
char *asi_strip_char(char *text, int ch) noexcept
{
    if (!text)
        return text;
    char c = (char)ch;
    if (c == '\0')
        return text;
    std::size_t n = std::strlen(text);
    while (n > 0 && text[n - 1] == c)
        text[--n] = '\0';
    char *p = text;
    while (*p == c)
        p++;
    return p;
}
