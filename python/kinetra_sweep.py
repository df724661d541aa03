"""kinetra.sweep: a compare grid (setups x methods x time steps) on a Dask distributed cluster.

Each grid point is one run of kinetra.compare (the runs of ``kinetra-batch compare``) on one
worker; the table has one row per grid point in the order setups, methods, time steps, with the
columns of compare and ``setup`` first. A point whose setup cannot be loaded or whose values are
refused is a row too, with its error in ``result`` and NaN (or -1) in the numbers.
"""

import math

COLUMNS = ("setup", "method", "time_step", "steps", "force_evaluations", "final_time",
           "max_energy_drift", "final_energy_drift", "com_drift", "wall_seconds", "result")
_OPTIONS = ("cycles", "accuracy", "collisions", "max_steps", "tree")


def _points(grid):
    """The grid points: (setup, method, time step or None)."""
    import kinetra
    setups = grid.get("setups")
    if isinstance(setups, str) or not setups:
        raise ValueError("the grid needs a list of setups")
    if "until" not in grid:
        raise ValueError("the grid needs until")
    unknown = set(grid) - {"setups", "methods", "time_steps", "until"} - set(_OPTIONS)
    if unknown:
        raise ValueError("unknown grid keys: " + ", ".join(sorted(unknown)))
    methods = list(grid.get("methods") or kinetra.METHODS)
    steps = list(grid.get("time_steps") or [None])
    return [(str(s), m, dt) for s in setups for m in methods for dt in steps]


def _run(point, until, options):
    """One grid point as a row (a dict); a refusal becomes a row with its message."""
    import kinetra
    setup, method, step = point
    try:
        rows = kinetra.compare(setup, until, methods=[method],
                               time_steps=[] if step is None else [step], threads=1, **options)
        row = dict(rows[0])
    except Exception as error:  # the point's failure is its row, never the sweep's
        row = {"method": method, "time_step": math.nan, "steps": -1, "force_evaluations": -1,
               "final_time": math.nan, "max_energy_drift": math.nan, "final_energy_drift": math.nan,
               "com_drift": math.nan, "wall_seconds": math.nan,
               "result": "error: " + str(error)}
    row["setup"] = setup
    return row


def _table(rows):
    try:
        import pandas
        return pandas.DataFrame(rows, columns=list(COLUMNS))
    except ImportError:
        import numpy
        kinds = {"setup": object, "method": object, "result": object, "steps": numpy.int64,
                 "force_evaluations": numpy.int64}
        dtype = [(name, kinds.get(name, numpy.float64)) for name in COLUMNS]
        return numpy.array([tuple(row[name] for name in COLUMNS) for row in rows], dtype=dtype)


def sweep(grid, client=None):
    """Runs the compare grid on a Dask client and returns the table (pandas when available,
    else a numpy structured array), one row per grid point.

    grid: a dict with ``setups`` (setup file paths, readable on every worker), ``until`` (as
    compare's), optional ``methods`` (default all six) and ``time_steps`` (default the setup's),
    and compare's common settings ``cycles``, ``accuracy``, ``collisions``, ``max_steps`` and
    ``tree``. client: a ``distributed.Client``; None starts a local cluster for this sweep.
    """
    points = _points(grid)
    until = grid["until"]
    options = {key: grid[key] for key in _OPTIONS if key in grid}
    own = None
    if client is None:
        from distributed import Client, LocalCluster
        own = LocalCluster(n_workers=2, threads_per_worker=1, processes=True, dashboard_address=None)
        client = Client(own)
    try:
        futures = client.map(_run, points, until=until, options=options, pure=False)
        rows = client.gather(futures)
    finally:
        if own is not None:
            client.close()
            own.close()
    return _table(rows)
