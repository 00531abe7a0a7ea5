// Drives the native library from a real JVM: runs the queries of the shared
// query file on the genomes written by the C++ reference program, compares the
// returned objects with the reference dump, and checks progress reporting,
// cancellation, repeated calls and the refusal of bad input.
//
// Usage: JniHarness <genomes.dat> <queries.txt> <enabled modes, e.g. "rp"> <outDir>
// Prints one line per check and closes with "N passed, M failed".
package tamsu2harness;

import java.io.IOException;
import java.nio.charset.StandardCharsets;
import java.nio.file.Files;
import java.nio.file.Path;
import java.nio.file.Paths;
import java.util.ArrayList;
import java.util.List;
import java.util.function.Supplier;

import tamsu2.TamsuInstance;
import tamsu2.algorithm.GeneCluster;
import tamsu2.algorithm.GeneClusterOccurrence;
import tamsu2.algorithm.Parameter;
import tamsu2.algorithm.Subsequence;

public class JniHarness {
    static int passed = 0;
    static int failed = 0;

    static int alphabetSize;
    static int[] codingTable;
    static int[][][] genomes;

    static final class Query {
        String name;
        char mode;
        int delta;
        int s;
        int q;
        char refType;
    }

    public static void main(String[] args) throws IOException {
        if (args.length != 4) {
            System.out.println("usage: JniHarness <genomes.dat> <queries.txt> <modes> <outDir>");
            System.exit(2);
        }
        System.loadLibrary("tamsu2");
        readGenomes(Paths.get(args[0]));
        List<Query> queries = readQueries(Paths.get(args[1]));
        String modes = args[2];
        Path outDir = Paths.get(args[3]);

        // The reference program ran in this folder too: only a file written
        // by the library inside this JVM counts below.
        Path statistics = Paths.get("dummy.genFamStat");
        Files.deleteIfExists(statistics);
        TamsuInstance instance = new TamsuInstance();
        checkRefusals(instance);
        check(!Files.exists(statistics), "refused: no query was started (no statistics file)");

        List<Query> enabled = new ArrayList<>();
        for (Query query : queries)
            if (modes.indexOf(query.mode) >= 0) enabled.add(query);
        for (Query query : enabled) checkQuery(instance, query, outDir);
        checkQuorumExcusesFirstGenome(instance, modes);
        for (char mode : modes.toCharArray()) {
            Query first = null;
            for (Query query : enabled)
                if (query.mode == mode) {
                    first = query;
                    break;
                }
            if (first == null) continue;
            checkCancellation(instance, first, outDir);
            checkCallbackException(instance, first, outDir);
            checkEmptyResult(instance, first);
        }
        if (!enabled.isEmpty()) {
            checkReentrantCall(instance, enabled.get(0), outDir);
            checkConcurrentCall(enabled.get(0), outDir);
            check(Files.exists(statistics),
                  "the gene-family statistics file dummy.genFamStat is in the working directory");
        }
        System.out.println("modes run: " + (modes.isEmpty() ? "none" : modes));
        System.out.println(passed + " passed, " + failed + " failed");
        System.exit(failed == 0 ? 0 : 1);
    }

    static void check(boolean ok, String what) {
        if (ok) {
            passed++;
            System.out.println("PASS " + what);
        } else {
            failed++;
            System.out.println("FAIL " + what);
        }
    }

    // ---- input -----------------------------------------------------------

    // alphabetSize N / codingTable v0..vN / genomes G / per genome
    // "genome i C" and per chromosome "chr j n g1..gn" (no sentinels).
    static void readGenomes(Path path) throws IOException {
        List<String> lines = Files.readAllLines(path, StandardCharsets.UTF_8);
        int at = 0;
        String[] w = lines.get(at++).trim().split("\\s+");
        alphabetSize = Integer.parseInt(w[1]);
        w = lines.get(at++).trim().split("\\s+");
        codingTable = new int[w.length - 1];
        for (int i = 1; i < w.length; i++) codingTable[i - 1] = Integer.parseInt(w[i]);
        w = lines.get(at++).trim().split("\\s+");
        genomes = new int[Integer.parseInt(w[1])][][];
        for (int g = 0; g < genomes.length; g++) {
            w = lines.get(at++).trim().split("\\s+");
            genomes[g] = new int[Integer.parseInt(w[2])][];
            for (int c = 0; c < genomes[g].length; c++) {
                w = lines.get(at++).trim().split("\\s+");
                int n = Integer.parseInt(w[2]);
                int[] chrom = new int[n + 2];
                for (int i = 1; i <= n; i++) chrom[i] = Integer.parseInt(w[2 + i]);
                genomes[g][c] = chrom;
            }
        }
    }

