#pragma once
// "Scannerizzazione Documenti": scans the paper document of a protocol into
// a multi-page TIFF (a new image, or pages after the stored ones) and
// stores it.

#include <QStringList>

#include "ui/ChildWindow.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QSpinBox;

namespace nimbo::documents {

class PageView;

class FrmSCAN : public ChildWindow {
    Q_OBJECT
public:
    explicit FrmSCAN(QWidget *parent = nullptr);
    ~FrmSCAN() override;

    Q_INVOKABLE void setProtocol(const QString &direction, const QString &number);
    // The next protocol is named so in the title instead of by its number
    // (an emergency registration, numbered in its own register).
    Q_INVOKABLE void setCaption(const QString &caption) { caption_ = caption; }

    // A TIFF dropped here takes the place of a scan: it is shown, and stored
    // with "Registra" as a scan is. False when refused; the operator has
    // been told why.
    Q_INVOKABLE bool loadFile(const QString &path);

    void ELABORATBAR(const QString &key) override;
    QSize sizeHint() const override;
    QString workFile() const { return work_; }

private:
    void selectScanner();
    void startScan();
    void store();
    void showPages();
    void status(const QString &text);

    QLineEdit *txtAnno_, *txtNumero_, *txtEU_;
    QRadioButton *optNuovo_, *optAccoda_;
    QComboBox *cboScanner_, *cboZoom_;
    QSpinBox *txtPagine_, *cboPagina_;
    QLabel *lblPagine_, *lblStato_;
    QPushButton *cmd_[4];
    PageView *view_;
    QString direction_, number_, work_, caption_;
    QStringList files_;
};

} // namespace nimbo::documents
