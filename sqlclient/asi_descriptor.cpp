/*
** asi_descriptor.cpp: the descriptor area and the host buffer transfers.
*/
#include "sqlclient/asi_descriptor.h"

#include <cfloat>
#include <cmath>
#include <cstdint>
#include <cstring>

#include "sqlclient/asi_config.h"
#include "sqlclient/base/asi_diag.h"
#include "sqlclient/base/asi_except.h"

/* Frees the items. */
CAsiDescriptor::~CAsiDescriptor()
{
    release();
}

/* Frees every item. */
void CAsiDescriptor::release()
{
    for (asi_desc_item &it : m_items)
        delete it.value;
    m_items.clear();
}

/* n empty items. */
void CAsiDescriptor::resize(int n)
{
    release();
    if (n < 0)
        asi_throw(ASI_ERR_BAD_ARGUMENT, "CAsiDescriptor::resize");
    m_items.resize((std::size_t)n, asi_desc_item{CAsiUcStr(), 1, nullptr});
}

/* Item i. */
const asi_desc_item &CAsiDescriptor::item(int i) const
{
    if (i < 0 || i >= count())
        asi_raise_state(ASI_STATE_BAD_INDEX);
    return m_items[(std::size_t)i];
}

/* Names item i. */
void CAsiDescriptor::setName(int i, const CAsiUcStr &name, int nullable)
{
    if (i < 0 || i >= count())
        asi_raise_state(ASI_STATE_BAD_INDEX);
    m_items[(std::size_t)i].name = name;
    m_items[(std::size_t)i].nullable = nullable;
}

/* Replaces item i's value. */
void CAsiDescriptor::setValue(int i, CAsiData *v)
{
    if (i < 0 || i >= count()) {
        delete v;
        asi_raise_state(ASI_STATE_BAD_INDEX);
    }
    delete m_items[(std::size_t)i].value;
    m_items[(std::size_t)i].value = v;
}

/* Moves a list of values into the items. */
void CAsiDescriptor::takeValues(std::vector<CAsiData *> &values)
{
    if ((int)values.size() != count())
        asi_raise_state(ASI_STATE_BAD_INDEX);
    for (std::size_t i = 0; i < values.size(); i++) {
        delete m_items[i].value;
        m_items[i].value = values[i];
    }
    values.clear();
}

/* Checks a binding. */
void asi_host_check(const asi_host_bind &b)
{
    int need = asi_host_need(b.type);
    if (!need)
        asi_throw(ASI_ERR_BAD_ARGUMENT, "asi_host_check", "unknown host value type");
    if (!b.buf || b.length < need)
        asi_throw(ASI_ERR_BAD_ARGUMENT, "asi_host_check", "host buffer missing or too small");
}

/* Writes a value into a bound buffer. */
void asi_host_put(const asi_host_bind &b, const CAsiData *v)
{
    if (!v || v->isNull()) {
        if (b.ind)
            *b.ind = ASI_NULL_INDICATOR;
        if (b.type == ASI_HOST_STRING)
            ((char *)b.buf)[0] = '\0';
        else
            std::memset(b.buf, 0, (std::size_t)b.length < sizeof(double) ? (std::size_t)b.length : sizeof(double));
        return;
    }
    int ok = 0;
    switch (b.type) {
    case ASI_HOST_SHORT: {
        std::int16_t x = 0;
        ok = v->getShort(&x);
        std::memcpy(b.buf, &x, sizeof x);
        break;
    }
    case ASI_HOST_LONG: {
        std::int32_t x = 0;
        ok = v->getLong(&x);
        std::memcpy(b.buf, &x, sizeof x);
        break;
    }
    case ASI_HOST_FLOAT: {
        double d = 0;
        ok = v->getDouble(&d);
        if (ok && std::isfinite(d) && std::fabs(d) > FLT_MAX)
            asi_raise_state(ASI_STATE_OUT_OF_RANGE);   /* would arrive as infinity */
        float x = (float)d;
        std::memcpy(b.buf, &x, sizeof x);
        break;
    }
    case ASI_HOST_DOUBLE: {
        double x = 0;
        ok = v->getDouble(&x);
        std::memcpy(b.buf, &x, sizeof x);
        break;
    }
    case ASI_HOST_STRING: {
        /* Kept from value to value: a text written over its own body
        ** takes no memory for each row. */
        static thread_local CAsiUcStr text;
        ok = v->getUcStr(text);
        if (ok) {
            text.toMb((char *)b.buf, b.length);
            if (text.mbLength() > b.length - 1)
                asi_warn_state(ASI_WARN_TRUNCATED);
        }
        break;
    }
    default: break;
    }
    if (!ok)
        asi_raise_state(ASI_STATE_BAD_TYPE);
    if (b.ind)
        *b.ind = 0;
}

/* Reads a bound buffer into a value. */
void asi_host_get(const asi_host_bind &b, CAsiData &v)
{
    if (b.ind && *b.ind == ASI_NULL_INDICATOR) {
        v.setNull();
        return;
    }
    int ok = 0;
    switch (b.type) {
    case ASI_HOST_SHORT: {
        std::int16_t x;
        std::memcpy(&x, b.buf, sizeof x);
        ok = v.setShort(x);
        break;
    }
    case ASI_HOST_LONG: {
        std::int32_t x;
        std::memcpy(&x, b.buf, sizeof x);
        ok = v.setLong(x);
        break;
    }
    case ASI_HOST_FLOAT: {
        float x;
        std::memcpy(&x, b.buf, sizeof x);
        ok = v.setDouble(x);
        break;
    }
    case ASI_HOST_DOUBLE: {
        double x;
        std::memcpy(&x, b.buf, sizeof x);
        ok = v.setDouble(x);
        break;
    }
    case ASI_HOST_STRING: {
        const char *s = (const char *)b.buf;
        ok = v.setText(s, (int)strnlen(s, (std::size_t)b.length));
        break;
    }
    default: break;
    }
    if (!ok)
        asi_raise_state(ASI_STATE_BAD_TYPE);
}
