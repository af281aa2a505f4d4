#!/usr/bin/env python3
"""The function-length check: measures bodies through namespaces, classes,
braced member initialisers, and braces inside literals and comments."""
import os
import subprocess
import sys
import tempfile

ROOT = os.path.abspath(sys.argv[1])
CHECK = os.path.join(ROOT, 'scripts', 'long-functions.py')


def body(n):
    return ''.join('  x += %d;\n' % i for i in range(n))


SOURCE = '''#include <x>
#define OPEN {
namespace a {
struct S : B {
  S() : m_{1}, n_{2} {
%(long)s  }
  int Short() const { return "}}"[0] + '{'; }  // } {
};
static const int kTable[] = {1, 2, 3};
void Fits() {
%(fits)s}
}  // namespace a
/* } */ auto s = R"(}})";
int Over(int y) {
  if (y) {
    auto f = [] { return 1; };
  }
%(long)s}
''' % {'long': body(79), 'fits': body(78)}


def main():
    d = tempfile.mkdtemp()
    os.makedirs(os.path.join(d, 'core'))
    with open(os.path.join(d, 'core', 'x.cpp'), 'w') as f:
        f.write(SOURCE)
    p = subprocess.run([sys.executable, CHECK, d, 'core'], capture_output=True, text=True)
    found = sorted(line.split(': ')[1] for line in p.stdout.splitlines() if 'core/x.cpp' in line)
    want = ['Over is 84 lines', 'S is 81 lines']
    if p.returncode != 1 or found != want:
        print('want', want, 'exit 1; got', found, 'exit', p.returncode, '\n' + p.stdout + p.stderr)
        return 1
    return 0


if __name__ == '__main__':
    sys.exit(main())
