#include "encoding/mIntelJPEGLibrary.h"

#include "imaging/CheckedMath.h"
#include "imaging/Error.h"
#include "imaging/FileName.h"
#include "platform/Ijl.h"

#include <algorithm>

namespace {

// One initialised record, released when the writer is done with it, however it leaves.
struct IjlRecord {
    ijl::JPEG_CORE_PROPERTIES props{};
    const std::int32_t initCode = ijl::ijlInit(&props);

    IjlRecord() = default;
    IjlRecord(const IjlRecord&) = delete;
    IjlRecord& operator=(const IjlRecord&) = delete;
    ~IjlRecord() {
        if (initCode == ijl::IJL_OK) ijl::ijlFree(&props);
    }
};

// What every JPEG written shares beside its pixels: its size, its quality and its metadata.
void describeJpeg(ijl::JPEG_CORE_PROPERTIES& props, std::int32_t width, std::int32_t height,
                  std::int32_t quality, const QByteArray& app1) {
    props.JPGWidth = width;
    props.JPGHeight = height;
    props.jquality = quality;
    props.APP1Bytes = reinterpret_cast<std::uintptr_t>(app1.constData());
    props.APP1SizeBytes = std::int32_t(std::min<qsizetype>(app1.size(), ijl::MaxApp1Bytes + 1));
}

// The pixels as they lie in the wrapper: what the file and the in-memory JPEG share.
void describePixels(ijl::JPEG_CORE_PROPERTIES& props, const cDIBSection& wrapper, std::int32_t quality,
                    const QByteArray& app1) {
    props.DIBWidth = wrapper.Width();
    props.DIBHeight = checked::sub(0, wrapper.Height()); // negative: the rows lie bottom-up
    props.DIBBytes = wrapper.DIBSectionBitsPtr();
    props.DIBPadBytes = checked::sub(wrapper.BytesPerScanLine(), checked::mul(wrapper.Width(), 3));
    describeJpeg(props, wrapper.Width(), wrapper.Height(), quality, app1);
}

// An opaque picture's rows as they lie: blue, green, red and an unused byte each on a little-endian
// machine. False for a picture whose rows cannot be read so.
bool describeRows(ijl::JPEG_CORE_PROPERTIES& props, const QImage& image, std::int32_t quality,
                  const QByteArray& app1) {
    if (image.isNull() || image.format() != QImage::Format_RGB32 ||
        QSysInfo::ByteOrder != QSysInfo::LittleEndian)
        return false;
    props.DIBWidth = image.width();
    props.DIBHeight = image.height(); // top-down
    props.DIBBytes = reinterpret_cast<std::uintptr_t>(image.constBits());
    props.DIBChannels = 4;
    props.DIBColor = ijl::IJL_BGRX;
    props.DIBPadBytes = std::int32_t(image.bytesPerLine() - qsizetype(image.width()) * 4);
    describeJpeg(props, image.width(), image.height(), quality, app1);
    return true;
}

const QString SaveFailed = QStringLiteral("Failed to save to JPG");

QByteArray terminatedName(const QString& fileName) {
    QByteArray bytes = EncodeFileName(fileName);
    bytes.append('\0');
    return bytes;
}

} // namespace

bool SaveJPEGBytes(Dialogs& dialogs, const QByteArray& jpeg, const QString& fileName) {
    const QByteArray bFileName = terminatedName(fileName);
    const auto* bytes = reinterpret_cast<const unsigned char*>(jpeg.constData());
    if (!jpeg.isEmpty() &&
        ijl::ReplaceFileWith(bFileName.constData(), bytes, std::size_t(jpeg.size())) == ijl::IJL_OK)
        return true;
    dialogs.MsgBox(SaveFailed, vbExclamation, ApplicationTitle);
    return false;
}

