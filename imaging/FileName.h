#pragma once
// File names as the system has them, bytes, and as text.
#include <QByteArray>
#include <QString>

// File names as the system has them, bytes, and as text. Valid UTF-8 is decoded as QFile does; every
// byte that is not part of valid UTF-8 stands for itself as U+10FF00 + byte, a private-use character,
// so that any name given as bytes (an argument, say) names the same file again when encoded.
QString DecodeFileName(const QByteArray& bytes);
QByteArray EncodeFileName(const QString& name);
