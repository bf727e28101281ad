#pragma once

// Quorvale without a window: generate, import and export from the command
// line, for scripts and for work over SSH or from cron. No argument opens
// the window as ever.
namespace CommandLine {

// Whether the arguments ask for the command line rather than the window.
bool wanted(int argc, char* argv[]);

// Runs the sub-command the arguments name, with the automation servers the
// program registered; returns the exit status: 0 when it was done, 1 for bad
// input (a message on standard error names the file, the line and the
// field), 2 for arguments that make no sense.
int run(int argc, char* argv[]);

} // namespace CommandLine
