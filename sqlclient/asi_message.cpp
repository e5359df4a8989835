/*
** asi_message.cpp: reading a driver message into its parts.
*/
#include "sqlclient/asi_message.h"

#include "sqlclient/asi_valfactory.h"
#include "sqlclient/base/asi_except.h"

/* Deletes the values of a list. */
void asi_value_list_free(asi_value_list &list) noexcept
{
    for (CAsiData *v : list)
        delete v;
    list.clear();
}

/* Frees the values. */
CAsiMessage::~CAsiMessage()
{
    clear();
}

/* Empties every part. */
void CAsiMessage::clear() noexcept
{
    id = id2 = orientation = offset = function = params = rowCount = row = block = 0;
    result = -1;
    releases.clear();
    blockBytes.clear();
    blockRows.clear();
    name.clear();
    user.clear();
    password.clear();
    conds.clear();
    for (asi_msg_column &c : columns)
        delete c.type;
    columns.clear();
    asi_value_list_free(values);
}

namespace {

/* The current item as a 32-bit integer; raises ASI_ERR_STREAM otherwise. */
int item_int(const CAsiIStream &in)
{
    std::int32_t v = 0;
    if (!in.readI32(&v))
        asi_throw(ASI_ERR_STREAM, "CAsiMessage", "integer item expected");
    return v;
}

/* The current item as a string; raises ASI_ERR_STREAM otherwise. */
CAsiUcStr item_text(const CAsiIStream &in)
{
    CAsiUcStr s;
    if (!in.readUcStr(s))
        asi_throw(ASI_ERR_STREAM, "CAsiMessage", "text item expected");
    return s;
}

/* The condition the items refer to; raises when none was begun. */
asi_msg_cond &last_cond(std::vector<asi_msg_cond> &conds)
{
    if (conds.empty())
        asi_throw(ASI_ERR_STREAM, "CAsiMessage", "condition item without a condition");
    return conds.back();
}

} // namespace

/* Reads a body into its parts. */
void CAsiMessage::parse(const unsigned char *data, std::size_t len)
{
    clear();
    CAsiIStream in(data, len);
    int sub = 0;
    bool columnOpen = false;   /* an ASI_TAG_COLUMN waits for its type */
    while (in.position() < in.messageSize()) {
        switch (in.nextTag()) {
        case ASI_TAG_ID: id = item_int(in); break;
        case ASI_TAG_ID2: id2 = item_int(in); break;
        case ASI_TAG_ORIENT: orientation = item_int(in); break;
        case ASI_TAG_OFFSET: offset = item_int(in); break;
        case ASI_TAG_FUNCTION: function = item_int(in); break;
        case ASI_TAG_PARAMS: params = item_int(in); break;
        case ASI_TAG_ROWCOUNT: rowCount = item_int(in); break;
        case ASI_TAG_ROW: row = item_int(in); break;
        case ASI_TAG_BLOCK: block = item_int(in); break;
        case ASI_TAG_RESULT: result = item_int(in); break;
        case ASI_TAG_RELEASE: releases.push_back(item_int(in)); break;
        case ASI_TAG_BLOCK_ROW: {
            /* Kept undecoded: each further row is read when it is fetched,
            ** so that a damaged one fails its own fetch only. */
            int n = 0;
            const unsigned char *p = in.data(&n);
            if (in.itemType() != ASI_ITEM_BYTES)
                asi_throw(ASI_ERR_STREAM, "CAsiMessage", "block row item expected");
            if (blockRows.empty())
                blockBytes.reserve(len);   /* the rows take less than the body */
            blockRows.push_back(asi_msg_block_row{(std::uint32_t)blockBytes.size(), (std::uint32_t)n});
            blockBytes.insert(blockBytes.end(), p, p + n);
            break;
        }
        case ASI_TAG_NAME: name = item_text(in); break;
        case ASI_TAG_USER: user = item_text(in); break;
        case ASI_TAG_PASSWORD: password = item_text(in); break;
        case ASI_TAG_COLUMN:
            if (columnOpen)
                asi_throw(ASI_ERR_STREAM, "CAsiMessage", "column without a type");
            columns.push_back(asi_msg_column{item_text(in), 1, nullptr});
            columnOpen = true;
            break;
        case ASI_TAG_NULLABLE:
            if (columns.empty())
                asi_throw(ASI_ERR_STREAM, "CAsiMessage", "nullable item without a column");
            columns.back().nullable = item_int(in);
            break;
        case ASI_TAG_SUBTYPE: sub = item_int(in); break;
        case ASI_TAG_VALUE: {
            CAsiData *v = asi_value_read(in, sub);
            sub = 0;
            if (columnOpen) {
                columns.back().type = v;
                columnOpen = false;
            } else {
                try {
                    values.push_back(v);
                } catch (...) {
                    delete v;
                    throw;
                }
            }
            break;
        }
        case ASI_TAG_COND: conds.push_back(asi_msg_cond{item_int(in), 0, CAsiUcStr(), CAsiUcStr()}); break;
        case ASI_TAG_SQLSTATE: last_cond(conds).sqlstate = item_text(in); break;
        case ASI_TAG_MESSAGE: last_cond(conds).message = item_text(in); break;
        case ASI_TAG_WARNING: last_cond(conds).warning = item_int(in); break;
        default: break;   /* an item of a later version: passed over */
        }
    }
    if (columnOpen)
        asi_throw(ASI_ERR_STREAM, "CAsiMessage", "column without a type");
}
