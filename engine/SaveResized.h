#pragma once
// The one save sequence, as the window's Save and the command line both run it.
#include "engine/FitUnderSize.h"
#include "imaging/Picture.h"
#include "platform/Dialogs.h"

#include <QString>
#include <optional>

// Writes `picture` as a JPEG at `output`: the earlier file there made replaceable for the save (and
// left exactly as it was should the save fail), the 24-bit wrapper, the JPEG writer at `quality` with
// `app1` (MetadataFor) after its header.
// The length of the file written, or nothing when the writer failed and has shown why through
// `dialogs`. Throws QuillonError, in the user's words, when the name is taken by something that is
// not a file or the earlier file cannot be made replaceable.
// `measured`, when not empty, is the JPEG already made of this very picture at this quality with this
// `app1` (SizeMeter::Bytes, a fit's answer): written as it is instead of encoding the picture again,
// and `picture` is not read.
std::optional<qint64> SaveResized(Dialogs& dialogs, const PictureRef& picture, const QString& output,
                                  int quality = SavedQuality, const QByteArray& app1 = {},
                                  const QByteArray& measured = {});
