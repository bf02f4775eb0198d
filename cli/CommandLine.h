#pragma once
// The command-line front end: many files, no window.
#include "cli/Arguments.h"
#include "platform/MemoryBudget.h"
#include "sizing/FitUnderSize.h"

#include <QString>
#include <QStringList>

// What one file came to: the line for standard output, or the warnings for the error stream.
struct FileOutcome {
    bool saved = false;
    QString line;
    QStringList warnings;
};

// Resizes one file as the options say and saves it under its output name, its memory held from
// `budget` while it works. Never throws.
FileOutcome ProcessFile(const QString& source, const Options& options, const ResizeFunction& resize,
                        MemoryBudget& budget);

// Runs the command line (arguments without the program's name) and gives the exit status: 0 when
// every file was saved, 1 when any failed, 2 for bad arguments.
int RunCommandLine(const QStringList& arguments);
