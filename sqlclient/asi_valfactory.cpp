/*
** asi_valfactory.cpp: making values by type code.
**
** The value classes are written by their own hands and join the build one
** by one.  Each class is taken in only when its header is present, and a
** maker is used only when its class is complete here; any other type code
** fails with a clear condition rather than a crash.
*/
#include "sqlclient/asi_valfactory.h"

#include <cstdio>
#include <type_traits>

#include "sqlclient/asi_transport.h"
#include "sqlclient/base/asi_diag.h"
#include "sqlclient/base/asi_except.h"

#if __has_include("sqlclient/values/asi_integer.h")
#include "sqlclient/values/asi_integer.h"
#endif
#if __has_include("sqlclient/values/asi_decimal.h")
#include "sqlclient/values/asi_decimal.h"
#endif
#if __has_include("sqlclient/values/asi_double.h")
#include "sqlclient/values/asi_double.h"
#endif
#if __has_include("sqlclient/values/asi_approx.h")
#include "sqlclient/values/asi_approx.h"
#endif
#if __has_include("sqlclient/values/asi_real.h")
#include "sqlclient/values/asi_real.h"
#endif
#if __has_include("sqlclient/values/asi_char.h")
#include "sqlclient/values/asi_char.h"
#endif
#if __has_include("sqlclient/values/asi_impldata.h")
#include "sqlclient/values/asi_impldata.h"
#endif
#if __has_include("sqlclient/values/asi_bit.h")
#include "sqlclient/values/asi_bit.h"
#endif
#if __has_include("sqlclient/values/asi_datetime.h")
#include "sqlclient/values/asi_datetime.h"
#endif
#if __has_include("sqlclient/values/asi_interval.h")
#include "sqlclient/values/asi_interval.h"
#endif
#if __has_include("sqlclient/values/asi_point.h")
#include "sqlclient/values/asi_point.h"
#endif

/* Every class the factory knows of, complete or not. */
class CAsiChar;
class CAsiNumeric;
class CAsiDecimal;
class CAsiInteger;
class CAsiSmallint;
class CAsiFloat;
class CAsiReal;
class CAsiDouble;
class CAsiImplData;
class CAsiBit;
class CAsiDate;
class CAsiTime;
class CAsiTimeStamp;
class CAsiIntervalYM;
class CAsiIntervalDT;
class CAsiPoint;

