package qx.test;

import java.awt.Color;
import java.awt.Dimension;
import java.awt.Graphics2D;
import java.awt.SplashScreen;
import java.awt.event.WindowAdapter;
import java.awt.event.WindowEvent;
import java.io.File;
import java.io.PrintStream;
import java.nio.charset.StandardCharsets;
import java.nio.file.Files;
import java.nio.file.Path;
import java.util.concurrent.CountDownLatch;
import javax.swing.JFrame;
import javax.swing.SwingUtilities;

/**
 * A Swing application that takes over the launcher's splash screen (splash.jar, main class
 * qx.test.SplashApp; its manifest names images/splash.png, which the jar holds).
 *
 * <pre>
 * argument 0: RELEASE           main waits until this file exists before it opens its window ("-" or
 *                               none: no wait)
 * argument 1: DONE              main waits until this file exists before it closes its window again
 * output (UTF-8, System.out):
 *   splash=true|false           whether SplashScreen.getSplashScreen() found a splash
 *   splash size=WxH             the splash's size (with a splash)
 *   splash image=NAME           the last part of SplashScreen.getImageURL() (with a splash)
 *   waiting                     the progress bar is drawn, main waits for RELEASE
 *   window shown                the first window is on the screen
 *   splash after window=true|false   whether the splash is still visible then
 *   main done
 * </pre>
 *
 * <p>With a splash, a progress bar in the colour 0x10C040 is drawn over the left half of its bottom
 * 20 pixels, as an application shows its start-up progress.
 */
public final class SplashApp {
    private static final PrintStream OUT = new PrintStream(System.out, true, StandardCharsets.UTF_8);

    private SplashApp() {}

    public static void main(String[] args) throws Exception {
        final String release = args.length > 0 ? args[0] : "-";
        final String done = args.length > 1 ? args[1] : "-";
        final SplashScreen splash = SplashScreen.getSplashScreen();
        OUT.println("splash=" + (splash != null));
        if (splash != null) {
            final Dimension size = splash.getSize();
            OUT.println("splash size=" + size.width + "x" + size.height);
            final String url = splash.getImageURL().toString();
            OUT.println("splash image=" + url.substring(url.lastIndexOf('/') + 1));
            final Graphics2D g = splash.createGraphics();
            g.setColor(new Color(0x10C040));
            g.fillRect(0, size.height - 20, size.width / 2, 20);
            g.dispose();
            splash.update();
        }
        OUT.println("waiting");
        waitFor(release);

        final CountDownLatch shown = new CountDownLatch(1);
        final JFrame[] frame = new JFrame[1];
        SwingUtilities.invokeAndWait(() -> {
            frame[0] = new JFrame("SplashApp");
            frame[0].setSize(200, 100);
            frame[0].addWindowListener(new WindowAdapter() {
                @Override
                public void windowOpened(WindowEvent e) {
                    shown.countDown();
                }
            });
            frame[0].setVisible(true);
        });
        shown.await();
        OUT.println("window shown");
        OUT.println("splash after window=" + (splash != null && splash.isVisible()));
        waitFor(done);
        SwingUtilities.invokeAndWait(() -> frame[0].dispose());
        OUT.println("main done");
    }

    private static void waitFor(String windowsPath) throws InterruptedException {
        while (!windowsPath.equals("-") && !Files.exists(file(windowsPath))) {
            Thread.sleep(50);
        }
    }

    /** The file a Windows path names; the test rig's VM is a Linux one, where Z: is the root. */
    static Path file(String windowsPath) {
        if (File.separatorChar == '/' && windowsPath.matches("(?i)z:\\\\.*")) {
            return Path.of(windowsPath.substring(2).replace('\\', '/'));
        }
        return Path.of(windowsPath);
    }
}
