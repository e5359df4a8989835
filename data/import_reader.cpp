/*
** import_reader.cpp: the value reader of the text importer, one character
** at a time from the buffered input. Characters are read as unsigned
** bytes, so that a byte 0xFF is the letter ÿ of code page 1252 and not the
** end of the file, and bytes from 0x80 up are never control characters.
*/
#include "data/import_reader.h"

namespace {

/* Lowest printable character; everything below is a blank or a control. */
constexpr int IR_FIRST_PRINTABLE = '!';

/* 1 for a control character: below the blank (the stream's end is not one). */
int ir_is_control(int c)
{
    return c >= 0 && c < IMPORT_BLANK;
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

}  // namespace

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
    while (c != EOF && c < IR_FIRST_PRINTABLE && !ir_is_line_end(c) &&
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
        if (c >= IR_FIRST_PRINTABLE || c == r->col_delim) {
            std::ungetc(c, r->fp);
            return;
        }
    }
}
