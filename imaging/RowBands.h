#pragma once
// Work over the rows of a big picture, shared among the cores.
#include <QtGlobal>
#include <functional>

// Runs work(first, end) over the rows [first, end) of [begin, end), cut into bands that the cores
// take side by side when the job touches enough pixels to pay for it; a small job runs at once on
// the calling thread. Returns when every band is done.
void ForEachRowBand(qint64 begin, qint64 end, qint64 pixels, const std::function<void(qint64, qint64)>& work);
