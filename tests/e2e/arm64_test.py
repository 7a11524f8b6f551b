#!/usr/bin/env python3
"""The ARM64 launchers, started for real: under Wine for arm64, which qemu's aarch64 emulator runs in the
arm64 root of scripts/arm64-rig, against the arm64 OpenJDK behind the arm64 bridge jvm.dll.

Every start under emulation is slow, so all of them run in one session of the rig (one Wine server),
one after the other, and each leaves its standard output, standard error and exit code in its folder;
the table below says what each must show. Wine hands the exit code over as its low 8 bits: -1 is 255.

usage: arm64_test.py BUILD_DIR      (CTest runs it through scripts/rig-gate arm64)
"""
import pathlib
import shlex
import subprocess
import sys

ROOT = pathlib.Path(__file__).resolve().parents[2]
UPGRADE_CODE = "{3F2A9C1E-7B4D-4E8A-9D61-0A64A6400030}"
REGISTERED = "registry 64-bit HKLM\\Software\\JavaSoft\\JRE\\17"
NOT_FOUND = ("Error: The Java Runtime Environment (JRE) was not found (latest version), and no window "
             "can be shown here to choose one. Set JRE Path in the INI file. ")


def windows(path):
    """The path as the programs see it: Wine's Z: drive is the root's /, where the checkout is mounted."""
    return "Z:" + str(path).replace("/", "\\")


def ini(sections):
    return "".join("[%s]\r\n%s" % (name, "".join("%s=%s\r\n" % kv for kv in keys)) for name, keys in sections)


class Start:
    """One start: the exe copied into a folder of its own with its settings file beside it."""

    def __init__(self, name, exe, settings, args="", env=None, out=(), err=(), code=0):
        self.name, self.source, self.settings, self.args = name, exe, settings, args
        self.env = env or {}
        self.out, self.err, self.code = out, err, code

    def place(self, folder):
        folder.mkdir(parents=True, exist_ok=True)
        self.exe = folder / self.source.name
        self.exe.write_bytes(self.source.read_bytes())
        settings = self.exe.with_suffix(".ini")
        if self.settings is None:  # the settings file qxpack wrote beside the exe
            settings.write_bytes(self.source.with_suffix(".ini").read_bytes())
        else:
            settings.write_text(ini(self.settings))


def starts(build, scratch, arm64_home, x64_home):
    bin_dir = build / "bin"
    probe = windows(build / "support" / "java" / "probe.jar")
    probe_app = [("Java Runtime Environment", [("Main Class", "qx.test.Probe")]), ("Class Path", [("Class Path", probe)])]
    packed = package(build, scratch / "packaged" / "packed.exe", arm64_home)
    x64_line = ("runtime library %s\\bin\\server\\jvm.dll (x64): passed over, this launcher hosts arm64 runtimes "
                "only" % x64_home)
    return [
        Start("the console launcher runs a Java main on the arm64 runtime",
              bin_dir / "qxlaunch-arm64.exe",
              [("Java Runtime Environment", [("Main Class", "qx.test.Probe"), ("JRE Path", arm64_home)]),
               ("Class Path", [("Class Path", probe)])],
              args='one "two three" --prop=os.arch',
              out=["args=3", "arg[0]=one", "arg[1]=two three", "arg[2]=--prop=os.arch", "prop[os.arch]=aarch64",
                   "main done"]),
        # The x64 runtime comes first ("JRE Path") and again from the registry's native view; both are passed
        # over, and with nothing else to take the start ends with the missing-runtime line.
        Start("an x64 runtime is passed over, with the architecture line",
              bin_dir / "qxlaunch-arm64.exe",
              [("Java Runtime Environment", [("Main Class", "qx.test.Probe"), ("JRE Path", x64_home)]),
               ("Class Path", [("Class Path", probe)])],
              env={"QXLAUNCH_TRACE": "stderr"},
              out=[NOT_FOUND],
              err=[x64_line, REGISTERED + " version 17.0: no jvm.dll under " + x64_home + "\\", "exit code -1"],
              code=255),
        Start("qxpack's package of the launcher runs from its embedded settings and appended jar",
              packed, None, args="--prop=java.class.path",
              out=["args=1", "prop[java.class.path]=%s", "main done"]),
        Start("the windowed launcher writes the missing-runtime line to the output it was given",
              bin_dir / "qxlaunchw-arm64.exe", probe_app, out=[NOT_FOUND], code=255),
    ]


