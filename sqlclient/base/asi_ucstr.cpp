/*
** asi_ucstr.cpp: the reference-counted UCS-2 string and the UCS-2 text
** helpers.
**
** The body is one asi_malloc'd block: a reference count, the length, the
** capacity and the characters with a terminator.  A string that changes
** while its body is shared first takes a copy of its own.
*/
#include "sqlclient/base/asi_ucstr.h"

#include <atomic>
#include <clocale>
#include <cstdlib>
#include <cstring>
#include <locale.h>
#include <new>

#include "sqlclient/base/asi_codepage.h"
#include "sqlclient/base/asi_except.h"
#include "sqlclient/base/asi_memory.h"

struct asi_ucs_body {
    std::atomic<int> refs;   /* strings sharing the body */
    int length;              /* characters in use */
    int capacity;            /* characters allocated, terminator excluded */
    char16_t text[1];        /* capacity + 1 characters */
};

namespace {

/* The shared empty text. */
const char16_t ucs_empty[1] = {0};

/* Bytes of a body of n characters. */
std::size_t ucs_body_bytes(int n)
{
    return offsetof(asi_ucs_body, text) + sizeof(char16_t) * ((std::size_t)n + 1);
}

/* Drops one reference; frees the body at the last. */
void ucs_unref(asi_ucs_body *b) noexcept
{
    if (b && b->refs.fetch_sub(1) == 1) {
        b->~asi_ucs_body();
        asi_mfree(b);
    }
}

/* The length of n bytes of multibyte text (n < 0: up to the NUL). */
int mb_span(const char *mb, int n)
{
    if (!mb)
        return 0;
    int len = 0;
    while ((n < 0 || len < n) && mb[len] && len < ASI_UC_MAX_LENGTH)
        len++;
    return len;
}

/* The length of n UCS-2 characters (n < 0: up to the NUL). */
int ucs_span(const char16_t *s, int n)
{
    if (!s)
        return 0;
    int len = 0;
    while ((n < 0 || len < n) && s[len] && len < ASI_UC_MAX_LENGTH)
        len++;
    return len;
}

} // namespace

/* A copy sharing the body. */
CAsiUcStr::CAsiUcStr(const CAsiUcStr &other) noexcept : m_body(other.m_body)
{
    if (m_body)
        m_body->refs.fetch_add(1);
}

/* From multibyte text of the current code page. */
CAsiUcStr::CAsiUcStr(const char *mb) : m_body(nullptr)
{
    assign(mb, -1, 0);
}

/* From multibyte text of a named code page. */
CAsiUcStr::CAsiUcStr(const char *mb, const char *cpName) : m_body(nullptr)
{
    assign(mb, cpName, -1);
}

/* From a UCS-2 text. */
CAsiUcStr::CAsiUcStr(const char16_t *ucs) : m_body(nullptr)
{
    assignUcs(ucs, -1);
}

/* From n UCS-2 characters. */
CAsiUcStr::CAsiUcStr(const char16_t *ucs, int n) : m_body(nullptr)
{
    assignUcs(ucs, n);
}

/* Drops the body. */
CAsiUcStr::~CAsiUcStr()
{
    ucs_unref(m_body);
    m_body = nullptr;
}

/* Shares another string's body. */
CAsiUcStr &CAsiUcStr::operator=(const CAsiUcStr &other) noexcept
{
    if (other.m_body)
        other.m_body->refs.fetch_add(1);
    ucs_unref(m_body);
    m_body = other.m_body;
    return *this;
}

/* Takes another string's body. */
CAsiUcStr &CAsiUcStr::operator=(CAsiUcStr &&other) noexcept
{
    if (this != &other) {
        ucs_unref(m_body);
        m_body = other.m_body;
        other.m_body = nullptr;
    }
    return *this;
}

/* Assigns multibyte text of the current code page. */
CAsiUcStr &CAsiUcStr::operator=(const char *mb)
{
    assign(mb, -1, 0);
    return *this;
}

