// The one launcher object: built first by the entry point, destroyed just before it returns.
#pragma once

#include <windows.h>

#include <jni.h>

#include <cstdint>
#include <string>
#include <vector>

#include "base/scoped.h"
#include "runtime/java_version.h"
#include "vm/vm_exit_listener.h"
#include "vm/vm_option_list.h"

namespace qx {

struct HandoffBlock;

using CreateJavaVmFn = jint(JNICALL*)(JavaVM**, void**, void*);
using GetDefaultInitArgsFn = jint(JNICALL*)(void*);
using FindClassFromBootLoaderFn = jclass(JNICALL*)(JNIEnv*, const char*);

struct Launcher {
    Launcher();
    ~Launcher();
    Launcher(const Launcher&) = delete;
    Launcher& operator=(const Launcher&) = delete;

    VmExitListener* exitListener = nullptr;
    int32_t jvmType = 0;  // 0 any, 1 "server", 2 "favor_server"
    std::wstring jvmLibraryPath;
    JavaVM* javaVm = nullptr;
    JNIEnv* jniEnv = nullptr;
    std::wstring mainClass;  // with "/" separators
    JavaVersion minimumVersion;
    JavaVersion maximumVersion;
    std::vector<std::wstring> arguments;
    uint8_t isService = 0;
    uint8_t omitServiceName = 0;
    uint8_t wantJdk = 0, wantJre = 0, allowOtherKind = 1;
    uint8_t acceptJRockit = 0, acceptSun = 1, acceptIbm = 0;
    uint8_t preferJRockit = 0, preferSun = 1, preferIbm = 0;
    std::wstring productName, productCode, upgradeCode;
    VmOptionList vmOptions;
    std::vector<std::wstring> preferredVersions;
    std::wstring jrePath;
    std::wstring libraryPath;
    HandoffBlock* handoffBlock = nullptr;
    UniqueHandle handoffMapping;
    UniqueHandle listenerThread;
    uint8_t isPrimary = 0;
    uint8_t singleInstance = 0;
    // Private copies of what the block says, which any process of the user may overwrite.
    uint32_t handoffMessage = 0;     // the handoff message number, both ways
    uint32_t handoffAckMessage = 0;  // primary to secondary: "your arguments are copied"
    UniqueHandle primaryProcess;     // second start: the primary, opened before the handoff
    std::wstring outputFile, errorFile;
    uint8_t outputAppend = 0, errorAppend = 0;
    std::wstring systemPath;
    std::wstring extraCommandLine;  // "Cmd", environment references expanded
    std::wstring pairProduct;
    uint8_t pairReturnCode = 0;
    uint8_t failureCheck = 0;
    uint8_t overrideWorkingDir = 0;
    uint64_t threadStackSize = 0;
    UniqueHandle readyEvent;
    uint8_t relaunchAsPair = 0;
    CreateJavaVmFn createJavaVm = nullptr;
    GetDefaultInitArgsFn getDefaultInitArgs = nullptr;
    FindClassFromBootLoaderFn findClassFromBootLoader = nullptr;
};

// Set by the constructor; the VM's exit and abort hooks reach the launcher through it.
extern Launcher* gLauncher;

}  // namespace qx
