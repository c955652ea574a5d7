// What Linux says of a running process in /proc/PID/status, for the
// benchmarks that watch memory and threads.
#ifndef VISTREL_BENCH_PROC_STATUS_H
#define VISTREL_BENCH_PROC_STATUS_H

#include <string>

// A field ("VmRSS" in KiB, "Threads") of the process `pid` ("self" for this
// one) as a number; -1 where there is no such file or field.
double procStatusField(const std::string &pid, const char *name);

// This process's resident memory in MiB; negative where it cannot be read.
inline double residentMiB() { return procStatusField("self", "VmRSS") / 1024.0; }

#endif
