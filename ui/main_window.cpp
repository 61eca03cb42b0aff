// TMForm: building the window, start-up and shutdown.
#include "ui/main_window.h"

#include "app/list_controller.h"
#include "ui/about_box.h"
#include "ui/action_list_model.h"
#include "ui/app_icons.h"
#include "ui/widget_name.h"

#include <QCloseEvent>
#include <QFrame>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QMenuBar>
#include <QPainter>
#include <QScreen>
#include <QStatusBar>
#include <QStyledItemDelegate>
#include <QSystemTrayIcon>
#include <QToolButton>
#include <QTreeView>
#include <QVBoxLayout>

#include <algorithm>

namespace clickwisp {

namespace {

constexpr const char* kListHint = "Action List.  Double Click to edit ";

// Paints the horizontal and vertical grid lines of the list view.
class GridDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        QStyledItemDelegate::paint(painter, option, index);
        painter->save();
        painter->setPen(option.palette.color(QPalette::Midlight));
        painter->drawLine(option.rect.bottomLeft(), option.rect.bottomRight());
        painter->drawLine(option.rect.topRight(), option.rect.bottomRight());
        painter->restore();
    }
};

// A thin vertical separator of the tool panel in the tooltip colour.
QFrame* separator(QWidget* parent)
{
    auto* line = new QFrame(parent);
    line->setFixedWidth(2);
    line->setAutoFillBackground(true);
    QPalette palette = line->palette();
    palette.setColor(QPalette::Window, palette.color(QPalette::ToolTipBase));
    line->setPalette(palette);
    line->setFrameShape(QFrame::VLine);
    line->setFrameShadow(QFrame::Sunken);
    return line;
}

} // namespace

TMForm::TMForm(MainWindowServices services, QWidget* parent)
    : QMainWindow(parent)
    , m_services(std::move(services))
    , m_hooks(m_services.dialogs)
    , m_model(new ActionListModel(this))
{
    setWindowTitle(QStringLiteral("Clickwisp"));
    setWindowIcon(programIcon());
    resize(724, 500);

    auto* central = new QWidget(this);
    auto* layout = new QVBoxLayout(central);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    setCentralWidget(central);
    buildToolPanel();
    layout->addWidget(m_toolPanel);
    auto* plMain = new QWidget(central);
    auto* body = new QHBoxLayout(plMain);
    body->setContentsMargins(4, 4, 0, 4);
    body->setSpacing(0);
    buildListView();
    buildRightPanel();
    body->addWidget(m_listView, 1);
    body->addWidget(m_rightPanel);
    layout->addWidget(plMain, 1);
    buildStatusAndMenu();
    buildTrayIcon();

    ControllerServices controllerServices;
    controllerServices.configPath = m_services.configPath;
    controllerServices.hotKeys = m_services.hotKeys.get();
    controllerServices.hotKeysProblem = m_services.hotKeysProblem;
    controllerServices.recorder = m_services.recorder.get();
    controllerServices.recorderProblem = m_services.recorderProblem;
    controllerServices.playbackDesktop = m_services.playbackDesktop;
    controllerServices.waiter = m_services.waiter;
    // Workers and platform sources reach the controller only through here:
    // the call runs later on this window's thread, and not at all once the
    // window is gone.
    controllerServices.post = [this](std::function<void()> call) {
        QMetaObject::invokeMethod(this, std::move(call), Qt::QueuedConnection);
    };
    m_controller = std::make_unique<TMouseCtrl>(*this, std::move(controllerServices));
    m_model->setController(m_controller.get());
    applyWindowSettings();
    applyColumns();
    m_controller->Start();
    setWindowTitle(QString::fromLatin1(kProductCaption));
}

TMForm::~TMForm()
{
    // A window destroyed without closing writes nothing, like a killed program.
    m_model->setController(nullptr);
    m_controller.reset();
}

QToolButton* TMForm::addButton(QWidget* panel, const char* name, const char* caption, const char* hint,
    const char* themeIcon, const char* fallbackIcon, int width, int height)
{
    auto* button = new QToolButton(panel);
    button->setObjectName(QString::fromLatin1(name));
    button->setText(QString::fromLatin1(caption));
    button->setToolTip(QString::fromLatin1(hint));
    button->setIcon(themedIcon(themeIcon, fallbackIcon));
    button->setIconSize(QSize(32, 32));
    button->setAutoRaise(true);
    button->setToolButtonStyle(*caption ? Qt::ToolButtonTextUnderIcon : Qt::ToolButtonIconOnly);
    QFont font = button->font();
    font.setBold(true);
    button->setFont(font);
    button->setMinimumSize(width, height);
    button->setSizePolicy(QSizePolicy::Minimum, QSizePolicy::Fixed);
    button->setMouseTracking(true);
    button->installEventFilter(this);
    m_hints.insert(button, QString::fromLatin1(hint));
    return button;
}

