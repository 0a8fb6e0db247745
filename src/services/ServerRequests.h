#pragma once
// Blocking form posts to the maker's site, and the pieces of the replies and of the identifying
// fields. Every call makes and frees its own transport; safe from any thread.

#include "platform/Exception.h"

#include <QString>
#include <QStringList>

class EHttpError : public Exception {
public:
    using Exception::Exception;
};

// POSTs fields ("name=value" lines, in wire order) as a UTF-8 form. An https address (scheme
// compared without case) returns the body whatever the status; a plain one raises on an error
// status. Every transport failure raises EHttpError.
QString PostForm(const QString& url, const QStringList& fields, int timeoutMs);

// The text between <name> and </name> (name lower-cased) when the line is exactly that; else empty.
QString ReplyElement(const QString& line, const QString& name);

// A stable identifier of this machine that reveals nothing of the machine's own id.
QString ReadMachineGuid();

// One line describing the operating system.
QString OSDescription();
