/*
 * qxtest bridge: a Winelib "jvm.dll" that hosts the Linux OpenJDK HotSpot (libjvm.so) inside a
 * Windows process under Wine, so the launcher can be tested against a real JVM.
 *
 * Exports (ms_abi): JNI_CreateJavaVM, JNI_GetDefaultJavaVMInitArgs, JNI_GetCreatedJavaVMs and, unless
 * built from the "nohelper" spec, JVM_FindClassFromBootLoader.
 *
 * What the Windows side sees: JavaVM* and JNIEnv* whose function tables are ms_abi thunks (generated
 * by gen_thunks.py from jni.h) in front of the real System V tables. Variadic and va_list calls are
 * decoded with the method's signature (JVMTI GetMethodName) and forwarded to the "...A" variants.
 *
 * Environment variables read from the process's Windows environment:
 *   QXTEST_LIBJVM              Unix path of libjvm.so (default: the Debian OpenJDK 17 server VM).
 *   QXTEST_JVM_TRACE           Windows path of a trace file, see below.
 *   QXTEST_FAIL_STATIC_METHOD  GetStaticMethodID returns NULL for this method name, with no
 *                              exception pending (lets the launcher see a "main" lookup fail bare).
 *
 * Trace file (QXTEST_JVM_TRACE): records what the caller passed, untranslated. The first write of a
 * process truncates the file, later ones append. One item per line, "\n" ends each line:
 *   defaults version=0x10001   a JNI_GetDefaultJavaVMInitArgs call and the version it was given
 *   version=0x10002            start of a JNI_CreateJavaVM call: JavaVMInitArgs.version
 *   option=TEXT                one option, in order, raw bytes, extraInfo NULL
 *   option+hook=TEXT           the same with extraInfo set (exit, abort, vfprintf hooks)
 *   optionhex=HEX              an option containing a byte below 0x20, as lowercase hex of all bytes
 *   optionhex+hook=HEX         the same with extraInfo set
 *   ignoreUnrecognized=0|1
 *   result=N                   what JNI_CreateJavaVM returned
 *
 * What the real JVM gets instead of the raw arguments:
 *   - every option converted from the ANSI code page to UTF-8 (the JVM runs in a UTF-8 locale);
 *   - -Djava.class.path= and -Djava.library.path= lists: ";" becomes ":", each element a Unix path
 *     (wine_get_unix_file_name; a trailing "*" wildcard is kept; an element Wine cannot map keeps
 *     its text with "\" turned into "/");
 *   - the caller's "exit" and "abort" options are replaced by the bridge's hooks: exit calls the
 *     caller's hook, then ExitProcess(code) (HotSpot would end with Unix exit(), which a Windows
 *     parent sees as 0); abort calls the caller's hook, then ExitProcess(134) (128 + SIGABRT);
 *   - "vfprintf" is dropped: HotSpot would hand a glibc FILE* to a Windows function;
 *   - -Xrs is appended: Wine stops threads with SIGQUIT at process end, which HotSpot would
 *     otherwise answer with a thread dump on standard output.
 * Before the VM is created the Unix side is made to match the Windows side: the environment (every
 * Windows variable set, every other variable removed except Wine's own WINE*), standard
 * input/output/error (the Unix descriptors of the Windows standard handles) and the working
 * directory. LC_ALL is C.UTF-8 while the VM starts, then restored.
 *
 * Threads: libjvm's pthread_create is redirected (GOT) to CreateThread, so every JVM thread is a
 * Wine thread on which Windows code (the launcher's hooks) may run; pthread_getattr_np reports the
 * calling thread's Windows stack from its TEB, since HotSpot sizes its guard zones from it.
 *
 * Not bridged: RegisterNatives with Windows functions (returns JNI_ERR), JVMTI environments through
 * GetEnv (JNI_EVERSION).
 */
#define _GNU_SOURCE
#include <windows.h>
#include <winternl.h>

#include <jni.h>
#include <jvmti.h>

#include <asm/prctl.h>
#include <dlfcn.h>
#include <elf.h>
#include <errno.h>
#include <link.h>
#include <pthread.h>
#include <semaphore.h>
#include <stdarg.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/mman.h>
#include <sys/syscall.h>
#include <unistd.h>

#define QX_MS __attribute__((ms_abi))
/* A Java method has at most 255 parameter slots. */
#define QX_MAX_JARGS 256
#define QX_DEFAULT_LIBJVM "/usr/lib/jvm/java-17-openjdk-amd64/lib/server/libjvm.so"
#define QX_ABORT_EXIT_CODE 134

