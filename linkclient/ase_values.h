/*
** ase_values.h: the link client's helpers over the engine's value classes:
** making a null value of a described SQL type, reading and writing a
** value's text (bit values as hexadecimal digits), the character set of a
** character value and the locale of a column.
**
**     CAsiData *v = ase_value_for(ASI_TYPE_DECIMAL, 10, 2, 0, nullptr, nullptr);
**     CAsiUcStr t;  ase_value_text(*v, t);
*/
#ifndef PV_LINKCLIENT_ASE_VALUES_H
#define PV_LINKCLIENT_ASE_VALUES_H

#include "sqlclient/base/asi_ucstr.h"

class CAsiData;
class CAsiColumn;

/* Datetime codes of the zoned forms (read as timestamps). */
constexpr int ASE_DT_TIME_TZ = 4;
constexpr int ASE_DT_TIMESTAMP_TZ = 5;

/* A new null value of the SQL type with its length or precision, scale
** and sub-code, character set and (for an implementation type) type name;
** null for a type or sub-code without a value class.  Engine failures
** (a bad precision, no memory) are thrown.  Owned by the caller. */
CAsiData *ase_value_for(int type, int prec, int scale, int dtype, const char *charSet, const char *typeName);

/* The value's text into out: bit values as hexadecimal digits, any other
** value as its UCS-2 text; 1, 0 when null or without text. */
int ase_value_text(const CAsiData &v, CAsiUcStr &out);

/* Sets the value from text: bit values from hexadecimal digits, any other
** from the text; the setter's result. */
int ase_value_set_text(CAsiData &v, const char *text);
int ase_value_set_ucstr(CAsiData &v, const CAsiUcStr &text);

/* 1 for a BIT or BIT VARYING value. */
int ase_value_is_bit(const CAsiData &v) noexcept;

/* The character set name of a character value into buf; 1 when known. */
int ase_char_set_name(const CAsiData *v, char *buf, int size);

/* The locale name of a character column into buf; 1 when it has one. */
int ase_column_locale(const CAsiColumn &column, char *buf, int size);

/* Sets the locale of a character column's value; 1 when the engine took
** it, 0 when it cannot (a build without column locales). */
int ase_column_set_locale(CAsiColumn &column, const char *name);

#endif
