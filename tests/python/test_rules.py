# Refusals carry the program's messages and change nothing; a failed step raises the step
# driver's error and leaves the state where the driver left it.
import math
import os
import subprocess

import pytest

import kinetra
from conftest import DATA, EXAMPLES, batch

SETUP = str(DATA / "SunPlanet.knx")


# (setting, value, the kinetra-batch override that must refuse it alike, or the message)
SETTINGS = [
    ("time_step", 0, ["--dt", "0"]),
    ("time_step", "1/", ["--dt", "1/"]),
    ("time_step", "nosuchname*2", ["--dt", "nosuchname*2"]),
    ("time_step", "1E400", ["--dt", "1E400"]),
    ("cycles", 0, ["--cycles", "0"]),
    ("cycles", "2.5", ["--cycles", "2.5"]),
    ("accuracy", "1E-31", ["--accuracy", "1E-31"]),
    ("method", "Leapfrog", "Unknown method 'Leapfrog' (Euler, EulerCromer, Ralston, RK4, RKF or Stoermer)"),
    ("gravitational_constant", "sqrt(-1)", None),
    ("time_step", math.inf, "Invalid numeric input"),
]


@pytest.mark.parametrize("name, value, refusal", SETTINGS)
def test_refused_settings_keep_the_value(name, value, refusal):
    sim = kinetra.load(SETUP)
    before = getattr(sim, name)
    with pytest.raises(kinetra.Error) as error:
        setattr(sim, name, value)
    if isinstance(refusal, list):
        _, _, err = batch("check", SETUP, *refusal, check=False)
        assert f"error: {error.value}\n" == err
    elif refusal:
        assert str(error.value) == refusal
    assert getattr(sim, name) == before


def test_settings_read_as_the_dialog_reads_them():
    sim = kinetra.load(SETUP)
    kinetra.evaluate("n = 4")
    sim.cycles = "2*n"
    sim.time_step = 0.1 + 0.2  # through its 15-digit text, as typed into the dialog
    sim.method = "rkf"
    sim.power = -1
    sim.coulomb_coefficient = "1/(4*PI*E0)"
    assert (sim.cycles, sim.time_step, sim.method, sim.power) == (8, 0.3, "RKF", -1)
    assert sim.coulomb_coefficient == float(batch("eval", "1/(4*PI*E0)")[1])


# (particles already there, the particle added, message)
PARTICLES = [
    ([], dict(name="Dust", mass=0, position=[0, 0], velocity=[0, 0], charge=1),
     "Non-zero charge not allowed for massless particle"),
    ([dict(name="A", mass=1, position=[0, 0], velocity=[0, 0], radius=1)],
     dict(name="B", mass=1, position=[1.5, 0], velocity=[0, 0], radius=1), "Overlap with A."),
    ([dict(name="A", mass=1, position=[0, 0], velocity=[0, 0])],
     dict(name="B", mass=1, position=["0", "0"], velocity=[1, 0]), "Position already occupied by A."),
    ([], dict(name="C", mass=1, position=[0, 0, 0], velocity=[0, 0]), "position needs 2 components, not 3"),
    ([], dict(name="D", mass="1/", position=[0, 0], velocity=[0, 0]), None),
]


@pytest.mark.parametrize("present, particle, message", PARTICLES)
def test_refused_particles_leave_the_setup(present, particle, message):
    sim = kinetra.Simulation(2)
    for other in present:
        sim.add_particle(**other)
    with pytest.raises(kinetra.Error) as error:
        sim.add_particle(**particle)
    if message:
        assert str(error.value) == message
    assert len(sim) == len(present)


@pytest.mark.parametrize("dimensions, message", [(0, "Dimensionality must be at least one."),
                                                 (27, "Dimensionality must be at most 26.")])
def test_dimensions_of_a_new_setup(dimensions, message):
    with pytest.raises(kinetra.Error, match=message):
        kinetra.Simulation(dimensions)


def test_load_error_says_where():
    _, _, err = batch("run", DATA / "BadMass.knx", check=False)
    with pytest.raises(kinetra.Error) as error:
        kinetra.load(str(DATA / "BadMass.knx"))
    assert f"error: {error.value}\n  {error.value.place}\n" == err
    assert error.value.place.startswith(f"in {error.value.file}, line {error.value.line}, ")


def test_failed_step_keeps_what_the_cycle_wrote():
    sim = kinetra.load(str(DATA / "Overflow.knx"))
    _, _, err = batch("run", DATA / "Overflow.knx", check=False)
    with pytest.raises(kinetra.Error) as error:
        sim.step()
    assert f"error: {error.value}\n" == err == "error: Coordinate out of range\n"
    # The failing cycle's positions stay; the time counts only the cycles before it.
    assert sim.time == 0 and not math.isfinite(sim.positions[0, 0])
    sim.rewind()
    assert sim.time == 0 and sim.positions[0, 0] == 0


def test_step_limit_stops_as_batch_does():
    sim = kinetra.load(SETUP)
    code, _, err = batch("run", SETUP, "--until", 100, "--max-steps", 3, check=False)
    with pytest.raises(kinetra.Error) as error:
        sim.run_until(100, max_steps=3)
    assert code == 5 and f"error: {error.value}\n" == err


def test_collision_stops_with_the_report():
    sim = kinetra.load(str(DATA / "Collision.knx"))
    sim.collisions = True
    code, _, err = batch("run", DATA / "Collision.knx", "--collisions", "--steps", 1000, check=False)
    with pytest.raises(kinetra.Error) as error:
        sim.step(1000)
    assert code == 4 and f"{error.value}\n" == err
    assert 0.54 <= sim.time < 0.56


def test_render_writes_the_batch_tools_pictures(tmp_path):
    """kinetra.render draws what kinetra-batch render draws, byte for byte."""
    if not hasattr(kinetra, "render"):
        pytest.skip("the module was built without the drawing of animations")
    setup = os.path.join(os.environ["KINETRA_ROOT"], "examples", "FigureEight.knx")
    result = kinetra.render(setup, str(tmp_path / "py_%02d.png"), steps=20, every=10, size=(160, 120))
    assert result["frames"] == 2 and result["steps"] == 20 and result["stopped_by"] == ""
    subprocess.run([os.environ["KINETRA_BATCH"], "render", setup, str(tmp_path / "b_%02d.png"), "--steps", "20",
                    "--every", "10", "--size", "160x120"], check=True, capture_output=True)
    for i in range(2):
        assert (tmp_path / f"py_{i:02d}.png").read_bytes() == (tmp_path / f"b_{i:02d}.png").read_bytes()
    with pytest.raises(kinetra.Error, match="even width and height"):
        kinetra.render(setup, str(tmp_path / "odd.mp4"), steps=2, size=(161, 120))
    assert not (tmp_path / "odd.mp4").exists()
