#include "platform/Ijl.h"

#include <turbojpeg.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <limits>
#include <memory>
#include <mutex>
#include <new>
#include <string>
#include <sys/stat.h>
#include <type_traits>
#include <unistd.h>
#include <vector>

// After <cstdio>: jpeglib.h uses FILE and size_t without declaring them.
#include <csetjmp>
#include <jerror.h>
#include <jpeglib.h>

namespace ijl {

namespace {

constexpr JDIMENSION RowsAtOnce = 16; // rows handed to libjpeg per call

// libjpeg's error handler, set to jump back to the call that is under way instead of ending the program.
struct JpegErrors : jpeg_error_mgr {
    std::jmp_buf jump;
};

} // namespace

// libjpeg's compressor, from ijlInit to ijlFree.
struct Session {
    jpeg_compress_struct compressor{};
    JpegErrors errors{};

    Session() = default;
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;
    ~Session() { jpeg_destroy_compress(&compressor); } // safe on one never created
};

void EndSession::operator()(Session* session) const {
    delete session;
}

namespace {

std::atomic<std::int32_t> forcedInitCode{0};

// Buffers libjpeg may grow into: it allocates them with malloc and leaves freeing them to the caller.
struct FreeBuffer {
    void operator()(unsigned char* buffer) const { std::free(buffer); }
};
using JpegBuffer = std::unique_ptr<unsigned char, FreeBuffer>;

int turboSubsampling(IJL_JPGSUBSAMPLING subsampling) {
    switch (subsampling) {
    case IJL_NONE:
        return TJSAMP_444;
    case IJL_420:
        return TJSAMP_420;
    case IJL_422:
        return TJSAMP_422;
    }
    return -1;
}

// The permissions a new file gets: those of the file it replaces, else the usual ones less the umask.
// The umask is read, not set and reset, which would race with other threads creating files.
mode_t permissionsFor(const struct stat* existing) {
    if (existing) return existing->st_mode & 0777;
    mode_t mask = 022;
    if (std::FILE* status = std::fopen("/proc/self/status", "re")) {
        char line[256];
        while (std::fgets(line, sizeof line, status))
            if (std::strncmp(line, "Umask:", 6) == 0) {
                mask = mode_t(std::strtoul(line + 6, nullptr, 8));
                break;
            }
        std::fclose(status);
    }
    return 0666 & ~mask;
}

// A file in the target's folder that is removed again unless it was renamed into place. The files
// under way are listed so that a program stopped by a signal can remove them (RemoveTemporaryFiles);
// once it has, no write makes another.
class TemporaryFile {
public:
    explicit TemporaryFile(const std::string& folder) : mPath(folder + "/.quillon-jpeg-XXXXXX") {
        const std::lock_guard guard(underWay.lock);
        if (!underWay.closed) mFd = mkostemp(mPath.data(), O_CLOEXEC);
        if (mFd >= 0) list();
    }
    ~TemporaryFile() {
        if (mFd >= 0) ::close(mFd);
        const std::lock_guard guard(underWay.lock);
        if (!mListed) return;
        ::unlink(mPath.c_str());
        unlist();
    }
    TemporaryFile(const TemporaryFile&) = delete;
    TemporaryFile& operator=(const TemporaryFile&) = delete;

    bool isOpen() const { return mFd >= 0; }
    bool write(const unsigned char* data, std::size_t size, mode_t mode) {
        while (size > 0) {
            const ssize_t done = ::write(mFd, data, size);
            if (done < 0 && errno == EINTR) continue;
            if (done <= 0) return false;
            data += done;
            size -= std::size_t(done);
        }
        // On disk before the rename, so that a crash leaves the old file or the new one, never an empty one.
        const bool ok = ::fchmod(mFd, mode) == 0 && ::fsync(mFd) == 0;
        const int fd = mFd;
        mFd = -1;
        return ::close(fd) == 0 && ok;
    }
    // rename() replaces whatever is at the target, a symbolic link included, without following it.
    bool renameTo(const std::string& target) {
        const std::lock_guard guard(underWay.lock);
        if (!mListed || ::rename(mPath.c_str(), target.c_str()) != 0) return false;
        unlist();
        return true;
    }

    static void removeAll() {
        const std::lock_guard guard(underWay.lock);
        underWay.closed = true;
        while (TemporaryFile* file = underWay.first) {
            ::unlink(file->mPath.c_str());
            file->unlist();
        }
    }

private:
    // The files under way, linked through the files themselves: nothing to allocate, and nothing to
    // destroy at exit while a write on another thread may still reach it.
    struct List {
        std::mutex lock;
        TemporaryFile* first = nullptr;
        bool closed = false;
    };
    static_assert(std::is_trivially_destructible_v<List>);
    static constinit List underWay;

