# The module steps a setup to the same bits as kinetra-batch: every real of every record, for
# every method, forwards and backwards, with settings given as expression texts, on several
# threads, until a time, and in the method comparison.
import pytest

import kinetra
from conftest import BATCH, DATA, EXAMPLES, batch, csv_rows

STEPS = 12


def python_records(sim, steps):
    """The columns of kinetra-batch run --state for steps 0..steps, as floats."""
    records = []
    for step in range(steps + 1):
        if step:
            sim.step()
        kinetic, potential, total = sim.energies()
        records.append([float(step), sim.time, sim.signed_step, kinetic, potential, total,
                        *sim.positions.ravel(), *sim.velocities.ravel()])
    return records


def batch_records(*args):
    _, out, _ = batch("run", *args, "--state")
    return [[float(value) for value in row.values()] for row in csv_rows(out)]


# (setup, kinetra-batch options, what the module does to the loaded simulation)
CASES = [
    (EXAMPLES / "Coulomb.knx", ["--dt", "1/2000", "--cycles", "2+1"],
     lambda sim: (setattr(sim, "time_step", "1/2000"), setattr(sim, "cycles", "2+1"))),
    (EXAMPLES / "Orbits4D.knx", ["--backwards"], lambda sim: sim.reverse()),
    (DATA / "SunPlanet.knx", ["--accuracy", "1E-9", "--collisions"],
     lambda sim: (setattr(sim, "accuracy", 1e-9), setattr(sim, "collisions", True))),
]


@pytest.mark.parametrize("method", kinetra.METHODS)
@pytest.mark.parametrize("setup, options, change", CASES, ids=[case[0].stem for case in CASES])
def test_every_real_as_batch(method, setup, options, change):
    sim = kinetra.load(setup)
    sim.method = method
    change(sim)
    expected = batch_records(setup, "--method", method, "--steps", STEPS, *options)
    assert python_records(sim, STEPS) == expected


def test_threads_give_the_same_bits():
    # 1000 particles: the force evaluation is shared out from 256 particles on.
    sim = kinetra.load(str(EXAMPLES / "Cluster1000.knx"), threads=2)
    assert sim.threads == 2
    sim.step(2)
    last = batch_records(EXAMPLES / "Cluster1000.knx", "--steps", 2, "--threads", 1)[-1]
    assert [*sim.positions.ravel(), *sim.velocities.ravel()] == last[6:]


@pytest.mark.parametrize("until, method", [("6", "RK4"), ("2*PI", "RKF")])
def test_run_until_stops_where_batch_does(until, method):
    # 6 lies on the step grid of 0.02, reached within rounding; RKF lands its last step on T.
    sim = kinetra.load(EXAMPLES / "SunPlanet.knx")
    sim.method = method
    steps = sim.run_until(until)
    rows = batch_records(EXAMPLES / "SunPlanet.knx", "--method", method, "--until", until)
    assert steps == len(rows) - 1
    assert [sim.time, *sim.positions.ravel(), *sim.velocities.ravel()] == [rows[-1][1], *rows[-1][6:]]


def test_rkf_lands_on_every_until_time_and_goes_on_after():
    sim = kinetra.load(EXAMPLES / "SunPlanet.knx")
    sim.method = "RKF"
    for until in (0.3, "1", 2.5):
        sim.run_until(until)
        assert sim.time == float(until)
    sim.step()
    assert sim.time > 2.5


def test_compare_gives_batch_table():
    _, out, _ = batch("compare", EXAMPLES / "Coulomb.knx", "--until", "0.05", "--dt", "0.001,1/2000",
                      "--methods", "Euler,RKF,Stoermer", check=False)
    table = kinetra.compare(str(EXAMPLES / "Coulomb.knx"), 0.05, methods=["Euler", "RKF", "Stoermer"],
                            time_steps=[0.001, "1/2000"])
    expected = csv_rows(out)
    assert [row["method"] for row in table] == ["Euler", "Euler", "RKF", "RKF", "Stoermer", "Stoermer"]
    for row, want in zip(table, expected, strict=True):
        for key, text in want.items():
            if key == "wall_seconds":
                continue
            assert row[key] == (text if key in ("method", "result") else type(row[key])(float(text))), key
