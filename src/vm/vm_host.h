// Creating the VM, running the main class and the VM thread's routine.
#pragma once

#include <windows.h>

#include <jni.h>

#include <string>

namespace qx {

struct VmSettings;

// Exit codes of the VM thread.
enum VmThreadResult : DWORD {
    kVmThreadOk = 0,
    kVmThreadFailed = 1,
    kVmThreadUncaught = 2,  // main returned with an exception pending
};

enum class MainResult { Returned, Threw, Failed };

// Creates the VM with the launcher's options plus the abort and exit hooks, then redirects output.
[[nodiscard]] bool createVm(VmSettings& vm);
// Loads the main class and calls main, unless the run was cancelled before main was called: then the
// result is Returned, and nothing of the application has run, or, once its class has been loaded and
// initialised, the VM is ended through System.exit(0). The calling thread is detached from the VM on every
// path (or, with `stayAttached`, sleeps forever once main has returned), so destroying the VM later
// cannot wait on it.
MainResult runMainClass(VmSettings& vm, bool stayAttached);

// Asks a run whose main has not started to end without it: true when main will never run; false once
// it has started (the application is then reached through attachToVm). Takes one short lock and makes
// no VM call, so a service's control handler may call it.
[[nodiscard]] bool cancelMain(VmSettings& vm);

// Attaches the calling helper thread to the VM: the VM, with the thread's environment in `env`, or null
// when there is no VM (not yet, or not any more). The attach may never return when it meets the VM's
// final shutdown (the VM then holds every thread that enters it); nothing is held while it waits, so
// destroying the VM never waits for such a helper.
JavaVM* attachToVm(VmSettings& vm, JNIEnv** env);

// Destroys the VM, which waits for its last non-daemon thread (attached helpers count), then takes it
// away from later attaches. Nothing when there is no VM.
void destroyVm(VmSettings& vm);

// The stack trace of `exception` as printed by printStackTrace; empty when a step fails. The
// exception stays pending.
std::wstring describeUncaughtException(jthrowable exception, JNIEnv* env);

}  // namespace qx
