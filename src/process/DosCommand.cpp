#include "process/DosCommand.h"

#include "platform/Dialogs.h"
#include "process/ChildProcess.h"
#include "process/DosBuffers.h"
#include "process/DosThread.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QPointer>
#include <QStringEncoder>

#include <cstdlib>
#include <cxxabi.h>
#include <memory>
#include <typeinfo>

namespace {
// MB_ICONERROR | MB_TASKMODAL
constexpr int ErrorBoxFlags = 0x2010;
} // namespace

QString exceptionClassName(const Exception& AE) {
    const char* const mangled = typeid(AE).name();
    int status = 0;
    const std::unique_ptr<char, decltype(&std::free)> demangled(
        abi::__cxa_demangle(mangled, nullptr, nullptr, &status), &std::free);
    QString name = QString::fromLatin1(status == 0 && demangled ? demangled.get() : mangled);
    const qsizetype scope = name.lastIndexOf(QStringLiteral("::"));
    return scope < 0 ? name : name.mid(scope + 2);
}

TDosCommand::TDosCommand(QObject* AOwner) : QObject(AOwner) {}

TDosCommand::~TDosCommand() {
    if (FThread) {
        // No call of the worker may reach us from here on; it kills its child, and we wait for
        // it so that nothing it uses (Lines, the timer, this object) goes away under it.
        FThread->Detach();
        FThread->Terminate();
        FThread->Join();
        FThread.reset();
    }
    // Children left running by earlier runs that have ended since are reaped here too, not only
    // when a later run ends.
    dosprocess::ReapUnattachedChildren();
}

void TDosCommand::Execute() {
    if (FThread)
        throw EDosCommand(QStringLiteral("DosCommand still running"));
    if (FCommandLine.isEmpty())
        throw EDosCommand(QStringLiteral("No Commandline to execute"));
    if (!FTimer)
        FTimer = std::make_unique<TProcessTimer>();
    FLines.clear();
    FTimer->Beginning();
    try {
        FThread = TDosThread::Create(this);
    } catch (...) {
        FTimer->Ending();
        throw;
    }
}

void TDosCommand::Stop() {
    if (FThread)
        FThread->Terminate();
}

void TDosCommand::SendLine(const QString& AValue, bool AEol) {
    if (!FThread)
        throw EDosCommand(QStringLiteral("DosCommand not running"));
    FThread->InputLines().Add((AEol ? QStringLiteral("_") : QStringLiteral(" ")) + AValue);
}

void TDosCommand::setOnCharDecoding(TCharDecoding AValue) {
    if (FThread)
        throw EDosCommand(QStringLiteral("DosCommand still running"));
    FOnCharDecoding = std::move(AValue);
}

void TDosCommand::setOnCharEncoding(TCharEncoding AValue) {
    if (FThread)
        throw EDosCommand(QStringLiteral("DosCommand still running"));
    FOnCharEncoding = std::move(AValue);
}

// Pipe reader thread.
QString TDosCommand::DecodeOutputBytes(QObject* ASender, const QByteArray& ABuf) {
    if (FOnCharDecoding)
        return FOnCharDecoding(ASender, ABuf);
    if (ABuf.isEmpty())
        return {};
    // Each run keeps its own decoder state, so a character cut by the end of one chunk is
    // completed by the next instead of turning into replacement characters.
    if (auto* const worker = dynamic_cast<TDosThread*>(ASender))
        return worker->OutputDecoder().decode(ABuf);
    QStringDecoder decoder(QStringDecoder::System);
    return decoder.decode(ABuf);
}

// Worker thread.
void TDosCommand::EncodeInputText(QObject* ASender, const QString& AChars, QByteArray& AOutBuf) {
    if (FOnCharEncoding) {
        FOnCharEncoding(ASender, AChars, AOutBuf);
        return;
    }
    if (!AChars.isEmpty()) {
        QStringEncoder encoder(QStringEncoder::System);
        AOutBuf += encoder.encode(AChars);
    }
}

// Interface thread.
void TDosCommand::WorkerTerminated(const std::shared_ptr<TDosThread>& ASender) {
    ASender->Join();
    FExitCode = ASender->ExitCode();
    // The run has released the child's pidfd.
    FProcessInformation.hProcess = -1;
    FTimer->Ending();
    if (FThread == ASender)
        FThread.reset();
    // The error handler or the box's own event loop may destroy this component.
    const QPointer<TDosCommand> alive(this);
    if (const std::exception_ptr fatal = ASender->FatalException()) {
        try {
            std::rethrow_exception(fatal);
        } catch (const Exception& e) {
            try {
                bool handled = false;
                if (FonExecuteError)
                    FonExecuteError(this, e, handled);
                if (!handled && alive)
                    showExceptionBox(e);
            } catch (const Exception& inner) {
                if (alive)
                    showExceptionBox(inner);
            } catch (const std::exception& inner) {
                if (alive)
                    showExceptionBox(Exception(QString::fromLocal8Bit(inner.what())));
            }
        }
    }
    if (alive && FOnTerminated)
        FOnTerminated(this);
}

void TDosCommand::showExceptionBox(const Exception& AE) {
    platform::dialogs().messageBox(exceptionClassName(AE) + QStringLiteral("\r\n") + AE.message(),
                                   QFileInfo(QCoreApplication::applicationFilePath()).fileName(),
                                   ErrorBoxFlags);
}
