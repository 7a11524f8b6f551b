// One instance per executable path, between real processes: a second start hands its arguments to the
// running instance's secondaryMain and ends with its answer.
#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <string>
#include <vector>

#include "base/scoped.h"
#include "launch/handoff_block.h"
#include "support/lib/async_child.h"
#include "support/lib/launcher_app.h"

using namespace qxtest;

namespace {

constexpr DWORD kFailed = 0xFFFFFFFFu;
// Generous bounds for a JVM start under Wine; reaching one is a failure, never a measurement.
constexpr DWORD kStartMs = 60000;

struct SingleApp {
    LauncherApp app;
    std::wstring log;
    AsyncChild primary;

    explicit SingleApp(const std::wstring& test, const std::string& mainClass = "qx.test.SingleInt",
                       const std::string& extraVm = "", const std::string& singleInstance = "yes")
        : app(makeApp(test)), log(app.dir + L"\\log.txt") {
        writeIni(mainClass, extraVm, singleInstance);
    }

    void writeIni(const std::string& mainClass, const std::string& extraVm = "",
                  const std::string& singleInstance = "yes") const {
        app.writeIni("[Java Runtime Environment]\r\nMain Class=" + mainClass +
                     "\r\nJRE Path=" + narrow(runtimeHome(L"jdk17")) +
                     "\r\nVirtual Machine Parameters=-Dqx.log=" + narrow(log) + " " + extraVm +
                     "\r\n[Class Path]\r\nClass Path=" + narrow(testJar(L"single")) +
                     "\r\n[Application]\r\nSingle Instance=" + singleInstance + "\r\n");
    }

    std::wstring file(const std::wstring& name) const { return app.dir + L"\\" + name; }
    std::wstring command(const std::wstring& args) const { return quote(app.exe) + L" " + args; }

    // Starts the first instance and waits until its main runs.
    bool startPrimary(const std::wstring& args) {
        return primary.start(command(args), app.options, file(L"primary")) &&
               waitForLineStarting(log, "main thread=main", kStartMs);
    }
    // Ends a primary started with --await=<quit>.
    DWORD quitPrimary() {
        writeFile(file(L"quit"), "");
        return primary.ended(kStartMs) ? primary.exitCode() : 0xDEADu;
    }
    std::wstring awaitQuit() const { return L"--await=" + file(L"quit"); }

