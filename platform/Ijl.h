#pragma once
// The JPEG library: one parameter record, initialised, filled in by the caller, written, and freed.
// Built on libjpeg-turbo's libjpeg API. The pixels are read in place: rows of 3-byte blue, green, red
// pixels (or, with DIBChannels 4 and IJL_BGRX, 4-byte ones whose last byte is ignored), each followed
// by DIBPadBytes bytes, bottom-up when DIBHeight is negative. The file is
// baseline JFIF with the accurate integer DCT and Huffman tables optimised for the picture: byte for
// byte what `cjpeg -quality Q -optimize` writes from the same pixels at 4:2:0 (adding -baseline below
// quality 25), and it decodes to the same pixels as the standard tables would give.
//
// Every call returns 0 for success or a negative code. Addresses are std::uintptr_t (a 64-bit address
// does not fit the 32 bits of the original record).
#include <cstddef>
#include <cstdint>
#include <memory>

namespace ijl {

enum IJLERR : std::int32_t {
    IJL_OK = 0,
    IJL_EXCEPTION_DETECTED = -1, // the encoder failed
    IJL_UNSUPPORTED_SUBSAMPLING = -3,
    IJL_UNSUPPORTED_BYTES_PER_PIXEL = -4,
    IJL_MEMORY_ERROR = -5,            // in ijlInit, or the encoder's memory for the picture
    IJL_INVALID_JPEG_PROPERTIES = -8, // missing pixels, bad sizes, quality out of range, no ijlInit
    IJL_ERR_FILECLOSE = -9,           // the file could not be written completely
    IJL_INVALID_FILENAME = -10,       // no name, or no file can be created there
    IJL_BUFFER_TOO_SMALL = -30,       // the JPEG does not fit the caller's buffer
    IJL_UNSUPPORTED_IO = -31,         // an I/O type other than writing a whole image
};

enum IJLIOTYPE : std::int32_t {
    IJL_JFILE_WRITEWHOLEIMAGE = 8, // write the whole image to the file named in the record
    IJL_JBUFF_WRITEWHOLEIMAGE = 9, // write the whole image into the caller's buffer
};

enum IJL_COLOR : std::int32_t { IJL_RGB = 1, IJL_BGR = 2, IJL_YCBCR = 3, IJL_BGRX = 4 };
enum IJL_JPGSUBSAMPLING : std::int32_t { IJL_NONE = 0 /* 4:4:4 */, IJL_420 = 1, IJL_422 = 2 };

struct Session; // what the library holds between ijlInit and ijlFree
struct EndSession {
    void operator()(Session* session) const;
};

inline constexpr std::int32_t MaxApp1Bytes = 65533; // a segment's length field counts itself

// The parameter record. Zero-fill it before ijlInit; ijlInit sets the initial values. A record that
// goes away without ijlFree still ends its session.
struct JPEG_CORE_PROPERTIES {
    // The uncompressed pixels.
    std::uintptr_t DIBBytes = 0;       // address of the first byte of the pixels
    std::int32_t DIBWidth = 0;         // pixels
    std::int32_t DIBHeight = 0;        // rows; negative when they lie bottom-up in memory
    std::int32_t DIBPadBytes = 0;      // bytes after each row's DIBWidth × DIBChannels
    std::int32_t DIBChannels = 0;      // 3 after ijlInit; 4 for IJL_BGRX
    IJL_COLOR DIBColor = IJL_COLOR(0); // IJL_BGR after ijlInit

    // The JPEG file.
    std::uintptr_t JPGFile = 0;                   // address of a NUL-terminated UTF-8 path, used as it is
    std::uintptr_t JPGBytes = 0;                  // the caller's buffer, for IJL_JBUFF_WRITEWHOLEIMAGE
    std::int32_t JPGSizeBytes = 0;                // its capacity; the JPEG's length after the write
    std::int32_t JPGWidth = 0;                    // must equal DIBWidth
    std::int32_t JPGHeight = 0;                   // must equal the number of pixel rows
    std::int32_t JPGChannels = 0;                 // 3 after ijlInit
    IJL_COLOR JPGColor = IJL_COLOR(0);            // IJL_YCBCR after ijlInit
    IJL_JPGSUBSAMPLING JPGSubsampling = IJL_NONE; // IJL_420 after ijlInit
    std::int32_t jquality = 0;                    // 0 to 100; 75 after ijlInit
    // An APP1 segment's payload ("Exif\0\0" and its block), written after the JFIF header; none when
    // APP1SizeBytes is 0. At most MaxApp1Bytes.
    std::uintptr_t APP1Bytes = 0;
    std::int32_t APP1SizeBytes = 0;
    // Instead of the pixels at DIBBytes, rows made as the encoder takes them, so that no whole picture
    // need exist: DIBRowSource(DIBRowContext, first, count, rows) fills `count` top-down rows, from row
    // `first` on, of DIBWidth × DIBChannels bytes each, into `rows`. It must not throw.
    using RowSource = void (*)(void* context, std::int32_t first, std::int32_t count,
                               unsigned char* const* rows);
    RowSource DIBRowSource = nullptr;
    void* DIBRowContext = nullptr;

    std::unique_ptr<Session, EndSession> session; // the library's; set by ijlInit, ended by ijlFree
};

std::int32_t ijlInit(JPEG_CORE_PROPERTIES* jcprops);
// IJL_JFILE_WRITEWHOLEIMAGE writes the JPEG to a temporary file beside the target, flushes it to
// disk and renames it over the target when it is complete: a failure or a crash never leaves a
// partial file and never destroys a file already at the path. A symbolic link at the path is
// replaced, not followed. An existing file's permissions are kept.
// IJL_JBUFF_WRITEWHOLEIMAGE writes the same bytes into JPGBytes and sets JPGSizeBytes to their
// length; IJL_BUFFER_TOO_SMALL leaves the buffer's contents undefined. A buffer of at least
// JpegBufferBound bytes never is too small and is written in place. Either sets JPGSizeBytes to the
// JPEG's length when it succeeds.
std::int32_t ijlWrite(JPEG_CORE_PROPERTIES* jcprops, std::int32_t iotype);
std::int32_t ijlFree(JPEG_CORE_PROPERTIES* jcprops);

// Removes the temporary files of the file writes under way and makes every later one fail, for a
// program about to stop on a signal: a write cut short leaves its target as it was. Takes a lock, so
// it is called from a thread, not from a signal handler.
void RemoveTemporaryFiles();

// The most bytes a JPEG of this size and subsampling can take; 0 when that is beyond 2 GiB.
std::int64_t JpegBufferBound(std::int32_t width, std::int32_t height, IJL_JPGSUBSAMPLING subsampling);

// Writes `size` bytes as the file at `target` exactly as IJL_JFILE_WRITEWHOLEIMAGE does (temporary
// file, flushed, renamed into place, permissions kept). IJL_OK, IJL_ERR_FILECLOSE or IJL_INVALID_FILENAME.
std::int32_t ReplaceFileWith(const char* target, const unsigned char* data, std::size_t size);

namespace testing {

// The next ijlInit answers `code` (non-zero) and sets nothing up: the only way to see the writer's
// answer to a library that cannot start. One relaxed atomic read per ijlInit when unused.
void FailNextInit(std::int32_t code);

} // namespace testing
} // namespace ijl
