// The start-up benchmark behind scripts/bench: the real launcher against bare_loader.exe on the same
// bridge runtime, runs alternating after a warm-up, medians of N. Prints one table; never fails on a
// figure, only when a case cannot run at all.
// usage: qxbench [N]
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "support/lib/embedded_resources.h"
#include "support/lib/java_registry.h"
#include "support/lib/launcher_app.h"
#include "support/lib/test_env.h"

using namespace qxtest;

namespace {

constexpr int kWarmUp = 2;
constexpr DWORD kRunLimitMs = 120000;
constexpr DWORD kIdleMeasureMs = 6000;  // process times tick in 10 ms: 0.17 % of a core

std::wstring bareLoader() { return outDir() + L"\\bench\\bare_loader.exe"; }

std::wstring bareCommand(const std::wstring& jar, const std::wstring& mainClass,
                         const std::wstring& args = L"") {
    return quote(bareLoader()) + L" " + quote(runtimeHome(L"jdk17") + L"\\bin\\server\\jvm.dll") + L" " +
           quote(jar) + L" " + mainClass + (args.empty() ? L"" : L" " + args);
}

struct Started {
    qx::UniqueHandle process;
    qx::UniqueHandle thread;
};

bool start(const std::wstring& command, const ChildOptions& options, Started& started) {
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    const qx::UniqueFile nul(CreateFileW(L"NUL", GENERIC_READ | GENERIC_WRITE,
                                         FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit, OPEN_EXISTING, 0,
                                         nullptr));
    PROCESS_INFORMATION pi{};
    if (!startProcess(command, options, nul.get(), nul.get(), nul.get(), pi)) return false;
    started.process.reset(pi.hProcess);
    started.thread.reset(pi.hThread);
    return true;
}

// Wall time of one start to its end, in milliseconds; negative when it failed or hung.
double timedRun(const std::wstring& command, const ChildOptions& options) {
    LARGE_INTEGER frequency, begin, end;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&begin);
    Started child;
    if (!start(command, options, child)) return -1;
    if (WaitForSingleObject(child.process.get(), kRunLimitMs) != WAIT_OBJECT_0) {
        TerminateProcess(child.process.get(), 1);
        return -1;
    }
    QueryPerformanceCounter(&end);
    DWORD code = 1;
    GetExitCodeProcess(child.process.get(), &code);
    if (code != 0) return -1;
    return 1000.0 * static_cast<double>(end.QuadPart - begin.QuadPart) /
           static_cast<double>(frequency.QuadPart);
}

double median(std::vector<double> values) {
    if (values.empty()) return 0;
    std::sort(values.begin(), values.end());
    const size_t mid = values.size() / 2;
    return values.size() % 2 ? values[mid] : (values[mid - 1] + values[mid]) / 2;
}

struct Row {
    std::string name;
    double bare = 0, launcher = 0;  // medians, ms
    double pairRatio = 0;           // median of the per-pair ratios
};

// Alternates the two commands; false when either fails once (the case is then left out, and said so).
bool alternate(const std::string& name, int n, const std::wstring& bare, const ChildOptions& bareOptions,
               const std::wstring& launcher, const ChildOptions& launcherOptions, Row& row) {
    std::vector<double> bareTimes, launcherTimes, ratios;
    for (int i = 0; i < kWarmUp + n; ++i) {
        // Which one goes first alternates too, so neither always inherits the other's warm caches.
        double b, l;
        if (i % 2 == 0) {
            b = timedRun(bare, bareOptions);
            l = timedRun(launcher, launcherOptions);
        } else {
            l = timedRun(launcher, launcherOptions);
            b = timedRun(bare, bareOptions);
        }
        if (b < 0 || l < 0) {
            std::fprintf(stderr, "%s: a %s run failed\n", name.c_str(), b < 0 ? "bare loader" : "launcher");
            return false;
        }
        if (i < kWarmUp) continue;
        bareTimes.push_back(b);
        launcherTimes.push_back(l);
        ratios.push_back(l / b);
    }
    row = {name, median(bareTimes), median(launcherTimes), median(ratios)};
    return true;
}

// Sanity check before timing: one start of `command` must print "main done".
bool runsToMain(const std::string& name, const std::wstring& command, const ChildOptions& options) {
    const ChildResult r = runChild(command, options);
    if (r.exitCode == 0 && r.out.find("main done") != std::string::npos) return true;
    std::fprintf(stderr, "%s: the start did not reach main (exit %lu)\n%s%s", name.c_str(), r.exitCode,
                 r.out.c_str(), r.err.c_str());
    return false;
}

// Peak working set of the process when it called JNI_CreateJavaVM, as the bridge records it.
double peakWorkingSetKiB(const std::wstring& command, const ChildOptions& base, const std::wstring& file) {
    ChildOptions options = base;
    options.env[L"QXBENCH_MEMORY"] = file;
    DeleteFileW(file.c_str());
    runChild(command, options);
    std::string text;
    if (!readFile(file, text)) return -1;
    return std::strtod(text.c_str(), nullptr) / 1024.0;
}

