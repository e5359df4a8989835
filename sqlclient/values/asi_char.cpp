/*
** asi_char.cpp: CHARACTER and CHARACTER VARYING values: assignment with
** cutting and padding, fetch, the coercibility rules of collations,
** collated comparison, LIKE, TRIM, SUBSTRING, POSITION, concatenation and
** the stream form.
**
** Stream items: tag 0 the text (when not null), 1 the flags (when not 0),
** 2 the declared length (when not 1), 3 the coercibility (always), 4 the
** current length, 5 the character set and 6 the locale (when not the
** current ones); the end item carries 1.
*/
#include "sqlclient/values/asi_char.h"

#include <algorithm>

#include <cerrno>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "sqlclient/base/asi_codepage.h"
#include "sqlclient/base/asi_diag.h"
#include "sqlclient/base/asi_except.h"
#include "sqlclient/values/asi_decimal.h"
#include "sqlclient/values/asi_textfmt.h"

namespace {

/* SQLSTATE conditions. */
constexpr int STATE_TRUNCATION = 0x2201;      /* 22001 */
constexpr int STATE_ZERO_BIT_PAD = 0x0108;    /* 01008 */
constexpr int STATE_OUT_OF_RANGE = 0x2203;    /* 22003 */
constexpr int STATE_BAD_ESCAPE_CHAR = 0x2213; /* 22019 */
constexpr int STATE_BAD_ESCAPE_SEQ = 0x2219;  /* 22025 */
constexpr int STATE_TRIM_ERROR = 0x221B;      /* 22027 */
constexpr int STATE_COLLATION = 0x37A8;       /* 37168 */

/* The blank. */
constexpr char16_t BLANK = u' ';

/* Bytes of a name handed to the code-page look-up, and of the name the
** type text compares. */
constexpr int CHARSET_NAME_BUF = 256;
constexpr int CHARSET_TYPE_NAME_BUF = 33;

/* Bytes setShort and setLong format into and hand to setText. */
constexpr int INT_TEXT_MAX = 32;

/* Bytes getText converts a text into without taking memory (a longer
** text takes its own). */
constexpr int GET_TEXT_ROOM = 256;

/* Bytes of the multibyte text getDouble, getLong and getShort scan. */
constexpr int SCAN_DOUBLE_MAX = 32;
constexpr int SCAN_LONG_MAX = 15;
constexpr int SCAN_SHORT_MAX = 7;

/* The bits assign reads from a BIT value, and bits per character. */
constexpr int BIT_READ_MAX = 2040;
constexpr int BITS_PER_CHAR = 16;

/* The text buffer assign reads a non-character value into. */
constexpr int OTHER_TEXT_BUF = 255;

/* Type text buffer ("NATIONAL CHARACTER VARYING(256)"). */
constexpr int TYPE_TEXT_BUF = 48;

/* Precision of the NUMERIC position answers. */
constexpr unsigned POSITION_PRECISION = 4;

/* The smaller of two lengths. */
unsigned min_u(unsigned a, unsigned b)
{
    return a < b ? a : b;
}

/* The length of text less its trailing characters for which blank answers
** true; the whole length when all of them are. */
template <class IsBlank>
int trimmed_length(const char16_t *text, int n, IsBlank blank)
{
    int k = n;
    while (k > 0 && blank(text[k - 1]))
        k--;
    return k == 0 ? n : k;
}

/* Compares two texts as SQL compares characters: trailing blanks do not
** count, so a text of blanks only equals the empty one.  cmp is
** asi_uc_compare or its case-blind twin; -1, 0 or 1. */
int compare_unpadded(int (*cmp)(int, const char16_t *, const char16_t *), int locale, const CAsiUcStr &a,
                     const CAsiUcStr &b)
{
    auto unpadded = [](const CAsiUcStr &s) {
        int k = s.length();
        while (k > 0 && s.at(k - 1) == BLANK)
            k--;
        return k;
    };
    int na = unpadded(a), nb = unpadded(b);
    if (na == a.length() && nb == b.length())
        return cmp(locale, a.ucs(), b.ucs());
    return cmp(locale, CAsiUcStr(a.ucs(), na).ucs(), CAsiUcStr(b.ucs(), nb).ucs());
}

/* The multibyte form of a string in the current code page (at most
** size - 1 bytes). */
void to_mb(const CAsiUcStr &s, char *buf, int size)
{
    s.toMb(buf, size);
}

/* Runs a code-page look-up of a string's name without raising: the code
** page, or the current one. */
int cp_of_name(const CAsiUcStr &name, int maxBytes)
{
    char buf[CHARSET_NAME_BUF];
    int size = maxBytes + 1 < (int)sizeof buf ? maxBytes + 1 : (int)sizeof buf;
    name.toMb(buf, size);
    return asi_cp_from_name_or_current(buf);
}

} // namespace

/* ---------------------------------------------------------------- */
/* Collation rules                                                   */

/* The dyadic table: rows C, columns D. */
int asi_coll_dyadic(int x, int c, int y, int d, int *locale, int *coercibility)
{
    int l = 0, k = 0;
    if (c < ASI_COLL_COERCIBLE || c > ASI_COLL_EXPLICIT) {
        l = 0;
        k = c;
    } else if (d == ASI_COLL_EXPLICIT) {
        if (c == ASI_COLL_EXPLICIT) {
            if (x != y)
                return 0;
            l = x;
        } else {
            l = y;
        }
        k = ASI_COLL_EXPLICIT;
    } else if (c == ASI_COLL_EXPLICIT) {
        l = x;
        k = ASI_COLL_EXPLICIT;
    } else if (c == ASI_COLL_COERCIBLE) {
        if (d == ASI_COLL_COERCIBLE) {
            l = y;
            k = ASI_COLL_COERCIBLE;
        } else if (d == ASI_COLL_IMPLICIT) {
            l = y;
            k = ASI_COLL_IMPLICIT;
        } else {
            l = 0;
            k = ASI_COLL_NONE;
        }
    } else if (c == ASI_COLL_IMPLICIT) {
        if (d == ASI_COLL_COERCIBLE || (d == ASI_COLL_IMPLICIT && x == y)) {
            l = x;
            k = ASI_COLL_IMPLICIT;
        }
    }
    /* Every other cell: locale 0, coercible. */
    *locale = l;
    *coercibility = k;
    return 1;
}

