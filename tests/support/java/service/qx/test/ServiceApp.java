package qx.test;

import java.util.concurrent.CountDownLatch;

/**
 * A service with a static "stop". main logs "start", "args=N", "arg[I]=VALUE" for every argument and
 * "args done", then waits until stop has been called and logs "main done". System properties:
 *   qx.log        the log file
 *   qx.stopMs     stop sleeps this long before releasing main (a slow stop)
 *   qx.lingerMs   a non-daemon worker, started by main, sleeps this long after the release and logs
 *                 "worker done"
 *   qx.stopExits  "true": stop calls System.exit(0) instead of releasing main
 *   qx.mainReturns "true": main returns at once (after logging), without waiting for stop
 *   qx.mainExits  "true": main logs "main exits" and ends the application with System.exit(0)
 *   qx.hookMs     a shutdown hook logs "hook start", sleeps this long and logs "hook done"
 *   qx.initWait   the class's static initialiser logs "init waiting", waits until this file exists and
 *                 logs "init done" (a class that takes long to initialise)
 * stop logs "stop called" first and "stop done" last.
 */
public class ServiceApp {
    private static final CountDownLatch stopped = new CountDownLatch(1);

    static {
        String path = System.getProperty("qx.initWait");
        if (path != null) {
            ServiceLog.line("init waiting");
            ServiceLog.awaitFile(path);
            ServiceLog.line("init done");
        }
    }

    public static void main(String[] args) throws InterruptedException {
        ServiceLog.line("start");
        ServiceLog.line("args=" + args.length);
        for (int i = 0; i < args.length; i++) ServiceLog.line("arg[" + i + "]=" + args[i]);
        ServiceLog.line("args done");
        long hook = Long.getLong("qx.hookMs", 0L);
        if (hook > 0) {
            Runtime.getRuntime().addShutdownHook(new Thread(() -> {
                ServiceLog.line("hook start");
                ServiceLog.sleep(hook);
                ServiceLog.line("hook done");
            }));
        }
        if (Boolean.getBoolean("qx.mainExits")) {
            ServiceLog.line("main exits");
            System.exit(0);
        }
        long linger = Long.getLong("qx.lingerMs", 0L);
        if (linger > 0) {
            Thread worker = new Thread(() -> {
                try {
                    stopped.await();
                } catch (InterruptedException e) {
                    return;
                }
                ServiceLog.sleep(linger);
                ServiceLog.line("worker done");
            }, "linger");
            worker.setDaemon(false);
            worker.start();
        }
        if (Boolean.getBoolean("qx.mainReturns")) {
            ServiceLog.line("main done");
            return;
        }
        stopped.await();
        ServiceLog.line("main done");
    }

    public static void stop() {
        ServiceLog.line("stop called thread=" + Thread.currentThread().getName());
        if (Boolean.getBoolean("qx.stopExits")) System.exit(0);
        ServiceLog.sleep(Long.getLong("qx.stopMs", 0L));
        stopped.countDown();
        ServiceLog.line("stop done");
    }
}