/* The thunks pass these by value between the two conventions: same size and class on both sides. */
_Static_assert(sizeof(jint) == 4 && sizeof(jlong) == 8 && sizeof(jvalue) == 8, "JNI scalar sizes");
_Static_assert(sizeof(jboolean) == 1 && sizeof(jchar) == 2 && sizeof(jshort) == 2, "JNI scalar sizes");
_Static_assert(sizeof(jfloat) == 4 && sizeof(jdouble) == 8 && sizeof(void *) == 8, "JNI scalar sizes");
_Static_assert(sizeof(WCHAR) == sizeof(jchar), "UTF-16 units");
_Static_assert(offsetof(JavaVMInitArgs, options) == 8 && sizeof(JavaVMOption) == 16, "init args layout");

extern NTSTATUS CDECL wine_server_handle_to_fd(HANDLE handle, unsigned int access, int *unix_fd,
                                               unsigned int *options);

/* What the Windows side holds: the first member is its function table. */
struct qx_env {
    const void *functions;
    JNIEnv *real;
};
struct qx_vm {
    const void *functions;
    JavaVM *real;
};
#define QX_REAL_ENV(e) (((struct qx_env *)(e))->real)
#define QX_REAL_VM(v) (((struct qx_vm *)(v))->real)

static void qx_decode_ms_args(JNIEnv *r, jmethodID mid, __builtin_ms_va_list ap, jvalue *argv);
static void qx_fix_ctor_args(JNIEnv *r, jmethodID mid, jvalue *argv);

#include "jni_thunks.c"

static struct qx_vm g_vm = {qx_vm_table, NULL};
/* One JNIEnv per thread, so one wrapper per thread. */
static __thread struct qx_env t_env;

static JNIEnv *wrap_env(JNIEnv *real) {
    if (!real) return NULL;
    t_env.functions = qx_env_table;
    t_env.real = real;
    return (JNIEnv *)&t_env;
}

/* ---- small helpers ------------------------------------------------------------------------------ */

static void qx_log(const char *fmt, ...) {
    char buf[1024];
    va_list ap;
    va_start(ap, fmt);
    int n = snprintf(buf, sizeof buf, "qxtest bridge: ");
    n += vsnprintf(buf + n, sizeof buf - n - 1, fmt, ap);
    va_end(ap);
    if (n > (int)sizeof buf - 2) n = sizeof buf - 2;
    buf[n++] = '\n';
    DWORD written;
    WriteFile(GetStdHandle(STD_ERROR_HANDLE), buf, n, &written, NULL);
}

static void *xmalloc(size_t n) {
    void *p = malloc(n ? n : 1);
    if (!p) {
        qx_log("out of memory");
        abort();
    }
    return p;
}

static char *wide_to_utf8(const WCHAR *w, int len) {
    int n = WideCharToMultiByte(CP_UTF8, 0, w, len, NULL, 0, NULL, NULL);
    char *out = xmalloc(n + 1);
    WideCharToMultiByte(CP_UTF8, 0, w, len, out, n, NULL, NULL);
    out[n] = 0;
    return out;
}

static WCHAR *to_wide(UINT cp, const char *s) {
    int n = MultiByteToWideChar(cp, 0, s, -1, NULL, 0);
    WCHAR *out = xmalloc((n + 1) * sizeof(WCHAR));
    MultiByteToWideChar(cp, 0, s, -1, out, n);
    out[n] = 0;
    return out;
}

/* A Windows environment variable as UTF-8, or NULL; the Unix environment may differ until synced. */
static char *win_getenv(const char *name) {
    WCHAR wname[64], buf[32768];
    size_t i;
    for (i = 0; name[i] && i < 63; i++) wname[i] = (WCHAR)name[i];
    wname[i] = 0;
    DWORD n = GetEnvironmentVariableW(wname, buf, 32768);
    if (n == 0 || n >= 32768) return NULL;
    return wide_to_utf8(buf, (int)n);
}

/* A Windows path as a Unix path (UTF-8, malloc'd). */
static char *unix_path(const WCHAR *w) {
    if (!w[0]) return strdup("");
    char *p = wine_get_unix_file_name(w);
    if (p) {
        char *out = strdup(p);
        HeapFree(GetProcessHeap(), 0, p);
        return out;
    }
    char *out = wide_to_utf8(w, -1);
    for (char *c = out; *c; c++)
        if (*c == '\\') *c = '/';
    return out;
}

struct strbuf {
    char *s;
    size_t len, cap;
};

static void sb_add(struct strbuf *b, const char *s, size_t n) {
    if (b->len + n + 1 > b->cap) {
        b->cap = (b->len + n + 1) * 2;
        char *grown = realloc(b->s, b->cap);
        if (!grown) {
            qx_log("out of memory");
            abort();
        }
        b->s = grown;
    }
    memcpy(b->s + b->len, s, n);
    b->len += n;
    b->s[b->len] = 0;
}