std::function<void()> TMForm::command(void (TMouseCtrl::*operation)())
{
    // After closing there is no controller, and a late click does nothing.
    return [this, operation] {
        if (m_controller)
            (m_controller.get()->*operation)();
    };
}

void TMForm::buildToolPanel()
{
    m_toolPanel = named(new QWidget(this), "MainPanel");
    auto* row = new QHBoxLayout(m_toolPanel);
    row->setContentsMargins(2, 1, 2, 1);
    row->setSpacing(1);
    m_recordButton
        = addButton(m_toolPanel, "btnShade", "&Record Mouse", "Record Mouse Actions", "media-record", "record", 91, 58);
    m_loadButton = addButton(
        m_toolPanel, "VisibilityDemoButton", "&Load", "Load Action List From File", "document-open", "open", 62, 58);
    m_saveButton = addButton(
        m_toolPanel, "AlignDemoButton", "&Save", "Save Action List to File", "document-save", "save", 62, 58);
    m_newButton = addButton(m_toolPanel, "SpeedButton4", "&New", "Create a new Action", "document-new", "new", 62, 58);
    m_editButton = addButton(
        m_toolPanel, "SpeedButton5", "&Edit", "Edit Selected Action", "document-properties", "edit", 62, 58);
    m_deleteButton
        = addButton(m_toolPanel, "SpeedButton7", "&Delete", "Delete Selected Action", "edit-delete", "delete", 62, 58);
    m_clearButton
        = addButton(m_toolPanel, "SpeedButton8", "&Clear", "Delete All Actions", "edit-clear", "clear", 62, 58);
    m_optionsButton
        = addButton(m_toolPanel, "SpeedButton2", "&Options", "Config Options", "preferences-system", "options", 62, 58);
    m_quitButton = addButton(m_toolPanel, "QuitButton", "E&xit", "Quit", "application-exit", "exit", 62, 58);
    const std::initializer_list<QWidget*> order = { m_recordButton, nullptr, m_loadButton, m_saveButton, nullptr,
        m_newButton, m_editButton, m_deleteButton, m_clearButton, nullptr, m_optionsButton, nullptr, m_quitButton };
    for (QWidget* widget : order)
        row->addWidget(widget ? widget : separator(m_toolPanel));
    row->addStretch();

    connect(m_recordButton, &QToolButton::clicked, this, &TMForm::btnShadeClick);
    connect(m_loadButton, &QToolButton::clicked, this, command(&TMouseCtrl::LoadList));
    connect(m_saveButton, &QToolButton::clicked, this, command(&TMouseCtrl::SaveList));
    connect(m_newButton, &QToolButton::clicked, this, command(&TMouseCtrl::NewAction));
    connect(m_editButton, &QToolButton::clicked, this, command(&TMouseCtrl::EditAction));
    connect(m_deleteButton, &QToolButton::clicked, this, command(&TMouseCtrl::DeleteAction));
    connect(m_clearButton, &QToolButton::clicked, this, command(&TMouseCtrl::ClearList));
    connect(m_optionsButton, &QToolButton::clicked, this, command(&TMouseCtrl::ShowOptions));
    connect(m_quitButton, &QToolButton::clicked, this, &QWidget::close);
}

void TMForm::buildRightPanel()
{
    m_rightPanel = named(new QWidget(this), "Panel2");
    m_rightPanel->setFixedWidth(89);
    auto* column = new QVBoxLayout(m_rightPanel);
    column->setContentsMargins(0, 8, 0, 8);
    m_startButton = addButton(
        m_rightPanel, "btnStart", "Star&t", "Start to Run Action List", "media-playback-start", "start", 62, 58);
    m_stopButton = addButton(
        m_rightPanel, "btnStop", "Sto&p", "Stop Running Action List", "media-playback-stop", "stop", 62, 58);
    m_upButton = addButton(m_rightPanel, "sbUp", "", "Move Up", "go-up", "up", 23, 46);
    m_downButton = addButton(m_rightPanel, "sbDown", "", "Move Down", "go-down", "down", 23, 46);
    for (QToolButton* small : { m_upButton, m_downButton }) {
        small->setIconSize(QSize(22, 22));
        small->setFixedWidth(36);
    }
    column->addWidget(m_startButton, 0, Qt::AlignHCenter);
    column->addWidget(m_stopButton, 0, Qt::AlignHCenter);
    column->addStretch();
    column->addWidget(m_upButton, 0, Qt::AlignHCenter);
    column->addWidget(m_downButton, 0, Qt::AlignHCenter);

    connect(m_startButton, &QToolButton::clicked, this, [this] {
        if (m_controller)
            m_controller->Run();
    });
    connect(m_stopButton, &QToolButton::clicked, this, command(&TMouseCtrl::Stop));
    connect(m_upButton, &QToolButton::clicked, this, command(&TMouseCtrl::MoveUp));
    connect(m_downButton, &QToolButton::clicked, this, command(&TMouseCtrl::MoveDown));
}

