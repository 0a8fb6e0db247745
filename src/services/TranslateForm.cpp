#include "services/TranslateForm.h"

#include "platform/Dialogs.h"
#include "platform/Shell.h"
#include "services/LanguageChoice.h"
#include "services/Site.h"
#include "services/Translation.h"
#include "services/WindowParts.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QFontDatabase>
#include <QFrame>
#include <QLabel>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStyledItemDelegate>
#include <QUrl>

namespace {

constexpr int ItemHeight = 18;
const QSize FlagSize(24, 16);

// The text of the item selected when the last language window finished opening.
QString& languageAtOpen() {
    static QString text;
    return text;
}

QIcon flagIcon(const QString& language) {
    return QIcon(QStringLiteral(":/flags/") + FlagImageName(language) + QStringLiteral(".svg"));
}

// Draws a language as its flag at the top-left corner and its name after the flag's width.
class TLanguageItemDelegate final : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override {
        const bool selected = option.state & QStyle::State_Selected;
        const QPalette& palette = option.palette;
        painter->fillRect(option.rect, selected ? palette.highlight() : palette.base());
        const QString text = index.data(Qt::DisplayRole).toString();
        const QRect flag(option.rect.topLeft() + QPoint(0, 1), FlagSize);
        flagIcon(text).paint(painter, flag);
        painter->setPen(selected ? palette.highlightedText().color() : palette.text().color());
        painter->setFont(option.font);
        const QRect textRect = option.rect.adjusted(FlagSize.width() + 3, 0, 0, 0);
        painter->drawText(textRect, Qt::AlignLeft | Qt::AlignVCenter, text);
    }
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override {
        return {QStyledItemDelegate::sizeHint(option, index).width() + FlagSize.width(),
                ItemHeight};
    }
};

} // namespace

