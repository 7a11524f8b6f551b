package qx.test;

import java.io.BufferedReader;
import java.io.InputStreamReader;
import java.io.PrintStream;
import java.lang.management.ManagementFactory;
import java.nio.charset.StandardCharsets;
import java.util.List;

/**
 * The test rig's probe application (probe.jar, main class qx.test.Probe).
 *
 * <p>Output is UTF-8, one item per line, on whatever System.out is (so a launcher's redirection
 * still applies). Control characters in values are written as backslash-u and four hex digits.
 *
 * <pre>
 * args=N                     number of arguments
 * arg[I]=VALUE               every argument, in order, including the options below
 * thread=NAME                the name of the thread running main
 * then, for each option, in order:
 *   --prop=NAME              prop[NAME]=VALUE, or "prop[NAME] unset"
 *   --env=NAME               env[NAME]=VALUE, or "env[NAME] unset"
 *   --stack                  stack=KB (the VM's ThreadStackSize flag)
 *   --vm-args                vmarg[I]=TEXT for every option the VM was started with
 *   --print=TEXT             TEXT
 *   --print-err=TEXT         TEXT on System.err
 *   --read-stdin             stdin=LINE for every line of standard input, then "stdin end"
 *   --sleep-ms=N             sleeps N ms on the main thread
 *   --thread-ms=N            starts a non-daemon thread that sleeps N ms, then prints "thread done"
 *   --throw=MSG              main throws RuntimeException(MSG)
 *   --exit=N                 System.exit(N)
 *   --halt=N                 Runtime.halt(N)
 *   --stack-depth            depth=N: calls reached before StackOverflowError on a new thread (-Xss)
 *   --stack-depth-here       the same on the thread running main
 *   --crash                  writes to address 0 through Unsafe: the VM dies in native code
 * main done                  when main returns normally
 * </pre>
 *
 * <p>Other entry points for JNI callers: {@link #echo}, {@link #mix}, {@link #scale} and the
 * instance method {@link #sum}.
 */
public final class Probe {
    private static PrintStream out;

    private Probe() {}

    public static void main(String[] args) throws Exception {
        PrintStream o = utf8Out();
        o.println("args=" + args.length);
        for (int i = 0; i < args.length; i++) o.println("arg[" + i + "]=" + escape(args[i]));
        o.println("thread=" + escape(Thread.currentThread().getName()));
        for (String a : args) {
            if (a.startsWith("--prop=")) {
                String name = a.substring(7);
                String v = System.getProperty(name);
                o.println(v == null ? "prop[" + name + "] unset" : "prop[" + name + "]=" + escape(v));
            } else if (a.startsWith("--env=")) {
                String name = a.substring(6);
                String v = System.getenv(name);
                o.println(v == null ? "env[" + name + "] unset" : "env[" + name + "]=" + escape(v));
            } else if (a.equals("--stack")) {
                o.println("stack=" + stackSizeKb());
            } else if (a.equals("--vm-args")) {
                List<String> vmArgs = ManagementFactory.getRuntimeMXBean().getInputArguments();
                for (int i = 0; i < vmArgs.size(); i++) o.println("vmarg[" + i + "]=" + escape(vmArgs.get(i)));
            } else if (a.startsWith("--print=")) {
                o.println(a.substring(8));
            } else if (a.startsWith("--print-err=")) {
                PrintStream e = new PrintStream(System.err, true, StandardCharsets.UTF_8);
                e.println(a.substring(12));
                e.flush();
            } else if (a.equals("--read-stdin")) {
                BufferedReader in = new BufferedReader(new InputStreamReader(System.in, StandardCharsets.UTF_8));
                for (String line; (line = in.readLine()) != null; ) o.println("stdin=" + escape(line));
                o.println("stdin end");
            } else if (a.startsWith("--sleep-ms=")) {
                Thread.sleep(Long.parseLong(a.substring(11)));
            } else if (a.startsWith("--thread-ms=")) {
                final long ms = Long.parseLong(a.substring(12));
                Thread t = new Thread(() -> {
                    try {
                        Thread.sleep(ms);
                    } catch (InterruptedException e) {
                        Thread.currentThread().interrupt();
                    }
                    utf8Out().println("thread done");
                }, "probe-worker");
                t.setDaemon(false);
                t.start();
            } else if (a.startsWith("--throw=")) {
                throw new RuntimeException(a.substring(8));
            } else if (a.startsWith("--exit=")) {
                o.flush();
                System.exit(Integer.parseInt(a.substring(7)));
            } else if (a.startsWith("--halt=")) {
                o.flush();
                Runtime.getRuntime().halt(Integer.parseInt(a.substring(7)));
            } else if (a.equals("--stack-depth")) {
                Thread t = new Thread(() -> o.println("depth=" + stackDepth()), "probe-deep");
                t.start();
                t.join();
            } else if (a.equals("--stack-depth-here")) {
                o.println("depth=" + stackDepth());
            } else if (a.equals("--crash")) {
                o.flush();
                crash();
            }
        }
        o.println("main done");
        o.flush();
    }

    /** Prints "echo[THREAD]=TEXT" and returns "echo:" + TEXT. */
    public static String echo(String text) {
        utf8Out().println("echo[" + escape(Thread.currentThread().getName()) + "]=" + escape(text));
        return "echo:" + text;
    }

    /** Every primitive kind and a reference, so a caller's argument passing can be checked. */
    public static String mix(int i, long j, double d, float f, boolean z, char c, short s, byte b, String str) {
        return i + "," + j + "," + d + "," + f + "," + z + "," + (int) c + "," + s + "," + b + "," + str;
    }

    public static double scale(float f, double d) {
        return f * d;
    }

    public long sum(int a, long b, short c, byte d) {
        return a + b + c + d;
    }

    /** UTF-8 on top of the current System.out, created once. */
    static synchronized PrintStream utf8Out() {
        if (out == null) out = new PrintStream(System.out, true, StandardCharsets.UTF_8);
        return out;
    }

    static String escape(String s) {
        StringBuilder b = new StringBuilder(s.length());
        for (int i = 0; i < s.length(); i++) {
            char c = s.charAt(i);
            if (c < 0x20 || c == 0x7f) b.append(String.format("\\u%04x", (int) c));
            else b.append(c);
        }
        return b.toString();
    }

    private static long stackSizeKb() {
        try {
            Class<?> beanClass = Class.forName("com.sun.management.HotSpotDiagnosticMXBean");
            Object bean = ManagementFactory.getPlatformMXBean(
                    beanClass.asSubclass(java.lang.management.PlatformManagedObject.class));
            Object option = beanClass.getMethod("getVMOption", String.class).invoke(bean, "ThreadStackSize");
            return Long.parseLong((String) option.getClass().getMethod("getValue").invoke(option));
        } catch (ReflectiveOperationException | RuntimeException e) {
            return -1;
        }
    }

    private static int depth;

    private static void down(int n) {
        depth = n;
        down(n + 1);
    }

    private static int stackDepth() {
        try {
            down(0);
        } catch (StackOverflowError e) {
            return depth;
        }
        return -1;
    }

    private static void crash() throws ReflectiveOperationException {
        Class<?> unsafeClass = Class.forName("sun.misc.Unsafe");
        java.lang.reflect.Field f = unsafeClass.getDeclaredField("theUnsafe");
        f.setAccessible(true);
        Object unsafe = f.get(null);
        unsafeClass.getMethod("putAddress", long.class, long.class).invoke(unsafe, 0L, 0L);
    }
}