/* The comparison table and the locale of the comparison. */
int asi_coll_compare(int x, int c, int y, int d, int *locale)
{
    int ok = 0, l = 0;
    if (d < ASI_COLL_COERCIBLE || d > ASI_COLL_EXPLICIT)
        return 0;
    switch (c) {
    case ASI_COLL_COERCIBLE:
        ok = d != ASI_COLL_NONE;
        l = y;
        break;
    case ASI_COLL_IMPLICIT:
        ok = d == ASI_COLL_COERCIBLE || d == ASI_COLL_EXPLICIT || (d == ASI_COLL_IMPLICIT && x == y);
        l = d == ASI_COLL_EXPLICIT ? y : x;
        break;
    case ASI_COLL_NONE:
        ok = d == ASI_COLL_EXPLICIT;
        l = y;
        break;
    case ASI_COLL_EXPLICIT:
        ok = d != ASI_COLL_EXPLICIT || x == y;
        l = x;
        break;
    default:
        return 0;
    }
    if (ok && locale)
        *locale = l;
    return ok;
}

/* ---------------------------------------------------------------- */
/* LIKE                                                              */

namespace {

/* One pattern element: a literal character, "_" (any one) or "%". */
enum like_kind { LIKE_CHAR, LIKE_ONE, LIKE_ANY };

struct like_elem {
    like_kind kind;   /* what the element matches */
    char16_t ch;      /* the character of a LIKE_CHAR */
};

/* 1 when the segment seg[0..len) matches text at position at. */
bool like_segment_at(const char16_t *text, int at, const like_elem *seg, int len)
{
    for (int i = 0; i < len; i++)
        if (seg[i].kind == LIKE_CHAR && seg[i].ch != text[at + i])
            return false;
    return true;
}

} // namespace

/* Splits the pattern at its "%" elements; the first segment must match at
** the start, the last at the end, and every other one is searched leftmost
** in what remains (the leftmost place never loses a match). */
int asi_like_match(const char16_t *text, int n, const char16_t *pattern, int m, char16_t esc)
{
    like_elem *elems = (like_elem *)std::malloc(sizeof(like_elem) * (std::size_t)(m > 0 ? m : 1));
    if (!elems)
        asi_throw(ASI_ERR_NO_MEMORY, "asi_like_match");
    int count = 0;
    for (int i = 0; i < m; i++) {
        char16_t c = pattern[i];
        if (c == esc) {
            if (i + 1 >= m || (pattern[i + 1] != u'%' && pattern[i + 1] != u'_' && pattern[i + 1] != esc)) {
                std::free(elems);
                return -1;
            }
            elems[count++] = {LIKE_CHAR, pattern[++i]};
        } else if (c == u'%') {
            elems[count++] = {LIKE_ANY, 0};
        } else if (c == u'_') {
            elems[count++] = {LIKE_ONE, 0};
        } else {
            elems[count++] = {LIKE_CHAR, c};
        }
    }
    /* The segments between the "%" elements. */
    int pos = 0;          /* next text position to match */
    int e = 0;            /* next element */
    bool anchored = true; /* no "%" before the current segment */
    int result = 1;
    while (e <= count) {
        int start = e;
        while (e < count && elems[e].kind != LIKE_ANY)
            e++;
        int len = e - start;
        bool last = e >= count;
        if (anchored && last) {
            /* No "%" at all: the whole text. */
            result = (n - pos == len && like_segment_at(text, pos, elems + start, len)) ? 1 : 0;
            break;
        }
        if (last) {
            /* The last segment after a "%": at the end. */
            result = (n - pos >= len && like_segment_at(text, n - len, elems + start, len)) ? 1 : 0;
            break;
        }
        if (anchored) {
            if (n - pos < len || !like_segment_at(text, pos, elems + start, len)) {
                result = 0;
                break;
            }
            pos += len;
        } else {
            int at = pos;
            while (at + len <= n && !like_segment_at(text, at, elems + start, len))
                at++;
            if (at + len > n) {
                result = 0;
                break;
            }
            pos = at + len;
        }
        anchored = false;
        e++;   /* past the "%" */
    }
    std::free(elems);
    return result;
}

/* ---------------------------------------------------------------- */
/* Construction                                                      */

/* A null CHARACTER(1). */
CAsiChar::CAsiChar() : CAsiChar(1) {}

/* A null CHARACTER(n), n at most 256. */
CAsiChar::CAsiChar(int n)
    : m_declaredLength((unsigned)n > ASI_CHAR_MAX_LENGTH ? ASI_CHAR_MAX_LENGTH : (unsigned)n),
      m_currentLength(m_declaredLength),
      m_flags(0),
      m_codePage(0),
      m_charSetName(asi_current_cp()),
      m_localeId(asi_current_locale_id()),
      m_localeName(asi_current_locale_name()),
      m_coercibility(ASI_COLL_COERCIBLE)
{
}

/* A copy of every field; the value base clones the attached object. */
CAsiChar::CAsiChar(const CAsiChar &other)
    : CAsiData(other),
      m_declaredLength(other.m_declaredLength),
      m_currentLength(other.m_currentLength),
      m_value(other.m_value),
      m_flags(other.m_flags),
      m_codePage(other.m_codePage),
      m_charSetName(other.m_charSetName),
      m_localeId(other.m_localeId),
      m_localeName(other.m_localeName),
      m_coercibility(other.m_coercibility)
{
}

CAsiChar::~CAsiChar() {}

