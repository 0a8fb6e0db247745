#include "services/FeedbackForm.h"

#include "platform/Dialogs.h"
#include "platform/Shell.h"
#include "services/ServerRequests.h"
#include "services/Translation.h"
#include "services/WindowParts.h"

#include <QFontDatabase>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QTextCursor>
#include <QVBoxLayout>

namespace {

const QString LikeText = QStringLiteral("I like it!");
const QString DislikeText = QStringLiteral("I dislike it!");
const QString Endpoint = QStringLiteral("/php/feedback.php");

// Trims blanks and control characters (codes up to 32) at both ends.
QString trimmedOfControls(const QString& s) {
    qsizetype begin = 0;
    qsizetype end = s.size();
    while (begin < end && s.at(begin).unicode() <= 32)
        ++begin;
    while (end > begin && s.at(end - 1).unicode() <= 32)
        --end;
    return s.mid(begin, end - begin);
}

// The English marker, with the interface's own words in parentheses when they differ.
QString marker(const QString& english, const QString& caption) {
    if (caption == english)
        return english;
    return english + QStringLiteral(" (") + caption + QLatin1Char(')');
}

} // namespace

TFeedbackForm::TFeedbackForm(TFeedbackIdentity identity, QWidget* parent, FormSender sender)
    : QDialog(parent), FIdentity(std::move(identity)), FSender(std::move(sender)) {
    if (!FSender)
        FSender = [](const QString& path, const QStringList& fields, int timeoutMs) {
            return PostFormWithFallback(path, fields, timeoutMs);
        };
    setObjectName(QStringLiteral("FeedbackForm"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint);
    setFont(tahoma(13));
    setFixedSize(525, 326);
    CreateControls();
    FormCreate();
}

QFrame* TFeedbackForm::CreateChoicePanel(const char* name, const char* imageName,
                                         const QString& picture, QLabel*& caption, QLabel*& image,
                                         QWidget* parent) {
    auto* panel = named(new QFrame(parent), name);
    panel->setFixedHeight(40);
    panel->setFrameStyle(QFrame::Panel | QFrame::Raised);
    panel->setLineWidth(1);
    panel->setAutoFillBackground(true);
    panel->setCursor(Qt::PointingHandCursor);
    auto* layout = new QHBoxLayout(panel);
    layout->setContentsMargins(4, 2, 4, 2);
    image = named(new QLabel(panel), imageName);
    image->setFixedSize(32, 32);
    image->setScaledContents(true);
    image->setPixmap(QIcon(picture).pixmap(QSize(32, 32), devicePixelRatioF()));
    caption = new QLabel(panel);
    caption->setFont(tahoma(16));
    caption->setAlignment(Qt::AlignCenter);
    layout->addWidget(image);
    layout->addWidget(caption, 1);
    for (QWidget* w : {static_cast<QWidget*>(panel), static_cast<QWidget*>(image),
                       static_cast<QWidget*>(caption)})
        w->installEventFilter(this);
    SetChosen(panel, caption, false);
    return panel;
}

void TFeedbackForm::CreateControls() {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);

    Panel3 = named(new QFrame(this), "Panel3");
    Panel3->setFixedHeight(46);
    auto* choices = new QHBoxLayout(Panel3);
    choices->setContentsMargins(3, 3, 3, 3);
    choices->setSpacing(3);
    Panel4 = CreateChoicePanel("Panel4", "Image1", QStringLiteral(":/windows/smile.svg"),
                               FPanel4Caption, Image1, Panel3);
    Panel5 = CreateChoicePanel("Panel5", "Image2", QStringLiteral(":/windows/sad.svg"),
                               FPanel5Caption, Image2, Panel3);
    choices->addWidget(Panel4, 1);
    choices->addWidget(Panel5, 1);
    layout->addWidget(Panel3);

    auto* middle = new QVBoxLayout;
    middle->setContentsMargins(8, 6, 8, 4);
    middle->setSpacing(4);
    Label1 = named(new QLabel(this), "Label1");
    Label1->setFont(tahoma(16));
    Label2 = named(new QLabel(this), "Label2");
    Label2->setFont(tahoma(13, true));
    Memo1 = named(new QPlainTextEdit(this), "Memo1");
    Memo1->setFont(tahoma(13));
    Memo1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    connect(Memo1, &QPlainTextEdit::textChanged, this, &TFeedbackForm::LimitMemo);
    middle->addWidget(Label1);
    middle->addWidget(Label2);
    middle->addWidget(Memo1, 1);
    layout->addLayout(middle, 1);

    Panel1 = named(new QFrame(this), "Panel1");
    Panel1->setFixedHeight(30);
    auto* email = new QHBoxLayout(Panel1);
    email->setContentsMargins(8, 2, 8, 2);
    Label3 = named(new QLabel(Panel1), "Label3");
    Edit1 = named(new QLineEdit(Panel1), "Edit1");
    Edit1->setMaxLength(EmailMaxLength);
    email->addWidget(Label3);
    email->addWidget(Edit1, 1);
    layout->addWidget(Panel1);

    Panel2 = named(new QFrame(this), "Panel2");
    Panel2->setFixedHeight(39);
    auto* bottom = new QHBoxLayout(Panel2);
    bottom->setContentsMargins(8, 3, 8, 3);
    BitBtn1 = named(new QPushButton(Panel2), "BitBtn1");
    BitBtn1->setFixedSize(172, 33);
    BitBtn1->setFont(tahoma(16));
    BitBtn1->setIcon(QIcon(QStringLiteral(":/images/feedback.svg")));
    // Return in the e-mail box must not send: the window has no shortcuts beyond Escape.
    BitBtn1->setAutoDefault(false);
    bottom->addStretch(1);
    bottom->addWidget(BitBtn1);
    layout->addWidget(Panel2);

    connect(BitBtn1, &QPushButton::clicked, this, &TFeedbackForm::BitBtn1Click);
}

