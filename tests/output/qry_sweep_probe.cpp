/*
** qry_sweep_probe.cpp: reads closed rings from standard input, one a line
** ("x1 y1 x2 y2 ... xn yn", the last point repeating the first), and
** answers for each a line "1" when the query AREA sweep finds the ring
** simple, "0" when it finds two edges touching or crossing. Used by
** qry_sweep_check.py against an independent geometry library.
*/
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

#include "output/query/qry_geometry.h"

int main()
{
  std::string line;
  while (std::getline(std::cin, line)) {
    std::istringstream in(line);
    std::vector<geo_point> ring;
    double x, y;
    while (in >> x >> y) ring.push_back(geo_point{x, y, 0, 0});
    if (ring.empty()) continue;
    std::cout << qry_ring_is_simple(ring.data(), (int)ring.size()) << "\n";
  }
  return 0;
}
