/*
** import_reader.cpp: the value reader of the text importer, one character
** at a time from the buffered input. Characters are read as unsigned
** bytes, so that a byte 0xFF is the letter ÿ of code page 1252 and not the
** end of the file, and bytes from 0x80 up are never control characters.
*/
#include "data/import_reader.h"

#include <cstring>

namespace {

/* Lowest printable character; everything below is a blank or a control. */
constexpr int IR_FIRST_PRINTABLE = '!';
/* The bytes 0x80 to 0x9F of Windows-1252 as characters, 0 for the five
** the code page leaves unassigned; bytes from 0xA0 up are U+00A0 to U+00FF. */
constexpr unsigned long IR_CP_FIRST_HIGH = 0x80;
constexpr unsigned long IR_CP_FIRST_LATIN1 = 0xA0;
constexpr unsigned long IR_CP_LAST = 0xFF;
const unsigned short k_cp1252_high[IR_CP_FIRST_LATIN1 - IR_CP_FIRST_HIGH] = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};
/* Highest code point, and the surrogates UTF-8 may not carry. */
constexpr unsigned long IR_UNICODE_MAX = 0x10FFFF;
constexpr unsigned long IR_SURROGATE_FIRST = 0xD800;
constexpr unsigned long IR_SURROGATE_LAST = 0xDFFF;

/* 1 for a control character: below the blank (the stream's end is not
** one, nor a NUL byte, which is kept in its value for the importer to
** refuse). */
int ir_is_control(int c)
{
    return c > 0 && c < IMPORT_BLANK;
}

/* 1 for a line end. */
int ir_is_line_end(int c)
{
    return c == '\n' || c == '\r';
}

/* Appends a character to the value while there is room; 1 when kept. */
int ir_keep(import_reader *r, int c)
{
    if (r->length >= IMPORT_VALUE_MAX) return 0;
    r->value[r->length++] = (char)c;
    return 1;
}

/* Skips to the column delimiter, a control character or the end of the
** stream and answers the character that stopped it (consumed). */
int ir_skip_to_separator(import_reader *r)
{
    int c;
    while ((c = std::getc(r->fp)) != EOF) {
        if (c == r->col_delim || ir_is_control(c)) return c;
    }
    return IMPORT_EOF;
}

/* Reads a value enclosed in the text delimiter (the opening one already
** read); answers the character that ended the value. */
int ir_read_quoted(import_reader *r)
{
    int c;
    int closed = 0;
    while ((c = std::getc(r->fp)) != EOF) {
        if (c == r->text_delim) {
            closed = 1;
            break;
        }
        if (!ir_keep(r, c)) {
            /* Cut: the rest of the quoted text up to its delimiter or a
            ** control character is skipped. */
            while (c != EOF && c != r->text_delim && !ir_is_control(c)) c = std::getc(r->fp);
            if (c == EOF) return IMPORT_EOF;
            if (ir_is_control(c) && c != r->text_delim) return c;
            closed = 1;
            break;
        }
    }
    if (!closed) return IMPORT_EOF;
    return ir_skip_to_separator(r);
}

/* Reads an unquoted value; answers the character that ended it. */
int ir_read_plain(import_reader *r)
{
    int c;
    while ((c = std::getc(r->fp)) != EOF) {
        if (c == r->col_delim || ir_is_control(c)) return c;
        if (!ir_keep(r, c)) return ir_skip_to_separator(r);
    }
    return IMPORT_EOF;
}

/* Decodes the UTF-8 character at s[*at] (of n bytes): answers its code
** point and moves *at past it, or -1 (at unchanged) when the bytes there
** are not one: a stray continuation byte, a character cut short, an
** overlong form, a surrogate or a code point beyond U+10FFFF. */
long ir_utf8_next(const unsigned char *s, size_t n, size_t *at)
{
    unsigned char b = s[*at];
    int extra = b < 0x80 ? 0 : (b & 0xE0) == 0xC0 ? 1 : (b & 0xF0) == 0xE0 ? 2 : (b & 0xF8) == 0xF0 ? 3 : -1;
    if (extra < 0 || *at + (size_t)extra >= n) return -1;
    static const unsigned long lowest[] = {0, 0x80, 0x800, 0x10000};
    unsigned long cp = extra ? (b & (0x3F >> extra)) : b;
    for (int k = 1; k <= extra; k++) {
        unsigned char c = s[*at + (size_t)k];
        if ((c & 0xC0) != 0x80) return -1;
        cp = (cp << 6) | (c & 0x3F);
    }
    if (cp < lowest[extra] || cp > IR_UNICODE_MAX || (cp >= IR_SURROGATE_FIRST && cp <= IR_SURROGATE_LAST))
        return -1;
    *at += (size_t)extra + 1;
    return (long)cp;
}