namespace {

/* Bytes of the condition text of a missing class. */
constexpr int FACTORY_TEXT = 96;

/* true when T is a complete class in this file. */
template <class T, class = void> struct is_complete : std::false_type {};
template <class T> struct is_complete<T, std::void_t<decltype(sizeof(T))>> : std::true_type {};

/* The marks a maker answers besides a value. */
CAsiData *const NO_CLASS = nullptr;

/* Tells whether the class T can be made from the arguments. */
template <class T, class... A> constexpr bool makeable()
{
    if constexpr (is_complete<T>::value)
        return std::is_constructible_v<T, A...> && std::is_base_of_v<CAsiData, T>;
    else
        return false;
}

/* A new T of the arguments; null when T cannot be made (the caller tells
** this apart from exhausted memory with makeable). */
template <class T, class... A> CAsiData *make(A... a)
{
    if constexpr (makeable<T, A...>())
        return new T(a...);
    else
        return NO_CLASS;
}

/* Makes T and, for the varying types, marks it varying. */
template <class T> CAsiData *make_varying()
{
    if constexpr (makeable<T>()) {
        T *v = new T();
        if constexpr (requires(T &t) { t.setVarying(); })
            if (v)
                v->setVarying();
        return v;
    } else {
        return NO_CLASS;
    }
}

/* Whether a type code has a class here, and making it. */
struct maker {
    bool known;          /* a class exists for the code */
    CAsiData *(*fn)(int sub);  /* makes the value */
};

/* The maker of a type code and subcode. */
maker maker_of(int type, int sub) noexcept
{
    switch (type) {
    case ASI_TYPE_CHAR: return {makeable<CAsiChar>(), [](int) { return make<CAsiChar>(); }};
    case ASI_TYPE_VARCHAR: return {makeable<CAsiChar>(), [](int) { return make_varying<CAsiChar>(); }};
    case ASI_TYPE_NUMERIC: return {makeable<CAsiNumeric>(), [](int) { return make<CAsiNumeric>(); }};
    case ASI_TYPE_DECIMAL: return {makeable<CAsiDecimal>(), [](int) { return make<CAsiDecimal>(); }};
    case ASI_TYPE_INTEGER: return {makeable<CAsiInteger>(), [](int) { return make<CAsiInteger>(); }};
    case ASI_TYPE_SMALLINT: return {makeable<CAsiSmallint>(), [](int) { return make<CAsiSmallint>(); }};
    case ASI_TYPE_FLOAT: return {makeable<CAsiFloat>(), [](int) { return make<CAsiFloat>(); }};
    case ASI_TYPE_REAL: return {makeable<CAsiReal>(), [](int) { return make<CAsiReal>(); }};
    case ASI_TYPE_DOUBLE: return {makeable<CAsiDouble>(), [](int) { return make<CAsiDouble>(); }};
    case ASI_TYPE_IMPL: return {makeable<CAsiImplData>(), [](int) { return make<CAsiImplData>(); }};
    case ASI_TYPE_BIT: return {makeable<CAsiBit>(), [](int) { return make<CAsiBit>(); }};
    case ASI_TYPE_VARBIT: return {makeable<CAsiBit>(), [](int) { return make_varying<CAsiBit>(); }};
    case ASI_TYPE_POINT: return {makeable<CAsiPoint>(), [](int) { return make<CAsiPoint>(); }};
    case ASI_TYPE_DATETIME:
        switch (sub) {
        case ASI_DT_DATE: return {makeable<CAsiDate>(), [](int) { return make<CAsiDate>(); }};
        case ASI_DT_TIME: return {makeable<CAsiTime>(), [](int) { return make<CAsiTime>(); }};
        case ASI_DT_TIMESTAMP:
            return {makeable<CAsiTimeStamp>(), [](int) { return make<CAsiTimeStamp>(); }};
        default: return {false, nullptr};
        }
    case ASI_TYPE_INTERVAL:
        if (sub >= ASI_IV_YEAR && sub <= ASI_IV_MONTH)
            return {makeable<CAsiIntervalYM, int>(), [](int s) { return make<CAsiIntervalYM>(s); }};
        if (sub == ASI_IV_YEAR_TO_MONTH)
            return {makeable<CAsiIntervalYM, int>(), [](int s) { return make<CAsiIntervalYM>(s); }};
        if (sub >= ASI_IV_DAY && sub <= ASI_IV_MINUTE_TO_SECOND)
            return {makeable<CAsiIntervalDT, int>(), [](int s) { return make<CAsiIntervalDT>(s); }};
        return {false, nullptr};
    default: return {false, nullptr};
    }
}

/* Records and throws the missing class of a type code. */
[[noreturn]] void no_class(int type, int sub)
{
    char text[FACTORY_TEXT];
    std::snprintf(text, sizeof text, "values of SQL type %d (subtype %d) are not available", type, sub);
    if (CAsiDiagArea *d = asi_thread_diag()) {
        d->addCondition(ASI_ERR_NO_VALUE_CLASS);
        d->setCondText(CAsiUcStr(text));
        CAsiException e(ASI_ERR_NO_VALUE_CLASS, "asi_value_new", text);
        e.setRecorded(1);
        throw e;
    }
    asi_throw(ASI_ERR_NO_VALUE_CLASS, "asi_value_new", text);
}

} // namespace

/* A new null value of a type code. */
CAsiData *asi_value_new(int type, int sub)
{
    maker m = maker_of(type, sub);
    if (!m.known)
        no_class(type, sub);
    CAsiData *v = m.fn(sub);
    if (!v)
        asi_throw(ASI_ERR_NO_MEMORY, "asi_value_new");
    return v;
}

/* 1 when the type code has a class. */
int asi_value_known(int type, int sub) noexcept
{
    return maker_of(type, sub).known ? 1 : 0;
}

/* Writes a value's items. */
void asi_value_write(CAsiOStream &out, const CAsiData &v)
{
    int type = v.typeCode();
    int sub = type == ASI_TYPE_DATETIME ? v.datetimeCode() : type == ASI_TYPE_INTERVAL ? v.intervalCode() : 0;
    if (sub)
        out.putI32(ASI_TAG_SUBTYPE, sub);
    out.putI32(ASI_TAG_VALUE, type);
    v.pack(out);
}

/* Reads the value whose type item is current. */
CAsiData *asi_value_read(CAsiIStream &in, int sub)
{
    std::int32_t type = 0;
    if (!in.readI32(&type))
        asi_throw(ASI_ERR_STREAM, "asi_value_read", "bad type item");
    CAsiData *v = asi_value_new(type, sub);
    try {
        if (!v->unpack(in))
            asi_throw(ASI_ERR_STREAM, "asi_value_read", "value record refused");
    } catch (...) {
        delete v;
        throw;
    }
    return v;
}
