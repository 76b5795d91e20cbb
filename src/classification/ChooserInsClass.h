#pragma once
// The dossier chooser "FrmInsClass": title, category and class among the
// active elements of the scheme, the open dossiers of the class (several
// may be chosen), the quick creation of a new one, and the confirmation
// that hands the chosen dossiers to the window that asked for them.

#include <QPointer>

#include "classification/ChooserRules.h"
#include "ui/ChildWindow.h"

class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;

namespace nimbo::ui {
class CodeLookup;
class PickList;
} // namespace nimbo::ui

namespace nimbo::classification {

class FrmInsClass : public ChildWindow {
    Q_OBJECT
public:
    explicit FrmInsClass(QWidget *parent = nullptr);

    // A new choice for `caller`: only the window that asked last receives
    // the dossiers (one chooser serves every window that opens it by name).
    Q_INVOKABLE void chooseFor(QObject *caller);
    void ELABORATBAR(const QString &key) override;
    QSize sizeHint() const override;

    SchemePath path() const;

public slots:
    // A dossier just created by the quick creation: listed and chosen, when
    // the chooser still stands on its class.
    void addCreated(const QString &title, const QString &category, const QString &cls, qint64 code,
                    const QString &description);

signals:
    // Every chosen dossier, on confirmation.
    void dossiersChosen(const nimbo::protocol::ChosenDossiers &dossiers);

private:
    void listDossiers();
    void confirm();
    void quickCreate();
    // A code changed: what hangs below it no longer holds.
    void levelChanged(Level level);
    bool exists(Level level) const;
    void fail(const ChooserFailure &failure);
    ui::CodeLookup *lookupOf(Level level) const { return lookups_[int(level)]; }

    ui::PickList *pick_ = nullptr;
    ui::CodeLookup *lookups_[3] = {};
    QListWidget *dossiers_ = nullptr;
    QPushButton *list_ = nullptr, *create_ = nullptr, *confirm_ = nullptr, *quit_ = nullptr;
    // The class the list was read for.
    SchemePath listed_;
};

} // namespace nimbo::classification
