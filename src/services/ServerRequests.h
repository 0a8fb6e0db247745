#pragma once
// Blocking form posts to the maker's site, and the pieces of the replies and of the identifying
// fields. Every call makes and frees its own transport; safe from any thread.

#include "platform/Exception.h"

#include <QString>
#include <QStringList>

#include <atomic>
#include <functional>

class EHttpError : public Exception {
public:
    using Exception::Exception;
};

// POSTs fields ("name=value" lines, in wire order) as a UTF-8 form. An https address (scheme
// compared without case) returns the body whatever the status; a plain one raises on an error
// status. Every transport failure raises EHttpError.
QString PostForm(const QString& url, const QStringList& fields, int timeoutMs);

// While a scope lives, the posts made on its thread end early (raising EHttpError) once its flag
// is set, so a thread that must stop is not held by a slow server.
class TRequestCancelScope {
public:
    explicit TRequestCancelScope(const std::atomic<bool>& cancel);
    ~TRequestCancelScope();
    TRequestCancelScope(const TRequestCancelScope&) = delete;
    TRequestCancelScope& operator=(const TRequestCancelScope&) = delete;

private:
    const std::atomic<bool>* FPrevious;
};

// The text between <name> and </name> (name lower-cased) when the line is exactly that; else empty.
QString ReplyElement(const QString& line, const QString& name);

// A stable identifier of this machine that reveals nothing of the machine's own id.
QString ReadMachineGuid();

// One line describing the operating system.
QString OSDescription();

// The fallback rule shared by the update check and the feedback form: POST to
// SiteUrl(true, path); when that raises, call onHttpsError (if given) with the error's message and
// POST the same fields to SiteUrl(false, path). Returns the first reply that arrives (an HTTPS
// reply is used whatever it says); raises the plain attempt's EHttpError when both attempts fail.
QString PostFormWithFallback(const QString& path, const QStringList& fields, int timeoutMs,
                             const std::function<void(const QString&)>& onHttpsError = {});

// The form body as sent: "name=value" pairs, UTF-8, percent-encoded, joined by "&".
QByteArray EncodeForm(const QStringList& fields);

// Tests read their own machine-id file; an empty path restores /etc/machine-id.
void setMachineIdFileForTests(const QString& path);
// Tests give their own os-release file; an empty path restores the system's.
void setOsReleaseFileForTests(const QString& path);
// OSDescription from its parts: the distribution's pretty name, the kernel release
// ("6.1.0-13-amd64") and whether the system is 64-bit.
QString OSDescriptionFrom(const QString& prettyName, const QString& kernelRelease, bool is64Bit);
