#pragma once
// The command-line front end: many files, no window.
#include "cli/Arguments.h"
#include "engine/FitUnderSize.h"
#include "imaging/MemoryBudget.h"

#include <QString>
#include <QStringList>

// What one file came to: the line for standard output, or the warnings for the error stream.
struct FileOutcome {
    bool saved = false;
    bool skipped = false; // left alone, and rightly so: not a failure
    QString line;
    QStringList warnings;
};

// Resizes `source` as the options say and saves it as `output`, its memory held from `budget` while
// it works. Never throws.
FileOutcome ProcessFile(const QString& source, const QString& output, const Options& options,
                        MemoryBudget& budget);

// Runs the command line (arguments without the program's name, names decoded by DecodeFileName) and
// gives the exit status: 0 when every file was saved or rightly skipped, 1 when any failed, 2 for bad
// arguments, 128 + the signal's number when stopped by SIGINT, SIGTERM or SIGHUP.
int RunCommandLine(const QStringList& arguments);