/* 1 when Windows-1252 gives the byte a character. */
int ir_cp1252_assigned(unsigned long byte)
{
    return byte < IR_CP_FIRST_HIGH || byte >= IR_CP_FIRST_LATIN1 || k_cp1252_high[byte - IR_CP_FIRST_HIGH] != 0;
}

/* The Windows-1252 byte of a character, or -1 when the page lacks it. */
int ir_cp1252_byte(unsigned long cp)
{
    if (cp < IR_CP_FIRST_HIGH || (cp >= IR_CP_FIRST_LATIN1 && cp <= IR_CP_LAST)) return (int)cp;
    for (unsigned long b = 0; b < IR_CP_FIRST_LATIN1 - IR_CP_FIRST_HIGH; b++)
        if (k_cp1252_high[b] && k_cp1252_high[b] == cp) return (int)(b + IR_CP_FIRST_HIGH);
    return -1;
}

}  // namespace

/* 1 for valid UTF-8 beyond ASCII; see import_reader.h. */
int import_is_utf8(const char *data, size_t size)
{
    const unsigned char *s = (const unsigned char *)data;
    int beyond = 0;
    for (size_t at = 0; at < size;) {
        beyond |= s[at] >= IR_CP_FIRST_HIGH;
        if (ir_utf8_next(s, size, &at) < 0) return 0;
    }
    return beyond;
}

/* A UTF-8 value without a character cut short at its end; see
** import_reader.h. */
std::string import_utf8_whole(const char *value)
{
    const unsigned char *s = (const unsigned char *)value;
    size_t n = std::strlen(value), end = n;
    /* The lead byte of the last character, at most four bytes back. */
    size_t lead = n;
    while (lead > 0 && n - lead < 4 && (s[lead - 1] & 0xC0) == 0x80) lead--;
    if (lead > 0 && s[lead - 1] >= 0xC0) {
        size_t at = lead - 1;
        if (ir_utf8_next(s, n, &at) < 0) end = lead - 1;
    }
    return std::string(value, end);
}

/* A value in Windows-1252; see import_reader.h. */
int import_to_cp1252(const char *value, int utf8, std::string &out, unsigned long *bad)
{
    out.clear();
    const unsigned char *s = (const unsigned char *)value;
    size_t n = std::strlen(value);
    for (size_t at = 0; at < n;) {
        long cp = utf8 ? ir_utf8_next(s, n, &at) : (long)s[at++];
        int byte = -1;
        if (cp >= 0 && utf8) byte = ir_cp1252_byte((unsigned long)cp);
        else if (cp >= 0) byte = ir_cp1252_assigned((unsigned long)cp) ? (int)cp : -1;
        if (byte < 0) {
            if (bad) *bad = cp < 0 ? s[at] : (unsigned long)cp;
            return -1;
        }
        out += (char)byte;
    }
    return 0;
}

/* Sets up the reader; see import_reader.h. */
void import_reader_init(import_reader *r, FILE *fp, int col_delim, int text_delim)
{
    r->fp = fp;
    r->col_delim = col_delim;
    r->text_delim = text_delim;
    r->value[0] = '\0';
    r->length = 0;
    r->end = IMPORT_EOF;
}

/* Reads the next value; see import_reader.h. */
int import_read_value(import_reader *r)
{
    r->length = 0;
    int c = std::getc(r->fp);
    while (c != EOF && c != 0 && c < IR_FIRST_PRINTABLE && !ir_is_line_end(c) &&
           (r->col_delim == IMPORT_BLANK || c != r->col_delim))
        c = std::getc(r->fp);
    int end;
    if (c == EOF) {
        end = IMPORT_EOF;
    } else if (r->text_delim && c == r->text_delim) {
        end = ir_read_quoted(r);
    } else if (ir_is_line_end(c)) {
        end = c;
    } else {
        std::ungetc(c, r->fp);
        end = ir_read_plain(r);
    }
    r->value[r->length] = '\0';
    r->end = end;
    return end;
}

/* 1 when the value ends its record; see import_reader.h. */
int import_ends_record(const import_reader *r, int fields, int expected)
{
    if (r->end == IMPORT_EOF || ir_is_line_end(r->end)) return 1;
    if (r->end == r->col_delim) return 0;
    return ir_is_control(r->end) && fields >= expected;
}

/* Skips the rest of a record's end; see import_reader.h. */
void import_skip_record_end(import_reader *r)
{
    int c;
    while ((c = std::getc(r->fp)) != EOF) {
        if (c >= IR_FIRST_PRINTABLE || c == r->col_delim || c == 0) {
            std::ungetc(c, r->fp);
            return;
        }
    }
}
