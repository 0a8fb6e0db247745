#pragma once
// The language window: the installed interface languages with their flags, who translated the
// selected one, a link to contribute, and a restart of the program after a changed choice.

#include <QDialog>
#include <QStringList>

#include <functional>

class QAction;
class QComboBox;
class QLabel;
class QMenu;
class QPlainTextEdit;
class QPushButton;

// The interface languages found at start.
struct TLanguageState {
    QString LanguagesFolder;     // without trailing separator
    QStringList LanguageList;    // file names, "*lang.txt"
    QString CurrentLanguageName; // empty when no language is loaded
};

// What a confirmed change needs from the program.
struct TRestartTarget {
    QString DataFolder;     // with trailing separator; the restart script goes here
    QString ExecutablePath; // what the script starts
    std::function<void(const QString& fileName)> SetLanguageFile;
    // Ends the program; by default the application's event loops are told to quit.
    std::function<void()> Quit;
};

class TTranslateForm : public QDialog {
    Q_OBJECT
public:
    // Deletes itself when closed.
    TTranslateForm(TLanguageState languages, TRestartTarget restart, QWidget* parent = nullptr);

    // The selected item's text when the window finished opening.
    static QString LanguageAtOpen();

public Q_SLOTS:
    void ComboBox1Change();
    void Button1Click();
    void Label3Click();
    void Copy1Click();
    void SelectAll1Click();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void CreateControls();
    void FormCreate();
    void AddLanguage(const QString& language);

public:
    QLabel* Label1 = nullptr;
    QLabel* Label2 = nullptr;
    QComboBox* ComboBox1 = nullptr;
    QPlainTextEdit* RichEdit1 = nullptr;
    QMenu* PopupMenu1 = nullptr;
    QAction* Copy1 = nullptr;
    QAction* SelectAll1 = nullptr;
    QLabel* Label3 = nullptr;
    QPushButton* Button1 = nullptr;

private:
    TLanguageState FLanguages;
    TRestartTarget FRestart;
};