/* The code page of the name; on failure the code page of the old name,
** and the failure goes on to the caller. */
void CAsiChar::setCharSet(const CAsiUcStr &name)
{
    char buf[CHARSET_NAME_BUF];
    name.toMb(buf, sizeof buf);
    try {
        m_codePage = asi_cp_from_name(buf);
    } catch (const CAsiException &) {
        m_codePage = cp_of_name(m_charSetName, CHARSET_NAME_BUF - 1);
        throw;
    }
    m_charSetName = name;
    m_coercibility = ASI_COLL_IMPLICIT;
}

/* The current character set, coercible. */
void CAsiChar::resetCharSet()
{
    m_charSetName = asi_current_cp();
    m_codePage = 0;
    m_coercibility = ASI_COLL_COERCIBLE;
}

/* The locale's id (its failure passed on), then name and explicit. */
void CAsiChar::setLocale(const CAsiUcStr &name)
{
    char buf[CHARSET_NAME_BUF];
    name.toMb(buf, sizeof buf);
    int id = asi_locale_id(buf);
    m_localeName = name;
    m_localeId = id;
    m_coercibility = ASI_COLL_EXPLICIT;
}

/* ---------------------------------------------------------------- */
/* Helpers                                                           */

/* Current length when VARYING, else declared. */
unsigned CAsiChar::effLength() const noexcept
{
    return (m_flags & ASI_CHAR_VARYING) ? m_currentLength : m_declaredLength;
}

/* The stored text followed by blanks up to the effective length. */
CAsiUcStr CAsiChar::padded() const
{
    CAsiUcStr s;
    padInto(s);
    return s;
}

/* The stored text followed by blanks up to the effective length, into
** out (shared when it needs no blanks; else written over out's own body
** when it has room, so that a string reused for every row takes no new
** memory). */
void CAsiChar::padInto(CAsiUcStr &out) const
{
    int len = m_value.length(), want = (int)effLength();
    if (len >= want) {
        out = m_value;
        return;
    }
    /* Built in one piece: on the stack up to PAD_STACK characters. */
    constexpr int PAD_STACK = 512;
    char16_t local[PAD_STACK];
    std::u16string heap;
    char16_t *p = local;
    if (want > PAD_STACK) {
        heap.resize((std::size_t)want);
        p = &heap[0];
    }
    std::copy(m_value.ucs(), m_value.ucs() + len, p);
    std::fill(p + len, p + want, BLANK);
    out.assignUcs(p, want);
}

/* Cut to the declared length (warning 22001), the current length set, the
** trailing blanks (or white space) dropped unless all is blank; not null. */
int CAsiChar::storeUcs(const char16_t *text, int n, int blankOnly)
{
    if (n < 0)
        n = 0;
    if ((unsigned)n > m_declaredLength) {
        asi_warn_state(STATE_TRUNCATION);
        n = (int)m_declaredLength;
    }
    int k = blankOnly ? trimmed_length(text, n, [](char16_t c) { return c == BLANK; })
                      : trimmed_length(text, n, [](char16_t c) { return asi_uc_is_space(c) != 0; });
    m_value.assignUcs(text, k);
    m_currentLength = (unsigned)n;
    m_null = 0;
    return 1;
}

/* The locale the comparison table gives; 37168 when refused. */
int CAsiChar::compareLocale(const CAsiChar &other) const
{
    int locale = 0;
    if (!asi_coll_compare(m_localeId, m_coercibility, other.m_localeId, other.m_coercibility, &locale))
        asi_raise_state(STATE_COLLATION);
    return locale;
}

/* The dyadic locale, its name and coercibility; 37168 when refused. */
void CAsiChar::takeDyadic(const CAsiChar &other)
{
    int locale = 0, coercibility = 0;
    if (!asi_coll_dyadic(m_localeId, m_coercibility, other.m_localeId, other.m_coercibility, &locale,
                         &coercibility))
        asi_raise_state(STATE_COLLATION);
    m_localeName = asi_locale_by_name(locale);
    m_localeId = locale;
    m_coercibility = coercibility;
}

/* ---------------------------------------------------------------- */
/* CAsiData slots                                                    */

/* A new copy; none without memory. */
CAsiChar *CAsiChar::clone() const
{
    return new CAsiChar(*this);
}

/* Empties the strings, then the base releases the attached object. */
void CAsiChar::release()
{
    m_value.clear();
    m_charSetName.clear();
    m_localeName.clear();
    CAsiData::release();
}

/* The length of pack, counted. */
int CAsiChar::packedSize() const
{
    CAsiOStream counter;
    return pack(counter);
}

/* The items in tag order; the stream's length. */
int CAsiChar::pack(CAsiOStream &out) const
{
    if (!m_null)
        out.putUcStr(ASI_CHAR_TAG_VALUE, m_value);
    if (m_flags != 0)
        out.putI16(ASI_CHAR_TAG_FLAGS, (std::int16_t)m_flags);
    if (m_declaredLength != 1)
        out.putI32(ASI_CHAR_TAG_DECLARED, (std::int32_t)m_declaredLength);
    out.putI32(ASI_CHAR_TAG_COERCIBILITY, m_coercibility);
    out.putI32(ASI_CHAR_TAG_CURRENT, (std::int32_t)m_currentLength);
    if (!m_charSetName.isEmpty() && cp_of_name(m_charSetName, CHARSET_NAME_BUF - 1) != asi_current_cp_number())
        out.putUcStr(ASI_CHAR_TAG_CHARSET, m_charSetName);
    if (!m_localeName.isEmpty() && m_localeName.compareNoCase(asi_current_locale_name()) != 0)
        out.putUcStr(ASI_CHAR_TAG_LOCALE, m_localeName);
    out.putEnd(ASI_CHAR_STREAM_END_CODE);
    return out.length();
}

