#pragma once
// A named system object held while the process runs: a lock file in the user's runtime folder.
// Nobody tests it; it marks a running copy for outside tools such as installers.

#include <QString>

namespace platform {

class NamedMutex {
public:
    explicit NamedMutex(const QString& name);
    ~NamedMutex();
    NamedMutex(const NamedMutex&) = delete;
    NamedMutex& operator=(const NamedMutex&) = delete;

private:
    int FHandle = -1;
};

} // namespace platform
