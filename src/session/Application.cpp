#include "session/Application.h"

#include <QEvent>
#include <QMetaEnum>
#include <QWidget>
#include <exception>

#include "session/GECentr.h"

namespace nimbo {

namespace {

QString eventName(const QEvent *event)
{
    const char *key = QMetaEnum::fromType<QEvent::Type>().valueToKey(event->type());
    return key ? QString::fromLatin1(key) : QString::number(int(event->type()));
}

QString moduleOf(const QObject *receiver)
{
    if (!receiver)
        return {};
    // The window the receiver belongs to names the module, as error traps
    // in each window would.
    for (const QObject *o = receiver; o; o = o->parent())
        if (o->isWidgetType() && static_cast<const QWidget *>(o)->isWindow() && !o->objectName().isEmpty())
            return o->objectName();
    return receiver->objectName().isEmpty() ? QString::fromLatin1(receiver->metaObject()->className())
                                            : receiver->objectName();
}

} // namespace

Application::Application(int &argc, char **argv) : QApplication(argc, argv) {}

bool Application::notify(QObject *receiver, QEvent *event)
{
    for (;;) {
        QString text;
        try {
            return QApplication::notify(receiver, event);
        } catch (const std::exception &e) {
            text = QString::fromLocal8Bit(e.what());
        } catch (...) {
            text = QStringLiteral("Eccezione non riconosciuta");
        }
        const QString source = receiver ? QString::fromLatin1(receiver->metaObject()->className()) : QString();
        GECentr::setLastError(-1, text, source);
        const Answer answer = GECentr::handleError(moduleOf(receiver), eventName(event));
        if (answer == Answer::Retry)
            continue; // the operator asked to run the handler again
        if (answer == Answer::Abort)
            GECentr::closeProgram(1);
        // Ignored: the event counts as dealt with and the program goes on.
        return true;
    }
}

} // namespace nimbo
