#pragma once
// The workstation's side of scanned images and attachments: where an image
// is stored (the image server or the local work database, by SERVERIMG),
// zipping by COMPRESSO, and reading a document back through the image
// server, which applies the privacy rule and logs the read. Nothing here
// shows a window: every call returns an outcome whose text the window shows.
//
// Every stored row carries its own Compresso flag and is read back by it,
// whatever COMPRESSO says now.
//
// In an emergency session (no central database) images are stored in and
// read from the local work database only, whatever SERVERIMG says, and no
// server is asked.
//
// Any thread may call these: on the GUI thread they use the session's local
// work database and set the busy state; on a worker (see Background.h) they
// open their own connections and leave the busy state to the window.

#include <QByteArray>
#include <QString>
#include <functional>
#include <optional>

namespace nimbo::documents {

struct Protocol {
    QString ente;
    QString direction; // "E" / "U"
    QString number;    // 11 digits
    // Only the workstation's store, never the server: the registrations of
    // the emergency register, kept under their own body.
    bool localOnly = false;
};

struct Outcome {
    bool ok = false;
    QString text;      // the message for the operator on failure
    QString code;      // "0" ok, "001" server not created, "002" call error, "003" error reply, ...
    bool refused = false; // privacy said no (or could not be checked)
    bool none = false;    // nothing stored
    bool enciphered = false; // stored enciphered: this program cannot show it
};

// This program never enciphers; a row stored enciphered elsewhere is
// refused with this text instead of being shown as garbage.
inline const QString kEncipheredText =
    QStringLiteral("Il documento è cifrato e non può essere visualizzato su questa postazione.");

// Steps of a long store or read, for a progress dialog: (done, total).
using Progress = std::function<void(int, int)>;

// The reader for the access log: the session's operator, workstation and
// network adapters, and the function named.
struct ReadContext {
    QString function;
};

// The largest image or attachment stored: each is read, zipped and sent
// whole in memory. The refusal of a larger one.
constexpr qint64 kMaxDocumentBytes = 100LL * 1024 * 1024;
std::optional<Outcome> tooLarge(qint64 bytes);

// Stores the image of a protocol (a whole TIFF) where SERVERIMG says,
// replacing the image it had, zipped when COMPRESSO is 1.
Outcome storeImage(const Protocol &p, const QByteArray &tiff, const Progress &progress = {});
// Reads the image: the copy kept in the local work database first (its
// read still checked and logged by the server), then the server's.
Outcome readImage(const Protocol &p, QByteArray *tiff, const Progress &progress = {});
// Whether the workstation keeps an image of the protocol.
bool hasLocalImage(const Protocol &p);

// Adds an attachment from a file on disk (description required by the
// window); *id is the new Id_allegato.
Outcome storeAttachment(const QString &ente, const QString &number, const QString &filePath,
                        const QString &description, qlonglong *id, const Progress &progress = {});
Outcome deleteAttachment(const QString &ente, qlonglong id);
Outcome readAttachment(const QString &ente, qlonglong id, QByteArray *data, const QString &function,
                       const Progress &progress = {});
// Reads the message file (.eml) of a provisional e-mail protocol.
Outcome readEmail(const QString &ente, qlonglong provisional, QByteArray *data, const QString &function,
                  const Progress &progress = {});

// A file name from a stored attachment name that can be written into the
// work folder: no folders, no "..", no control or path characters, never
// empty.
QString safeFileName(const QString &stored);
// A path in folder for name that no existing file has: "name", then
// "name (2).ext", ...
QString freePath(const QString &folder, const QString &name);
// The session's tempOle working folder (made when missing).
QString workFolder();

} // namespace nimbo::documents
