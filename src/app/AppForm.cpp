#include "app/AppForm.h"

#include "app/Images.h"
#include "app/IniStore.h"
#include "app/JobListModel.h"
#include "app/LanguageItems.h"
#include "models/ModelCatalogue.h"
#include "services/WindowParts.h"

#include <QAction>
#include <QActionGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QFontDatabase>
#include <QGridLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QSpinBox>
#include <QStatusBar>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QTreeView>
#include <QVBoxLayout>

#include <climits>

namespace {

QLabel* buddyLabel(const QString& text, QWidget* buddy, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    label->setBuddy(buddy);
    QFont bold = label->font();
    bold.setBold(true);
    label->setFont(bold);
    return label;
}

} // namespace

TAppForm::TAppForm(QWidget* parent) : QMainWindow(parent) {
    setObjectName(QStringLiteral("AppForm"));
    if (QFontDatabase::families().contains(QStringLiteral("Tahoma")))
        setFont(QFont(QStringLiteral("Tahoma"), 8));
    setWindowIcon(NamedImage(QStringLiteral("veltrino")));
    CreateControls();
    CreateMenus();
    CreatePopupMenus();
    FormCreate();
}

TAppForm::~TAppForm() {
    FormDestroy();
}

void TAppForm::CreateControls() {
    ToolBar1 = named(new QToolBar(this), "ToolBar1");
    ToolBar1->setIconSize(QSize(64, 64));
    ToolBar1->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    ToolBar1->setMovable(false);
    const auto toolButton = [this](const char* name, const QString& image, const QString& text,
                                   const QString& hint) {
        QAction* action = named(ToolBar1->addAction(NamedImage(image), text), name);
        action->setToolTip(hint);
        action->setStatusTip(hint);
        return action;
    };
    ToolButton3 = toolButton("ToolButton3", QStringLiteral("add-files"),
                             QStringLiteral("Add Files"), QStringLiteral("Select audio files"));
    ToolButton1 = toolButton("ToolButton1", QStringLiteral("add-folders"),
                             QStringLiteral("Add Folders"), QStringLiteral("Select audio folders"));
    ToolBar1->addSeparator();
    ToolButton7 = toolButton("ToolButton7", QStringLiteral("feedback"), QStringLiteral("Feedback"),
                             QStringLiteral("Send feedback"));
    ToolButton2 = toolButton("ToolButton2", QStringLiteral("about"), QStringLiteral("About"),
                             QStringLiteral("Show aboutbox"));
    ToolButton4 = toolButton("ToolButton4", QStringLiteral("help"), QStringLiteral("Help"),
                             QStringLiteral("Online help"));
    addToolBar(Qt::TopToolBarArea, ToolBar1);

    auto* central = new QWidget(this);
    auto* columns = new QHBoxLayout(central);
    columns->setContentsMargins(6, 6, 6, 6);

    FJobs = new TJobListModel(this);
    FJobs->setRowDecoration(NamedImage(QStringLiteral("file-sound")));
    ListView1 = named(new QTreeView(central), "ListView1");
    ListView1->setAccessibleName(QStringLiteral("Job list"));
    ListView1->setModel(FJobs);
    ListView1->setRootIsDecorated(false);
    ListView1->setUniformRowHeights(true);
    ListView1->setSelectionMode(QAbstractItemView::ExtendedSelection);
    ListView1->setSelectionBehavior(QAbstractItemView::SelectRows);
    ListView1->setEditTriggers(QAbstractItemView::NoEditTriggers);
    ListView1->setAllColumnsShowFocus(true);
    ListView1->setIconSize(QSize(16, 16));
    ListView1->setContextMenuPolicy(Qt::CustomContextMenu);
    ListView1->setStyleSheet(
        QStringLiteral("QTreeView::item { border-bottom: 1px solid palette(midlight); "
                       "border-right: 1px solid palette(midlight); }"));
    QHeaderView* header = ListView1->header();
    header->setStretchLastSection(false);
    header->setSectionResizeMode(TJobListModel::ColumnFile, QHeaderView::Stretch);
    header->setSectionResizeMode(TJobListModel::ColumnResult, QHeaderView::Fixed);
    header->resizeSection(TJobListModel::ColumnResult, 150);
    columns->addWidget(ListView1, 1);
    columns->addWidget(CreateSettingsPanel());
    setCentralWidget(central);

    StatusBar1 = named(new QStatusBar(this), "StatusBar1");
    StatusPanel = named(new QLabel(StatusBar1), "StatusPanel");
    StatusPanel->setTextFormat(Qt::PlainText);
    StatusBar1->addWidget(StatusPanel, 1);
    ProgressBar1 = named(new QProgressBar(StatusBar1), "ProgressBar1");
    ProgressBar1->setAccessibleName(QStringLiteral("Progress"));
    ProgressBar1->setRange(0, 100);
    ProgressBar1->setTextVisible(false);
    ProgressBar1->setMaximumHeight(16);
    ProgressBar1->setMinimumWidth(260);
    ProgressBar1->hide();
    StatusBar1->addPermanentWidget(ProgressBar1, 2);
    setStatusBar(StatusBar1);

    TimerChecker = named(new QTimer(this), "TimerChecker");
    TimerChecker->setInterval(1000);
    connect(TimerChecker, &QTimer::timeout, this, &TAppForm::TimerCheckerTimer);

    setAcceptDrops(true);
    connect(ToolButton3, &QAction::triggered, this, &TAppForm::AddFiles1Click);
    connect(ToolButton1, &QAction::triggered, this, &TAppForm::AddFolders1Click);
    connect(ToolButton7, &QAction::triggered, this, &TAppForm::SendFeedback1Click);
    connect(ToolButton2, &QAction::triggered, this, &TAppForm::About1Click);
    connect(ToolButton4, &QAction::triggered, this, &TAppForm::Help2Click);
}

