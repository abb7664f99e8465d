// The reduced views of the bands' newest images, made one at a time on a thread of their own at idle
// priority: neither the window nor the scan waits for them, and they take only processor time that nothing
// else wants.
#pragma once

#include "BandTables.h"

#include <QByteArray>
#include <QMutex>
#include <QObject>
#include <QString>
#include <QThread>
#include <array>

class ReducedViews : public QObject {
    Q_OBJECT
public:
    ReducedViews();
    // A view under way is finished first; those only asked for are dropped.
    ~ReducedViews() override;

    // Asks for the view of the band's image at imagePath, once for each image; an earlier request for the
    // band that has not begun is dropped.
    void Request(int band, const QString& imagePath);

signals:
    // Delivered on the thread that made this object; nothing comes for an image that cannot be read.
    void Made(int band, const QString& imagePath, const QByteArray& jpeg);

private:
    bool StillWanted(int band, const QString& imagePath) const;

    mutable QMutex mutex_;
    std::array<QString, kBandCount> wanted_;
    QThread thread_;
    QObject* maker_ = nullptr; // lives on thread_, deleted when it finishes
};
