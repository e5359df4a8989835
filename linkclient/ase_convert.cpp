/*
** ase_convert.cpp: the text conversions of CAseErrList between the
** library's current code page, code page "1252", named code pages and the
** tagged form "<code page name>\7<text>" of texts inside packed records.
** Results go to a caller buffer when one is given, else to a scratch
** buffer of the list that the caller gives back with release.
**
**     char *t = errs.toTagged("Grüße");      // "\7Grüße" in 1252
**     char *u = errs.fromTagged(t);          // back in the current page
*/
#include <cstdlib>
#include <cstring>

#include "linkclient/ase_errlist.h"
#include "sqlclient/base/asi_codepage.h"

namespace {

/* The longest code page name of a tagged text. */
constexpr int k_cp_name_max = 64;

/* 1 when every character of s has a byte in code page cp and reads back
** as itself. */
int fits_code_page(const CAsiUcStr &s, int cp) noexcept
{
    const char16_t *u = s.ucs();
    for (int k = 0; u[k]; ++k)
        if (asi_cp_to_ucs(cp, asi_cp_from_ucs(cp, u[k])) != u[k])
            return 0;
    return 1;
}

/* 1 when the string holds a lower-case letter of the current locale. */
int has_lower(const CAsiUcStr &s) noexcept
{
    const char16_t *u = s.ucs();
    for (int k = 0; u[k]; ++k)
        if (asi_uc_is_lower(u[k]))
            return 1;
    return 0;
}

} // namespace

/* Writes s in code page cp into buf (size bytes) when given, else into a
** scratch buffer of its length; answers the text, null when no scratch
** buffer is available. */
char *CAseErrList::intoScratch(const CAsiUcStr &s, int cp, char *buf, int size)
{
    if (buf) {
        if (size < 1)
            return nullptr;
        return s.toMb(buf, size, cp);
    }
    int n = s.mbLength(cp);
    char *p = get(n);
    if (!p)
        return nullptr;
    return s.toMb(p, n + 1, cp);
}

/* Reads text in code page fromCp (0: current), upper-cases it when upcase
** is set and it holds a lower-case letter, and writes it in toCp; null for
** a null text or when the engine raises (the work string emptied). */
char *CAseErrList::recode(const char *text, int fromCp, int toCp, int upcase, char *buf, int size) noexcept
{
    if (!text || !ensureArea())
        return nullptr;
    char *out = ase_guard<char *>(nullptr, nullptr, [&] {
        m_work->assign(text, -1, fromCp);
        if (upcase && has_lower(*m_work))
            m_work->upper();
        return intoScratch(*m_work, toCp, buf, size);
    });
    if (!out)
        m_work->clear();
    return out;
}

/* Text of the library's code page written in code page "1252". */
char *CAseErrList::to1252(const char *text, char *buf, int size) noexcept
{
    return recode(text, 0, ASI_CP_1252, 0, buf, size);
}

/* Text of code page "1252" written in the library's code page. */
char *CAseErrList::from1252(const char *text, char *buf, int size) noexcept
{
    return recode(text, ASI_CP_1252, 0, 0, buf, size);
}

/* Text of the library's code page in upper case (the current locale's
** mapping) when it holds a lower-case letter, else unchanged. */
char *CAseErrList::upper(const char *text, char *buf, int size) noexcept
{
    return recode(text, 0, 0, 1, buf, size);
}

/* The same for a text of code page "1252". */
char *CAseErrList::upper1252(const char *text, char *buf, int size) noexcept
{
    return recode(text, ASI_CP_1252, ASI_CP_1252, 1, buf, size);
}

/* Compares two texts of the library's code page under a named locale (the
** current one for null): -1, 0 or 1; -1 when an argument is missing or the
** comparison fails. */
int CAseErrList::compareByLocale(const char *a, const char *b, const char *locale) noexcept
{
    if (!a || !b)
        return -1;
    return ase_guard(nullptr, -1, [&] {
        CAsiUcStr ua(a), ub(b);
        int r = asi_uc_compare_by_name(locale ? locale : asi_current_locale_name(), ua.ucs(), ub.ucs());
        return r < 0 ? -1 : (r > 0 ? 1 : 0);
    });
}

