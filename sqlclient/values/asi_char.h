/*
** asi_char.h: CAsiChar, the CHARACTER, CHARACTER VARYING and NATIONAL
** CHARACTER [VARYING] values (type codes 1 and 12), with a character set
** and a collation (locale) each.
**
** The characters are kept as UCS-2 without their trailing blanks; the
** length they were assigned with is kept beside them, so the blanks come
** back on fetch.  A fixed value is fetched blank-padded to its declared
** length, a VARYING one to its current length.  Text longer than the
** declared length (at most 256) is cut with warning 22001.  Two values'
** collations combine by the SQL-92 coercibility rules (37168 when they
** cannot).
**
**     CAsiChar c(10);
**     c.setText("abc   ", 6);          // "abc" stored, current length 6
**     char buf[20]; c.getText(buf, sizeof buf);   // "abc" and 7 blanks
*/
#ifndef PV_SQLCLIENT_VALUES_ASI_CHAR_H
#define PV_SQLCLIENT_VALUES_ASI_CHAR_H

#include <cstdint>

#include "sqlclient/values/asi_data.h"

class CAsiNumeric;

/* The longest declared length, in characters. */
constexpr unsigned ASI_CHAR_MAX_LENGTH = 256;

/* Flag bits. */
constexpr std::uint16_t ASI_CHAR_VARYING = 0x1;    /* type code 12 */
constexpr std::uint16_t ASI_CHAR_NATIONAL = 0x2;   /* NATIONAL CHARACTER */

/* Collation coercibility. */
constexpr int ASI_COLL_COERCIBLE = 0;
constexpr int ASI_COLL_IMPLICIT = 1;
constexpr int ASI_COLL_NONE = 2;        /* no collating sequence */
constexpr int ASI_COLL_EXPLICIT = 3;

/* Stream tags and the end item's value. */
constexpr int ASI_CHAR_TAG_VALUE = 0;
constexpr int ASI_CHAR_TAG_FLAGS = 1;
constexpr int ASI_CHAR_TAG_DECLARED = 2;
constexpr int ASI_CHAR_TAG_COERCIBILITY = 3;
constexpr int ASI_CHAR_TAG_CURRENT = 4;
constexpr int ASI_CHAR_TAG_CHARSET = 5;
constexpr int ASI_CHAR_TAG_LOCALE = 6;
constexpr std::int32_t ASI_CHAR_STREAM_END_CODE = 1;

/* TRIM: which end(s) go; any other number trims both. */
constexpr int ASI_TRIM_LEADING = 0;
constexpr int ASI_TRIM_TRAILING = 1;
constexpr int ASI_TRIM_BOTH = 2;

class CAsiChar : public CAsiData {
public:
    /* A null fixed CHARACTER(1) in the current character set and locale,
    ** coercible. */
    CAsiChar();
    /* The same of declared length n (256 when n is larger, taken
    ** unsigned). */
    explicit CAsiChar(int n);
    /* A copy of every field (strings share their bodies; the attached
    ** object is cloned). */
    CAsiChar(const CAsiChar &other);
    ~CAsiChar() override;

    /* --- accessors --- */

    /* Set flag bit 0 (VARYING), bit 1 (NATIONAL); bit 1. */
    void setVarying() noexcept { m_flags |= ASI_CHAR_VARYING; }
    void setNational() noexcept { m_flags |= ASI_CHAR_NATIONAL; }
    int isNational() const noexcept { return (m_flags & ASI_CHAR_NATIONAL) ? 1 : 0; }
    int isVarying() const noexcept { return (m_flags & ASI_CHAR_VARYING) ? 1 : 0; }
    /* The character set by name: its code page, the name, coercibility
    ** implicit.  An unknown name is passed on as the look-up's failure
    ** (the code page recomputed from the old name). */
    void setCharSet(const CAsiUcStr &name);
    /* Back to the current character set, coercible. */
    void resetCharSet();
    /* The collation by locale name, coercibility explicit; an unknown name
    ** is passed on and nothing changes. */
    void setLocale(const CAsiUcStr &name);
    void setCoercibility(int c) noexcept { m_coercibility = c; }
    int coercibility() const noexcept { return m_coercibility; }
    int localeId() const noexcept { return m_localeId; }
    int codePage() const noexcept { return m_codePage; }
    unsigned currentLength() const noexcept { return m_currentLength; }
    const CAsiUcStr &charSetName() const noexcept { return m_charSetName; }
    const CAsiUcStr &localeName() const noexcept { return m_localeName; }
    /* The stored characters (no trailing blanks). */
    const CAsiUcStr &value() const noexcept { return m_value; }

