// Small JNI helpers shared by the VM thread, the single-instance handoff threads and the service stop.
// Each takes the calling thread's environment.
#pragma once

#include <jni.h>

#include <cstdint>
#include <string>
#include <vector>

namespace qx {

// A java.lang.String with the UTF-16 units of `text` unchanged; null on failure.
jstring newJavaString(const std::wstring& text, JNIEnv* env);
// A String[] with one element per entry, in order; null on failure (never a partly filled array).
jobjectArray newJavaStringArray(const std::vector<std::wstring>& items, JNIEnv* env);
// Calls java.lang.System.exit(code); false when it cannot be called or raised an exception.
[[nodiscard]] bool callSystemExit(JNIEnv* env, int32_t code);

}  // namespace qx
