/*
** point_dialog.h: the point dialog "pv_edit_point" and the command
** pv_point that shows a picked point in it.
**
** The dialog shows a point in a display coordinate system (easting and
** northing, or latitude and longitude typed as decimal degrees or as
** degrees, minutes and seconds), with its latitude and longitude, and on
** accept converts what was typed into a target system.
**
**     geo_point in = {615230.5, 5620410.0, 455.2, 0.0}, out;
**     if (pv_edit_point_dialog(&in, utm, &out, utm, 1) == RTNORM) ...
*/
#ifndef PV_DATA_POINT_DIALOG_H
#define PV_DATA_POINT_DIALOG_H

#include "coords/geo_point.h"
#include "coords/prj_list.h"
#include "platform/include/ads_host.h"

/* What point_check_dms checks a triple as. */
enum point_dms_kind {
    POINT_DMS_LATITUDE = 0,    /* degrees at most 90 either way */
    POINT_DMS_LONGITUDE = 1    /* degrees at most 180 either way */
};

/* The command: asks for a point, converts it from the user system to the
** world system and shows it in the dialog in the map's coordinate system,
** with its elevation. Answers 0; -1 when the pick is cancelled or the point
** cannot be converted ("Cannot convert this point from UCS to WCS"); -2
** when the map has no coordinate system ("No map projection defined"). */
int pv_point(struct resbuf *args);

/* Runs the dialog on point, shown in the display system; on accept out
** holds the typed point converted into the target system (its z the typed
** elevation, or point's z without elevation), on cancel a copy of point's
** x, y and z. A point typed as (0, 0) is not converted and leaves out as
** it was. Answers 5100 when the dialog ended by accept or cancel, -5001
** otherwise; -2 when an argument is missing; -1 when the display system
** is not in the list or the dialog cannot be loaded ("Cannot load dialog
** box: %s."). */
int pv_edit_point_dialog(const geo_point *point, prj_rec *display, geo_point *out, prj_rec *target,
                         int elevation);

/* Reads one coordinate typed in tile index (0 the X tile, 1 the Y tile,
** 2 the elevation) of a system of the given type into point. In a
** geographic system the X tile holds the latitude (stored as y) and the Y
** tile the longitude (stored as x), typed as decimal degrees, as
** "d m s", as "d m' s\"" or as "d s\""; elsewhere, and for the elevation,
** the first number (0 when none). Answers 0; -9701 to -9704 for degrees,
** minutes or seconds out of range (point unchanged); -2 for an index
** outside 0..2, a type outside 0..5 or a missing argument. */
int point_parse_coord(const char *text, geo_point *point, int index, int type);

/* Checks degrees, minutes and seconds: -9701 for a latitude beyond 90,
** -9702 for a longitude beyond 180, -9703 for minutes outside 0..60,
** -9704 for seconds outside 0..60; 0 when sound (the limits included). */
int point_check_dms(const double dms[3], int kind);

/* The latitude and longitude texts of the dialog: " %.6lf  ,  %.6lf" and
** "d m' s.sss\",d m' s.sss\"" (an angle between -1 and 0 keeps its
** minus sign as "-0"). Each buffer holds size bytes. */
void point_latlong_texts(double latitude, double longitude, char *dd, char *dms, int size);

#endif
