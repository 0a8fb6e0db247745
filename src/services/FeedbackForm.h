#pragma once
// The feedback window: an optional "I like it!" / "I dislike it!" choice, the message, an optional
// e-mail for a reply, sent to the maker's site while the interface waits under the busy cursor.

#include <QDialog>
#include <QStringList>

#include <functional>

class QFrame;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;

struct TFeedbackIdentity {
    QString ProductName;
    QString AppName;
    QString VersionText;
};

class TFeedbackForm : public QDialog {
    Q_OBJECT
public:
    // Sends a form ("name=value" lines) to a path of the maker's site, HTTPS first and plain
    // HTTP when that fails, and returns the reply; raises when both attempts fail.
    using FormSender =
        std::function<QString(const QString& path, const QStringList& fields, int timeoutMs)>;

    static constexpr int MemoMaxLength = 10000;
    static constexpr int EmailMaxLength = 100;
    static constexpr int TimeoutMs = 3000;

    // Deletes itself when closed. Without a sender the form goes through PostFormWithFallback.
    explicit TFeedbackForm(TFeedbackIdentity identity, QWidget* parent = nullptr,
                           FormSender sender = {});

    bool LikeChosen() const { return FLikeChosen; }
    bool DislikeChosen() const { return FDislikeChosen; }
    QString Panel4Caption() const;
    QString Panel5Caption() const;

    // The e-mail test of the form, with the regular expression's usual Perl meaning.
    static bool IsValidEmail(const QString& email);

public Q_SLOTS:
    void Image1MouseDown(Qt::MouseButton button);
    void Image2MouseDown(Qt::MouseButton button);
    void BitBtn1Click();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void CreateControls();
    void FormCreate();
    QFrame* CreateChoicePanel(const char* name, const char* imageName, const QString& picture,
                              QLabel*& caption, QLabel*& image, QWidget* parent);
    void SetChosen(QFrame* panel, QLabel* caption, bool chosen);
    void LimitMemo();
    QString Send(const QStringList& fields);

public:
    QFrame* Panel3 = nullptr;
    QFrame* Panel4 = nullptr;
    QLabel* Image1 = nullptr;
    QFrame* Panel5 = nullptr;
    QLabel* Image2 = nullptr;
    QLabel* Label1 = nullptr;
    QLabel* Label2 = nullptr;
    QPlainTextEdit* Memo1 = nullptr;
    QFrame* Panel1 = nullptr;
    QLabel* Label3 = nullptr;
    QLineEdit* Edit1 = nullptr;
    QFrame* Panel2 = nullptr;
    QPushButton* BitBtn1 = nullptr;

private:
    TFeedbackIdentity FIdentity;
    FormSender FSender;
    QLabel* FPanel4Caption = nullptr;
    QLabel* FPanel5Caption = nullptr;
    bool FLikeChosen = false;
    bool FDislikeChosen = false;
};
