#include "cli/BatchPlan.h"

#include "engine/OutputName.h"
#include "platform/FileSystem.h"

#include <QDir>
#include <QFileInfo>
#include <QHash>
#include <sys/stat.h>

namespace {

QString outputPathFor(const QString& source, const QString& outputDir) {
    const QString beside = OutputNameFor(source);
    if (beside.isEmpty() || outputDir.isEmpty()) return beside;
    return QDir(outputDir).filePath(QFileInfo(beside).fileName());
}

// Where a name lies: its folder as the file system knows it (device and inode, by whatever path it
// is reached) and the name in there; the cleaned absolute path when the folder is not there.
QString placeOf(const QString& path) {
    const QFileInfo name(path);
    struct stat folder;
    if (::stat(EncodeFileName(name.absolutePath()).constData(), &folder) != 0)
        return QDir::cleanPath(name.absoluteFilePath());
    return QStringLiteral("%1:%2:").arg(folder.st_dev).arg(folder.st_ino) + name.fileName();
}

// The file a name gives now, links followed or not; empty when there is none.
QString fileAt(const QString& path, bool followLinks) {
    struct stat file;
    const QByteArray bytes = EncodeFileName(path);
    if ((followLinks ? ::stat(bytes.constData(), &file) : ::lstat(bytes.constData(), &file)) != 0 ||
        !S_ISREG(file.st_mode))
        return {};
    return QStringLiteral("%1:%2").arg(file.st_dev).arg(file.st_ino);
}

} // namespace

std::vector<PlannedFile> PlanBatch(const QStringList& sources, const QString& outputDir) {
    std::vector<PlannedFile> plan;
    QHash<QString, qsizetype> byOutputPlace; // each output's place: the first input to have it
    QHash<QString, qsizetype> byOutputFile;  // the files the outputs would replace
    for (const QString& source : sources) {
        PlannedFile file;
        file.source = source;
        file.output = outputPathFor(source, outputDir);
        const auto keepFirst = [&](QHash<QString, qsizetype>& index, const QString& key) {
            if (!key.isEmpty() && !index.contains(key)) index.insert(key, qsizetype(plan.size()));
        };
        if (!file.output.isEmpty()) {
            keepFirst(byOutputPlace, placeOf(file.output));
            keepFirst(byOutputFile, fileAt(file.output, false));
        }
        plan.push_back(file);
    }
    const auto refuse = [](PlannedFile& file, const QString& why) {
        file.step = PlannedFile::Step::Refuse;
        file.message = file.source + QStringLiteral(": ") + why;
    };
    // An input that is another's result would change under its reader while that one's job runs.
    for (qsizetype i = 0; i < qsizetype(plan.size()); ++i) {
        PlannedFile& file = plan[std::size_t(i)];
        const QString read = fileAt(file.source, true);
        qsizetype maker = byOutputPlace.value(placeOf(file.source), -1);
        if (maker < 0 && !read.isEmpty()) maker = byOutputFile.value(read, -1);
        if (file.output.isEmpty()) {
            refuse(file, QStringLiteral("no output name can be made from it."));
        } else if (maker >= 0 && maker != i) {
            file.step = PlannedFile::Step::Skip;
            file.message = QStringLiteral("skipped %1: it is the result of %2")
                               .arg(file.source, plan[std::size_t(maker)].source);
        } else if (!read.isEmpty() && read == fileAt(file.output, true)) {
            refuse(
                file,
                QStringLiteral("its output %1 is the picture itself; it is left as it is.").arg(file.output));
        }
    }
    // Of two inputs with one output, the first is made and the second left out.
    QHash<QString, qsizetype> claimed;
    for (PlannedFile& file : plan) {
        if (file.step != PlannedFile::Step::Make) continue;
        const QString place = placeOf(file.output);
        if (const auto earlier = claimed.constFind(place); earlier != claimed.constEnd()) {
            file.step = PlannedFile::Step::Refuse;
            file.message = QStringLiteral("left out %1: %2, the result of %3, would be written over by the "
                                          "result of %1")
                               .arg(file.source, file.output, plan[std::size_t(*earlier)].source);
            continue;
        }
        claimed.insert(place, qsizetype(&file - plan.data()));
    }
    return plan;
}
