/*
** asi_point.cpp: the POINT value and its three SQL functions.
**
** Stream items: tag 0 x and tag 1 y (8-byte floats) when not null, then the
** end item carrying 16.
**
** The functions: COORDINATE (point, n) answers x for n = 1 and y for n = 2
** as DOUBLE PRECISION (another n raises 22003); DISTANCE (point, point) the
** plane distance; ISNEAR (point, point, distance) is true when the two lie
** within the distance.  A null argument gives a null result, or unknown
** (-1) for ISNEAR.
*/
#include "sqlclient/values/asi_point.h"

#include <cmath>
#include <cstdio>
#include <cstring>

#include "sqlclient/base/asi_diag.h"
#include "sqlclient/base/asi_except.h"
#include "sqlclient/base/asi_number.h"
#include "sqlclient/values/asi_double.h"

namespace {

constexpr int TAG_X = 0;
constexpr int TAG_Y = 1;
constexpr int POINT_END_VALUE = ASI_TYPE_POINT;

constexpr int STATE_OUT_OF_RANGE = 0x2203;
constexpr int STATE_BAD_CAST_TEXT = 0x2212;
constexpr int STATE_CANNOT_CAST = 0x379B;

/* Longest point text: two coordinates, parentheses and a comma. */
constexpr int POINT_TEXT_MAX = 2 * ASI_APPROX_UCS_BUF + 4;

/* Reads a point argument; 1 with its coordinates, 0 when absent or null. */
int arg_point(const CAsiFuncArgs &args, int i, double *x, double *y)
{
    const CAsiPoint *p = dynamic_cast<const CAsiPoint *>(args.at(i));
    return p && p->getPoint(x, y);
}

/* Reads a numeric argument; 1 with its value, 0 when absent or null. */
int arg_number(const CAsiFuncArgs &args, int i, double *v)
{
    const CAsiData *d = args.at(i);
    return d && d->isNumeric() && d->getDouble(v);
}

/* The three functions share their shape: a name, argument kinds (1 point,
** 0 number), a result kind. */
class CAsiPointFunc : public CAsiExtFunc {
public:
    enum Kind { COORDINATE, DISTANCE, ISNEAR };

    explicit CAsiPointFunc(Kind kind) noexcept : m_kind(kind) {}

    CAsiPointFunc *clone() const override { return new CAsiPointFunc(m_kind); }

    void name(CAsiUcStr &out) const override
    {
        static const char *names[] = {"COORDINATE", "DISTANCE", "ISNEAR"};
        out = names[m_kind];
    }

    CAsiData *resultType() const override
    {
        return m_kind == ISNEAR ? nullptr : new CAsiDouble();
    }

    int argumentCount() const override { return m_kind == ISNEAR ? 3 : 2; }

    CAsiData *argumentType(int i) const override
    {
        if (i < 0 || i >= argumentCount())
            return nullptr;
        int isPoint = (i == 0) || (i == 1 && m_kind != COORDINATE);
        if (isPoint)
            return new CAsiPoint();
        return new CAsiDouble();
    }

    int isPredicate() const override { return m_kind == ISNEAR; }

    /* ISNEAR: -1 with a null argument, else whether the distance is within
    ** the limit. */
    int evaluatePredicate(const CAsiFuncArgs &args) const override
    {
        if (m_kind != ISNEAR)
            return CAsiExtFunc::evaluatePredicate(args);
        double ax, ay, bx, by, limit;
        if (!arg_point(args, 0, &ax, &ay) || !arg_point(args, 1, &bx, &by) ||
            !arg_number(args, 2, &limit))
            return -1;
        return std::hypot(ax - bx, ay - by) <= limit ? 1 : 0;
    }

