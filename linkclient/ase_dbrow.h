/*
** ase_dbrow.h: CAseDbRow, the link client's row of column values: an
** engine row (CAsiRow of CAsiColumn, each a name and a value) wrapped with
** the conversions the host protocol needs: names, values and column
** descriptions into result-buffer lists and back, per-column "changed"
** marks, comparisons value by value, and the SQL texts of key columns.
**
** The descriptors use rows on their own stack: attach the caller's engine
** row, convert, detach.  All texts are in the library's current code page.
**
**     CAseDbRow row(&errs, 1);
**     row.attach(keys);  row.valuesToResBuf(args);  row.detach();
**     CAsiUcStr *where = row.keyCondition();     // K1=12 AND K2 IS NULL
*/
#ifndef PV_LINKCLIENT_ASE_DBROW_H
#define PV_LINKCLIENT_ASE_DBROW_H

#include "linkclient/ase_obj.h"
#include <string>

#include "sqlclient/base/asi_ucstr.h"

struct resbuf;

class CAseResBuf;
class CAseList;
class CAseColDsc;
class CAsiRow;
class CAsiData;

/* The CHARACTER VARYING length of a column made from a bare name, and the
** CHARACTER length of a text read from the host. */
constexpr int ASE_NAME_VALUE_LENGTH = 256;
constexpr int ASE_HOST_TEXT_LENGTH = 255;

/* Buffers of the debug dump. */
constexpr int ASE_DUMP_TEXT = 256;
constexpr int ASE_DUMP_NAME = 80;

/* valuesToTextResBuf: a null value as an empty text instead of RTVOID. */
constexpr int ASE_NULL_AS_EMPTY = 1;

class CAseDbRow : public CAseObj {
public:
    /* An empty row. */
    CAseDbRow(CAseErrList *owner, int flag) noexcept;
    ~CAseDbRow() override;

    /* --- CAseObj slots --- */
    int clear() override;
    int isA() const override { return ASE_CLASS_DBROW; }
    int isKindOf(int n) const override { return n == ASE_CLASS_DBROW; }
    CAseObj *clone() const override;
    int copyFrom(const CAseObj *other) override;
    int compare(const CAseObj *other) const override;
    void print() const override;
    /* --- own slots --- */
    virtual int reset(int n) noexcept;
    virtual int fromColDscList(CAseList &list) noexcept;
    virtual int attach(CAsiRow *row) noexcept;

    /* --- shape --- */
    void detach() noexcept { m_row = nullptr; }
    CAsiRow *row() const noexcept { return m_row; }
    int flag() const noexcept { return m_flag; }
    int count() const noexcept;
    CAsiData *value(int i) const noexcept;
    const char *codePage() const noexcept;

    /* --- building (each replaces the columns) --- */
    int fromColDscResBuf(CAseResBuf &list) noexcept;
    int fromNames(CAseResBuf &list) noexcept;
    int fromNamesAfterCursor(CAseResBuf &list) noexcept;

    /* --- to and from the host's lists: writers append at the end,
    ** readers start at the cursor --- */
    int namesToResBuf(CAseResBuf &list) noexcept;
    int valuesToResBuf(CAseResBuf &list) noexcept;
    int valuesToTextResBuf(CAseResBuf &list, int mode) noexcept;
    int colDscToResBuf(CAseResBuf &list) noexcept;
    int setValuesFromResBuf(CAseResBuf &list) noexcept;
    int assignFromResBuf(CAseResBuf &list) noexcept;

    /* --- single values (0, -1 or null without column i) --- */
    int isNull(int i) const noexcept;
    int allNull() const noexcept;
    int isNumeric(int i) const noexcept;
    int isCharacter(int i) const noexcept;
    int isBit(int i) const noexcept;
    int isDatetimeOrInterval(int i) const noexcept;
    int isComparable(int i, const CAseColDsc *dsc) const noexcept;
    int getText(int i, char *buf, int size, int offset) const noexcept;
    int textLength(int i) const noexcept;
    char *textCopy(int i) const noexcept;
    int getName(int i, char *buf, int size) const noexcept;
    int getLong(int i, long *out) const noexcept;
    int getDouble(int i, double *out) const noexcept;
    int setText(int i, const char *text) noexcept;
    int setLong(int i, long v) noexcept;
    int setDouble(int i, double v) noexcept;
    int setUcStr(int i, const CAsiUcStr &text) noexcept;
    int markChanged(int i) noexcept;
    int isChanged(int i) const noexcept;
    int changedCount() const noexcept;
    void clearChanged() noexcept;
    CAseColDsc *colDsc(int i) const noexcept;
    CAseList *colDscList() const noexcept;
    int compareValue(int i, const CAsiData *other, int strict) const noexcept;

    /* --- SQL texts (new strings owned by the caller, or null) --- */
    CAsiUcStr *keyCondition() const noexcept;
    int keyConditionText(char *buf, int size) const noexcept;
    CAsiUcStr *valueList() const noexcept;
    CAsiUcStr *assignmentList() const noexcept;

private:
    int has(int i) const noexcept;
    int valueText(int i, std::string *out) const;
    int namesFrom(const resbuf *first) noexcept;

    int m_flag;                 /* second constructor argument, kept */
    CAsiRow *m_row;             /* the columns; owned until detach, or null */
    unsigned char *m_changed;   /* one mark per column; owned, or null */
};

#endif
