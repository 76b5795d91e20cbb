#pragma once
// "Gestione Iter del Documento": the protocols held in charge by the
// operator's office, the iter of the chosen one, the deadline search and
// its print, the label of taking in charge, and the doors to the in-tray,
// the sent and the completed documents and the transmission.

#include <QDate>

#include "data/Funzioni_Com_1.h"

#include "protocol/ProtocolPrint.h"
#include "ui/ChildWindow.h"

class QAction;
class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QTabWidget;
class QToolBar;

namespace nimbo::ui {
class DateField;
class RowList;
} // namespace nimbo::ui

namespace nimbo::iter {

class FrmGestIter : public ChildWindow {
    Q_OBJECT
public:
    explicit FrmGestIter(QWidget *parent = nullptr);

    void ELABORATBAR(const QString &key) override;

    // "Visualizza": false when the criteria were refused or the read failed.
    bool showInCharge();
    // The protocol of a row of the in-charge list into the iter tab.
    void showProtocol(const QString &direction, const QString &number);
    // "Esegui ricerca" of the deadline tab.
    bool searchDeadlines();
    // "Stampa Elenco".
    bool printDeadlines();
    // "Stampa Etichetta".
    bool printTakenLabel();
    // A window opened by name for the protocol shown; null when the name
    // is not registered.
    QWidget *openForProtocol(const QString &windowName);

    // Where the label's printer commands go (the program's raw printer
    // output unless replaced).
    void setRawPrinter(protocol::RawLinePrinter printer) { rawPrinter_ = std::move(printer); }

    // The protocol shown in the iter tab (empty direction when none).
    QString shownDirection() const { return direction_; }
    QString shownNumber() const { return number_; }

private:
    QWidget *buildInChargeTab();
    QWidget *buildIterTab();
    QWidget *buildDeadlineTab();
    void buildToolbar();
    QPushButton *button(const char *name, const QString &text, QWidget *parent);
    void movementChosen(int row);
    void toolbarPressed(int index);
    void reloadAfter(QWidget *opened);
    bool protocolChosen();

    QTabWidget *tabs_;
    QToolBar *btnTB_;
    QVector<QAction *> tb_;
    // In-charge list.
    QCheckBox *optE_, *optU_;
    ui::DateField *from_, *to_;
    QLineEdit *subject_, *correspondent_, *year_, *numberField_;
    QComboBox *docType_;
    ui::RowList *inCharge_;
    // Iter of the chosen protocol.
    QLineEdit *hDirection_, *hNumber_, *hDate_, *hState_, *hType_, *hName_, *hAddress_, *hCivic_, *hTown_,
        *hSubject_, *hEmergency_, *deadline_;
    QLabel *correspondentCaption_, *assignmentKind_;
    QLineEdit *notes_;
    ui::RowList *iter_, *recipients_;
    // Deadlines.
    QRadioButton *optDue_, *optOverdue_;
    QComboBox *days_;
    ui::RowList *deadlines_;
    QLabel *deadlineCount_;
    QDate deadlineToday_;
    Funzioni_Com_1::Columns deadlineShown_;
    int searchedOption_ = 0;
    QString searchedDays_;
    protocol::RawLinePrinter rawPrinter_;

    QString direction_, number_;
    QDate protocolDate_;
};

} // namespace nimbo::iter