    /* COORDINATE and DISTANCE into the result; a null argument makes the
    ** result null. */
    int evaluate(const CAsiFuncArgs &args, CAsiData &result) const override
    {
        double ax, ay, bx, by, n;
        if (m_kind == COORDINATE) {
            if (!arg_point(args, 0, &ax, &ay) || !arg_number(args, 1, &n)) {
                result.setNull();
                return 1;
            }
            if (n != 1.0 && n != 2.0)
                asi_raise_state(STATE_OUT_OF_RANGE);
            return result.setDouble(n == 1.0 ? ax : ay);
        }
        if (m_kind == DISTANCE) {
            if (!arg_point(args, 0, &ax, &ay) || !arg_point(args, 1, &bx, &by)) {
                result.setNull();
                return 1;
            }
            return result.setDouble(std::hypot(ax - bx, ay - by));
        }
        return CAsiExtFunc::evaluate(args, result);
    }

private:
    Kind m_kind;   /* which function */
};

} // namespace

/* Destroys the object; the bases free what they own. */
CAsiPoint::~CAsiPoint() {}

/* A new copy; null without memory. */
CAsiPoint *CAsiPoint::clone() const
{
    return new CAsiPoint(*this);
}

/* "(" two coordinates of up to 25 characters, "," and ")". */
unsigned CAsiPoint::displayLength() const
{
    return 2 * ASI_APPROX_DISPLAY + 3;
}

/* 1 for a value of the same kind, else 0. */
int CAsiPoint::isComparable(const CAsiData *other) const
{
    return other && other->typeCode() == ASI_TYPE_POINT;
}

/* 1 for a value of the same kind, else 0. */
int CAsiPoint::isAssignable(const CAsiData *other) const
{
    return isComparable(other);
}

/* 1 when the other value can be cast to this type, else 0. */
int CAsiPoint::isCastable(const CAsiData *other) const
{
    return other && (other->typeCode() == ASI_TYPE_POINT || other->isCharacter());
}

/* 1 when equal, 0 when not, -1 when a value is null or of another kind. */
int CAsiPoint::isEqual(const CAsiData &other) const
{
    const CAsiPoint *o = dynamic_cast<const CAsiPoint *>(&other);
    if (m_null || !o || o->m_null)
        return -1;
    return m_x == o->m_x && m_y == o->m_y;
}

/* 1 when this value is greater, 0 when not, -1 when a value is null or of another kind. */
int CAsiPoint::isGreater(const CAsiData &other) const
{
    const CAsiPoint *o = dynamic_cast<const CAsiPoint *>(&other);
    if (m_null || !o || o->m_null)
        return -1;
    return m_x > o->m_x || (m_x == o->m_x && m_y > o->m_y);
}

/* The point's functions by name. */
CAsiExtFunc *CAsiPoint::createFunction(const CAsiUcStr &name) const
{
    if (!name.compareNoCase("COORDINATE"))
        return new CAsiPointFunc(CAsiPointFunc::COORDINATE);
    if (!name.compareNoCase("DISTANCE"))
        return new CAsiPointFunc(CAsiPointFunc::DISTANCE);
    if (!name.compareNoCase("ISNEAR"))
        return new CAsiPointFunc(CAsiPointFunc::ISNEAR);
    return nullptr;
}

/* Sets both coordinates and clears the null flag; 1. */
int CAsiPoint::setPoint(double x, double y) noexcept
{
    m_x = x;
    m_y = y;
    m_null = 0;
    return 1;
}

/* The coordinates; 0 when null. */
int CAsiPoint::getPoint(double *x, double *y) const noexcept
{
    if (m_null)
        return 0;
    if (x) *x = m_x;
    if (y) *y = m_y;
    return 1;
}

/* From another point or text. */
int CAsiPoint::assign(const CAsiData &source)
{
    if (&source == this)
        return 1;
    if (source.isNull()) {
        m_null = 1;
        return 1;
    }
    if (const CAsiPoint *o = dynamic_cast<const CAsiPoint *>(&source))
        return setPoint(o->m_x, o->m_y);
    if (source.isCharacter()) {
        char buf[ASI_DATA_TEXT_BUF] = {0};
        source.getText(buf, sizeof buf);
        return setText(buf, (int)std::strlen(buf));
    }
    asi_raise_state(STATE_CANNOT_CAST);
}

