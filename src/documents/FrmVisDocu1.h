#pragma once
// "Visualizza il documento Scannerizzato": the stored image of a protocol,
// page by page, with zoom, printing of a page range and a saved copy.

#include <QStringList>

#include "ui/ChildWindow.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QSpinBox;

namespace nimbo::documents {

class PageView;

class FrmVisDocu1 : public ChildWindow {
    Q_OBJECT
public:
    explicit FrmVisDocu1(QWidget *parent = nullptr);
    ~FrmVisDocu1() override;

    // Reads and shows the image; false (after telling the operator) when
    // there is none to show.
    Q_INVOKABLE bool setProtocol(const QString &direction, const QString &number);
    // The next protocol shown is read from the workstation's store only,
    // under this body (the emergency register's registrations).
    Q_INVOKABLE void setLocalStore(const QString &ente) { localStore_ = ente; }
    // The next protocol shown is named so instead of by its number: a
    // registration with a number of its own register (an emergency one)
    // must not read as a protocol of the general register.
    Q_INVOKABLE void setCaption(const QString &caption) { caption_ = caption; }

    void ELABORATBAR(const QString &key) override;
    QSize sizeHint() const override;
    int pageCount() const;
    int currentPage() const;

private:
    void printRange();
    void saveCopy();
    void shown(int page);

    QLabel *lblTitolo_, *lblPagine_;
    QSpinBox *txtPagina_;
    QComboBox *cboZoom_;
    QLineEdit *txtDa_, *txtA_;
    QPushButton *cmdSucc_, *cmdPrec_, *cmdEspandi_, *cmdStampa_, *cmdSalva_, *cmdEsci_;
    QWidget *controls_;
    PageView *view_;
    QString number_, work_, localStore_, caption_;
    QStringList files_;
};

} // namespace nimbo::documents
