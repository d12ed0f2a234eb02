#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""Sizes a reviewer asks about: files over 500 lines, functions over 60, and test code against program code.

A function is a body whose opening brace stands alone at the start of a line (.clang-format breaks before a
function's brace and nowhere else at the margin but a class's, which is told apart by its head). Lambdas and
functions defined inside a class are counted with what holds them.
Usage: tools/code-figures.py [--file-limit N] [--function-limit N]
"""
import argparse
import pathlib
import re
import subprocess

HEAD_OF_TYPE = re.compile(r"^\s*(template\s*<.*>\s*)?(class|struct|union|enum|namespace)\b")


def sources(root):
    listed = subprocess.run(["git", "ls-files", "*.cpp", "*.h"], cwd=root, capture_output=True, text=True)
    return [root / name for name in listed.stdout.split()]


def functions(lines):
    """(first line, length, head) of each function body at the margin."""
    found = []
    for number, line in enumerate(lines):
        if line.rstrip() != "{":
            continue
        head = next((lines[i] for i in range(number - 1, -1, -1) if lines[i].strip()), "")
        start = number - 1
        while start > 0 and lines[start - 1].strip() and not lines[start - 1].rstrip().endswith((";", "}", "{")) \
                and not lines[start - 1].lstrip().startswith(("//", "#")):
            start -= 1
        if HEAD_OF_TYPE.match(lines[start]) or HEAD_OF_TYPE.match(head):
            continue
        end = next((i for i in range(number + 1, len(lines)) if lines[i].startswith("}")), len(lines) - 1)
        found.append((start + 1, end - start + 1, lines[start].strip()))
    return found


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--file-limit", type=int, default=500)
    parser.add_argument("--function-limit", type=int, default=60)
    options = parser.parse_args()
    root = pathlib.Path(__file__).resolve().parent.parent
    test_lines = program_lines = 0
    long_files, long_functions = [], []
    for path in sources(root):
        lines = path.read_text(encoding="utf-8", errors="replace").splitlines()
        relative = path.relative_to(root)
        if relative.parts[0] == "tests":
            test_lines += len(lines)
        elif relative.parts[0] != "bench":
            program_lines += len(lines)
        if len(lines) > options.file_limit:
            long_files.append((len(lines), relative))
        for first, length, head in functions(lines):
            if length > options.function_limit:
                long_functions.append((length, f"{relative}:{first}", head))
    print(f"files over {options.file_limit} lines: {len(long_files)}")
    for size, name in sorted(long_files, reverse=True):
        print(f"  {size:5}  {name}")
    print(f"functions over {options.function_limit} lines: {len(long_functions)}")
    for size, where, head in sorted(long_functions, reverse=True):
        print(f"  {size:5}  {where}  {head[:70]}")
    print(f"test code {test_lines} lines, program code {program_lines} lines: "
          f"{100 * test_lines / max(program_lines, 1):.0f}%")


if __name__ == "__main__":
    main()
