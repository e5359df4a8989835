/*
** host_codepage.h: the stand-in editor's code page and the terminal's
** UTF-8.
**
** The editor keeps every text (answers, drawing texts, what the module
** prints) in its code page, Windows-1252, one byte a character. The
** terminal, scripts and newer drawing files speak UTF-8. These routines
** convert between the two at those borders: a character the code page
** lacks is refused with a text naming it, never stored half.
**
**   std::string cp, err;
**   host_cp_from_utf8("Cr\xC3\xAAte", cp, err);   // cp == "Cr\xEAte"
**   host_cp_to_utf8(cp);                           // "Cr\xC3\xAAte" again
*/
#ifndef PV_PLATFORM_HOST_CODEPAGE_H
#define PV_PLATFORM_HOST_CODEPAGE_H

#include <cstdint>
#include <string>

/* The name of the editor's code page, as shown to the user. */
#define HOST_CP_NAME "Windows-1252"

/* The byte of the editor's code page for a Unicode code point; false when
** the code page has none. */
bool host_cp_byte_of(uint32_t code_point, unsigned char &byte);

/* Reads the UTF-8 character at text[at] into code_point and moves at past
** it; false (at unchanged) for a byte that does not start a well-formed,
** shortest-form character of at most U+10FFFF outside the surrogates. */
bool host_utf8_next(const std::string &text, size_t &at, uint32_t &code_point);

/* Converts UTF-8 text into the editor's code page. True with out set; false
** with err naming the first character the code page lacks (its U+ number)
** or the first byte that is not UTF-8 (its position), out then empty. */
bool host_cp_from_utf8(const std::string &utf8, std::string &out, std::string &err);

/* The UTF-8 form of text in the editor's code page; the five bytes the code
** page leaves unassigned show as U+FFFD. */
std::string host_cp_to_utf8(const std::string &text);

#endif /* PV_PLATFORM_HOST_CODEPAGE_H */