static void sb_str(struct strbuf *b, const char *s) { sb_add(b, s, strlen(s)); }

/* ---- trace -------------------------------------------------------------------------------------- */

static int g_trace_written;

static void trace_write(const struct strbuf *b) {
    char *path = win_getenv("QXTEST_JVM_TRACE");
    if (!path || !b->len) {
        free(path);
        return;
    }
    WCHAR *wpath = to_wide(CP_UTF8, path);
    HANDLE f = CreateFileW(wpath, FILE_APPEND_DATA, FILE_SHARE_READ, NULL,
                           g_trace_written ? OPEN_ALWAYS : CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL);
    if (f == INVALID_HANDLE_VALUE) {
        qx_log("cannot write trace file %s (error %lu)", path, (unsigned long)GetLastError());
    } else {
        DWORD written;
        WriteFile(f, b->s, (DWORD)b->len, &written, NULL);
        CloseHandle(f);
        g_trace_written = 1;
    }
    free(wpath);
    free(path);
}

static void trace_line(const char *fmt, ...) {
    char line[128];
    va_list ap;
    va_start(ap, fmt);
    vsnprintf(line, sizeof line, fmt, ap);
    va_end(ap);
    struct strbuf b = {0};
    sb_str(&b, line);
    sb_str(&b, "\n");
    trace_write(&b);
    free(b.s);
}

static void trace_create_args(const JavaVMInitArgs *a) {
    struct strbuf b = {0};
    char line[64];
    snprintf(line, sizeof line, "version=0x%x\n", (unsigned)a->version);
    sb_str(&b, line);
    for (int i = 0; i < a->nOptions; i++) {
        const char *s = a->options[i].optionString ? a->options[i].optionString : "";
        const char *hook = a->options[i].extraInfo ? "+hook" : "";
        int control = 0;
        for (const unsigned char *c = (const unsigned char *)s; *c; c++) control |= *c < 0x20;
        if (control) {
            sb_str(&b, "optionhex");
            sb_str(&b, hook);
            sb_str(&b, "=");
            for (const unsigned char *c = (const unsigned char *)s; *c; c++) {
                char hex[3];
                snprintf(hex, sizeof hex, "%02x", *c);
                sb_add(&b, hex, 2);
            }
        } else {
            sb_str(&b, "option");
            sb_str(&b, hook);
            sb_str(&b, "=");
            sb_str(&b, s);
        }
        sb_str(&b, "\n");
    }
    snprintf(line, sizeof line, "ignoreUnrecognized=%d\n", a->ignoreUnrecognized ? 1 : 0);
    sb_str(&b, line);
    trace_write(&b);
    free(b.s);
}

/* ---- threads: every JVM thread a Wine thread, stacks from the TEB ------------------------------- */

static int on_wine_thread(void) {
    unsigned long gs = 0;
    return syscall(SYS_arch_prctl, ARCH_GET_GS, &gs) == 0 && gs != 0;
}

static int qx_pthread_getattr_np(pthread_t thread, pthread_attr_t *attr) {
    int rc = pthread_getattr_np(thread, attr);
    if (rc || !pthread_equal(thread, pthread_self()) || !on_wine_thread()) return rc;
    TEB *teb = NtCurrentTeb();
    char *base = (char *)teb->Tib.StackBase;
    char *bottom = (char *)teb->DeallocationStack;
    if (!bottom || base <= bottom) return rc;
    pthread_attr_setstack(attr, bottom, (size_t)(base - bottom));
    pthread_attr_setguardsize(attr, 0);
    return 0;
}

struct qx_start {
    void *(*fn)(void *);
    void *arg;
    pthread_t tid;
    sem_t ready;
};

static DWORD WINAPI qx_thread_main(void *param) {
    struct qx_start *s = param;
    void *(*fn)(void *) = s->fn;
    void *arg = s->arg;
    s->tid = pthread_self();
    sem_post(&s->ready); /* s belongs to the creator from here on */
    fn(arg);
    return 0;
}

/* HotSpot keeps the pthread_t for pthread_kill/pthread_getcpuclockid, so it must be the new thread's
 * own; it creates every thread detached and never joins (libjvm imports no pthread_join). */
