#include "encoding/mIntelJPEGLibrary.h"

#include "platform/CheckedMath.h"
#include "platform/Ijl.h"

#include <QByteArray>
#include <memory>

namespace {

// Releases what the library holds for the record when the writer is done with it, however it leaves.
struct IjlRelease {
    void operator()(ijl::JPEG_CORE_PROPERTIES* jcprops) const { ijl::ijlFree(jcprops); }
};

} // namespace

bool SaveJPEG(Dialogs& dialogs, cDIBSection& wrapper, const QString& fileName, std::int32_t quality) {
    ijl::JPEG_CORE_PROPERTIES tJPEGProps{};
    QByteArray bFileName; // outlives the release of the record, which points into it
    bool result = false;

    const std::int32_t lInit = ijl::ijlInit(&tJPEGProps);
    if (lInit != ijl::IJL_OK) {
        dialogs.MsgBox(QStringLiteral("Failed to initialise the IJL library: ") + QString::number(lInit),
                       vbExclamation, ApplicationTitle);
        return false;
    }
    const std::unique_ptr<ijl::JPEG_CORE_PROPERTIES, IjlRelease> release(&tJPEGProps);

    tJPEGProps.DIBWidth = wrapper.Width();
    tJPEGProps.DIBHeight = checked::sub(0, wrapper.Height()); // negative: the rows lie bottom-up
    tJPEGProps.DIBBytes = wrapper.DIBSectionBitsPtr();
    tJPEGProps.DIBPadBytes = checked::sub(wrapper.BytesPerScanLine(), checked::mul(wrapper.Width(), 3));

    // File names pass as UTF-8, unchanged, with one terminating zero byte.
    bFileName = fileName.toUtf8();
    bFileName.append('\0');
    tJPEGProps.JPGFile = reinterpret_cast<std::uintptr_t>(bFileName.constData());

    tJPEGProps.JPGWidth = wrapper.Width();
    tJPEGProps.JPGHeight = wrapper.Height();
    tJPEGProps.jquality = quality;

    if (ijl::ijlWrite(&tJPEGProps, ijl::IJL_JFILE_WRITEWHOLEIMAGE) == ijl::IJL_OK)
        result = true;
    else
        dialogs.MsgBox(QStringLiteral("Failed to save to JPG"), vbExclamation, ApplicationTitle);
    return result; // the record is released here, after the message
}