QWidget* TAppForm::CreateSettingsPanel() {
    auto* panel = named(new QWidget(this), "SettingsPanel");
    panel->setFixedWidth(250);
    auto* layout = new QVBoxLayout(panel);
    layout->setContentsMargins(4, 0, 0, 0);
    layout->setSpacing(4);

    RadioButton1 = named(new QRadioButton(QStringLiteral("LRC"), panel), "RadioButton1");
    RadioButton2 = named(new QRadioButton(QStringLiteral("SRT"), panel), "RadioButton2");
    RadioButton3 = named(new QRadioButton(QStringLiteral("VTT"), panel), "RadioButton3");
    RadioButton4 = named(new QRadioButton(QStringLiteral("TXT"), panel), "RadioButton4");
    RadioButton1->setChecked(true);
    layout->addWidget(buddyLabel(QStringLiteral("&Output Type:"), RadioButton1, panel));
    auto* types = new QGridLayout;
    types->addWidget(RadioButton1, 0, 0);
    types->addWidget(RadioButton2, 0, 1);
    types->addWidget(RadioButton3, 1, 0);
    types->addWidget(RadioButton4, 1, 1);
    layout->addLayout(types);
    connect(RadioButton1, &QRadioButton::clicked, this, &TAppForm::RadioButton1Click);
    connect(RadioButton2, &QRadioButton::clicked, this, &TAppForm::RadioButton2Click);
    connect(RadioButton3, &QRadioButton::clicked, this, &TAppForm::RadioButton3Click);
    connect(RadioButton4, &QRadioButton::clicked, this, &TAppForm::RadioButton4Click);

    CheckBoxAutoDetect =
        named(new QCheckBox(QStringLiteral("Auto Detect"), panel), "CheckBoxAutoDetect");
    CheckBoxAutoDetect->setChecked(true);
    ComboBoxLang = named(new QComboBox(panel), "ComboBoxLang");
    ComboBoxLang->setAccessibleName(QStringLiteral("Spoken language"));
    ComboBoxLang->addItems(SpokenLanguageItems());
    ComboBoxLang->setMaxVisibleItems(20);
    ComboBoxLang->setCurrentIndex(DefaultSpokenLanguageIndex);
    layout->addSpacing(6);
    layout->addWidget(buddyLabel(QStringLiteral("&Language:"), ComboBoxLang, panel));
    layout->addWidget(CheckBoxAutoDetect);
    layout->addWidget(ComboBoxLang);
    connect(CheckBoxAutoDetect, &QCheckBox::clicked, this, &TAppForm::CheckBoxAutoDetectClick);
    connect(ComboBoxLang, &QComboBox::activated, this, &TAppForm::ComboBoxLangChange);

    SpinEdit1 = named(new QSpinBox(panel), "SpinEdit1");
    SpinEdit1->setRange(INT_MIN, INT_MAX);
    SpinEdit1->setValue(40);
    SpinEdit1->setAccessibleName(QStringLiteral("Maximum line length"));
    layout->addSpacing(6);
    layout->addWidget(buddyLabel(QStringLiteral("&Maximum Line Length:"), SpinEdit1, panel));
    layout->addWidget(SpinEdit1);
    connect(SpinEdit1, &QSpinBox::valueChanged, this, &TAppForm::SpinEdit1Change);

    ComboBoxEx1 = named(new QComboBox(panel), "ComboBoxEx1");
    ComboBoxEx1->setAccessibleName(QStringLiteral("AI model"));
    ComboBoxEx1->setIconSize(QSize(16, 16));
    for (const TModelInfo& model : ModelCatalogue())
        ComboBoxEx1->addItem(NamedImage(model.InWhisperFolder ? QStringLiteral("database_lightning")
                                                              : QStringLiteral("diamond32")),
                             model.Caption);
    ComboBoxEx1->setCurrentIndex(-1);
    layout->addSpacing(6);
    layout->addWidget(buddyLabel(QStringLiteral("&AI Model:"), ComboBoxEx1, panel));
    layout->addWidget(ComboBoxEx1);
    connect(ComboBoxEx1, &QComboBox::activated, this, &TAppForm::ComboBoxEx1Change);

    CheckBoxSource =
        named(new QCheckBox(QStringLiteral("Use Source Folder"), panel), "CheckBoxSource");
    Edit1 = named(new QLineEdit(panel), "Edit1");
    Edit1->setAccessibleName(QStringLiteral("Destination folder"));
    Button2 = named(new QToolButton(panel), "Button2");
    Button2->setIcon(NamedImage(QStringLiteral("folder32")));
    Button2->setToolTip(QStringLiteral("Change Destination Folder"));
    Button2->setAccessibleName(QStringLiteral("Change Destination Folder"));
    Button2->setPopupMode(QToolButton::MenuButtonPopup);
    layout->addSpacing(6);
    layout->addWidget(buddyLabel(QStringLiteral("Output &Folder:"), Edit1, panel));
    layout->addWidget(CheckBoxSource);
    auto* folderRow = new QHBoxLayout;
    folderRow->addWidget(Edit1, 1);
    folderRow->addWidget(Button2);
    layout->addLayout(folderRow);
    connect(CheckBoxSource, &QCheckBox::clicked, this, &TAppForm::CheckBoxSourceClick);
    connect(Edit1, &QLineEdit::textChanged, this, &TAppForm::Edit1Change);
    connect(Button2, &QToolButton::clicked, this, &TAppForm::Button2Click);

    layout->addStretch(1);
    Button1 = named(new QPushButton(QStringLiteral("Convert"), panel), "Button1");
    Button1->setIcon(NamedImage(QStringLiteral("tick_button")));
    Button1->setIconSize(QSize(32, 32));
    Button1->setMinimumHeight(56);
    QFont big = Button1->font();
    big.setPointSizeF(big.pointSizeF() * 1.5);
    big.setBold(true);
    Button1->setFont(big);
    layout->addWidget(Button1);
    connect(Button1, &QPushButton::clicked, this, &TAppForm::Button1Click);
    return panel;
}

