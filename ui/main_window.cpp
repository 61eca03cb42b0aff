// TMForm: building the window, start-up and shutdown.
#include "ui/main_window.h"

#include "core/list_controller.h"
#include "ui/about_box.h"
#include "ui/action_list_model.h"
#include "ui/app_icons.h"

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
    layout->addWidget(MainPanel);
    auto* plMain = new QWidget(central);
    auto* body = new QHBoxLayout(plMain);
    body->setContentsMargins(4, 4, 0, 4);
    body->setSpacing(0);
    buildListView();
    buildRightPanel();
    body->addWidget(VT, 1);
    body->addWidget(Panel2);
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

QToolButton* TMForm::addButton(QWidget* panel, const char* caption, const char* hint, const char* themeIcon,
    const char* fallbackIcon, int width, int height)
{
    auto* button = new QToolButton(panel);
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
    MainPanel = new QWidget(this);
    MainPanel->setObjectName(QStringLiteral("MainPanel"));
    auto* row = new QHBoxLayout(MainPanel);
    row->setContentsMargins(2, 1, 2, 1);
    row->setSpacing(1);
    btnShade = addButton(MainPanel, "&Record Mouse", "Record Mouse Actions", "media-record", "record", 91, 58);
    VisibilityDemoButton = addButton(MainPanel, "&Load", "Load Action List From File", "document-open", "open", 62, 58);
    AlignDemoButton = addButton(MainPanel, "&Save", "Save Action List to File", "document-save", "save", 62, 58);
    SpeedButton4 = addButton(MainPanel, "&New", "Create a new Action", "document-new", "new", 62, 58);
    SpeedButton5 = addButton(MainPanel, "&Edit", "Edit Selected Action", "document-properties", "edit", 62, 58);
    SpeedButton7 = addButton(MainPanel, "&Delete", "Delete Selected Action", "edit-delete", "delete", 62, 58);
    SpeedButton8 = addButton(MainPanel, "&Clear", "Delete All Actions", "edit-clear", "clear", 62, 58);
    SpeedButton2 = addButton(MainPanel, "&Options", "Config Options", "preferences-system", "options", 62, 58);
    QuitButton = addButton(MainPanel, "E&xit", "Quit", "application-exit", "exit", 62, 58);
    const std::initializer_list<QWidget*> order = { btnShade, nullptr, VisibilityDemoButton, AlignDemoButton, nullptr,
        SpeedButton4, SpeedButton5, SpeedButton7, SpeedButton8, nullptr, SpeedButton2, nullptr, QuitButton };
    for (QWidget* widget : order)
        row->addWidget(widget ? widget : separator(MainPanel));
    row->addStretch();

    connect(btnShade, &QToolButton::clicked, this, &TMForm::btnShadeClick);
    connect(VisibilityDemoButton, &QToolButton::clicked, this, command(&TMouseCtrl::LoadList));
    connect(AlignDemoButton, &QToolButton::clicked, this, command(&TMouseCtrl::SaveList));
    connect(SpeedButton4, &QToolButton::clicked, this, command(&TMouseCtrl::NewAction));
    connect(SpeedButton5, &QToolButton::clicked, this, command(&TMouseCtrl::EditAction));
    connect(SpeedButton7, &QToolButton::clicked, this, command(&TMouseCtrl::DeleteAction));
    connect(SpeedButton8, &QToolButton::clicked, this, command(&TMouseCtrl::ClearList));
    connect(SpeedButton2, &QToolButton::clicked, this, command(&TMouseCtrl::ShowOptions));
    connect(QuitButton, &QToolButton::clicked, this, &QWidget::close);
}

