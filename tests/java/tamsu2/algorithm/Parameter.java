// The query object the native library reads (field names and types are the
// library's contract); "run" is the cancellation flag it polls.
package tamsu2.algorithm;

public class Parameter {
    public int delta;
    public int minClusterSize;
    public int[] codingTable;
    public int alphabetSize;
    public int q;
    public char operationMode;
    public char refType;
    public short qtype;
    public volatile boolean run = true;

    public Parameter(int delta, int minClusterSize, int[] codingTable, int alphabetSize, int q,
                     char operationMode, char refType) {
        this.delta = delta;
        this.minClusterSize = minClusterSize;
        this.codingTable = codingTable;
        this.alphabetSize = alphabetSize;
        this.q = q;
        this.operationMode = operationMode;
        this.refType = refType;
        this.qtype = 0;
    }
}
