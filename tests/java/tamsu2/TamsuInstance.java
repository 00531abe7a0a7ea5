// The host side of the native library as the harness plays it: the native
// method, and progress callbacks that record what the library reports and
// can stop the search or misbehave on request.
package tamsu2;

import java.util.ArrayList;
import java.util.List;

import tamsu2.algorithm.GeneCluster;
import tamsu2.algorithm.Parameter;

public class TamsuInstance {
    public native GeneCluster[] computeClusters(int[][][] genomes, Parameter params, TamsuInstance instance);

    public final List<Integer> progressBarMaxima = new ArrayList<>();
    public final List<Integer> progressValues = new ArrayList<>();
    // Clears params.run once this many progress values arrived (-1: never).
    public int stopAfter = -1;
    public Parameter stopParams;
    // Throws from every setProgressStatus call.
    public boolean throwFromCallback = false;
    // Runs once, inside the first setProgressStatus call.
    public Runnable onFirstProgress;

    public void reset() {
        progressBarMaxima.clear();
        progressValues.clear();
        stopAfter = -1;
        stopParams = null;
        throwFromCallback = false;
        onFirstProgress = null;
    }

    public void initProgressBar(int maximum) {
        progressBarMaxima.add(maximum);
    }

    public void setProgressStatus(int value) {
        progressValues.add(value);
        if (onFirstProgress != null) {
            Runnable hook = onFirstProgress;
            onFirstProgress = null;
            hook.run();
        }
        if (stopAfter >= 0 && progressValues.size() >= stopAfter && stopParams != null) stopParams.run = false;
        if (throwFromCallback) throw new IllegalStateException("progress display broken on purpose");
    }
}
