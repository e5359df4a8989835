/*
** ase_buf.h: CAseBuf, the sized byte buffer of the link client: packing
** the values of a chain into bytes, splitting bytes into binary chunks of
** extended data, and the packed records of a row read, converted and
** written by a list of column descriptors.
**
** Numbers in packed bytes are little-endian: a real is 8 bytes (IEEE
** double), a long 4 bytes; a text is its bytes and a NUL.
**
**     CAseBuf buf(&errs);
**     buf.packChain(reply, 0, 0);            // values from the cursor on
**     buf.toChunks(xdata);                   // 1004 chunks of 127 bytes
*/
#ifndef PV_LINKCLIENT_ASE_BUF_H
#define PV_LINKCLIENT_ASE_BUF_H

#include "linkclient/ase_obj.h"

class CAseResBuf;
class CAseList;

/* The most bytes of one binary chunk of extended data. */
constexpr int ASE_CHUNK_MAX = 127;

/* Bytes of a packed real and of a packed long. */
constexpr int ASE_PACKED_REAL = 8;
constexpr int ASE_PACKED_LONG = 4;

/* Message of (2, 27) for a value a record cannot hold: set 10, number 1. */
constexpr int ASE_MSG_SET_RECORD = 10;
constexpr int ASE_MSG_BAD_VALUE = 1;

/* Directions of convertRecord. */
constexpr int ASE_TO_TAGGED = 1;     /* texts into the tagged form */
constexpr int ASE_FROM_TAGGED = 0;   /* texts back into the library's code page */

class CAseBuf : public CAseObj {
public:
    explicit CAseBuf(CAseErrList *owner) noexcept;
    ~CAseBuf() override;

    /* --- CAseObj slots --- */
    int clear() override;
    int isA() const override { return ASE_CLASS_BUF; }
    int isKindOf(int n) const override { return n == ASE_CLASS_BUF; }
    void print() const override {}
    /* --- own slots --- */
    virtual int alloc(int size) noexcept;
    virtual int grow(int size) noexcept;
    /* 1 when there are bytes (a link path answers for its own storage). */
    virtual int isValid() const noexcept { return m_data && m_size >= 1; }

    int size() const noexcept { return m_size; }
    unsigned char *data() const noexcept { return m_data; }
    int assign(const CAseBuf *other) noexcept;
    int setBytes(const void *bytes, int length) noexcept;
    int packChain(CAseResBuf &chain, int chunked, int minimum) noexcept;
    int toChunks(CAseResBuf &chain, int length = -1) const noexcept;
    int unpackRecord(CAseResBuf &chain, CAseList &columns) const noexcept;
    int convertRecord(const CAseBuf &source, CAseList &columns, int direction) noexcept;
    int packRecord(CAseBuf &target, CAseList &columns, CAseResBuf &chain) const noexcept;

protected:
    int badValue() const noexcept;

    int m_size;                /* bytes allocated */
    unsigned char *m_data;     /* the bytes; owned, or null */
};

/* Little-endian packing of the record numbers. */
void ase_put_real(unsigned char *p, double v) noexcept;
void ase_put_long(unsigned char *p, long v) noexcept;
double ase_get_real(const unsigned char *p) noexcept;
long ase_get_long(const unsigned char *p) noexcept;

#endif
