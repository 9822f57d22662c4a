#!/usr/bin/env python3
"""Checks the rules of the source layout that the compiler does not:

- no C++ file in swf/ or lessons/ is longer than 700 lines;
- swf/ includes nothing from outside swf/ (other than system and Qt headers);
- the engine's parts include each other in one direction only: format below
  decode, decode below player, player below render and audio; the script
  part sees the format part only;
- the include graph between the project's own files has no cycle.

Prints what it found and exits 1 on a broken rule.
"""
import os
import re
import subprocess
import sys

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
MAX_LINES = 700
CAPPED = ("swf/", "lessons/")
# The parts of swf/ each part may include (itself included).
ALLOWED = {
    "format": {"format"},
    "decode": {"format", "decode"},
    "script": {"format", "script"},
    "player": {"format", "decode", "script", "player"},
    "render": {"format", "decode", "script", "player", "render"},
    "audio": {"format", "decode", "script", "player", "audio"},
}
INCLUDE = re.compile(r'^\s*#\s*include\s+"([^"]+)"', re.M)


def tracked_sources():
    out = subprocess.run(["git", "ls-files", "*.cpp", "*.h"], cwd=ROOT, capture_output=True, text=True, check=True)
    return [f for f in out.stdout.split("\n") if f]


def part_of(path):
    parts = path.split("/")
    return parts[1] if len(parts) > 2 and parts[0] == "swf" else None


def main():
    files = tracked_sources()
    problems = []
    graph = {}
    for f in files:
        with open(os.path.join(ROOT, f), encoding="utf-8", errors="replace") as fh:
            text = fh.read()
        lines = text.count("\n")
        if f.startswith(CAPPED) and lines > MAX_LINES:
            problems.append(f"{f}: {lines} lines (at most {MAX_LINES})")
        includes = INCLUDE.findall(text)
        graph[f] = [i for i in includes if i in files or os.path.exists(os.path.join(ROOT, i))]
        if f.startswith("swf/"):
            mine = part_of(f)
            for inc in includes:
                if not inc.startswith("swf/"):
                    if os.path.exists(os.path.join(ROOT, inc)):
                        problems.append(f"{f}: includes {inc}, outside swf/")
                    continue
                theirs = part_of(inc)
                if mine in ALLOWED and theirs and theirs not in ALLOWED[mine]:
                    problems.append(f"{f}: the {mine} part includes {inc} from the {theirs} part")
    # Cycles: depth-first search with colours.
    state = {}
    stack = []

    def visit(node):
        state[node] = 1
        stack.append(node)
        for nxt in graph.get(node, []):
            if state.get(nxt) == 1:
                cycle = stack[stack.index(nxt):] + [nxt]
                problems.append("include cycle: " + " -> ".join(cycle))
            elif nxt in graph and not state.get(nxt):
                visit(nxt)
        stack.pop()
        state[node] = 2

    sys.setrecursionlimit(10000)
    for node in graph:
        if not state.get(node):
            visit(node)
    if problems:
        print("layout:")
        for p in problems:
            print("  " + p)
        return 1
    print(f"layout: {len(files)} files checked")
    return 0


if __name__ == "__main__":
    sys.exit(main())
