// vistrelctl: scripted panel tests without a window (see cli/README.md).
#include "vistrelctl_app.h"

#include <QCoreApplication>

#include <cstdio>

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QTextStream out(stdout);
    QTextStream err(stderr);
    return vistrel::cli::runVistrelctl(QCoreApplication::arguments(), out, err);
}
