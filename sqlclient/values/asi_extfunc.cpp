/*
** asi_extfunc.cpp: the SQL function object base and its argument list.
**
** The argument list is a counted array (asi_impldata.h) of pointers; its
** entries start empty, and the values they point to are never owned.
*/
#include "sqlclient/values/asi_extfunc.h"

#include <cstring>

#include "sqlclient/base/asi_except.h"
#include "sqlclient/values/asi_impldata.h"

/* A list of n empty entries. */
CAsiFuncArgs::CAsiFuncArgs(int n) : m_items(nullptr), m_count(0)
{
    if (n < 0)
        asi_throw(ASI_ERR_BAD_ARGUMENT, "CAsiFuncArgs", "negative argument count");
    if (n == 0)
        return;
    m_items = (CAsiData **)asi_array_alloc((std::uint32_t)n, sizeof(CAsiData *));
    if (!m_items)
        asi_throw(ASI_ERR_NO_MEMORY, "CAsiFuncArgs");
    std::memset(m_items, 0, sizeof(CAsiData *) * (std::size_t)n);
    m_count = n;
}

/* Same entries in a new array. */
CAsiFuncArgs::CAsiFuncArgs(const CAsiFuncArgs &other) : CAsiObject(other), m_items(nullptr), m_count(0)
{
    *this = other;
}

/* Replaces the entries by a copy of the other's. */
CAsiFuncArgs &CAsiFuncArgs::operator=(const CAsiFuncArgs &other)
{
    if (this == &other)
        return *this;
    CAsiData **items = nullptr;
    if (other.m_items && other.m_count > 0) {
        items = (CAsiData **)asi_array_alloc((std::uint32_t)other.m_count, sizeof(CAsiData *));
        if (!items)
            asi_throw(ASI_ERR_NO_MEMORY, "CAsiFuncArgs");
        std::memcpy(items, other.m_items, sizeof(CAsiData *) * (std::size_t)other.m_count);
    }
    release();
    m_items = items;
    m_count = items ? other.m_count : 0;
    return *this;
}

/* Frees the array. */
CAsiFuncArgs::~CAsiFuncArgs()
{
    release();
}

/* A new copy; null without memory. */
CAsiFuncArgs *CAsiFuncArgs::clone() const
{
    return asi_clone_by_assign(*this);
}

/* Frees the array; the pointer is cleared so nothing is freed twice. */
void CAsiFuncArgs::release()
{
    asi_array_free(m_items);
    m_items = nullptr;
    m_count = 0;
}

/* Entry i, or null out of range. */
CAsiData *CAsiFuncArgs::at(int i) const noexcept
{
    return (m_items && i >= 0 && i < m_count) ? m_items[i] : nullptr;
}

/* Sets entry i. */
int CAsiFuncArgs::set(int i, CAsiData *value) noexcept
{
    if (!m_items || i < 0 || i >= m_count)
        return 0;
    m_items[i] = value;
    return 1;
}

/* Destroys the base only. */
CAsiExtFunc::~CAsiExtFunc() {}

/* Unknown: -1. */
int CAsiExtFunc::evaluatePredicate(const CAsiFuncArgs &) const
{
    return -1;
}

/* Nothing computed: 0, the result untouched. */
int CAsiExtFunc::evaluate(const CAsiFuncArgs &, CAsiData &) const
{
    return 0;
}
