#pragma once
// Files dragged from the desktop onto a window: the window names what it
// does with them, this part accepts the drag, collects the local files and
// checks their kind by their content (not by their name).

#include <QString>
#include <QStringList>
#include <functional>
#include <optional>

class QWidget;

namespace nimbo::ui {

enum class FileKind { Pdf, Tiff, Png, Jpeg, Email, Other };

// The kind of a file from its first bytes (an e-mail message by its ".eml"
// name, its content being plain text).
FileKind fileKind(const QString &path);

// Why a dropped file cannot become a protocol's document or attachment
// (missing, unreadable, a folder, not a PDF, TIFF, PNG or JPEG); nothing
// when it can.
std::optional<QString> refuseDocument(const QString &path);

// Makes the widget take files dropped on it: the local files of a drop are
// handed to the callback (drops without local files are refused).
void acceptFileDrops(QWidget *widget, std::function<void(const QStringList &paths)> dropped);

} // namespace nimbo::ui
