#!/usr/bin/env python3
"""Checks that the sources include only downwards: gui -> app -> bootloader -> comport, threads
-> datafiles, platform -> core; tools and each platform or GUI binding keep to their own side.

    check_layering.py [ROOT]        (default: the repository this file is in)

Looks at every '#include "folder/..."' of the product's folders (tests, benchmarks and fuzzers
may include anything), at headers in a folder's detail/, which only that folder may include,
and at OS tests (#if/#ifdef on _WIN32, __linux__, ...), which belong in
platform/ and gui/ only. Prints each breach as FILE:LINE: what; exit status 1 when there is one.
"""

import os
import re
import sys

# What each folder may include, besides itself.
BELOW = {
    "core": set(),
    "platform": {"core"},
    "datafiles": {"core"},
    "comport": {"datafiles", "platform", "core"},
    "threads": {"datafiles", "platform", "core"},
    "bootloader": {"comport", "threads", "datafiles", "platform", "core"},
    "app": {"bootloader", "comport", "threads", "datafiles", "platform", "core"},
    "gui/qt": {"app", "bootloader", "comport", "threads", "datafiles", "platform", "core"},
    "gui/win32": {"app", "bootloader", "comport", "threads", "datafiles", "platform", "core"},
    "tools/zev-pack": {"datafiles", "platform", "core"},
    "tools/zev-devsim": {"datafiles", "platform", "core"},
}
# Folders inside a layer that must not see each other: the two sides of the platform seam.
APART = {"platform/posix": "platform/win32", "platform/win32": "platform/posix"}
OS_TEST = re.compile(r"^\s*#\s*(if|ifdef|ifndef|elif)\b.*\b(_WIN32|_WIN64|WIN32|__linux__|"
                     r"__unix__|__APPLE__|_MSC_VER|__MINGW32__|__MINGW64__|_POSIX_VERSION)\b")
INCLUDE = re.compile(r'^\s*#\s*include\s+"([^"]+)"')


def owner(path):
    """The folder of BELOW that a repository path belongs to, or None."""
    for folder in sorted(BELOW, key=len, reverse=True):
        if path == folder or path.startswith(folder + "/"):
            return folder
    return None


def side(path):
    for folder in APART:
        if path.startswith(folder + "/"):
            return folder
    return None


def check(root):
    breaches = []
    for folder in BELOW:
        top = os.path.join(root, folder)
        for base, _, files in os.walk(top):
            for name in sorted(files):
                if not name.endswith((".h", ".cpp")):
                    continue
                full = os.path.join(base, name)
                rel = os.path.relpath(full, root).replace(os.sep, "/")
                if owner(rel) != folder:
                    continue  # a deeper folder of its own (gui/qt inside gui)
                with open(full, encoding="utf-8", errors="replace") as f:
                    for number, line in enumerate(f, 1):
                        where = "%s:%d: " % (rel, number)
                        if OS_TEST.search(line) and not rel.startswith(("platform/", "gui/")):
                            breaches.append(where + "OS test outside platform/ and gui/")
                        m = INCLUDE.match(line)
                        if not m:
                            continue
                        target = m.group(1)
                        to = owner(target)
                        if to is None:
                            continue  # a header of a library or of the same folder by name
                        if to != folder and to not in BELOW[folder]:
                            breaches.append(where + "%s includes %s (%s may include only %s)" % (
                                folder, target, folder,
                                ", ".join(sorted(BELOW[folder])) or "itself"))
                        if "/detail/" in target and to != folder:
                            breaches.append(where + "%s includes %s, which is internal to %s" %
                                            (folder, target, to))
                        mine, theirs = side(rel), side(target)
                        if mine and theirs and APART.get(mine) == theirs:
                            breaches.append(where + "%s includes %s across the platform seam" %
                                            (mine, target))
    return breaches


def main():
    root = sys.argv[1] if len(sys.argv) > 1 else os.path.join(
        os.path.dirname(os.path.abspath(__file__)), "..", "..")
    breaches = check(os.path.abspath(root))
    for breach in breaches:
        print(breach)
    print("layering: %d breach%s" % (len(breaches), "" if len(breaches) == 1 else "es"))
    return 1 if breaches else 0


if __name__ == "__main__":
    sys.exit(main())
