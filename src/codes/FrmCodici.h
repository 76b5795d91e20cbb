#pragma once
// "Codici Applicazione": the tree of the tables listed in Tab_Tabelle, the
// codes of the chosen one in a grid and the detail of one code. The table
// the window writes changes with the node chosen; only the tables the
// program describes (CodeTables.h) can be chosen, any other row is shown
// as unavailable.

#include <QHash>

#include "ui/RecordEditor.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTreeView;

namespace nimbo::ui {
class RowList;
}

namespace nimbo::codes {

struct CodeTable;
class TableTree;

class FrmCodici : public ui::RecordEditor {
    Q_OBJECT
public:
    explicit FrmCodici(QWidget *parent = nullptr);
    ~FrmCodici() override;

    void ELABORATBAR(const QString &key) override;

    // Reads Tab_Tabelle into the tree again.
    void loadTree();
    // Chooses the node of a key ("R001"), as a click on it does; false
    // when there is none or it cannot be chosen.
    bool chooseNode(const QString &key);
    // The table being shown; null before a node is chosen.
    const CodeTable *table() const { return current_; }
    QTreeView *tree() const { return tree_; }
    ui::RowList *grid() const { return grid_; }
    // "CmdStampaTabella".
    void printTable();

protected:
    ui::CheckList checks(bool isNew) const override;
    void addColumns(Funzioni_Com_1::FieldList &fields, const ui::Record &record, bool isNew) const override;
    QVector<ui::UsageCheck> usageChecks(const ui::Record &record) const override;
    void enteredMode(Mode mode) override;
    void loaded(const ui::Record &record) override;
    QString toolbarFor(Mode mode) const override;

private:
    void nodeChosen(const QModelIndex &index);
    void showTable(const CodeTable *table, const QString &title);
    void fillRegions();

    TableTree *model_;
    QTreeView *tree_;
    QLabel *heading_;
    ui::RowList *grid_;
    QLineEdit *text1_;
    QLineEdit *text2_;
    QLineEdit *text3_;
    QLabel *caption3_;
    QComboBox *region_;
    QLabel *regionCaption_;
    QPushButton *cmdIns_;
    QPushButton *cmdRegistra_;
    QPushButton *cmdCancella_;
    QPushButton *cmdStampa_;
    QPushButton *cmdEsci_;
    const CodeTable *current_ = nullptr;
    QString currentKey_;
    QString storedExtra_; // the extra value as read, for the usage checks
};

} // namespace nimbo::codes
