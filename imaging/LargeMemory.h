#pragma once
// Memory for pixel buffers. Big blocks come straight from the system, zero-filled and in huge pages
// where the system offers them: a picture of hundreds of megabytes then costs hundreds of page faults
// rather than hundreds of thousands. Allocation failure gives a null result, never a crash.
#include <QImage>
#include <cstddef>
#include <cstdint>
#include <memory>

std::shared_ptr<std::uint8_t> AllocatePixels(std::size_t bytes);

// A QImage on such memory, rows 32-bit aligned as Qt lays them out; a null image on failure.
QImage AllocateImage(QSize size, QImage::Format format);
