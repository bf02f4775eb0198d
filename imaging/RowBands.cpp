#include "imaging/RowBands.h"

#include <algorithm>
#include <atomic>
#include <thread>
#include <vector>

namespace {
constexpr qint64 BandedFrom = qint64{1} << 20; // pixels
}

void ForEachRowBand(qint64 begin, qint64 end, qint64 pixels,
                    const std::function<void(qint64, qint64)>& work) {
    const qint64 rows = end - begin;
    if (rows <= 0) return;
    const int cores = int(std::max(1u, std::thread::hardware_concurrency()));
    // A few bands a core, so that a core that finishes early takes another.
    const int bands = pixels >= BandedFrom && cores > 1 ? cores * 4 : 1;
    if (bands == 1 || rows < bands) {
        work(begin, end);
        return;
    }
    std::atomic<int> next{0};
    const auto takeBands = [&] {
        for (int band = next++; band < bands; band = next++) {
            const qint64 first = begin + rows * band / bands;
            const qint64 last = begin + rows * (band + 1) / bands;
            if (first < last) work(first, last);
        }
    };
    // Plain threads, joined before returning: every write of a band is seen by the caller.
    std::vector<std::jthread> helpers;
    for (int i = 1; i < cores; ++i)
        helpers.emplace_back(takeBands);
    takeBands();
}
