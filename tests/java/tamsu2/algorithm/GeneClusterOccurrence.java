// One occurrence set of a gene cluster: per genome its occurrences.
package tamsu2.algorithm;

public class GeneClusterOccurrence {
    public final int id;
    public final Subsequence[][] subsequences;
    public final double pValue;
    public final int totalDist;
    public final int support;

    public GeneClusterOccurrence(int id, Subsequence[][] subsequences, double pValue, int totalDist, int support) {
        this.id = id;
        this.subsequences = subsequences;
        this.pValue = pValue;
        this.totalDist = totalDist;
        this.support = support;
    }
}