    std::vector<std::string> secondaryLines() const {
        std::vector<std::string> out;
        for (const std::string& line : fileLines(log)) {
            if (line.rfind("secondary thread=", 0) == 0) out.push_back(line);
        }
        return out;
    }
};

std::string readLog(const std::wstring& path) {
    std::string text;
    readFile(path, text);
    return text;
}

// "secondary thread=NAME count=N args=[...]" without the thread part.
std::string callOf(const std::string& line) { return line.substr(line.find(" count=") + 1); }

TEST(SingleInstance, IntSecondaryMainAnswersOnItsOwnThreadAfterReturning) {
    SingleApp s(L"si-int");
    ASSERT_TRUE(s.startPrimary(s.awaitQuit()));

    ChildResult r = s.app.run(L"--answer=7 alpha \"two words\"");
    EXPECT_EQ(r.exitCode, 7u) << r.out << r.err;
    // The answer is posted once the method has returned, so its last line is already there.
    EXPECT_TRUE(hasLine(readLog(s.log), "secondary returns 7"));
    std::vector<std::string> calls = s.secondaryLines();
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(callOf(calls[0]), "count=3 args=[--answer=7|alpha|two words]");
    EXPECT_EQ(calls[0].find("thread=main "), std::string::npos) << calls[0];

    EXPECT_EQ(s.app.run(L"--answer=-1").exitCode, kFailed);
    EXPECT_EQ(s.app.run(L"--answer=3 gr\u00fc\u00dfe \u65e5\u672c").exitCode, 3u);
    // No arguments arrive as one empty string.
    EXPECT_EQ(s.app.run().exitCode, 0u);
    calls = s.secondaryLines();
    ASSERT_EQ(calls.size(), 4u);
    EXPECT_EQ(callOf(calls[2]), "count=3 args=[--answer=3|gr\u00fc\u00dfe|\u65e5\u672c]");
    EXPECT_EQ(callOf(calls[3]), "count=1 args=[]");

    EXPECT_EQ(s.quitPrimary(), 0u);
}

TEST(SingleInstance, ArgumentsUpTo1040BytesWithTerminatorsPass) {
    SingleApp s(L"si-bound");
    ASSERT_TRUE(s.startPrimary(s.awaitQuit()));
    // "--answer=5" takes (10 + 1) * 2 bytes; 507 more units with their terminator and the final one
    // make 1040 exactly.
    const std::wstring fits(507, L'f');
    EXPECT_EQ(s.app.run(L"--answer=5 " + fits).exitCode, 5u);
    ASSERT_EQ(s.secondaryLines().size(), 1u);
    EXPECT_EQ(callOf(s.secondaryLines()[0]), "count=2 args=[--answer=5|" + narrow(fits) + "]");

    ChildResult tooLong = s.app.run(L"--answer=5 " + fits + L"g");
    EXPECT_EQ(tooLong.exitCode, kFailed);
    EXPECT_EQ(tooLong.out, "");  // refused without a message
    EXPECT_EQ(s.secondaryLines().size(), 1u);
    EXPECT_EQ(s.quitPrimary(), 0u);
}

TEST(SingleInstance, VoidSecondaryMainLetsTheSecondStartGoBeforeItRuns) {
    SingleApp s(L"si-void", "qx.test.SingleVoid");
    ASSERT_TRUE(s.startPrimary(s.awaitQuit()));
    const std::wstring release = s.file(L"release");
    // The method waits for a file that appears only after the second start has ended.
    ChildResult r = s.app.run(L"--await=" + release);
    EXPECT_EQ(r.exitCode, 0u);
    EXPECT_FALSE(hasLine(readLog(s.log), "secondary void done"));
    writeFile(release, "");
    EXPECT_TRUE(waitForLineStarting(s.log, "secondary void done", kStartMs));
    EXPECT_EQ(s.quitPrimary(), 0u);
}

TEST(SingleInstance, WithoutSecondaryMainTheSecondStartEndsWithThePrimarysCode) {
    SingleApp s(L"si-none", "qx.test.SingleNone");
    // 259 is STILL_ACTIVE: a second start that polled the exit code would wait for ever.
    ASSERT_TRUE(s.startPrimary(s.awaitQuit() + L" --exit=259"));
    AsyncChild second;
    ASSERT_TRUE(second.start(s.command(L"handed over"), s.app.options));
    // The failed method lookup is described on the primary's standard error once the request is in.
    const ULONGLONG deadline = GetTickCount64() + kStartMs;
    std::string err;
    while (GetTickCount64() < deadline) {
        readFile(s.file(L"primary.err"), err);
        if (err.find("NoSuchMethodError") != std::string::npos) break;
        Sleep(50);
    }
    ASSERT_NE(err.find("NoSuchMethodError"), std::string::npos) << err;
    EXPECT_FALSE(second.ended());
    EXPECT_EQ(s.quitPrimary(), 259u);
    ASSERT_TRUE(second.ended(kStartMs));
    EXPECT_EQ(second.exitCode(), 259u);
}

TEST(SingleInstance, SecondStartDuringThePrimarysStartIsHeldUntilMainIsAboutToRun) {
    // The system class loader's constructor holds JNI_CreateJavaVM until the file "go" exists, so the
    // primary has its listener but no VM yet.
    SingleApp s(L"si-starting");
    const std::wstring go = s.file(L"go");
    s.writeIni("qx.test.SingleInt",
               "-Djava.system.class.loader=qx.test.SlowLoader -Dqx.loaderWait=" + narrow(go));
    // A ready event left signalled (by an earlier instance or any process of the user) changes nothing.
    const std::wstring readyName = qx::handoffReadyEventName(qx::handoffObjectName(s.app.exe));
    qx::UniqueHandle staleReady(CreateEventW(nullptr, TRUE, TRUE, readyName.c_str()));
    ASSERT_TRUE(staleReady);
    ASSERT_TRUE(s.primary.start(s.command(s.awaitQuit()), s.app.options, s.file(L"primary")));
    ASSERT_TRUE(waitForLineStarting(s.log, "loader waiting", kStartMs));
    EXPECT_EQ(WaitForSingleObject(staleReady.get(), 0), static_cast<DWORD>(WAIT_TIMEOUT)) << "not reset";

    AsyncChild second;
    ASSERT_TRUE(second.start(s.command(L"--answer=9 early"), s.app.options));
    EXPECT_FALSE(second.ended(1000));
    EXPECT_TRUE(s.secondaryLines().empty());
    writeFile(go, "");
    ASSERT_TRUE(second.ended(kStartMs));
    EXPECT_EQ(second.exitCode(), 9u);
    ASSERT_EQ(s.secondaryLines().size(), 1u);
    EXPECT_EQ(callOf(s.secondaryLines()[0]), "count=2 args=[--answer=9|early]");
    EXPECT_EQ(s.quitPrimary(), 0u);
}

TEST(SingleInstance, CopiesAtTwoPathsNeverSeeEachOther) {
    SingleApp first(L"si-path-a");
    SingleApp other(L"si-path-b");
    ASSERT_TRUE(first.startPrimary(first.awaitQuit()));
    ChildResult r = other.app.run(L"--answer=4 elsewhere");
    EXPECT_EQ(r.exitCode, 0u) << r.out << r.err;
    EXPECT_TRUE(hasLine(readLog(other.log), "main thread=main args=[--answer=4|elsewhere]"));
    EXPECT_TRUE(first.secondaryLines().empty());
    EXPECT_EQ(first.quitPrimary(), 0u);
}

TEST(SingleInstance, OnlyTheExactValueYesTurnsTheModeOn) {
    SingleApp s(L"si-yes");
    ASSERT_TRUE(s.startPrimary(s.awaitQuit()));
    for (const char* value : {"Yes", "YES", "true", "1", ""}) {
        s.writeIni("qx.test.SingleInt", "", value);
        const std::string tag = std::string("own-") + value;
        ChildResult r = s.app.run(widen(tag));
        EXPECT_EQ(r.exitCode, 0u) << value;
        EXPECT_TRUE(hasLine(readLog(s.log), "main thread=main args=[" + tag + "]")) << value;
    }
    EXPECT_TRUE(s.secondaryLines().empty());
    s.writeIni("qx.test.SingleInt", "", "yes");
    EXPECT_EQ(s.app.run(L"--answer=2").exitCode, 2u);
    EXPECT_EQ(s.quitPrimary(), 0u);
}

TEST(SingleInstance, FiftySecondStartsAtOnceEachGetTheirOwnAnswer) {
    SingleApp s(L"si-crowd");
    ASSERT_TRUE(s.startPrimary(s.awaitQuit()));
    constexpr int kStarts = 50;
    std::vector<AsyncChild> starts(kStarts);
    std::set<std::string> expected;
    for (int i = 0; i < kStarts; ++i) {
        const std::wstring id = std::to_wstring(i);
        // Lists of different lengths, so an overwritten block would show as a mixed or cut list.
        std::wstring args = L"--answer=" + std::to_wstring(100 + i) + L" id-" + id;
        std::string list = "[--answer=" + std::to_string(100 + i) + "|id-" + narrow(id);
        for (int k = 0; k < i % 4; ++k) {
            args += L" extra-" + id + L"-" + std::to_wstring(k);
            list += "|extra-" + narrow(id) + "-" + std::to_string(k);
        }
        expected.insert("count=" + std::to_string(2 + i % 4) + " args=" + list + "]");
        ASSERT_TRUE(starts[i].start(s.command(args), s.app.options));
    }
    for (int i = 0; i < kStarts; ++i) {
        ASSERT_TRUE(starts[i].ended(120000)) << "start " << i << " hangs";
        EXPECT_EQ(starts[i].exitCode(), static_cast<DWORD>(100 + i)) << "start " << i;
    }
    std::multiset<std::string> seen;
    for (const std::string& line : s.secondaryLines()) seen.insert(callOf(line));
    EXPECT_EQ(seen, std::multiset<std::string>(expected.begin(), expected.end()));
    EXPECT_EQ(s.quitPrimary(), 0u);
}

// Starts issued together race for the primary's role; whichever wins, no request may reach it before its
// listener can take posts.
TEST(SingleInstance, StartsIssuedTogetherWithTheFirstAreAllServed) {
    SingleApp s(L"si-together");
    constexpr int kStarts = 12;
    std::vector<AsyncChild> starts(kStarts);
    for (int i = 0; i < kStarts; ++i) {
        // The primary's main and every secondaryMain wait for "quit", so each request is in before any ends.
        const std::wstring args = L"--answer=" + std::to_wstring(100 + i) + L" " + s.awaitQuit();
        ASSERT_TRUE(starts[i].start(s.command(args), s.app.options));
    }
    const auto anyEnded = [&starts] {
        return std::any_of(starts.begin(), starts.end(), [](const AsyncChild& c) { return c.ended(); });
    };
    const ULONGLONG deadline = GetTickCount64() + 2 * kStartMs;
    while (s.secondaryLines().size() < static_cast<size_t>(kStarts - 1) && !anyEnded() &&
           GetTickCount64() < deadline)
        Sleep(50);
    EXPECT_EQ(s.secondaryLines().size(), static_cast<size_t>(kStarts - 1));
    writeFile(s.file(L"quit"), "");
    int primaries = 0;
    for (int i = 0; i < kStarts; ++i) {
        ASSERT_TRUE(starts[i].ended(kStartMs)) << "start " << i << " hangs";
        if (starts[i].exitCode() == 0) {
            ++primaries;
        } else {
            EXPECT_EQ(starts[i].exitCode(), static_cast<DWORD>(100 + i)) << "start " << i;
        }
    }
    EXPECT_EQ(primaries, 1);
}

// What another program of the user can do to the named objects.
struct ForeignParty {
    std::wstring name;
    UINT handoffMessage;
    UINT ackMessage;

