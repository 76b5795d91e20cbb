#pragma once
// "Informazioni": the program's version, the schema version it understands
// and the one the register holds, the database engine and its server's
// version, and the libraries in use with their versions and licences.

#include <QList>
#include <QString>

#include "ui/ChildWindow.h"

class QPlainTextEdit;

namespace nimbo::startup {

struct LibraryInfo {
    QString name, version, licence;
};

// The libraries the program is linked with, as this run found them.
QList<LibraryInfo> libraries();

class FrmAbout : public ChildWindow {
    Q_OBJECT
public:
    explicit FrmAbout(QWidget *parent = nullptr);
    void ELABORATBAR(const QString &key) override;
    QSize sizeHint() const override;

    QString text() const;

private:
    QPlainTextEdit *text_;
};

void registerAboutWindow();

} // namespace nimbo::startup
