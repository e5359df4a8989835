/*
** asi_codepage.cpp: the code-page tables, the locale table, case mapping
** and collation.
**
** Each code page is single-byte: bytes below 0x80 are ASCII, the upper half
** comes from a table of 128 UCS-2 characters (ASCII has none: its upper
** half converts to U+FFFD and back to '?').  The LATIN1 collation compares
** letters by their base letter first (accents and case removed), then by
** accent, then by case, so "a" < "B" < "c" and "e" < "é" < "f".
*/
#include "sqlclient/base/asi_codepage.h"

#include <atomic>
#include <cctype>
#include <cstring>

#include "sqlclient/base/asi_diag.h"
#include "sqlclient/base/asi_except.h"
#include "sqlclient/base/asi_ucstr.h"

namespace {

/* Upper halves of the code pages (bytes 0x80 to 0xFF). */
const char16_t cp1252_high[128] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
    0x00A0, 0x00A1, 0x00A2, 0x00A3, 0x00A4, 0x00A5, 0x00A6, 0x00A7,
    0x00A8, 0x00A9, 0x00AA, 0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x00AF,
    0x00B0, 0x00B1, 0x00B2, 0x00B3, 0x00B4, 0x00B5, 0x00B6, 0x00B7,
    0x00B8, 0x00B9, 0x00BA, 0x00BB, 0x00BC, 0x00BD, 0x00BE, 0x00BF,
    0x00C0, 0x00C1, 0x00C2, 0x00C3, 0x00C4, 0x00C5, 0x00C6, 0x00C7,
    0x00C8, 0x00C9, 0x00CA, 0x00CB, 0x00CC, 0x00CD, 0x00CE, 0x00CF,
    0x00D0, 0x00D1, 0x00D2, 0x00D3, 0x00D4, 0x00D5, 0x00D6, 0x00D7,
    0x00D8, 0x00D9, 0x00DA, 0x00DB, 0x00DC, 0x00DD, 0x00DE, 0x00DF,
    0x00E0, 0x00E1, 0x00E2, 0x00E3, 0x00E4, 0x00E5, 0x00E6, 0x00E7,
    0x00E8, 0x00E9, 0x00EA, 0x00EB, 0x00EC, 0x00ED, 0x00EE, 0x00EF,
    0x00F0, 0x00F1, 0x00F2, 0x00F3, 0x00F4, 0x00F5, 0x00F6, 0x00F7,
    0x00F8, 0x00F9, 0x00FA, 0x00FB, 0x00FC, 0x00FD, 0x00FE, 0x00FF,
};

const char16_t cp850_high[128] = {
    0x00C7, 0x00FC, 0x00E9, 0x00E2, 0x00E4, 0x00E0, 0x00E5, 0x00E7,
    0x00EA, 0x00EB, 0x00E8, 0x00EF, 0x00EE, 0x00EC, 0x00C4, 0x00C5,
    0x00C9, 0x00E6, 0x00C6, 0x00F4, 0x00F6, 0x00F2, 0x00FB, 0x00F9,
    0x00FF, 0x00D6, 0x00DC, 0x00F8, 0x00A3, 0x00D8, 0x00D7, 0x0192,
    0x00E1, 0x00ED, 0x00F3, 0x00FA, 0x00F1, 0x00D1, 0x00AA, 0x00BA,
    0x00BF, 0x00AE, 0x00AC, 0x00BD, 0x00BC, 0x00A1, 0x00AB, 0x00BB,
    0x2591, 0x2592, 0x2593, 0x2502, 0x2524, 0x00C1, 0x00C2, 0x00C0,
    0x00A9, 0x2563, 0x2551, 0x2557, 0x255D, 0x00A2, 0x00A5, 0x2510,
    0x2514, 0x2534, 0x252C, 0x251C, 0x2500, 0x253C, 0x00E3, 0x00C3,
    0x255A, 0x2554, 0x2569, 0x2566, 0x2560, 0x2550, 0x256C, 0x00A4,
    0x00F0, 0x00D0, 0x00CA, 0x00CB, 0x00C8, 0x0131, 0x00CD, 0x00CE,
    0x00CF, 0x2518, 0x250C, 0x2588, 0x2584, 0x00A6, 0x00CC, 0x2580,
    0x00D3, 0x00DF, 0x00D4, 0x00D2, 0x00F5, 0x00D5, 0x00B5, 0x00FE,
    0x00DE, 0x00DA, 0x00DB, 0x00D9, 0x00FD, 0x00DD, 0x00AF, 0x00B4,
    0x00AD, 0x00B1, 0x2017, 0x00BE, 0x00B6, 0x00A7, 0x00F7, 0x00B8,
    0x00B0, 0x00A8, 0x00B7, 0x00B9, 0x00B3, 0x00B2, 0x25A0, 0x00A0,
};

