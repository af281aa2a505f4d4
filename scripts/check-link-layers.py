#!/usr/bin/env python3
"""Checks the built firmware libraries against LAYERS at the symbol level.

usage: check-link-layers.py BUILD_DIR [SOURCE_DIR]
A declaration in a lower header with its definition in a higher library
passes the include check but still makes the lower layer depend on the
higher one; this finds such symbols: every undefined symbol of a layer's
library must be defined in a lower layer (or outside the firmware). The C
library wrappers of core/lib are one library per folder: each stands alone,
above the layers below core/lib and beside the other wrappers.
"""
import glob
import os
import runpy
import subprocess
import sys


class Layers:
    """The layer helpers of check-layers.py, read from its file."""

    def __init__(self, source):
        names = runpy.run_path(os.path.join(source, 'scripts', 'check-layers.py'))
        self.read_layers = names['read_layers']
        self.layer_of = names['layer_of']


def symbols(lib, defined):
    args = ['nm', '-C', '--defined-only' if defined else '--undefined-only', lib]
    out = subprocess.run(args, capture_output=True, text=True).stdout
    syms = set()
    for line in out.splitlines():
        parts = line.split(None, 2)
        if defined and len(parts) == 3 and parts[1] in 'TDBRVWGSiu':
            syms.add(parts[2])
        elif not defined and len(parts) == 2 and parts[0] in 'Uw':
            syms.add(parts[1])
    return syms


def main():
    build = os.path.abspath(sys.argv[1])
    source = os.path.abspath(sys.argv[2] if len(sys.argv) > 2 else os.path.join(os.path.dirname(__file__), '..'))
    layers = Layers(source)
    rank, _ = layers.read_layers(os.path.join(source, 'LAYERS'))
    libs = {}  # library -> (unit, layer): the unit is the layer, or a wrapper's folder
    for lib in glob.glob(os.path.join(build, '**', 'libdtb_*.a'), recursive=True):
        folder = os.path.relpath(os.path.dirname(lib), build)
        layer = layers.layer_of(folder, rank)
        if layer is not None and (folder == layer or layer == 'core/lib'):
            libs[lib] = (folder, layer)
    if not libs:
        print('no firmware libraries under %s' % build)
        return 1
    owner = {}
    for lib, unit in libs.items():
        for s in symbols(lib, True):
            owner.setdefault(s, set()).add(unit)
    faults = []
    for lib, (unit, layer) in sorted(libs.items()):
        for s in sorted(symbols(lib, False)):
            for other, other_layer in owner.get(s, ()):
                if other != unit and rank[other_layer] >= rank[layer]:
                    faults.append('%s uses %s of %s' % (unit, s, other))
    for f in faults:
        print(f)
    if faults:
        print('%d symbol(s) reach up a layer' % len(faults))
        return 1
    print('%d libraries checked' % len(libs))
    return 0


if __name__ == '__main__':
    sys.exit(main())