    // name mode delta s q refType; '#' starts a comment.
    static List<Query> readQueries(Path path) throws IOException {
        List<Query> queries = new ArrayList<>();
        for (String line : Files.readAllLines(path, StandardCharsets.UTF_8)) {
            line = line.trim();
            if (line.isEmpty() || line.startsWith("#")) continue;
            String[] w = line.split("\\s+");
            Query query = new Query();
            query.name = w[0];
            query.mode = w[1].charAt(0);
            query.delta = Integer.parseInt(w[2]);
            query.s = Integer.parseInt(w[3]);
            query.q = Integer.parseInt(w[4]);
            query.refType = w[5].charAt(0);
            queries.add(query);
        }
        return queries;
    }

    static Parameter parameterOf(Query query) {
        return new Parameter(query.delta, query.s, codingTable.clone(), alphabetSize, query.q, query.mode,
                             query.refType);
    }

    // ---- canonical dump (same format as the C++ reference) -------------------

    static String bits(double value) {
        return String.format("%016x", Double.doubleToRawLongBits(value));
    }

    static String dump(GeneCluster[] clusters) {
        StringBuilder out = new StringBuilder();
        out.append("clusters ").append(clusters.length).append('\n');
        for (GeneCluster cluster : clusters) {
            out.append("cluster ").append(cluster.id).append(" type ").append(cluster.type)
                .append(" refGenomeNr ").append(cluster.refGenomeNr).append(" pValue ").append(bits(cluster.pValue))
                .append(" minTotalDist ").append(cluster.minTotalDist).append(" consensus ")
                .append(cluster.genes.length).append(':');
            for (int gene : cluster.genes) out.append(' ').append(gene);
            out.append('\n');
            dumpOccurrences(out, "best", cluster.bestOccurrences);
            dumpOccurrences(out, "all", cluster.allOccurrences);
        }
        return out.toString();
    }

    static void dumpOccurrences(StringBuilder out, String label, GeneClusterOccurrence[] occs) {
        out.append(label).append(' ').append(occs.length).append('\n');
        for (GeneClusterOccurrence occ : occs) {
            out.append("aci ").append(occ.id).append(" pValue ").append(bits(occ.pValue)).append(" totalDist ")
                .append(occ.totalDist).append(" support ").append(occ.support).append('\n');
            for (int g = 0; g < occ.subsequences.length; g++) {
                Subsequence[] subs = occ.subsequences[g];
                out.append("genome ").append(g).append(' ').append(subs.length).append(':');
                for (Subsequence sub : subs)
                    out.append(' ').append(sub.start).append(' ').append(sub.stop).append(' ').append(sub.chromosome)
                        .append(' ').append(sub.dist).append(' ').append(bits(sub.pValue)).append(';');
                out.append('\n');
            }
        }
    }

    // Null slots anywhere in the result would break a host that walks it.
    static boolean hasNoNullSlots(GeneCluster[] clusters) {
        for (GeneCluster cluster : clusters) {
            if (cluster == null || cluster.genes == null || cluster.bestOccurrences == null
                || cluster.allOccurrences == null)
                return false;
            for (GeneClusterOccurrence[] occs : new GeneClusterOccurrence[][] {cluster.bestOccurrences,
                                                                              cluster.allOccurrences})
                for (GeneClusterOccurrence occ : occs) {
                    if (occ == null || occ.subsequences == null || occ.subsequences.length != genomes.length)
                        return false;
                    for (Subsequence[] subs : occ.subsequences) {
                        if (subs == null) return false;
                        for (Subsequence sub : subs)
                            if (sub == null) return false;
                    }
                }
        }
        return true;
    }

    // ---- checks ------------------------------------------------------------

    static GeneCluster[] call(TamsuInstance instance, int[][][] g, Parameter params, TamsuInstance receiver) {
        try {
            return instance.computeClusters(g, params, receiver);
        } catch (Throwable t) {
            check(false, "native call raised " + t);
            return null;
        }
    }

    static String firstDifference(String a, String b) {
        String[] la = a.split("\n", -1);
        String[] lb = b.split("\n", -1);
        for (int i = 0; i < Math.max(la.length, lb.length); i++) {
            String x = i < la.length ? la[i] : "<end>";
            String y = i < lb.length ? lb[i] : "<end>";
            if (!x.equals(y)) return "line " + (i + 1) + ":\n    jni: " + x + "\n    c++: " + y;
        }
        return "";
    }

