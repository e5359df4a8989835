"""The query AREA sweep against shapely's is_simple on a thousand random
closed rings drawn on a small grid, so that touching vertices, vertices
on other edges and collinear edges are frequent.

    qry_sweep_check.py PROBE
"""
import math
import random
import subprocess
import sys

from shapely.geometry import LinearRing

RINGS = 1000
SEED = 44


def random_ring(rng):
    """A ring of 3 to 9 corners on a 6 x 6 grid, or a star-shaped ring with
    corners snapped to the grid (mostly simple, often with collinear
    edges); no point repeats the one before it."""
    while True:
        n = rng.randint(3, 9)
        if rng.random() < 0.5:
            pts = [(rng.randint(0, 5), rng.randint(0, 5)) for _ in range(n)]
        else:
            angles = sorted(rng.uniform(0, 2 * math.pi) for _ in range(n))
            pts = []
            for a in angles:
                r = rng.uniform(1, 3)
                pts.append((round(3 + r * math.cos(a)), round(3 + r * math.sin(a))))
        ring = []
        for p in pts:
            if not ring or ring[-1] != p:
                ring.append(p)
        while len(ring) > 1 and ring[-1] == ring[0]:
            ring.pop()
        if len(set(ring)) >= 3:
            return ring + [ring[0]]


def main():
    probe = sys.argv[1]
    rng = random.Random(SEED)
    rings = [random_ring(rng) for _ in range(RINGS)]
    text = "".join(" ".join(f"{x} {y}" for x, y in r) + "\n" for r in rings)
    out = subprocess.run([probe], input=text, capture_output=True, text=True, check=True).stdout.split()
    if len(out) != len(rings):
        print(f"probe answered {len(out)} rings of {len(rings)}")
        return 1
    wrong = 0
    simple = 0
    for ring, got in zip(rings, out):
        want = LinearRing(ring).is_simple
        simple += want
        if (got == "1") != want:
            wrong += 1
            if wrong <= 10:
                print(f"ring {ring}: sweep says {'simple' if got == '1' else 'crossing'}, shapely {want}")
    print(f"{len(rings)} rings, {simple} simple, {wrong} disagree")
    if simple < RINGS // 5 or simple > RINGS - RINGS // 5:
        print("the sample does not mix simple and crossing rings enough")
        return 1
    return 1 if wrong else 0


if __name__ == "__main__":
    sys.exit(main())
