/*
** asi_descriptor.h: the descriptor area (the described columns or
** parameters of a statement, the values of a fetched row) and the binding
** of application buffers to it.
**
** An item has a name, a nullable flag and a value object owned by the
** area.  Application buffers are bound by host value type: 1 short (16
** bits), 2 long (32 bits), 3 float, 4 double, 5 string (a terminated text
** of at most length - 1 bytes); the null indicator is an unsigned short set
** to ASI_NULL_INDICATOR for a null value and to 0 otherwise.
**
**     asi_host_bind b{ASI_HOST_DOUBLE, &x, sizeof x, &ind};
**     asi_host_put(b, area.value(2));      // x = the value, ind = 0
*/
#ifndef PV_SQLCLIENT_ASI_DESCRIPTOR_H
#define PV_SQLCLIENT_ASI_DESCRIPTOR_H

#include <cstdint>
#include <vector>

#include "sqlclient/base/asi_object.h"
#include "sqlclient/base/asi_ucstr.h"
#include "sqlclient/values/asi_data.h"

/* Host value types of bound buffers. */
constexpr int ASI_HOST_SHORT = 1;
constexpr int ASI_HOST_LONG = 2;
constexpr int ASI_HOST_FLOAT = 3;
constexpr int ASI_HOST_DOUBLE = 4;
constexpr int ASI_HOST_STRING = 5;

/* The null indicator of a null value. */
constexpr unsigned short ASI_NULL_INDICATOR = 0xFFFF;

/* SQLSTATE conditions of the descriptor area: 07009 invalid descriptor
** index, 07006 restricted data type attribute violation, 22003 numeric
** value out of range (of the host buffer's type). */
constexpr int ASI_STATE_BAD_INDEX = 0x0709;
constexpr int ASI_STATE_BAD_TYPE = 0x0706;
constexpr int ASI_STATE_OUT_OF_RANGE = 0x2203;

/* One item of the area. */
struct asi_desc_item {
    CAsiUcStr name;       /* column or parameter name */
    int nullable;         /* 1 when it may be null */
    CAsiData *value;      /* owned value (a null value of the type for a
                          ** description), or null when none yet */
};

class CAsiDescriptor : public CAsiObject {
public:
    CAsiDescriptor() noexcept {}
    ~CAsiDescriptor() override;
    CAsiDescriptor(const CAsiDescriptor &) = delete;
    CAsiDescriptor &operator=(const CAsiDescriptor &) = delete;

    /* Frees every item. */
    void release() override;

    /* Number of items. */
    int count() const noexcept { return (int)m_items.size(); }

    /* Makes the area n empty items (freeing the old ones). */
    void resize(int n);

    /* Item i; raises 07009 when i is out of range. */
    const asi_desc_item &item(int i) const;

    /* Item i's value, or null when it has none; raises 07009. */
    CAsiData *value(int i) const { return item(i).value; }

    /* Sets item i's name and nullable flag; raises 07009. */
    void setName(int i, const CAsiUcStr &name, int nullable);

    /* Replaces item i's value by v (owned from now on; null allowed);
    ** raises 07009 (v is then deleted). */
    void setValue(int i, CAsiData *v);

    /* Moves the values of a list into the items, in order; the list is
    ** emptied.  Raises 07009 when the counts differ. */
    void takeValues(std::vector<CAsiData *> &values);

private:
    std::vector<asi_desc_item> m_items;   /* the items */
};

/* An application buffer bound to an item. */
struct asi_host_bind {
    int type;               /* ASI_HOST_..., 0 when unbound */
    void *buf;              /* the application's buffer */
    int length;             /* its bytes (strings: with the terminator) */
    unsigned short *ind;    /* null indicator, or null */
};

/* Bytes a buffer of host type `type` needs (a string: its terminator), or
** 0 for a type not known. */
inline int asi_host_need(int type) noexcept
{
    switch (type) {
    case ASI_HOST_SHORT: return (int)sizeof(std::int16_t);
    case ASI_HOST_LONG: return (int)sizeof(std::int32_t);
    case ASI_HOST_FLOAT: return (int)sizeof(float);
    case ASI_HOST_DOUBLE: return (int)sizeof(double);
    case ASI_HOST_STRING: return 1;
    default: return 0;
    }
}

/* 1 when a binding is sound: a known type and a buffer of its size. */
inline int asi_host_sound(const asi_host_bind &b) noexcept
{
    int need = asi_host_need(b.type);
    return need > 0 && b.buf && b.length >= need;
}

/* Checks a binding as asi_host_sound does.  Raises ASI_ERR_BAD_ARGUMENT
** otherwise. */
void asi_host_check(const asi_host_bind &b);

/* Writes a value (null: a null value) into a bound buffer by its host
** type and sets the indicator.  A string is cut to the buffer with the
** warning 01004; a value that does not convert raises 07006 (or the
** value's own condition), a number beyond a float's range 22003. */
void asi_host_put(const asi_host_bind &b, const CAsiData *v);

/* Reads a bound buffer into a value (an indicator of ASI_NULL_INDICATOR
** makes it null) through the value's setters; raises the value's
** condition, or 07006 when it refuses. */
void asi_host_get(const asi_host_bind &b, CAsiData &v);

#endif
