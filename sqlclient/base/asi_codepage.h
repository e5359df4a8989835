/*
** asi_codepage.h: the engine's code pages and locales.
**
** The code pages are single-byte: 1252 (Windows Latin-1), 850 and 437 (the
** DOS pages) and 20127 (ASCII).  The locales give the collation and case
** mapping of character values: "ASCII" (id -1; id 0 reads the same), which
** orders by character value and maps only A to Z, and "LATIN1" (id 1), which
** orders letters alphabetically with accents after the plain letter and maps
** the Latin-1 letters.  The library's current code page and locale start as
** "1252" and "ASCII".
**
**     int cp = asi_cp_from_name("850");        // 850
**     asi_uc_compare(asi_locale_id("LATIN1"), u"abc", u"ABD");   // -1
*/
#ifndef PV_SQLCLIENT_BASE_ASI_CODEPAGE_H
#define PV_SQLCLIENT_BASE_ASI_CODEPAGE_H

constexpr int ASI_CP_1252 = 1252;
constexpr int ASI_CP_850 = 850;
constexpr int ASI_CP_437 = 437;
constexpr int ASI_CP_ASCII = 20127;

constexpr int ASI_LOCALE_ASCII = -1;
constexpr int ASI_LOCALE_LATIN1 = 1;

/* The name of the library's current code page ("1252"). */
const char *asi_current_cp() noexcept;

/* The number of the current code page. */
int asi_current_cp_number() noexcept;

/* Makes a code page current by name; 1, or 0 (nothing changes) when the
** name is unknown. */
int asi_set_current_cp(const char *name) noexcept;

/* The code-page number of a character-set name (case ignored; "1252",
** "CP1252", "WINDOWS-1252", "850", "437", "ASCII"...).  A null name answers
** the current code page; an unknown name raises ASI_ERR_CHARSET. */
int asi_cp_from_name(const char *name);

/* The same without raising: an unknown or null name answers the current
** code page. */
int asi_cp_from_name_or_current(const char *name) noexcept;

/* 1 when the code-page number is one the library converts. */
int asi_cp_is_supported(int cp) noexcept;

/* The name of the library's current locale ("ASCII"). */
const char *asi_current_locale_name() noexcept;

/* Makes a locale current by name; 1, or 0 when unknown. */
int asi_set_current_locale(const char *name) noexcept;

/* The id of the current locale. */
int asi_current_locale_id() noexcept;

/* The locale id of a locale name (case ignored); an unknown name raises
** ASI_ERR_LOCALE. */
int asi_locale_id(const char *name);

/* The name of the locale with that id: "ASCII" for -1 (and 0); an unknown id
** records the warning 0xA01F and answers "Unsupported". */
const char *asi_locale_by_name(int id) noexcept;

/* Compares two NUL-terminated UCS-2 texts under a locale: -1, 0 or 1.  An
** unsupported locale raises ASI_ERR_LOCALE_UNSUPPORTED (0xA020). */
int asi_uc_compare(int locale, const char16_t *a, const char16_t *b);

/* The same, ignoring case (the locale's case mapping). */
int asi_uc_compare_nocase(int locale, const char16_t *a, const char16_t *b);

/* Compares under the named locale (null: the current one): negative, 0 or
** positive; an unknown name raises ASI_ERR_LOCALE. */
int asi_uc_compare_by_name(const char *localeName, const char16_t *a, const char16_t *b);

/* The upper- and lower-case forms of a character under a locale (id), or
** under the current locale. */
char16_t asi_uc_to_upper(int locale, char16_t c) noexcept;
char16_t asi_uc_to_lower(int locale, char16_t c) noexcept;
char16_t asi_uc_upper(char16_t c) noexcept;

/* Converts one byte of code page cp (0: current) to UCS-2, and one UCS-2
** character to a byte of cp ('?' when the page lacks it). */
char16_t asi_cp_to_ucs(int cp, unsigned char byte) noexcept;
unsigned char asi_cp_from_ucs(int cp, char16_t c) noexcept;

#endif