/* Reads the items up to the end item, then keeps the lengths in range and
** looks the character set and locale up (failures ignored); 1.  A damaged
** item throws the stream failure. */
int CAsiChar::unpack(CAsiIStream &in)
{
    int localeCame = 0;   /* 1 when the record names its locale */
    int charsetCame = 0;  /* 1 when it names its character set */
    m_null = 1;
    for (int tag = in.nextTag(); tag != ASI_STREAM_END; tag = in.nextTag()) {
        std::int16_t s16;
        std::int32_t s32;
        int ok = 1;
        switch (tag) {
        case ASI_CHAR_TAG_VALUE:
            ok = in.readUcStr(m_value);
            if (ok)
                m_null = 0;
            break;
        case ASI_CHAR_TAG_FLAGS:
            ok = in.readI16(&s16);
            if (ok)
                m_flags = (std::uint16_t)s16;
            break;
        case ASI_CHAR_TAG_DECLARED:
            ok = in.readI32(&s32);
            if (ok)
                m_declaredLength = (std::uint32_t)s32;
            break;
        case ASI_CHAR_TAG_COERCIBILITY:
            ok = in.readI32(&s32);
            if (ok)
                m_coercibility = s32;
            break;
        case ASI_CHAR_TAG_CURRENT:
            ok = in.readI32(&s32);
            if (ok)
                m_currentLength = (std::uint32_t)s32;
            break;
        case ASI_CHAR_TAG_CHARSET:
            ok = in.readUcStr(m_charSetName);
            charsetCame = 1;
            break;
        case ASI_CHAR_TAG_LOCALE:
            ok = in.readUcStr(m_localeName);
            localeCame = 1;
            break;
        default:
            break;
        }
        if (!ok)
            asi_throw(ASI_ERR_STREAM, "CAsiChar::unpack", "bad item");
    }
    /* Lengths from the stream are kept within what the class allows. */
    if (m_declaredLength > ASI_CHAR_MAX_LENGTH)
        m_declaredLength = ASI_CHAR_MAX_LENGTH;
    if (m_currentLength > m_declaredLength)
        m_currentLength = m_declaredLength;
    if ((unsigned)m_value.length() > m_declaredLength)
        m_value.left(m_value, (int)m_declaredLength);
    /* A character set name kept from before the record came is already
    ** looked up when its code page is set. */
    if (!m_charSetName.isEmpty() && (charsetCame || m_codePage == 0)) {
        try {
            char buf[CHARSET_NAME_BUF];
            m_charSetName.toMb(buf, sizeof buf);
            m_codePage = asi_cp_from_name(buf);
        } catch (const CAsiException &) {
        }
    }
    /* A locale name kept from before the record came is already looked
    ** up: its id was set with it. */
    if (m_localeName.isEmpty())
        m_localeName = asi_current_locale_name();
    else if (!localeCame)
        return 1;
    try {
        char buf[CHARSET_NAME_BUF];
        m_localeName.toMb(buf, sizeof buf);
        m_localeId = asi_locale_id(buf);
    } catch (const CAsiException &) {
    }
    return 1;
}

/* The length of packValue, counted. */
int CAsiChar::packedValueSize() const
{
    CAsiOStream counter;
    return packValue(counter);
}

/* The text and current length when not null, then the end item. */
int CAsiChar::packValue(CAsiOStream &out) const
{
    if (!m_null) {
        out.putUcStr(ASI_CHAR_TAG_VALUE, m_value);
        out.putI32(ASI_CHAR_TAG_CURRENT, (std::int32_t)m_currentLength);
    }
    out.putEnd(ASI_CHAR_STREAM_END_CODE);
    return out.length();
}

/* The same as unpack; 1. */
int CAsiChar::unpackValue(CAsiIStream &in)
{
    return unpack(in);
}

/* 12 when VARYING, else 1. */
int CAsiChar::typeCode() const
{
    return (m_flags & ASI_CHAR_VARYING) ? ASI_TYPE_VARCHAR : ASI_TYPE_CHAR;
}

/* The declared length. */
unsigned CAsiChar::length() const
{
    return m_declaredLength;
}

/* The effective length. */
unsigned CAsiChar::displayLength() const
{
    return effLength();
}

/* Answers 1. */
int CAsiChar::isCharacter() const
{
    return 1;
}

/* 1 for a character value the comparison table permits; 37168 for one
** it refuses; 0 for no value or another type. */
int CAsiChar::isComparable(const CAsiData *other) const
{
    if (!other || !other->isCharacter())
        return 0;
    const CAsiChar *c = dynamic_cast<const CAsiChar *>(other);
    if (!c)
        return 1;
    compareLocale(*c);
    return 1;
}

/* 1 for a character value the table permits, 0 otherwise; 37168 for two
** different explicit collations. */
int CAsiChar::isAssignable(const CAsiData *other) const
{
    if (!other || !other->isCharacter())
        return 0;
    const CAsiChar *c = dynamic_cast<const CAsiChar *>(other);
    if (!c)
        return 1;
    if (asi_coll_compare(m_localeId, m_coercibility, c->m_localeId, c->m_coercibility, nullptr))
        return 1;
    if (m_coercibility == ASI_COLL_EXPLICIT && c->m_coercibility == ASI_COLL_EXPLICIT)
        asi_raise_state(STATE_COLLATION);
    return 0;
}

/* Any value can be cast to a character value. */
int CAsiChar::isCastable(const CAsiData *) const
{
    return 1;
}

/* A new null CHARACTER of the summed length (at most 256) with the combined
** collation, VARYING when either is; none for a non-character operand or
** without memory; 37168 when the collations cannot combine. */
CAsiData *CAsiChar::concatType(const CAsiData *other) const
{
    if (!other || !other->isCharacter())
        return nullptr;
    int locale = m_localeId, coercibility = m_coercibility;
    const CAsiChar *c = dynamic_cast<const CAsiChar *>(other);
    if (c && !asi_coll_dyadic(m_localeId, m_coercibility, c->m_localeId, c->m_coercibility, &locale,
                              &coercibility))
        asi_raise_state(STATE_COLLATION);
    unsigned long long sum = (unsigned long long)m_declaredLength + other->length();
    CAsiChar *r = new CAsiChar((int)(sum > ASI_CHAR_MAX_LENGTH ? ASI_CHAR_MAX_LENGTH : sum));
    if (!r)
        return nullptr;
    r->m_localeId = locale;
    r->m_localeName = asi_locale_by_name(locale);
    r->m_coercibility = coercibility;
    if ((m_flags & ASI_CHAR_VARYING) || other->typeCode() == ASI_TYPE_VARCHAR)
        r->setVarying();
    return r;
}

