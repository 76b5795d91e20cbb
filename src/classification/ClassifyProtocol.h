#pragma once
// "FrmClassifica": the dossiers in which one registered protocol is filed.
// Dossiers are added through the dossier chooser and removed one at a time.
//
// Modes (setMode, after setProtocol, which puts the window back in the
// plain one): "MODIFICABILE" adds and removes; "CONSULTAZIONE" only shows;
// no mode adds but does not remove. A cancelled protocol only shows.

#include <QPointer>

#include "classification/ChooserRules.h"
#include "ui/ChildWindow.h"

class QLabel;
class QPushButton;

namespace nimbo::ui {
class RowList;
}

namespace nimbo::classification {

class FrmInsClass;

class FrmClassifica : public ChildWindow {
    Q_OBJECT
public:
    inline static const QString kModifiable = QStringLiteral("MODIFICABILE");
    inline static const QString kReadOnly = QStringLiteral("CONSULTAZIONE");

    explicit FrmClassifica(QWidget *parent = nullptr);

    // Shows the classification of the protocol of the operator's body.
    Q_INVOKABLE void setProtocol(const QString &direction, const QString &number);
    Q_INVOKABLE void setMode(const QString &mode) { ChildWindow::setMode(mode); }
    void ELABORATBAR(const QString &key) override;
    QSize sizeHint() const override;

    bool mayAdd() const;
    bool mayRemove() const;
    const QVector<Classified> &rows() const { return rows_; }

public slots:
    // Files the protocol in every chosen dossier not yet listed.
    void addDossiers(const nimbo::protocol::ChosenDossiers &chosen);

signals:
    // The protocol's dossiers were changed here.
    void classificationChanged(const QString &direction, const QString &number);

protected:
    void modeChanged() override;

private:
    void reload();
    void applyMode();
    void openChooser();
    void removeChosen();
    bool insert(const ChosenDossier &d, QStringList *problems);

    ui::RowList *list_ = nullptr;
    QLabel *protocol_ = nullptr;
    QPushButton *add_ = nullptr, *remove_ = nullptr;
    QPointer<FrmInsClass> chooser_;
    QString direction_, number_, state_;
    QVector<Classified> rows_;
};

} // namespace nimbo::classification