void TMForm::buildListView()
{
    m_listView = named(new QTreeView(this), "VT");
    m_listView->setModel(m_model);
    m_listView->setRootIsDecorated(false);
    m_listView->setItemsExpandable(false);
    m_listView->setUniformRowHeights(true);
    m_listView->setAllColumnsShowFocus(true);
    m_listView->setSelectionMode(QAbstractItemView::SingleSelection);
    m_listView->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_listView->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_listView->setItemDelegate(new GridDelegate(m_listView));
    m_listView->setToolTip(QString::fromLatin1(kListHint));
    m_listView->header()->setSectionsMovable(true);
    m_listView->header()->setSectionResizeMode(QHeaderView::Interactive);
    m_listView->header()->setStretchLastSection(false);
    m_listView->setMouseTracking(true);
    m_listView->viewport()->setMouseTracking(true);
    m_listView->installEventFilter(this);
    m_listView->viewport()->installEventFilter(this);
    m_hints.insert(m_listView, QString::fromLatin1(kListHint));
    m_hints.insert(m_listView->viewport(), QString::fromLatin1(kListHint));

    connect(m_listView, &QTreeView::doubleClicked, this, command(&TMouseCtrl::EditAction));
    connect(m_listView->selectionModel(), &QItemSelectionModel::selectionChanged, this, [this] {
        if (m_syncingSelection || !m_controller)
            return;
        const auto rows = m_listView->selectionModel()->selectedRows();
        m_controller->Select(rows.isEmpty() ? -1 : rows.first().row());
    });
}

void TMForm::buildStatusAndMenu()
{
    m_statusPanel = named(new QLabel(this), "StatusPanel0");
    m_statusPanel->setMinimumWidth(100);
    m_hintPanel = named(new QLabel(this), "StatusPanel1");
    m_hintPanel->setMinimumWidth(50);
    statusBar()->addWidget(m_statusPanel);
    statusBar()->addWidget(m_hintPanel, 1);

    QAction* about = menuBar()->addAction(QStringLiteral("About"));
    QAction* help = menuBar()->addAction(QStringLiteral("Help"));
    connect(about, &QAction::triggered, this, &TMForm::ShowAbout);
    connect(help, &QAction::triggered, this, &TMForm::OpenHelpPage);
}

void TMForm::buildTrayIcon()
{
    if (!QSystemTrayIcon::isSystemTrayAvailable())
        return;
    m_trayIcon = named(new QSystemTrayIcon(programIcon(), this), "TrayIcon");
    m_trayIcon->setToolTip(m_trayTip);
    connect(m_trayIcon, &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason reason) {
        if (reason == QSystemTrayIcon::Trigger)
            WMTrayIcon();
    });
    m_trayIcon->show();
}

void TMForm::applyWindowSettings()
{
    const auto frame = m_controller->GetConfig().GetFrame();
    m_startMaximized = frame.max();
    if (!m_startMaximized && frame.width() > 0 && frame.height() > 0)
        resize(frame.width(), frame.height());
}

void TMForm::applyColumns()
{
    QHeaderView* header = m_listView->header();
    const auto cols = m_controller->GetConfig().GetCols();
    const int count = cols.Count();
    for (int i = 0; i < count; ++i) {
        const auto col = cols.Col(i);
        header->resizeSection(i, std::max(0, col.Width()));
        header->setSectionHidden(i, !col.Visible());
    }
    for (int i = 0; i < count; ++i)
        header->moveSection(header->visualIndex(i), std::clamp(int(cols.Col(i).Index()), 0, count - 1));
}

void TMForm::storeWindowSettings()
{
    auto frame = m_controller->GetConfig().GetFrame();
    frame.setLeft(x());
    frame.setTop(y());
    frame.setHeight(height());
    frame.setWidth(width());
    frame.setMax(isMaximized());
    QHeaderView* header = m_listView->header();
    auto cols = m_controller->GetConfig().GetCols();
    for (int i = 0; i < cols.Count() && i < header->count(); ++i) {
        auto col = cols.Col(i);
        // A hidden column keeps its configured width for when it is shown again.
        if (!header->isSectionHidden(i))
            col.setWidth(header->sectionSize(i));
        col.setIndex(header->visualIndex(i));
    }
}

void TMForm::showAtStart()
{
    // Centred on the whole desktop (every monitor), whatever left and top say.
    if (QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect desktop = screen->virtualGeometry();
        move(desktop.x() + std::max(0, (desktop.width() - width()) / 2),
            desktop.y() + std::max(0, (desktop.height() - height()) / 2));
    }
    if (m_startMaximized)
        showMaximized();
    else
        show();
}

void TMForm::closeEvent(QCloseEvent* event)
{
    if (m_controller) {
        storeWindowSettings();
        m_controller->Shutdown();
        if (m_trayIcon)
            m_trayIcon->hide();
        m_model->setController(nullptr);
        m_controller.reset();
    }
    event->accept();
    emit closed();
}

} // namespace clickwisp