static int qx_pthread_create(pthread_t *thread, const pthread_attr_t *attr, void *(*fn)(void *),
                             void *arg) {
    size_t stack = 0;
    if (attr) pthread_attr_getstacksize(attr, &stack);
    struct qx_start s;
    memset(&s, 0, sizeof s);
    s.fn = fn;
    s.arg = arg;
    if (sem_init(&s.ready, 0, 0)) return errno;
    HANDLE h = CreateThread(NULL, stack, qx_thread_main, &s, stack ? STACK_SIZE_PARAM_IS_A_RESERVATION : 0,
                            NULL);
    if (!h) {
        sem_destroy(&s.ready);
        return EAGAIN;
    }
    while (sem_wait(&s.ready) && errno == EINTR) {
    }
    sem_destroy(&s.ready);
    CloseHandle(h);
    *thread = s.tid;
    return 0;
}

struct relro_query {
    const char *name;
    uintptr_t start, end;
};

static int find_relro(struct dl_phdr_info *info, size_t size, void *data) {
    (void)size;
    struct relro_query *q = data;
    if (!info->dlpi_name || strcmp(info->dlpi_name, q->name)) return 0;
    for (int i = 0; i < info->dlpi_phnum; i++) {
        if (info->dlpi_phdr[i].p_type == PT_GNU_RELRO) {
            q->start = info->dlpi_addr + info->dlpi_phdr[i].p_vaddr;
            q->end = q->start + info->dlpi_phdr[i].p_memsz;
        }
    }
    return 1;
}

/* Points every GOT slot of `handle` that binds `symbol` at `replacement`; returns how many. */
static int patch_got(void *handle, const char *symbol, void *replacement) {
    struct link_map *lm = NULL;
    if (dlinfo(handle, RTLD_DI_LINKMAP, &lm) || !lm) return 0;
    const uintptr_t base = lm->l_addr;
    const ElfW(Sym) *symtab = NULL;
    const char *strtab = NULL;
    const ElfW(Rela) *tables[2] = {NULL, NULL};
    size_t sizes[2] = {0, 0};
    for (const ElfW(Dyn) *d = lm->l_ld; d->d_tag != DT_NULL; d++) {
        /* glibc may or may not have relocated these in place */
        uintptr_t p = d->d_un.d_ptr < base ? base + d->d_un.d_ptr : d->d_un.d_ptr;
        switch (d->d_tag) {
        case DT_SYMTAB: symtab = (const ElfW(Sym) *)p; break;
        case DT_STRTAB: strtab = (const char *)p; break;
        case DT_JMPREL: tables[0] = (const ElfW(Rela) *)p; break;
        case DT_PLTRELSZ: sizes[0] = d->d_un.d_val; break;
        case DT_RELA: tables[1] = (const ElfW(Rela) *)p; break;
        case DT_RELASZ: sizes[1] = d->d_un.d_val; break;
        }
    }
    if (!symtab || !strtab) return 0;
    struct relro_query relro = {lm->l_name, 0, 0};
    dl_iterate_phdr(find_relro, &relro);
    const uintptr_t page = (uintptr_t)sysconf(_SC_PAGESIZE);
    int patched = 0;
    for (int t = 0; t < 2; t++) {
        if (!tables[t]) continue;
        for (size_t i = 0; i < sizes[t] / sizeof(ElfW(Rela)); i++) {
            const ElfW(Rela) *r = &tables[t][i];
            const unsigned type = ELF64_R_TYPE(r->r_info);
            if (type != R_X86_64_JUMP_SLOT && type != R_X86_64_GLOB_DAT) continue;
            const ElfW(Sym) *sym = &symtab[ELF64_R_SYM(r->r_info)];
            if (strcmp(strtab + sym->st_name, symbol)) continue;
            void **slot = (void **)(base + r->r_offset);
            const uintptr_t first = (uintptr_t)slot & ~(page - 1);
            const int readonly = (uintptr_t)slot >= relro.start && (uintptr_t)slot < relro.end;
            if (readonly && mprotect((void *)first, page, PROT_READ | PROT_WRITE)) continue;
            *slot = replacement;
            if (readonly) mprotect((void *)first, page, PROT_READ);
            patched++;
        }
    }
    return patched;
}

/* ---- libjvm ------------------------------------------------------------------------------------- */

typedef jint (*create_fn)(JavaVM **, void **, void *);
typedef jint (*defaults_fn)(void *);
typedef jint (*created_fn)(JavaVM **, jsize, jsize *);
typedef jclass (*find_boot_fn)(JNIEnv *, const char *);

static struct {
    void *handle;
    create_fn create;
    defaults_fn defaults;
    created_fn created;
    find_boot_fn find_boot;
} g_jvm;
static pthread_mutex_t g_load_lock = PTHREAD_MUTEX_INITIALIZER;