    static void checkQuery(TamsuInstance instance, Query query, Path outDir) throws IOException {
        String name = query.name;
        instance.reset();
        GeneCluster[] first = call(instance, genomes, parameterOf(query), instance);
        check(first != null, name + ": returns a cluster array");
        if (first == null) return;
        check(hasNoNullSlots(first), name + ": no null slots in the result");
        String dumped = dump(first);
        Files.write(outDir.resolve(name + ".jni.txt"), dumped.getBytes(StandardCharsets.UTF_8));
        boolean indicesOk = true;
        for (int k = 0; k < first.length; k++) indicesOk &= first[k].id == k;
        check(indicesOk, name + ": cluster indices follow the array");

        String expected = expectedDump(query, outDir);
        boolean same = expected.equals(dumped);
        check(same, name + ": equals the C++ result (" + first.length + " clusters)");
        if (!same) System.out.println("  first difference at " + firstDifference(dumped, expected));

        if (query.mode == 'm' || query.mode == 'c') checkDistancesFitGenes(first, name);
        checkProgress(instance, name);

        instance.reset();
        GeneCluster[] second = call(instance, genomes, parameterOf(query), instance);
        check(second != null && dump(second).equals(dumped), name + ": a second call gives the same result");
    }

    // Median and center: every occurrence's distance is the set distance
    // between the genes of its interval and the cluster's genes, so an
    // interval has one distance wherever the cluster lists it.
    static void checkDistancesFitGenes(GeneCluster[] clusters, String name) {
        int wrong = 0, seen = 0;
        for (GeneCluster cluster : clusters) {
            java.util.Set<Integer> set = new java.util.HashSet<>();
            for (int gene : cluster.genes) set.add(gene);
            for (GeneClusterOccurrence occurrence : cluster.allOccurrences)
                for (int g = 0; g < occurrence.subsequences.length; g++)
                    for (Subsequence sub : occurrence.subsequences[g]) {
                        java.util.Set<Integer> inside = new java.util.HashSet<>();
                        for (int p = sub.start; p <= sub.stop; p++) inside.add(genomes[g][sub.chromosome][p]);
                        int distance = set.size();
                        for (int gene : inside) distance += set.contains(gene) ? -1 : 1;
                        seen++;
                        if (distance != sub.dist) wrong++;
                    }
        }
        check(
            wrong == 0, name + ": occurrence distances fit the cluster's genes (" + wrong + " of " + seen + " differ)");
    }

    // One progress bar with the total; values start at 0, never fall, stay
    // within the total and end on it.
    static void checkProgress(TamsuInstance instance, String name) {
        List<Integer> maxima = instance.progressBarMaxima;
        List<Integer> values = instance.progressValues;
        check(maxima.size() == 1, name + ": initProgressBar called once (" + maxima.size() + " times)");
        if (maxima.size() != 1 || values.isEmpty()) {
            check(false, name + ": progress values reported");
            return;
        }
        int total = maxima.get(0);
        boolean rising = true;
        for (int i = 1; i < values.size(); i++) rising &= values.get(i) >= values.get(i - 1);
        boolean within = true;
        for (int v : values) within &= v >= 0 && v <= total;
        check(values.get(0) == 0, name + ": progress starts at 0");
        check(rising, name + ": progress never falls");
        check(within, name + ": progress stays within 0.." + total);
        check(values.get(values.size() - 1) == total,
              name + ": progress ends on the total " + total + " (last " + values.get(values.size() - 1) + ")");
    }

    // Clearing "run" from a progress callback stops the search: null comes
    // back, the JVM goes on, and the next call is complete again.
    static void checkCancellation(TamsuInstance instance, Query query, Path outDir) throws IOException {
        String name = query.name + " stopped";
        instance.reset();
        Parameter params = parameterOf(query);
        instance.stopAfter = 3;
        instance.stopParams = params;
        GeneCluster[] stopped = call(instance, genomes, params, instance);
        check(stopped == null, name + ": a search whose run flag was cleared returns null");
        List<Integer> values = instance.progressValues;
        boolean early = instance.progressBarMaxima.size() == 1 && !values.isEmpty()
            && values.get(values.size() - 1) < instance.progressBarMaxima.get(0);
        check(early, name + ": the search ends before its progress reaches the total");
        instance.reset();
        GeneCluster[] again = call(instance, genomes, parameterOf(query), instance);
        String expected = expectedDump(query, outDir);
        check(again != null && dump(again).equals(expected), name + ": the next call is complete");
    }

    // A host callback that throws does not disturb the search: the library
    // drops the exception and the result is the normal one.
    static void checkCallbackException(TamsuInstance instance, Query query, Path outDir) throws IOException {
        String name = query.name + " throwing callback";
        instance.reset();
        instance.throwFromCallback = true;
        GeneCluster[] result = call(instance, genomes, parameterOf(query), instance);
        instance.reset();
        String expected = expectedDump(query, outDir);
        check(result != null && dump(result).equals(expected), name + ": result unchanged, no exception raised");
    }

