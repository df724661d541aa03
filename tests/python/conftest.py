# What the Python module's tests share: the sources, kinetra-batch as a separate process, and
# its CSV output read back at full precision (it prints 17 significant digits).
import csv
import io
import os
import subprocess
from pathlib import Path

ROOT = Path(os.environ.get("KINETRA_ROOT", Path(__file__).resolve().parents[2]))
EXAMPLES = ROOT / "examples"
DATA = ROOT / "tests" / "data"
BATCH = os.environ.get("KINETRA_BATCH", str(ROOT / "build" / "batch" / "kinetra-batch"))


def batch(*args, check=True):
    """Runs kinetra-batch; returns (exit code, stdout, stderr)."""
    done = subprocess.run([BATCH, *map(str, args)], capture_output=True, text=True)
    if check and done.returncode != 0:
        raise AssertionError(f"kinetra-batch {' '.join(map(str, args))}: {done.returncode}\n{done.stderr}")
    return done.returncode, done.stdout, done.stderr


def csv_rows(text):
    """The records of CSV output as dicts, comment lines skipped."""
    lines = [line for line in text.splitlines() if not line.startswith("#")]
    return list(csv.DictReader(io.StringIO("\n".join(lines))))

