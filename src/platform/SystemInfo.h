#pragma once
// Machine facts for the failure report: free memory, free disk space and the processor's name.

#include <QString>

#include <optional>

namespace platform {

// Bytes of physical memory available to programs (the kernel's MemAvailable figure).
std::optional<qint64> availablePhysicalMemory();
// Bytes free for this user on the file system holding path (the nearest existing folder).
std::optional<qint64> availableDiskSpace(const QString& path);
// The processor's description, trimmed; "Unknown CPU" when the system does not say.
QString processorName();

// Parsers of the kernel's text files, apart so their rules can be tried on any text.
std::optional<qint64> parseMemAvailable(const QByteArray& meminfo);
QString parseCpuModelName(const QByteArray& cpuinfo);

} // namespace platform
