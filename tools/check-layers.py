#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""The layers as CMake builds them: each library includes only its own folders and those of the libraries it
links itself, links only libraries it includes, has folders no other library has, and no two libraries
include each other. The compiler already refuses an include from a folder nothing it links can see; this
also refuses an include that works only through another library's links, and a link that nothing needs.

check-layers.py SOURCE_DIR: prints each fault and exits 1 when there is any."""
import os
import pathlib
import re
import sys

CALL = re.compile(r"\b(add_library|quillmark_sees|target_link_libraries)\s*\(([^)]*)\)", re.S)
INCLUDE = re.compile(r'^\s*#\s*include\s+"([^"]+)"', re.M)


def cmake_files(root):
    """The tree's CMakeLists.txt files, build folders and hidden ones left out."""
    for folder, subfolders, files in os.walk(root):
        subfolders[:] = [d for d in subfolders if not d.startswith((".", "build"))]
        if "CMakeLists.txt" in files:
            yield pathlib.Path(folder) / "CMakeLists.txt"


def libraries(root):
    libs = {}
    for cmake in sorted(cmake_files(root)):
        text = re.sub(r"#[^\n]*", "", cmake.read_text(encoding="utf-8"))
        for call, args in CALL.findall(text):
            words = args.split()
            if not words:
                continue
            lib = libs.setdefault(words[0], {"folders": [], "sources": [], "links": set(), "interface": False})
            if call == "add_library":
                lib["interface"] = "INTERFACE" in words[1:2]
                lib["sources"] = [cmake.parent / w for w in words[1:] if re.search(r"\.(cpp|h)$", w)]
                if any(w.startswith("${") for w in words[1:]):  # a folder's files gathered by file(GLOB)
                    lib["sources"] += sorted(p for p in cmake.parent.iterdir() if p.suffix in (".cpp", ".h"))
            elif call == "quillmark_sees":
                lib["folders"] = words[1:]
            else:
                lib["links"] |= {w for w in words[1:] if w.startswith("quillmark_") and w != "quillmark_flags"}
    return libs


def expand(libs, names):
    """An INTERFACE library stands for the libraries it gathers."""
    out = set()
    for name in names:
        if libs.get(name, {}).get("interface"):
            out |= expand(libs, libs[name]["links"])
        else:
            out.add(name)
    return out


def cycles(imports):
    """One path for each library that reaches itself through what it includes."""
    found = []
    for start in sorted(imports):
        stack = [(start, [start])]
        seen = set()
        while stack:
            name, path = stack.pop()
            for other in sorted(imports.get(name, ())):
                if other == start:
                    found.append(path + [start])
                    stack = []
                    break
                if other not in seen:
                    seen.add(other)
                    stack.append((other, path + [other]))
    return found


def main():
    root = pathlib.Path(sys.argv[1]).resolve()
    libs = libraries(root)
    owner = {}
    faults = []
    for name, lib in sorted(libs.items()):
        for folder in lib["folders"]:
            if folder in owner:
                # Two libraries in one folder let it stand both below and above a third.
                faults.append(f"{folder}/ is seen by both {owner[folder]} and {name}")
            owner[folder] = name
    imports = {}
    for name, lib in sorted(libs.items()):
        if not lib["folders"]:
            continue
        links = expand(libs, lib["links"])
        used = set()
        for source in lib["sources"]:
            for path in INCLUDE.findall(source.read_text(encoding="utf-8")):
                folders = [f for f in owner if path.startswith(f + "/")]
                if not folders:
                    continue  # beside the file, or a test's own support header
                other = owner[max(folders, key=len)]
                if other == name:
                    continue
                used.add(other)
                if other not in links:
                    faults.append(f"{source.relative_to(root)} includes \"{path}\" of {other}, which {name} "
                                  f"does not link")
        for unused in sorted(links - used):
            faults.append(f"{name} links {unused} but includes none of its headers")
        imports[name] = used
    faults += [f"{' -> '.join(cycle)}: folders that include each other" for cycle in cycles(imports)]
    for fault in faults:
        print(fault)
    return 1 if faults else 0


if __name__ == "__main__":
    sys.exit(main())
