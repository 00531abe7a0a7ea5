// One gene cluster as the native library hands it out.
package tamsu2.algorithm;

public class GeneCluster {
    public final int id;
    public final GeneClusterOccurrence[] bestOccurrences;
    public final GeneClusterOccurrence[] allOccurrences;
    public final int[] genes;
    public final double pValue;
    public final int minTotalDist;
    public final int refGenomeNr;
    public final char type;

    public GeneCluster(int id, GeneClusterOccurrence[] bestOccurrences, GeneClusterOccurrence[] allOccurrences,
                       int[] genes, double pValue, int minTotalDist, int refGenomeNr, char type) {
        this.id = id;
        this.bestOccurrences = bestOccurrences;
        this.allOccurrences = allOccurrences;
        this.genes = genes;
        this.pValue = pValue;
        this.minTotalDist = minTotalDist;
        this.refGenomeNr = refGenomeNr;
        this.type = type;
    }
}