static int load_libjvm(void) {
    pthread_mutex_lock(&g_load_lock);
    if (!g_jvm.handle) {
        char *configured = win_getenv("QXTEST_LIBJVM");
        const char *path = configured ? configured : QX_DEFAULT_LIBJVM;
        void *h = dlopen(path, RTLD_NOW | RTLD_GLOBAL);
        if (!h) {
            qx_log("cannot load %s: %s", path, dlerror());
        } else {
            g_jvm.create = (create_fn)dlsym(h, "JNI_CreateJavaVM");
            g_jvm.defaults = (defaults_fn)dlsym(h, "JNI_GetDefaultJavaVMInitArgs");
            g_jvm.created = (created_fn)dlsym(h, "JNI_GetCreatedJavaVMs");
            g_jvm.find_boot = (find_boot_fn)dlsym(h, "JVM_FindClassFromBootLoader");
            if (!g_jvm.create || !g_jvm.defaults || !g_jvm.created) {
                qx_log("%s lacks the JNI invocation functions", path);
            } else if (!patch_got(h, "pthread_create", (void *)qx_pthread_create) ||
                       !patch_got(h, "pthread_getattr_np", (void *)qx_pthread_getattr_np)) {
                qx_log("cannot redirect the thread functions of %s", path);
            } else {
                g_jvm.handle = h;
            }
        }
        free(configured);
    }
    pthread_mutex_unlock(&g_load_lock);
    return g_jvm.handle != NULL;
}

/* ---- the Unix side made to match the Windows side ---------------------------------------------- */

extern char **environ;

static void sync_environment(void) {
    WCHAR *block = GetEnvironmentStringsW();
    size_t count = 0, cap = 64;
    char **names = xmalloc(cap * sizeof *names);
    for (const WCHAR *p = block; *p; p += lstrlenW(p) + 1) {
        if (p[0] == '=') continue; /* the hidden per-drive current directories */
        char *entry = wide_to_utf8(p, -1);
        char *eq = strchr(entry, '=');
        if (eq && eq != entry) {
            *eq = 0;
            setenv(entry, eq + 1, 1);
            if (count == cap) {
                cap *= 2;
                char **grown = realloc(names, cap * sizeof *names);
                if (!grown) abort();
                names = grown;
            }
            names[count++] = strdup(entry);
        }
        free(entry);
    }
    FreeEnvironmentStringsW(block);
    for (int again = 1; again;) {
        again = 0;
        for (char **e = environ; *e; e++) {
            const char *eq = strchr(*e, '=');
            if (!eq) continue;
            const size_t len = (size_t)(eq - *e);
            if (len >= 4 && !strncmp(*e, "WINE", 4)) continue;
            int known = 0;
            for (size_t i = 0; i < count && !known; i++) known = strlen(names[i]) == len && !strncmp(names[i], *e, len);
            if (!known) {
                char *name = strndup(*e, len);
                unsetenv(name);
                free(name);
                again = 1; /* environ changed under us */
                break;
            }
        }
    }
    for (size_t i = 0; i < count; i++) free(names[i]);
    free(names);
}

static void adopt_std_handle(DWORD which, int fd) {
    HANDLE h = GetStdHandle(which);
    int ufd = -1;
    if (!h || h == INVALID_HANDLE_VALUE) return;
    if (wine_server_handle_to_fd(h, 0, &ufd, NULL) || ufd < 0) return; /* e.g. a console */
    if (ufd != fd) {
        dup2(ufd, fd);
        close(ufd);
    }
}

static void adopt_working_directory(void) {
    WCHAR cwd[MAX_PATH * 4];
    DWORD n = GetCurrentDirectoryW(MAX_PATH * 4, cwd);
    if (n == 0 || n >= MAX_PATH * 4) return;
    char *u = unix_path(cwd);
    if (chdir(u)) qx_log("cannot enter %s", u);
    free(u);
}

/* ---- options ------------------------------------------------------------------------------------ */

static char *translate_path_list(const char *prefix, const char *value_utf8) {
    struct strbuf b = {0};
    sb_str(&b, prefix);
    WCHAR *w = to_wide(CP_UTF8, value_utf8);
    WCHAR *start = w;
    for (int first = 1;; first = 0) {
        WCHAR *end = start;
        while (*end && *end != ';') end++;
        const WCHAR saved = *end;
        *end = 0;
        if (!first) sb_str(&b, ":");
        size_t len = (size_t)lstrlenW(start);
        int wildcard = 0;
        if (len >= 1 && start[len - 1] == '*' && (len == 1 || start[len - 2] == '\\' || start[len - 2] == '/')) {
            wildcard = 1;
            start[len - 1] = 0;
            if (len == 1) {
                start[0] = '.';
                start[1] = 0;
            }
        }
        char *u = unix_path(start);
        sb_str(&b, u);
        if (wildcard) sb_str(&b, b.len && b.s[b.len - 1] == '/' ? "*" : "/*");
        free(u);
        if (!saved) break;
        start = end + 1;
    }
    free(w);
    return b.s;
}