const char16_t cp437_high[128] = {
    0x00C7, 0x00FC, 0x00E9, 0x00E2, 0x00E4, 0x00E0, 0x00E5, 0x00E7,
    0x00EA, 0x00EB, 0x00E8, 0x00EF, 0x00EE, 0x00EC, 0x00C4, 0x00C5,
    0x00C9, 0x00E6, 0x00C6, 0x00F4, 0x00F6, 0x00F2, 0x00FB, 0x00F9,
    0x00FF, 0x00D6, 0x00DC, 0x00A2, 0x00A3, 0x00A5, 0x20A7, 0x0192,
    0x00E1, 0x00ED, 0x00F3, 0x00FA, 0x00F1, 0x00D1, 0x00AA, 0x00BA,
    0x00BF, 0x2310, 0x00AC, 0x00BD, 0x00BC, 0x00A1, 0x00AB, 0x00BB,
    0x2591, 0x2592, 0x2593, 0x2502, 0x2524, 0x2561, 0x2562, 0x2556,
    0x2555, 0x2563, 0x2551, 0x2557, 0x255D, 0x255C, 0x255B, 0x2510,
    0x2514, 0x2534, 0x252C, 0x251C, 0x2500, 0x253C, 0x255E, 0x255F,
    0x255A, 0x2554, 0x2569, 0x2566, 0x2560, 0x2550, 0x256C, 0x2567,
    0x2568, 0x2564, 0x2565, 0x2559, 0x2558, 0x2552, 0x2553, 0x256B,
    0x256A, 0x2518, 0x250C, 0x2588, 0x2584, 0x258C, 0x2590, 0x2580,
    0x03B1, 0x00DF, 0x0393, 0x03C0, 0x03A3, 0x03C3, 0x00B5, 0x03C4,
    0x03A6, 0x0398, 0x03A9, 0x03B4, 0x221E, 0x03C6, 0x03B5, 0x2229,
    0x2261, 0x00B1, 0x2265, 0x2264, 0x2320, 0x2321, 0x00F7, 0x2248,
    0x00B0, 0x2219, 0x00B7, 0x221A, 0x207F, 0x00B2, 0x25A0, 0x00A0,
};

/* The replacement character for a byte a code page lacks. */
constexpr char16_t CP_REPLACEMENT = 0xFFFD;

/* One code page: number, canonical name, upper half (null: ASCII). */
struct cp_entry {
    int number;               /* code-page number */
    const char *name;         /* canonical name, as asi_current_cp gives it */
    const char16_t *high;     /* bytes 0x80 to 0xFF, or null */
};

const cp_entry cp_table[] = {
    {ASI_CP_1252, "1252", cp1252_high},
    {ASI_CP_850, "850", cp850_high},
    {ASI_CP_437, "437", cp437_high},
    {ASI_CP_ASCII, "ASCII", nullptr},
};

/* Further names of the code pages. */
struct cp_alias {
    const char *name;   /* alias, compared without case */
    int number;         /* code-page number */
};

const cp_alias cp_aliases[] = {
    {"1252", ASI_CP_1252}, {"CP1252", ASI_CP_1252}, {"WINDOWS-1252", ASI_CP_1252},
    {"ANSI", ASI_CP_1252}, {"ANSI_1252", ASI_CP_1252}, {"LATIN1", ASI_CP_1252},
    {"850", ASI_CP_850}, {"CP850", ASI_CP_850}, {"IBM850", ASI_CP_850}, {"DOS_850", ASI_CP_850},
    {"437", ASI_CP_437}, {"CP437", ASI_CP_437}, {"IBM437", ASI_CP_437}, {"DOS_437", ASI_CP_437},
    {"ASCII", ASI_CP_ASCII}, {"US-ASCII", ASI_CP_ASCII}, {"20127", ASI_CP_ASCII},
};

/* One locale: id and name. */
struct locale_entry {
    int id;             /* locale id */
    const char *name;   /* name, compared without case */
};

const locale_entry locale_table[] = {
    {ASI_LOCALE_ASCII, "ASCII"},
    {ASI_LOCALE_LATIN1, "LATIN1"},
};

/* The library's current code page and locale; atomic so that a change on
** one thread is seen whole on the others. */
std::atomic<const cp_entry *> g_current_cp{&cp_table[0]};
std::atomic<const locale_entry *> g_current_locale{&locale_table[0]};