bool SaveJPEG(Dialogs& dialogs, cDIBSection& wrapper, const QString& fileName, std::int32_t quality,
              qint64* length, const QByteArray& app1) {
    // File names pass as the system's bytes, with one terminating zero byte. Declared first: the
    // record, released after it, points into it.
    const QByteArray bFileName = terminatedName(fileName);

    IjlRecord record;
    if (record.initCode != ijl::IJL_OK) {
        dialogs.MsgBox(QStringLiteral("Failed to initialise the IJL library: ") +
                           QString::number(record.initCode),
                       vbExclamation, ApplicationTitle);
        return false;
    }
    describePixels(record.props, wrapper, quality, app1);
    record.props.JPGFile = reinterpret_cast<std::uintptr_t>(bFileName.constData());

    if (ijl::ijlWrite(&record.props, ijl::IJL_JFILE_WRITEWHOLEIMAGE) == ijl::IJL_OK) {
        if (length) *length = record.props.JPGSizeBytes;
        return true;
    }
    dialogs.MsgBox(SaveFailed, vbExclamation, ApplicationTitle);
    return false; // the record is released here, after the message
}

namespace {

QString noMemoryFor(QSize size) {
    return QStringLiteral("There is not enough memory to make the JPEG of a picture of %1 × %2 pixels.")
        .arg(size.width())
        .arg(size.height());
}

void startEncoder(const IjlRecord& record, QSize size) {
    if (size.isEmpty()) throw QuillonError(QStringLiteral("There is no picture to make a JPEG of."));
    if (record.initCode != ijl::IJL_OK)
        throw QuillonError(
            QStringLiteral("The JPEG encoder could not be started (%1).").arg(record.initCode));
}

// The JPEG of the pixels the record describes, written into an array with room for the worst case,
// so that the encoder writes straight into it.
QByteArray encodeRecord(IjlRecord& record, QSize size) {
    const std::int64_t bound = ijl::JpegBufferBound(size.width(), size.height(), record.props.JPGSubsampling);
    if (bound <= 0) throw QuillonError(noMemoryFor(size));
    QByteArray bytes;
    try {
        bytes = QByteArray(qsizetype(bound), Qt::Uninitialized);
    } catch (const std::bad_alloc&) {
        throw QuillonError(noMemoryFor(size));
    }
    record.props.JPGBytes = reinterpret_cast<std::uintptr_t>(bytes.data());
    record.props.JPGSizeBytes = std::int32_t(bound);
    const std::int32_t rc = ijl::ijlWrite(&record.props, ijl::IJL_JBUFF_WRITEWHOLEIMAGE);
    // The optimised tables hold the whole picture's coefficients: a big one may not find the memory.
    if (rc == ijl::IJL_MEMORY_ERROR) throw QuillonError(noMemoryFor(size));
    if (rc != ijl::IJL_OK)
        throw QuillonError(QStringLiteral("The picture could not be made into a JPEG (%1).").arg(rc));
    bytes.truncate(record.props.JPGSizeBytes);
    bytes.squeeze();
    return bytes;
}

void makeRows(void* maker, std::int32_t first, std::int32_t count, unsigned char* const* rows) {
    (*static_cast<const RowMaker*>(maker))(first, count, rows);
}

} // namespace

QByteArray EncodeJPEG(const PictureRef& picture, std::int32_t quality, const QByteArray& app1) {
    const QSize size = picture ? picture->size() : QSize();
    IjlRecord record;
    startEncoder(record, size);
    // An opaque picture's rows are read where they lie, the same JPEG as from the wrapper without
    // its 24-bit copy; any other goes through the wrapper as Save makes it.
    const QImage image = picture->image();
    cDIBSection wrapper;
    if (!describeRows(record.props, image, quality, app1)) {
        wrapper.CreateFromPicture(picture);
        if (wrapper.DIBSectionBitsPtr() == 0) throw QuillonError(noMemoryFor(size));
        describePixels(record.props, wrapper, quality, app1);
    }
    return encodeRecord(record, size);
}

QByteArray EncodeRowsJPEG(QSize size, const RowMaker& rows, std::int32_t quality, const QByteArray& app1) {
    IjlRecord record;
    startEncoder(record, size);
    record.props.DIBWidth = size.width();
    record.props.DIBHeight = size.height();
    record.props.DIBChannels = 4;
    record.props.DIBColor = ijl::IJL_BGRX;
    record.props.DIBRowSource = makeRows;
    record.props.DIBRowContext = const_cast<RowMaker*>(&rows);
    describeJpeg(record.props, size.width(), size.height(), quality, app1);
    return encodeRecord(record, size);
}
