// The fuzz input as a file, for code that reads files by name: one folder of this process's own in memory
// (/dev/shm when there is one), one file name reused for every input.
#pragma once

#include <QString>
#include <cstddef>
#include <cstdint>

// Writes the bytes to `name` in that folder and returns its path; aborts when it cannot, since a target that
// silently tests nothing would be worse.
QString WriteFuzzInput(const std::uint8_t* data, std::size_t size, const QString& name);