/* A copy of the longer of the two (the other when equal); none when not
** comparable. */
CAsiData *CAsiChar::unionType(const CAsiData *other) const
{
    if (!isComparable(other))
        return nullptr;
    if (length() > other->length())
        return clone();
    return other->clone();
}

/* -1 for a null or non-character operand, else operator==. */
int CAsiChar::isEqual(const CAsiData &other) const
{
    if (m_null || other.isNull() || !other.isCharacter())
        return -1;
    if (const CAsiChar *c = dynamic_cast<const CAsiChar *>(&other))
        return *this == *c ? 1 : 0;
    CAsiUcStr text;
    other.getUcStr(text);
    return compare_unpadded(asi_uc_compare, m_localeId, m_value, text) == 0 ? 1 : 0;
}

/* -1 for a null or non-character operand, else operator>. */
int CAsiChar::isGreater(const CAsiData &other) const
{
    if (m_null || other.isNull() || !other.isCharacter())
        return -1;
    if (const CAsiChar *c = dynamic_cast<const CAsiChar *>(&other))
        return *this > *c ? 1 : 0;
    CAsiUcStr text;
    other.getUcStr(text);
    return compare_unpadded(asi_uc_compare, m_localeId, m_value, text) > 0 ? 1 : 0;
}

/* Bytes of the padded UCS-2 text with its terminating zero from offset:
** the count; 0 for no buffer, no length or an offset past the data. */
int CAsiChar::getData(void *buf, int offset, int len) const
{
    int size = dataSize();
    if (!buf || len < 1 || offset < 0 || offset >= size)
        return 0;
    CAsiUcStr p = padded();
    int n = size - offset < len ? size - offset : len;
    /* The padded text holds exactly effLength characters plus the zero
    ** unless the stored text is longer; copy from a buffer of data size. */
    char16_t *chars = (char16_t *)std::calloc((std::size_t)size / 2 + 1, sizeof(char16_t));
    if (!chars)
        asi_throw(ASI_ERR_NO_MEMORY, "CAsiChar::getData");
    p.toUcsBuf(chars, size / 2);
    std::memcpy(buf, (const unsigned char *)chars + offset, (std::size_t)n);
    std::free(chars);
    return n;
}

/* Effective length x 2 + 2. */
int CAsiChar::dataSize() const
{
    return (int)effLength() * 2 + 2;
}

/* A NUL-terminated UCS-2 text, as setUcStr. */
int CAsiChar::setWide(const char16_t *text)
{
    int n = text ? asi_ucs_len(text) : 0;
    return storeUcs(text ? text : u"", n, 0);
}

/* Assignment from another value: a character value's text with the
** combined collation (cut with warning 22001), a BIT value's bits as
** characters (warning 22001 when cut, 01008 when short), or any other
** value's text.  Answers 1; 0 when a non-character value has no text;
** 22001 (error) when that text is longer than the declared length; 37168
** for collations that cannot combine.  A failure changes nothing. */
int CAsiChar::assign(const CAsiData &source)
{
    if (&source == this)
        return 1;
    if (source.isNull()) {
        m_null = 1;
        return 1;
    }
    int code = source.typeCode();
    if (code == ASI_TYPE_CHAR || code == ASI_TYPE_VARCHAR) {
        CAsiUcStr text;
        if (const CAsiChar *c = dynamic_cast<const CAsiChar *>(&source)) {
            takeDyadic(*c);
            text = c->m_value;
        } else {
            source.getUcStr(text);
        }
        unsigned n = source.displayLength();
        if (n > m_declaredLength) {
            asi_warn_state(STATE_TRUNCATION);
            n = m_declaredLength;
        }
        int k = (int)min_u(n, (unsigned)text.length());
        k = trimmed_length(text.ucs(), k, [](char16_t ch) { return ch == BLANK; });
        m_currentLength = n;
        m_value.left(text, k);
        m_null = 0;
        return 1;
    }
    if (code == ASI_TYPE_BIT || code == ASI_TYPE_VARBIT) {
        unsigned char bytes[BIT_READ_MAX / 8 + 2] = {0};
        int bits = 0;
        source.getBytes(bytes, BIT_READ_MAX, &bits);
        if (bits < 0)
            bits = 0;
        if (bits > BIT_READ_MAX)
            bits = BIT_READ_MAX;
        unsigned n = (unsigned)((bits + BITS_PER_CHAR - 1) / BITS_PER_CHAR);
        /* The bits in order make the characters, most significant first;
        ** the bits past the count are zero. */
        int lastByte = (bits + 7) / 8;
        if (bits % 8)
            bytes[lastByte - 1] &= (unsigned char)(0xFF << (8 - bits % 8));
        for (int i = lastByte; i < (int)sizeof bytes; i++)
            bytes[i] = 0;
        char16_t chars[BIT_READ_MAX / BITS_PER_CHAR + 1];
        for (unsigned i = 0; i < n; i++)
            chars[i] = (char16_t)((bytes[2 * i] << 8) | bytes[2 * i + 1]);
        if (n > m_declaredLength) {
            asi_warn_state(STATE_TRUNCATION);
            n = m_declaredLength;
        } else if (n < m_declaredLength) {
            asi_warn_state(STATE_ZERO_BIT_PAD);
        }
        int k = trimmed_length(chars, (int)n, [](char16_t c) { return c == BLANK; });
        m_value.assignUcs(chars, k);
        m_currentLength = n;
        m_null = 0;
        return 1;
    }
    char buf[OTHER_TEXT_BUF + 1];
    std::memset(buf, ' ', OTHER_TEXT_BUF);
    buf[OTHER_TEXT_BUF] = '\0';
    if (!source.getText(buf, OTHER_TEXT_BUF))
        return 0;
    int n = (int)strnlen(buf, OTHER_TEXT_BUF);
    while (n > 0 && buf[n - 1] == ' ')
        n--;
    if ((unsigned)n > m_declaredLength)
        asi_raise_state(STATE_TRUNCATION);
    m_value.assign(buf, n, 0);
    m_currentLength = (unsigned)n;
    m_null = 0;
    return 1;
}

