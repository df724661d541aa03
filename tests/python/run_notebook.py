#!/usr/bin/env python3
"""Runs the code cells of a notebook in order as one script, in the notebook's folder, with
matplotlib drawing off screen: what executing the notebook would do, without a kernel.

    python3 run_notebook.py NOTEBOOK.ipynb
"""
import json
import os
import sys
from pathlib import Path

os.environ.setdefault("MPLBACKEND", "Agg")
notebook = Path(sys.argv[1]).resolve()
cells = [cell for cell in json.loads(notebook.read_text())["cells"] if cell["cell_type"] == "code"]
os.chdir(notebook.parent)
scope = {"__name__": "__main__"}
for number, cell in enumerate(cells, 1):
    source = "".join(cell["source"])
    exec(compile(source, f"{notebook.name}, code cell {number}", "exec"), scope)
print(f"{notebook.name}: {len(cells)} code cells ran")
