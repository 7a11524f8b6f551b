package qx.test;

import java.io.File;
import java.io.IOException;
import java.nio.charset.StandardCharsets;
import java.nio.file.Files;
import java.nio.file.Path;
import java.nio.file.Paths;
import java.nio.file.StandardOpenOption;

/** A service's own record of what it saw: lines appended to the file named by qx.log (UTF-8). */
final class ServiceLog {
    private ServiceLog() {}

    /**
     * The file a Windows path names. The test rig's VM is a Linux one under Wine, where the Z: drive is
     * the Unix root.
     */
    static Path file(String windowsPath) {
        if (File.separatorChar == '/' && windowsPath.matches("(?i)z:\\\\.*")) {
            return Paths.get(windowsPath.substring(2).replace('\\', '/'));
        }
        return Paths.get(windowsPath);
    }

    static synchronized void line(String text) {
        String path = System.getProperty("qx.log");
        if (path == null) return;
        try {
            Files.write(file(path), (text + "\n").getBytes(StandardCharsets.UTF_8),
                    StandardOpenOption.CREATE, StandardOpenOption.APPEND, StandardOpenOption.WRITE);
        } catch (IOException e) {
            throw new RuntimeException(e);
        }
    }

    /** Waits until the file exists. */
    static void awaitFile(String path) {
        Path p = file(path);
        while (!Files.exists(p)) sleep(20);
    }

    static void sleep(long ms) {
        try {
            Thread.sleep(ms);
        } catch (InterruptedException e) {
            Thread.currentThread().interrupt();
        }
    }
}