TTranslateForm::TTranslateForm(TLanguageState languages, TRestartTarget restart, QWidget* parent)
    : QDialog(parent), FLanguages(std::move(languages)), FRestart(std::move(restart)) {
    setObjectName(QStringLiteral("TranslateForm"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint);
    setFont(tahoma(11));
    setFixedSize(622, 227);
    if (!FRestart.Quit)
        FRestart.Quit = [] { QCoreApplication::quit(); };
    CreateControls();
    FormCreate();
}

QString TTranslateForm::LanguageAtOpen() {
    return languageAtOpen();
}

void TTranslateForm::CreateControls() {
    Label1 = named(new QLabel(this), "Label1");
    Label1->setFont(tahoma(16));
    Label1->setGeometry(14, 8, 236, 22);
    Label2 = named(new QLabel(this), "Label2");
    Label2->setFont(tahoma(16));
    Label2->setGeometry(14, 38, 236, 22);

    ComboBox1 = named(new QComboBox(this), "ComboBox1");
    ComboBox1->setEditable(false);
    ComboBox1->setGeometry(255, 6, 355, 24);
    ComboBox1->setIconSize(FlagSize);
    ComboBox1->setItemDelegate(new TLanguageItemDelegate(ComboBox1));
    AddLanguage(QStringLiteral("English"));
    ComboBox1->setCurrentIndex(0);

    RichEdit1 = named(new QPlainTextEdit(this), "RichEdit1");
    RichEdit1->setGeometry(255, 34, 355, 151);
    RichEdit1->setReadOnly(true);
    RichEdit1->setLineWrapMode(QPlainTextEdit::NoWrap);
    RichEdit1->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    RichEdit1->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    RichEdit1->setFont(tahoma(16));
    QPalette face = RichEdit1->palette();
    face.setColor(QPalette::Base, face.color(QPalette::Button));
    RichEdit1->setPalette(face);
    PopupMenu1 = named(new QMenu(this), "PopupMenu1");
    Copy1 = named(PopupMenu1->addAction(QIcon(QStringLiteral(":/windows/copy.svg")), QString()),
                  "Copy1");
    SelectAll1 = named(PopupMenu1->addAction(QString()), "SelectAll1");
    RichEdit1->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(RichEdit1, &QWidget::customContextMenuRequested, this, [this](const QPoint& at) {
        PopupMenu1->popup(RichEdit1->viewport()->mapToGlobal(at));
    });

    auto* separator = named(new QFrame(this), "Panel2");
    separator->setGeometry(0, 187, 622, 1);
    separator->setFrameShape(QFrame::HLine);
    separator->setFrameShadow(QFrame::Sunken);
    auto* bottom = named(new QFrame(this), "Panel1");
    bottom->setGeometry(0, 188, 622, 39);

    Label3 = named(new QLabel(bottom), "Label3");
    QFont link = tahoma(13);
    link.setUnderline(true);
    Label3->setFont(link);
    Label3->setStyleSheet(QStringLiteral("color: blue;"));
    Label3->setCursor(Qt::PointingHandCursor);
    Label3->setGeometry(14, 10, 300, 20);
    Label3->installEventFilter(this);

    Button1 = named(new QPushButton(bottom), "Button1");
    Button1->setGeometry(622 - 172 - 12, 3, 172, 33);
    Button1->setIcon(QIcon(QStringLiteral(":/images/tick_button.svg")));
    Button1->setDefault(true);

    connect(ComboBox1, &QComboBox::currentIndexChanged, this, &TTranslateForm::ComboBox1Change);
    connect(Button1, &QPushButton::clicked, this, &TTranslateForm::Button1Click);
    connect(Copy1, &QAction::triggered, this, &TTranslateForm::Copy1Click);
    connect(SelectAll1, &QAction::triggered, this, &TTranslateForm::SelectAll1Click);
}

bool TTranslateForm::eventFilter(QObject* watched, QEvent* event) {
    if (watched == Label3 && event->type() == QEvent::MouseButtonRelease &&
        static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton)
        Label3Click();
    return QDialog::eventFilter(watched, event);
}

void TTranslateForm::AddLanguage(const QString& language) {
    // The list stays sorted as items arrive, without regard to case; a language listed twice
    // (English.lang.txt beside the built-in English) shows once.
    int at = 0;
    for (; at < ComboBox1->count(); ++at) {
        const QString existing = ComboBox1->itemText(at);
        if (existing == language)
            return;
        if (QString::compare(existing, language, Qt::CaseInsensitive) > 0)
            break;
    }
    ComboBox1->insertItem(at, flagIcon(language), language);
}

void TTranslateForm::FormCreate() {
    setWindowTitle(translate(QStringLiteral("Language")));
    Label1->setText(translate(QStringLiteral("User Interface Language:")));
    Label2->setText(translate(QStringLiteral("Translated by:")));
    Button1->setText(translate(QStringLiteral("OK")));
    Label3->setText(translate(QStringLiteral("Contribute to Translation")));
    Label3->setToolTip(SiteUrl(true, QStringLiteral("/translation/")));
    Copy1->setText(translate(QStringLiteral("Copy")));
    SelectAll1->setText(translate(QStringLiteral("Select All")));

    const QSignalBlocker quiet(ComboBox1);
    for (const QString& fileName : FLanguages.LanguageList) {
        const qsizetype cut = fileName.indexOf(QStringLiteral(".lang.txt"));
        AddLanguage(cut >= 0 ? fileName.left(cut) : fileName);
    }
    int selected = ComboBox1->findText(QStringLiteral("English"), Qt::MatchExactly);
    for (int i = 0; i < ComboBox1->count(); ++i) {
        if (ComboBox1->itemText(i) == FLanguages.CurrentLanguageName) {
            selected = i;
            break;
        }
    }
    ComboBox1->setCurrentIndex(selected);
    ComboBox1Change();
    languageAtOpen() = ComboBox1->currentText();
}

void TTranslateForm::ComboBox1Change() {
    const QString text = TranslatorsText(FLanguages.LanguagesFolder, ComboBox1->currentText());
    RichEdit1->setPlainText(TranslatorLines(text).join(QLatin1Char('\n')));
}

void TTranslateForm::Button1Click() {
    const QString chosen = ComboBox1->currentText();
    if (chosen == languageAtOpen()) {
        close();
        return;
    }
    if (!AskRestartApplication())
        return;
    // The main window keeps nothing of this name: the restarted program chooses its language
    // again from the user's interface language, as every start does.
    if (FRestart.SetLanguageFile)
        FRestart.SetLanguageFile(chosen + QStringLiteral(".lang.txt"));
    QCoreApplication::processEvents();
    QString script;
    try {
        script = WriteRestartScript(FRestart.DataFolder, FRestart.ExecutablePath);
    } catch (const Exception& e) {
        platform::dialogs().showException(e.message());
        return;
    }
    QCoreApplication::processEvents();
    // Whether the script started is not checked: the program ends either way, as it would if the
    // new copy failed later.
    platform::shell().startDetached(QStringLiteral("/bin/sh"), {script}, FRestart.DataFolder);
    QCoreApplication::processEvents();
    FRestart.Quit();
}

void TTranslateForm::Label3Click() {
    platform::shell().openUrl(QUrl(SiteUrl(true, QStringLiteral("/translation/"))));
}

void TTranslateForm::Copy1Click() {
    RichEdit1->copy();
}

void TTranslateForm::SelectAll1Click() {
    RichEdit1->selectAll();
}
