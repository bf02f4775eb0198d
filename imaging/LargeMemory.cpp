#include "imaging/LargeMemory.h"

#include "imaging/MemoryBudget.h"

#include <cstdlib>
#include <limits>
#include <sys/mman.h>

namespace {

constexpr std::size_t LargeBlock = std::size_t{4} << 20;

struct Unmap {
    std::size_t bytes;
    void operator()(std::uint8_t* memory) const { munmap(memory, bytes); }
};

struct Free {
    void operator()(std::uint8_t* memory) const { std::free(memory); }
};

} // namespace

std::shared_ptr<std::uint8_t> AllocatePixels(std::size_t bytes) {
    if (bytes < LargeBlock) {
        auto* memory = static_cast<std::uint8_t*>(std::calloc(bytes ? bytes : 1, 1));
        return memory ? std::shared_ptr<std::uint8_t>(memory, Free{}) : nullptr;
    }
    // Memory promised but not there would kill the program when its pages are touched; refuse it here,
    // where the caller can still say so. The mapping is committed, not merely reserved.
    if (bytes > std::size_t(MemoryTheSystemCanGive())) return nullptr;
    void* memory = mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (memory == MAP_FAILED) return nullptr;
    madvise(memory, bytes, MADV_HUGEPAGE);
    return std::shared_ptr<std::uint8_t>(static_cast<std::uint8_t*>(memory), Unmap{bytes});
}

QImage AllocateImage(QSize size, QImage::Format format) {
    if (size.isEmpty()) return QImage(size, format);
    const int depth = QImage::toPixelFormat(format).bitsPerPixel();
    const qint64 bytesPerLine = ((qint64(size.width()) * depth + 31) / 32) * 4;
    const qint64 bytes = bytesPerLine * size.height();
    if (bytesPerLine > std::numeric_limits<int>::max() || bytes < qint64(LargeBlock))
        return QImage(size, format);
    auto memory = AllocatePixels(std::size_t(bytes));
    if (!memory) return {};
    uchar* bits = memory.get();
    // The image keeps the memory alive through a copy of the shared pointer, released by Qt's cleanup.
    auto* owner = new std::shared_ptr<std::uint8_t>(std::move(memory));
    return QImage(
        bits, size.width(), size.height(), bytesPerLine, format,
        [](void* info) { delete static_cast<std::shared_ptr<std::uint8_t>*>(info); }, owner);
}
