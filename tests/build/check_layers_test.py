#!/usr/bin/env python3
"""The include check fails on each kind of violation it exists for, and passes the tree as it is."""
import pathlib
import shutil
import subprocess
import sys
import tempfile

ROOT = pathlib.Path(__file__).resolve().parents[2]
CHECK = ROOT / "scripts" / "check-layers"

# (file, line appended, text the report must name)
VIOLATIONS = [
    ("src/base/path_text.cpp", '#include "diag/report_error.h"', "base must not include"),
    ("src/diag/format_message.cpp", '#include "config/layered_store.h"', "diag must not include"),
    ("src/runtime/jvm_probe.cpp", '#include "vm/vm_settings.h"', "runtime must not include"),
    ("src/vm/jni_utils.cpp", '#include "config/settings_keys.h"', "vm must not include"),
    ("src/config/layered_store.cpp", '#include "launch/launcher.h"', "config must not include"),
    ("src/runtime/java_version.cpp", "#include <windows.h>", "pure logic includes <windows.h>"),
    ("src/base/split_text.h", '#include "base/scoped.h"', "pure logic includes <windows.h>"),
]


def run(root):
    return subprocess.run([sys.executable, str(CHECK), str(root)], capture_output=True, text=True)


def main():
    failures = []
    if run(ROOT).returncode != 0:
        failures.append("the checkout itself does not pass")
    for file, line, expected in VIOLATIONS:
        with tempfile.TemporaryDirectory() as temp:
            copy = pathlib.Path(temp)
            shutil.copytree(ROOT / "src", copy / "src")
            shutil.copytree(ROOT / "cmake", copy / "cmake")
            with open(copy / file, "a", encoding="utf-8") as f:
                f.write("\n" + line + "\n")
            result = run(copy)
            if result.returncode == 0 or expected not in result.stderr:
                failures.append(f"{file} + {line}: exit {result.returncode}, {result.stderr.strip()!r}")
    for failure in failures:
        print(failure)
    print(f"{len(VIOLATIONS) + 1 - len(failures)} passed, {len(failures)} failed")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
