package qx.test;

/**
 * SingleNone's main plus an int "secondaryMain": it logs "secondary thread=NAME count=N args=[...]", then
 * follows its own arguments:
 *   --answer=N     the value returned (default: 0)
 *   --await=PATH   waits until PATH exists before returning
 *   --throw        throws after logging
 * and logs "secondary returns N" just before it returns.
 */
public class SingleInt extends SingleNone {
    public static int secondaryMain(String[] args) {
        SingleLog.line("secondary thread=" + Thread.currentThread().getName() + " count=" + args.length
                + " args=" + SingleLog.list(args));
        int answer = 0;
        for (String a : args) {
            if (a.startsWith("--answer=")) answer = Integer.parseInt(a.substring(9));
            else if (a.startsWith("--await=")) SingleLog.awaitFile(a.substring(8));
            else if (a.equals("--throw")) throw new IllegalStateException("secondary failed");
        }
        SingleLog.line("secondary returns " + answer);
        return answer;
    }
}