    static String expectedDump(Query query, Path outDir) throws IOException {
        Path expectedPath = outDir.resolve(query.name + ".cpp.txt");
        return Files.exists(expectedPath) ? Files.readString(expectedPath) : "<missing>";
    }

    // A call made from inside a progress callback of a running call is
    // refused; the running call is not disturbed.
    static void checkReentrantCall(TamsuInstance instance, Query query, Path outDir) throws IOException {
        String name = query.name + " re-entered";
        instance.reset();
        GeneCluster[][] inner = new GeneCluster[1][];
        boolean[] innerRan = new boolean[1];
        TamsuInstance other = new TamsuInstance();
        instance.onFirstProgress = () -> {
            innerRan[0] = true;
            inner[0] = other.computeClusters(genomes, parameterOf(query), other);
        };
        GeneCluster[] outer = call(instance, genomes, parameterOf(query), instance);
        check(innerRan[0] && inner[0] == null, name + ": a call from inside a callback returns null");
        check(outer != null && dump(outer).equals(expectedDump(query, outDir)),
              name + ": the running call completes unchanged");
    }

    // A call from a second thread while one runs is refused; the running call
    // completes. The first call waits inside its first callback until the
    // second has been answered.
    static void checkConcurrentCall(Query query, Path outDir) throws IOException {
        String name = query.name + " concurrent";
        TamsuInstance running = new TamsuInstance();
        java.util.concurrent.CountDownLatch inside = new java.util.concurrent.CountDownLatch(1);
        java.util.concurrent.CountDownLatch proceed = new java.util.concurrent.CountDownLatch(1);
        running.onFirstProgress = () -> {
            inside.countDown();
            try {
                proceed.await();
            } catch (InterruptedException e) {
                Thread.currentThread().interrupt();
            }
        };
        GeneCluster[][] first = new GeneCluster[1][];
        Thread worker = new Thread(() -> first[0] = running.computeClusters(genomes, parameterOf(query), running));
        worker.start();
        GeneCluster[] second = null;
        try {
            inside.await();
            TamsuInstance other = new TamsuInstance();
            second = call(other, genomes, parameterOf(query), other);
        } catch (InterruptedException e) {
            Thread.currentThread().interrupt();
        } finally {
            proceed.countDown();
        }
        try {
            worker.join();
        } catch (InterruptedException e) {
            Thread.currentThread().interrupt();
        }
        check(second == null, name + ": a call while another runs returns null");
        check(first[0] != null && dump(first[0]).equals(expectedDump(query, outDir)),
              name + ": the running call completes unchanged");
        TamsuInstance after = new TamsuInstance();
        GeneCluster[] again = call(after, genomes, parameterOf(query), after);
        check(again != null && dump(again).equals(expectedDump(query, outDir)),
              name + ": calls work again afterwards");
    }

    // Quorum 2 of 3 where genome 0 lacks the cluster (it holds 1 and 3 only):
    // median and center mode find {1, 2, 3} at distance 0 in genomes 1 and 2.
    static void checkQuorumExcusesFirstGenome(TamsuInstance instance, String modes) {
        int[][][] g = {{{0, 4, 1, 9, 3, 5, 0}}, {{0, 6, 1, 2, 3, 7, 0}}, {{0, 8, 3, 2, 1, 10, 0}}};
        int[] coding = new int[11];
        for (int i = 0; i < coding.length; i++) coding[i] = i;
        for (char mode : new char[] {'m', 'c'}) {
            if (modes.indexOf(mode) < 0) continue;
            instance.reset();
            GeneCluster[] result = call(instance, g, new Parameter(0, 3, coding, 10, 2, mode, '?'), instance);
            boolean found = false;
            for (GeneCluster cluster : result == null ? new GeneCluster[0] : result) {
                int[] genes = cluster.genes.clone();
                java.util.Arrays.sort(genes);
                found |= java.util.Arrays.equals(genes, new int[] {1, 2, 3}) && cluster.minTotalDist == 0;
            }
            check(found, "quorum 2 of 3 excuses genome 0 (mode " + mode + "): cluster {1, 2, 3} at distance 0");
        }
    }

    static void checkEmptyResult(TamsuInstance instance, Query query) {
        String name = query.name + " with s beyond every cluster";
        instance.reset();
        Parameter params = parameterOf(query);
        params.minClusterSize = 1000000;
        GeneCluster[] result = call(instance, genomes, params, instance);
        check(result != null && result.length == 0, name + ": an empty array, not null");
    }

