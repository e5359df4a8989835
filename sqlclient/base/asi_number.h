/*
** asi_number.h: the number helpers the value types share: a double as
** packed decimal digits, the decimal text of a digit string, and stripping a
** character from both ends of a text.
**
** The digits come from the 80-bit extended format (64-bit mantissa, round to
** nearest, ties to even), as the value texts always have; powers of ten are
** exact where the format holds them exactly.
**
**     unsigned char bcd[10]; int e;
**     asi_double_to_bcd(17, 592809.9703, &e, bcd);
**     asi_format_digits("59280997030000000", out, 0, 6);   // "592809.9703"
*/
#ifndef PV_SQLCLIENT_BASE_ASI_NUMBER_H
#define PV_SQLCLIENT_BASE_ASI_NUMBER_H

/* Bytes of a packed BCD number: 9 bytes of digit pairs and a sign byte. */
constexpr int ASI_BCD_BYTES = 10;

/* Digits of a packed BCD number. */
constexpr int ASI_BCD_DIGITS = 18;

/* Digit characters asi_format_digits reads, and the buffer it needs. */
constexpr int ASI_FORMAT_DIGITS = 17;
constexpr int ASI_FORMAT_BUF = 64;

/* Sets *exp = n - round(log10 |x|) and stores x * 10^exp, rounded to an
** integer (ties to even), as 18 packed BCD digits with a sign byte: 9 bytes
** of digit pairs, least significant first (low nibble the lower digit), then
** the sign byte, bit 7 set when negative.  For zero *exp becomes n and bcd is
** left untouched.  A value whose scaled integer needs more than 18 digits
** (possible only for n above 18) stores the packed "indefinite" the
** processor stores (bytes 7 to 9: 0xC0 0xFF 0xFF, the rest 0); so does an
** infinite x, with *exp set to n. */
void asi_double_to_bcd(int n, double x, int *exp, unsigned char bcd[ASI_BCD_BYTES]);

/* Writes the decimal text of 0.D x 10^P (D the 17 digit characters, P the
** point position) into out (at least 64 bytes), after a minus sign when
** negative, rounding D half up to 16 digits first.  Answers 1, or 0 without
** writing when digits or out is null. */
int asi_format_digits(const char *digits, char *out, int negative, int point);

/* Removes the character ch from both ends of text in place (trailing ones by
** writing NULs) and answers a pointer to the first character kept. */
char *asi_strip_char(char *text, int ch) noexcept;

#endif
