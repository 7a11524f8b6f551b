package qx.test;

import java.io.File;
import java.io.IOException;
import java.io.PrintStream;
import java.nio.charset.StandardCharsets;
import java.nio.file.Files;
import java.nio.file.Path;

/**
 * A desktop-like application whose main ends with an uncaught exception while a non-daemon thread
 * still works (thrower.jar, main class qx.test.Thrower).
 *
 * <pre>
 * argument 0: RELEASE        the worker ends once this file exists ("-": at once)
 * output (UTF-8, System.out):
 *   main throwing            just before main throws
 *   worker done              when the worker has ended
 *   hook ran                 from a shutdown hook
 * </pre>
 *
 * <p>The exception is an IllegalStateException "order 42 cannot be shipped" thrown a few calls
 * deep, caused by an IOException "no address on file", so its trace has a "Caused by" part.
 */
public final class Thrower {
    private static final PrintStream OUT = new PrintStream(System.out, true, StandardCharsets.UTF_8);

    private Thrower() {}

    public static void main(String[] args) {
        final String release = args.length > 0 ? args[0] : "-";
        Runtime.getRuntime().addShutdownHook(new Thread(() -> OUT.println("hook ran"), "thrower-hook"));
        Thread worker = new Thread(() -> {
            while (!release.equals("-") && !Files.exists(file(release))) {
                try {
                    Thread.sleep(50);
                } catch (InterruptedException e) {
                    return;
                }
            }
            OUT.println("worker done");
        }, "thrower-worker");
        worker.setDaemon(false);
        worker.start();
        OUT.println("main throwing");
        new Order(42).ship();
    }

    /** The file a Windows path names; the test rig's VM is a Linux one, where Z: is the root. */
    static Path file(String windowsPath) {
        if (File.separatorChar == '/' && windowsPath.matches("(?i)z:\\\\.*")) {
            return Path.of(windowsPath.substring(2).replace('\\', '/'));
        }
        return Path.of(windowsPath);
    }

    private static final class Order {
        private final int number;

        Order(int number) {
            this.number = number;
        }

        void ship() {
            try {
                label();
            } catch (IOException e) {
                throw new IllegalStateException("order " + number + " cannot be shipped", e);
            }
        }

        private void label() throws IOException {
            address(8);
        }

        private String address(int attempts) throws IOException {
            if (attempts > 0) return address(attempts - 1);
            throw new IOException("no address on file");
        }
    }
}