void TFeedbackForm::FormCreate() {
    setWindowTitle(FIdentity.ProductName + QLatin1Char(' ') +
                   translate(QStringLiteral("feedback")));
    Label1->setText(translate(QStringLiteral("We would really appreciate your feedback.")));
    Label2->setText(translate(QStringLiteral("What did you like or dislike?")));
    Label3->setText(translate(QStringLiteral("Include my e-mail:")));
    BitBtn1->setText(translate(QStringLiteral("Send")));
    FPanel4Caption->setText(translate(LikeText));
    FPanel5Caption->setText(translate(DislikeText));
}

QString TFeedbackForm::Panel4Caption() const {
    return FPanel4Caption->text();
}
QString TFeedbackForm::Panel5Caption() const {
    return FPanel5Caption->text();
}

void TFeedbackForm::SetChosen(QFrame* panel, QLabel* caption, bool chosen) {
    QPalette palette = panel->palette();
    const QPalette& base = QWidget::palette();
    palette.setColor(QPalette::Window,
                     chosen ? base.color(QPalette::Highlight) : base.color(QPalette::Button));
    palette.setColor(QPalette::WindowText, chosen ? base.color(QPalette::HighlightedText)
                                                  : base.color(QPalette::WindowText));
    panel->setPalette(palette);
    caption->setPalette(palette);
    panel->setFrameShadow(chosen ? QFrame::Sunken : QFrame::Raised);
    if (panel == Panel4)
        FLikeChosen = chosen;
    else
        FDislikeChosen = chosen;
}

void TFeedbackForm::Image1MouseDown(Qt::MouseButton button) {
    if (button != Qt::LeftButton)
        return;
    if (FLikeChosen) {
        SetChosen(Panel4, FPanel4Caption, false);
        return;
    }
    SetChosen(Panel4, FPanel4Caption, true);
    if (FDislikeChosen)
        SetChosen(Panel5, FPanel5Caption, false);
}

void TFeedbackForm::Image2MouseDown(Qt::MouseButton button) {
    if (button != Qt::LeftButton)
        return;
    if (FDislikeChosen) {
        SetChosen(Panel5, FPanel5Caption, false);
        return;
    }
    SetChosen(Panel5, FPanel5Caption, true);
    if (FLikeChosen)
        SetChosen(Panel4, FPanel4Caption, false);
}

