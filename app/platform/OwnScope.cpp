#include "app/platform/OwnScope.h"

#include <QDBusArgument>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusObjectPath>
#include <QDBusVariant>
#include <QEventLoop>
#include <QHash>
#include <QLoggingCategory>
#include <QProcess>
#include <QTimer>

namespace hub {

namespace {

Q_LOGGING_CATEGORY(scopeLog, "com.tavren.hub.scope")

constexpr int answerMs = 5000;
constexpr const char* manager = "org.freedesktop.systemd1";
constexpr const char* managerPath = "/org/freedesktop/systemd1";
constexpr const char* managerInterface = "org.freedesktop.systemd1.Manager";

// A unit property as the manager takes it: (sv).
struct UnitProperty {
    QString name;
    QDBusVariant value;
};

// A further unit made in the same call, (sa(sv)): none is.
struct AuxiliaryUnit {
    QString name;
    QList<UnitProperty> properties;
};

QDBusArgument& operator<<(QDBusArgument& out, const UnitProperty& property)
{
    out.beginStructure();
    out << property.name << property.value;
    out.endStructure();
    return out;
}

const QDBusArgument& operator>>(const QDBusArgument& in, UnitProperty& property)
{
    in.beginStructure();
    in >> property.name >> property.value;
    in.endStructure();
    return in;
}

QDBusArgument& operator<<(QDBusArgument& out, const AuxiliaryUnit& unit)
{
    out.beginStructure();
    out << unit.name << unit.properties;
    out.endStructure();
    return out;
}

const QDBusArgument& operator>>(const QDBusArgument& in, AuxiliaryUnit& unit)
{
    in.beginStructure();
    in >> unit.name >> unit.properties;
    in.endStructure();
    return in;
}

// The manager's JobRemoved signals: the jobs that ended, with their results.
class JobWatch : public QObject {
    Q_OBJECT

public:
    QHash<QString, QString> ended;

signals:
    void changed();

public slots:
    void removed(uint, const QDBusObjectPath& job, const QString&, const QString& result)
    {
        ended.insert(job.path(), result);
        emit changed();
    }
};

// Waits for `job` to end, at most answerMs; its result, empty when it did not end in time.
QString awaitJob(JobWatch& watch, const QString& job)
{
    if (!watch.ended.contains(job)) {
        QEventLoop loop;
        QObject::connect(&watch, &JobWatch::changed, &loop, [&] {
            if (watch.ended.contains(job))
                loop.quit();
        });
        QTimer::singleShot(answerMs, &loop, &QEventLoop::quit);
        loop.exec();
    }
    return watch.ended.value(job);
}

} // namespace

bool OwnScope::startDetached(const QString& program, const QStringList& arguments, QDBusConnection bus)
{
    if (!qEnvironmentVariableIsSet("INVOCATION_ID"))
        return QProcess::startDetached(program, arguments);
    // A scope is made of processes that run already.
    qint64 pid = 0;
    if (!QProcess::startDetached(program, arguments, QString(), &pid))
        return false;
    [[maybe_unused]] static const bool registered = [] {
        qDBusRegisterMetaType<UnitProperty>();
        qDBusRegisterMetaType<QList<UnitProperty>>();
        qDBusRegisterMetaType<AuxiliaryUnit>();
        qDBusRegisterMetaType<QList<AuxiliaryUnit>>();
        return true;
    }();
    // The job's end is announced once; listened for before it can come.
    JobWatch watch;
    bus.connect(QString::fromLatin1(manager), QString::fromLatin1(managerPath), QString::fromLatin1(managerInterface),
                QStringLiteral("JobRemoved"), &watch, SLOT(removed(uint,QDBusObjectPath,QString,QString)));
    const QList<UnitProperty> properties{
        {QStringLiteral("Description"), QDBusVariant(QStringLiteral("Tavren Hub"))},
        {QStringLiteral("PIDs"), QDBusVariant(QVariant::fromValue(QList<uint>{uint(pid)}))},
    };
    QDBusMessage call = QDBusMessage::createMethodCall(QString::fromLatin1(manager), QString::fromLatin1(managerPath),
                                                       QString::fromLatin1(managerInterface), QStringLiteral("StartTransientUnit"));
    call << QStringLiteral("app-com.tavren.hub-%1.scope").arg(pid) << QStringLiteral("fail") << QVariant::fromValue(properties)
         << QVariant::fromValue(QList<AuxiliaryUnit>());
    const QDBusMessage reply = bus.call(call, QDBus::Block, answerMs);
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty()) {
        qCWarning(scopeLog, "%s stays in this unit and ends with it: the service manager gave it no scope of its own: %s",
                  qUtf8Printable(program), qUtf8Printable(reply.errorMessage().isEmpty() ? reply.errorName() : reply.errorMessage()));
        return true;
    }
    const QString result = awaitJob(watch, reply.arguments().constFirst().value<QDBusObjectPath>().path());
    if (result != u"done")
        qCWarning(scopeLog, "%s may end with this unit: its scope's start ended as \"%s\"", qUtf8Printable(program), qUtf8Printable(result));
    return true;
}

} // namespace hub

#include "OwnScope.moc"
