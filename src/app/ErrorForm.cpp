#include "app/ErrorForm.h"

#include "app/Images.h"
#include "platform/Dialogs.h"
#include "platform/Shell.h"

#include <QFontDatabase>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <QSyntaxHighlighter>
#include <QTextBlock>
#include <QTextEdit>
#include <QTimer>
#include <QUrl>
#include <QVBoxLayout>

namespace {

// Underlines the addresses as they stand in the text, also after the user edits it.
class TLinkHighlighter final : public QSyntaxHighlighter {
public:
    using QSyntaxHighlighter::QSyntaxHighlighter;

protected:
    void highlightBlock(const QString& text) override {
        QTextCharFormat link;
        link.setForeground(QColor(0, 0, 238));
        link.setFontUnderline(true);
        for (const auto& [start, length] : TFormError::FindLinks(text))
            setFormat(static_cast<int>(start), static_cast<int>(length), link);
    }
};

QUrl urlOf(const QString& link) {
    if (link.startsWith(QStringLiteral("www."), Qt::CaseInsensitive))
        return QUrl(QStringLiteral("http://") + link, QUrl::TolerantMode);
    return QUrl(link, QUrl::TolerantMode);
}

} // namespace

TFormError::TFormError(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("FormError"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("ERROR"));
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowCloseButtonHint);
    setModal(false);
    if (QFontDatabase::families().contains(QStringLiteral("Tahoma")))
        setFont(QFont(QStringLiteral("Tahoma"), 8));
    resize(414, 313);

    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->setSpacing(0);
    auto* upper = new QHBoxLayout;
    upper->setContentsMargins(0, 0, 0, 0);
    upper->setSpacing(0);
    auto* strip = new QLabel(this);
    strip->setObjectName(QStringLiteral("ErrorImage"));
    strip->setFixedWidth(38);
    strip->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    strip->setContentsMargins(0, 4, 0, 0);
    strip->setPixmap(NamedImage(QStringLiteral("error64")).pixmap(32, 32));
    upper->addWidget(strip);

    Memo1 = new QTextEdit(this);
    Memo1->setObjectName(QStringLiteral("Memo1"));
    Memo1->setAcceptRichText(false);
    Memo1->setLineWrapMode(QTextEdit::NoWrap);
    Memo1->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    Memo1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    // Looks like a report, stays editable so the user can cut it down before copying.
    Memo1->setFrameShape(QFrame::NoFrame);
    Memo1->setBackgroundRole(QPalette::Window);
    Memo1->viewport()->setAutoFillBackground(false);
    Memo1->installEventFilter(this);
    Memo1->viewport()->installEventFilter(this);
    new TLinkHighlighter(Memo1->document());
    upper->addWidget(Memo1, 1);
    outer->addLayout(upper, 1);

    auto* bar = new QWidget(this);
    bar->setObjectName(QStringLiteral("ButtonBar"));
    bar->setFixedHeight(53);
    auto* barLayout = new QHBoxLayout(bar);
    barLayout->setContentsMargins(14, 14, 14, 14);
    barLayout->addStretch(1);
    Button1 = new QPushButton(QStringLiteral("OK"), bar);
    Button1->setObjectName(QStringLiteral("Button1"));
    Button1->setDefault(true);
    Button1->setAutoDefault(true);
    barLayout->addWidget(Button1);
    outer->addWidget(bar);
    connect(Button1, &QPushButton::clicked, this, &TFormError::Button1Click);

    TimerURLclick = new QTimer(this);
    TimerURLclick->setObjectName(QStringLiteral("TimerURLclick"));
    TimerURLclick->setInterval(1000);
    TimerURLclick->setSingleShot(false);
    connect(TimerURLclick, &QTimer::timeout, this, &TFormError::TimerURLclickTimer);

    if (parent) {
        const QRect frame = parent->frameGeometry();
        move(frame.center() - QPoint(width() / 2, height() / 2));
    }
}

TFormError::~TFormError() {
    // Closed within a second of a link click: the busy cursor still has to go.
    if (FBusyShown)
        platform::dialogs().popBusyCursor();
}

void TFormError::SetReport(const QString& report) {
    QString text = report;
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    Memo1->setPlainText(text);
}

QList<QPair<qsizetype, qsizetype>> TFormError::FindLinks(const QString& text) {
    static const QRegularExpression pattern(
        QStringLiteral(R"((?<![\w.@/:\\-])(?:https?://|www\.)[^\s<>"']+)"),
        QRegularExpression::CaseInsensitiveOption);
    QList<QPair<qsizetype, qsizetype>> links;
    for (auto it = pattern.globalMatch(text); it.hasNext();) {
        const QRegularExpressionMatch m = it.next();
        QStringView link = m.capturedView();
        // Punctuation that ends a sentence is not part of the address.
        while (!link.isEmpty() && QStringLiteral(".,;:!?)]}").contains(link.back()))
            link.chop(1);
        const bool bare = link.compare(QStringLiteral("www."), Qt::CaseInsensitive) == 0 ||
                          link.endsWith(QStringLiteral("://"));
        if (!bare)
            links.append({m.capturedStart(), link.size()});
    }
    return links;
}

void TFormError::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    FormShow();
}

void TFormError::FormShow() {
    // Links are found by the highlighter as the text changes; the selection is kept as it was.
    const QTextCursor selection = Memo1->textCursor();
    Memo1->document()->markContentsDirty(0, Memo1->document()->characterCount());
    Memo1->setTextCursor(selection);
}

bool TFormError::eventFilter(QObject* watched, QEvent* event) {
    if (watched == Memo1 && event->type() == QEvent::KeyPress &&
        static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape) {
        Button1->click();
        return true;
    }
    if (watched == Memo1->viewport() && event->type() == QEvent::MouseButtonPress) {
        const auto* mouse = static_cast<QMouseEvent*>(event);
        if (mouse->button() == Qt::LeftButton && LinkPressed(mouse->position().toPoint()))
            return true;
    }
    return QDialog::eventFilter(watched, event);
}

bool TFormError::LinkPressed(const QPoint& viewportPos) {
    const QTextBlock block = Memo1->cursorForPosition(viewportPos).block();
    for (const auto& [start, length] : FindLinks(block.text())) {
        // The press must fall on the link's characters, not beside them on the same line.
        QTextCursor select(block);
        select.setPosition(block.position() + static_cast<int>(start));
        const QRect first = Memo1->cursorRect(select);
        select.setPosition(block.position() + static_cast<int>(start + length),
                           QTextCursor::KeepAnchor);
        const QRect last = Memo1->cursorRect(select);
        if (viewportPos.x() < first.left() || viewportPos.x() >= last.left() ||
            viewportPos.y() < first.top() || viewportPos.y() >= first.bottom())
            continue;
        Memo1->setTextCursor(select);
        const QString link = select.selectedText();
        if (!FBusyShown) {
            platform::dialogs().pushBusyCursor();
            FBusyShown = true;
        }
        TimerURLclick->start();
        platform::shell().openUrl(urlOf(link));
        return true;
    }
    return false;
}

void TFormError::TimerURLclickTimer() {
    TimerURLclick->stop();
    if (FBusyShown) {
        FBusyShown = false;
        platform::dialogs().popBusyCursor();
    }
}

void TFormError::Button1Click() {
    close();
}
