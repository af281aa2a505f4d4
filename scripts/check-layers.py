#!/usr/bin/env python3
"""Checks the includes of the firmware against LAYERS.

usage: check-layers.py [ROOT]   (default: the checkout this script is in)
Prints every include that goes up a layer, crosses to a peer, or reaches a C
library outside its wrapper folder; exits 1 when there is any.
"""
import os
import re
import sys

OUTSIDE = ('tests', 'bench', 'fuzz', 'sim', 'res', 'build')
INCLUDE = re.compile(r'^\s*#\s*include\s*([<"])([^>"]+)[>"]', re.M)


def read_layers(path):
    rank, wraps = {}, []
    height = 0
    for raw in open(path, encoding='utf-8'):
        line = raw.split('#', 1)[0].split()
        if not line:
            continue
        if line[0] == 'wrap':
            wraps.append((line[1], line[2:]))
            continue
        for folder in line:
            rank[folder.rstrip('/')] = height
        height += 1
    return rank, wraps


def layer_of(path, rank):
    best = None
    for folder in rank:
        if path == folder or path.startswith(folder + '/'):
            if best is None or len(folder) > len(best):
                best = folder
    return best


def check(root):
    rank, wraps = read_layers(os.path.join(root, 'LAYERS'))
    faults = []
    for dirpath, dirs, files in os.walk(root):
        rel_dir = os.path.relpath(dirpath, root)
        top = rel_dir.split(os.sep)[0]
        if rel_dir != '.' and (top.startswith('.') or top.startswith('build') or top in OUTSIDE):
            dirs[:] = []
            continue
        for name in files:
            if not name.endswith(('.cpp', '.h', '.cc', '.c')):
                continue
            rel = os.path.normpath(os.path.join(rel_dir, name))
            own = layer_of(rel, rank)
            if own is None:
                faults.append('%s: in no layer of LAYERS' % rel)
                continue
            text = open(os.path.join(dirpath, name), encoding='utf-8', errors='replace').read()
            for m in INCLUDE.finditer(text):
                kind, header = m.groups()
                line = text.count('\n', 0, m.start()) + 1
                for prefix, allowed in wraps:
                    if header.startswith(prefix) and not any(
                            rel.startswith(a + '/') for a in allowed):
                        faults.append('%s:%d: <%s> outside %s' % (rel, line, header, allowed[0]))
                if kind != '"':
                    continue
                target = layer_of(header, rank)
                if target is None or target == own:
                    continue
                if rank[target] > rank[own]:
                    faults.append('%s:%d: "%s" is above %s (%s)' % (rel, line, header, own, target))
                elif rank[target] == rank[own]:
                    faults.append('%s:%d: "%s" is a peer of %s' % (rel, line, header, own))
    return faults


def main():
    root = sys.argv[1] if len(sys.argv) > 1 else os.path.join(os.path.dirname(__file__), '..')
    faults = check(os.path.abspath(root))
    for f in faults:
        print(f)
    if faults:
        print('%d include(s) break LAYERS' % len(faults))
        return 1
    return 0


if __name__ == '__main__':
    sys.exit(main())