bool TFeedbackForm::eventFilter(QObject* watched, QEvent* event) {
    // The second press of a double-click arrives as a double-click event alone: it counts as a
    // press, so two quick clicks choose and clear like two slow ones.
    if (event->type() == QEvent::MouseButtonPress || event->type() == QEvent::MouseButtonDblClick) {
        const Qt::MouseButton button = static_cast<QMouseEvent*>(event)->button();
        QWidget* w = qobject_cast<QWidget*>(watched);
        if (w && (w == Panel4 || Panel4->isAncestorOf(w))) {
            Image1MouseDown(button);
            return true;
        }
        if (w && (w == Panel5 || Panel5->isAncestorOf(w))) {
            Image2MouseDown(button);
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void TFeedbackForm::LimitMemo() {
    const QString text = Memo1->toPlainText();
    if (text.size() <= MemoMaxLength)
        return;
    // Typing or pasting past the limit keeps what fits, as a length-limited box would.
    const QSignalBlocker quiet(Memo1);
    QTextCursor cursor(Memo1->document());
    cursor.setPosition(MemoMaxLength);
    cursor.movePosition(QTextCursor::End, QTextCursor::KeepAnchor);
    cursor.removeSelectedText();
    Memo1->moveCursor(QTextCursor::End);
}

bool TFeedbackForm::IsValidEmail(const QString& email) {
    static const QRegularExpression pattern(
        QStringLiteral("^[a-zA-Z0-9_.+-]+@[a-zA-Z0-9-]+\\.[a-zA-Z0-9-.]*[a-zA-Z0-9]+$"));
    // An empty text never matches: the pattern needs characters on both sides of the at sign.
    return !email.isEmpty() && pattern.match(email).hasMatch();
}

QString TFeedbackForm::Send(const QStringList& fields) {
    try {
        return FSender(Endpoint, fields, TimeoutMs);
    } catch (...) {
        // Both attempts failed, or the request could not even be built: not delivered.
        return {};
    }
}

void TFeedbackForm::BitBtn1Click() {
    const QString likeMarker = marker(LikeText, Panel4Caption());
    const QString dislikeMarker = marker(DislikeText, Panel5Caption());
    QString memo = Memo1->toPlainText();
    memo.replace(QLatin1Char('\n'), QStringLiteral("\r\n"));
    memo = trimmedOfControls(memo);

    QString feedback;
    if (FLikeChosen)
        feedback = likeMarker + QLatin1Char('\r');
    else if (FDislikeChosen)
        feedback = dislikeMarker + QLatin1Char('\r');
    feedback += memo;

    if (memo.isEmpty()) {
        Memo1->setFocus();
        platform::shell().beep();
        return;
    }
    const QString email = trimmedOfControls(Edit1->text());
    if (!email.isEmpty() && !IsValidEmail(email)) {
        Edit1->setFocus();
        platform::dialogs().messageBox(translate(QStringLiteral("Invalid e-mail address!")),
                                       translate(QStringLiteral("Failure")),
                                       platform::MB_ICONERROR);
        return;
    }
    QStringList fields{
        QStringLiteral("cmd=feedback"), QStringLiteral("appname=") + FIdentity.AppName,
        QStringLiteral("version=") + FIdentity.VersionText, QStringLiteral("feedback=") + feedback};
    if (!email.isEmpty())
        fields.append(QStringLiteral("email=") + email);

    QString reply;
    {
        const platform::BusyCursor busy;
        reply = Send(fields);
    }
    if (trimmedOfControls(reply) == QStringLiteral("OK")) {
        platform::dialogs().messageBox(
            platform::joinParts(translate(QStringLiteral("Your feedback is received.")),
                                translate(QStringLiteral("Thank you!"))),
            translate(QStringLiteral("Success")), platform::MB_ICONINFORMATION);
        close();
        return;
    }
    platform::dialogs().messageBox(
        platform::joinParts(translate(QStringLiteral(
                                "Something went wrong. Your feedback could not be delivered.")),
                            translate(QStringLiteral("Please try again later."))),
        translate(QStringLiteral("Failure")), platform::MB_ICONERROR);
}
