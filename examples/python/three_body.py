#!/usr/bin/env python3
"""Builds the Pythagorean three-body problem in Python and saves it as a Kinetra setup: masses
3, 4 and 5 at rest on the corners of a right triangle with sides 3, 4 and 5 (G = 1), each body
opposite the side of its own length. They fall together, meet in close encounters and finally
fling apart, a classic test for an integrator.

    python3 three_body.py [OUT.knx]      then: kinetra OUT.knx
"""
import sys

import kinetra

OUT = sys.argv[1] if len(sys.argv) > 1 else "Pythagorean.knx"

sim = kinetra.Simulation(2)
sim.gravitational_constant = 1
sim.method = "RKF"
sim.accuracy = "1E-12"
sim.time_step = "1/1000"
sim.cycles = 10
sim.scale = 60  # pixels per unit length in the window
sim.add_particle("Three", 3, [1, 3], [0, 0], colour=1, trail=True)
sim.add_particle("Four", 4, [-2, -1], [0, 0], colour=2, trail=True)
sim.add_particle("Five", 5, [1, -1], [0, 0], colour=3, trail=True)
sim.notes = ("The Pythagorean three-body problem: masses 3, 4 and 5 start at rest on the corners "
             "of a 3-4-5 triangle, G = 1. Built by examples/python/three_body.py.")

kinetic, potential, total = sim.energies()
print(sim)
print(f"energy at t = 0: {total:.15g}")
sim.run_until(10)
print(f"t = {sim.time:.4g}: energy {sim.energies()[2]:.15g}, positions\n{sim.positions}")

written = sim.save(OUT)
again = kinetra.load(written)
assert again.names == ["Three", "Four", "Five"] and again.energies()[2] == total
print("saved", written)
