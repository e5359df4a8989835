/*
** asi_message.h: a driver message read into its parts.
**
** Requests and replies share one item vocabulary (asi_transport.h), so one
** reader serves both sides: it walks the items of a body and keeps what it
** finds; values are made by the value factory.  A condition begins with an
** ASI_TAG_COND item; the SQLSTATE, message and warning items that follow
** belong to it.
**
**     CAsiMessage m;
**     m.parse(body.data(), body.length());
**     for (asi_msg_cond &c : m.conds) ...;
*/
#ifndef PV_SQLCLIENT_ASI_MESSAGE_H
#define PV_SQLCLIENT_ASI_MESSAGE_H

#include <cstdint>
#include <vector>

#include "sqlclient/asi_transport.h"
#include "sqlclient/base/asi_ucstr.h"
#include "sqlclient/values/asi_data.h"

/* Values of a message or a row, each owned by the list's owner. */
typedef std::vector<CAsiData *> asi_value_list;

/* Deletes the values of a list and empties it. */
void asi_value_list_free(asi_value_list &list) noexcept;

/* One condition of a reply. */
struct asi_msg_cond {
    int native;              /* native code of the driver */
    int warning;             /* 1 for a completion condition */
    CAsiUcStr sqlstate;      /* five characters, or empty */
    CAsiUcStr message;       /* message text, or empty */
};

/* Where one further row of a fetch reply lies in the message's block
** bytes, and its number as the driver gave it. */
struct asi_msg_block_row {
    std::uint32_t offset;    /* first byte in CAsiMessage::blockBytes */
    std::uint32_t length;    /* bytes of the row's items */
};

/* One result column described by a reply. */
struct asi_msg_column {
    CAsiUcStr name;          /* column name */
    int nullable;            /* 1 when the column may be null */
    CAsiData *type;          /* null value of the column's type, owned */
};

class CAsiMessage {
public:
    CAsiMessage() noexcept {}
    ~CAsiMessage();
    CAsiMessage(const CAsiMessage &) = delete;
    CAsiMessage &operator=(const CAsiMessage &) = delete;

    /* Reads a body of len bytes; the parts found are kept below.  Raises
    ** ASI_ERR_STREAM for a damaged body and ASI_ERR_NO_VALUE_CLASS for a
    ** value type this build lacks. */
    void parse(const unsigned char *data, std::size_t len);

    /* Empties every part. */
    void clear() noexcept;

    int id = 0;                     /* ASI_TAG_ID */
    int id2 = 0;                    /* ASI_TAG_ID2 */
    int orientation = 0;            /* ASI_TAG_ORIENT */
    int offset = 0;                 /* ASI_TAG_OFFSET */
    int function = 0;               /* ASI_TAG_FUNCTION */
    int params = 0;                 /* ASI_TAG_PARAMS */
    int rowCount = 0;               /* ASI_TAG_ROWCOUNT */
    int row = 0;                    /* ASI_TAG_ROW: 0 when no row came */
    int block = 0;                  /* ASI_TAG_BLOCK: further rows asked for */
    int result = -1;                /* ASI_TAG_RESULT: rows of a whole result answered, -1 when none */
    std::vector<int> releases;      /* ASI_TAG_RELEASE: statements to forget first */
    CAsiUcStr name;                 /* ASI_TAG_NAME */
    CAsiUcStr user;                 /* ASI_TAG_USER */
    CAsiUcStr password;             /* ASI_TAG_PASSWORD */
    std::vector<asi_msg_cond> conds;      /* conditions, in order */
    std::vector<asi_msg_column> columns;  /* described columns */
    asi_value_list values;          /* values not part of a column */
    std::vector<unsigned char> blockBytes;       /* the further rows' items, undecoded */
    std::vector<asi_msg_block_row> blockRows;    /* each further row in blockBytes, in order */
};

#endif
