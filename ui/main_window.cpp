// TMForm: building the window, start-up and shutdown.
#include "ui/main_window.h"

#include "app/list_controller.h"
#include "app/main_window_presenter.h"
#include "ui/about_box.h"
#include "ui/action_list_model.h"
#include "ui/app_icons.h"
#include "ui/widget_name.h"

#include <QApplication>
#include <QCloseEvent>
#include <QFrame>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QMenuBar>
#include <QMessageBox>
#include <QPainter>
#include <QScreen>
#include <QStatusBar>
#include <QStyledItemDelegate>
#include <QSystemTrayIcon>
#include <QTimer>
#include <QToolButton>
#include <QTreeView>
#include <QVBoxLayout>

#include <algorithm>

namespace clickwisp {

namespace {

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

// Whether the system tells and takes window positions: a Wayland client
// neither knows nor chooses where its windows are.
bool windowPositionsKnown()
{
    return !QGuiApplication::platformName().startsWith(QLatin1String("wayland"));
}

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
    controllerServices.remoteControl = m_services.remoteControl;
    controllerServices.compositorKeys = m_services.compositorKeys.get();
    controllerServices.desktopNote = m_services.desktopNote;
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
    m_controller->Start(); // sets the caption through setListState
}

TMForm::~TMForm()
{
    // A window destroyed without closing writes nothing, like a killed program.
    m_model->setController(nullptr);
    m_controller.reset();
}

QToolButton* TMForm::addButton(
    QWidget* panel, MainControl control, const char* themeIcon, const char* fallbackIcon, int width, int height)
{
    const auto& [name, caption, hint] = TextOf(control);
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
    m_recordButton = addButton(m_toolPanel, MainControl::Record, "media-record", "record", 91, 58);
    m_loadButton = addButton(m_toolPanel, MainControl::Load, "document-open", "open", 62, 58);
    m_saveButton = addButton(m_toolPanel, MainControl::Save, "document-save", "save", 62, 58);
    m_newButton = addButton(m_toolPanel, MainControl::New, "document-new", "new", 62, 58);
    m_editButton = addButton(m_toolPanel, MainControl::Edit, "document-properties", "edit", 62, 58);
    m_deleteButton = addButton(m_toolPanel, MainControl::Delete, "edit-delete", "delete", 62, 58);
    m_clearButton = addButton(m_toolPanel, MainControl::Clear, "edit-clear", "clear", 62, 58);
    m_optionsButton = addButton(m_toolPanel, MainControl::Options, "preferences-system", "options", 62, 58);
    m_quitButton = addButton(m_toolPanel, MainControl::Quit, "application-exit", "exit", 62, 58);
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
    m_startButton = addButton(m_rightPanel, MainControl::Start, "media-playback-start", "start", 62, 58);
    m_stopButton = addButton(m_rightPanel, MainControl::Stop, "media-playback-stop", "stop", 62, 58);
    m_upButton = addButton(m_rightPanel, MainControl::Up, "go-up", "up", 23, 46);
    m_downButton = addButton(m_rightPanel, MainControl::Down, "go-down", "down", 23, 46);
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
    const MainControlText& list = TextOf(MainControl::List);
    m_listView = named(new QTreeView(this), list.name);
    m_listView->setModel(m_model);
    m_listView->setRootIsDecorated(false);
    m_listView->setItemsExpandable(false);
    m_listView->setUniformRowHeights(true);
    m_listView->setAllColumnsShowFocus(true);
    m_listView->setSelectionMode(QAbstractItemView::SingleSelection);
    m_listView->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_listView->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_listView->setItemDelegate(new GridDelegate(m_listView));
    m_listView->setToolTip(QString::fromLatin1(list.hint));
    m_listView->header()->setSectionsMovable(true);
    m_listView->header()->setSectionResizeMode(QHeaderView::Interactive);
    m_listView->header()->setStretchLastSection(false);
    m_listView->setMouseTracking(true);
    m_listView->viewport()->setMouseTracking(true);
    m_listView->installEventFilter(this);
    m_listView->viewport()->installEventFilter(this);
    m_hints.insert(m_listView, QString::fromLatin1(list.hint));
    m_hints.insert(m_listView->viewport(), QString::fromLatin1(list.hint));

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
    m_limitsPanel = named(new QLabel(this), "StatusPanel2");
    statusBar()->addPermanentWidget(m_limitsPanel);

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
    const WindowStart start = WindowStartFromConfig(m_controller->GetConfig());
    m_startMaximized = start.maximized;
    if (start.sized)
        resize(start.size.width, start.size.height);
}

void TMForm::applyColumns()
{
    QHeaderView* header = m_listView->header();
    const std::vector<ColumnState> columns = ColumnsFromConfig(m_controller->GetConfig());
    for (size_t i = 0; i < columns.size(); ++i) {
        header->resizeSection(int(i), columns[i].width);
        header->setSectionHidden(int(i), !columns[i].visible);
    }
    const std::vector<int> order = ColumnOrder(columns);
    for (size_t place = 0; place < order.size(); ++place)
        header->moveSection(header->visualIndex(order[place]), int(place));
}

void TMForm::storeWindowSettings()
{
    const auto origin = windowPositionsKnown() ? std::optional(ScreenPoint { x(), y() }) : std::nullopt;
    StoreWindowBounds(origin, { width(), height() }, isMaximized(), m_controller->GetConfig());
    QHeaderView* header = m_listView->header();
    std::vector<ColumnState> columns;
    for (int i = 0; i < header->count(); ++i)
        columns.push_back({ header->sectionSize(i), !header->isSectionHidden(i), header->visualIndex(i) });
    StoreColumns(columns, m_controller->GetConfig());
}

void TMForm::showAtStart()
{
    // Centred on the whole desktop (every monitor), whatever left and top
    // say; on Wayland the compositor places it.
    if (QScreen* screen = QGuiApplication::primaryScreen(); screen && windowPositionsKnown()) {
        const QRect desktop = screen->virtualGeometry();
        const ScreenPoint origin
            = CentredOrigin({ desktop.x(), desktop.y() }, { desktop.width(), desktop.height() }, { width(), height() });
        move(origin.x, origin.y);
    }
    if (m_startMaximized)
        showMaximized();
    else
        show();
}

void TMForm::saveSession(bool ending)
{
    if (!m_controller)
        return;
    storeWindowSettings();
    m_controller->SaveSession(ending);
}

namespace {

// Ends a dialog as its Escape key would: No for a question, OK for a
// message, Cancel for the others.
void dismiss(QWidget* modal)
{
    if (qobject_cast<QMessageBox*>(modal)) {
        // The box picks its own escape button (No among Yes and No).
        QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
        QApplication::sendEvent(modal, &escape);
    } else if (auto* dialog = qobject_cast<QDialog*>(modal)) {
        dialog->reject();
    } else {
        modal->close();
    }
}

} // namespace

void TMForm::endSession()
{
    if (!m_controller || m_endPending)
        return;
    if (m_modalDepth == 0) {
        close();
        return;
    }
    saveSession(true);
    m_endPending = true;
    closeWhenIdle();
}

void TMForm::closeWhenIdle()
{
    if (m_modalDepth == 0) {
        close();
        return;
    }
    // Innermost first; each dialog's scope ends later, when its command
    // returns, and the last one calls here again.
    for (QWidget* modal = QApplication::activeModalWidget(); modal;) {
        dismiss(modal);
        QWidget* next = QApplication::activeModalWidget();
        modal = next == modal ? nullptr : next;
    }
}

TMForm::ModalScope::ModalScope(TMForm& owner)
    : form(owner)
{
    ++form.m_modalDepth;
}

TMForm::ModalScope::~ModalScope()
{
    if (--form.m_modalDepth == 0 && form.m_endPending)
        QTimer::singleShot(0, &form, [window = &form] { window->closeWhenIdle(); });
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
