// The subcommands of zub around a search: convert, families, plot and explain. Each
// parses its own arguments (after the subcommand's name) with the command
// line's argument reader, calls the library and prints; errors are thrown as
// tamsu::Error with the subcommand's usage.
#pragma once

#include <string>

// Whether argv[1] names a subcommand: convert, families, plot, explain or merge (a
// genome list of such a name is given as "zub -- merge ..." or "zub ./merge ...").
bool isSubcommand(const std::string& name);

// Runs the subcommand argv[1] (convert, families, plot or explain) with the arguments
// after it; returns the exit status.
int runSubcommand(int argc, const char* const* argv);

// Standard output and standard error are still writable (a closed pipe or a
// full disk makes them fail); throws tamsu::Error "error: writing to standard
// output failed" otherwise. Called before a command commits its files.
void requireWritableStandardStreams();
// Whether requireWritableStandardStreams has reported the failure.
bool standardOutputFailureReported();