def package(build, packed, arm64_home):
    """qxpack, on the build machine, makes an arm64 exe with embedded settings and the probe jar appended."""
    packed.parent.mkdir(parents=True, exist_ok=True)
    embedded = packed.parent / "embedded.ini"
    embedded.write_text(ini([("Java Runtime Environment", [("Main Class", "qx.test.Probe")])]))
    settings = packed.parent / "settings.ini"
    settings.write_text(ini([("Java Runtime Environment", [("JRE Path", arm64_home)])]))
    subprocess.run([str(build / "pack-native" / "qxpack"), "build", "--launcher", str(build / "bin" / "qxlaunch-arm64.exe"),
                    "--output", str(packed), "--ini", str(settings), "--embed", str(embedded),
                    "--jar", str(build / "support" / "java" / "probe.jar"), "--upgrade-code", UPGRADE_CODE,
                    "--pass-phrase", "fixed"], check=True, capture_output=True)
    return packed


def session_script(cases, x64_home):
    """One shell script for the rig: each start in its own folder, its output and exit code left there."""
    key = "HKLM\\" + REGISTERED[len("registry 64-bit HKLM\\"):]
    lines = ["wine=/usr/lib/wine/wine64",
             # The registry's native view holds the x64 runtime for the session, and loses it at its end.
             "$wine reg add %s /v JavaHome /d %s /f >/dev/null 2>&1" % (shlex.quote(key), shlex.quote(x64_home))]
    for case in cases:
        env = " ".join("%s=%s" % (k, shlex.quote(v)) for k, v in sorted(case.env.items()))
        lines.append("cd %s && env -u JAVA_HOME %s $wine %s %s </dev/null >out.txt 2>err.txt; echo $? >code.txt" %
                     (shlex.quote(str(case.exe.parent)), env, shlex.quote(case.exe.name), case.args))
    lines += ["$wine reg delete %s /f >/dev/null 2>&1" % shlex.quote(key), "wineserver -k", "true"]
    return "\n".join(lines)


def main():
    build = pathlib.Path(sys.argv[1]).resolve()
    scratch = build / "arm64-rig" / "tests"
    subprocess.run(["rm", "-rf", str(scratch)], check=True)
    arm64_home = windows(build / "arm64-rig" / "runtimes" / "jdk17")
    x64_home = windows(build / "runtimes" / "jdk17-pe")
    cases = starts(build, scratch, arm64_home, x64_home)
    for i, case in enumerate(cases):
        case.place(scratch / ("start%d" % i))
    subprocess.run([str(ROOT / "scripts" / "arm64-rig"), "run", session_script(cases, x64_home)], check=True)

    failures = 0
    for case in cases:
        out = (case.exe.parent / "out.txt").read_text(errors="replace").replace("\r\n", "\n")
        err = (case.exe.parent / "err.txt").read_text(errors="replace").replace("\r\n", "\n")
        code = int((case.exe.parent / "code.txt").read_text().strip() or -1)
        print("--- %s: exit code %d" % (case.name, code))
        print(out.rstrip())
        # The bridge hands the JVM the class path as a Unix path.
        expected = [line.replace("%s", str(case.exe)) for line in case.out]
        problems = ["exit code %d, expected %d" % (code, case.code)] if code != case.code else []
        problems += ["no stdout line %r" % line for line in expected if line not in out.split("\n")]
        problems += ["no stderr line ending in %r" % line for line in case.err
                     if not any(seen.endswith(line) for seen in err.split("\n"))]
        for problem in problems:
            print("FAIL: " + problem)
        if problems:
            print("stderr:\n" + err)
        failures += bool(problems)
    print("%d of %d starts failed" % (failures, len(cases)))
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
