#pragma once
// The classification scheme's maintenance windows: FrmTitoli (the titles of
// the body), FrmCategorie (the categories of a title) and frmClassi (the
// classes of a category) are one editor at three levels. Each lists the
// elements under the parents its opener gives (context columns Tab_Ente,
// Tab_CodiceTitolo, Tab_CodiceCategoria) beside the detail of the chosen
// one, and its button opens the level below for the chosen element (the
// classes open their dossiers).

#include "classification/SchemeRules.h"
#include "ui/RecordEditor.h"

class QCheckBox;
class QLineEdit;
class QPushButton;

namespace nimbo::ui {
class RowList;
}

namespace nimbo::classification {

class SchemeEditor : public ui::RecordEditor {
    Q_OBJECT
public:
    explicit SchemeEditor(SchemeLevel level, QWidget *parent = nullptr);

    SchemeLevel level() const { return level_; }
    ui::RowList *list() const { return list_; }
    // The button that opens the level below for the chosen element.
    void openChild();

protected:
    ui::CheckList checks(bool isNew) const override;
    QVector<ui::UsageCheck> usageChecks(const ui::Record &record) const override;
    void enteredMode(Mode mode) override;
    void loaded(const ui::Record &record) override;
    bool writeRecord(const ui::Record &record, bool isNew) override;

private:
    // The element's place, from the context and the record's code.
    SchemePath pathOf(const ui::Record &record) const;

    SchemeLevel level_;
    ui::RowList *list_;
    QLineEdit *code_;
    QLineEdit *description_;
    QCheckBox *active_;
    QPushButton *child_;
};

} // namespace nimbo::classification