/* Case-insensitive ASCII comparison of names. */
int cp_name_equal(const char *a, const char *b)
{
    while (*a && *b) {
        if (std::toupper((unsigned char)*a) != std::toupper((unsigned char)*b))
            return 0;
        a++;
        b++;
    }
    return *a == *b;
}

/* The table entry of a code-page number (0: the current), or null. */
const cp_entry *cp_find(int cp)
{
    if (cp == 0)
        return g_current_cp.load();
    for (const cp_entry &e : cp_table)
        if (e.number == cp)
            return &e;
    return nullptr;
}

/* The code-page number of a name, 0 when unknown. */
int cp_lookup(const char *name)
{
    if (!name)
        return 0;
    for (const cp_alias &a : cp_aliases)
        if (cp_name_equal(a.name, name))
            return a.number;
    return 0;
}

/* The locale entry of a name, or null. */
const locale_entry *locale_lookup(const char *name)
{
    if (!name)
        return nullptr;
    for (const locale_entry &e : locale_table)
        if (cp_name_equal(e.name, name))
            return &e;
    return nullptr;
}

/* 1 when the locale id is one of the table (0 reads as ASCII). */
int locale_known(int id)
{
    return id == 0 || id == ASI_LOCALE_ASCII || id == ASI_LOCALE_LATIN1;
}

/* The base letter of a Latin-1 character (accent removed), else itself. */
char16_t latin1_base(char16_t c)
{
    static const char base[] = /* 0xC0 to 0xFF */
        "AAAAAAACEEEEIIII"
        "DNOOOOO\xD7OUUUUYTS"
        "aaaaaaaceeeeiiii"
        "dnooooo\xF7ouuuuyty";
    if (c >= 0xC0 && c <= 0xFF)
        return (char16_t)(unsigned char)base[c - 0xC0];
    switch (c) {
    case 0x160: return u'S';
    case 0x161: return u's';
    case 0x152: return u'O';
    case 0x153: return u'o';
    case 0x17D: return u'Z';
    case 0x17E: return u'z';
    case 0x178: return u'Y';
    default: return c;
    }
}

/* Compares two texts by a key function: -1, 0, 1. */
template <class K>
int cmp_by(const char16_t *a, const char16_t *b, K key)
{
    for (;; a++, b++) {
        char16_t x = key(*a), y = key(*b);
        if (x != y)
            return x < y ? -1 : 1;
        if (!*a)
            return 0;
    }
}

/* The locale comparison: ASCII by character value (or case folded),
** LATIN1 by base letter, accent, case. */
int locale_compare(int locale, const char16_t *a, const char16_t *b, int nocase)
{
    if (!locale_known(locale))
        asi_throw(ASI_ERR_LOCALE_UNSUPPORTED, "asi_uc_compare");
    a = a ? a : u"";
    b = b ? b : u"";
    if (locale != ASI_LOCALE_LATIN1) {
        if (nocase)
            return cmp_by(a, b, [](char16_t c) { return asi_uc_to_upper(ASI_LOCALE_ASCII, c); });
        return cmp_by(a, b, [](char16_t c) { return c; });
    }
    int r = cmp_by(a, b, [](char16_t c) { return asi_uc_to_upper(ASI_LOCALE_LATIN1, latin1_base(c)); });
    if (r)
        return r;
    r = cmp_by(a, b, [](char16_t c) { return asi_uc_to_upper(ASI_LOCALE_LATIN1, c); });
    if (r || nocase)
        return r;
    /* Lower case before upper case at the last level. */
    return -cmp_by(a, b, [](char16_t c) { return c; });
}

} // namespace

/* The current code page's name. */
const char *asi_current_cp() noexcept
{
    return g_current_cp.load()->name;
}

/* The current code page's number. */
int asi_current_cp_number() noexcept
{
    return g_current_cp.load()->number;
}

/* Makes a code page current; 0 when the name is unknown. */
int asi_set_current_cp(const char *name) noexcept
{
    int cp = cp_lookup(name);
    const cp_entry *e = cp ? cp_find(cp) : nullptr;   /* cp_find(0) is the current page */
    if (!e)
        return 0;
    g_current_cp = e;
    return 1;
}

/* The number of a name; raises ASI_ERR_CHARSET when unknown. */
int asi_cp_from_name(const char *name)
{
    if (!name)
        return g_current_cp.load()->number;
    int cp = cp_lookup(name);
    if (!cp)
        asi_throw(ASI_ERR_CHARSET, "asi_cp_from_name", name);
    return cp;
}

/* The number of a name; the current one when unknown. */
int asi_cp_from_name_or_current(const char *name) noexcept
{
    int cp = cp_lookup(name);
    return cp ? cp : g_current_cp.load()->number;
}

