/*
** import_reader.h: the value reader of the text importer.
**
** A text file is read one value at a time through a buffered stream.
** Values are separated by a column delimiter (a blank, a tab, a comma or
** any other character) and may be enclosed in a text delimiter, inside
** which the column delimiter is an ordinary character; there is no escape
** for the text delimiter itself. Every byte from 0x80 up is an ordinary
** character of a value (code page 1252 letters), and so is a NUL byte,
** which the importer refuses (value holds length bytes, a NUL among them
** then); only the end of the stream ends the file. A value holds at most IMPORT_VALUE_MAX characters;
** the rest of a longer value is skipped.
**
**     import_reader r; import_reader_init(&r, fp, '\t', '"');
**     while (import_read_value(&r) != IMPORT_EOF || r.length) ... r.value ...
**     if (import_ends_record(&r, fields, expected)) import_skip_record_end(&r);
**
** A line is read as UTF-8 when it is valid UTF-8 and holds a byte from
** 0x80 up (import_is_utf8), else as Windows-1252; either way every value
** is turned into Windows-1252 (import_to_cp1252) before it is kept.
*/
#ifndef PV_DATA_IMPORT_READER_H
#define PV_DATA_IMPORT_READER_H

#include <cstddef>
#include <cstdio>
#include <string>

/* Longest value read, in characters; its buffer holds one more. */
#define IMPORT_VALUE_MAX 4096
#define IMPORT_VALUE_SIZE (IMPORT_VALUE_MAX + 1)
/* The end of the stream, as the character that ended a value. */
#define IMPORT_EOF (-1)
/* The blank: as column delimiter, runs of blanks are one separator. */
#define IMPORT_BLANK ' '

/* The reader's state over one open stream. */
struct import_reader {
    FILE *fp;                       /* the input stream; not owned */
    int col_delim;                  /* column delimiter, a character code 1..255 */
    int text_delim;                 /* text delimiter, 0 for none */
    char value[IMPORT_VALUE_SIZE];  /* the last value read, NUL-terminated */
    int length;                     /* characters of value */
    int end;                        /* character that ended it: IMPORT_EOF,
                                       the column delimiter or a control character */
};

/* Sets up a reader over an open stream with its two delimiters. */
void import_reader_init(import_reader *r, FILE *fp, int col_delim, int text_delim);
/* Reads the next value into r->value. Answers the character that ended
** it (also in r->end): the column delimiter, a control character (below
** the blank) or IMPORT_EOF. An empty value at the end of the stream is
** answered as IMPORT_EOF with length 0. */
int import_read_value(import_reader *r);
/* 1 when the value just read ends its record: the end of the stream, a
** line end, or another control character than the column delimiter once
** `fields` values (this one counted) reach `expected`; else 0. */
int import_ends_record(const import_reader *r, int fields, int expected);
/* After a record that ended on a control character: skips characters up
** to the blank until a printable character, the column delimiter or the
** end of the stream, which is left to be read. */
void import_skip_record_end(import_reader *r);

/* 1 when the bytes are valid UTF-8 holding at least one character beyond
** ASCII; 0 otherwise (plain ASCII, or bytes UTF-8 does not allow). */
int import_is_utf8(const char *data, size_t size);
/* The UTF-8 text without a character cut short at its end (a value the
** reader cut at IMPORT_VALUE_MAX bytes). */
std::string import_utf8_whole(const char *value);
/* Turns a value into Windows-1252 text: from UTF-8 when utf8 is 1, else
** the bytes as they are. Answers 0 with the text in out; -1 with *bad set
** to the first character Windows-1252 lacks (a code point of the UTF-8
** text, or one of the bytes 0x81, 0x8D, 0x8F, 0x90, 0x9D that the code
** page leaves unassigned). */
int import_to_cp1252(const char *value, int utf8, std::string &out, unsigned long *bad);

#endif