/* The default: nothing done, 0. */
int CAsiChar::setData(const void *buf, int offset, int len)
{
    return CAsiData::setData(buf, offset, len);
}

/* The characters with the length rules; 1. */
int CAsiChar::setUcStr(const CAsiUcStr &text)
{
    return storeUcs(text.ucs(), text.length(), 0);
}

/* The bytes up to the NUL or max (a negative max: up to the NUL), cut to
** the declared length with warning 22001, converted from the character
** set's code page; 1. */
int CAsiChar::setText(const char *text, int length)
{
    int n = 0;
    if (text)
        while ((length < 0 || n < length) && text[n])
            n++;
    return setTextCp(text, n, m_codePage);
}

/* "%d" through setText; 1. */
int CAsiChar::setShort(std::int16_t v)
{
    char buf[INT_TEXT_MAX + 1];
    std::snprintf(buf, sizeof buf, "%d", (int)v);
    return setText(buf, INT_TEXT_MAX);
}

/* "%ld" through setText; 1. */
int CAsiChar::setLong(std::int32_t v)
{
    char buf[INT_TEXT_MAX + 1];
    std::snprintf(buf, sizeof buf, "%ld", (long)v);
    return setText(buf, INT_TEXT_MAX);
}

/* The G conversion with as many significant digits as the declared
** length, in the runtime's form (three exponent digits, at most 17
** significant digits, the "C" locale's point), through setText; 1. */
int CAsiChar::setDouble(double v)
{
    char buf[ASI_FMT_BUF];
    asi_fmt_g(buf, sizeof buf, v, (int)m_declaredLength);
    return setText(buf, (int)std::strlen(buf));
}

/* The default: this value's text into the target's setText. */
int CAsiChar::assignTo(CAsiData &target) const
{
    return CAsiData::assignTo(target);
}

/* The default: getUcStr into the UCS-2 buffer; 1, or 0 when null. */
int CAsiChar::getWide(char16_t *buf, int size) const
{
    return CAsiData::getWide(buf, size);
}

/* The default: nothing copied, 0. */
int CAsiChar::getBytes(void *buf, int maxBits, int *bits) const
{
    return CAsiData::getBytes(buf, maxBits, bits);
}

/* The padded text; 1, or 0 when null. */
int CAsiChar::getUcStr(CAsiUcStr &out) const
{
    if (m_null)
        return 0;
    padInto(out);
    return 1;
}

/* The text in the character set's code page, at most size bytes, padded
** with blanks to the effective length (or size), a NUL after it when there
** is room; 1, or 0 when null or without a buffer. */
int CAsiChar::getText(char *buf, int size) const
{
    if (m_null || !buf || size < 1)
        return 0;
    int len = m_value.length();
    char room[GET_TEXT_ROOM];
    char *mb = len < GET_TEXT_ROOM ? room : (char *)std::malloc((std::size_t)len + 1);
    if (!mb)
        asi_throw(ASI_ERR_NO_MEMORY, "CAsiChar::getText");
    m_value.toMb(mb, len + 1, (int)m_codePage);
    int c = (int)std::strlen(mb);
    if (c > size)
        c = size;
    std::memcpy(buf, mb, (std::size_t)c);
    if (mb != room)
        std::free(mb);
    int l = (int)effLength() < size ? (int)effLength() : size;
    if (c < l)
        std::memset(buf + c, ' ', (std::size_t)(l - c));
    else
        l = c;
    if (l < size)
        buf[l] = '\0';
    return 1;
}

/* The first 7 bytes as a decimal integer: 1 with *out set; 0 when null,
** when nothing converts (empty or blank text included); 22003 beyond the
** 16-bit range. */
int CAsiChar::getShort(std::int16_t *out) const
{
    if (m_null)
        return 0;
    char buf[SCAN_SHORT_MAX + 1];
    to_mb(m_value, buf, sizeof buf);
    char *end = nullptr;
    errno = 0;
    long v = std::strtol(buf, &end, 10);
    if (end == buf)
        return 0;
    if (errno == ERANGE || v < INT16_MIN || v > INT16_MAX)
        asi_raise_state(STATE_OUT_OF_RANGE);
    *out = (std::int16_t)v;
    return 1;
}

/* The first 15 bytes as "%ld" reads them: 1 with *out set; 0 when null or
** nothing converts; 22003 beyond the 32-bit range. */
int CAsiChar::getLong(std::int32_t *out) const
{
    if (m_null)
        return 0;
    char buf[SCAN_LONG_MAX + 1];
    to_mb(m_value, buf, sizeof buf);
    char *end = nullptr;
    errno = 0;
    long long v = std::strtoll(buf, &end, 10);
    if (end == buf)
        return 0;
    if (errno == ERANGE || v < INT32_MIN || v > INT32_MAX)
        asi_raise_state(STATE_OUT_OF_RANGE);
    *out = (std::int32_t)v;
    return 1;
}

/* The first 32 bytes as "%lE" reads them: 1 with *out set; 0 when null or
** nothing converts; 22003 when the number is beyond the double range. */
int CAsiChar::getDouble(double *out) const
{
    if (m_null)
        return 0;
    char buf[SCAN_DOUBLE_MAX + 1];
    to_mb(m_value, buf, sizeof buf);
    char *end = nullptr;
    double v = asi_strtod(buf, &end);
    if (end == buf)
        return 0;
    if (!asi_fmt_is_finite(v))
        asi_raise_state(STATE_OUT_OF_RANGE);
    *out = v;
    return 1;
}

