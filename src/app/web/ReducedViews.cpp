// The thread that makes the reduced views.
#include "ReducedViews.h"

#include "ReducedView.h"

#include <QMutexLocker>

ReducedViews::ReducedViews() {
    maker_ = new QObject;
    maker_->moveToThread(&thread_);
    connect(&thread_, &QThread::finished, maker_, &QObject::deleteLater);
    thread_.setObjectName("ReducedViews");
    // Idle priority is the scheduler's SCHED_IDLE on Linux: the scan and its reader never wait for a view.
    thread_.start(QThread::IdlePriority);
}

ReducedViews::~ReducedViews() {
    thread_.quit();
    thread_.wait();
}

void ReducedViews::Request(int band, const QString& imagePath) {
    if (band < 0 || band >= kBandCount || imagePath.isEmpty()) return;
    {
        QMutexLocker lock(&mutex_);
        if (wanted_[band] == imagePath) return; // asked for already
        wanted_[band] = imagePath;
    }
    QMetaObject::invokeMethod(
        maker_,
        [this, band, imagePath] {
            if (!StillWanted(band, imagePath)) return;
            if (const std::optional<QByteArray> view = MakeReducedView(imagePath))
                emit Made(band, imagePath, *view);
        },
        Qt::QueuedConnection);
}

bool ReducedViews::StillWanted(int band, const QString& imagePath) const {
    QMutexLocker lock(&mutex_);
    return wanted_[band] == imagePath;
}
