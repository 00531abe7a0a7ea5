// The JVM bridge: the native method behind tamsu2.TamsuInstance.computeClusters
// and the host references that progress and cancellation use during a call.
#pragma once

#include <jni.h>

// The environment and the two host objects of the running call; null between
// calls (one computation per process at a time).
extern JNIEnv* jni_env;
extern jobject tamsu_instance;
extern jobject tamsu_params;

// Prints the text and a newline on stderr.
void errprint(const char* text);

extern "C" {

// Runs one query on the host's recoded genomes and returns the gene clusters
// as tamsu2/algorithm/GeneCluster objects, or null when the query was refused,
// failed or was stopped by the host. Never raises a Java exception.
JNIEXPORT jobjectArray JNICALL Java_tamsu2_TamsuInstance_computeClusters(JNIEnv* env, jobject receiver,
                                                                         jobjectArray genomes, jobject params,
                                                                         jobject instance);
}
