// The subcommands of zub around a search: convert, families, plot and explain. Each
// parses its own arguments (after the subcommand's name), calls the library
// and prints; errors are thrown as tamsu::Error with the subcommand's usage.
#pragma once

#include <string>

// Whether argv[1] names a subcommand.
bool isSubcommand(const std::string& name);

// Runs the subcommand argv[1] with the arguments after it; returns the exit status.
int runSubcommand(int argc, const char* const* argv);
