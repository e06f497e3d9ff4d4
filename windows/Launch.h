#pragma once
// What the launcher (main.cpp, no Qt) hands the windows' library when no calculator runs yet.
// Plain C types: the call crosses dlopen.

extern "C" {

struct QuorvaStart {
    int argc;               // argv[0] and what the launcher did not take (Qt's own options)
    char** argv;
    const char* configDir;  // --config-dir, "" without it
    int verb;               // quorva::instance::Verb: why the program was started
    int showPaths;          // --paths: print where the files are and end, with no display
};

// The windows' library's entry: runs the calculator until it ends; the result is the exit code.
int quorva_run(const QuorvaStart* start);
typedef int (*QuorvaRun)(const QuorvaStart* start);

}

// The library beside the launcher (a build tree), or where an install puts it.
inline constexpr const char* kQuorvaLibraryName = "quorva-windows.so";
inline constexpr const char* kQuorvaRunSymbol = "quorva_run";
