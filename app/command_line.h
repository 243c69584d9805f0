// The command line: the modes that need no window (--help, --version, --check, --export).
#pragma once

#include <optional>
#include <string>

#include "tledit/timeline_file.h"

namespace kvr {

// Runs the mode the arguments ask for and returns the process's exit status; nothing when they
// are for the editor (no argument, one file, or two or more arguments to ignore). Nothing here
// touches SDL, so none of these modes needs a display.
std::optional<int> runCommandLine(int argc, char** argv);

// The timelines as one line of JSON (see timeline_export.cpp for the form of its numbers).
std::string timelinesJson(const TimelineRegistry& timelines);

// Loads the file as --check and --export do, each problem of the load printed on standard
// error; nothing when the library stopped the load, whose message is printed as "FILE: MESSAGE".
std::optional<TimelineFile> loadReportingProblems(const std::string& fileName);

// --export: loads the file as --check does and writes timelinesJson on standard output; 1 with
// nothing written there when the load was incomplete or failed.
int exportTimelines(const std::string& fileName);

}  // namespace kvr