static void *g_caller_exit;  /* ms_abi void (*)(jint) */
static void *g_caller_abort; /* ms_abi void (*)(void) */

static void qx_exit_hook(jint code) {
    typedef void(QX_MS * hook_fn)(jint);
    if (g_caller_exit) ((hook_fn)g_caller_exit)(code);
    fflush(NULL);
    ExitProcess((UINT)code);
}

static void qx_abort_hook(void) {
    typedef void(QX_MS * hook_fn)(void);
    if (g_caller_abort) ((hook_fn)g_caller_abort)();
    fflush(NULL);
    ExitProcess(QX_ABORT_EXIT_CODE);
}

static int starts_with(const char *s, const char *prefix) { return !strncmp(s, prefix, strlen(prefix)); }

/* The options the Linux JVM gets; the strings are malloc'd. */
static JavaVMOption *real_options(const JavaVMInitArgs *a, int *count) {
    const int n = a->nOptions > 0 ? a->nOptions : 0;
    JavaVMOption *out = xmalloc((n + 3) * sizeof *out);
    int k = 0;
    for (int i = 0; i < n; i++) {
        const char *s = a->options[i].optionString;
        if (!s) continue;
        if (!strcmp(s, "exit")) {
            g_caller_exit = a->options[i].extraInfo;
            continue;
        }
        if (!strcmp(s, "abort")) {
            g_caller_abort = a->options[i].extraInfo;
            continue;
        }
        if (!strcmp(s, "vfprintf")) continue;
        WCHAR *w = to_wide(CP_ACP, s);
        char *u = wide_to_utf8(w, -1);
        free(w);
        static const char *const lists[] = {"-Djava.class.path=", "-Djava.library.path="};
        for (size_t l = 0; l < sizeof lists / sizeof *lists; l++) {
            if (starts_with(u, lists[l])) {
                char *t = translate_path_list(lists[l], u + strlen(lists[l]));
                free(u);
                u = t;
                break;
            }
        }
        out[k].optionString = u;
        out[k].extraInfo = a->options[i].extraInfo;
        k++;
    }
    out[k].optionString = strdup("-Xrs");
    out[k++].extraInfo = NULL;
    out[k].optionString = strdup("exit");
    out[k++].extraInfo = (void *)qx_exit_hook;
    out[k].optionString = strdup("abort");
    out[k++].extraInfo = (void *)qx_abort_hook;
    *count = k;
    return out;
}

/* ---- variadic calls: decoding a Windows va_list by the method's signature ----------------------- */

static jvmtiEnv *g_jvmti;
static pthread_mutex_t g_sig_lock = PTHREAD_MUTEX_INITIALIZER;
#define QX_SIG_CACHE 4096
static struct {
    jmethodID mid;
    char *types;
} g_sig_cache[QX_SIG_CACHE];

/* One letter per parameter (Z B C S I J F D, L for references), or NULL if unknown. */
static const char *method_arg_types(JNIEnv *r, jmethodID mid) {
    const char *result = NULL;
    pthread_mutex_lock(&g_sig_lock);
    size_t h = ((uintptr_t)mid >> 3) % QX_SIG_CACHE;
    for (size_t probe = 0; probe < QX_SIG_CACHE; probe++, h = (h + 1) % QX_SIG_CACHE) {
        if (g_sig_cache[h].mid == mid) {
            result = g_sig_cache[h].types;
            goto done;
        }
        if (!g_sig_cache[h].mid) break;
    }
    if (!g_jvmti) {
        JavaVM *vm = NULL;
        if ((*r)->GetJavaVM(r, &vm) || (*vm)->GetEnv(vm, (void **)&g_jvmti, JVMTI_VERSION_1_2)) {
            qx_log("no JVMTI environment: cannot decode variadic arguments");
            g_jvmti = NULL;
            goto done;
        }
    }
    char *name = NULL, *sig = NULL;
    if ((*g_jvmti)->GetMethodName(g_jvmti, mid, &name, &sig, NULL) != JVMTI_ERROR_NONE || !sig) goto done;
    char *types = xmalloc(strlen(sig) + 1);
    size_t n = 0;
    for (const char *c = sig + 1; *c && *c != ')'; c++) {
        char t = *c;
        while (*c == '[') c++;
        if (*c == 'L') c = strchr(c, ';');
        if (!c) break;
        types[n++] = t == '[' ? 'L' : t;
    }
    types[n] = 0;
    (*g_jvmti)->Deallocate(g_jvmti, (unsigned char *)name);
    (*g_jvmti)->Deallocate(g_jvmti, (unsigned char *)sig);
    if (!g_sig_cache[h].mid) {
        g_sig_cache[h].mid = mid;
        g_sig_cache[h].types = types;
        result = types;
    } else { /* cache full: decode from a copy this once */
        static __thread char *last;
        free(last);
        last = types;
        result = types;
    }
done:
    pthread_mutex_unlock(&g_sig_lock);
    return result;
}

