package qx.test;

/**
 * The test rig's stand-in for an attacker's class (evil.jar): the probe application's main class
 * name, so that a jar hidden behind a signed executable's own would run in its place.
 */
public final class Probe {
    private Probe() {}

    public static void main(String[] args) {
        System.out.println("EVIL attacker code ran");
    }
}
