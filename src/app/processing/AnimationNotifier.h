// Tells the sibling animation program about a new image: one datagram to its socket, never waiting for it.
#pragma once

#include "DateTime.h"

#include <QByteArray>
#include <QString>

// The name under which the message is registered; the datagram starts with it.
inline constexpr char kAnimationMessageName[] = "Feedkeepermessage";

// The socket that stands for the animation program's window; its existence means the window exists.
QString AnimationSocketPath();

// "Feedkeepermessage <channel & 0xFFFF> <minutes from 2000-01-01 00:00 to the nominal time>".
QByteArray AnimationDatagram(int channel, TDateTime nominalTime);

// Sends the datagram when the socket exists and the nominal time is not 0; never blocks, never reports.
void NotifyAnimationProgram(int channel, TDateTime nominalTime);

// Platform part: one non-blocking datagram to a local socket; false when it could not be sent.
bool SendLocalDatagram(const QString& socketPath, const QByteArray& datagram);
