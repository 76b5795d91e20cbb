#pragma once
// "Assegnazione Documenti": the protocol office (or an office holding the
// document) assigns a registered protocol to offices and members, for
// competence or for information. The window loads the latest assignment of
// the protocol so that it can be changed and sent again; the rules live in
// SendRules, this class wires the controls to them.
//
// Opened by name ("FrmAssegna") and then told which protocol it acts on:
//   auto *w = qobject_cast<iter::FrmAssegna *>(WindowRegistry::open(QStringLiteral("FrmAssegna")));
//   w->setProtocol(QStringLiteral("E"), QStringLiteral("20260000012"), QStringLiteral("07/12/2026"));
// The same call is reachable as an invokable for openers that do not link
// this library: QMetaObject::invokeMethod(w, "setProtocol", direction, number, date).

#include <QVector>

#include "iter/SendRules.h"
#include "ui/ChildWindow.h"

class QGroupBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;

namespace nimbo::ui {
class DateField;
class RowList;
} // namespace nimbo::ui

namespace nimbo::iter {

class RecipientEditor;

class FrmAssegna : public ChildWindow {
    Q_OBJECT
public:
    explicit FrmAssegna(QWidget *parent = nullptr);

    // The protocol to assign: direction "E"/"U", number as stored
    // ("20260000012") or shown ("2026-0000012"), protocol date "dd/mm/yyyy"
    // (or "yyyy-mm-dd"). Loads its latest assignment, if any.
    Q_INVOKABLE void setProtocol(const QString &direction, const QString &number, const QString &protocolDate);

    void ELABORATBAR(const QString &key) override;
    QSize sizeHint() const override;

    // What the list holds, in order.
    const QVector<Recipient> &recipients() const;
    // The key of the loaded assignment movement; empty for a new one.
    QString loadedMovement() const { return movement_; }
    bool completed() const { return completed_; }

    // The rows of the last successful assignment, for "Richiama ultima
    // assegnazione", kept for as long as the program runs.
    static QVector<Recipient> lastAssignment();
    static void forgetLastAssignment();

signals:
    // A successful assignment, just before the window closes.
    void assigned(const QString &movement);

private:
    void build();
    void loadAssignment();
    void showGroups();
    void addGroups();
    void recallLast();
    void assign();

    QString direction_, number_, protocolDate_;
    QString movement_;
    bool completed_ = false;

    QLabel *heading_ = nullptr;
    QLineEdit *txtEUI_ = nullptr, *txtProtI_ = nullptr, *txtDataI_ = nullptr, *txtSerialeMov_ = nullptr;
    RecipientEditor *recipients_ = nullptr;
    QPlainTextEdit *notes_ = nullptr;
    QGroupBox *deadlineFrame_ = nullptr;
    ui::DateField *deadline_ = nullptr;
    QPushButton *cmdGruppo_ = nullptr, *cmdRichiama_ = nullptr, *cmdAssegna_ = nullptr, *cmdEsci_ = nullptr;
    QGroupBox *groups_ = nullptr;
    ui::RowList *groupList_ = nullptr;
};

} // namespace nimbo::iter
