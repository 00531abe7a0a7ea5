// The JVM bridge: the native method behind tamsu2.TamsuInstance.computeClusters.
#pragma once

#include <jni.h>

extern "C" {

// Runs one query on the host's recoded genomes and returns the gene clusters
// as tamsu2/algorithm/GeneCluster objects, or null when the query was refused,
// failed or was stopped by the host. Never raises a Java exception.
JNIEXPORT jobjectArray JNICALL Java_tamsu2_TamsuInstance_computeClusters(JNIEnv* env, jobject receiver,
                                                                         jobjectArray genomes, jobject params,
                                                                         jobject instance);
}
