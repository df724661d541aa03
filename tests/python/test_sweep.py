"""kinetra.sweep on a local Dask cluster of 2 workers gives, point for point, the rows of
kinetra-batch compare for the same grid (wall_seconds aside); a failing point is a row. The
force tree's run setting: the same bits from kinetra-batch and Python, and its refusals."""
import math

import pytest

import kinetra
from conftest import DATA, EXAMPLES, batch, csv_rows

distributed = pytest.importorskip("distributed")


def test_sweep_rows_are_those_of_compare():
    setups = [str(EXAMPLES / "SunPlanet.knx"), str(EXAMPLES / "BinaryStar.knx")]
    grid = {"setups": setups + [str(DATA / "missing.knx")], "methods": ["RK4", "Stoermer"],
            "time_steps": ["0.01", "0.005"], "until": 0.5}
    with distributed.LocalCluster(n_workers=2, threads_per_worker=1, dashboard_address=None) as cluster, \
            distributed.Client(cluster) as client:
        table = kinetra.sweep(grid, client=client)
    rows = table.to_dict("records") if hasattr(table, "to_dict") else \
        [dict(zip(table.dtype.names, row)) for row in table.tolist()]
    assert len(rows) == 12
    for k, setup in enumerate(setups):
        _, out, _ = batch("compare", setup, "--until", "0.5", "--methods", "RK4,Stoermer", "--dt", "0.01,0.005")
        for expected, row in zip(csv_rows(out), rows[4 * k:4 * k + 4]):
            assert row["setup"] == setup
            for key, value in expected.items():
                if key in ("wall_seconds",):
                    continue
                if key in ("method", "result"):
                    assert row[key] == value, key
                else:
                    assert float(row[key]) == float(value), key
    for row in rows[8:]:
        assert row["result"].startswith("error: ") and math.isnan(row["final_time"])


@pytest.mark.parametrize("theta,message", [(0, "opening angle"), (-1, "opening angle"),
                                           (float("nan"), "opening angle"), (1.6, "opening angle")])
def test_bad_opening_angles_are_refused(theta, message):
    sim = kinetra.load(EXAMPLES / "Cluster1000.knx")
    with pytest.raises(kinetra.Error, match=message):
        sim.tree = theta
    assert sim.tree is None


def test_tree_gives_the_bits_of_kinetra_batch():
    path = EXAMPLES / "Cluster1000.knx"
    _, out, err = batch("run", path, "--tree", "0.5", "--steps", "3")
    assert "approximate" in err
    sim = kinetra.load(path)
    sim.tree = 0.5
    sim.step(3)
    last = csv_rows(out)[-1]
    assert float(last["total"]) == sim.energies()[2]
    sim4 = kinetra.load(EXAMPLES / "Orbits4D.knx")
    with pytest.raises(kinetra.Error, match="1, 2 and 3 dimensions"):
        sim4.tree = 0.5