/* 1 for a code page the library converts. */
int asi_cp_is_supported(int cp) noexcept
{
    return cp != 0 && cp_find(cp) != nullptr;
}

/* The current locale's name. */
const char *asi_current_locale_name() noexcept
{
    return g_current_locale.load()->name;
}

/* Makes a locale current; 0 when unknown. */
int asi_set_current_locale(const char *name) noexcept
{
    const locale_entry *e = locale_lookup(name);
    if (!e)
        return 0;
    g_current_locale = e;
    return 1;
}

/* The current locale's id. */
int asi_current_locale_id() noexcept
{
    return g_current_locale.load()->id;
}

/* The id of a locale name; raises ASI_ERR_LOCALE when unknown. */
int asi_locale_id(const char *name)
{
    const locale_entry *e = locale_lookup(name);
    if (!e)
        asi_throw(ASI_ERR_LOCALE, "asi_locale_id", name);
    return e->id;
}

/* The name of a locale id; "Unsupported" and warning 0xA01F when unknown. */
const char *asi_locale_by_name(int id) noexcept
{
    if (id == 0)
        return "ASCII";
    for (const locale_entry &e : locale_table)
        if (e.id == id)
            return e.name;
    asi_warn_state(ASI_ERR_LOCALE);
    return "Unsupported";
}

/* Locale comparison with case. */
int asi_uc_compare(int locale, const char16_t *a, const char16_t *b)
{
    return locale_compare(locale, a, b, 0);
}

/* Locale comparison without case. */
int asi_uc_compare_nocase(int locale, const char16_t *a, const char16_t *b)
{
    return locale_compare(locale, a, b, 1);
}

/* Comparison under a named locale. */
int asi_uc_compare_by_name(const char *localeName, const char16_t *a, const char16_t *b)
{
    int id = localeName ? asi_locale_id(localeName) : g_current_locale.load()->id;
    return locale_compare(id, a, b, 0);
}

/* Upper case under a locale: ASCII maps a to z; LATIN1 also the Latin-1
** and the 1252 letters. */
char16_t asi_uc_to_upper(int locale, char16_t c) noexcept
{
    if (c >= u'a' && c <= u'z')
        return (char16_t)(c - 0x20);
    if (locale != ASI_LOCALE_LATIN1)
        return c;
    if (c >= 0xE0 && c <= 0xFE && c != 0xF7)
        return (char16_t)(c - 0x20);
    switch (c) {
    case 0xFF: return 0x178;
    case 0x161: return 0x160;
    case 0x153: return 0x152;
    case 0x17E: return 0x17D;
    default: return c;
    }
}

/* Lower case under a locale. */
char16_t asi_uc_to_lower(int locale, char16_t c) noexcept
{
    if (c >= u'A' && c <= u'Z')
        return (char16_t)(c + 0x20);
    if (locale != ASI_LOCALE_LATIN1)
        return c;
    if (c >= 0xC0 && c <= 0xDE && c != 0xD7)
        return (char16_t)(c + 0x20);
    switch (c) {
    case 0x178: return 0xFF;
    case 0x160: return 0x161;
    case 0x152: return 0x153;
    case 0x17D: return 0x17E;
    default: return c;
    }
}

/* Upper case under the current locale. */
char16_t asi_uc_upper(char16_t c) noexcept
{
    return asi_uc_to_upper(g_current_locale.load()->id, c);
}

/* 1 for a lower-case letter of the current locale. */
int asi_uc_is_lower(char16_t c) noexcept
{
    int id = g_current_locale.load()->id;
    return asi_uc_to_upper(id, c) != c || (id == ASI_LOCALE_LATIN1 && c == 0xDF);
}

/* One byte of a code page as UCS-2. */
char16_t asi_cp_to_ucs(int cp, unsigned char byte) noexcept
{
    if (byte < 0x80)
        return byte;
    const cp_entry *e = cp_find(cp);
    if (!e)
        e = g_current_cp.load();
    return e->high ? e->high[byte - 0x80] : CP_REPLACEMENT;
}

/* One UCS-2 character as a byte of a code page; '?' when it lacks it. */
unsigned char asi_cp_from_ucs(int cp, char16_t c) noexcept
{
    if (c < 0x80)
        return (unsigned char)c;
    const cp_entry *e = cp_find(cp);
    if (!e)
        e = g_current_cp.load();
    if (e->high)
        for (int i = 0; i < 128; i++)
            if (e->high[i] == c)
                return (unsigned char)(0x80 + i);
    return '?';
}
