// Small file, path and clock helpers of the processing: folder values, folder listing by mask, file size,
// in-use test, UTC clock, keep-alive look at the message queue and last-write times.
#pragma once

#include "DateTime.h"
#include "Failure.h"

#include <QString>
#include <QStringList>
#include <chrono>
#include <cstdint>
#include <functional>

// The folder with the trailing separator that every folder value carries; an empty folder ("not set")
// stays empty, never the root of the file system.
QString WithTrailingSeparator(const QString& folder);

// Appends folder part + name of every entry (files and sub-folders) of the mask's folder whose name
// matches the mask's last component: "?" is one character, "*" any run, case-insensitive. Entries come in
// the order the file system returns them; List is neither cleared nor sorted. A mask without a folder
// part (an unset folder) and a missing folder list nothing.
void ListFiles(const QString& mask, QStringList& list);

// Whether the whole name matches the mask as ListFiles matches it.
bool MatchesMask(QStringView name, QStringView mask);

// Length of the regular file in bytes, 64-bit so that files over 2 GiB never wrap into a small size; a
// FileVanished or NotRegularFile failure for anything else (a pipe is never opened).
Result<qint64> FileSizeOf(const QString& path);

// A writer that adds to a file pauses for less than this between its writes.
inline constexpr std::chrono::milliseconds kSettlingTime{10000};

// True when the file's times say it may still be being written: missing, not a regular file (a symbolic link
// is not followed), or modified within `settling` of now, either way, so that a clock a little off the
// writer's counts too. Read access is all it needs: a writer running under another account is seen alike.
bool RecentlyModified(const QString& path, std::chrono::milliseconds settling = kSettlingTime);

// True when a process that this program can see holds the file open for writing, other than the program's
// own (itself and its readers, IsOwnProcess). The processes of other accounts are seen only by root.
bool HeldOpenForWriting(const QString& path);

// True when another program may still be writing the file: RecentlyModified, or else HeldOpenForWriting,
// which looks through every process and so is asked only once the times have passed.
bool FileInUse(const QString& path, std::chrono::milliseconds settling = kSettlingTime);

TDateTime UtcNow();

// Milliseconds since an arbitrary start (the system's boot on Linux), wrapping at 32 bits.
std::uint32_t TickCount();

// Lets the window system see the program as responsive before a long blocking step: looks at the GUI
// thread's event queue at most once per tick. Off the GUI thread the look is a no-op.
void KeepAlive();

// Replaces the look KeepAlive takes at the queue; an empty function restores the default.
void SetQueueLookHook(std::function<void()> look);

// Sets the file's last-write time to Time (UTC) at two-second resolution. Does nothing for Time = 0,
// for a time outside 1980..2107, and for a file that is missing or in use.
void SetFileDate(const QString& path, TDateTime time);

// An open file as the platform knows it (a file descriptor on POSIX).
using TFileHandle = std::intptr_t;

// Sets the last-write time of the open file from a packed DOS date-time taken as UTC, keeping the other
// times. Returns 0 or the platform's error code.
int SetFileTimeFromDos(TFileHandle file, std::uint32_t dosDateTime);
