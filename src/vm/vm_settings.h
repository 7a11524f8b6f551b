// Everything the VM is started with and, once it runs, the VM itself.
#pragma once

#include <windows.h>

#include <jni.h>

#include <cstdint>
#include <string>
#include <vector>

#include "base/scoped.h"
#include "vm/vm_exit_listener.h"
#include "vm/vm_option_list.h"

namespace qx {

using CreateJavaVmFn = jint(JNICALL*)(JavaVM**, void**, void*);
using GetDefaultInitArgsFn = jint(JNICALL*)(void*);
using FindClassFromBootLoaderFn = jclass(JNICALL*)(JNIEnv*, const char*);
using SplashCloseFn = void (*)();  // the splash library's exports use the C calling convention

struct VmSettings {
    VmExitListener* exitListener = nullptr;  // receives the exit and abort hooks; service mode only
    JavaVM* javaVm = nullptr;                // set between VM creation and destruction
    SRWLOCK javaVmLock = SRWLOCK_INIT;       // guards javaVm and the two flags below, never across a VM call
    bool mainStarted = false;                // main is about to run, or runs
    bool mainCancelled = false;              // asked to end before that: main never runs
    JNIEnv* jniEnv = nullptr;                // the creating thread's environment
    std::wstring mainClass;                  // with "/" separators
    std::vector<std::wstring> arguments;     // what main receives
    VmOptionList vmOptions;
    std::wstring libraryPath;  // "Library Path"
    std::wstring systemPath;   // "System Path"
    std::wstring outputFile, errorFile;
    uint8_t outputAppend = 0, errorAppend = 0;
    std::wstring extraCommandLine;  // "Cmd", environment references expanded
    uint8_t failureCheck = 0;
    // The windowed launcher puts an uncaught exception to the user (with failureCheck).
    uint8_t showExceptionDialog = 0;
    uint64_t threadStackSize = 0;  // of the VM thread; 0 = not known yet
    UniqueHandle readyEvent;       // single instance: signalled just before main runs
    CreateJavaVmFn createJavaVm = nullptr;
    GetDefaultInitArgsFn getDefaultInitArgs = nullptr;
    FindClassFromBootLoaderFn findClassFromBootLoader = nullptr;
    SplashCloseFn closeSplash = nullptr;  // set while the runtime's splash screen shows
};

// The launcher, as the VM's exit and abort hooks reach it. Written once, by the launcher's constructor,
// before any VM exists.
extern VmSettings* gLauncher;

}  // namespace qx
