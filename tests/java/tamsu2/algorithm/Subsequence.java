// One occurrence of a gene cluster: interval [start, stop] on a chromosome.
package tamsu2.algorithm;

public class Subsequence {
    public final int start;
    public final int stop;
    public final int chromosome;
    public final int dist;
    public final double pValue;

    public Subsequence(int start, int stop, int chromosome, int dist, double pValue) {
        this.start = start;
        this.stop = stop;
        this.chromosome = chromosome;
        this.dist = dist;
        this.pValue = pValue;
    }
}
