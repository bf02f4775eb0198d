#include "platform/RowBands.h"

#include <QThreadPool>
#include <QtConcurrent/QtConcurrentMap>
#include <algorithm>
#include <numeric>
#include <vector>

namespace {
constexpr qint64 BandedFrom = qint64{1} << 20; // pixels
}

void ForEachRowBand(qint64 begin, qint64 end, qint64 pixels,
                    const std::function<void(qint64, qint64)>& work) {
    const qint64 rows = end - begin;
    if (rows <= 0) return;
    // A few bands a core, so that a core that finishes early takes another.
    const int bands =
        pixels >= BandedFrom ? std::max(1, QThreadPool::globalInstance()->maxThreadCount()) * 4 : 1;
    if (bands == 1 || rows < bands) {
        work(begin, end);
        return;
    }
    std::vector<int> numbers(static_cast<std::size_t>(bands));
    std::iota(numbers.begin(), numbers.end(), 0);
    QtConcurrent::blockingMap(numbers, [&](int band) {
        const qint64 first = begin + rows * band / bands;
        const qint64 last = begin + rows * (band + 1) / bands;
        if (first < last) work(first, last);
    });
}