double cpuMs(HANDLE process) {
    FILETIME created, exited, kernel, user;
    if (!GetProcessTimes(process, &created, &exited, &kernel, &user)) return -1;
    const auto ms = [](const FILETIME& t) {
        return static_cast<double>((static_cast<ULONGLONG>(t.dwHighDateTime) << 32) | t.dwLowDateTime) /
               10000.0;
    };
    return ms(kernel) + ms(user);
}

bool waitForText(const std::wstring& file, const std::string& text, DWORD limitMs) {
    const ULONGLONG deadline = GetTickCount64() + limitMs;
    for (;;) {
        std::string content;
        if (readFile(file, content) && content.find(text) != std::string::npos) return true;
        if (GetTickCount64() > deadline) return false;
        Sleep(50);
    }
}

struct IdleCpu {
    double primary = -1, secondary = -1, bare = -1;  // percent of one core while waiting
};

// A first instance whose main waits, and a second start whose secondaryMain waits in the first: the CPU
// both use over a few seconds. The bare loader running the same waiting main is the floor the JVM
// itself costs.
bool measureWaiting(IdleCpu& result) {
    LauncherApp app = makeApp(L"bench-single");
    const std::wstring log = app.dir + L"\\log.txt";
    app.writeIni("[Java Runtime Environment]\r\nMain Class=qx.test.SingleInt\r\nJRE Path=" +
                 narrow(runtimeHome(L"jdk17")) + "\r\nVirtual Machine Parameters=-Dqx.log=" + narrow(log) +
                 "\r\n[Class Path]\r\nClass Path=" + narrow(testJar(L"single")) +
                 "\r\n[Application]\r\nSingle Instance=yes\r\n");
    const std::wstring quit = app.dir + L"\\quit", release = app.dir + L"\\release";
    const double perCore = kIdleMeasureMs / 100.0;

    Started primary, secondary;
    if (!start(quote(app.exe) + L" --await=" + quit, app.options, primary) ||
        !waitForText(log, "main thread=", 60000)) {
        std::fputs("single instance: the first instance did not reach main\n", stderr);
        return false;
    }
    if (!start(quote(app.exe) + L" --await=" + release, app.options, secondary) ||
        !waitForText(log, "secondary thread=", 60000)) {
        std::fputs("single instance: the second start was not handed over\n", stderr);
        return false;
    }
    Sleep(500);
    const double p0 = cpuMs(primary.process.get()), s0 = cpuMs(secondary.process.get());
    Sleep(kIdleMeasureMs);
    const double p1 = cpuMs(primary.process.get()), s1 = cpuMs(secondary.process.get());
    writeFile(release, "");
    WaitForSingleObject(secondary.process.get(), 30000);
    writeFile(quit, "");
    WaitForSingleObject(primary.process.get(), 30000);
    result.primary = (p1 - p0) / perCore;
    result.secondary = (s1 - s0) / perCore;

    // The same waiting main without a launcher: the JVM's own idle cost.
    const std::wstring bareLog = app.dir + L"\\bare-log.txt", bareQuit = app.dir + L"\\bare-quit";
    Started bare;
    ChildOptions bareOptions = app.options;
    if (!start(bareCommand(testJar(L"single"), L"qx/test/SingleInt", L"--await=" + bareQuit), bareOptions,
               bare))
        return true;
    Sleep(3000);
    const double b0 = cpuMs(bare.process.get());
    Sleep(kIdleMeasureMs);
    const double b1 = cpuMs(bare.process.get());
    writeFile(bareQuit, "");
    WaitForSingleObject(bare.process.get(), 30000);
    result.bare = (b1 - b0) / perCore;
    return true;
}

