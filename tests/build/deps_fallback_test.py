#!/usr/bin/env python3
"""scripts/deps when the 32-bit set cannot be installed (a package name that exists nowhere stands in for
a mirror whose i386 lists lag): deps warns and exits 0, the companion's gate reports a skip with the
reason, and QX_REQUIRE_32BIT=1 makes both fail. Runs in a build root of its own, so the machine's own
record of its rigs stays as it was."""
import os
import pathlib
import subprocess
import sys
import tempfile

ROOT = pathlib.Path(__file__).resolve().parents[2]
MISSING = "qx-no-such-package"


def run(args, **env):
    return subprocess.run([str(ROOT / "scripts" / args[0])] + args[1:], capture_output=True, text=True,
                          env={**os.environ, **env}, stdin=subprocess.DEVNULL)


def main():
    failures = []
    with tempfile.TemporaryDirectory() as out:
        base = {"QX_BUILD_ROOT": out, "QX_DEPS_I386_PACKAGES": f"{MISSING} qemu-user", "QX_ARM64": "off",
                "QX_REQUIRE_32BIT": ""}
        # (what is checked, command, extra environment, exit code, text its output must hold)
        rows = [
            ("deps goes on without the 32-bit set", ["deps"], {}, 0, MISSING),
            ("the companion's gate skips, naming why", ["rig-gate", "i386", "true"], {}, 77, MISSING),
            ("a release machine's deps fails", ["deps"], {"QX_REQUIRE_32BIT": "1"}, 1, "QX_REQUIRE_32BIT=1"),
            ("a release machine's gate fails", ["rig-gate", "i386", "true"], {"QX_REQUIRE_32BIT": "1"}, 1,
             MISSING),
        ]
        for what, args, env, code, text in rows:
            result = run(args, **{**base, **env})
            said = result.stdout + result.stderr
            if result.returncode != code or text not in said:
                failures.append(f"{what}: exit {result.returncode} (wanted {code}), output lacks "
                                f"{text!r}:\n{said}")
    for failure in failures:
        print("FAIL:", failure)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
