#!/usr/bin/env python3
"""Kinetra's six numerical methods on the SunPlanet example: each method runs one orbit at three
time steps, and the largest energy drift is plotted against the cost (force evaluations).

    python3 sunplanet_methods.py [PICTURE.png]

Without a display, matplotlib draws into the file only (MPLBACKEND=Agg).
"""
import sys
from pathlib import Path

import matplotlib.pyplot as plt

import kinetra

SETUP = Path(__file__).resolve().parent.parent / "SunPlanet.knx"
PICTURE = sys.argv[1] if len(sys.argv) > 1 else "sunplanet_methods.png"

sim = kinetra.load(str(SETUP))
print(sim, "energies (kinetic, potential, total):", sim.energies())

# One orbit of the planet (period 2*PI in the setup's units), every method at three time steps.
# RKF chooses its own steps to meet the setup's accuracy, so its three runs nearly coincide.
table = kinetra.compare(str(SETUP), until="2*PI", time_steps=["0.02", "0.01", "0.005"])

print(f"{'method':10} {'time step':>10} {'evaluations':>12} {'max drift':>12}  result")
for row in table:
    print(f"{row['method']:10} {row['time_step']:10.4g} {row['force_evaluations']:12d} "
          f"{row['max_energy_drift']:12.3e}  {row['result']}")

fig, ax = plt.subplots(figsize=(7, 5))
for method in kinetra.METHODS:
    rows = [row for row in table if row["method"] == method and row["result"] == "ok"]
    ax.loglog([row["force_evaluations"] for row in rows],
              [max(row["max_energy_drift"], 1e-17) for row in rows], "o-", label=method)
ax.set_xlabel("force evaluations (cost)")
ax.set_ylabel("largest relative energy drift")
ax.set_title("SunPlanet, one orbit")
ax.grid(True, which="both", alpha=0.3)
ax.legend()
fig.savefig(PICTURE, dpi=100, bbox_inches="tight")
print("saved", PICTURE)
if plt.get_backend().lower() != "agg":
    plt.show()
