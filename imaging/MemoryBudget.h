#pragma once
// Memory shared by work that runs side by side: each job holds its share of one budget while it works,
// and a job that does not fit beside the others waits until they give theirs back.
#include "imaging/Picture.h"

#include <QSize>
#include <condition_variable>
#include <mutex>
#include <utility>

// What the program can still take without taking it from someone else: the least of the memory the
// system reports as available (with free swap), the room under the program's control group's memory
// limit, and the room under its address-space and data limits, less the address space that
// `threadsToCome` more threads will take for their stacks and allocators. Unlimited where nothing
// says otherwise.
qint64 MemoryTheSystemCanGive(int threadsToCome = 0);

// The most that decoding and resizing one picture takes at once, known from its header: the file's
// bytes, its pixels as the reader holds them beside the 32-bit picture made from them, at `decoded`
// (the header's size, or the smaller one DecodedSizeFor gives where that is how it is read), and the
// result with the smooth resampler's rows between, the coefficients the JPEG writer keeps for its
// optimized tables and the JPEG. The writer reads the result's own rows: there is no 24-bit copy of it.
qint64 PictureWorkBytes(const PictureInfo& header, qint64 fileBytes, QSize result, QSize decoded);

class MemoryBudget {
public:
    explicit MemoryBudget(qint64 bytes) : mTotal(bytes) {}
    MemoryBudget(const MemoryBudget&) = delete;
    MemoryBudget& operator=(const MemoryBudget&) = delete;

    // A part of the budget, given back when it ends; empty when it could not be had.
    class Share {
    public:
        Share(Share&& other) noexcept
            : mBudget(std::exchange(other.mBudget, nullptr)), mBytes(other.mBytes) {}
        Share& operator=(Share&&) = delete;
        ~Share();
        explicit operator bool() const { return mBudget != nullptr; }

    private:
        friend class MemoryBudget;
        Share(MemoryBudget* budget, qint64 bytes) : mBudget(budget), mBytes(bytes) {}
        MemoryBudget* mBudget;
        qint64 mBytes;
    };

    // Waits until `bytes` fit beside the shares held, then holds them. An empty share, at once, when
    // they are more than the whole budget: waiting would not help.
    Share Reserve(qint64 bytes);

private:
    std::mutex mLock;
    std::condition_variable mGivenBack;
    const qint64 mTotal;
    qint64 mHeld = 0;
};
