#!/usr/bin/env python3
"""What a Python step() call costs beyond the step itself, against the same steps in kinetra-batch.

    PYTHONPATH=build/python python3 bench/python_step.py [BATCH] [SETUP] [STEPS]

BATCH defaults to build/batch/kinetra-batch, SETUP to tests/data/SunPlanet.knx (2 particles,
2D), STEPS to 1000000. Each variant runs with Euler and one cycle (the cheapest step, so the
call's own cost shows) and with the setup's own method and cycles; the best of five runs counts.
kinetra-batch runs with a record only at the start and end; its start-up (--steps 0) is
subtracted.
"""
import subprocess
import sys
import time
from pathlib import Path

import kinetra

ROOT = Path(__file__).resolve().parent.parent
BATCH = sys.argv[1] if len(sys.argv) > 1 else str(ROOT / "build" / "batch" / "kinetra-batch")
SETUP = sys.argv[2] if len(sys.argv) > 2 else str(ROOT / "tests" / "data" / "SunPlanet.knx")
STEPS = int(sys.argv[3]) if len(sys.argv) > 3 else 1_000_000


def best(run, repeats=5):
    times = []
    for _ in range(repeats):
        start = time.perf_counter()
        run()
        times.append(time.perf_counter() - start)
    return min(times)


def simulation(settings):
    sim = kinetra.load(SETUP, threads=1)
    for name, value in settings.items():
        setattr(sim, name, value)
    sim.step(0)  # prepared before the clock starts
    return sim


def python_calls(settings):
    sim = simulation(settings)
    step = sim.step
    return best(lambda: [step() for _ in range(STEPS)]) / STEPS


def python_one_call(settings):
    sim = simulation(settings)
    return best(lambda: sim.step(STEPS)) / STEPS


def batch(settings, steps):
    args = [BATCH, "run", SETUP, "--threads", "1", "--steps", str(steps), "--every", str(10 * STEPS)]
    if "method" in settings:
        args += ["--method", settings["method"], "--cycles", str(settings["cycles"])]
    return best(lambda: subprocess.run(args, check=True, stdout=subprocess.DEVNULL))


for label, settings in [("Euler, 1 cycle", {"method": "Euler", "cycles": 1}), ("setup's own", {})]:
    per_batch = (batch(settings, STEPS) - batch(settings, 0)) / STEPS
    per_one_call = python_one_call(settings)
    per_call = python_calls(settings)
    print(f"{label:15}  kinetra-batch {per_batch * 1e9:7.1f} ns/step   step({STEPS}) {per_one_call * 1e9:7.1f} ns/step"
          f"   step() {per_call * 1e9:7.1f} ns/call   binding {(per_call - per_one_call) * 1e9:6.1f} ns/call")