    /* --- CAsiData slots, in slot order --- */

    CAsiChar *clone() const override;
    /* Empties the three strings and deletes the attached object. */
    void release() override;
    int packedSize() const override;
    int pack(CAsiOStream &out) const override;
    int unpack(CAsiIStream &in) override;
    int packedValueSize() const override;
    int packValue(CAsiOStream &out) const override;
    int unpackValue(CAsiIStream &in) override;
    /* 12 when VARYING, else 1. */
    int typeCode() const override;
    /* The declared length. */
    unsigned length() const override;
    /* The effective length: current when VARYING, else declared. */
    unsigned displayLength() const override;
    int isCharacter() const override;
    /* Character values whose collations may meet (37168 when they may
    ** not); 0 for anything else. */
    int isComparable(const CAsiData *other) const override;
    /* Character values whose collations may meet (0 when not; 37168 for
    ** two different explicit ones); 0 for anything else. */
    int isAssignable(const CAsiData *other) const override;
    /* 1 for any value. */
    int isCastable(const CAsiData *other) const override;
    CAsiData *concatType(const CAsiData *other) const override;
    CAsiData *unionType(const CAsiData *other) const override;
    int isEqual(const CAsiData &other) const override;
    int isGreater(const CAsiData &other) const override;
    int getData(void *buf, int offset, int len) const override;
    int dataSize() const override;
    int setWide(const char16_t *text) override;
    int assign(const CAsiData &source) override;
    int setData(const void *buf, int offset, int len) override;
    int setUcStr(const CAsiUcStr &text) override;
    int setText(const char *text, int length) override;
    int setShort(std::int16_t v) override;
    int setLong(std::int32_t v) override;
    int setDouble(double v) override;
    int assignTo(CAsiData &target) const override;
    int getWide(char16_t *buf, int size) const override;
    int getBytes(void *buf, int maxBits, int *bits) const override;
    int getUcStr(CAsiUcStr &out) const override;
    int getText(char *buf, int size) const override;
    int getShort(std::int16_t *out) const override;
    int getLong(std::int32_t *out) const override;
    int getDouble(double *out) const override;
    int typeText(CAsiUcStr &out) const override;
    int literalText(CAsiUcStr &out) const override;

    /* --- further operations --- */

    /* setText of exactly n bytes of code page cp (NULs included). */
    int setTextCp(const char *text, int n, int cp);
    /* As setUcStr; answers this value. */
    CAsiChar &operator=(const CAsiUcStr &text);
    /* Takes the other's text and the combined collation; cut with warning
    ** 22001 when longer than this value's declared length. */
    CAsiChar &operator=(const CAsiChar &other);
    /* this || other, and this || a string (its trailing white space
    ** dropped); 22001 (warning) when the sum passes 256 characters. */
    CAsiChar concat(const CAsiChar &other) const;
    CAsiChar concat(const CAsiUcStr &text) const;
    /* A VARYING value of the characters start ... start + len - 1 (1-based;
    ** a start below 1 still ends at start + len - 1). */
    CAsiChar substring(int start, int len) const;
    /* A copy upper-cased under this value's locale. */
    CAsiChar upper() const;
    /* A VARYING value without the trim character at the chosen end(s);
    ** 22027 when trimValue's length is not 1. */
    CAsiChar trim(int side, const CAsiChar &trimValue) const;
    /* A NUMERIC(4): where other's text first occurs in this value (1-based),
    ** 0 when absent, 1 when other's declared length is 0; null when either
    ** is null. */
    CAsiNumeric position(const CAsiChar &other) const;
    /* SQL LIKE: 1 on a match, 0 when not, -1 when an operand is null;
    ** 22019 for an escape value not of length 1, 22025 for an escape not
    ** followed by %, _ or itself. */
    int like(const CAsiChar &pattern, const CAsiChar &escape) const;

