#!/usr/bin/env python3
"""Prints the folder-level include graph of the sources and fails on a cycle.

Every `#include "folder/..."` in a C++ file under one top-level folder that names
another top-level folder is an edge between the two. Tests, benchmarks and tools may
reach anything and are left out. Exit status: 0 without a cycle, 1 with one.

    python3 tools/include_graph.py [repository root]
"""

import collections
import os
import re
import sys

LEFT_OUT = {"tests", "bench", "tools", "build"}
SOURCE_ENDINGS = (".h", ".hpp", ".cpp", ".cc", ".c", ".inc")
INCLUDE = re.compile(r'^\s*#\s*include\s*"([^"]+)"', re.MULTILINE)


def folders(root):
    return sorted(
        name
        for name in os.listdir(root)
        if os.path.isdir(os.path.join(root, name))
        and not name.startswith(".")
        and not name.startswith("build")
        and name not in LEFT_OUT
    )


def edges(root, nodes, relative):
    """Counts folder -> folder includes; lists in `relative` those that climb with "..",
    which the compiler resolves from the file's own place, past the layers' include roots."""
    counts = collections.Counter()
    for folder in nodes:
        for dirpath, dirnames, filenames in os.walk(os.path.join(root, folder)):
            dirnames[:] = [d for d in dirnames if not d.startswith(".")]
            for filename in filenames:
                if not filename.endswith(SOURCE_ENDINGS):
                    continue
                with open(os.path.join(dirpath, filename), encoding="utf-8",
                          errors="replace") as source:
                    for included in INCLUDE.findall(source.read()):
                        if ".." in included.split("/"):
                            relative.append(
                                (os.path.relpath(os.path.join(dirpath, filename), root), included))
                        target = included.split("/", 1)[0]
                        if "/" in included and target != folder and target in nodes:
                            counts[(folder, target)] += 1
    return counts


def strongly_connected(nodes, graph):
    """Tarjan's algorithm; returns the components of more than one folder."""
    index, low, stack, on_stack, found = {}, {}, [], set(), []

    def visit(node):
        index[node] = low[node] = len(index)
        stack.append(node)
        on_stack.add(node)
        for nxt in graph[node]:
            if nxt not in index:
                visit(nxt)
                low[node] = min(low[node], low[nxt])
            elif nxt in on_stack:
                low[node] = min(low[node], index[nxt])
        if low[node] == index[node]:
            component = []
            while True:
                member = stack.pop()
                on_stack.discard(member)
                component.append(member)
                if member == node:
                    break
            if len(component) > 1:
                found.append(sorted(component))

    for node in nodes:
        if node not in index:
            visit(node)
    return found


def main():
    root = sys.argv[1] if len(sys.argv) > 1 else os.path.join(os.path.dirname(__file__), "..")
    nodes = folders(root)
    relative = []
    counts = edges(root, set(nodes), relative)
    graph = {node: sorted(t for (f, t) in counts if f == node) for node in nodes}
    for node in nodes:
        if graph[node]:
            print(f"{node} -> {' '.join(graph[node])}")
    cycles = strongly_connected(nodes, graph)
    in_cycles = [(f, t) for (f, t) in counts if any(f in c and t in c for c in cycles)]
    for path, included in relative:
        print(f'relative include: {path}: "{included}" (name it from the repository root)')
    if not cycles:
        print("cycles: 0")
        return 1 if relative else 0
    print(f"cycles: {len(cycles)} ({len(in_cycles)} edges inside them)")
    for component in cycles:
        print("  cycle among: " + " ".join(component))
    for f, t in sorted(in_cycles):
        print(f"  {f} -> {t} ({counts[(f, t)]} includes)")
    return 1


if __name__ == "__main__":
    sys.exit(main())