/* "[NATIONAL ]CHARACTER[ VARYING][(n)][ CHARACTER SET name]"; 1. */
int CAsiChar::typeText(CAsiUcStr &out) const
{
    char buf[TYPE_TEXT_BUF];
    int k = std::snprintf(buf, sizeof buf, "%sCHARACTER%s", (m_flags & ASI_CHAR_NATIONAL) ? "NATIONAL " : "",
                          (m_flags & ASI_CHAR_VARYING) ? " VARYING" : "");
    if (m_declaredLength != 1)
        std::snprintf(buf + k, sizeof buf - (std::size_t)k, "(%u)", (unsigned)m_declaredLength);
    out = buf;
    if (cp_of_name(m_charSetName, CHARSET_TYPE_NAME_BUF - 1) != asi_cp_from_name_or_current(asi_current_cp())) {
        out.append(" CHARACTER SET ");
        out.append(m_charSetName);
    }
    return 1;
}

/* 'text' with single quotes doubled: 1; "null" and 0 when null. */
int CAsiChar::literalText(CAsiUcStr &out) const
{
    if (m_null) {
        out = "null";
        return 0;
    }
    CAsiUcStr s;
    s.append(u'\'');
    for (int i = 0; i < m_value.length(); i++) {
        char16_t c = m_value.at(i);
        s.append(c);
        if (c == u'\'')
            s.append(c);
    }
    s.append(u'\'');
    out = s;
    return 1;
}

/* ---------------------------------------------------------------- */
/* Further operations                                                */

/* n bytes of code page cp converted one by one (NULs included). */
int CAsiChar::setTextCp(const char *text, int n, int cp)
{
    if (!text || n < 0)
        n = 0;
    if ((unsigned)n > m_declaredLength) {
        asi_warn_state(STATE_TRUNCATION);
        n = (int)m_declaredLength;
    }
    int k = n;
    while (k > 0 && text[k - 1] == ' ')
        k--;
    if (k == 0)
        k = n;
    char16_t chars[ASI_CHAR_MAX_LENGTH + 1];
    for (int i = 0; i < k; i++)
        chars[i] = asi_cp_to_ucs(cp, (unsigned char)text[i]);
    m_value.assignUcs(chars, k);
    m_currentLength = (unsigned)n;
    m_null = 0;
    return 1;
}

/* As setUcStr. */
CAsiChar &CAsiChar::operator=(const CAsiUcStr &text)
{
    setUcStr(text);
    return *this;
}

/* The other's text and the combined collation (37168 when they cannot
** combine); 22001 (warning) when cut. */
CAsiChar &CAsiChar::operator=(const CAsiChar &other)
{
    if (&other == this)
        return *this;
    if (other.m_null) {
        m_null = 1;
        return *this;
    }
    takeDyadic(other);
    if ((unsigned)other.m_value.length() > m_declaredLength) {
        asi_warn_state(STATE_TRUNCATION);
        m_value.left(other.m_value, (int)m_declaredLength);
    } else {
        m_value = other.m_value;
    }
    if (m_flags & ASI_CHAR_VARYING)
        m_currentLength = min_u(m_declaredLength, other.m_currentLength);
    m_null = 0;
    return *this;
}

/* this || other. */
CAsiChar CAsiChar::concat(const CAsiChar &other) const
{
    unsigned otherLen = (other.m_flags & ASI_CHAR_VARYING) ? (unsigned)other.m_value.length()
                                                           : other.m_declaredLength;
    unsigned long long declared = (unsigned long long)m_declaredLength + otherLen;
    CAsiChar r((int)(declared > ASI_CHAR_MAX_LENGTH ? ASI_CHAR_MAX_LENGTH : declared));
    r.m_localeId = m_localeId;
    r.m_localeName = m_localeName;
    r.m_coercibility = m_coercibility;
    r.takeDyadic(other);
    if ((m_flags | other.m_flags) & ASI_CHAR_VARYING)
        r.setVarying();
    if (m_null || other.m_null)
        return r;
    CAsiUcStr text = padded();
    text.append(other.m_value);
    if (text.length() > (int)ASI_CHAR_MAX_LENGTH) {
        asi_warn_state(STATE_TRUNCATION);
        text.left(text, (int)ASI_CHAR_MAX_LENGTH);
    }
    int k = trimmed_length(text.ucs(), text.length(), [](char16_t c) { return c == BLANK; });
    r.m_value.left(text, k);
    unsigned long long current = (unsigned long long)effLength() + other.effLength();
    r.m_currentLength = (unsigned)(current > ASI_CHAR_MAX_LENGTH ? ASI_CHAR_MAX_LENGTH : current);
    r.m_null = 0;
    return r;
}

/* this || a string without its trailing white space. */
CAsiChar CAsiChar::concat(const CAsiUcStr &text) const
{
    if (m_null)
        return CAsiChar(*this);
    unsigned long long sum = (unsigned long long)effLength() + (unsigned)text.length();
    unsigned declared = (unsigned)(sum > ASI_CHAR_MAX_LENGTH ? ASI_CHAR_MAX_LENGTH : sum);
    CAsiChar r((int)declared);
    r.m_localeId = m_localeId;
    r.m_localeName = m_localeName;
    r.m_coercibility = m_coercibility;
    r.m_charSetName = m_charSetName;
    r.m_codePage = m_codePage;
    if (m_flags & ASI_CHAR_VARYING)
        r.setVarying();
    CAsiUcStr s = padded();
    int tail = text.length();
    while (tail > 0 && asi_uc_is_space(text.at(tail - 1)))
        tail--;
    if (sum > ASI_CHAR_MAX_LENGTH) {
        asi_warn_state(STATE_TRUNCATION);
        int room = (int)ASI_CHAR_MAX_LENGTH - s.length();
        if (tail > room)
            tail = room > 0 ? room : 0;
    }
    s.append(text, tail);
    if (s.length() > (int)ASI_CHAR_MAX_LENGTH)
        s.left(s, (int)ASI_CHAR_MAX_LENGTH);
    int k = trimmed_length(s.ucs(), s.length(), [](char16_t c) { return c == BLANK; });
    r.m_value.left(s, k);
    r.m_currentLength = declared;
    r.m_null = 0;
    return r;
}

