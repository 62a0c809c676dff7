#include "platform/ui/PreferencePane.h"

#include "platform/ui/Action.h"
#include "platform/core/Log.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QMetaMethod>
#include <QPointer>
#include <QUiLoader>
#include <QWidget>
#include <QXmlStreamReader>

#include <functional>
#include <vector>

namespace platform {

namespace {

// The receiver name that stands for the pane in an interface file's connections.
constexpr QLatin1String PaneReceiver("pane");

struct ActionConnection
{
    QString sender;
    QByteArray signal;
    QByteArray action;
};

// The connections of an interface file that go to the pane. Qt's own loader skips
// them, since no widget of the form carries the receiver's name.
std::vector<ActionConnection> paneConnections(QIODevice &file)
{
    std::vector<ActionConnection> connections;
    QXmlStreamReader xml(&file);
    ActionConnection current;
    QString receiver;
    while (!xml.atEnd()) {
        if (xml.readNext() != QXmlStreamReader::StartElement)
            continue;
        const auto element = xml.name();
        if (element == QLatin1String("connection")) {
            current = {};
            receiver.clear();
        } else if (element == QLatin1String("sender")) {
            current.sender = xml.readElementText();
        } else if (element == QLatin1String("signal")) {
            current.signal = QMetaObject::normalizedSignature(xml.readElementText().toUtf8().constData());
        } else if (element == QLatin1String("receiver")) {
            receiver = xml.readElementText();
        } else if (element == QLatin1String("slot")) {
            const QString slot = xml.readElementText();
            current.action = slot.left(slot.indexOf(QLatin1Char('('))).trimmed().toUtf8();
            if (receiver == PaneReceiver)
                connections.push_back(current);
        }
    }
    return connections;
}

// Turns one signal of a control into the pane's action with the control as sender.
class ActionForwarder : public QObject
{
    Q_OBJECT
public:
    ActionForwarder(QObject *sender, QByteArray action, QObject *target)
        : QObject(target)
        , m_sender(sender)
        , m_action(std::move(action))
    {
    }

public Q_SLOTS:
    void fire() { sendAction(m_action, parent(), m_sender); }

private:
    QPointer<QObject> m_sender;
    QByteArray m_action;
};

// Makes the interface file's connections to the pane, each signal of a control to
// an ActionForwarder; a connection that cannot be made is logged and skipped.
void connectActions(QObject &pane, QWidget &view, QIODevice &file)
{
    for (const ActionConnection &connection : paneConnections(file)) {
        QObject *sender = view.objectName() == connection.sender ? &view : view.findChild<QObject *>(connection.sender);
        const int signal = sender ? sender->metaObject()->indexOfSignal(connection.signal.constData()) : -1;
        if (signal < 0 || pane.metaObject()->indexOfMethod(connection.action + "(QObject*)") < 0) {
            log(QStringLiteral("Cannot connect %1 %2 to the action %3.")
                    .arg(connection.sender, QString::fromUtf8(connection.signal), QString::fromUtf8(connection.action)));
            continue;
        }
        auto *forwarder = new ActionForwarder(sender, connection.action, &pane);
        QObject::connect(sender, sender->metaObject()->method(signal), forwarder,
                         forwarder->metaObject()->method(forwarder->metaObject()->indexOfSlot("fire()")));
    }
}

class PaneUiLoader : public QUiLoader
{
public:
    using Factory = std::function<QWidget *(const QString &, QWidget *, const QString &)>;
    explicit PaneUiLoader(Factory factory)
        : m_factory(std::move(factory))
    {
    }

    QWidget *createWidget(const QString &className, QWidget *parent, const QString &name) override
    {
        if (QWidget *widget = m_factory(className, parent, name))
            return widget;
        return QUiLoader::createWidget(className, parent, name);
    }

private:
    Factory m_factory;
};

} // namespace

struct PreferencePane::Private
{
    Bundle bundle;
    QPointer<QWidget> mainView;
    bool loaded = false;
};

PreferencePane::PreferencePane(Bundle bundle, QObject *parent)
    : QObject(parent)
    , d(std::make_unique<Private>(Private{std::move(bundle), {}, false}))
{
}

PreferencePane::~PreferencePane()
{
    delete d->mainView.data();
}

const Bundle &PreferencePane::bundle() const
{
    return d->bundle;
}

QWidget *PreferencePane::mainView() const
{
    return d->mainView.data();
}

QWidget *PreferencePane::loadMainView()
{
    if (d->loaded)
        return d->mainView.data();
    d->loaded = true;

    const QString nibName = d->bundle.objectForInfoDictionaryKey(QStringLiteral("NSMainNibFile")).toString();
    const auto path = d->bundle.pathForResource(nibName, QStringLiteral("ui"));
    QFile file(path.value_or(QString()));
    if (!path || !file.open(QIODevice::ReadOnly)) {
        log(QStringLiteral("No interface file \"%1\" in the bundle %2.").arg(nibName, d->bundle.bundlePath()));
        return nullptr;
    }
    // A pane's own classes come from the pane (createCustomWidget), never from
    // Designer plugins. QUiLoader loads all of those as it is made (Qt Quick among
    // them: tens of milliseconds the user would wait for), unless it sees no
    // library folder then.
    const QStringList libraryPaths = QCoreApplication::libraryPaths();
    QCoreApplication::setLibraryPaths({});
    PaneUiLoader loader([this](const QString &className, QWidget *parent, const QString &name) {
        return createCustomWidget(className, parent, name);
    });
    QCoreApplication::setLibraryPaths(libraryPaths);
    // Pictures named in the interface file are resources of the bundle.
    loader.setWorkingDirectory(QDir(d->bundle.resourcePath()));
    QWidget *view = loader.load(&file);
    if (!view) {
        log(QStringLiteral("Cannot load the interface file %1: %2").arg(*path, loader.errorString()));
        return nullptr;
    }
    d->mainView = view;
    connectOutlets(view);

    file.seek(0);
    connectActions(*this, *view, file);
    mainViewDidLoad();
    return view;
}

void PreferencePane::mainViewDidLoad()
{
}

void PreferencePane::willSelect()
{
}

void PreferencePane::willUnselect()
{
}

QWidget *PreferencePane::createCustomWidget(const QString &, QWidget *, const QString &)
{
    return nullptr;
}

void PreferencePane::connectOutlets(QWidget *)
{
}

} // namespace platform

#include "PreferencePane.moc"
