package qx.test;

import java.io.File;
import java.io.IOException;
import java.nio.charset.StandardCharsets;
import java.nio.file.Files;
import java.nio.file.Path;
import java.nio.file.Paths;
import java.nio.file.StandardOpenOption;

/**
 * What the single-instance test apps saw, one line per event, appended to the file named by the
 * system property qx.log (UTF-8). Values are escaped like the probe app's: control characters as
 * backslash-u and four hex digits, so every argument list stays on one line.
 */
final class SingleLog {
    private SingleLog() {}

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

    /** "[a|b|c]" with every element escaped; "|" and "\" inside elements are escaped too. */
    static String list(String[] args) {
        StringBuilder b = new StringBuilder("[");
        for (int i = 0; i < args.length; i++) {
            if (i > 0) b.append('|');
            for (char c : args[i].toCharArray()) {
                if (c < 0x20 || c == 0x7f || c == '|' || c == '\\') b.append(String.format("\\u%04x", (int) c));
                else b.append(c);
            }
        }
        return b.append(']').toString();
    }

    /** Waits until the file exists. */
    static void awaitFile(String path) {
        Path p = file(path);
        while (!Files.exists(p)) {
            try {
                Thread.sleep(20);
            } catch (InterruptedException e) {
                Thread.currentThread().interrupt();
                return;
            }
        }
    }
}
