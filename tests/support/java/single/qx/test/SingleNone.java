package qx.test;

/**
 * A single-instance primary without "secondaryMain". main logs "main thread=NAME args=[...]", then
 * works through its options in order:
 *   --await=PATH   waits until PATH exists
 *   --exit=N       System.exit(N)
 *   --daemon-exit-on=PATH:N   starts a daemon thread that calls System.exit(N) once PATH exists
 *   --linger=PATH  starts a non-daemon thread that waits until PATH exists, so the VM outlives main
 * and logs "main done" when it returns.
 */
public class SingleNone {
    public static void main(String[] args) throws Exception {
        SingleLog.line("main thread=" + Thread.currentThread().getName() + " args=" + SingleLog.list(args));
        for (String a : args) {
            if (a.startsWith("--await=")) {
                SingleLog.awaitFile(a.substring(8));
            } else if (a.startsWith("--exit=")) {
                System.exit(Integer.parseInt(a.substring(7)));
            } else if (a.startsWith("--linger=")) {
                String path = a.substring(9);
                new Thread(() -> {
                    SingleLog.awaitFile(path);
                    SingleLog.line("linger done");
                }, "linger").start();
            } else if (a.startsWith("--daemon-exit-on=")) {
                String spec = a.substring(17);
                int colon = spec.lastIndexOf(':');
                String path = spec.substring(0, colon);
                int code = Integer.parseInt(spec.substring(colon + 1));
                Thread t = new Thread(() -> {
                    SingleLog.awaitFile(path);
                    SingleLog.line("daemon exits");
                    System.exit(code);
                }, "exit-watch");
                t.setDaemon(true);
                t.start();
            }
        }
        SingleLog.line("main done");
    }
}
