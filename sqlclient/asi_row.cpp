/*
** asi_row.cpp: identifiers, columns and rows.
*/
#include "sqlclient/asi_row.h"

#include <cstring>

#include "sqlclient/base/asi_codepage.h"
#include "sqlclient/base/asi_diag.h"
#include "sqlclient/base/asi_except.h"
#include "sqlclient/values/asi_char.h"
#include "sqlclient/values/asi_data.h"
#include "sqlclient/values/asi_impldata.h"

namespace {

constexpr int STATE_CANNOT_CAST = 0x379B;

/* A copy of a value; null for null; throws 0xA008 when it cannot copy. */
CAsiData *row_copy_value(const CAsiData *value)
{
    if (!value)
        return nullptr;
    CAsiData *copy = value->clone();
    if (!copy)
        asi_throw(ASI_ERR_NO_MEMORY, "CAsiColumn");
    return copy;
}

} // namespace

/* Destroys the object; the bases free what they own. */
CAsiIdent::~CAsiIdent() {}

/* A new copy; null without memory. */
CAsiIdent *CAsiIdent::clone() const
{
    return new CAsiIdent(*this);
}

/* Takes the other's name and delimited flag. */
CAsiIdent &CAsiIdent::operator=(const CAsiIdent &other)
{
    m_delimited = other.m_delimited;
    m_name = other.m_name;
    return *this;
}

/* Delimited when quoted, else trimmed and upper-cased. */
void CAsiIdent::set(const CAsiUcStr &text)
{
    int n = text.length(), start = 0, end = n;
    while (start < end && asi_uc_is_space(text.at(start)))
        start++;
    while (end > start && asi_uc_is_space(text.at(end - 1)))
        end--;
    if (end - start >= 2 && text.at(start) == u'"' && text.at(end - 1) == u'"') {
        CAsiUcStr name;
        for (int i = start + 1; i < end - 1; i++) {
            name.append(text.at(i));
            if (text.at(i) == u'"' && i + 1 < end - 1 && text.at(i + 1) == u'"')
                i++;
        }
        m_name = name;
        m_delimited = 1;
        return;
    }
    CAsiUcStr name(text.ucs() + start, end - start);
    name.upper();
    m_name = name;
    m_delimited = 0;
}

/* The SQL form. */
void CAsiIdent::appendSql(CAsiUcStr &out) const
{
    if (!m_delimited) {
        out.append(m_name);
        return;
    }
    out.append(u'"');
    for (int i = 0; i < m_name.length(); i++) {
        out.append(m_name.at(i));
        if (m_name.at(i) == u'"')
            out.append(u'"');
    }
    out.append(u'"');
}

/* The identifier and a copy of the value. */
CAsiColumn::CAsiColumn(const CAsiIdent &name, const CAsiData *value)
    : m_name(name), m_value(row_copy_value(value))
{
}

/* The same name and a copy of the value. */
CAsiColumn::CAsiColumn(const CAsiColumn &other)
    : CAsiObject(other), m_name(other.m_name), m_value(row_copy_value(other.m_value))
{
}

/* Takes the other's name and a copy of its value. */
CAsiColumn &CAsiColumn::operator=(const CAsiColumn &other)
{
    if (this == &other)
        return *this;
    CAsiData *copy = row_copy_value(other.m_value);
    delete m_value;
    m_value = copy;
    m_name = other.m_name;
    return *this;
}

/* Deletes the value. */
CAsiColumn::~CAsiColumn()
{
    delete m_value;
    m_value = nullptr;
}

/* A new copy; null without memory. */
CAsiColumn *CAsiColumn::clone() const
{
    return asi_clone_by_assign(*this);
}

/* Deletes the value (the pointer cleared) and empties the name. */
void CAsiColumn::release()
{
    delete m_value;
    m_value = nullptr;
    m_name = CAsiIdent();
}

/* Replaces the value by a copy. */
void CAsiColumn::setValue(const CAsiData *value)
{
    if (value == m_value)
        return;
    CAsiData *copy = row_copy_value(value);
    delete m_value;
    m_value = copy;
}

/* Converts the value into the column's type. */
void CAsiColumn::assignValue(const CAsiData &value)
{
    if (!m_value || !m_value->assign(value))
        asi_raise_state(STATE_CANNOT_CAST);
}

/* The locale name of a character value; 0 for any other value. */
int CAsiColumn::localeName(CAsiUcStr &out) const
{
    const CAsiChar *c = dynamic_cast<const CAsiChar *>(m_value);
    if (!c || c->localeName().isEmpty()) {
        out.clear();
        return 0;
    }
    out = c->localeName();
    return 1;
}

/* The character value's locale; unknown names raise, other values are left
** alone. */
void CAsiColumn::setLocaleName(const CAsiUcStr &name)
{
    if (CAsiChar *c = dynamic_cast<CAsiChar *>(m_value))
        c->setLocale(name);
}

/* n empty columns. */
CAsiRow::CAsiRow(int n) : m_columns(nullptr), m_count(0)
{
    if (n < 0 || n > ASI_ROW_MAX_COLUMNS)
        asi_throw(ASI_ERR_BAD_ARGUMENT, "CAsiRow", "bad column count");
    if (n == 0)
        return;
    m_columns = (CAsiColumn **)asi_array_alloc((std::uint32_t)n, sizeof(CAsiColumn *));
    if (!m_columns)
        asi_throw(ASI_ERR_NO_MEMORY, "CAsiRow");
    std::memset(m_columns, 0, sizeof(CAsiColumn *) * (std::size_t)n);
    for (int i = 0; i < n; i++) {
        m_columns[i] = new CAsiColumn();
        if (!m_columns[i]) {
            m_count = i;
            release();
            asi_throw(ASI_ERR_NO_MEMORY, "CAsiRow");
        }
    }
    m_count = n;
}

/* Deletes the columns. */
CAsiRow::~CAsiRow()
{
    release();
}

/* Deletes the columns and the array; pointers cleared. */
void CAsiRow::release()
{
    for (int i = 0; i < m_count; i++)
        delete m_columns[i];
    asi_array_free(m_columns);
    m_columns = nullptr;
    m_count = 0;
}

/* Column i; 0xA011 out of range. */
CAsiColumn &CAsiRow::operator[](int i) const
{
    if (i < 0 || i >= m_count)
        asi_throw(ASI_ERR_INDEX, "CAsiRow", "column index out of range");
    return *m_columns[i];
}
