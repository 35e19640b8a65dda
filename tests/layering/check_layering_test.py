#!/usr/bin/env python3
"""The layering check itself: a small tree with one breach of each kind fails with each named,
and the same tree without them passes."""

import os
import subprocess
import sys
import tempfile

CHECK = os.path.join(os.path.dirname(os.path.abspath(__file__)), "check_layering.py")

GOOD = {
    "core/text.h": '#pragma once\n#include <string>\n',
    "datafiles/abytes.h": '#include "core/text.h"\n',
    "comport/port.cpp": '#include "datafiles/abytes.h"\n#include "platform/serial.h"\n',
    "platform/posix/serial.cpp": '#include "platform/serial.h"\n#ifdef __linux__\n#endif\n',
    "gui/qt/main.cpp": '#include "app/main_window.h"\n',
    "app/main_window.cpp": '#include "app/detail/package_reader.h"\n',
    "tools/zev-pack/main.cpp": '#include "datafiles/abytes.h"\n',
    "tests/unit/any_test.cpp": '#include "gui/qt/main.h"\n#include "app/detail/package_reader.h"\n'
                               '#ifdef _WIN32\n#endif\n',
}
BAD = {
    "core/text.h": ('#include "app/main_window.h"\n', "core includes app/main_window.h"),
    "comport/port.cpp": ('#include "threads/thread_ctrl.h"\n', "comport includes threads/"),
    "platform/posix/serial.cpp": ('#include "platform/win32/wide_text.h"\n',
                                  "across the platform seam"),
    "datafiles/abytes.h": ('#if defined(_WIN32)\n#endif\n', "OS test outside platform/"),
    "tools/zev-pack/main.cpp": ('#include "gui/qt/main_form.h"\n', "tools/zev-pack includes gui"),
    "gui/qt/main.cpp": ('#include "app/detail/package_reader.h"\n', "internal to app"),
}


def make(root, files):
    for path, text in files.items():
        full = os.path.join(root, path)
        os.makedirs(os.path.dirname(full), exist_ok=True)
        with open(full, "w") as f:
            f.write(text)


def run(root):
    done = subprocess.run([sys.executable, CHECK, root], capture_output=True, text=True)
    return done.returncode, done.stdout


def main():
    failures = []
    with tempfile.TemporaryDirectory() as good:
        make(good, GOOD)
        status, out = run(good)
        if status != 0:
            failures.append("a clean tree fails:\n" + out)
    with tempfile.TemporaryDirectory() as bad:
        make(bad, GOOD)
        make(bad, {path: text for path, (text, _) in BAD.items()})
        status, out = run(bad)
        if status != 1:
            failures.append("a tree with breaches passes (status %d)" % status)
        for path, (_, what) in BAD.items():
            if not any(line.startswith(path + ":") and what in line for line in out.splitlines()):
                failures.append("not reported: %s (%s)\n%s" % (path, what, out))
        if "layering: %d breaches" % len(BAD) not in out:
            failures.append("expected %d breaches:\n%s" % (len(BAD), out))
    for failure in failures:
        print("FAIL: " + failure)
    print("check_layering_test: %s" % ("FAILED" if failures else "passed"))
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
