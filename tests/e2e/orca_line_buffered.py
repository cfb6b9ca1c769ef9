"""Runs Orca (arguments as for orca) with its --debug-file written line by
line: Orca writes it through a block buffer, which would hold back what it
last said until more came. Used by OrcaTest."""

import builtins
import runpy
import sys

log = sys.argv[sys.argv.index("--debug-file") + 1]
plain_open = builtins.open


def line_buffered_open(file, *args, **kwargs):
    if file == log and len(args) <= 1 and "buffering" not in kwargs:
        kwargs["buffering"] = 1
    return plain_open(file, *args, **kwargs)


builtins.open = line_buffered_open
sys.argv[0] = "/usr/bin/orca"
runpy.run_path("/usr/bin/orca", run_name="__main__")
