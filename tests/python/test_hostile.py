# What a careless or hostile caller meets: wrong types, bytes that are no UTF-8, NUL in a path,
# names the file cannot hold, Ctrl+C during a long compare, a machine without threads; and after a
# failed step or save the simulation is where it was.
import os
import signal
import subprocess
import sys
import textwrap
import time

import pytest

import kinetra
from conftest import DATA, EXAMPLES, batch

SETUP = str(DATA / "SunPlanet.knx")


def child(code, **limits):
    """Starts a Python process running `code` with kinetra importable, under resource limits."""
    def limit():
        import resource
        for name, value in limits.items():
            resource.setrlimit(getattr(resource, name), (value, value))
    env = dict(os.environ, OPENBLAS_NUM_THREADS="1")
    return subprocess.Popen([sys.executable, "-c", textwrap.dedent(code)], stdout=subprocess.PIPE,
                            stderr=subprocess.PIPE, text=True, env=env, preexec_fn=limit)


def test_ctrl_c_stops_a_compare_within_a_second_and_leaves_no_thread():
    proc = child(f"""
        import os, kinetra
        before = len(os.listdir("/proc/self/task"))
        print("started", flush=True)
        try:
            kinetra.compare({SETUP!r}, until=1e9, methods=["RKF"], accuracy="1E-30", threads=2)
        except KeyboardInterrupt:
            print("interrupted", len(os.listdir("/proc/self/task")) - before, flush=True)
        """)
    assert proc.stdout.readline() == "started\n"
    time.sleep(0.3)
    proc.send_signal(signal.SIGINT)
    sent = time.monotonic()
    out, err = proc.communicate(timeout=30)
    assert time.monotonic() - sent < 1, err
    assert out == "interrupted 0\n", err


def test_a_machine_without_threads_is_an_error_not_a_crash():
    # Each thread would need a stack larger than the address space left.
    proc = child(f"""
        import kinetra
        s = kinetra.load({str(EXAMPLES / "Cluster1000.knx")!r})
        s.threads = 4
        try:
            s.step()
        except kinetra.Error as e:
            print(e)
        s.threads = 1
        s.step()
        print(s.time > 0)
        """, RLIMIT_STACK=1 << 30, RLIMIT_AS=900 << 20)
    out, err = proc.communicate(timeout=60)
    assert proc.returncode == 0, err
    assert out == "Could not start thread 2 of 4: Resource temporarily unavailable\nTrue\n"


def test_bytes_that_are_no_utf8_come_back_as_they_were(tmp_path):
    text = (DATA / "SunPlanet.knx").read_bytes().replace(b"Sun\r\n", b"Soleil \xe9t\xe9\r\n")
    (tmp_path / "latin1.knx").write_bytes(text + b"\r\nnotes \xff")
    sim = kinetra.load(tmp_path / "latin1.knx")
    assert sim.names[0] == "Soleil \udce9t\udce9" and sim.notes.endswith("notes \udcff")
    sim.save(tmp_path / "again.knx")
    assert (tmp_path / "again.knx").read_bytes() == (tmp_path / "latin1.knx").read_bytes()
    # A load error quoting such a name: kinetra.Error with the bytes escaped.
    (tmp_path / "bad.knx").write_bytes(text.replace(b"1000 0\r\n", b"heavy 0\r\n", 1))
    with pytest.raises(kinetra.Error) as error:
        kinetra.load(tmp_path / "bad.knx")
    assert '"Soleil \\xe9t\\xe9"' in error.value.place


def test_nul_in_a_path_is_a_value_error():
    for call in (lambda: kinetra.load(SETUP + "\0x"), lambda: kinetra.Simulation(1).save("a.knx\0b"),
                 lambda: kinetra.compare(SETUP + "\0", until=1)):
        with pytest.raises(ValueError, match="embedded null byte"):
            call()


# (call on a SunPlanet simulation, the error it must raise)
WRONG = [
    (lambda s: s.add_particle("A", [1], [5, 5], [0, 0]), TypeError),
    (lambda s: s.add_particle(3, 1, [5, 5], [0, 0]), TypeError),
    (lambda s: s.add_particle("A", 1, [None, 5], [0, 0]), TypeError),
    (lambda s: s.add_particle("A", 1, [5, 5], [0, 0], trail=1), TypeError),
    (lambda s: setattr(s, "time_step", [0.1]), TypeError),
    (lambda s: setattr(s, "collisions", 2), TypeError),
    (lambda s: setattr(s, "collisions", "yes"), TypeError),
    (lambda s: setattr(s, "notes", 5), TypeError),
    (lambda s: kinetra.compare(SETUP, until=0.01, collisions=2), TypeError),
    (lambda s: kinetra.compare(SETUP, until=None), TypeError),
    (lambda s: s.add_particle("End_Particles", 2, [3, 3], [0, 0]),
     (kinetra.Error, "The name End_Particles is reserved")),
    (lambda s: s.add_particle("Two\nlines", 2, [3, 3], [0, 0]),
     (kinetra.Error, "A particle name must not contain a line break")),
]


@pytest.mark.parametrize("call, error", WRONG)
def test_wrong_arguments_raise_their_error_and_change_nothing(call, error):
    sim = kinetra.load(SETUP)
    error, message = error if isinstance(error, tuple) else (error, None)
    with pytest.raises(error) as raised:
        call(sim)
    if message:
        assert str(raised.value) == message
    assert len(sim) == 2 and sim.collisions is False


def test_after_a_failed_step_no_step_goes_on_until_rewind():
    sim = kinetra.load(str(DATA / "Overflow.knx"))
    with pytest.raises(kinetra.Error, match="Coordinate out of range"):
        sim.step()
    for _ in range(3):
        with pytest.raises(kinetra.Error, match="rewind"):
            sim.step()
    assert sim.time == 0
    sim.rewind()
    with pytest.raises(kinetra.Error, match="Coordinate out of range"):
        sim.step()


def test_a_failed_save_keeps_the_name(tmp_path):
    sim = kinetra.load(SETUP)
    sim.save(tmp_path / "kept.knx")
    with pytest.raises(kinetra.Error):
        sim.save(tmp_path / "missing" / "x.knx")
    assert sim.file_name == str(tmp_path / "kept.knx")


def test_an_accuracy_that_lets_rkf_crawl_is_taken_with_a_warning():
    sim = kinetra.load(SETUP)
    with pytest.warns(RuntimeWarning, match="below 1E-18"):
        sim.method = "RKF"
        sim.accuracy = "1E-25"
    assert sim.accuracy == 1e-25
    with pytest.warns(RuntimeWarning, match="below 1E-18"):
        kinetra.compare(SETUP, until=0.001, methods=["RKF"], accuracy="1E-19")
    _, _, err = batch("check", SETUP, "--method", "RKF", "--accuracy", "1E-25")
    assert err.startswith("warning: an accuracy below 1E-18")
