package qx.test;

/**
 * SingleInt's behaviour with a package-private void "secondaryMain", which logs "secondary void done"
 * after SingleInt's steps.
 */
public class SingleVoid extends SingleNone {
    static void secondaryMain(String[] args) {
        SingleInt.secondaryMain(args);
        SingleLog.line("secondary void done");
    }
}
