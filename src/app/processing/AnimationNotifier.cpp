// The notification of the animation program: socket location and message text.
#include "AnimationNotifier.h"

#include <QFileInfo>
#include <cmath>

namespace {

// 2000-01-01 00:00 as a date-time.
constexpr TDateTime kMinuteEpoch = 36526.0;

} // namespace

QByteArray AnimationDatagram(int channel, TDateTime nominalTime) {
    const long long minutes = std::llround((nominalTime - kMinuteEpoch) * 1440.0);
    return QByteArray(kAnimationMessageName) + ' ' + QByteArray::number(channel & 0xFFFF) + ' ' +
           QByteArray::number(minutes);
}

void NotifyAnimationProgram(int channel, TDateTime nominalTime) {
    const QString socket = AnimationSocketPath();
    if (!QFileInfo::exists(socket) || nominalTime == 0) return;
    SendLocalDatagram(socket, AnimationDatagram(channel, nominalTime));
}
