#include "LauncherWindow.h"

#include "Launcher.h"
#include "LauncherItemDelegate.h"
#include "LauncherResultModel.h"
#include "ServiceJournal.h"

#include <QCursor>
#include <QEvent>
#include <QFrame>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QListView>
#include <QScreen>
#include <QSignalBlocker>
#include <QVBoxLayout>
#include <QWindow>

namespace {

constexpr int Margin = 12;
constexpr int Spacing = 8;
// The window's width, in lines of text: room for long names at any font size.
constexpr int WidthInLines = 34;
constexpr qreal FieldScale = 1.4;
constexpr qreal ListScale = 1.1;
constexpr int FieldTextMargin = 4;

QFont scaled(QFont font, qreal scale)
{
    if (font.pointSizeF() > 0)
        font.setPointSizeF(font.pointSizeF() * scale);
    else
        font.setPixelSize(qRound(font.pixelSize() * scale));
    return font;
}

} // namespace

LauncherWindow::LauncherWindow(Launcher &launcher, QObject *parent)
    : QObject(parent)
    , m_launcher(launcher)
    , m_window(std::make_unique<QFrame>(nullptr, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint))
    , m_model(new LauncherResultModel(this))
    , m_delegate(new LauncherItemDelegate(this))
{
    m_window->setFrameStyle(QFrame::Box | QFrame::Plain);
    m_window->setForegroundRole(QPalette::Mid);   // the colour of the plain frame's line
    m_window->setObjectName(QStringLiteral("launcherWindow"));
    m_window->setWindowTitle(tr("Corvane"));
    m_window->installEventFilter(this);
    makeField();
    makeList();
    auto *layout = new QVBoxLayout(m_window.get());
    layout->setContentsMargins(Margin, Margin, Margin, Margin);
    layout->setSpacing(Spacing);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    layout->addWidget(m_field);
    layout->addWidget(m_list);
    m_window->createWinId();
    connect(m_window->windowHandle(), &QWindow::activeChanged, this, &LauncherWindow::followActivation);

    connect(&m_launcher, &Launcher::resultsChanged, this, [this] {
        if (!isVisible())
            return;
        const int row = m_list->currentIndex().row();
        const QString chosen = row >= 0 ? m_model->application(row).id : QString();
        refresh();
        select(std::max(0, m_model->rowOf(chosen)));
    });
}

LauncherWindow::~LauncherWindow()
{
    // The window goes first, and tells nothing on its way out.
    m_window->removeEventFilter(this);
    QObject::disconnect(m_window->windowHandle(), nullptr, this, nullptr);
}

void LauncherWindow::makeField()
{
    m_field = new QLineEdit(m_window.get());
    m_field->setFixedWidth(WidthInLines * QFontMetrics(m_window->font()).height());
    m_field->setFont(scaled(m_field->font(), FieldScale));
    m_field->setTextMargins(FieldTextMargin, FieldTextMargin, FieldTextMargin, FieldTextMargin);
    m_field->setPlaceholderText(tr("Search applications"));
    m_field->installEventFilter(this);
    connect(m_field, &QLineEdit::textChanged, this, [this] {
        refresh();
        select(0);
    });
}

void LauncherWindow::makeList()
{
    m_list = new QListView(m_window.get());
    m_list->setFixedWidth(WidthInLines * QFontMetrics(m_window->font()).height());
    m_list->setFont(scaled(m_list->font(), ListScale));
    m_list->setModel(m_model);
    m_list->setItemDelegate(m_delegate);
    m_list->setUniformItemSizes(true);
    m_list->setFrameShape(QFrame::NoFrame);
    m_list->setFocusPolicy(Qt::NoFocus);   // the keyboard stays in the field
    m_list->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_list->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_list->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_list->viewport()->setAttribute(Qt::WA_Hover);
    m_list->viewport()->setAutoFillBackground(false);
    connect(m_list, &QListView::clicked, this, [this](const QModelIndex &index) { launch(index.row()); });
}

QWidget *LauncherWindow::window() const
{
    return m_window.get();
}

bool LauncherWindow::isVisible() const
{
    return m_window->isVisible();
}

void LauncherWindow::show()
{
    if (!isVisible()) {
        m_announced = false;
        const QSignalBlocker quiet(m_field);
        m_field->clear();
        refresh();
        select(0);
        placeOnPointerScreen();
        m_window->show();
    }
    m_window->raise();
    m_window->activateWindow();
    m_field->setFocus(Qt::OtherFocusReason);
    followActivation();
}

void LauncherWindow::hide()
{
    m_window->hide();
}

void LauncherWindow::refresh()
{
    m_model->setApplications(m_launcher.search(m_field->text(), MaxRows));
    m_list->setFixedHeight(m_model->rowCount() * LauncherItemDelegate::rowHeight(m_list->font()));
    m_list->setVisible(m_model->rowCount() > 0);
}

void LauncherWindow::select(int row)
{
    if (row >= m_model->rowCount())
        return;
    m_list->setCurrentIndex(m_model->index(row));
}

void LauncherWindow::launch(int row)
{
    if (row < 0 || row >= m_model->rowCount())
        return;
    // A copy: counting the use changes the results under the model.
    const LauncherApplication app = m_model->application(row);
    hide();
    m_launcher.launch(app);
}

// Centred on the screen that holds the pointer as it is at its tallest, so
// that it grows and shrinks downwards while one types rather than jumping.
void LauncherWindow::placeOnPointerScreen()
{
    QScreen *screen = QGuiApplication::screenAt(QCursor::pos());
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    if (!screen)
        return;
    m_window->setScreen(screen);
    const QRect area = screen->availableGeometry();
    const QSize size = m_window->sizeHint();
    const int tallest = 2 * (Margin + m_window->frameWidth()) + m_field->sizeHint().height() + Spacing
                        + MaxRows * LauncherItemDelegate::rowHeight(m_list->font());
    m_window->move(area.center().x() - size.width() / 2, area.top() + std::max(0, (area.height() - tallest) / 2));
}

bool LauncherWindow::handleKey(int key)
{
    const int row = m_list->currentIndex().row();
    switch (key) {
    case Qt::Key_Escape:
        hide();
        return true;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        launch(row);
        return true;
    case Qt::Key_Up:
        select(std::max(0, row - 1));
        return true;
    case Qt::Key_Down:
        select(row + 1);
        return true;
    case Qt::Key_PageUp:
        select(0);
        return true;
    case Qt::Key_PageDown:
        select(m_model->rowCount() - 1);
        return true;
    default:
        return false;
    }
}

// Activation is followed on the native window, which knows it even where the
// platform never took it away between a hide and the next show.
void LauncherWindow::followActivation()
{
    if (!isVisible())
        return;
    if (m_window->windowHandle()->isActive()) {
        if (!std::exchange(m_announced, true))
            m_launcher.journal().write(QStringLiteral("window"), {QStringLiteral("shown")});
    } else if (m_announced) {
        // Only once it held the keyboard: a window manager may take a moment to
        // give it, and one that never does must not leave it for gone.
        hide();
    }
}

bool LauncherWindow::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_field && event->type() == QEvent::KeyPress)
        return handleKey(static_cast<QKeyEvent *>(event)->key());
    if (watched == m_window.get() && event->type() == QEvent::Hide && std::exchange(m_announced, false))
        m_launcher.journal().write(QStringLiteral("window"), {QStringLiteral("hidden")});
    return false;
}
