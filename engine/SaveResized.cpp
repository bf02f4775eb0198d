#include "engine/SaveResized.h"

#include "encoding/cDIBSection.h"
#include "encoding/mIntelJPEGLibrary.h"
#include "platform/FileSystem.h"

std::optional<qint64> SaveResized(Dialogs& dialogs, const PictureRef& picture, const QString& output,
                                  int quality, const QByteArray& app1, const QByteArray& measured) {
    const ReplaceableFile replaceable(output);
    if (!measured.isEmpty()) {
        if (!SaveJPEGBytes(dialogs, measured, output)) return std::nullopt;
        return measured.size();
    }
    cDIBSection wrapper;
    wrapper.CreateFromPicture(picture);
    qint64 length = 0;
    if (!SaveJPEG(dialogs, wrapper, output, quality, &length, app1)) return std::nullopt;
    return length;
}
