#!/usr/bin/env python3
"""Checks how the source folders include each other.

- Every quoted include names an existing file.
- A private header (Name_p.h) is included from its own folder only, and from
  the tests of that folder (tests/<folder>).
- No cycle between files of different folders: taking a header and its source
  as one component, no two components of different folders depend on each other,
  directly or round a longer loop; and no folder of the platform layer depends
  on another that depends back on it.
- No layer includes a layer above it.

Usage: check_includes.py <project root>
"""

import os
import re
import sys

LAYERS = ['platform', 'library', 'controls', 'pane', 'service', 'host']
# What each layer may include besides itself.
ALLOWED = {
    'platform': set(),
    'library': {'platform'},
    'controls': {'platform'},
    'pane': {'platform', 'library', 'controls'},
    'service': {'platform'},
    'host': {'platform'},
}
TREES = LAYERS + ['tests', 'bench', 'fuzz']
INCLUDE = re.compile(r'^\s*#\s*include\s+"([^"]+)"', re.M)


def sources(root):
    for tree in TREES:
        for folder, _, names in os.walk(os.path.join(root, tree)):
            for name in names:
                if name.endswith(('.h', '.cpp')):
                    yield os.path.relpath(os.path.join(folder, name), root)


def resolve(root, includer, name, by_basename):
    """The file an include names, as a path from the root, or None."""
    if name.endswith('.moc') or name.startswith('ui_'):
        return ''   # generated
    local = os.path.normpath(os.path.join(os.path.dirname(includer), name))
    if os.path.isfile(os.path.join(root, local)):
        return local
    if os.path.isfile(os.path.join(root, name)):
        return name
    # An unqualified name found through a layer's own include folders.
    layer = includer.split('/')[0]
    candidates = [p for p in by_basename.get(os.path.basename(name), []) if '/' not in name]
    same_layer = [p for p in candidates if p.split('/')[0] == layer]
    for found in (same_layer, candidates):
        if len(found) == 1:
            return found[0]
    return None


def component(path):
    return re.sub(r'(_p)?\.(h|cpp)$', '', path)


def strongly_connected(graph):
    index, low, stack, on_stack, result = {}, {}, [], set(), []

    def visit(v):
        index[v] = low[v] = len(index)
        stack.append(v)
        on_stack.add(v)
        for w in graph.get(v, ()):
            if w not in index:
                visit(w)
                low[v] = min(low[v], low[w])
            elif w in on_stack:
                low[v] = min(low[v], index[w])
        if low[v] == index[v]:
            group = []
            while True:
                w = stack.pop()
                on_stack.discard(w)
                group.append(w)
                if w == v:
                    break
            result.append(group)

    sys.setrecursionlimit(10000)
    for v in list(graph):
        if v not in index:
            visit(v)
    return result


def main(root):
    files = sorted(sources(root))
    by_basename = {}
    for path in files:
        by_basename.setdefault(os.path.basename(path), []).append(path)

    problems = []
    components, folders = {}, {}
    for path in files:
        with open(os.path.join(root, path), encoding='utf-8') as f:
            text = f.read()
        for name in INCLUDE.findall(text):
            target = resolve(root, path, name, by_basename)
            if target is None:
                problems.append(f'{path}: "{name}" names no file of the tree')
                continue
            if not target:
                continue
            home = os.path.dirname(target)
            if target.endswith('_p.h') and os.path.dirname(path) not in (home, 'tests/' + home):
                problems.append(f'{path}: includes {target}, private to {os.path.dirname(target)}')
            layer, used = path.split('/')[0], target.split('/')[0]
            if layer in ALLOWED and used != layer and used not in ALLOWED[layer]:
                problems.append(f'{path}: the {layer} layer includes {target} from {used}')
            a, b = component(path), component(target)
            if a != b:
                components.setdefault(a, set()).add(b)
            fa, fb = os.path.dirname(path), os.path.dirname(target)
            if fa != fb and fa.startswith('platform/') and fb.startswith('platform/'):
                folders.setdefault(fa, set()).add(fb)

    for group in strongly_connected(components):
        if len({os.path.dirname(c) for c in group}) > 1:
            problems.append('include cycle across folders: ' + ', '.join(sorted(group)))
    for group in strongly_connected(folders):
        if len(group) > 1:
            problems.append('platform folders depend on each other: ' + ', '.join(sorted(group)))

    for problem in problems:
        print(problem)
    print(f'{len(files)} files checked, {len(problems)} problems')
    return 1 if problems else 0


if __name__ == '__main__':
    sys.exit(main(sys.argv[1]))