    // Under the list's lock.
    void list() {
        mNext = underWay.first;
        if (mNext) mNext->mPrevious = this;
        underWay.first = this;
        mListed = true;
    }
    void unlist() {
        (mPrevious ? mPrevious->mNext : underWay.first) = mNext;
        if (mNext) mNext->mPrevious = mPrevious;
        mPrevious = mNext = nullptr;
        mListed = false;
    }

    std::string mPath;
    int mFd = -1;
    bool mListed = false;
    TemporaryFile* mPrevious = nullptr;
    TemporaryFile* mNext = nullptr;
};

constinit TemporaryFile::List TemporaryFile::underWay;

void syncFolder(const std::string& folder) {
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    ::fsync(fd);
    ::close(fd);
}

std::int32_t replaceFile(const std::string& target, const unsigned char* data, std::size_t size) {
    if (target.empty()) return IJL_INVALID_FILENAME;
    const std::size_t slash = target.rfind('/');
    if (slash == target.size() - 1) return IJL_INVALID_FILENAME; // a folder, not a file
    const std::string folder = slash == std::string::npos ? "." : slash == 0 ? "/" : target.substr(0, slash);

    struct stat existing;
    const bool isFile = ::lstat(target.c_str(), &existing) == 0 && S_ISREG(existing.st_mode);
    TemporaryFile file(folder);
    if (!file.isOpen()) return IJL_INVALID_FILENAME;
    if (!file.write(data, size, permissionsFor(isFile ? &existing : nullptr))) return IJL_ERR_FILECLOSE;
    if (!file.renameTo(target)) return IJL_INVALID_FILENAME;
    syncFolder(folder); // the rename itself; the file is complete whether or not this succeeds
    return IJL_OK;
}

std::int64_t rowsOf(const JPEG_CORE_PROPERTIES& r) {
    return r.DIBHeight < 0 ? -std::int64_t{r.DIBHeight} : r.DIBHeight;
}
std::int64_t pitchOf(const JPEG_CORE_PROPERTIES& r) {
    return std::int64_t{r.DIBWidth} * r.DIBChannels + r.DIBPadBytes;
}

std::int32_t checkRecord(const JPEG_CORE_PROPERTIES& r) {
    const bool bgr = r.DIBChannels == 3 && r.DIBColor == IJL_BGR;
    const bool bgrx = r.DIBChannels == 4 && r.DIBColor == IJL_BGRX;
    if (!bgr && !bgrx) return IJL_UNSUPPORTED_BYTES_PER_PIXEL;
    if (r.JPGChannels != 3 || r.JPGColor != IJL_YCBCR || turboSubsampling(r.JPGSubsampling) < 0)
        return IJL_UNSUPPORTED_SUBSAMPLING;
    const std::int64_t rows = rowsOf(r);
    if ((r.DIBBytes == 0 && !r.DIBRowSource) || r.DIBWidth <= 0 || rows == 0 || r.DIBPadBytes < 0 ||
        pitchOf(r) > std::numeric_limits<int>::max() || rows > std::numeric_limits<int>::max() ||
        r.JPGWidth != r.DIBWidth || r.JPGHeight != rows || r.jquality < 0 || r.jquality > 100 ||
        r.APP1SizeBytes < 0 || r.APP1SizeBytes > MaxApp1Bytes || (r.APP1SizeBytes > 0 && r.APP1Bytes == 0))
        return IJL_INVALID_JPEG_PROPERTIES;
    return IJL_OK;
}

// The encoder's output: in `buffer` when it owns it, else in memory someone else owns.
struct Compressed {
    JpegBuffer buffer;
    unsigned char* data = nullptr;
    std::size_t size = 0;
};

[[noreturn]] void jumpBack(j_common_ptr cinfo) {
    std::longjmp(static_cast<JpegErrors*>(cinfo->err)->jump, 1);
}
void keepQuiet(j_common_ptr) {}

// The calls that may end in jumpBack run inside a setjmp in these small functions, and between
// the setjmp and libjpeg lie only plain values: the jump skips no destructor.
std::int32_t createCompressor(Session& session) {
    session.compressor.err = jpeg_std_error(&session.errors);
    session.errors.error_exit = jumpBack;
    session.errors.output_message = keepQuiet; // warnings would go to stderr
    if (setjmp(session.errors.jump)) return IJL_MEMORY_ERROR;
    jpeg_create_compress(&session.compressor);
    return IJL_OK;
}

// cjpeg's settings (jpeg_set_defaults: JFIF 1.01 at 1:1, the accurate integer DCT, baseline) with
// the record's quality and sampling, and optimised Huffman tables: cjpeg -optimize's bytes, and
// the same pixels as with the standard tables. The rows are read where they lie.
void writeJpeg(jpeg_compress_struct* c, const JPEG_CORE_PROPERTIES& r, unsigned char* scratch,
               unsigned char** jpeg, unsigned long* size) {
    jpeg_mem_dest(c, jpeg, size);
    c->image_width = JDIMENSION(r.DIBWidth);
    c->image_height = JDIMENSION(rowsOf(r));
    // The colour conversion reads blue, green and red alike either way: the same JPEG from both layouts.
    c->input_components = r.DIBChannels;
    c->in_color_space = r.DIBColor == IJL_BGRX ? JCS_EXT_BGRX : JCS_EXT_BGR;
    jpeg_set_defaults(c);
    jpeg_set_quality(c, r.jquality, TRUE);
    c->comp_info[0].h_samp_factor = r.JPGSubsampling == IJL_NONE ? 1 : 2;
    c->comp_info[0].v_samp_factor = r.JPGSubsampling == IJL_420 ? 2 : 1;
    for (int chroma = 1; chroma <= 2; ++chroma)
        c->comp_info[chroma].h_samp_factor = c->comp_info[chroma].v_samp_factor = 1;
    c->optimize_coding = TRUE;
    jpeg_start_compress(c, TRUE);
    if (r.APP1SizeBytes > 0) // after the JFIF header, where readers look for EXIF
        jpeg_write_marker(c, JPEG_APP0 + 1, reinterpret_cast<const JOCTET*>(r.APP1Bytes),
                          unsigned(r.APP1SizeBytes));

    const auto* first = reinterpret_cast<const unsigned char*>(r.DIBBytes);
    const std::int64_t pitch = pitchOf(r);
    const std::int64_t last = std::int64_t{c->image_height} - 1;
    JSAMPROW rows[RowsAtOnce];
    while (c->next_scanline < c->image_height) {
        const JDIMENSION count = std::min<JDIMENSION>(RowsAtOnce, c->image_height - c->next_scanline);
        for (JDIMENSION i = 0; i < count; ++i) {
            const std::int64_t y = c->next_scanline + i;
            rows[i] = scratch ? scratch + i * pitch
                              : const_cast<JSAMPROW>(first + (r.DIBHeight < 0 ? last - y : y) * pitch);
        }
        if (scratch)
            r.DIBRowSource(r.DIBRowContext, std::int32_t(c->next_scanline), std::int32_t(count), rows);
        jpeg_write_scanlines(c, rows, count);
    }
    jpeg_finish_compress(c);
}

std::int32_t encode(Session& session, const JPEG_CORE_PROPERTIES& r, unsigned char* scratch,
                    unsigned char** jpeg, unsigned long* size) {
    if (setjmp(session.errors.jump)) {
        jpeg_abort_compress(&session.compressor); // ready for the next write
        return session.errors.msg_code == JERR_OUT_OF_MEMORY ? IJL_MEMORY_ERROR : IJL_EXCEPTION_DETECTED;
    }
    writeJpeg(&session.compressor, r, scratch, jpeg, size);
    return IJL_OK;
}

// Compresses the record's pixels into `out`. With `target` (at least JpegBufferBound bytes) the
// encoder writes there; otherwise into a buffer of its own, sized for the worst case up front so
// that it never grows (and copies) its output.
std::int32_t compress(const JPEG_CORE_PROPERTIES& r, Compressed& out, unsigned char* target = nullptr) {
    const std::int64_t bound = JpegBufferBound(r.DIBWidth, std::int32_t(rowsOf(r)), r.JPGSubsampling);
    if (!target && bound > 0) {
        out.buffer.reset(static_cast<unsigned char*>(std::malloc(std::size_t(bound))));
        if (!out.buffer) return IJL_MEMORY_ERROR;
    }
    // Made rows are taken a batch at a time; the buffer lives outside the jumps libjpeg may make.
    std::vector<unsigned char> scratch;
    try {
        if (r.DIBRowSource) scratch.resize(std::size_t(RowsAtOnce * pitchOf(r)));
    } catch (const std::bad_alloc&) {
        return IJL_MEMORY_ERROR;
    }
    unsigned char* const given = target ? target : out.buffer.get();
    unsigned char* jpeg = given;
    unsigned long size = jpeg ? static_cast<unsigned long>(bound) : 0; // 0: libjpeg allocates
    const std::int32_t rc = encode(*r.session, r, scratch.empty() ? nullptr : scratch.data(), &jpeg, &size);
    if (rc != IJL_OK) return rc;
    if (jpeg != given) out.buffer.reset(jpeg); // libjpeg grew the output into a buffer of its own
    out.data = jpeg;
    out.size = size;
    return IJL_OK;
}

std::int32_t writeToBuffer(JPEG_CORE_PROPERTIES& r) {
    auto* target = reinterpret_cast<unsigned char*>(r.JPGBytes);
    const std::int64_t bound = JpegBufferBound(r.DIBWidth, std::int32_t(rowsOf(r)), r.JPGSubsampling);
    const bool inPlace = bound > 0 && r.JPGSizeBytes >= bound;
    Compressed jpeg;
    if (const std::int32_t rc = compress(r, jpeg, inPlace ? target : nullptr); rc != IJL_OK) return rc;
    if (jpeg.size > std::size_t(r.JPGSizeBytes)) return IJL_BUFFER_TOO_SMALL;
    // Not in place, or libjpeg outgrew the bound into a buffer of its own.
    if (jpeg.data != target) std::memcpy(target, jpeg.data, jpeg.size);
    r.JPGSizeBytes = std::int32_t(jpeg.size);
    return IJL_OK;
}

} // namespace

std::int32_t ijlInit(JPEG_CORE_PROPERTIES* jcprops) {
    if (forcedInitCode.load(std::memory_order_relaxed) != 0)
        if (const std::int32_t code = forcedInitCode.exchange(0)) return code;
    if (!jcprops) return IJL_INVALID_JPEG_PROPERTIES;
    std::unique_ptr<Session, EndSession> session(new (std::nothrow) Session);
    if (!session) return IJL_MEMORY_ERROR;
    if (const std::int32_t rc = createCompressor(*session); rc != IJL_OK) return rc;
    jcprops->session = std::move(session);
    // Input as cDIBSection lays it out: 3-byte blue, green, red pixels; output YCbCr at 4:2:0.
    jcprops->DIBChannels = 3;
    jcprops->DIBColor = IJL_BGR;
    jcprops->JPGChannels = 3;
    jcprops->JPGColor = IJL_YCBCR;
    jcprops->JPGSubsampling = IJL_420;
    jcprops->jquality = 75;
    return IJL_OK;
}

std::int32_t ijlWrite(JPEG_CORE_PROPERTIES* jcprops, std::int32_t iotype) {
    if (!jcprops || !jcprops->session) return IJL_INVALID_JPEG_PROPERTIES;
    if (iotype != IJL_JFILE_WRITEWHOLEIMAGE && iotype != IJL_JBUFF_WRITEWHOLEIMAGE) return IJL_UNSUPPORTED_IO;
    JPEG_CORE_PROPERTIES& r = *jcprops;
    if (const std::int32_t rc = checkRecord(r); rc != IJL_OK) return rc;
    if (iotype == IJL_JBUFF_WRITEWHOLEIMAGE) {
        if (r.JPGBytes == 0 || r.JPGSizeBytes <= 0) return IJL_INVALID_JPEG_PROPERTIES;
        return writeToBuffer(r);
    }
    const char* name = reinterpret_cast<const char*>(r.JPGFile);
    if (!name || !*name) return IJL_INVALID_FILENAME;
    Compressed jpeg;
    if (const std::int32_t rc = compress(r, jpeg); rc != IJL_OK) return rc;
    const std::int32_t rc = replaceFile(name, jpeg.data, jpeg.size);
    if (rc == IJL_OK)
        r.JPGSizeBytes =
            std::int32_t(std::min<std::size_t>(jpeg.size, std::numeric_limits<std::int32_t>::max()));
    return rc;
}

std::int32_t ijlFree(JPEG_CORE_PROPERTIES* jcprops) {
    if (!jcprops || !jcprops->session) return IJL_INVALID_JPEG_PROPERTIES;
    jcprops->session.reset();
    return IJL_OK;
}

std::int32_t ReplaceFileWith(const char* target, const unsigned char* data, std::size_t size) {
    return target ? replaceFile(target, data, size) : IJL_INVALID_FILENAME;
}

void RemoveTemporaryFiles() {
    TemporaryFile::removeAll();
}

std::int64_t JpegBufferBound(std::int32_t width, std::int32_t height, IJL_JPGSUBSAMPLING subsampling) {
    const int turbo = turboSubsampling(subsampling);
    if (width <= 0 || height <= 0 || turbo < 0) return 0;
    const unsigned long pixels = tjBufSize(width, height, turbo);
    if (pixels == static_cast<unsigned long>(-1)) return 0;
    const std::int64_t bound = std::int64_t(pixels) + 4 + MaxApp1Bytes; // and room for an APP1 segment
    return bound > std::numeric_limits<int>::max() ? 0 : bound;
}

namespace testing {

void FailNextInit(std::int32_t code) {
    forcedInitCode.store(code);
}

} // namespace testing
} // namespace ijl
