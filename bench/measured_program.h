// The environment a benchmark starts a measured program in: the one virtual
// bridge VPANEL01, a wire log where the benchmark counts frames, and a
// settings home of its own, so the user's store stays untouched.
#ifndef VISTREL_BENCH_MEASURED_PROGRAM_H
#define VISTREL_BENCH_MEASURED_PROGRAM_H

#include <QDir>
#include <QProcessEnvironment>

QProcessEnvironment measuredProgramEnvironment(const QString &wireLog, const QDir &folder);

#endif
