#include "imaging/MemoryBudget.h"

#include <QDir>
#include <QFile>
#include <algorithm>
#include <limits>
#include <sys/resource.h>

namespace {

constexpr qint64 Unlimited = std::numeric_limits<qint64>::max();
// A new thread's stack, and the arena glibc's allocator reserves for it at its first allocation.
constexpr qint64 ThreadAddressSpace = (qint64{8} + 64) << 20;

QByteArray fileText(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// A "Name:   1234 kB" field of a /proc file, in bytes; -1 when it is not there.
qint64 kilobyteField(const QByteArray& text, const QByteArray& name) {
    for (const QByteArray& line : text.split('\n'))
        if (line.startsWith(name + ':'))
            return line.mid(name.size() + 1).trimmed().split(' ').value(0).toLongLong() * 1024;
    return -1;
}

qint64 systemAvailable() {
    const QByteArray meminfo = fileText(QStringLiteral("/proc/meminfo"));
    const qint64 available = kilobyteField(meminfo, "MemAvailable");
    return available < 0 ? Unlimited : available + std::max<qint64>(0, kilobyteField(meminfo, "SwapFree"));
}

// The room under the memory limits of the program's control group and of those above it. File pages
// the kernel can drop when memory runs short count as room.
qint64 controlGroupRoom() {
    QByteArray path;
    for (const QByteArray& line : fileText(QStringLiteral("/proc/self/cgroup")).split('\n'))
        if (line.startsWith("0::")) path = line.mid(3);
    if (path.isEmpty()) return Unlimited;
    qint64 room = Unlimited;
    const QString root = QStringLiteral("/sys/fs/cgroup");
    for (QString group = QDir::cleanPath(root + QString::fromUtf8(path)); group.startsWith(root);
         group = QDir::cleanPath(group + QStringLiteral("/.."))) {
        bool limited = false;
        const qint64 limit = fileText(group + QStringLiteral("/memory.max")).trimmed().toLongLong(&limited);
        if (limited) {
            const qint64 used = fileText(group + QStringLiteral("/memory.current")).trimmed().toLongLong();
            qint64 reclaimable = 0;
            for (const QByteArray& line : fileText(group + QStringLiteral("/memory.stat")).split('\n'))
                if (line.startsWith("inactive_file ")) reclaimable = line.mid(14).trimmed().toLongLong();
            room = std::min(room, limit - used + reclaimable);
        }
        if (group == root) break;
    }
    return room;
}

qint64 roomUnder(int resource, qint64 used) {
    rlimit limit{};
    if (used < 0 || ::getrlimit(resource, &limit) != 0 || limit.rlim_cur == RLIM_INFINITY) return Unlimited;
    return qint64(limit.rlim_cur) - used;
}

} // namespace

qint64 MemoryTheSystemCanGive(int threadsToCome) {
    const QByteArray status = fileText(QStringLiteral("/proc/self/status"));
    const qint64 addressSpace = roomUnder(RLIMIT_AS, kilobyteField(status, "VmSize"));
    const qint64 threads = addressSpace == Unlimited ? 0 : threadsToCome * ThreadAddressSpace;
    return std::max<qint64>(0, std::min({systemAvailable(), controlGroupRoom(), addressSpace - threads,
                                         roomUnder(RLIMIT_DATA, kilobyteField(status, "VmData"))}));
}

qint64 PictureWorkBytes(const PictureInfo& header, qint64 fileBytes, QSize result, QSize decoded) {
    const qint64 pixels = qint64(decoded.width()) * decoded.height();
    const qint64 resultPixels = qint64(result.width()) * result.height();
    // Coefficients: 64 of 2 bytes for each 8 × 8 block of brightness and a quarter of that twice for
    // colour, 3 bytes a pixel.
    return fileBytes + pixels * (header.decodingBytesPerPixel + 4) + resultPixels * (4 + 4 + 3 + 1);
}

MemoryBudget::Share::~Share() {
    if (!mBudget) return;
    {
        const std::lock_guard guard(mBudget->mLock);
        mBudget->mHeld -= mBytes;
    }
    mBudget->mGivenBack.notify_all();
}

MemoryBudget::Share MemoryBudget::Reserve(qint64 bytes) {
    if (bytes > mTotal) return {nullptr, bytes};
    std::unique_lock guard(mLock);
    mGivenBack.wait(guard, [&] { return mHeld + bytes <= mTotal; });
    mHeld += bytes;
    return {this, bytes};
}
