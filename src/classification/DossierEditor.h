#pragma once
// frmFascicoli: the dossiers of one class (context columns Tab_Ente,
// Tab_Titolo, Tab_Categoria, Tab_Classe, given by the classes window) and
// the detail of the chosen one. The protocol server writes them and hands
// out the code of a new one; a dossier that classifies a protocol cannot be
// deleted.

#include "classification/DossierRules.h"
#include "ui/RecordEditor.h"

class QLineEdit;

namespace nimbo::ui {
class DateField;
class RowList;
} // namespace nimbo::ui

namespace nimbo::classification {

class DossierEditor : public ui::RecordEditor {
    Q_OBJECT
public:
    explicit DossierEditor(QWidget *parent = nullptr);

    void ELABORATBAR(const QString &key) override;
    ui::RowList *list() const { return list_; }

protected:
    ui::CheckList checks(bool isNew) const override;
    QVector<ui::UsageCheck> usageChecks(const ui::Record &record) const override;
    void enteredMode(Mode mode) override;
    void loaded(const ui::Record &record) override;
    void written(bool deleted) override;
    QString writeCondition(const ui::Record &key) const override;
    bool writeRecord(const ui::Record &record, bool isNew) override;

private:
    DossierClass dossierClass() const;
    static qint64 codeOf(const ui::Record &record);

    ui::RowList *list_;
    QLineEdit *code_;
    QLineEdit *description_;
    ui::DateField *opened_;
    ui::DateField *closed_;
    qint64 newCode_ = -1; // the code the server gave the dossier just written
};

} // namespace nimbo::classification
