// The current processing options, published by the window and read by the worker at the start of each file.
#pragma once

#include "ProcessingOptions.h"

#include <QMutex>
#include <QMutexLocker>

class SharedOptions {
public:
    void Publish(const ProcessingOptions& options) {
        QMutexLocker lock(&mutex_);
        options_ = options;
    }
    ProcessingOptions Snapshot() const {
        QMutexLocker lock(&mutex_);
        return options_;
    }

private:
    mutable QMutex mutex_;
    ProcessingOptions options_;
};
