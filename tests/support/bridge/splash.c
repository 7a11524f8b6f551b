/*
 * qxtest splash bridge: a Winelib "splashscreen.dll" in front of the Linux OpenJDK's own
 * libsplashscreen.so, placed in the bin folder of the bridge runtime. The splash then shows as a real
 * X window, and java.awt.SplashScreen of the bridge's Linux JVM, in the same process, finds it.
 *
 * Exports (the C calling convention of the Windows side): SplashInit, SplashLoadMemory, SplashLoadFile,
 * SplashSetFileJarName, SplashClose, each forwarded to the function of the same name.
 *
 * Names arrive in the ANSI code page, as the runtime's library takes them: a file path becomes a Unix
 * path, a jar's entry name UTF-8 (the JVM runs in a UTF-8 locale).
 *
 * libsplashscreen.so needs libjava.so, which needs libjvm.so: libjvm.so is loaded first, from
 * QXTEST_LIBJVM like the bridge does, globally, so the bridge's own load later finds the same object.
 * libsplashscreen.so is loaded globally too: AWT closes the splash when the first window appears by
 * looking SplashClose up in the process's global symbols.
 *
 * QXTEST_SPLASH_ECHO (Windows environment): when set, every call is also written to the Windows
 * standard output as one line, so a test sees the calls in order with the launcher's own output:
 *   splash: SplashInit
 *   splash: SplashLoadMemory SIZE -> RESULT
 *   splash: SplashLoadFile NAME -> RESULT
 *   splash: SplashSetFileJarName FILE | JAR        (JAR is "-" when none is given)
 *   splash: SplashClose
 */
#define _GNU_SOURCE
#include <windows.h>

#include <dlfcn.h>
#include <stdarg.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#define QX_MS __attribute__((ms_abi))
#define QX_DEFAULT_LIBJVM "/usr/lib/jvm/java-17-openjdk-amd64/lib/server/libjvm.so"
#define QX_LIBSPLASH "/usr/lib/jvm/java-17-openjdk-amd64/lib/libsplashscreen.so"

static struct {
    int tried;
    void (*init)(void);
    int (*load_memory)(void *, int);
    int (*load_file)(const char *);
    void (*set_names)(const char *, const char *);
    void (*close)(void);
} g_splash;

static void qx_log(const char *what, const char *detail) {
    char line[512];
    const int n = snprintf(line, sizeof line, "qxtest splash: %s %s\n", what, detail ? detail : "");
    DWORD written;
    WriteFile(GetStdHandle(STD_ERROR_HANDLE), line, n < (int)sizeof line ? n : (int)sizeof line - 1, &written,
              NULL);
}

static char *win_getenv(const WCHAR *name) {
    WCHAR value[1024];
    const DWORD n = GetEnvironmentVariableW(name, value, 1024);
    if (n == 0 || n >= 1024) return NULL;
    const int size = WideCharToMultiByte(CP_UTF8, 0, value, -1, NULL, 0, NULL, NULL);
    char *out = malloc(size);
    if (out) WideCharToMultiByte(CP_UTF8, 0, value, -1, out, size, NULL, NULL);
    return out;
}

static void echo(const char *format, ...) __attribute__((format(printf, 1, 2)));
static void echo(const char *format, ...) {
    if (!GetEnvironmentVariableW(L"QXTEST_SPLASH_ECHO", NULL, 0)) return;
    char line[1024];
    va_list ap;
    va_start(ap, format);
    int n = vsnprintf(line, sizeof line - 1, format, ap);
    va_end(ap);
    if (n < 0) return;
    if (n > (int)sizeof line - 2) n = sizeof line - 2;
    line[n++] = '\n';
    DWORD written;
    WriteFile(GetStdHandle(STD_OUTPUT_HANDLE), line, (DWORD)n, &written, NULL);
}

static int load_splash(void) {
    if (g_splash.tried) return g_splash.init != NULL;
    g_splash.tried = 1;
    char *configured = win_getenv(L"QXTEST_LIBJVM");
    const char *libjvm = configured ? configured : QX_DEFAULT_LIBJVM;
    void *jvm = dlopen(libjvm, RTLD_NOW | RTLD_GLOBAL);
    if (!jvm) qx_log("cannot load", dlerror());
    free(configured);
    void *h = jvm ? dlopen(QX_LIBSPLASH, RTLD_NOW | RTLD_GLOBAL) : NULL;
    if (jvm && !h) qx_log("cannot load", dlerror());
    if (!h) return 0;
    g_splash.load_memory = (int (*)(void *, int))dlsym(h, "SplashLoadMemory");
    g_splash.load_file = (int (*)(const char *))dlsym(h, "SplashLoadFile");
    g_splash.set_names = (void (*)(const char *, const char *))dlsym(h, "SplashSetFileJarName");
    g_splash.close = (void (*)(void))dlsym(h, "SplashClose");
    if (g_splash.load_memory && g_splash.load_file && g_splash.set_names && g_splash.close)
        g_splash.init = (void (*)(void))dlsym(h, "SplashInit");
    if (!g_splash.init) qx_log("lacks the splash functions:", QX_LIBSPLASH);
    return g_splash.init != NULL;
}

/* ANSI text in the given form, malloc'd: a Unix path, or UTF-8 as it is. */
static char *from_ansi(const char *text, int as_path) {
    const int units = MultiByteToWideChar(CP_ACP, 0, text, -1, NULL, 0);
    WCHAR *wide = malloc(units * sizeof(WCHAR));
    if (!wide) return NULL;
    MultiByteToWideChar(CP_ACP, 0, text, -1, wide, units);
    char *out = NULL;
    char *unix_name = as_path ? wine_get_unix_file_name(wide) : NULL;
    if (unix_name) {
        out = strdup(unix_name);
        HeapFree(GetProcessHeap(), 0, unix_name);
    } else {
        const int size = WideCharToMultiByte(CP_UTF8, 0, wide, -1, NULL, 0, NULL, NULL);
        out = malloc(size);
        if (out) WideCharToMultiByte(CP_UTF8, 0, wide, -1, out, size, NULL, NULL);
    }
    free(wide);
    return out;
}

void QX_MS qx_SplashInit(void) {
    echo("splash: SplashInit");
    if (load_splash()) g_splash.init();
}

int QX_MS qx_SplashLoadMemory(void *data, int size) {
    const int result = load_splash() ? g_splash.load_memory(data, size) : 0;
    echo("splash: SplashLoadMemory %d -> %d", size, result);
    return result;
}

int QX_MS qx_SplashLoadFile(const char *name) {
    char *path = name ? from_ansi(name, 1) : NULL;
    const int result = path && load_splash() ? g_splash.load_file(path) : 0;
    echo("splash: SplashLoadFile %s -> %d", name ? name : "-", result);
    free(path);
    return result;
}

void QX_MS qx_SplashSetFileJarName(const char *file, const char *jar) {
    echo("splash: SplashSetFileJarName %s | %s", file ? file : "-", jar ? jar : "-");
    /* Without a jar the file name is a path of its own; within one, an entry name. */
    char *unix_file = file ? from_ansi(file, jar == NULL) : NULL;
    char *unix_jar = jar ? from_ansi(jar, 1) : NULL;
    if (load_splash()) g_splash.set_names(unix_file, unix_jar);
    free(unix_file);
    free(unix_jar);
}

void QX_MS qx_SplashClose(void) {
    echo("splash: SplashClose");
    if (load_splash()) g_splash.close();
}
