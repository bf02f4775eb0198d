#pragma once
// A camera's EXIF block made in code.
#include <QByteArray>
#include <QList>

namespace factory {

// Every field a kept segment carries, orientation 6, and each of cameraSecrets() in an item never kept.
QByteArray cameraExif();
QList<QByteArray> cameraSecrets();

} // namespace factory
