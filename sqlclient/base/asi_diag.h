/*
** asi_diag.h: the diagnostics area and the SQLSTATE condition helpers.
**
** A diagnostics area holds condition records, each with a native code, a
** message text and numbered items (integers or texts).  Conditions are coded
** in 16 bits: the SQLSTATE class in the high byte, read as two hexadecimal
** digits, and the subclass in the low byte, read as a number of three
** digits, so 0x2203 is SQLSTATE 22003 and 0x0108 is 01008.  Engine codes
** (0xA008...) follow the same reading ("A0008").
**
** While an interface call runs, the calling thread has a current
** diagnostics area (asi_try_call installs the handle's area); asi_raise_state
** and asi_warn_state record their conditions there.
**
**     asi_warn_state(0x2201);          // string data, right truncation
**     asi_raise_state(0x2203);         // recorded, then thrown
*/
#ifndef PV_SQLCLIENT_BASE_ASI_DIAG_H
#define PV_SQLCLIENT_BASE_ASI_DIAG_H

#include "sqlclient/base/asi_object.h"
#include "sqlclient/base/asi_ucstr.h"

/* Length of an SQLSTATE text without its terminator. */
constexpr int ASI_SQLSTATE_LEN = 5;

/* Item ids of the link client's condition records. */
constexpr int ASI_ITEM_LINK_CATEGORY = 1025;
constexpr int ASI_ITEM_LINK_CODE = 1026;
/* The item that keeps the SQLSTATE a driver gave with its condition. */
constexpr int ASI_ITEM_SQLSTATE = 1030;

/* The message set of the engine's condition texts in asiloc.xmx. */
constexpr int ASI_MSG_SET_CONDITIONS = 1;

/* Writes the SQLSTATE of a condition code into out (6 bytes: five
** characters and a terminator) and answers out. */
char *asi_sqlstate_text(int code, char out[ASI_SQLSTATE_LEN + 1]) noexcept;

/* One item of a condition record. */
struct asi_diag_item {
    int id;              /* item id */
    int isText;          /* 1: the text below, 0: the number */
    int number;          /* numeric value */
    CAsiUcStr text;      /* text value */
};

/* One condition record. */
struct asi_diag_rec {
    int code;                /* native condition code */
    CAsiUcStr message;       /* message text */
    int itemCount;           /* items in use */
    asi_diag_item *items;    /* asi_malloc'd array of itemCount, or null */
};

class CAsiDiagArea : public CAsiObject {
public:
    /* An empty area. */
    CAsiDiagArea() noexcept;
    CAsiDiagArea(const CAsiDiagArea &other);
    CAsiDiagArea &operator=(const CAsiDiagArea &other);
    ~CAsiDiagArea() override;

    /* A new copy of the area, null without memory. */
    CAsiDiagArea *clone() const override;

    /* Releases all records; reset does nothing to an area that holds none
    ** (every C call starts with it). */
    void release() override;
    void reset()
    {
        if (m_recs)
            release();
    }

    /* Replaces the records by copies of another area's. */
    void assign(const CAsiDiagArea &other);

    /* Number of condition records. */
    int count() const noexcept { return m_count; }

    /* Starts a new condition record with a native code, its message text
    ** empty; it becomes the current record.  Answers its index. */
    int addCondition(int code);

    /* Adds an integer item or a text item to the current record (replacing
    ** an item of the same id); 1, or 0 when there is no record. */
    int addNumItem(int item, int value);
    int addTextItem(int item, const CAsiUcStr &value);

    /* Sets the current record's message text; 1, or 0 without a record. */
    int setCondText(const CAsiUcStr &text);

    /* Completes the current record: an empty message text becomes the
    ** default text of its code.  1, or 0 without a record. */
    int complete();

    /* Appends a copy of record i of another area; 1, or 0 when i is out of
    ** range. */
    int appendRecord(const CAsiDiagArea &other, int i);

    /* Record i (from 0): its native code, 0 when out of range. */
    int condCode(int i) const noexcept;

    /* Record i's message text into out; 1, or 0 (out emptied) when out of
    ** range. */
    int condText(int i, CAsiUcStr &out) const;

    /* Record i's SQLSTATE into out (6 bytes); 1, or 0 (out "") when out of
    ** range. */
    int condSqlstate(int i, char out[ASI_SQLSTATE_LEN + 1]) const noexcept;

    /* Record i's integer item; 0 when absent or out of range. */
    int condNumItem(int i, int item) const noexcept;

    /* Record i's text item into out; 1, or 0 (out emptied) when absent. */
    int condTextItem(int i, int item, CAsiUcStr &out) const;

    /* Record i's item of either kind into out as text (a number in
    ** decimal); 1, or 0 (out emptied) when absent. */
    int condItem(int i, int item, CAsiUcStr &out) const;

    /* The message text of a code: from the message catalogue asiloc.xmx when
    ** it can be found, else from the built-in texts, else "Error %d" with
    ** the code.  Answers 1 when a text was found, 0 for the fallback. */
    static int defaultText(int code, CAsiUcStr &out);

private:
    /* Makes room for one more record; throws 0xA008. */
    void grow();

    int m_count;            /* records in use */
    int m_capacity;         /* records allocated */
    asi_diag_rec *m_recs;   /* asi_malloc'd records, or null */
};

/* The calling thread's current diagnostics area, or null. */
CAsiDiagArea *asi_thread_diag() noexcept;

/* Records the condition in the thread's diagnostics area when there is one
** and throws the code to the innermost exception frame; does not return. */
[[noreturn]] void asi_raise_state(int code);

/* Records the warning condition in the thread's diagnostics area when there
** is one, and returns. */
void asi_warn_state(int code) noexcept;

#endif