    /* Collated comparisons: 0 when either is null; 37168 when the
    ** collations cannot meet. */
    int operator==(const CAsiChar &other) const;
    int operator<(const CAsiChar &other) const;
    int operator>(const CAsiChar &other) const;

    /* Case-insensitive comparisons with a string under this value's locale;
    ** 0 when null. */
    int operator>(const CAsiUcStr &s) const;
    int operator>=(const CAsiUcStr &s) const;
    int operator==(const CAsiUcStr &s) const;
    int operator<=(const CAsiUcStr &s) const;
    int operator<(const CAsiUcStr &s) const;
    /* The string's side of the same comparison: -1, 0 or 1, and whether
    ** the value is null. */
    int compareText(const CAsiUcStr &s, int *isNullOut) const;

private:
    /* The effective length. */
    unsigned effLength() const noexcept;
    /* The stored text blank-padded to the effective length. */
    CAsiUcStr padded() const;
    /* The same into out, whose own body is written over when it has room. */
    void padInto(CAsiUcStr &out) const;
    /* Stores n characters with the length rules: cut to the declared length
    ** (warning 22001), trailing white space (blanks only when blankOnly)
    ** dropped unless all is. */
    int storeUcs(const char16_t *text, int n, int blankOnly);
    /* The locale of a comparison with other; 37168 when refused. */
    int compareLocale(const CAsiChar &other) const;
    /* Takes over the combined collation of this and other; 37168. */
    void takeDyadic(const CAsiChar &other);

    std::uint32_t m_declaredLength;   /* declared length n, 1 to 256 (0 allowed) */
    std::uint32_t m_currentLength;    /* length last assigned, trailing blanks included */
    CAsiUcStr m_value;                /* the characters without trailing blanks */
    std::uint16_t m_flags;            /* ASI_CHAR_VARYING, ASI_CHAR_NATIONAL */
    std::int32_t m_codePage;          /* code page of the character set; 0 = current */
    CAsiUcStr m_charSetName;          /* character set name */
    std::int32_t m_localeId;          /* collation locale id */
    CAsiUcStr m_localeName;           /* collation locale name */
    std::int32_t m_coercibility;      /* ASI_COLL_... */
};

/* The string on the left: 0 when the value is null. */
int operator>(const CAsiUcStr &s, const CAsiChar &c);
int operator==(const CAsiUcStr &s, const CAsiChar &c);
int operator<(const CAsiUcStr &s, const CAsiChar &c);
int operator!=(const CAsiUcStr &s, const CAsiChar &c);

/* The combined collation of two values (locale ids x, y, coercibilities c,
** d) into *locale and *coercibility; 1, or 0 when the rules refuse it. */
int asi_coll_dyadic(int x, int c, int y, int d, int *locale, int *coercibility);

/* 1 when values of coercibility c and d (locale ids x, y) may be compared;
** *locale (when given) receives the locale of the comparison. */
int asi_coll_compare(int x, int c, int y, int d, int *locale);

/* SQL LIKE of text against pattern (n and m characters) with escape
** character esc: 1 on a match, 0 when not, -1 for an escape character not
** followed by %, _ or itself. */
int asi_like_match(const char16_t *text, int n, const char16_t *pattern, int m, char16_t esc);

#endif
