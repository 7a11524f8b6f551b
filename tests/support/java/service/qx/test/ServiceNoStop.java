package qx.test;

/**
 * A service without "stop": main logs like ServiceApp's, registers a shutdown hook that logs
 * "shutdown hook", and keeps a non-daemon thread alive, so only System.exit ends it.
 */
public class ServiceNoStop {
    public static void main(String[] args) {
        ServiceLog.line("start");
        ServiceLog.line("args=" + args.length);
        for (int i = 0; i < args.length; i++) ServiceLog.line("arg[" + i + "]=" + args[i]);
        ServiceLog.line("args done");
        Runtime.getRuntime().addShutdownHook(new Thread(() -> ServiceLog.line("shutdown hook")));
        Thread keeper = new Thread(() -> {
            while (true) ServiceLog.sleep(1000);
        }, "keeper");
        keeper.setDaemon(false);
        keeper.start();
        ServiceLog.line("main done");
    }
}