/* A calloc copy of text converted from the named code page fromCp into
** toCp, owned by the caller (free); null with (2, 2) without memory, null
** with the engine's items for an unknown code page. */
char *CAseErrList::convert(const char *text, const char *fromCp, const char *toCp) noexcept
{
    if (!text || !ensureArea())
        return nullptr;
    return ase_guard<char *>(this, nullptr, [&]() -> char * {
        int from = asi_cp_from_name(fromCp);
        int to = asi_cp_from_name(toCp);
        m_work->assign(text, -1, from);
        int n = m_work->mbLength(to);
        char *p = static_cast<char *>(std::calloc((std::size_t)n + 1, 1));
        if (!p) {
            add(ASE_CAT_SYSTEM, ASE_ERR_NO_MEMORY);
            return nullptr;
        }
        return m_work->toMb(p, n + 1, to);
    });
}

/* The tagged form of a text of the named code page (null: the library's):
** "\7" and the text in "1252" when it is empty or fits "1252", else the
** code page's name, "\7" and the text in that code page.  An unknown name
** counts as "1252".  A scratch buffer; null on failure. */
char *CAseErrList::toTagged(const char *text, const char *cpName) noexcept
{
    if (!text || !ensureArea())
        return nullptr;
    const char *name = cpName ? cpName : asi_current_cp();
    int cp = ase_guard(nullptr, 0, [&] { return asi_cp_from_name(name); });
    if (cp == 0 || std::strlen(name) >= (std::size_t)k_cp_name_max) {
        cp = ASI_CP_1252;
        name = ASE_CP_1252;
    }
    return ase_guard<char *>(nullptr, nullptr, [&]() -> char * {
        m_work->assign(text, -1, cp);
        const char *tag = "";
        int outCp = ASI_CP_1252;
        if (!m_work->isEmpty() && !fits_code_page(*m_work, ASI_CP_1252)) {
            tag = name;
            outCp = cp;
        }
        int tagLen = (int)std::strlen(tag);
        int n = m_work->mbLength(outCp);
        char *p = get(tagLen + 1 + n);
        if (!p)
            return nullptr;
        std::memcpy(p, tag, (std::size_t)tagLen);
        p[tagLen] = ASE_TAG_CHAR;
        m_work->toMb(p + tagLen + 1, n + 1, outCp);
        return p;
    });
}

/* A tagged text back in the library's code page: the part before "\7"
** names its code page (empty: "1252"); a text without "\7" is read whole
** as "1252".  A scratch buffer; null on failure, with (2, 34) and the name
** for an unknown code page. */
char *CAseErrList::fromTagged(const char *text) noexcept
{
    if (!text || !ensureArea())
        return nullptr;
    const char *tag = std::strchr(text, ASE_TAG_CHAR);
    if (!tag)
        return recode(text, ASI_CP_1252, 0, 0, nullptr, 0);
    char name[k_cp_name_max];
    std::size_t nameLen = (std::size_t)(tag - text);
    int cp = 0;
    if (nameLen == 0) {
        cp = ASI_CP_1252;
    } else if (nameLen < sizeof name) {
        std::memcpy(name, text, nameLen);
        name[nameLen] = '\0';
        cp = ase_guard(nullptr, 0, [&] { return asi_cp_from_name(name); });
    }
    if (cp == 0) {
        ase_guard(nullptr, 0, [&] {
            CAsiUcStr msg;
            messageText(ASE_MSG_SET, ASE_MSG_BAD_CODEPAGE, msg);
            CAsiUcStr tagName;
            tagName.assign(text, (int)nameLen, ASI_CP_1252);
            msg.append(tagName);
            char buf[k_cp_name_max * 8];
            add(ASE_CAT_SYSTEM, ASE_ERR_CODEPAGE, msg.toMb(buf, sizeof buf));
            return 1;
        });
        return nullptr;
    }
    return recode(tag + 1, cp, 0, 0, nullptr, 0);
}
