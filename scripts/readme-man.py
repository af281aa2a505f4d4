#!/usr/bin/env python3
"""Makes the dtbsim manual page from the README's section on it, so the two
never disagree.

usage: readme-man.py README.md OUT.1
"""
import re
import sys

SECTION = '## The simulator (dtbsim)'


def section(text):
    start = text.index(SECTION)
    end = text.find('\n## ', start + len(SECTION))
    lines = text[start:end if end >= 0 else len(text)].splitlines()[1:]
    # Random keys and power cuts belong to dtbrandom: stop there.
    for i, line in enumerate(lines):
        if line.startswith('### Random keys'):
            return lines[:i]
    return lines


def inline(s):
    s = s.replace('\\', '\\e')
    s = re.sub(r'`([^`]*)`', r'\\fB\1\\fR', s)
    s = re.sub(r'\*\*([^*]*)\*\*', r'\\fB\1\\fR', s)
    s = s.replace('\\|', '|')
    # a line starting with a dot or quote would be a request
    return re.sub(r"^([.'])", r'\\&\1', s)


def table(rows, out):
    cells = [[inline(c.strip()) for c in re.split(r'(?<!\\)\|', r.strip().strip('|'))] for r in rows]
    cells = [c for c in cells if not all(re.fullmatch(r':?-+:?', x) for x in c)]
    out.append('.TS\nallbox;\n' + ' '.join('l' for _ in cells[0]) + '.')
    for c in cells:
        out.append('\t'.join('T{\n%s\nT}' % x for x in c))
    out.append('.TE')


def convert(lines):
    out = ['.TH DTBSIM 1 "" "dtbplayer" "User Commands"', '.SH NAME',
           'dtbsim \\- runs the player on a simulated board', '.SH DESCRIPTION']
    i = 0
    while i < len(lines):
        line = lines[i]
        if line.startswith('### '):
            out.append('.SH ' + inline(line[4:]).upper())
        elif line.startswith('    '):
            out.append('.PP\n.nf')
            while i < len(lines) and (lines[i].startswith('    ') or not lines[i].strip()):
                out.append(inline(lines[i][4:]))
                i += 1
            while out[-1] == '':
                out.pop()
            out.append('.fi')
            continue
        elif line.startswith('|'):
            rows = []
            while i < len(lines) and lines[i].startswith('|'):
                rows.append(lines[i])
                i += 1
            table(rows, out)
            continue
        elif line.startswith('- '):
            out.append('.IP \\(bu 2\n' + inline(line[2:]))
        elif not line.strip():
            out.append('.PP')
        else:
            out.append(inline(line.strip()))
        i += 1
    return '\n'.join(out) + '\n'


def main():
    if len(sys.argv) != 3:
        sys.exit(__doc__)
    with open(sys.argv[1], encoding='utf-8') as f:
        page = convert(section(f.read()))
    with open(sys.argv[2], 'w', encoding='utf-8') as f:
        f.write(page)


if __name__ == '__main__':
    main()