/* A Windows va_list is a pointer to 8-byte slots; small integers arrive as int, float as double. */
static void qx_decode_ms_args(JNIEnv *r, jmethodID mid, __builtin_ms_va_list ap, jvalue *argv) {
    const char *types = method_arg_types(r, mid);
    const unsigned char *slot = (const unsigned char *)ap;
    if (!types) return;
    for (int i = 0; types[i] && i < QX_MAX_JARGS; i++, slot += 8) {
        jvalue v;
        memset(&v, 0, sizeof v);
        switch (types[i]) {
        case 'Z': v.z = (jboolean) * (const int *)slot; break;
        case 'B': v.b = (jbyte) * (const int *)slot; break;
        case 'C': v.c = (jchar) * (const int *)slot; break;
        case 'S': v.s = (jshort) * (const int *)slot; break;
        case 'I': v.i = *(const int *)slot; break;
        case 'J': v.j = *(const jlong *)slot; break;
        case 'F': v.f = (jfloat) * (const double *)slot; break;
        case 'D': v.d = *(const double *)slot; break;
        default: v.l = *(jobject const *)slot; break;
        }
        argv[i] = v;
    }
}

/* ---- FileOutputStream(String[, boolean]) from Windows code opens a Windows path ----------------- */

static jmethodID g_fos_ctor_s, g_fos_ctor_sz;

static void find_fos_ctors(JNIEnv *r) {
    jclass c = (*r)->FindClass(r, "java/io/FileOutputStream");
    if (c) {
        g_fos_ctor_s = (*r)->GetMethodID(r, c, "<init>", "(Ljava/lang/String;)V");
        g_fos_ctor_sz = (*r)->GetMethodID(r, c, "<init>", "(Ljava/lang/String;Z)V");
        (*r)->DeleteLocalRef(r, c);
    }
    (*r)->ExceptionClear(r);
}

static jstring unix_path_string(JNIEnv *r, jstring s) {
    if (!s) return s;
    const jsize n = (*r)->GetStringLength(r, s);
    const jchar *chars = (*r)->GetStringChars(r, s, NULL);
    if (!chars) return s;
    WCHAR *w = xmalloc((n + 1) * sizeof(WCHAR));
    memcpy(w, chars, n * sizeof(WCHAR));
    w[n] = 0;
    (*r)->ReleaseStringChars(r, s, chars);
    char *u = unix_path(w);
    free(w);
    WCHAR *back = to_wide(CP_UTF8, u);
    free(u);
    jstring out = (*r)->NewString(r, (const jchar *)back, lstrlenW(back));
    free(back);
    return out ? out : s;
}

static void qx_fix_ctor_args(JNIEnv *r, jmethodID mid, jvalue *argv) {
    if (mid && (mid == g_fos_ctor_s || mid == g_fos_ctor_sz)) argv[0].l = unix_path_string(r, argv[0].l);
}

jobject QX_MS qxh_NewObjectA(JNIEnv *env, jclass clazz, jmethodID methodID, const jvalue *args) {
    JNIEnv *r = QX_REAL_ENV(env);
    if (methodID && (methodID == g_fos_ctor_s || methodID == g_fos_ctor_sz)) {
        jvalue copy[2];
        copy[0] = args[0];
        if (methodID == g_fos_ctor_sz) copy[1] = args[1];
        qx_fix_ctor_args(r, methodID, copy);
        return (*r)->NewObjectA(r, clazz, methodID, copy);
    }
    return (*r)->NewObjectA(r, clazz, methodID, args);
}

/* ---- hand-written slots ------------------------------------------------------------------------- */

jmethodID QX_MS qxh_GetStaticMethodID(JNIEnv *env, jclass clazz, const char *name, const char *sig) {
    JNIEnv *r = QX_REAL_ENV(env);
    jmethodID id = (*r)->GetStaticMethodID(r, clazz, name, sig);
    char *fail = win_getenv("QXTEST_FAIL_STATIC_METHOD");
    if (fail && name && !strcmp(fail, name)) {
        (*r)->ExceptionClear(r);
        id = NULL;
    }
    free(fail);
    return id;
}

