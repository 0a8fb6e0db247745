#pragma once
// The failure report window: one per failed job, shown without blocking, gone when closed.

#include <QDialog>
#include <QRegularExpression>

class QPushButton;
class QTextEdit;
class QTimer;

class TFormError : public QDialog {
    Q_OBJECT
public:
    explicit TFormError(QWidget* parent = nullptr);
    ~TFormError() override;

    // Holds the report; CR, LF and CR LF all end a line.
    void SetReport(const QString& report);

    // The web addresses the text holds that a click opens: http://, https:// and www. forms only.
    static QList<QPair<qsizetype, qsizetype>> FindLinks(const QString& text);

    QTextEdit* Memo1 = nullptr;
    QPushButton* Button1 = nullptr;
    QTimer* TimerURLclick = nullptr;

protected:
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private Q_SLOTS:
    void Button1Click();
    void TimerURLclickTimer();

private:
    void FormShow();
    // A left press on a link: select it, open it with the shell, busy cursor for about a second.
    bool LinkPressed(const QPoint& viewportPos);
    bool FBusyShown = false;
};
