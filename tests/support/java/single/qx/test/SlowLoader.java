package qx.test;

/**
 * A system class loader (-Djava.system.class.loader=qx.test.SlowLoader) that holds the VM's creation:
 * its constructor runs inside JNI_CreateJavaVM, logs "loader waiting" and waits until the file named
 * by qx.loaderWait exists.
 */
public class SlowLoader extends ClassLoader {
    public SlowLoader(ClassLoader parent) {
        super(parent);
        String path = System.getProperty("qx.loaderWait");
        SingleLog.line("loader waiting");
        if (path != null) SingleLog.awaitFile(path);
    }
}
