/*
** asi_row.h: SQL identifiers, columns and rows of the engine.
**
** CAsiIdent is a name with a delimited flag: a regular identifier is kept
** upper-cased, a delimited one ("Name") as written.  A CAsiColumn is an
** identifier and an owned value; a CAsiRow owns n columns, kept in a
** counted array.
**
**     CAsiRow row(2);
**     row[0].name().set(CAsiUcStr("station"));     // STATION
**     row[0].setValue(&someValue);                  // a copy is kept
*/
#ifndef PV_SQLCLIENT_ASI_ROW_H
#define PV_SQLCLIENT_ASI_ROW_H

#include "sqlclient/base/asi_object.h"
#include "sqlclient/base/asi_ucstr.h"

class CAsiData;

/* The most columns a row holds. */
constexpr int ASI_ROW_MAX_COLUMNS = 32767;

class CAsiIdent : public CAsiObject {
public:
    /* An empty regular identifier. */
    CAsiIdent() noexcept : m_delimited(0) {}
    CAsiIdent(const CAsiIdent &other) = default;
    ~CAsiIdent() override;
    CAsiIdent *clone() const override;

    /* Sets from an engine string: a text in double quotes makes a delimited
    ** identifier (doubled quotes inside read as one), any other text a
    ** regular one, blanks around it removed and upper-cased. */
    void set(const CAsiUcStr &text);

    /* Marks the identifier delimited, or sets the flag. */
    void markDelimited() noexcept { m_delimited = 1; }
    void setDelimited(int flag) noexcept { m_delimited = flag ? 1 : 0; }

    /* 1 when the identifier is delimited. */
    int nameRef() const noexcept { return m_delimited; }

    /* The name without quotes. */
    const CAsiUcStr &name() const noexcept { return m_name; }

    CAsiIdent &operator=(const CAsiIdent &other);
    /* 1 when the names are equal (a regular name is stored upper-cased, so
    ** ABC equals the delimited "ABC", as SQL has it). */
    int operator==(const CAsiIdent &other) const noexcept { return m_name == other.m_name; }

    /* Appends the identifier in SQL form: a delimited one in double quotes
    ** (quotes inside doubled), a regular one unchanged. */
    void appendSql(CAsiUcStr &out) const;

private:
    int m_delimited;     /* 1: written in double quotes */
    CAsiUcStr m_name;    /* the name */
};

class CAsiColumn : public CAsiObject {
public:
    /* An empty name and no value. */
    CAsiColumn() noexcept : m_value(nullptr) {}
    /* The identifier and a copy of the value (none for null); no memory
    ** throws 0xA008. */
    CAsiColumn(const CAsiIdent &name, const CAsiData *value);
    CAsiColumn(const CAsiColumn &other);
    /* Takes the other's name and a copy of its value. */
    CAsiColumn &operator=(const CAsiColumn &other);
    /* Deletes the value. */
    ~CAsiColumn() override;

    /* A new column with the same name and a copy of the value; null without
    ** memory. */
    CAsiColumn *clone() const override;
    /* Deletes the value and empties the name. */
    void release() override;

    CAsiIdent &name() noexcept { return m_name; }
    const CAsiIdent &name() const noexcept { return m_name; }

    /* The column's value, owned by the column; null when it has none. */
    CAsiData *value() const noexcept { return m_value; }

    /* Replaces the value by a copy of the given one (null: none); no memory
    ** throws 0xA008 and keeps the old value. */
    void setValue(const CAsiData *value);

    /* Assigns the value to the column's value, converted into its type; a
    ** column without a value or an impossible conversion raises 37155. */
    void assignValue(const CAsiData &value);

    /* The locale name of the column's value into out; 1 when the value is a
    ** character value with a locale, else 0 (out emptied). */
    int localeName(CAsiUcStr &out) const;

    /* Sets the locale of the column's value when it is a character value
    ** (nothing changes for another value or none); an unknown locale name
    ** raises ASI_ERR_LOCALE and leaves the value as it was. */
    void setLocaleName(const CAsiUcStr &name);

private:
    CAsiIdent m_name;     /* the column's name */
    CAsiData *m_value;    /* owned value, or null */
};

class CAsiRow : public CAsiObject {
public:
    /* A row of n columns, each with an empty name and no value; n below 0
    ** or above ASI_ROW_MAX_COLUMNS raises ASI_ERR_BAD_ARGUMENT, no memory
    ** 0xA008. */
    explicit CAsiRow(int n);
    CAsiRow(const CAsiRow &) = delete;
    CAsiRow &operator=(const CAsiRow &) = delete;
    /* Deletes the columns. */
    ~CAsiRow() override;

    /* Deletes the columns; the row becomes empty. */
    void release() override;

    /* The number of columns. */
    int count() const noexcept { return m_count; }

    /* Column i; raises 0xA011 when i is out of range. */
    CAsiColumn &operator[](int i) const;

private:
    CAsiColumn **m_columns;   /* counted array of owned columns, or null */
    int m_count;              /* columns */
};

#endif