void TMForm::buildRightPanel()
{
    Panel2 = new QWidget(this);
    Panel2->setFixedWidth(89);
    auto* column = new QVBoxLayout(Panel2);
    column->setContentsMargins(0, 8, 0, 8);
    btnStart = addButton(Panel2, "Star&t", "Start to Run Action List", "media-playback-start", "start", 62, 58);
    btnStop = addButton(Panel2, "Sto&p", "Stop Running Action List", "media-playback-stop", "stop", 62, 58);
    sbUp = addButton(Panel2, "", "Move Up", "go-up", "up", 23, 46);
    sbDown = addButton(Panel2, "", "Move Down", "go-down", "down", 23, 46);
    for (QToolButton* small : { sbUp, sbDown }) {
        small->setIconSize(QSize(22, 22));
        small->setFixedWidth(36);
    }
    column->addWidget(btnStart, 0, Qt::AlignHCenter);
    column->addWidget(btnStop, 0, Qt::AlignHCenter);
    column->addStretch();
    column->addWidget(sbUp, 0, Qt::AlignHCenter);
    column->addWidget(sbDown, 0, Qt::AlignHCenter);

    connect(btnStart, &QToolButton::clicked, this, [this] {
        if (m_controller)
            m_controller->Run();
    });
    connect(btnStop, &QToolButton::clicked, this, command(&TMouseCtrl::Stop));
    connect(sbUp, &QToolButton::clicked, this, command(&TMouseCtrl::MoveUp));
    connect(sbDown, &QToolButton::clicked, this, command(&TMouseCtrl::MoveDown));
}

void TMForm::buildListView()
{
    VT = new QTreeView(this);
    VT->setObjectName(QStringLiteral("VT"));
    VT->setModel(m_model);
    VT->setRootIsDecorated(false);
    VT->setItemsExpandable(false);
    VT->setUniformRowHeights(true);
    VT->setAllColumnsShowFocus(true);
    VT->setSelectionMode(QAbstractItemView::SingleSelection);
    VT->setSelectionBehavior(QAbstractItemView::SelectRows);
    VT->setEditTriggers(QAbstractItemView::NoEditTriggers);
    VT->setItemDelegate(new GridDelegate(VT));
    VT->setToolTip(QString::fromLatin1(kListHint));
    VT->header()->setSectionsMovable(true);
    VT->header()->setSectionResizeMode(QHeaderView::Interactive);
    VT->header()->setStretchLastSection(false);
    VT->setMouseTracking(true);
    VT->viewport()->setMouseTracking(true);
    VT->installEventFilter(this);
    VT->viewport()->installEventFilter(this);
    m_hints.insert(VT, QString::fromLatin1(kListHint));
    m_hints.insert(VT->viewport(), QString::fromLatin1(kListHint));

    connect(VT, &QTreeView::doubleClicked, this, command(&TMouseCtrl::EditAction));
    connect(VT->selectionModel(), &QItemSelectionModel::selectionChanged, this, [this] {
        if (m_syncingSelection || !m_controller)
            return;
        const auto rows = VT->selectionModel()->selectedRows();
        m_controller->Select(rows.isEmpty() ? -1 : rows.first().row());
    });
}

void TMForm::buildStatusAndMenu()
{
    StatusPanel0 = new QLabel(this);
    StatusPanel0->setMinimumWidth(100);
    StatusPanel1 = new QLabel(this);
    StatusPanel1->setMinimumWidth(50);
    statusBar()->addWidget(StatusPanel0);
    statusBar()->addWidget(StatusPanel1, 1);

    QAction* about = menuBar()->addAction(QStringLiteral("About"));
    QAction* help = menuBar()->addAction(QStringLiteral("Help"));
    connect(about, &QAction::triggered, this, &TMForm::ShowAbout);
    connect(help, &QAction::triggered, this, &TMForm::OpenHelpPage);
}

void TMForm::buildTrayIcon()
{
    if (!QSystemTrayIcon::isSystemTrayAvailable())
        return;
    TrayIcon = new QSystemTrayIcon(programIcon(), this);
    TrayIcon->setToolTip(m_trayTip);
    connect(TrayIcon, &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason reason) {
        if (reason == QSystemTrayIcon::Trigger)
            WMTrayIcon();
    });
    TrayIcon->show();
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
    QHeaderView* header = VT->header();
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
    QHeaderView* header = VT->header();
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
        if (TrayIcon)
            TrayIcon->hide();
        m_model->setController(nullptr);
        m_controller.reset();
    }
    event->accept();
    emit closed();
}

} // namespace clickwisp