/* Assigns a UCS-2 text. */
CAsiUcStr &CAsiUcStr::operator=(const char16_t *ucs)
{
    assignUcs(ucs, -1);
    return *this;
}

/* A body of its own with room for n characters, the text kept up to n. */
char16_t *CAsiUcStr::reserve(int n)
{
    if (n < 0)
        n = 0;
    if (n > ASI_UC_MAX_LENGTH)
        asi_throw(ASI_ERR_NO_MEMORY, "CAsiUcStr");
    if (m_body && m_body->refs.load() == 1 && m_body->capacity >= n)
        return m_body->text;
    int cap = n;
    if (m_body && m_body->refs.load() == 1 && n < ASI_UC_MAX_LENGTH / 2)
        cap = n + n / 2;   /* grows geometrically when appending */
    asi_ucs_body *b = (asi_ucs_body *)asi_malloc(ucs_body_bytes(cap));
    new (b) asi_ucs_body;
    b->refs.store(1);
    b->capacity = cap;
    b->length = 0;
    if (m_body) {
        int keep = m_body->length < n ? m_body->length : n;
        std::memcpy(b->text, m_body->text, sizeof(char16_t) * keep);
        b->length = keep;
    }
    b->text[b->length] = 0;
    ucs_unref(m_body);
    m_body = b;
    return b->text;
}

/* Sets the length of a body of its own and terminates. */
void CAsiUcStr::setLength(int n) noexcept
{
    if (!m_body)
        return;
    m_body->length = n;
    m_body->text[n] = 0;
}

/* Assigns n bytes of multibyte text of code page cp. */
void CAsiUcStr::assign(const char *mb, int n, int cp)
{
    int len = mb_span(mb, n);
    if (len == 0) {
        clear();
        return;
    }
    CAsiUcStr tmp;
    char16_t *p = tmp.reserve(len);
    for (int i = 0; i < len; i++)
        p[i] = asi_cp_to_ucs(cp, (unsigned char)mb[i]);
    tmp.setLength(len);
    *this = std::move(tmp);
}

/* Assigns multibyte text of a named code page. */
void CAsiUcStr::assign(const char *mb, const char *cpName, int n)
{
    assign(mb, n, asi_cp_from_name_or_current(cpName));
}

/* Assigns n UCS-2 characters. */
void CAsiUcStr::assignUcs(const char16_t *ucs, int n)
{
    int len = ucs_span(ucs, n);
    if (len == 0) {
        clear();
        return;
    }
    if (m_body && m_body->refs.load() == 1 && m_body->capacity >= len) {
        /* A body of its own with room: written over in place (the text
        ** may lie in it). */
        std::memmove(m_body->text, ucs, sizeof(char16_t) * len);
        setLength(len);
        return;
    }
    CAsiUcStr tmp;
    std::memcpy(tmp.reserve(len), ucs, sizeof(char16_t) * len);
    tmp.setLength(len);
    *this = std::move(tmp);
}

/* Empties the string. */
void CAsiUcStr::clear() noexcept
{
    ucs_unref(m_body);
    m_body = nullptr;
}

/* Appends multibyte text of the current code page. */
CAsiUcStr &CAsiUcStr::append(const char *mb)
{
    int add = mb_span(mb, -1), len = length();
    if (add == 0)
        return *this;
    if (add > ASI_UC_MAX_LENGTH - len)
        asi_throw(ASI_ERR_NO_MEMORY, "CAsiUcStr::append");
    char16_t *p = reserve(len + add);
    for (int i = 0; i < add; i++)
        p[len + i] = asi_cp_to_ucs(0, (unsigned char)mb[i]);
    setLength(len + add);
    return *this;
}

/* Appends one character. */
CAsiUcStr &CAsiUcStr::append(char16_t c)
{
    return appendUcs(&c, 1);
}

/* Appends another string (possibly this one). */
CAsiUcStr &CAsiUcStr::append(const CAsiUcStr &other)
{
    return append(other, other.length());
}

