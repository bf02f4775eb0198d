#pragma once
// The JPEG writer.
#include "encoding/cDIBSection.h"
#include "platform/Dialogs.h"

#include <QString>
#include <cstdint>

// Writes the wrapper's pixels, read in place, as a JPEG file at `fileName` (created or replaced) with
// `quality` (0 to 100). True when the file was written. Each failure has already been shown to the
// user in a warning box when it returns false; the wrapper itself is not checked.
bool SaveJPEG(Dialogs& dialogs, cDIBSection& wrapper, const QString& fileName, std::int32_t quality);
