package demo;

import java.io.PrintStream;
import java.nio.charset.StandardCharsets;

/** The demo application: says where it runs and what it received. */
public final class Hello {
    public static void main(String[] args) {
        PrintStream out = new PrintStream(System.out, true, StandardCharsets.UTF_8);
        out.println("Hello from Java " + System.getProperty("java.version") + " inside qxlaunch.");
        out.println("Class path: " + System.getProperty("java.class.path"));
        out.println("Received " + args.length + " argument(s):");
        for (int i = 0; i < args.length; i++) {
            out.println("  [" + i + "] " + args[i]);
        }
        String runtime = System.getenv("QX_JVM_PATH");
        if (runtime != null) {
            out.println("Runtime library: " + runtime);
        }
    }
}
