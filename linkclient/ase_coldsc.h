/*
** ase_coldsc.h: CAseColDsc, the link client's neutral description of one
** column of a linked table: name, SQL type with length or precision,
** scale and sub-code, character set and locale, and the status word that
** travels with it to and from the host.  It converts between the engine's
** column (CAsiColumn with its value), the host's result-buffer lists and
** text.
**
** A regular name is stored upper-cased; a delimited one keeps its double
** quotes.  The result type that carries a value of the column (rbType)
** follows the column descriptor's own table.
**
**     CAseColDsc d(&errs);
**     d.fromColumn(col);  d.toResBuf(list, 1, 0);   // name, charset, locale, 5 numbers
**     CAsiColumn *c = d.makeColumn();                // null value of that type
*/
#ifndef PV_LINKCLIENT_ASE_COLDSC_H
#define PV_LINKCLIENT_ASE_COLDSC_H

#include "linkclient/ase_obj.h"

class CAseResBuf;
class CAsiColumn;

/* Status after construction and clear, and after fromResBufName. */
constexpr int ASE_COLDSC_STATUS_NEW = 1024;
constexpr int ASE_COLDSC_STATUS_NAME = 512;

/* Fields the engine's identifier is written into (bytes): a regular name,
** and a delimited or empty one with its two quotes. */
constexpr int ASE_COLNAME_REGULAR = 256;
constexpr int ASE_COLNAME_DELIMITED = 258;

/* Message of a malformed description: set 9, number 3; of a character set
** the engine does not know: set 1, number 78. */
constexpr int ASE_MSG_SET_COLDSC = 9;
constexpr int ASE_MSG_BAD_COLDSC = 3;

class CAseColDsc : public CAseObj {
public:
    /* An empty descriptor: texts null, numbers 0, Status 1024. */
    explicit CAseColDsc(CAseErrList *owner) noexcept;
    ~CAseColDsc() override;

    /* --- CAseObj slots --- */
    int clear() override;
    int isA() const override { return ASE_CLASS_COLDSC; }
    int isKindOf(int n) const override { return n == ASE_CLASS_COLDSC; }
    CAseObj *clone() const override;
    int copyFrom(const CAseObj *other) override;
    int compare(const CAseObj *other) const override;
    void print() const override;

    /* --- fields --- */
    const char *name() const noexcept { return m_name; }
    const char *locale() const noexcept { return m_locale; }
    const char *charSet() const noexcept { return m_charSet; }
    int type() const noexcept { return m_type; }
    int prec() const noexcept { return m_prec; }
    int scale() const noexcept { return m_scale; }
    int dtype() const noexcept { return m_dtype; }
    int status() const noexcept { return m_status; }
    void setType(int v) noexcept { m_type = v; }
    void setPrec(int v) noexcept { m_prec = v; }
    void setScale(int v) noexcept { m_scale = v; }
    void setDType(int v) noexcept { m_dtype = v; }
    void setStatus(int v) noexcept { m_status = v; }
    int setName(const char *text) noexcept;
    int setLocale(const char *text) noexcept;
    int setCharSet(const char *text) noexcept;

    /* --- derived --- */
    int rbType() const noexcept;
    static int rbTypeOf(int type) noexcept;
    int isValid() const noexcept;
    int isCompatible(const CAseColDsc *other) const noexcept;
    int isQuoted() const noexcept { return m_name && m_name[0] == '"'; }
    char *plainName() const noexcept;
    int compareName(const char *text, int normalise) const noexcept;

    /* --- conversions --- */
    int fromResBuf(CAseResBuf &list, int convert) noexcept;
    int fromResBufName(CAseResBuf &list) noexcept;
    int toResBuf(CAseResBuf &list, int full, int extended) const noexcept;
    int fromColumn(const CAsiColumn &column) noexcept;
    CAsiColumn *makeColumn() const noexcept;
    char *typeText() const noexcept;

private:
    int replaceText(char *&field, const char *text) noexcept;
    int malformed() const noexcept;
    int compareFields(const char *name, int nameNormalise, int type, int prec, int scale, int dtype,
                      int status) const noexcept;

    char *m_name;      /* column name (quoted when delimited); owned, or null */
    char *m_locale;    /* locale, or an implementation type's name; owned, or null */
    char *m_charSet;   /* character set of a character column; owned, or null */
    int m_type;        /* SQL type code, 0 when not set */
    int m_prec;        /* length, precision or leading precision */
    int m_scale;       /* scale or fractional-seconds precision */
    int m_dtype;       /* datetime, interval or implementation type code */
    int m_status;      /* status word exchanged with the host */
};

#endif
