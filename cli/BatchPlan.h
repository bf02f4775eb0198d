#pragma once
// What each input of one run is to come to, worked out before any job starts: no job's result is
// written over by another's, and no job reads a file that another job is replacing.
#include <QString>
#include <QStringList>
#include <vector>

struct PlannedFile {
    enum class Step {
        Make,   // resized and saved under `output`
        Skip,   // the result of another input of the run, which makes it anew: a note, not an error
        Refuse, // not worked on: an error
    };
    QString source;
    QString output; // where its result goes; empty when no name can be made from it
    Step step = Step::Make;
    QString message; // for Skip and Refuse: the line for the error stream, without the program's name
};

// The plan for `sources` in the order given, each saved beside itself or, when `outputDir` is not
// empty, in that folder under the same name. Names are compared as the file system sees them: the
// same folder reached by any path, and the same file under another name (a link) counts as the same.
std::vector<PlannedFile> PlanBatch(const QStringList& sources, const QString& outputDir);