    explicit ForeignParty(const std::wstring& exe)
        : name(qx::handoffObjectName(exe)),
          handoffMessage(RegisterWindowMessageW(name.c_str())),
          ackMessage(RegisterWindowMessageW(qx::handoffAckMessageName(name).c_str())) {
        MSG msg;
        PeekMessageW(&msg, nullptr, WM_USER, WM_USER, PM_NOREMOVE);  // a queue for the replies
    }

    // Waits for a message numbered `id` to this thread; its wParam lands in `wParam`.
    static bool receive(UINT id, WPARAM* wParam, DWORD timeoutMs) {
        const ULONGLONG deadline = GetTickCount64() + timeoutMs;
        MSG msg;
        while (GetTickCount64() < deadline) {
            if (PeekMessageW(&msg, nullptr, id, id, PM_REMOVE)) {
                if (wParam) *wParam = msg.wParam;
                return true;
            }
            Sleep(20);
        }
        return false;
    }
};

TEST(SingleInstance, PrimaryDecodesForeignBlocksWithinTheirBoundAndKeepsRunning) {
    SingleApp s(L"si-foreign-post");
    ASSERT_TRUE(s.startPrimary(s.awaitQuit()));
    ForeignParty foreign(s.app.exe);
    qx::UniqueHandle mapping(OpenFileMappingW(FILE_MAP_WRITE, FALSE, foreign.name.c_str()));
    ASSERT_TRUE(mapping);
    qx::UniqueView view(MapViewOfFile(mapping.get(), FILE_MAP_WRITE, 0, 0, sizeof(qx::HandoffBlock)));
    ASSERT_TRUE(view);
    auto* block = static_cast<qx::HandoffBlock*>(const_cast<void*>(view.get()));
    const DWORD listener = block->listenerThreadId;
    EXPECT_EQ(block->primaryProcessId, GetProcessId(s.primary.handle()));
    EXPECT_EQ(block->handoffMessageId, foreign.handoffMessage);

    // A message with another number is no request.
    const UINT other = RegisterWindowMessageW(L"qxtest some other message");
    ASSERT_TRUE(PostThreadMessageW(listener, other, GetCurrentThreadId(), 0));

    // One terminated string, then no end through the whole block.
    std::fill(std::begin(block->argumentArea), std::end(block->argumentArea), uint16_t{'x'});
    std::fill(std::begin(block->reserved), std::end(block->reserved), uint16_t{'x'});
    block->argumentArea[0] = 'a';
    block->argumentArea[1] = 'b';
    block->argumentArea[2] = 0;
    ASSERT_TRUE(PostThreadMessageW(listener, foreign.handoffMessage, GetCurrentThreadId(), 0));
    WPARAM answer = 99;
    EXPECT_TRUE(ForeignParty::receive(foreign.ackMessage, nullptr, kStartMs));
    ASSERT_TRUE(ForeignParty::receive(foreign.handoffMessage, &answer, kStartMs));
    EXPECT_EQ(answer, 0u);

    // No terminator at all: an empty list.
    block->argumentArea[2] = 'x';
    ASSERT_TRUE(PostThreadMessageW(listener, foreign.handoffMessage, GetCurrentThreadId(), 0));
    ASSERT_TRUE(ForeignParty::receive(foreign.handoffMessage, &answer, kStartMs));

    std::vector<std::string> calls = s.secondaryLines();
    ASSERT_EQ(calls.size(), 2u);
    EXPECT_EQ(callOf(calls[0]), "count=1 args=[ab]");
    EXPECT_EQ(callOf(calls[1]), "count=0 args=[]");
    // Still serving ordinary second starts.
    EXPECT_EQ(s.app.run(L"--answer=6").exitCode, 6u);
    EXPECT_EQ(s.quitPrimary(), 0u);
}

// Once main has returned the VM may be going: the listener ends first, so a late request is refused
// rather than run in a VM that is being destroyed.
TEST(SingleInstance, NoRequestIsTakenOnceMainHasReturned) {
    SingleApp s(L"si-shutdown");
    const std::wstring linger = s.file(L"linger");
    ASSERT_TRUE(s.startPrimary(L"--linger=" + linger + L" " + s.awaitQuit()));
    ForeignParty foreign(s.app.exe);
    qx::UniqueHandle mapping(OpenFileMappingW(FILE_MAP_READ, FALSE, foreign.name.c_str()));
    ASSERT_TRUE(mapping);
    qx::UniqueView view(MapViewOfFile(mapping.get(), FILE_MAP_READ, 0, 0, sizeof(qx::HandoffBlock)));
    ASSERT_TRUE(view);
    const DWORD listenerId = static_cast<const qx::HandoffBlock*>(view.get())->listenerThreadId;
    qx::UniqueHandle listener(OpenThread(SYNCHRONIZE, FALSE, listenerId));
    ASSERT_TRUE(listener);
    EXPECT_EQ(WaitForSingleObject(listener.get(), 0), static_cast<DWORD>(WAIT_TIMEOUT));

    // main returns; the VM stays until "linger" exists, so the primary is in its destruction.
    writeFile(s.file(L"quit"), "");
    ASSERT_TRUE(waitForLineStarting(s.log, "main done", kStartMs));
    EXPECT_EQ(WaitForSingleObject(listener.get(), kStartMs), static_cast<DWORD>(WAIT_OBJECT_0));
    EXPECT_FALSE(s.primary.ended());
    EXPECT_EQ(s.app.run(L"--answer=7 late").exitCode, kFailed);
    EXPECT_TRUE(s.secondaryLines().empty());

    writeFile(linger, "");
    ASSERT_TRUE(s.primary.ended(kStartMs));
    EXPECT_EQ(s.primary.exitCode(), 0u);
    EXPECT_TRUE(hasLine(readLog(s.log), "linger done"));
}

TEST(SingleInstance, SecondStartFacingADeadOrForeignOwnerReturns) {
    SingleApp s(L"si-foreign-owner");
    ForeignParty foreign(s.app.exe);
    qx::UniqueHandle mapping(CreateFileMappingW(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0,
                                                sizeof(qx::HandoffBlock), foreign.name.c_str()));
    ASSERT_TRUE(mapping);
    qx::UniqueView view(MapViewOfFile(mapping.get(), FILE_MAP_WRITE, 0, 0, 0));
    ASSERT_TRUE(view);
    auto* block = static_cast<qx::HandoffBlock*>(const_cast<void*>(view.get()));

    // Created first and never written: no primary to hand anything to.
    ChildResult r = s.app.run(L"--answer=1");
    EXPECT_FALSE(r.timedOut);
    EXPECT_EQ(r.exitCode, kFailed);

    // A block left by a process that has ended: its listener is gone. The process's own exit code (5)
    // must not come back either, since nothing was handed over.
    AsyncChild ended;
    ASSERT_TRUE(ended.start(L"cmd.exe /c exit 5", {}));
    ASSERT_TRUE(ended.ended(kStartMs));
    block->primaryProcessId = GetProcessId(ended.handle());
    block->listenerThreadId = ended.mainThreadId();
    block->handoffMessageId = foreign.handoffMessage;
    r = s.app.run(L"--answer=1");
    EXPECT_FALSE(r.timedOut);
    EXPECT_EQ(r.exitCode, kFailed);

    // A live thread with a queue, but a message number that is not the launcher's: no post.
    block->primaryProcessId = GetCurrentProcessId();
    block->listenerThreadId = GetCurrentThreadId();
    block->handoffMessageId = RegisterWindowMessageW(L"qxtest not the handoff message");
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    }
    r = s.app.run(L"--answer=1");
    EXPECT_EQ(r.exitCode, kFailed);
    EXPECT_FALSE(PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE));

    EXPECT_TRUE(fileLines(s.log).empty());  // no Java ran for any of them
}

}  // namespace