/* Appends the first n characters of another string. */
CAsiUcStr &CAsiUcStr::append(const CAsiUcStr &other, int n)
{
    CAsiUcStr keep(other);   /* stays valid when other is this string */
    int len = keep.length();
    return appendUcs(keep.ucs(), n < len ? n : len);
}

/* Appends n UCS-2 characters (a NUL among them is kept). */
CAsiUcStr &CAsiUcStr::appendUcs(const char16_t *ucs, int n)
{
    if (!ucs || n <= 0)
        return *this;
    int len = length();
    if (n > ASI_UC_MAX_LENGTH - len)
        asi_throw(ASI_ERR_NO_MEMORY, "CAsiUcStr::append");
    if (m_body && ucs >= m_body->text && ucs < m_body->text + m_body->capacity + 1) {
        CAsiUcStr copy(ucs, n);
        return appendUcs(copy.ucs(), copy.length());
    }
    char16_t *p = reserve(len + n);
    std::memcpy(p + len, ucs, sizeof(char16_t) * n);
    setLength(len + n);
    return *this;
}

/* This string becomes the first n characters of source. */
CAsiUcStr &CAsiUcStr::left(const CAsiUcStr &source, int n)
{
    CAsiUcStr keep(source);
    if (n <= 0) {
        clear();
        return *this;
    }
    if (n >= keep.length()) {
        *this = keep;
        return *this;
    }
    assignUcs(keep.ucs(), n);
    return *this;
}

/* Upper-cases in place with the current locale. */
CAsiUcStr &CAsiUcStr::upper()
{
    int len = length();
    if (len == 0)
        return *this;
    char16_t *p = reserve(len);
    for (int i = 0; i < len; i++)
        p[i] = asi_uc_upper(p[i]);
    return *this;
}

/* Number of characters. */
int CAsiUcStr::length() const noexcept
{
    return m_body ? m_body->length : 0;
}

/* The characters, or the shared empty text. */
const char16_t *CAsiUcStr::ucs() const noexcept
{
    return m_body ? m_body->text : ucs_empty;
}

/* Character i, 0 out of range. */
char16_t CAsiUcStr::at(int i) const noexcept
{
    return (i >= 0 && i < length()) ? m_body->text[i] : 0;
}

/* Multibyte form in the current code page. */
char *CAsiUcStr::toMb(char *buf, int size) const
{
    return toMb(buf, size, 0);
}

/* Multibyte form in a named code page. */
char *CAsiUcStr::toMb(char *buf, int size, const char *cpName) const
{
    return toMb(buf, size, asi_cp_from_name_or_current(cpName));
}

/* Multibyte form in a numbered code page, always terminated. */
char *CAsiUcStr::toMb(char *buf, int size, int cp) const
{
    if (!buf || size < 1)
        return buf;
    asi_ucs_to_mb(buf, size - 1, ucs(), length(), cp);
    buf[size - 1 < length() ? size - 1 : length()] = '\0';
    return buf;
}

/* Copies the characters, terminated. */
int CAsiUcStr::toUcsBuf(char16_t *buf, int size) const noexcept
{
    if (!buf || size < 1)
        return 0;
    int n = length() < size - 1 ? length() : size - 1;
    std::memcpy(buf, ucs(), sizeof(char16_t) * n);
    buf[n] = 0;
    return n;
}

/* Byte length in a named code page: one byte per character. */
int CAsiUcStr::mbLength(const char *cpName) const
{
    (void)cpName;   /* every supported code page is single-byte */
    return length();
}

/* Byte length in a numbered code page. */
int CAsiUcStr::mbLength(int cp) const
{
    (void)cp;
    return length();
}