/* "(x,y)", "x,y" or "x y"; 22018 for anything else. */
int CAsiPoint::setText(const char *text, int length)
{
    char buf[POINT_TEXT_MAX + 1];
    asi_text_copy(buf, POINT_TEXT_MAX, text, length);
    char *p = asi_strip_char(buf, ' ');
    int len = (int)std::strlen(p);
    if (len >= 2 && p[0] == '(' && p[len - 1] == ')') {
        p[len - 1] = '\0';
        p++;
    }
    char *sep = std::strchr(p, ',');
    if (!sep) {
        char *q = asi_strip_char(p, ' ');
        sep = std::strchr(q, ' ');
        p = q;
    }
    if (!sep)
        asi_raise_state(STATE_BAD_CAST_TEXT);
    *sep = '\0';
    double x, y;
    char *first = asi_strip_char(p, ' ');
    char *second = sep + 1;
    while (*second == ' ')
        second++;
    if (!asi_approx_parse_text(first, -1, &x) || !asi_approx_parse_text(second, -1, &y))
        asi_raise_state(STATE_BAD_CAST_TEXT);
    return setPoint(x, y);
}

/* Sets the value from a string through its multibyte text, as setText. */
int CAsiPoint::setUcStr(const CAsiUcStr &text)
{
    char buf[POINT_TEXT_MAX + 1];
    text.toMb(buf, sizeof buf);
    return setText(buf, (int)std::strlen(buf));
}

/* "(x,y)". */
int CAsiPoint::getText(char *buf, int size) const
{
    if (!buf || size < 1)
        return 0;
    if (m_null) {
        buf[0] = '\0';
        return 0;
    }
    char x[ASI_APPROX_UCS_BUF], y[ASI_APPROX_UCS_BUF], text[POINT_TEXT_MAX + 1];
    asi_approx_text(m_x, x, sizeof x);
    asi_approx_text(m_y, y, sizeof y);
    std::snprintf(text, sizeof text, "(%s,%s)", x, y);
    std::snprintf(buf, (std::size_t)size, "%s", text);
    return 1;
}

/* The text of getText as a string; 0 when null. */
int CAsiPoint::getUcStr(CAsiUcStr &out) const
{
    char buf[POINT_TEXT_MAX + 1];
    if (!getText(buf, sizeof buf))
        return 0;
    out = buf;
    return 1;
}

/* The SQL type's name; 1. */
int CAsiPoint::typeText(CAsiUcStr &out) const
{
    out = "POINT";
    return 1;
}

/* POINT '(x,y)'. */
int CAsiPoint::literalText(CAsiUcStr &out) const
{
    if (m_null) {
        out = "null";
        return 0;
    }
    CAsiUcStr text;
    getUcStr(text);
    out = "POINT '";
    out.append(text);
    out.append(u'\'');
    return 1;
}

/* The byte count of pack, measured with a counting stream. */
int CAsiPoint::packedSize() const
{
    CAsiOStream counter;
    return pack(counter);
}

/* Writes the value's items and the end item; answers the stream's length. */
int CAsiPoint::pack(CAsiOStream &out) const
{
    if (!m_null) {
        out.putF64(TAG_X, m_x);
        out.putF64(TAG_Y, m_y);
    }
    out.putEnd(POINT_END_VALUE);
    return out.length();
}

/* Reads the items; a point needs both coordinates. */
int CAsiPoint::unpack(CAsiIStream &in)
{
    m_null = 1;
    int got = 0;
    double x = 0.0, y = 0.0;
    for (int tag = in.nextTag(); tag != ASI_STREAM_END; tag = in.nextTag()) {
        if (tag == TAG_X || tag == TAG_Y) {
            if (!in.readF64(tag == TAG_X ? &x : &y))
                asi_throw(ASI_ERR_STREAM, "CAsiPoint::unpack", "bad coordinate");
            got |= 1 << tag;
        }
    }
    if (got == 3)
        setPoint(x, y);
    else if (got)
        asi_throw(ASI_ERR_STREAM, "CAsiPoint::unpack", "a coordinate is missing");
    return 1;
}

/* The value items are the whole record: as packedSize, pack and unpack. */
int CAsiPoint::packedValueSize() const { return packedSize(); }
int CAsiPoint::packValue(CAsiOStream &out) const { return pack(out); }
int CAsiPoint::unpackValue(CAsiIStream &in) { return unpack(in); }