/* Characters start ... start + len - 1 of the stored text, no further than
** the declared length; a start below 1 is clamped to the text's first
** character (the end stays where start + len - 1 puts it). */
CAsiChar CAsiChar::substring(int start, int len) const
{
    CAsiChar r(*this);
    r.m_flags |= ASI_CHAR_VARYING;
    if (m_null)
        return r;
    long long first = start;
    long long last = (long long)start + len - 1;   /* 1-based, inclusive */
    if (first < 1)
        first = 1;
    long long limit = min_u((unsigned)m_value.length(), m_declaredLength);
    if (last > limit)
        last = limit;
    long long taken = (len > 0 && last >= first) ? last - first + 1 : 0;
    if (taken > 0)
        r.m_value.assignUcs(m_value.ucs() + (first - 1), (int)taken);
    else
        r.m_value.clear();
    r.m_declaredLength = (unsigned)taken;
    long long rest = (long long)m_currentLength - first + 1;
    if (rest < 0)
        rest = 0;
    r.m_currentLength = (unsigned)(taken < rest ? taken : rest);
    return r;
}

/* A copy with every character upper-cased under the locale. */
CAsiChar CAsiChar::upper() const
{
    CAsiChar r(*this);
    if (m_null)
        return r;
    CAsiUcStr s;
    for (int i = 0; i < m_value.length(); i++)
        s.append(asi_uc_to_upper(m_localeId, m_value.at(i)));
    r.m_value = s;
    return r;
}

/* TRIM of the padded text. */
CAsiChar CAsiChar::trim(int side, const CAsiChar &trimValue) const
{
    CAsiChar r(*this);
    r.m_flags |= ASI_CHAR_VARYING;
    if (m_null || trimValue.m_null) {
        r.m_null = 1;
        return r;
    }
    if (trimValue.displayLength() != 1)
        asi_raise_state(STATE_TRIM_ERROR);
    char16_t t = trimValue.padded().at(0);
    CAsiUcStr p = padded();
    int lo = 0, hi = p.length();
    if (side != ASI_TRIM_TRAILING)
        while (lo < hi && p.at(lo) == t)
            lo++;
    if (side != ASI_TRIM_LEADING)
        while (hi > lo && p.at(hi - 1) == t)
            hi--;
    int k = hi;
    while (k > lo && asi_uc_is_space(p.at(k - 1)))
        k--;
    r.m_value.assignUcs(p.ucs() + lo, k - lo);
    r.m_currentLength = (unsigned)(k - lo);
    return r;
}

/* The 1-based place of other's text in this value's text (a fixed value
** blank-padded to its declared length). */
CAsiNumeric CAsiChar::position(const CAsiChar &other) const
{
    CAsiNumeric r(POSITION_PRECISION);
    if (m_null || other.m_null)
        return r;
    if (other.m_declaredLength == 0) {
        r.setLong(1);
        return r;
    }
    CAsiUcStr text = (m_flags & ASI_CHAR_VARYING) ? m_value : padded();
    const char16_t *hit = asi_ucs_cat(text.ucs(), other.m_value.ucs());
    r.setLong(hit ? (std::int32_t)(hit - text.ucs()) + 1 : 0);
    return r;
}

/* LIKE of the padded text against the pattern's stored text. */
int CAsiChar::like(const CAsiChar &pattern, const CAsiChar &escape) const
{
    if (m_null || pattern.m_null || escape.m_null)
        return -1;
    if (escape.displayLength() != 1)
        asi_raise_state(STATE_BAD_ESCAPE_CHAR);
    char16_t esc = escape.padded().at(0);
    CAsiUcStr text = padded();
    int r = asi_like_match(text.ucs(), text.length(), pattern.m_value.ucs(), pattern.m_value.length(), esc);
    if (r < 0)
        asi_raise_state(STATE_BAD_ESCAPE_SEQ);
    return r;
}

/* The stored texts compared under the comparison's locale, trailing
** blanks aside. */
int CAsiChar::operator==(const CAsiChar &other) const
{
    if (m_null || other.m_null)
        return 0;
    return compare_unpadded(asi_uc_compare, compareLocale(other), m_value, other.m_value) == 0;
}

int CAsiChar::operator<(const CAsiChar &other) const
{
    if (m_null || other.m_null)
        return 0;
    return compare_unpadded(asi_uc_compare, compareLocale(other), m_value, other.m_value) < 0;
}

int CAsiChar::operator>(const CAsiChar &other) const
{
    if (m_null || other.m_null)
        return 0;
    return compare_unpadded(asi_uc_compare, compareLocale(other), m_value, other.m_value) > 0;
}

/* The stored text against s, ignoring case under this value's locale and
** trailing blanks:
** -1, 0 or 1; *isNullOut 1 (and 0 answered) when the value is null. */
int CAsiChar::compareText(const CAsiUcStr &s, int *isNullOut) const
{
    *isNullOut = m_null ? 1 : 0;
    if (m_null)
        return 0;
    return compare_unpadded(asi_uc_compare_nocase, m_localeId, m_value, s);
}

#define CHAR_STR_CMP(OP)                                 \
    int CAsiChar::operator OP(const CAsiUcStr &s) const  \
    {                                                    \
        int isNull = 0;                                  \
        int c = compareText(s, &isNull);                 \
        return !isNull && c OP 0;                        \
    }
CHAR_STR_CMP(>)
CHAR_STR_CMP(>=)
CHAR_STR_CMP(==)
CHAR_STR_CMP(<=)
CHAR_STR_CMP(<)
#undef CHAR_STR_CMP

/* s OP c is the reverse of c's comparison with s. */
#define STR_CHAR_CMP(OP)                                 \
    int operator OP(const CAsiUcStr &s, const CAsiChar &c) \
    {                                                    \
        int isNull = 0;                                  \
        int r = c.compareText(s, &isNull);               \
        return !isNull && 0 OP r;                        \
    }
STR_CHAR_CMP(>)
STR_CHAR_CMP(==)
STR_CHAR_CMP(<)
STR_CHAR_CMP(!=)
#undef STR_CHAR_CMP
