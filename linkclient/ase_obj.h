/*
** ase_obj.h: CAseObj, the root of the link client's value classes, their
** class numbers, the error categories and codes they report, and the frame
** helper every method uses around calls into the SQL client engine.
**
** Every object points to the error list (CAseErrList) that receives its
** failures; an error list points to itself.  Objects are allocated from the
** engine's memory manager: a new-expression yields null when memory is
** exhausted.
**
**     CAseStr *s = new CAseStr(errs);           // null without memory
**     int ok = ase_guard(errs, 0, [&] { ...engine calls...; return 1; });
*/
#ifndef PV_LINKCLIENT_ASE_OBJ_H
#define PV_LINKCLIENT_ASE_OBJ_H

#include <cstddef>
#include <new>
#include <utility>

#include "sqlclient/base/asi_except.h"

class CAseErrList;

/* Class numbers answered by isA. */
constexpr int ASE_CLASS_LIST = 0;      /* CAseList */
constexpr int ASE_CLASS_RESBUF = 1;    /* CAseResBuf */
constexpr int ASE_CLASS_COLDSC = 2;    /* CAseColDsc */
constexpr int ASE_CLASS_PATH = 3;      /* CAsePath */
constexpr int ASE_CLASS_BUF = 4;       /* CAseBuf */
constexpr int ASE_CLASS_STR = 5;       /* CAseStr */
constexpr int ASE_CLASS_ERRLIST = 6;   /* CAseErrList */
constexpr int ASE_CLASS_MSGFILE = 7;   /* CAseMsgFile */
constexpr int ASE_CLASS_DBROW = 32;    /* CAseDbRow */

/* compare: the two objects cannot be compared. */
constexpr int ASE_CMP_NONE = -2;

/* Error categories. */
constexpr int ASE_CAT_ARGUMENT = 1;    /* bad argument or size */
constexpr int ASE_CAT_SYSTEM = 2;      /* memory, data and list failures */
constexpr int ASE_CAT_SQL = 4;         /* a condition copied from the SQL client */
constexpr int ASE_CAT_HOST = 8;        /* the host service and descriptors */

/* Error codes (with their usual category). */
constexpr int ASE_ERR_BAD_ARGUMENT = 1;   /* (1, 1) bad size or argument */
constexpr int ASE_ERR_NO_ROW = 1;         /* (2, 1) the row has no columns */
constexpr int ASE_ERR_NO_MEMORY = 2;      /* (2, 2) out of memory */
constexpr int ASE_ERR_TOO_MANY = 4;       /* (2, 4) too many errors */
constexpr int ASE_ERR_BAD_DATA = 27;      /* (2, 27) a value of a wrong type */
constexpr int ASE_ERR_CODEPAGE = 34;      /* (2, 34) unknown code page name */
constexpr int ASE_ERR_HOST_FAILED = 901;  /* (8, 901) host operation or null argument */
constexpr int ASE_ERR_NOT_READY = 902;    /* (8, 902) object not initialised */
constexpr int ASE_ERR_NO_SERVICE = 903;   /* (8, 903) host service missing */
constexpr int ASE_ERR_BAD_ATTR = 904;     /* (8, 904) attribute code outside the table */
constexpr int ASE_ERR_NO_MSGFILE = 905;   /* (8, 905) message file cannot be opened */

class CAseObj {
public:
    /* An object reporting into owner (null: nowhere). */
    explicit CAseObj(CAseErrList *owner) noexcept : m_owner(owner) {}
    CAseObj(const CAseObj &) = delete;
    CAseObj &operator=(const CAseObj &) = delete;

    /* --- virtual slots in order --- */
    virtual ~CAseObj();
    /* Empties the object; 1 on success, 0 on failure. */
    virtual int clear() = 0;
    /* The class number (ASE_CLASS_...). */
    virtual int isA() const = 0;
    /* 1 when n names this object's class. */
    virtual int isKindOf(int n) const = 0;
    /* A new copy owned by the caller; the root answers null. */
    virtual CAseObj *clone() const;
    /* Takes the content of other; the root copies nothing and answers 1. */
    virtual int copyFrom(const CAseObj *other);
    /* Orders against other: -1, 0, 1; the root answers 0 for the same object
    ** and ASE_CMP_NONE otherwise. */
    virtual int compare(const CAseObj *other) const;
    /* A debug dump on the host's text screen. */
    virtual void print() const = 0;

    /* The error list that receives this object's failures, or null. */
    CAseErrList *owner() const noexcept { return m_owner; }
    void setOwner(CAseErrList *owner) noexcept { m_owner = owner; }

    /* Adds the item (category, code, text) to the owner's error list;
    ** answers 0 always, so that failures read "return error(...)". */
    int error(int category, int code, const char *text = nullptr) const noexcept;

    /* Engine allocation: null when memory is exhausted. */
    static void *operator new(std::size_t n) noexcept;
    static void operator delete(void *p) noexcept;

protected:
    /* The end of every clone: fills copy (just made by new, maybe null)
    ** from this object with copyFrom.  The copy; null with (2, 2) when it
    ** could not be made, null (the copy deleted) when copyFrom gives 0. */
    CAseObj *cloneInto(CAseObj *copy) const;
    /* Writes catalogue message (set, number) of the owner's list into buf
    ** of size bytes as multibyte text, cut and terminated; "" without an
    ** owner or when the message cannot be read.  Answers buf. */
    char *messageInto(int set, int number, char *buf, int size) const noexcept;

    CAseErrList *m_owner;   /* receives this object's errors; not owned */
};

/* Loads a caught engine exception into the error list as items (null list:
** nothing); out of memory becomes (2, 2). */
void ase_errs_from_exception(CAseErrList *errs, const CAsiException &e) noexcept;
void ase_errs_no_memory(CAseErrList *errs) noexcept;

/* Runs body() inside a CAsiTryFrame and answers its result.  An engine
** exception is handled there: its conditions become items of errs (when
** errs is given) and the answer is fail.  Nothing propagates. */
template <class R, class F>
R ase_guard(CAseErrList *errs, R fail, F &&body) noexcept
{
    CAsiTryFrame frame;
    try {
        return std::forward<F>(body)();
    } catch (const CAsiException &e) {
        frame.take(e);
        ase_errs_from_exception(errs, e);
        frame.handled();
    } catch (const std::bad_alloc &) {
        ase_errs_no_memory(errs);
    } catch (...) {
        ase_errs_from_exception(errs, CAsiException(ASI_ERR_GENERAL, "link client"));
    }
    return fail;
}

#endif
