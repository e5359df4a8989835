/*
** asi_valfactory.h: the engine's value factory and the value items of the
** driver messages.
**
** A value travels as an ASI_TAG_VALUE item holding its SQL type code
** (preceded by an ASI_TAG_SUBTYPE item with its datetime or interval code
** when it has one), followed by the value's own record.  The factory makes
** an empty value of a type code; a type whose class is not part of this
** build gives the condition ASI_ERR_NO_VALUE_CLASS instead of a value.
**
**     CAsiData *v = asi_value_new(ASI_TYPE_DOUBLE, 0);   // owned by the caller
**     asi_value_write(out, *v);
*/
#ifndef PV_SQLCLIENT_ASI_VALFACTORY_H
#define PV_SQLCLIENT_ASI_VALFACTORY_H

#include "sqlclient/base/asi_stream.h"
#include "sqlclient/values/asi_data.h"

/* Engine code: the value class of a type code is missing from the build,
** or the type code is unknown. */
constexpr int ASI_ERR_NO_VALUE_CLASS = 0xB027;

/* The item tag carrying a datetime or interval code before a value. */
constexpr int ASI_TAG_SUBTYPE = 15;

/* A new null value of the SQL type code; sub is the datetime code (type 9)
** or the interval code (type 10), else 0.  Owned by the caller.  Raises
** ASI_ERR_NO_VALUE_CLASS for a type without a class in this build and
** 0xA008 without memory. */
CAsiData *asi_value_new(int type, int sub);

/* 1 when asi_value_new can make values of the type code. */
int asi_value_known(int type, int sub) noexcept;

/* Writes the value items of v (subtype, type code, the value's record). */
void asi_value_write(CAsiOStream &out, const CAsiData &v);

/* Reads the value whose ASI_TAG_VALUE item is current in the stream (type
** code and the subtype seen before it) and its record that follows.  A new
** value owned by the caller; raises ASI_ERR_NO_VALUE_CLASS, or
** ASI_ERR_STREAM for a damaged record. */
CAsiData *asi_value_read(CAsiIStream &in, int sub);

#endif
