/*
** asi_extfunc.h: CAsiExtFunc, the base of the SQL function objects a value
** type offers (the POINT functions COORDINATE, DISTANCE, ISNEAR), and
** CAsiFuncArgs, the argument list handed to an evaluation.
**
** The engine learns a function's name, result type and argument types, then
** evaluates it as a value function (evaluate fills a result value) or as a
** predicate (evaluatePredicate answers -1 unknown, 0 false, 1 true).
**
**     CAsiFuncArgs args(2);
**     args.set(0, &a); args.set(1, &b);
**     f->evaluate(args, result);
*/
#ifndef PV_SQLCLIENT_VALUES_ASI_EXTFUNC_H
#define PV_SQLCLIENT_VALUES_ASI_EXTFUNC_H

#include "sqlclient/base/asi_object.h"
#include "sqlclient/base/asi_ucstr.h"

class CAsiData;

/* The argument list of an evaluation: a counted array of pointers to the
** argument values (not owned). */
class CAsiFuncArgs : public CAsiObject {
public:
    /* An empty list. */
    CAsiFuncArgs() noexcept : m_items(nullptr), m_count(0) {}
    /* A list of n entries, all empty (null); a bad n (negative or too large)
    ** raises ASI_ERR_BAD_ARGUMENT, no memory 0xA008. */
    explicit CAsiFuncArgs(int n);
    /* Same count, a new array with the same entries (the values shared). */
    CAsiFuncArgs(const CAsiFuncArgs &other);
    CAsiFuncArgs &operator=(const CAsiFuncArgs &other);
    ~CAsiFuncArgs() override;

    /* A new copy sharing the argument values; null without memory. */
    CAsiFuncArgs *clone() const override;
    /* Frees the array; the list becomes empty. */
    void release() override;

    /* Entry i, or null when i < 0 or i >= count. */
    CAsiData *at(int i) const noexcept;
    /* Sets entry i; 1, or 0 when i is out of range. */
    int set(int i, CAsiData *value) noexcept;
    int count() const noexcept { return m_count; }

private:
    CAsiData **m_items;   /* counted array of count entries, or null */
    int m_count;          /* number of entries */
};

class CAsiExtFunc : public CAsiObject {
public:
    CAsiExtFunc() noexcept {}
    ~CAsiExtFunc() override;

    /* Writes the function's SQL name. */
    virtual void name(CAsiUcStr &out) const = 0;
    /* A new value of the result type, owned by the caller. */
    virtual CAsiData *resultType() const = 0;
    /* The number of arguments. */
    virtual int argumentCount() const = 0;
    /* A new value of argument i's type, owned by the caller; null when i is
    ** out of range. */
    virtual CAsiData *argumentType(int i) const = 0;
    /* 1 for a predicate, 0 for a value function. */
    virtual int isPredicate() const = 0;
    /* -1, 0 or 1; the base answers -1 (unknown). */
    virtual int evaluatePredicate(const CAsiFuncArgs &args) const;
    /* Computes the function into result; the store's answer.  The base
    ** answers 0 and leaves result untouched. */
    virtual int evaluate(const CAsiFuncArgs &args, CAsiData &result) const;

    /* Takes one parameter of a derived function; the base ignores it. */
    void setParameter(int n) noexcept { (void)n; }
};

#endif