    static int[][][] copyGenomes() {
        int[][][] copy = new int[genomes.length][][];
        for (int g = 0; g < genomes.length; g++) {
            copy[g] = new int[genomes[g].length][];
            for (int c = 0; c < genomes[g].length; c++) copy[g][c] = genomes[g][c].clone();
        }
        return copy;
    }

    static Query refusalQuery(char mode, char refType) {
        Query query = new Query();
        query.name = "refused";
        query.mode = mode;
        query.delta = 1;
        query.s = 3;
        query.q = 0;
        query.refType = refType;
        return query;
    }

    static void expectRefused(TamsuInstance instance, String what, int[][][] g, Parameter params,
                              TamsuInstance receiver) {
        instance.reset();
        GeneCluster[] result = call(instance, g, params, receiver);
        check(result == null, "refused: " + what);
    }

    // Input that no search can work with is refused with a message and null,
    // before any search starts; the JVM lives on. These need no search mode.
    static void checkRefusals(TamsuInstance instance) {
        Supplier<Parameter> rParams = () -> parameterOf(refusalQuery('r', 'd'));

        int[][][] g = copyGenomes();
        g[1][0][3] = alphabetSize + 1;
        expectRefused(instance, "gene above alphabetSize", g, rParams.get(), instance);
        g = copyGenomes();
        g[0][0][1] = 0;
        expectRefused(instance, "gene 0 inside a chromosome", g, rParams.get(), instance);
        g = copyGenomes();
        g[0][0][2] = -5;
        expectRefused(instance, "negative gene", g, rParams.get(), instance);
        g = copyGenomes();
        g[2][0] = new int[] {0};
        expectRefused(instance, "chromosome array of one entry", g, rParams.get(), instance);
        g = copyGenomes();
        g[2][0] = new int[0];
        expectRefused(instance, "empty chromosome array", g, rParams.get(), instance);
        g = copyGenomes();
        g[0][0][0] = 1;
        expectRefused(instance, "missing leading sentinel", g, rParams.get(), instance);
        g = copyGenomes();
        g[0][0][g[0][0].length - 1] = 1;
        expectRefused(instance, "missing trailing sentinel", g, rParams.get(), instance);
        g = copyGenomes();
        g[1][0] = null;
        expectRefused(instance, "null chromosome", g, rParams.get(), instance);
        g = copyGenomes();
        g[1] = null;
        expectRefused(instance, "null genome", g, rParams.get(), instance);
        expectRefused(instance, "null genome array", null, rParams.get(), instance);
        expectRefused(instance, "no genome at all", new int[0][][], rParams.get(), instance);
        expectRefused(instance, "null Parameter", genomes, null, instance);
        expectRefused(instance, "null TamsuInstance", genomes, rParams.get(), null);

        Parameter p = rParams.get();
        p.codingTable = null;
        expectRefused(instance, "null codingTable", genomes, p, instance);
        p = rParams.get();
        p.codingTable = new int[alphabetSize];
        expectRefused(instance, "codingTable shorter than alphabetSize + 1", genomes, p, instance);
        p = rParams.get();
        p.codingTable = p.codingTable.clone();
        p.codingTable[2] = p.codingTable[1];
        expectRefused(instance, "two codes of one family id", genomes, p, instance);
        p = rParams.get();
        p.delta = -1;
        expectRefused(instance, "negative delta", genomes, p, instance);
        expectRefused(instance, "unknown operationMode 'x'", genomes, parameterOf(refusalQuery('x', 'd')), instance);
        expectRefused(instance, "operationMode with a foreign high byte", genomes,
                      parameterOf(refusalQuery((char) 0x172, 'd')), instance);
        expectRefused(instance, "refType '?' in mode r", genomes, parameterOf(refusalQuery('r', '?')), instance);
        expectRefused(instance, "refType 'x' in mode r", genomes, parameterOf(refusalQuery('r', 'x')), instance);
        Query perfect = refusalQuery('p', '?');
        perfect.delta = 0;
        expectRefused(instance, "refType '?' in mode p", genomes, parameterOf(perfect), instance);

        check(instance.progressBarMaxima.isEmpty() && instance.progressValues.isEmpty(),
              "refused: no progress reported for a refused query");
        int[] before = genomes[0][0].clone();
        expectRefused(instance, "host arrays left unchanged by a refused call", genomes,
                      parameterOf(refusalQuery('x', 'd')), instance);
        check(java.util.Arrays.equals(before, genomes[0][0]), "refused: the host's genes are untouched");
    }
}
