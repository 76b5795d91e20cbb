#include "ui/FileDrop.h"

#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QFileInfo>
#include <QMimeData>
#include <QUrl>
#include <QWidget>

namespace nimbo::ui {

namespace {

QStringList localFiles(const QMimeData *data)
{
    QStringList out;
    if (!data || !data->hasUrls())
        return out;
    const auto urls = data->urls();
    for (const QUrl &u : urls)
        if (u.isLocalFile())
            out << u.toLocalFile();
    return out;
}

class DropFilter : public QObject {
public:
    DropFilter(QWidget *w, std::function<void(const QStringList &)> dropped)
        : QObject(w), dropped_(std::move(dropped))
    {
    }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        switch (event->type()) {
        case QEvent::DragEnter:
        case QEvent::DragMove: {
            auto *e = static_cast<QDropEvent *>(event);
            if (localFiles(e->mimeData()).isEmpty())
                e->ignore();
            else
                e->acceptProposedAction();
            return true;
        }
        case QEvent::Drop: {
            auto *e = static_cast<QDropEvent *>(event);
            const QStringList files = localFiles(e->mimeData());
            if (files.isEmpty()) {
                e->ignore();
                return true;
            }
            e->acceptProposedAction();
            dropped_(files);
            return true;
        }
        default:
            return QObject::eventFilter(watched, event);
        }
    }

private:
    std::function<void(const QStringList &)> dropped_;
};

} // namespace

FileKind fileKind(const QString &path)
{
    if (QFileInfo(path).suffix().compare(QLatin1String("eml"), Qt::CaseInsensitive) == 0)
        return FileKind::Email;
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return FileKind::Other;
    const QByteArray head = f.read(8);
    if (head.startsWith("%PDF-"))
        return FileKind::Pdf;
    if (head.startsWith(QByteArray("II*\0", 4)) || head.startsWith(QByteArray("MM\0*", 4)))
        return FileKind::Tiff;
    if (head.startsWith("\x89PNG\r\n\x1a\n"))
        return FileKind::Png;
    if (head.startsWith("\xff\xd8\xff"))
        return FileKind::Jpeg;
    return FileKind::Other;
}

std::optional<QString> refuseDocument(const QString &path)
{
    const QFileInfo info(path);
    const QString name = info.fileName();
    if (!info.exists())
        return QStringLiteral("Il file %1 non esiste.").arg(name);
    if (info.isDir())
        return QStringLiteral("%1 è una cartella: trascinare i singoli documenti.").arg(name);
    if (!info.isReadable())
        return QStringLiteral("Il file %1 non si può leggere.").arg(name);
    switch (fileKind(path)) {
    case FileKind::Pdf:
    case FileKind::Tiff:
    case FileKind::Png:
    case FileKind::Jpeg:
        return std::nullopt;
    default:
        return QStringLiteral("Il file %1 non è un documento PDF, TIFF, PNG o JPEG: non può essere allegato.")
            .arg(name);
    }
}

void acceptFileDrops(QWidget *widget, std::function<void(const QStringList &paths)> dropped)
{
    widget->setAcceptDrops(true);
    widget->installEventFilter(new DropFilter(widget, std::move(dropped)));
}

} // namespace nimbo::ui
