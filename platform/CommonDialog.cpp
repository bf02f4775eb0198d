#include "platform/CommonDialog.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace {

struct FilterEntry {
    QString description;
    QStringList patterns;
};

// "Description|*.a;*.b|Other|*.c" as pairs of a description and its patterns.
QList<FilterEntry> entries(const QString& filter) {
    const QStringList parts = filter.split(QLatin1Char('|'));
    QList<FilterEntry> result;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2)
        result.append({parts[i], parts[i + 1].split(QLatin1Char(';'), Qt::SkipEmptyParts)});
    return result;
}

QString shownEntry(const FilterEntry& entry) {
    return QStringLiteral("%1 (%2)").arg(entry.description, entry.patterns.join(QLatin1Char(' ')));
}

} // namespace

QString CommonDialog::QtFilter(const QString& filter) {
    QStringList shown;
    for (const FilterEntry& entry : entries(filter))
        shown.append(shownEntry(entry));
    return shown.join(QStringLiteral(";;"));
}

QString CommonDialog::InitialFolder() const {
    if (!mLastFolder.isEmpty() && QFileInfo(mLastFolder).isDir()) return mLastFolder;
    const QString pictures = QStandardPaths::writableLocation(QStandardPaths::PicturesLocation);
    if (!pictures.isEmpty() && QFileInfo(pictures).isDir()) return pictures;
    return QDir::homePath();
}

void CommonDialog::ShowOpen(Dialogs& dialogs) {
    const QList<FilterEntry> all = entries(Filter);
    const QString initial =
        FilterIndex >= 1 && FilterIndex <= all.size() ? shownEntry(all[FilterIndex - 1]) : QString();
    const QString chosen = dialogs.ShowOpen({DialogTitle, QtFilter(Filter), InitialFolder(), initial});
    if (chosen.isEmpty()) return;
    FileName = chosen;
    mLastFolder = QFileInfo(chosen).absolutePath();
}
