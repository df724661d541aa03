# Setups built in Python: saved, loaded back and saved again byte for byte, read alike by
# kinetra-batch, and stepped to the same bits once loaded; numpy shapes from 1 to 26 dimensions.
import numpy as np
import pytest

import kinetra
from conftest import ROOT, batch


def three_body():
    sim = kinetra.Simulation(3)
    sim.method = "RK4"
    sim.time_step = "1/1000"
    sim.add_particle("Star", 1, [0, 0, 0], [0, 0, 0], radius=0.05, colour=3)
    sim.add_particle("Planet", "1E-3", [1, 0, 0], [0, "sqrt(1.001)", 0], charge=1e-4, radius=0.01)
    sim.add_particle("Moon", 1e-5, [1.01, 0, 0.001], [0, 1.3, 0.01], trail=True, image_radius=4)
    sim.notes = "Three bodies built in Python."
    return sim


def test_saved_setup_loads_back_byte_for_byte(tmp_path):
    built = three_body()
    first = built.save(tmp_path / "ThreeBody")  # any path object
    assert first.endswith("ThreeBody.knx")
    loaded = kinetra.load(first)
    loaded.save(tmp_path / "again.knx")
    batch("save", first, tmp_path / "by_batch.knx")
    text = (tmp_path / "ThreeBody.knx").read_bytes()
    assert (tmp_path / "again.knx").read_bytes() == text
    assert (tmp_path / "by_batch.knx").read_bytes() == text
    assert loaded.names == ["Star", "Planet", "Moon"] and loaded.notes.startswith("Three bodies")
    built.step(5)
    loaded.step(5)
    assert np.array_equal(built.positions, loaded.positions)
    assert np.array_equal(built.velocities, loaded.velocities)


@pytest.mark.parametrize("name", kinetra.METHODS)
def test_every_method_is_offered_saved_and_loaded(tmp_path, name):
    # Any case sets it; the file keeps it and batch reads it.
    sim = three_body()
    sim.method = name.lower()
    path = sim.save(tmp_path / "m.knx")
    _, out, _ = batch("check", path)
    assert f"method {name}\n" in out
    loaded = kinetra.load(path)
    assert loaded.method == name
    loaded.step(2)
    ahead = loaded.time
    loaded.reverse()
    loaded.step()
    assert loaded.time < ahead


def test_compare_runs_every_method_by_default():
    table = kinetra.compare(str(ROOT / "examples" / "SunPlanet.knx"), 0.01)
    assert tuple(row["method"] for row in table) == kinetra.METHODS
    with pytest.raises(kinetra.Error, match=", ".join(kinetra.METHODS[:-1]) + " or " + kinetra.METHODS[-1]):
        kinetra.Simulation(1).method = "Leapfrog"


@pytest.mark.parametrize("dimensions", [1, 2, 3, 26])
def test_shapes(dimensions):
    sim = kinetra.Simulation(dimensions)
    for i in range(2):
        sim.add_particle(f"P{i}", 1 + i, [i] * dimensions, [0.5 * i] * dimensions)
    sim.step()
    assert sim.positions.shape == sim.velocities.shape == (2, dimensions)
    assert sim.positions.dtype == np.float64
    assert sim.masses.shape == sim.charges.shape == sim.radii.shape == (2,)
    assert sim.momentum().shape == (dimensions,)
    angular = sim.angular_momentum()
    assert {2: isinstance(angular, float), 3: getattr(angular, "shape", None) == (3,)}.get(
        dimensions, angular is None)
    # Copies: writing into them changes nothing.
    sim.positions[0, 0] = 99
    assert sim.positions[0, 0] != 99


def test_readme_lines_run(monkeypatch, capsys):
    text = (ROOT / "README.md").read_text()
    block = text.split("## Python", 1)[1].split("```python\n", 1)[1].split("```", 1)[0]
    assert len(block.splitlines()) == 5
    monkeypatch.chdir(ROOT)
    exec(compile(block, "README.md", "exec"), {})
    assert "Stoermer" in capsys.readouterr().out


@pytest.mark.parametrize("name,units", [("InnerSolarSystem", "SI"), ("BinaryStar", "dimensionless")])
def test_units_follow_the_force_law(name, units):
    assert kinetra.load(ROOT / "examples" / f"{name}.knx").units == units
