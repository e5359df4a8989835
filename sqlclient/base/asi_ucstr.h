/*
** asi_ucstr.h: CAsiUcStr, the engine's reference-counted UCS-2 string, and
** the helpers on NUL-terminated UCS-2 texts.
**
** Characters are char16_t.  Copies share one body until one of them
** changes (copy on write).  Multibyte texts are converted through a code
** page (asi_codepage.h): the current one unless a name or number is given.
** Allocation failures are thrown as 0xA008.
**
**     CAsiUcStr s("abc");             // from the current code page
**     s.append(u'd');
**     char buf[16]; s.toMb(buf, sizeof buf);   // "abcd"
*/
#ifndef PV_SQLCLIENT_BASE_ASI_UCSTR_H
#define PV_SQLCLIENT_BASE_ASI_UCSTR_H

#include <cstddef>

/* How many characters toDouble looks at. */
constexpr int ASI_UC_NUMBER_MAX = 64;

/* The longest string (characters); longer texts are cut. */
constexpr int ASI_UC_MAX_LENGTH = 0x3FFFFFFF;

struct asi_ucs_body;

class CAsiUcStr {
public:
    /* An empty string. */
    CAsiUcStr() noexcept : m_body(nullptr) {}
    /* A copy sharing the body. */
    CAsiUcStr(const CAsiUcStr &other) noexcept;
    CAsiUcStr(CAsiUcStr &&other) noexcept : m_body(other.m_body) { other.m_body = nullptr; }
    /* From a NUL-terminated multibyte text in the current code page. */
    CAsiUcStr(const char *mb);
    /* From a NUL-terminated multibyte text in the named code page (null or
    ** unknown: the current one). */
    CAsiUcStr(const char *mb, const char *cpName);
    /* From a NUL-terminated UCS-2 text, or n characters of one. */
    CAsiUcStr(const char16_t *ucs);
    CAsiUcStr(const char16_t *ucs, int n);
    ~CAsiUcStr();

    CAsiUcStr &operator=(const CAsiUcStr &other) noexcept;
    CAsiUcStr &operator=(CAsiUcStr &&other) noexcept;
    /* Assigns a NUL-terminated multibyte text of the current code page. */
    CAsiUcStr &operator=(const char *mb);
    /* Assigns a NUL-terminated UCS-2 text. */
    CAsiUcStr &operator=(const char16_t *ucs);

    /* Assigns n bytes (n < 0: up to the NUL) of multibyte text in the code
    ** page cp (0: the current one); bytes stop at a NUL. */
    void assign(const char *mb, int n = -1, int cp = 0);
    /* Assigns a multibyte text of the named code page (null or unknown:
    ** the current one), n bytes or up to the NUL. */
    void assign(const char *mb, const char *cpName, int n = -1);
    /* Assigns n UCS-2 characters (n < 0: up to the NUL). */
    void assignUcs(const char16_t *ucs, int n = -1);

    /* Empties the string. */
    void clear() noexcept;

    /* Appends a multibyte text of the current code page, one character, a
    ** string, the first n characters of a string, or n UCS-2 characters. */
    CAsiUcStr &append(const char *mb);
    CAsiUcStr &append(char16_t c);
    CAsiUcStr &append(const CAsiUcStr &other);
    CAsiUcStr &append(const CAsiUcStr &other, int n);
    CAsiUcStr &appendUcs(const char16_t *ucs, int n);

    /* Makes this string the first n characters of source (all of it when n
    ** is larger, empty when n <= 0); source may be this string. */
    CAsiUcStr &left(const CAsiUcStr &source, int n);

    /* Maps every character in place to upper case with the current locale. */
    CAsiUcStr &upper();

    /* Number of UCS-2 characters. */
    int length() const noexcept;
    int isEmpty() const noexcept { return length() == 0; }

    /* The characters, NUL-terminated; a shared empty text when empty.  Valid
    ** until the string changes. */
    const char16_t *ucs() const noexcept;

    /* Character i, or 0 when out of range. */
    char16_t at(int i) const noexcept;

    /* The text as multibyte characters into buf of size bytes, always
    ** NUL-terminated (at most size - 1 characters; nothing when size < 1),
    ** in the current code page, a named one (null or unknown: current) or a
    ** numbered one.  Answers buf. */
    char *toMb(char *buf, int size) const;
    char *toMb(char *buf, int size, const char *cpName) const;
    char *toMb(char *buf, int size, int cp) const;

    /* Copies the characters into buf of size characters, NUL-terminated (at
    ** most size - 1 characters).  Answers the characters copied. */
    int toUcsBuf(char16_t *buf, int size) const noexcept;

    /* Byte length of the multibyte form in a named code page (null: the
    ** current one) or a numbered one (0: the current one). */
    int mbLength(const char *cpName = nullptr) const;
    int mbLength(int cp) const;

    /* Converts the first 64 characters as a decimal number in the "C"
    ** locale (leading white space, sign, digits, point, exponent); *used
    ** (when given) receives the characters used.  0.0 and 0 used when
    ** nothing converts. */
    double toDouble(int *used = nullptr) const;

    /* Compares with a multibyte text of the current code page, or another
    ** string, ignoring case under the current locale: -1, 0 or 1. */
    int compareNoCase(const char *mb) const;
    int compareNoCase(const CAsiUcStr &other) const;

    /* 1 when both hold the same characters. */
    bool operator==(const CAsiUcStr &other) const noexcept;
    bool operator!=(const CAsiUcStr &other) const noexcept { return !(*this == other); }

private:
    /* Makes the body unshared with room for n characters, keeping the
    ** current text up to n; throws 0xA008. */
    char16_t *reserve(int n);
    /* Sets the length (after reserve) and terminates. */
    void setLength(int n) noexcept;

    asi_ucs_body *m_body;   /* shared body, or null when empty */
};

/* 1 when the character is white space by the library's classification
** (tab, line feed, vertical tab, form feed, carriage return, blank). */
int asi_uc_is_space(char16_t c) noexcept;

/* 1 when the character is a lower-case letter of the current locale. */
int asi_uc_is_lower(char16_t c) noexcept;

/* The length of a NUL-terminated UCS-2 text; 0 for null. */
int asi_ucs_len(const char16_t *text) noexcept;

/* The first occurrence of pattern in text, or null (an empty pattern is
** found at the start). */
const char16_t *asi_ucs_cat(const char16_t *text, const char16_t *pattern) noexcept;

/* Converts len UCS-2 characters of text (len < 0: up to the NUL) into the
** code page cp (0: current): writes at most size bytes, then a NUL when room
** is left.  Characters the code page lacks become '?'.  Answers the bytes
** written, not counting the NUL. */
int asi_ucs_to_mb(char *buf, int size, const char16_t *text, int len, int cp) noexcept;

/* Converts n bytes (n < 0: up to the NUL) of multibyte text of the code page
** cp (0: current) into UCS-2: writes at most size characters, then a NUL
** when room is left.  Answers the characters written. */
int asi_mb_to_ucs(char16_t *buf, int size, const char *mb, int n, int cp) noexcept;

#endif
