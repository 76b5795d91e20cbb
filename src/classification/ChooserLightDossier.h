#pragma once
// "frmFascicoliLighT": the quick creation of a dossier in the class chosen
// in the dossier chooser. Only the description is typed; the protocol
// server hands out the code (operation 303). Opened from the chooser (its
// "Tag" property holds "FRMINSCLASS") it tells the chooser the new dossier.

#include "classification/ChooserRules.h"
#include "ui/ChildWindow.h"

class QLabel;
class QLineEdit;
class QPushButton;

namespace nimbo::classification {

class FrmFascicoliLight : public ChildWindow {
    Q_OBJECT
public:
    explicit FrmFascicoliLight(QWidget *parent = nullptr);

    // The class the dossier goes into, with the descriptions shown.
    void setDossierClass(const SchemePath &path, const QString &titleDescription, const QString &categoryDescription,
                         const QString &classDescription);
    void ELABORATBAR(const QString &key) override;
    QSize sizeHint() const override;

    // Creates the dossier; its code, 0 when nothing was created.
    qint64 save();
    QString statusText() const;

signals:
    void dossierCreated(const QString &title, const QString &category, const QString &cls, qint64 code,
                        const QString &description);

private:
    SchemePath path_;
    QLabel *classLabel_ = nullptr, *status_ = nullptr;
    QLineEdit *description_ = nullptr, *code_ = nullptr;
    QPushButton *save_ = nullptr;
};

} // namespace nimbo::classification
