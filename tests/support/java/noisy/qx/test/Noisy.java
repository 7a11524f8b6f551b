package qx.test;

/**
 * Writes to both standard streams, already while the class initialises, so a test can see where
 * each stream went (noisy.jar, main class qx.test.Noisy). Arguments: "out:TEXT" and "err:TEXT" print
 * a line, "throw:MSG" makes main throw.
 */
public final class Noisy {
    static {
        System.out.println("static out");
        System.err.println("static err");
    }

    private Noisy() {}

    public static void main(String[] args) {
        for (String a : args) {
            if (a.startsWith("out:")) System.out.println(a.substring(4));
            else if (a.startsWith("err:")) System.err.println(a.substring(4));
            else if (a.startsWith("throw:")) throw new IllegalStateException(a.substring(6));
        }
        System.out.flush();
        System.err.flush();
    }
}
