#!/usr/bin/env python3
"""Writes Galaxies.knx: two disk galaxies of 10,000 stars each around central masses, meeting.

Reproducible as make_cluster.py is: the same fixed-seed generator and the setup file's number
format, so running this script again gives the same bytes.

    python3 examples/make_galaxies.py [--stars N] [OUTPUT]
                                      (default: 10000 stars a galaxy, Galaxies.knx beside this script)
"""

import argparse
import math
import os

from make_cluster import Lcg, general, vector

SEED = 20261208
CENTRAL_MASS = 1.0
DISK_MASS = 0.2            # the stars of one disk together
INNER, OUTER = 0.25, 1.5   # the disk's radii (closer stars would need a smaller time step)
SPACING = 0.01             # the least distance of two stars of a disk at the start


def disk(rng, stars, centre, velocity, tilt, colours):
    """A disk of `stars` on circular orbits about its central mass, tilted by `tilt` radians
    about the x axis; the stars' surface density falls off as 1 / r."""
    bodies = []
    star_mass = DISK_MASS / stars
    taken = {}  # grid of SPACING cells in the disk plane: no two stars closer than SPACING
    for i in range(stars):
        while True:
            r = INNER + (OUTER - INNER) * rng.uniform()
            phi = 2 * math.pi * rng.uniform()
            x, y = r * math.cos(phi), r * math.sin(phi)
            cell = (int(math.floor(x / SPACING)), int(math.floor(y / SPACING)))
            near = [taken.get((cell[0] + a, cell[1] + b)) for a in (-1, 0, 1) for b in (-1, 0, 1)]
            if all(q is None or math.hypot(q[0] - x, q[1] - y) >= SPACING for q in near):
                break
        taken[cell] = (x, y)
        # The mass inside r: the centre and the disk's stars inside (uniform in r).
        inside = CENTRAL_MASS + DISK_MASS * (r - INNER) / (OUTER - INNER)
        speed = math.sqrt(inside / r)
        p = [r * math.cos(phi), r * math.sin(phi), 0.0]
        v = [-speed * math.sin(phi), speed * math.cos(phi), 0.0]
        c, s = math.cos(tilt), math.sin(tilt)
        p = [p[0], c * p[1] - s * p[2], s * p[1] + c * p[2]]
        v = [v[0], c * v[1] - s * v[2], s * v[1] + c * v[2]]
        bodies.append((star_mass, [centre[k] + p[k] for k in range(3)],
                       [velocity[k] + v[k] for k in range(3)], colours[i % len(colours)]))
    return bodies


def main():
    parser = argparse.ArgumentParser(description="Writes two meeting disk galaxies as a setup file.")
    parser.add_argument("--stars", type=int, default=10000, help="stars a galaxy (default 10000)")
    parser.add_argument("output", nargs="?", help="the setup file (default: Galaxies.knx beside this script)")
    args = parser.parse_args()
    out = args.output or os.path.join(os.path.dirname(os.path.abspath(__file__)), "Galaxies.knx")
    rng = Lcg(SEED)
    # The centres 6 apart along x and 1.5 apart along y, coming together on about a parabolic
    # orbit of the two central masses and disks.
    total = 2 * (CENTRAL_MASS + DISK_MASS)
    approach = math.sqrt(2 * total / math.hypot(6.0, 1.5))
    a_centre, b_centre = [-3.0, -0.75, 0.0], [3.0, 0.75, 0.0]
    a_velocity, b_velocity = [approach / 2, 0.0, 0.0], [-approach / 2, 0.0, 0.0]
    bodies = [(CENTRAL_MASS, a_centre, a_velocity, 12)] + disk(rng, args.stars, a_centre, a_velocity, 0.0, [9, 11])
    bodies += [(CENTRAL_MASS, b_centre, b_velocity, 10)] + disk(rng, args.stars, b_centre, b_velocity,
                                                               math.pi / 3, [4, 13])
    lines = ["3", "5 1", "0.01", "", "Begin_Particles", ""]
    for i, (mass, p, v, colour) in enumerate(bodies):
        centre = mass == CENTRAL_MASS
        lines += [
            ("Centre %s" % "AB"[i // (args.stars + 1)]) if centre else "Star %d" % i,
            "%s 0" % general(mass),
            "0",
            vector(p),
            vector(v),
            "6" if centre else "1",
            str(colour),
            "FF",
            "",
        ]
    lines += ["End_Particles", "", "-2 1 0", "", "0 1", "60", "0 0 0", "Center of mass", ""]
    lines += [
        "Two disk galaxies of %d stars each, every disk around a central mass five times its own" % args.stars,
        "(G = 1), meet on about a parabolic orbit. Galaxy A (left) lies in the screen plane, galaxy B",
        "(right) is tilted by 60 degrees; both turn anticlockwise, and their centres pass each other",
        "at about t = 6. Watch the outer stars of each disk: the other galaxy pulls them into a long",
        "tidal tail on the far side and a bridge between the two, while the inner stars stay with",
        "their centre. Look at it also edge-on (screen axes x and z) to see B's tilted disk warp.",
        "",
        "With this many stars the exact forces take long (%d pair forces a cycle): the force tree" % (
            len(bodies) * (len(bodies) - 1) // 2),
        "makes it quick (kinetra-batch run --tree 0.5, or sim.tree = 0.5 in Python); its forces and",
        "energies are approximate. The stars are point masses without softening.",
        "Generated by make_galaxies.py (fixed seed); run the script to recreate it.",
    ]
    with open(out, "w", newline="") as f:
        f.write("\r\n".join(lines))


if __name__ == "__main__":
    main()
