// The program's encoders writing into a new file the way the floor's bare writers do, so that the benchmarks
// time the encoders alone.
#pragma once

#include "Failure.h"

#include <QFile>
#include <stdexcept>

template <typename Encode> void EncodeIntoNewFile(const QString& path, Encode&& encode) {
    QFile::remove(path);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly)) throw std::runtime_error("cannot create " + path.toStdString());
    const Status encoded = encode(file);
    if (!encoded) throw std::runtime_error(encoded.failure().message.toStdString());
    if (!file.flush()) throw std::runtime_error("cannot write " + path.toStdString());
}
