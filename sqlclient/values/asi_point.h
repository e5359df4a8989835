/*
** asi_point.h: CAsiPoint, the POINT value (type code 16): two coordinates,
** x and y, and its SQL functions COORDINATE (point, n), DISTANCE (point,
** point) and ISNEAR (point, point, distance).
**
** Text form "(x,y)", each coordinate written like a DOUBLE PRECISION value;
** setText also reads "x,y" and "x y".  Literal POINT '(x,y)'.
**
**     CAsiPoint p;
**     p.setText("(1.5,2)", 7);
**     CAsiExtFunc *f = p.createFunction(CAsiUcStr("DISTANCE"));
*/
#ifndef PV_SQLCLIENT_VALUES_ASI_POINT_H
#define PV_SQLCLIENT_VALUES_ASI_POINT_H

#include "sqlclient/values/asi_data.h"
#include "sqlclient/values/asi_extfunc.h"

class CAsiPoint : public CAsiData {
public:
    /* A null point at (0,0). */
    CAsiPoint() noexcept : m_x(0.0), m_y(0.0) {}
    CAsiPoint(const CAsiPoint &other) = default;
    CAsiPoint &operator=(const CAsiPoint &other) = default;
    ~CAsiPoint() override;

    CAsiPoint *clone() const override;
    int packedSize() const override;
    int pack(CAsiOStream &out) const override;
    int unpack(CAsiIStream &in) override;
    int packedValueSize() const override;
    int packValue(CAsiOStream &out) const override;
    int unpackValue(CAsiIStream &in) override;
    int typeCode() const override { return ASI_TYPE_POINT; }
    unsigned displayLength() const override;
    int isUserDefined() const override { return 0; }
    int isComparable(const CAsiData *other) const override;
    int isAssignable(const CAsiData *other) const override;
    int isCastable(const CAsiData *other) const override;
    /* Equal coordinates; greater by x, then y. */
    int isEqual(const CAsiData &other) const override;
    int isGreater(const CAsiData &other) const override;
    /* COORDINATE, DISTANCE or ISNEAR (case ignored); null for another
    ** name or without memory. */
    CAsiExtFunc *createFunction(const CAsiUcStr &name) const override;
    int assign(const CAsiData &source) override;
    int setUcStr(const CAsiUcStr &text) override;
    int setText(const char *text, int length) override;
    int getUcStr(CAsiUcStr &out) const override;
    int getText(char *buf, int size) const override;
    int typeText(CAsiUcStr &out) const override;
    int literalText(CAsiUcStr &out) const override;

    /* Sets both coordinates and clears the null flag; 1. */
    int setPoint(double x, double y) noexcept;
    /* The coordinates; 0 when null. */
    int getPoint(double *x, double *y) const noexcept;

private:
    double m_x;   /* first coordinate */
    double m_y;   /* second coordinate */
};

#endif
