/*
** tile_util.cpp: tile values as integers, index lists and texts.
*/
#include "core/tile_util.h"

#include <cstdlib>
#include <cstring>

#include "core/err_text.h"
#include "core/str_util.h"

/* Reads the tile as an integer; -1 when blank or not a number. */
int tile_get_int(ads_hdlg dialog, const char *key)
{
    char buf[TILE_BUF_SIZE];
    if (!dialog || !key || ads_get_tile(dialog, key, buf, sizeof buf) != RTNORM) return -1;
    str_trim(buf);
    if (!buf[0]) return -1;
    char *end = nullptr;
    long v = std::strtol(buf, &end, 10);
    if (end == buf) return -1;
    return (int)v;
}

/* Reads a list tile's selected indexes into a new array; see the header. */
int tile_get_int_list(ads_hdlg dialog, const char *key, int **out, int *count)
{
    if (!dialog || !key || !out || !count) return RTERROR;
    *out = nullptr;
    *count = 0;
    char buf[TILE_BUF_SIZE];
    if (ads_get_tile(dialog, key, buf, sizeof buf) != RTNORM) return RTERROR;
    /* At most one index per two characters of the value. */
    int room = (int)std::strlen(buf) / 2 + 1;
    int *list = (int *)std::malloc(sizeof(int) * (size_t)room);
    if (!list) return RTERROR;
    int n = 0;
    for (char *tok = std::strtok(buf, " \r\t\n"); tok && n < room; tok = std::strtok(nullptr, " \r\t\n"))
        list[n++] = std::atoi(tok);
    if (n == 0) {
        std::free(list);
        list = nullptr;
    }
    *out = list;
    *count = n;
    return RTNORM;
}

/* Reads a list tile's one selected index; see the header. */
int tile_get_one_index(ads_hdlg dialog, const char *key)
{
    int *list = nullptr, count = 0;
    if (tile_get_int_list(dialog, key, &list, &count) != RTNORM) {
        err_report(ERR_BAD_SELECTION, nullptr);
        return ERR_BAD_SELECTION;
    }
    int index = count == 1 ? list[0] : -1;
    std::free(list);
    if (count == 1 && index >= 0) return index;
    int code = count > 1 ? ERR_MANY_SELECTED : ERR_NONE_SELECTED;
    err_report(code, nullptr);
    return code;
}

/* Reads the tile's text; 5100 when it is not blank, else -1. */
int tile_get_str(ads_hdlg dialog, const char *key, char *buffer)
{
    if (!dialog || !key || !buffer) return -1;
    buffer[0] = '\0';
    if (ads_get_tile(dialog, key, buffer, TILE_BUF_SIZE) != RTNORM) return -1;
    return str_nonblank(buffer) == RTNORM ? RTNORM : -1;
}
