#!/usr/bin/env python3
"""Which files of the platform layer call which, read from the compiled objects (nm), and whether the calls
keep to the layers: no two files calling each other, directly or round a longer loop, and no file calling a
folder above its own. Inline functions (weak symbols, defined in every object that uses them) and virtual
calls through a seam are not calls here: a seam is crossed downwards by design.

    platform_calls.py OBJECT_DIR SOURCE_DIR            check; exit 1 and say why on a loop or a call upwards
    platform_calls.py OBJECT_DIR SOURCE_DIR --graph    also print every file's calls

OBJECT_DIR is the platform library's object folder (build/default/platform/CMakeFiles/platform.dir),
SOURCE_DIR platform/src; objects of sources no longer there (left over from a rename) are passed over.
"""
import os
import subprocess
import sys

# The layers of platform/src from the top down, by top folder (a backend's subfolder, such as host/sdl or
# image/libs, belongs to its folder's layer). A file calls only into its own layer or one further down.
LAYERS = ["d3dx9", "windows", "dinput8", "d3d9", "gl", "win32", "host", "font", "image", "com", "trace"]


def symbols(obj):
    """The functions an object defines, and those its code refers to (relocations in its code sections, so
    that a class's table of virtual functions, emitted beside one of its methods, is not read as calls)."""
    table = subprocess.run(["nm", "--format=posix", "--defined-only", obj], capture_output=True, text=True,
                           check=True).stdout
    defined = set()
    for line in table.splitlines():
        parts = line.split()
        if len(parts) >= 2 and parts[1] == "T":  # strong code; weak (W) copies are inline functions
            defined.add(parts[0])
    relocations = subprocess.run(["readelf", "--relocs", "--wide", obj], capture_output=True, text=True,
                                 check=True).stdout
    referred, in_code = set(), False
    for line in relocations.splitlines():
        if line.startswith("Relocation section"):
            in_code = "'.rela.text" in line
            continue
        parts = line.split()
        if in_code and len(parts) >= 5 and parts[2].startswith("R_"):
            referred.add(parts[4])
    return defined, referred - defined


def source_of(obj, root):
    rel = os.path.relpath(obj, root)
    return rel[: -len(".o")] if rel.endswith(".o") else rel


def layer_of(source):
    return source.split("/")[0]


def strongly_connected(graph):
    index, low, stack, on_stack, out = {}, {}, [], set(), []
    counter = [0]

    def visit(v):
        index[v] = low[v] = counter[0]
        counter[0] += 1
        stack.append(v)
        on_stack.add(v)
        for w in graph[v]:
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
            out.append(sorted(group))

    sys.setrecursionlimit(10000)
    for v in graph:
        if v not in index:
            visit(v)
    return out


def main():
    if len(sys.argv) < 3:
        sys.exit(__doc__)
    objdir, sources = sys.argv[1], sys.argv[2]
    src_root = os.path.join(objdir, "src")
    objects = []
    for here, _, files in os.walk(src_root):
        objects += [os.path.join(here, f) for f in files
                    if f.endswith(".o") and os.path.isfile(os.path.join(sources, source_of(os.path.join(here, f),
                                                                                          src_root)))]
    if not objects:
        sys.exit(f"no objects under {src_root}: build the platform library first")
    defined_in, uses = {}, {}
    for obj in objects:
        source = source_of(obj, src_root)
        defined, undefined = symbols(obj)
        for name in defined:
            defined_in[name] = source
        uses[source] = undefined
    graph = {s: sorted({defined_in[n] for n in uses[s] if n in defined_in} - {s}) for s in uses}

    problems = []
    for group in strongly_connected(graph):
        if len(group) > 1:
            problems.append("call loop between " + ", ".join(group))
    for source, callees in sorted(graph.items()):
        here = layer_of(source)
        if here not in LAYERS:
            problems.append(f"{source}: its folder is not among the layers")
            continue
        for callee in callees:
            there = layer_of(callee)
            if there in LAYERS and LAYERS.index(there) < LAYERS.index(here):
                problems.append(f"{source} calls up into {callee}")
    if "--graph" in sys.argv:
        for source, callees in sorted(graph.items()):
            print(source + ": " + " ".join(callees))
    for p in problems:
        print(p)
    print(f"{len(graph)} files, {sum(len(c) for c in graph.values())} calls between files, "
          f"{len(problems)} problems")
    sys.exit(1 if problems else 0)


if __name__ == "__main__":
    main()
