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
 *   QXBENCH_MEMORY             Windows path of a file that receives the process's peak working set in
 *                              bytes as JNI_CreateJavaVM is entered (the start-up benchmark's figure;
 *                              libjvm.so is loaded by then when the caller has asked for the default
 *                              init args, as the launcher and the benchmark's bare loader do).
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
 *     on whichever drive it lies (wine_get_unix_file_name, with the prefix's drive link resolved; a
 *     trailing "*" wildcard is kept; an element Wine cannot map keeps its text with "\" turned
 *     into "/");
 *   - the caller's "exit", "abort" and "vfprintf" options are replaced by the bridge's hooks:
 *     exit calls the caller's hook, then ExitProcess(code) (HotSpot would end with Unix exit(), which
 *     a Windows parent sees as 0); abort calls the caller's hook and returns, after which HotSpot
 *     ends with exit(1) (start-up failure) or abort() (crash), which become ExitProcess(1) and
 *     ExitProcess(134) (128 + SIGABRT); vfprintf passes each message to the caller's hook as
 *     (glibc FILE*, "%s", message) - the FILE* is only good for comparing - or, without one, writes
 *     it to the Windows standard handle;
 *   - -Xrs is appended: Wine stops threads with SIGQUIT at process end, which HotSpot would
 *     otherwise answer with a thread dump on standard output.
 * Before the VM is created the Unix side is made to match the Windows side: the environment (every
 * Windows variable set, every other variable removed except Wine's own WINE*), the working
 * directory and standard input/output/error. A standard handle with a Unix descriptor (file,
 * terminal) is dup2'ed onto fd 0/1/2; one without (a Windows pipe or console) is served by the
 * patched read/write below. LC_ALL is C.UTF-8 while the VM starts, then restored.
 *
 * libjvm and every library it loads get these GOT entries redirected:
 *   pthread_create      -> CreateThread, so every JVM thread is a Wine thread on which Windows code
 *                          (the launcher's hooks) may run;
 *   pthread_getattr_np  -> the calling thread's Windows stack from its TEB (HotSpot places its guard
 *                          zones from it; on Wine's main thread glibc reports the Unix stack), cut
 *                          to the size the JVM asked for on threads it created;
 *   read, write, readv, writev, __*printf_chk, fwrite, fputc on fds 0-2 / stdout, stderr
 *                       -> the Windows standard handles, synchronously;
 *   exit, _exit, abort  -> ExitProcess;
 *   sigaction for SIGSEGV, SIGBUS, SIGFPE, SIGILL -> emulated: HotSpot sees no earlier handler; the
 *                          process handler asks HotSpot first (JVM_handle_linux_signal without
 *                          aborting), lets HotSpot report a fault in JDK code as a crash, and gives
 *                          everything else to Wine's handler;
 *   dlopen              -> the same for the library just loaded.
 *
 * Not bridged: RegisterNatives with Windows functions (returns JNI_ERR), JVMTI environments through
 * GetEnv (JNI_EVERSION).
 *
 * Built for x86_64 (native.mk) and for aarch64 (scripts/arm64-rig, inside an arm64 Debian root, with
 * clang, whose ms_abi covers the Windows ARM64 variadic convention; the default libjvm is the arm64
 * one). On aarch64 Windows code keeps its TEB in x18, which Linux code may overwrite: see
 * QX_WINDOWS_X18.
 */
#define _GNU_SOURCE
#include <windows.h>
#include <winternl.h>
#include <psapi.h>

#include <jni.h>
#include <jvmti.h>

#if defined(__x86_64__)
#include <asm/prctl.h>
#endif
#include <dlfcn.h>
#include <elf.h>
#include <errno.h>
#include <link.h>
#include <pthread.h>
#include <semaphore.h>
#include <signal.h>
#include <stdarg.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/mman.h>
#include <sys/uio.h>
#include <ucontext.h>
#include <sys/syscall.h>
#include <unistd.h>

#define QX_MS __attribute__((ms_abi))
/* A Java method has at most 255 parameter slots. */
#define QX_MAX_JARGS 256
#define QX_ABORT_EXIT_CODE 134

#if defined(__aarch64__)
/* Windows code on ARM64 finds its TEB in x18, which Linux code (libjvm, glibc, the JIT's code) may use
 * as a scratch register. The bridge is built with -ffixed-x18; it records the TEB of every thread that
 * enters it from Windows code (QX_FROM_WINDOWS) or that it starts (qx_thread_main), and puts it back
 * into x18 (QX_WINDOWS_X18) before it returns to Windows code or calls Windows code after Linux code
 * has run. */
static __thread void *t_teb;
static inline void *qx_read_x18(void) {
    void *value;
    __asm__ volatile("mov %0, x18" : "=r"(value));
    return value;
}
#define QX_FROM_WINDOWS (t_teb = qx_read_x18())
#define QX_WINDOWS_X18()                                           \
    do {                                                           \
        if (t_teb) __asm__ volatile("mov x18, %0" : : "r"(t_teb)); \
    } while (0)
#define QX_R_JUMP_SLOT R_AARCH64_JUMP_SLOT
#define QX_R_GLOB_DAT R_AARCH64_GLOB_DAT
#define QX_FAULT_PC(uc) ((uintptr_t)((ucontext_t *)(uc))->uc_mcontext.pc)
#define QX_DEFAULT_LIBJVM "/usr/lib/jvm/java-17-openjdk-arm64/lib/server/libjvm.so"
#else
/* On x86_64 the TEB lives in the GS base, which Linux code leaves alone. */
#define QX_FROM_WINDOWS ((void)0)
#define QX_WINDOWS_X18() ((void)0)
#define QX_R_JUMP_SLOT R_X86_64_JUMP_SLOT
#define QX_R_GLOB_DAT R_X86_64_GLOB_DAT
#define QX_FAULT_PC(uc) ((uintptr_t)((ucontext_t *)(uc))->uc_mcontext.gregs[REG_RIP])
#define QX_DEFAULT_LIBJVM "/usr/lib/jvm/java-17-openjdk-amd64/lib/server/libjvm.so"
#endif

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
    QX_WINDOWS_X18();
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
    QX_WINDOWS_X18();
    int n = WideCharToMultiByte(CP_UTF8, 0, w, len, NULL, 0, NULL, NULL);
    char *out = xmalloc(n + 1);
    WideCharToMultiByte(CP_UTF8, 0, w, len, out, n, NULL, NULL);
    out[n] = 0;
    return out;
}

static WCHAR *to_wide(UINT cp, const char *s) {
    QX_WINDOWS_X18();
    int n = MultiByteToWideChar(cp, 0, s, -1, NULL, 0);
    WCHAR *out = xmalloc((n + 1) * sizeof(WCHAR));
    MultiByteToWideChar(cp, 0, s, -1, out, n);
    out[n] = 0;
    return out;
}

/* A Windows environment variable as UTF-8, or NULL; the Unix environment may differ until synced. */
static char *win_getenv(const char *name) {
    QX_WINDOWS_X18();
    WCHAR wname[64];
    size_t i;
    for (i = 0; name[i] && i < 63; i++) wname[i] = (WCHAR)name[i];
    wname[i] = 0;
    const DWORD size = GetEnvironmentVariableW(wname, NULL, 0);
    if (size == 0) return NULL;
    WCHAR *buf = xmalloc(size * sizeof(WCHAR));
    const DWORD n = GetEnvironmentVariableW(wname, buf, size);
    char *out = n > 0 && n < size ? wide_to_utf8(buf, (int)n) : NULL;
    free(buf);
    return out;
}

/* Wine names a path on any drive but the root one through the prefix's drive link
 * (".../dosdevices/c:/Program Files/..."), and the colon would split a Unix class path there: the
 * link is resolved to its target, as Wine itself resolves it. malloc'd. */
static char *without_drive_link(const char *p) {
    const char *link = strstr(p, "/dosdevices/");
    if (!link) return strdup(p);
    const char *drive = link + strlen("/dosdevices/");
    if (!((drive[0] | 0x20) >= 'a' && (drive[0] | 0x20) <= 'z' && drive[1] == ':' &&
          (drive[2] == '/' || drive[2] == 0)))
        return strdup(p);
    char *prefix = strndup(p, (size_t)(drive + 2 - p));
    char *target = prefix ? realpath(prefix, NULL) : NULL;
    free(prefix);
    if (!target) return strdup(p);
    char *out = xmalloc(strlen(target) + strlen(drive + 2) + 1);
    strcpy(out, target);
    strcat(out, drive + 2);
    free(target);
    return out;
}

/* A Windows path as a Unix path (UTF-8, malloc'd). */
static char *unix_path(const WCHAR *w) {
    if (!w[0]) return strdup("");
    QX_WINDOWS_X18();
    char *p = wine_get_unix_file_name(w);
    if (p) {
        char *out = without_drive_link(p);
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
    QX_WINDOWS_X18();
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

/* The calling thread's TEB when it is a Wine thread, else NULL. */
static TEB *wine_teb(void) {
#if defined(__aarch64__)
    return t_teb;
#else
    unsigned long gs = 0;
    return syscall(SYS_arch_prctl, ARCH_GET_GS, &gs) == 0 && gs != 0 ? NtCurrentTeb() : NULL;
#endif
}

/* The stack size the JVM asked for when it created this thread; 0 on threads it did not create.
 * Wine reserves at least 1 MB, so without this -Xss below 1 MB would have no effect. */
static __thread size_t t_requested_stack;

static int qx_pthread_getattr_np(pthread_t thread, pthread_attr_t *attr) {
    int rc = pthread_getattr_np(thread, attr);
    TEB *teb = rc || !pthread_equal(thread, pthread_self()) ? NULL : wine_teb();
    if (!teb) return rc;
    char *base = (char *)teb->Tib.StackBase;
    char *bottom = (char *)teb->DeallocationStack;
    if (!bottom || base <= bottom) return rc;
    const size_t page = (size_t)sysconf(_SC_PAGESIZE);
    const size_t wanted = (t_requested_stack + page - 1) & ~(page - 1);
    if (wanted && wanted < (size_t)(base - bottom)) bottom = base - wanted;
    pthread_attr_setstack(attr, bottom, (size_t)(base - bottom));
    pthread_attr_setguardsize(attr, 0);
    return 0;
}

struct qx_start {
    void *(*fn)(void *);
    void *arg;
    size_t stack;
    pthread_t tid;
    sem_t ready;
};

static DWORD WINAPI qx_thread_main(void *param) {
    QX_FROM_WINDOWS;
    struct qx_start *s = param;
    void *(*fn)(void *) = s->fn;
    void *arg = s->arg;
    t_requested_stack = s->stack;
    s->tid = pthread_self();
    sem_post(&s->ready); /* s belongs to the creator from here on */
    fn(arg);
    return 0;
}

/* HotSpot keeps the pthread_t for pthread_kill/pthread_getcpuclockid, so it must be the new thread's
 * own; it creates every thread detached and never joins (libjvm imports no pthread_join). */
static int qx_pthread_create(pthread_t *thread, const pthread_attr_t *attr, void *(*fn)(void *),
                             void *arg) {
    QX_WINDOWS_X18();
    size_t stack = 0;
    if (attr) pthread_attr_getstacksize(attr, &stack);
    struct qx_start s;
    memset(&s, 0, sizeof s);
    s.fn = fn;
    s.arg = arg;
    s.stack = stack;
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
            if (type != QX_R_JUMP_SLOT && type != QX_R_GLOB_DAT) continue;
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

/* ---- what JDK libraries do to the process: I/O on fds 0-2, exit, fault signals ----------------- */

/* Windows standard handles without a Unix descriptor (pipes, consoles): fds 0-2 are served from
 * these through the patched read/write, synchronously, so output keeps its order with what Windows
 * code writes to the same handle. NULL: the fd itself is the handle's Unix descriptor. */
static HANDLE g_std[3];

static ssize_t std_write(int fd, const void *buf, size_t n) {
    if (fd < 1 || fd > 2 || !g_std[fd]) return write(fd, buf, n);
    QX_WINDOWS_X18();
    DWORD written = 0;
    if (n > 0x7fffffff) n = 0x7fffffff;
    if (!WriteFile(g_std[fd], buf, (DWORD)n, &written, NULL)) {
        errno = GetLastError() == ERROR_NO_DATA || GetLastError() == ERROR_BROKEN_PIPE ? EPIPE : EIO;
        return -1;
    }
    return written;
}

static ssize_t qx_write(int fd, const void *buf, size_t n) { return std_write(fd, buf, n); }

static ssize_t qx_read(int fd, void *buf, size_t n) {
    if (fd != 0 || !g_std[0]) return read(fd, buf, n);
    QX_WINDOWS_X18();
    DWORD got = 0;
    if (n > 0x7fffffff) n = 0x7fffffff;
    if (!ReadFile(g_std[0], buf, (DWORD)n, &got, NULL)) {
        if (GetLastError() == ERROR_BROKEN_PIPE || GetLastError() == ERROR_HANDLE_EOF) return 0;
        errno = EIO;
        return -1;
    }
    return got;
}

static ssize_t qx_writev(int fd, const struct iovec *iov, int count) {
    if (fd < 1 || fd > 2 || !g_std[fd]) return writev(fd, iov, count);
    ssize_t total = 0;
    for (int i = 0; i < count; i++) {
        ssize_t n = std_write(fd, iov[i].iov_base, iov[i].iov_len);
        if (n < 0) return total ? total : -1;
        total += n;
    }
    return total;
}

static ssize_t qx_readv(int fd, const struct iovec *iov, int count) {
    if (fd != 0 || !g_std[0]) return readv(fd, iov, count);
    for (int i = 0; i < count; i++)
        if (iov[i].iov_len) return qx_read(fd, iov[i].iov_base, iov[i].iov_len);
    return 0;
}

static int std_fd_of(FILE *fp) { return fp == stdout ? 1 : fp == stderr ? 2 : -1; }

/* Formats like vfprintf into a malloc'd string; returns its length or -1. */
static int format_message(char **out, const char *fmt, va_list ap) {
    va_list copy;
    va_copy(copy, ap);
    int n = vsnprintf(NULL, 0, fmt, copy);
    va_end(copy);
    if (n < 0) return -1;
    *out = xmalloc((size_t)n + 1);
    vsnprintf(*out, (size_t)n + 1, fmt, ap);
    return n;
}

static int std_vfprintf(FILE *fp, const char *fmt, va_list ap) {
    const int fd = std_fd_of(fp);
    if (fd < 0 || !g_std[fd]) return vfprintf(fp, fmt, ap);
    char *text = NULL;
    int n = format_message(&text, fmt, ap);
    if (n > 0) {
        fflush(fp);
        std_write(fd, text, (size_t)n);
    }
    free(text);
    return n;
}

static int qx___vfprintf_chk(FILE *fp, int flag, const char *fmt, va_list ap) {
    (void)flag;
    return std_vfprintf(fp, fmt, ap);
}

static int qx___fprintf_chk(FILE *fp, int flag, const char *fmt, ...) {
    (void)flag;
    va_list ap;
    va_start(ap, fmt);
    int n = std_vfprintf(fp, fmt, ap);
    va_end(ap);
    return n;
}

static int qx___printf_chk(int flag, const char *fmt, ...) {
    (void)flag;
    va_list ap;
    va_start(ap, fmt);
    int n = std_vfprintf(stdout, fmt, ap);
    va_end(ap);
    return n;
}

static size_t qx_fwrite(const void *buf, size_t size, size_t count, FILE *fp) {
    const int fd = std_fd_of(fp);
    if (fd < 0 || !g_std[fd]) return fwrite(buf, size, count, fp);
    fflush(fp);
    return size && std_write(fd, buf, size * count) == (ssize_t)(size * count) ? count : 0;
}

static int qx_fputc(int c, FILE *fp) {
    const int fd = std_fd_of(fp);
    if (fd < 0 || !g_std[fd]) return fputc(c, fp);
    const unsigned char byte = (unsigned char)c;
    fflush(fp);
    return std_write(fd, &byte, 1) == 1 ? byte : EOF;
}

/* The caller's vfprintf hook, ms_abi jint (*)(FILE *, const char *, va_list). It is called with
 * glibc's FILE* (compare it, never use it), format "%s" and the formatted message. */
static void *g_caller_vfprintf;

static jint qx_vfprintf_hook(FILE *fp, const char *fmt, va_list ap) {
    if (!g_caller_vfprintf) return std_vfprintf(fp, fmt, ap);
    typedef jint(QX_MS * hook_fn)(FILE *, const char *, __builtin_ms_va_list);
    char *text = NULL;
    int n = format_message(&text, fmt, ap);
    if (n < 0) return n;
    void *slots[1] = {text};
    QX_WINDOWS_X18();
    jint rc = ((hook_fn)g_caller_vfprintf)(fp, "%s", (__builtin_ms_va_list)slots);
    free(text);
    return rc;
}

/* A Windows parent sees a Unix exit() as exit code 0: end the Windows way. */
static void qx_exit(int code) {
    fflush(NULL);
    QX_WINDOWS_X18();
    ExitProcess((UINT)code);
}

static void qx__exit(int code) {
    QX_WINDOWS_X18();
    ExitProcess((UINT)code);
}

static void qx_abort(void) {
    fflush(NULL);
    QX_WINDOWS_X18();
    ExitProcess(QX_ABORT_EXIT_CODE);
}

/* Executable ranges of JDK libraries: a fault there that HotSpot does not expect is a JVM crash. */
static struct {
    uintptr_t start, end;
} g_jdk_code[64];
static volatile int g_jdk_code_count;

static int in_jdk_code(uintptr_t pc) {
    const int n = __atomic_load_n(&g_jdk_code_count, __ATOMIC_ACQUIRE);
    for (int i = 0; i < n; i++)
        if (pc >= g_jdk_code[i].start && pc < g_jdk_code[i].end) return 1;
    return 0;
}

static int record_code(struct dl_phdr_info *info, size_t size, void *data) {
    (void)size;
    if (!info->dlpi_name || strcmp(info->dlpi_name, data)) return 0;
    for (int i = 0; i < info->dlpi_phnum; i++) {
        const ElfW(Phdr) *ph = &info->dlpi_phdr[i];
        if (ph->p_type != PT_LOAD || !(ph->p_flags & PF_X) || g_jdk_code_count >= 64) continue;
        if (in_jdk_code(info->dlpi_addr + ph->p_vaddr)) continue; /* loaded again */
        g_jdk_code[g_jdk_code_count].start = info->dlpi_addr + ph->p_vaddr;
        g_jdk_code[g_jdk_code_count].end = info->dlpi_addr + ph->p_vaddr + ph->p_memsz;
        __atomic_add_fetch(&g_jdk_code_count, 1, __ATOMIC_RELEASE);
    }
    return 1;
}

/* Fault signals: HotSpot would chain whatever it does not expect to the handler it found, Wine's,
 * which turns a JVM crash into an unhandled Windows exception (no hs_err, no abort hook). So libjvm's
 * sigaction is emulated for these: HotSpot sees no previous handler, and the process handler is a
 * gate that asks HotSpot first and gives the rest to Wine, unless it happened in JDK code. */
typedef int (*jvm_signal_fn)(int, siginfo_t *, void *, int);
static jvm_signal_fn g_jvm_signal;
static struct sigaction g_wine_act[NSIG], g_jvm_act[NSIG];
static void *g_jvm_primary[NSIG]; /* the first handler HotSpot installed: its own dispatcher */
static int g_gated[NSIG];

static int gated(int sig) { return sig == SIGSEGV || sig == SIGBUS || sig == SIGFPE || sig == SIGILL; }

static void qx_signal_gate(int sig, siginfo_t *info, void *uc) {
    const struct sigaction *jvm = &g_jvm_act[sig];
    void *jvm_handler = (void *)jvm->sa_sigaction;
    if (jvm_handler && jvm_handler != (void *)SIG_DFL && jvm_handler != (void *)SIG_IGN) {
        if (jvm_handler != g_jvm_primary[sig]) { /* e.g. HotSpot's handler while it reports a crash */
            if (jvm->sa_flags & SA_SIGINFO)
                jvm->sa_sigaction(sig, info, uc);
            else
                jvm->sa_handler(sig);
            return;
        }
        if (g_jvm_signal(sig, info, uc, 0)) return;
        const uintptr_t pc = QX_FAULT_PC(uc);
        if (in_jdk_code(pc)) {
            g_jvm_signal(sig, info, uc, 1); /* reports the crash and ends the process */
            return;
        }
    }
    const struct sigaction *wine = &g_wine_act[sig];
    if (wine->sa_flags & SA_SIGINFO)
        wine->sa_sigaction(sig, info, uc);
    else if (wine->sa_handler != SIG_DFL && wine->sa_handler != SIG_IGN)
        wine->sa_handler(sig);
    else {
        signal(sig, SIG_DFL);
        raise(sig);
    }
}

static int qx_sigaction(int sig, const struct sigaction *act, struct sigaction *oact) {
    if (sig <= 0 || sig >= NSIG || !gated(sig) || !g_jvm_signal) return sigaction(sig, act, oact);
    const struct sigaction previous = g_jvm_act[sig]; /* zero: SIG_DFL */
    if (act) {
        if (!g_gated[sig]) {
            struct sigaction gate = *act;
            if (sigaction(sig, NULL, &g_wine_act[sig])) return -1;
            gate.sa_sigaction = qx_signal_gate;
            gate.sa_flags |= SA_SIGINFO;
            if (sigaction(sig, &gate, NULL)) return -1;
            g_jvm_primary[sig] = (void *)act->sa_sigaction;
            g_gated[sig] = 1;
        }
        g_jvm_act[sig] = *act;
    }
    if (oact) *oact = previous;
    return 0;
}

static void patch_jdk_library(void *handle);

/* Libraries the JDK loads get the same treatment as libjvm. */
static void *qx_dlopen(const char *file, int mode) {
    void *h = dlopen(file, mode);
    if (h) patch_jdk_library(h);
    return h;
}

static const struct {
    const char *name;
    void *replacement;
} g_jdk_patches[] = {
    {"pthread_create", (void *)qx_pthread_create},
    {"pthread_getattr_np", (void *)qx_pthread_getattr_np},
    {"sigaction", (void *)qx_sigaction},
    {"write", (void *)qx_write},
    {"read", (void *)qx_read},
    {"writev", (void *)qx_writev},
    {"readv", (void *)qx_readv},
    {"__vfprintf_chk", (void *)qx___vfprintf_chk},
    {"__fprintf_chk", (void *)qx___fprintf_chk},
    {"__printf_chk", (void *)qx___printf_chk},
    {"fwrite", (void *)qx_fwrite},
    {"fputc", (void *)qx_fputc},
    {"exit", (void *)qx_exit},
    {"_exit", (void *)qx__exit},
    {"abort", (void *)qx_abort},
    {"dlopen", (void *)qx_dlopen},
};

/* Returns a bit per entry of g_jdk_patches that found at least one slot. */
static unsigned patch_jdk_library_mask(void *handle) {
    struct link_map *lm = NULL;
    if (!dlinfo(handle, RTLD_DI_LINKMAP, &lm) && lm && lm->l_name) dl_iterate_phdr(record_code, (void *)lm->l_name);
    unsigned mask = 0;
    for (size_t i = 0; i < sizeof g_jdk_patches / sizeof *g_jdk_patches; i++)
        if (patch_got(handle, g_jdk_patches[i].name, g_jdk_patches[i].replacement)) mask |= 1u << i;
    return mask;
}

static void patch_jdk_library(void *handle) { patch_jdk_library_mask(handle); }

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
            g_jvm_signal = (jvm_signal_fn)dlsym(h, "JVM_handle_linux_signal");
            if (!g_jvm.create || !g_jvm.defaults || !g_jvm.created || !g_jvm_signal) {
                qx_log("%s lacks the JNI invocation functions", path);
            } else if ((patch_jdk_library_mask(h) & 7) != 7) { /* threads, stacks, signals */
                qx_log("cannot redirect the thread and signal functions of %s", path);
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
    g_std[fd] = NULL;
    if (!h || h == INVALID_HANDLE_VALUE) return;
    if (wine_server_handle_to_fd(h, 0, &ufd, NULL) || ufd < 0) {
        g_std[fd] = h;
        return;
    }
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
    QX_WINDOWS_X18();
    if (g_caller_exit) ((hook_fn)g_caller_exit)(code);
    fflush(NULL);
    QX_WINDOWS_X18();
    ExitProcess((UINT)code);
}

/* HotSpot goes on with exit(1) after a start-up failure or abort() after a crash: both patched. */
static void qx_abort_hook(void) {
    typedef void(QX_MS * hook_fn)(void);
    QX_WINDOWS_X18();
    if (g_caller_abort) ((hook_fn)g_caller_abort)();
}

static int starts_with(const char *s, const char *prefix) { return !strncmp(s, prefix, strlen(prefix)); }

/* The options the Linux JVM gets; the strings are malloc'd. The caller's hooks are taken from the
 * first call only: HotSpot refuses later ones, and the first VM keeps its hooks. */
static int g_create_attempted;

static JavaVMOption *real_options(const JavaVMInitArgs *a, int *count) {
    const int n = a->nOptions > 0 ? a->nOptions : 0;
    JavaVMOption *out = xmalloc((n + 4) * sizeof *out);
    int k = 0, vfprintf_placed = 0;
    for (int i = 0; i < n; i++) {
        const char *s = a->options[i].optionString;
        if (!s) continue;
        void **hook = !strcmp(s, "exit")       ? &g_caller_exit
                      : !strcmp(s, "abort")    ? &g_caller_abort
                      : !strcmp(s, "vfprintf") ? &g_caller_vfprintf
                                               : NULL;
        if (hook) {
            if (!g_create_attempted) *hook = a->options[i].extraInfo;
            if (hook == &g_caller_vfprintf && !vfprintf_placed) {
                /* HotSpot applies options in order: messages before it stay on stderr */
                out[k].optionString = strdup("vfprintf");
                out[k++].extraInfo = (void *)qx_vfprintf_hook;
                vfprintf_placed = 1;
            }
            continue;
        }
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
    if (!vfprintf_placed) {
        out[k].optionString = strdup("vfprintf");
        out[k++].extraInfo = (void *)qx_vfprintf_hook;
    }
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
            QX_WINDOWS_X18();
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
    QX_WINDOWS_X18();
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
    QX_FROM_WINDOWS;
    JNIEnv *r = QX_REAL_ENV(env);
    jvalue copy[2];
    if (methodID && (methodID == g_fos_ctor_s || methodID == g_fos_ctor_sz)) {
        copy[0] = args[0];
        if (methodID == g_fos_ctor_sz) copy[1] = args[1];
        qx_fix_ctor_args(r, methodID, copy);
        args = copy;
    }
    jobject object = (*r)->NewObjectA(r, clazz, methodID, args);
    QX_WINDOWS_X18();
    return object;
}

/* ---- hand-written slots ------------------------------------------------------------------------- */

jmethodID QX_MS qxh_GetStaticMethodID(JNIEnv *env, jclass clazz, const char *name, const char *sig) {
    QX_FROM_WINDOWS;
    JNIEnv *r = QX_REAL_ENV(env);
    jmethodID id = (*r)->GetStaticMethodID(r, clazz, name, sig);
    QX_WINDOWS_X18();
    char *fail = win_getenv("QXTEST_FAIL_STATIC_METHOD");
    if (fail && name && !strcmp(fail, name)) {
        (*r)->ExceptionClear(r);
        id = NULL;
    }
    free(fail);
    QX_WINDOWS_X18();
    return id;
}

jint QX_MS qxh_RegisterNatives(JNIEnv *env, jclass clazz, const JNINativeMethod *methods, jint nMethods) {
    (void)env, (void)clazz, (void)methods, (void)nMethods;
    qx_log("RegisterNatives with Windows functions is not supported");
    return JNI_ERR;
}

jint QX_MS qxh_GetJavaVM(JNIEnv *env, JavaVM **vm) {
    QX_FROM_WINDOWS;
    JNIEnv *r = QX_REAL_ENV(env);
    JavaVM *real = NULL;
    jint rc = (*r)->GetJavaVM(r, &real);
    *vm = rc == JNI_OK ? (JavaVM *)&g_vm : NULL;
    QX_WINDOWS_X18();
    return rc;
}

static jint attach(JavaVM *vm, void **penv, void *args, int daemon) {
    QX_FROM_WINDOWS;
    JavaVM *r = QX_REAL_VM(vm);
    JNIEnv *real = NULL;
    jint rc = daemon ? (*r)->AttachCurrentThreadAsDaemon(r, (void **)&real, args)
                     : (*r)->AttachCurrentThread(r, (void **)&real, args);
    *penv = rc == JNI_OK ? wrap_env(real) : NULL;
    QX_WINDOWS_X18();
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
    QX_FROM_WINDOWS;
    JavaVM *r = QX_REAL_VM(vm);
    JNIEnv *real = NULL;
    jint rc = (*r)->GetEnv(r, (void **)&real, version);
    *penv = rc == JNI_OK ? wrap_env(real) : NULL;
    QX_WINDOWS_X18();
    return rc;
}

/* ---- exports ------------------------------------------------------------------------------------ */

/* The caller's peak working set so far, for the benchmark; psapi is not linked, so looked up. */
static void record_peak_working_set(void) {
    char *path = win_getenv("QXBENCH_MEMORY");
    if (!path) return;
    typedef BOOL(WINAPI * counters_fn)(HANDLE, PROCESS_MEMORY_COUNTERS *, DWORD);
    counters_fn counters =
        (counters_fn)(void *)GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "K32GetProcessMemoryInfo");
    PROCESS_MEMORY_COUNTERS pmc;
    memset(&pmc, 0, sizeof pmc);
    pmc.cb = sizeof pmc;
    if (counters && counters(GetCurrentProcess(), &pmc, sizeof pmc)) {
        char text[32];
        const int n = snprintf(text, sizeof text, "%llu\n", (unsigned long long)pmc.PeakWorkingSetSize);
        WCHAR *wpath = to_wide(CP_UTF8, path);
        HANDLE f = CreateFileW(wpath, GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL);
        if (f != INVALID_HANDLE_VALUE) {
            DWORD written;
            WriteFile(f, text, (DWORD)n, &written, NULL);
            CloseHandle(f);
        }
        free(wpath);
    }
    free(path);
}

static jint create_java_vm(JavaVM **pvm, void **penv, void *vargs) {
    JavaVMInitArgs *args = vargs;
    record_peak_working_set();
    *pvm = NULL;
    *penv = NULL;
    trace_create_args(args);
    if (!load_libjvm()) {
        trace_line("result=%d", JNI_ERR);
        return JNI_ERR;
    }
    sync_environment();
#if defined(__aarch64__)
    /* Wine for arm64 raises SIGUSR2 on a thread to load a whole register context into it; HotSpot's
     * suspend and resume signal, SIGUSR2 unless told otherwise, would swallow it. */
    setenv("_JAVA_SR_SIGNUM", "40", 0);
#endif
    adopt_std_handle(STD_INPUT_HANDLE, 0);
    adopt_std_handle(STD_OUTPUT_HANDLE, 1);
    adopt_std_handle(STD_ERROR_HANDLE, 2);
    adopt_working_directory();

    JavaVMInitArgs real = *args;
    real.options = real_options(args, &real.nOptions);
    g_create_attempted = 1;
    char *lc_all = getenv("LC_ALL") ? strdup(getenv("LC_ALL")) : NULL;
    setenv("LC_ALL", "C.UTF-8", 1);
    JavaVM *vm = NULL;
    JNIEnv *env = NULL;
    jint rc = g_jvm.create(&vm, (void **)&env, &real);
    QX_WINDOWS_X18();
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
    QX_WINDOWS_X18();
    *pvm = (JavaVM *)&g_vm;
    *penv = wrap_env(env);
    return JNI_OK;
}

/* HotSpot answers a JDK1_1InitArgs with JNI_ERR, version 0x10002 and javaStackSize set to its
 * default thread stack size; the bridge passes that on unchanged. */
jint WINAPI qx_JNI_CreateJavaVM(JavaVM **pvm, void **penv, void *vargs) {
    QX_FROM_WINDOWS;
    const jint rc = create_java_vm(pvm, penv, vargs);
    QX_WINDOWS_X18();
    return rc;
}

jint WINAPI qx_JNI_GetDefaultJavaVMInitArgs(void *args) {
    QX_FROM_WINDOWS;
    trace_line("defaults version=0x%x", (unsigned)*(jint *)args);
    if (!load_libjvm()) return JNI_ERR;
    const jint rc = g_jvm.defaults(args);
    QX_WINDOWS_X18();
    return rc;
}

jint WINAPI qx_JNI_GetCreatedJavaVMs(JavaVM **buf, jsize len, jsize *count) {
    if (!g_jvm.handle) {
        if (count) *count = 0;
        return JNI_OK;
    }
    jsize n = 0;
    JavaVM *one = NULL;
    QX_FROM_WINDOWS;
    jint rc = g_jvm.created(&one, 1, &n);
    QX_WINDOWS_X18();
    if (rc != JNI_OK) return rc;
    if (count) *count = n;
    if (n > 0 && len > 0 && buf) buf[0] = (JavaVM *)&g_vm;
    return JNI_OK;
}

jclass WINAPI qx_JVM_FindClassFromBootLoader(JNIEnv *env, const char *name) {
    if (!g_jvm.find_boot || !env) return NULL;
    QX_FROM_WINDOWS;
    jclass found = g_jvm.find_boot(QX_REAL_ENV(env), name);
    QX_WINDOWS_X18();
    return found;
}