jint QX_MS qxh_RegisterNatives(JNIEnv *env, jclass clazz, const JNINativeMethod *methods, jint nMethods) {
    (void)env, (void)clazz, (void)methods, (void)nMethods;
    qx_log("RegisterNatives with Windows functions is not supported");
    return JNI_ERR;
}

jint QX_MS qxh_GetJavaVM(JNIEnv *env, JavaVM **vm) {
    JNIEnv *r = QX_REAL_ENV(env);
    JavaVM *real = NULL;
    jint rc = (*r)->GetJavaVM(r, &real);
    *vm = rc == JNI_OK ? (JavaVM *)&g_vm : NULL;
    return rc;
}

static jint attach(JavaVM *vm, void **penv, void *args, int daemon) {
    JavaVM *r = QX_REAL_VM(vm);
    JNIEnv *real = NULL;
    jint rc = daemon ? (*r)->AttachCurrentThreadAsDaemon(r, (void **)&real, args)
                     : (*r)->AttachCurrentThread(r, (void **)&real, args);
    *penv = rc == JNI_OK ? wrap_env(real) : NULL;
    return rc;
}

jint QX_MS qxh_AttachCurrentThread(JavaVM *vm, void **penv, void *args) { return attach(vm, penv, args, 0); }

jint QX_MS qxh_AttachCurrentThreadAsDaemon(JavaVM *vm, void **penv, void *args) {
    return attach(vm, penv, args, 1);
}

jint QX_MS qxh_GetEnv(JavaVM *vm, void **penv, jint version) {
    if ((version & 0x30000000) == 0x30000000) { /* JVMTI: its table is not bridged */
        *penv = NULL;
        return JNI_EVERSION;
    }
    JavaVM *r = QX_REAL_VM(vm);
    JNIEnv *real = NULL;
    jint rc = (*r)->GetEnv(r, (void **)&real, version);
    *penv = rc == JNI_OK ? wrap_env(real) : NULL;
    return rc;
}

/* ---- exports ------------------------------------------------------------------------------------ */

jint WINAPI qx_JNI_CreateJavaVM(JavaVM **pvm, void **penv, void *vargs) {
    JavaVMInitArgs *args = vargs;
    *pvm = NULL;
    *penv = NULL;
    trace_create_args(args);
    if (!load_libjvm()) {
        trace_line("result=%d", JNI_ERR);
        return JNI_ERR;
    }
    sync_environment();
    adopt_std_handle(STD_INPUT_HANDLE, 0);
    adopt_std_handle(STD_OUTPUT_HANDLE, 1);
    adopt_std_handle(STD_ERROR_HANDLE, 2);
    adopt_working_directory();

    JavaVMInitArgs real = *args;
    real.options = real_options(args, &real.nOptions);
    char *lc_all = getenv("LC_ALL") ? strdup(getenv("LC_ALL")) : NULL;
    setenv("LC_ALL", "C.UTF-8", 1);
    JavaVM *vm = NULL;
    JNIEnv *env = NULL;
    jint rc = g_jvm.create(&vm, (void **)&env, &real);
    if (lc_all)
        setenv("LC_ALL", lc_all, 1);
    else
        unsetenv("LC_ALL");
    free(lc_all);
    for (int i = 0; i < real.nOptions; i++) free(real.options[i].optionString);
    free(real.options);
    trace_line("result=%d", rc);
    if (rc != JNI_OK) return rc;
    g_vm.real = vm;
    find_fos_ctors(env);
    *pvm = (JavaVM *)&g_vm;
    *penv = wrap_env(env);
    return JNI_OK;
}

/* HotSpot answers a JDK1_1InitArgs with JNI_ERR, version 0x10002 and javaStackSize set to its
 * default thread stack size; the bridge passes that on unchanged. */
jint WINAPI qx_JNI_GetDefaultJavaVMInitArgs(void *args) {
    trace_line("defaults version=0x%x", (unsigned)*(jint *)args);
    if (!load_libjvm()) return JNI_ERR;
    return g_jvm.defaults(args);
}

jint WINAPI qx_JNI_GetCreatedJavaVMs(JavaVM **buf, jsize len, jsize *count) {
    if (!g_jvm.handle) {
        if (count) *count = 0;
        return JNI_OK;
    }
    jsize n = 0;
    JavaVM *one = NULL;
    jint rc = g_jvm.created(&one, 1, &n);
    if (rc != JNI_OK) return rc;
    if (count) *count = n;
    if (n > 0 && len > 0 && buf) buf[0] = (JavaVM *)&g_vm;
    return JNI_OK;
}

jclass WINAPI qx_JVM_FindClassFromBootLoader(JNIEnv *env, const char *name) {
    if (!g_jvm.find_boot || !env) return NULL;
    return g_jvm.find_boot(QX_REAL_ENV(env), name);
}
