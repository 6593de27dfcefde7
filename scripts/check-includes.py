#!/usr/bin/env python3
"""Fails when a folder of the program includes a folder it may not.

Each folder names the folders below it that it may include; a folder may
always include itself. The arrows point one way: the script also fails when
the rules themselves make a circle. Tests and benchmarks may include anything."""
import os
import re
import sys

# Folder: the folders it may include (besides itself).
MAY_INCLUDE = {
    'platform': set(),
    'util': {'platform'},
    'encoder': {'util', 'platform'},
    'media': {'encoder', 'util', 'platform'},
    'capture': {'media', 'encoder', 'util', 'platform'},
    'takes': {'media', 'encoder', 'util', 'platform'},
    'settings': {'util', 'platform'},
    'i18n': {'settings', 'util', 'platform'},
    'audio': {'util', 'platform'},
    'player': {'util', 'platform'},
    'portal': {'util', 'platform'},
    'library': {'media', 'encoder', 'util', 'platform'},
    'editing': {'media', 'encoder', 'util', 'platform'},
    'recording': {'capture', 'takes', 'media', 'encoder', 'settings', 'portal', 'util', 'platform'},
    'resources': set(),
    'ui': {'recording', 'editing', 'library', 'player', 'settings', 'audio', 'i18n', 'resources', 'util', 'platform'},
    'app': {'ui', 'recording', 'editing', 'library', 'player', 'settings', 'audio', 'i18n', 'resources', 'util',
            'platform'},
}
INCLUDE = re.compile(r'^\s*#\s*include\s+"([a-z0-9_]+)/', re.M)


def circle(rules):
    """A circle in the rules, as a list of folders, or None."""
    state = {}

    def visit(folder, path):
        state[folder] = 'open'
        for below in sorted(rules.get(folder, ())):
            if state.get(below) == 'open':
                return path[path.index(below):] + [below] if below in path else path + [below]
            if below not in state:
                found = visit(below, path + [below])
                if found:
                    return found
        state[folder] = 'done'
        return None

    for folder in sorted(rules):
        if folder not in state:
            found = visit(folder, [folder])
            if found:
                return found
    return None


def main(root):
    faults = []
    found = circle(MAY_INCLUDE)
    if found:
        faults.append('the rules make a circle: ' + ' -> '.join(found))
    for folder in sorted(os.listdir(root)):
        top = os.path.join(root, folder)
        if not os.path.isdir(top) or not os.path.exists(os.path.join(top, 'CMakeLists.txt')):
            continue
        if folder in ('tests', 'bench', 'cmake', 'scripts', 'docs', 'languages') or folder.startswith('build'):
            continue
        if folder not in MAY_INCLUDE:
            faults.append(f'{folder}/: a folder with no rule (add it to {os.path.basename(__file__)})')
            continue
        for where, _, names in os.walk(top):
            for name in sorted(names):
                if not name.endswith(('.h', '.cpp', '.c')):
                    continue
                path = os.path.join(where, name)
                with open(path, encoding='utf-8', errors='replace') as f:
                    text = f.read()
                for line_no, match in ((text.count('\n', 0, m.start()) + 1, m) for m in INCLUDE.finditer(text)):
                    target = match.group(1)
                    if target == folder or target not in MAY_INCLUDE:
                        continue
                    if target not in MAY_INCLUDE[folder]:
                        faults.append(f'{os.path.relpath(path, root)}:{line_no}: {folder}/ may not include {target}/')
    for fault in faults:
        print(fault)
    print(f'{len(faults)} forbidden include(s)' if faults else 'Every include points down.')
    return 1 if faults else 0


def self_test():
    """The check itself: a tree with one forbidden include fails, naming it;
    the same tree without it passes."""
    import contextlib
    import io
    import tempfile
    with tempfile.TemporaryDirectory() as root:
        for folder, text in (('encoder', '#include "util/format.h"\n'), ('util', ''),
                             ('ui', '#include "recording/x.h"\n  #include "encoder/runner.h"\n')):
            os.makedirs(os.path.join(root, folder))
            open(os.path.join(root, folder, 'CMakeLists.txt'), 'w').close()
            with open(os.path.join(root, folder, 'a.cpp'), 'w') as f:
                f.write(text)
        said = io.StringIO()
        with contextlib.redirect_stdout(said):
            failed = main(root)
        if failed != 1 or 'ui/a.cpp:2: ui/ may not include encoder/' not in said.getvalue():
            print('the check let a forbidden include through:\n' + said.getvalue())
            return 1
        with open(os.path.join(root, 'ui', 'a.cpp'), 'w') as f:
            f.write('#include "recording/x.h"\n')
        with contextlib.redirect_stdout(io.StringIO()):
            if main(root) != 0:
                print('the check refused an allowed include')
                return 1
    if circle({'a': {'b'}, 'b': {'c'}, 'c': {'a'}}) != ['a', 'b', 'c', 'a']:
        print('the check missed a circle in its rules')
        return 1
    return 0


if __name__ == '__main__':
    if sys.argv[1:] == ['--self-test']:
        sys.exit(self_test())
    sys.exit(main(sys.argv[1] if len(sys.argv) > 1 else os.path.join(os.path.dirname(__file__), '..')))