/* Converts the leading decimal number of the first 64 characters. */
double CAsiUcStr::toDouble(int *used) const
{
    if (used)
        *used = 0;
    char buf[ASI_UC_NUMBER_MAX + 1];
    int n = length() < ASI_UC_NUMBER_MAX ? length() : ASI_UC_NUMBER_MAX;
    asi_ucs_to_mb(buf, n, ucs(), n, 0);
    buf[n] = '\0';
    /* The extent of a decimal number: no "inf", "nan" or hexadecimal. */
    int i = 0;
    while (buf[i] && asi_uc_is_space((unsigned char)buf[i]))
        i++;
    int start = i;
    if (buf[i] == '+' || buf[i] == '-')
        i++;
    int digits = 0;
    while (buf[i] >= '0' && buf[i] <= '9')
        i++, digits++;
    if (buf[i] == '.') {
        i++;
        while (buf[i] >= '0' && buf[i] <= '9')
            i++, digits++;
    }
    if (!digits)
        return 0.0;
    if (buf[i] == 'e' || buf[i] == 'E') {
        int j = i + 1;
        if (buf[j] == '+' || buf[j] == '-')
            j++;
        if (buf[j] >= '0' && buf[j] <= '9') {
            while (buf[j] >= '0' && buf[j] <= '9')
                j++;
            i = j;
        }
    }
    char num[ASI_UC_NUMBER_MAX + 1];
    std::memcpy(num, buf + start, i - start);
    num[i - start] = '\0';
    static locale_t c_locale = newlocale(LC_ALL_MASK, "C", (locale_t)0);
    double v = c_locale ? strtod_l(num, nullptr, c_locale) : std::strtod(num, nullptr);
    if (used)
        *used = i;
    return v;
}

/* Case-insensitive comparison with multibyte text. */
int CAsiUcStr::compareNoCase(const char *mb) const
{
    CAsiUcStr other(mb);
    return compareNoCase(other);
}

/* Case-insensitive comparison under the current locale. */
int CAsiUcStr::compareNoCase(const CAsiUcStr &other) const
{
    return asi_uc_compare_nocase(asi_current_locale_id(), ucs(), other.ucs());
}

/* Equal characters. */
bool CAsiUcStr::operator==(const CAsiUcStr &other) const noexcept
{
    int n = length();
    return n == other.length() && std::memcmp(ucs(), other.ucs(), sizeof(char16_t) * n) == 0;
}

/* White space: tab to carriage return and blank. */
int asi_uc_is_space(char16_t c) noexcept
{
    return c == 0x20 || (c >= 0x09 && c <= 0x0D);
}

/* Length of a UCS-2 text. */
int asi_ucs_len(const char16_t *text) noexcept
{
    int n = 0;
    if (text)
        while (text[n])
            n++;
    return n;
}

/* First occurrence of pattern in text. */
const char16_t *asi_ucs_cat(const char16_t *text, const char16_t *pattern) noexcept
{
    if (!text || !pattern)
        return nullptr;
    int m = asi_ucs_len(pattern);
    for (const char16_t *p = text;; p++) {
        int k = 0;
        while (k < m && p[k] == pattern[k])
            k++;
        if (k == m)
            return p;
        if (!*p)
            return nullptr;
    }
}

/* UCS-2 to a code page: at most size bytes, NUL when room is left. */
int asi_ucs_to_mb(char *buf, int size, const char16_t *text, int len, int cp) noexcept
{
    if (!buf || size <= 0)
        return 0;
    if (!text)
        len = 0;
    else if (len < 0)
        len = asi_ucs_len(text);
    int n = len < size ? len : size;
    for (int i = 0; i < n; i++)
        buf[i] = (char)asi_cp_from_ucs(cp, text[i]);
    if (n < size)
        buf[n] = '\0';
    return n;
}

/* A code page to UCS-2: at most size characters, NUL when room is left. */
int asi_mb_to_ucs(char16_t *buf, int size, const char *mb, int n, int cp) noexcept
{
    if (!buf || size <= 0)
        return 0;
    int len = mb_span(mb, n);
    int k = len < size ? len : size;
    for (int i = 0; i < k; i++)
        buf[i] = asi_cp_to_ucs(cp, (unsigned char)mb[i]);
    if (k < size)
        buf[k] = 0;
    return k;
}
