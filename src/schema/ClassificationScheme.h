#pragma once
// A body's classification scheme brought in from a file, so that a body can
// load its own titles, categories and classes at installation. The file is
// CSV in UTF-8 (separator ";" or ",") whose first line names the columns:
//
//   title;category;class;description;active
//
// A title row leaves category and class empty, a category row leaves the
// class empty; codes take at most 3 characters (stored upper case), the
// description is required (at most 200 characters for a title, 100 for the
// others), active is 1, 0 or empty (1). A category's title, and a class's
// category, must come in a line above it or be already in the database.
// Elements already there get the file's description and active flag; the
// others are added. Nothing is loaded when a line is wrong.

#include <QByteArray>
#include <QList>
#include <QSqlDatabase>
#include <QStringList>

namespace Schema::ClassificationScheme {

struct Element {
    int line = 0; // of the file, the heading being line 1
    QString title, category, cls; // category and class empty for a title, class for a category
    QString description;
    int active = 1;
    int level() const { return cls.isEmpty() ? (category.isEmpty() ? 0 : 1) : 2; }
};

// Reads and checks the file by itself. False when anything is wrong:
// *problems then holds a line for the file ("intestazione: ...") or one per
// wrong line ("riga N: ...").
bool read(const QByteArray &content, QList<Element> *elements, QStringList *problems);

struct Summary {
    int added[3] = {0, 0, 0};   // titles, categories, classes
    int updated[3] = {0, 0, 0};
    int total() const;
    QString text() const;
};

// Writes the elements for the body, in the caller's transaction. With
// addOnly, elements already there are left as they are. False when a
// parent is missing (*problems names the lines) or the database fails
// (*error).
bool apply(QSqlDatabase &db, const QString &ente, const QList<Element> &elements, bool addOnly, const QString &writer,
           Summary *summary, QStringList *problems, QString *error);

// The scheme of the demo body, shipped with the program in the same format.
QByteArray demoFile();

} // namespace Schema::ClassificationScheme