// 100 registered runtimes over all seven vendor rows and both views; only the newest is real.
void registerRuntimes(JavaRegistry& registry, const std::wstring& dir) {
    static const wchar_t* const kRows[] = {
        L"Software\\JavaSoft\\JDK\\",
        L"Software\\JavaSoft\\JRE\\",
        L"Software\\JavaSoft\\Java Development Kit\\",
        L"Software\\JavaSoft\\Java Runtime Environment\\",
        L"Software\\JRockit\\Java Runtime Environment\\",
        L"Software\\JRockit\\Java Development Kit\\",
        L"Software\\IBM\\Java2 Runtime Environment\\",
    };
    for (int i = 0; i < 99; ++i) {
        const std::wstring key = kRows[i % 7];
        const std::wstring home = dir + L"\\rt" + std::to_wstring(i);
        // That row's runtimes keep their VM below jre\.
        const bool underJre = key == kRows[2];
        makeRuntime(underJre ? home + L"\\jre" : home, {L"server"});
        const std::wstring name = L"1." + std::to_wstring(5 + i % 4) + L".0_" + std::to_wstring(i);
        static_cast<void>(registry.add(key, name, home, (i / 7) % 2 ? View::Bits32 : View::Native));
    }
    static_cast<void>(registry.add(kRows[0], L"17.0.99", runtimeHome(L"jdk17")));
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    const int n = argc > 1 ? std::max(1, _wtoi(argv[1])) : 15;
    const std::wstring probe = testJar(L"probe");
    const std::wstring bare = bareCommand(probe, L"qx/test/Probe");
    std::vector<Row> rows;
    bool complete = true;

    // One case: a start that reaches main once, then timed against the bare loader.
    const auto timeCase = [&](const char* name, const std::string& title, const LauncherApp& app) {
        Row row;
        if (runsToMain(name, quote(app.exe), app.options) &&
            alternate(title, n, bare, app.options, quote(app.exe), app.options, row)) {
            rows.push_back(row);
        } else {
            complete = false;
        }
    };

    LauncherApp plain = makeApp(L"bench-plain");
    plain.writeIni(probeIni());
    timeCase("plain", "plain start", plain);

    // The settings travel enciphered in the exe; the file beside it holds only the Upgrade Code.
    LauncherApp embedded = makeApp(L"bench-embedded");
    const std::string upgradeCode = "{5A1B0C2D-BENCH}";
    std::wstring text = widen(probeIni());
    if (copyWithSettings(launcherExe(), embedded.exe, upgradeCode, L"bench pass phrase", text)) {
        embedded.writeIni("[Product Information]\r\nUpgrade Code=" + upgradeCode + "\r\n");
        timeCase("embedded", "embedded settings", embedded);
    } else {
        std::fputs("embedded settings: cannot write the resources\n", stderr);
        complete = false;
    }

    // The probe's jar appended to the launcher by qxpack and the whole signed with osslsigncode (the
    // fixtures that scripts/build makes for the signature tests): a packaged, signed start.
    const std::wstring signedExe = outDir() + L"\\support\\signed\\signed.exe";
    std::string signedUpgradeCode;
    if (readFile(outDir() + L"\\support\\signed\\upgrade-code.txt", signedUpgradeCode) &&
        !lines(signedUpgradeCode).empty()) {
        LauncherApp packaged = makeApp(L"bench-signed", L"app", signedExe);
        packaged.writeIni("[Product Information]\r\nUpgrade Code=" + lines(signedUpgradeCode)[0] +
                          "\r\n[Java Runtime Environment]\r\nJRE Path=" + narrow(runtimeHome(L"jdk17")) +
                          "\r\n");
        timeCase("signed", "signed, jar appended", packaged);
    } else {
        std::fputs("signed, jar appended: no build\\support\\signed (scripts/build makes it)\n", stderr);
        complete = false;
    }

    {
        LauncherApp searching = makeApp(L"bench-registry");
        searching.writeIni(
            "[Java Runtime Environment]\r\nMain Class=qx.test.Probe\r\nVM Provider=any\r\n"
            "[Class Path]\r\nClass Path=" +
            narrow(probe) + "\r\n");
        JavaRegistry registry;
        registerRuntimes(registry, searching.dir);
        timeCase("registry", "100 registry runtimes", searching);
    }  // the registry rows are cleared here

    IdleCpu idle;
    if (!measureWaiting(idle)) complete = false;

    const std::wstring memoryFile = plain.dir + L"\\memory.txt";
    const double bareKiB = peakWorkingSetKiB(bare, plain.options, memoryFile);
    const double launcherKiB = peakWorkingSetKiB(quote(plain.exe), plain.options, memoryFile);

    WIN32_FILE_ATTRIBUTE_DATA exeData{};
    GetFileAttributesExW(launcherExe().c_str(), GetFileExInfoStandard, &exeData);

    std::printf("qxbench: N=%d (+%d warm-up), runs alternate, times are medians in ms\n\n", n, kWarmUp);
    std::printf("| case | bare loader | qxlaunch | ratio of medians | median ratio |\n");
    std::printf("|---|---:|---:|---:|---:|\n");
    for (const Row& r : rows) {
        std::printf("| %s | %.0f | %.0f | %.2f | %.2f |\n", r.name.c_str(), r.bare, r.launcher,
                    r.launcher / r.bare, r.pairRatio);
    }
    std::printf("\n| figure | value |\n|---|---:|\n");
    std::printf("| build/bin/qxlaunch.exe | %lu bytes (%.1f KiB) |\n", exeData.nFileSizeLow,
                exeData.nFileSizeLow / 1024.0);
    std::printf("| peak working set at JNI_CreateJavaVM, bare loader | %.0f KiB |\n", bareKiB);
    std::printf("| peak working set at JNI_CreateJavaVM, qxlaunch | %.0f KiB |\n", launcherKiB);
    std::printf("| CPU while waiting, first instance (launcher + waiting JVM) | %.2f %% of a core |\n",
                idle.primary);
    std::printf("| CPU while waiting, second start | %.2f %% of a core |\n", idle.secondary);
    std::printf("| CPU while waiting, bare loader running the same waiting main | %.2f %% of a core |\n",
                idle.bare);
    return complete ? 0 : 1;
}