void TAppForm::CreateMenus() {
    QMenuBar* bar = menuBar();
    const auto item = [this](QMenu* menu, const char* name, const QString& text, auto slot) {
        QAction* action = named(menu->addAction(text), name);
        connect(action, &QAction::triggered, this, slot);
        return action;
    };

    QMenu* file = named(bar->addMenu(QStringLiteral("&File")), "File1");
    Clear1 = item(file, "Clear1", QStringLiteral("Clear"), &TAppForm::Clear1Click);
    file->addSeparator();
    AddFiles1 = item(file, "AddFiles1", QStringLiteral("Add Files..."), &TAppForm::AddFiles1Click);
    AddFolders1 =
        item(file, "AddFolders1", QStringLiteral("Add Folders..."), &TAppForm::AddFolders1Click);
    file->addSeparator();
    Exit1 = item(file, "Exit1", QStringLiteral("Exit"), &TAppForm::Exit1Click);

    QMenu* settingsMenu = named(bar->addMenu(QStringLiteral("&Settings")), "Settings1");
    QMenu* encoding = named(settingsMenu->addMenu(QStringLiteral("Encoding")), "Encoding1");
    ANSI1 = item(encoding, "ANSI1", QStringLiteral("ANSI"), &TAppForm::ANSI1Click);
    UTF81 = item(encoding, "UTF81", QStringLiteral("UTF-8"), &TAppForm::UTF81Click);
    UTF8BOM1 = item(encoding, "UTF8BOM1", QStringLiteral("UTF-8-BOM"), &TAppForm::UTF8BOM1Click);
    EncodingGroup = new QActionGroup(this);
    for (QAction* a : {ANSI1, UTF81, UTF8BOM1}) {
        a->setCheckable(true);
        EncodingGroup->addAction(a);
    }
    UTF8BOM1->setChecked(true);
    ShowErrorDetails1 =
        named(settingsMenu->addAction(QStringLiteral("Show Error Details")), "ShowErrorDetails1");
    // Qt flips the mark before the handler runs; the handler saves the new state.
    ShowErrorDetails1->setCheckable(true);
    ShowErrorDetails1->setChecked(true);
    connect(ShowErrorDetails1, &QAction::triggered, this, &TAppForm::ShowErrorDetails1Click);
    settingsMenu->addSeparator();
    ResettoDefaults1 =
        item(settingsMenu, "ResettoDefaults1", QStringLiteral("Reset to Defaults..."),
             &TAppForm::ResettoDefaults1Click);

    QMenu* help = named(bar->addMenu(QStringLiteral("&Help")), "Help1");
    Help2 = item(help, "Help2", QStringLiteral("Online Help"), &TAppForm::Help2Click);
    Help2->setShortcut(QKeySequence(Qt::Key_F1));
    help->addSeparator();
    UpdateNotifications1 =
        item(help, "UpdateNotifications1", QStringLiteral("Update Notifications"),
             &TAppForm::UpdateNotifications1Click);
    UpdateNotifications1->setCheckable(true);
    UpdateNotifications1->setChecked(true);
    UpdateNotifications1->setEnabled(false);
    help->addSeparator();
    Language1 = item(help, "Language1", QStringLiteral("Language..."), &TAppForm::Language1Click);
    Language1->setVisible(false);
    SendFeedback1 = item(help, "SendFeedback1", QStringLiteral("Send &Feedback..."),
                         &TAppForm::SendFeedback1Click);
    About1 = item(help, "About1", QStringLiteral("&About..."), &TAppForm::About1Click);
}

