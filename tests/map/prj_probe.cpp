/*
** prj_probe.cpp: a small command reader over the coordinate lists, for the
** checks against other programs (proj_cs2cs_check.py, xfrm_gcp_check.py).
** Reads commands from standard input, one a line, and answers on standard
** output; names hold no blanks ("_" in a unit name stands for a blank).
**
**   datum WGS84 6378137 6356752.314245179
**   proj UTM31 WGS84 meters UTM 31 0.9996 0 0 0 0 0 0
**   conv GEOGRAPHIC_WGS84 UTM31 3.5 45.25      -> "500000.0000000000 ..."
**   xform T LOCAL GRID 2 6 x1 y1 x2 y2 ...      -> "ok" or "refused"
*/
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <sstream>
#include <string>

#include "coords/prj_list.h"
#include "coords/prj_transform.h"
#include "coords/xfrm_fit.h"
#include "coords/xfrm_list.h"

/* Answers the text with every "_" turned into a blank. */
static std::string probe_blanks(std::string s) {
  for (char& c : s)
    if (c == '_') c = ' ';
  return s;
}

int main() {
  std::string line;
  std::cout.precision(12);
  while (std::getline(std::cin, line)) {
    std::istringstream in(line);
    std::string cmd;
    if (!(in >> cmd)) continue;
    if (cmd == "datum") {
      std::string name;
      dtm_rec* d = dtm_new();
      in >> name >> d->a_m >> d->b_m;
      prj_name_copy(d->name, name.c_str());
      if (!dtm_insert(d)) {
        std::free(d);
        std::cout << "refused\n";
        continue;
      }
      prj_add_builtin_systems();
      std::cout << "ok\n";
    } else if (cmd == "proj") {
      std::string name, datum, units, type;
      prj_rec* p = prj_new();
      in >> name >> datum >> units >> type >> p->zone >> p->scale >> p->origin.x >> p->origin.y >>
          p->false_origin.x >> p->false_origin.y >> p->parallels.x >> p->parallels.y;
      prj_name_copy(p->name, probe_blanks(name).c_str());
      prj_name_copy(p->dtm_name, probe_blanks(datum).c_str());
      prj_name_copy(p->units_name, probe_blanks(units).c_str());
      prj_name_copy(p->type_name, type.c_str());
      if (!prj_insert(p)) {
        std::free(p);
        std::cout << "refused\n";
      } else {
        std::cout << "ok\n";
      }
    } else if (cmd == "xform") {
      std::string name, p1, p2;
      int degree = 0, count = 0;
      in >> name >> p1 >> p2 >> degree >> count;
      xfrm_rec* t = xfrm_new();
      prj_name_copy(t->name, name.c_str());
      prj_name_copy(t->prj_name1, probe_blanks(p1).c_str());
      prj_name_copy(t->prj_name2, probe_blanks(p2).c_str());
      t->degree = degree;
      if (!xfrm_alloc_points(t, count)) {
        xfrm_free(t);
        std::cout << "refused\n";
        continue;
      }
      for (int i = 0; i < count; ++i) in >> t->src[i].x >> t->src[i].y >> t->dst[i].x >> t->dst[i].y;
      if (!xfrm_fit(t) || !xfrm_insert(t)) {
        xfrm_free(t);
        std::cout << "refused\n";
      } else {
        std::cout << "ok\n";
      }
    } else if (cmd == "conv") {
      std::string from, to;
      geo_point a = {0, 0, 0, 0}, b = {0, 0, 0, 0};
      in >> from >> to >> a.x >> a.y;
      prj_rec* pf = prj_find(probe_blanks(from).c_str(), nullptr);
      prj_rec* pt = prj_find(probe_blanks(to).c_str(), nullptr);
      if (!pf || !pt || !prj_transform_point(&a, pf, &b, pt)) {
        std::cout << "fail\n";
      } else {
        char buf[128];
        std::snprintf(buf, sizeof buf, "%.12f %.12f\n", b.x, b.y);
        std::cout << buf;
      }
    } else {
      std::cout << "unknown\n";
    }
  }
  xfrm_list_free();
  prj_list_free();
  dtm_list_free();
  return 0;
}