void TAppForm::CreatePopupMenus() {
    const auto item = [this](QMenu* menu, const char* name, const QString& text, auto slot) {
        QAction* action = named(menu->addAction(text), name);
        connect(action, &QAction::triggered, this, slot);
        return action;
    };
    PopupMenu1 = named(new QMenu(this), "PopupMenu1");
    Delete1 = item(PopupMenu1, "Delete1", QStringLiteral("Delete"), &TAppForm::Delete1Click);
    DeleteAll1 =
        item(PopupMenu1, "DeleteAll1", QStringLiteral("Delete All"), &TAppForm::DeleteAll1Click);
    PopupMenu1->addSeparator();
    Open1 = item(PopupMenu1, "Open1", QStringLiteral("Open"), &TAppForm::Open1Click);
    CopyFilename1 = item(PopupMenu1, "CopyFilename1", QStringLiteral("Copy Filename"),
                         &TAppForm::CopyFilename1Click);
    ShowinExplorer1 = item(PopupMenu1, "ShowinExplorer1", QStringLiteral("Show in Explorer"),
                           &TAppForm::ShowinExplorer1Click);
    Properties1 =
        item(PopupMenu1, "Properties1", QStringLiteral("Properties"), &TAppForm::Properties1Click);
    connect(ListView1, &QWidget::customContextMenuRequested, this, [this](const QPoint& pos) {
        PopupMenu1->popup(ListView1->viewport()->mapToGlobal(pos));
    });

    PopupMenu2 = named(new QMenu(this), "PopupMenu2");
    ChangeDirectory1 =
        item(PopupMenu2, "ChangeDirectory1", QStringLiteral("Change Destination Folder..."),
             &TAppForm::ChangeDirectory1Click);
    ShowinExplorer2 = item(PopupMenu2, "ShowinExplorer2", QStringLiteral("Show in Explorer"),
                           &TAppForm::ShowinExplorer2Click);
    Button2->setMenu(PopupMenu2);
}

void TAppForm::SetStatusText(const QString& text) {
    StatusPanel->setText(text);
}
QString TAppForm::StatusText() const {
    return StatusPanel->text();
}

int TAppForm::SelectedRow() const {
    const QModelIndexList rows = ListView1->selectionModel()->selectedRows();
    int first = -1;
    for (const QModelIndex& index : rows)
        if (first < 0 || index.row() < first)
            first = index.row();
    return first;
}
