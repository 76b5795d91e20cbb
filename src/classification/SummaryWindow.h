#pragma once
// "Ricerca Protocolli Classificati" (FrmRiepFascicoli): the classification
// tree of the body, opened level by level; choosing a class or a dossier
// lists its protocols of the period that the operator may see; a protocol
// opens read-only, its scanned documents open unless it is reserved, and
// the list is exported to a spreadsheet file.

#include <QPointer>

#include "classification/SummaryQueries.h"
#include "ui/ChildWindow.h"

class QLabel;
class QPushButton;
class QTreeView;

namespace nimbo::ui {
class DateField;
class RowList;
} // namespace nimbo::ui

namespace nimbo::classification {

class SummaryTree;

class FrmRiepFascicoli : public ChildWindow {
    Q_OBJECT
public:
    explicit FrmRiepFascicoli(QWidget *parent = nullptr);

    void ELABORATBAR(const QString &key) override;
    QSize sizeHint() const override;

    // Lists the protocols of the chosen class or dossier for the period
    // typed; false when nothing is chosen, the period is wrong or the read
    // failed (the operator has been told).
    bool showProtocols();
    // The chosen protocol read-only; its scanned documents.
    void openDetail();
    void openDocuments();
    // "Esporta": asks for the file and writes it.
    void exportList();

    SummaryTree *tree() const { return model_; }
    QTreeView *treeView() const { return view_; }
    ui::RowList *list() const { return list_; }

private:
    void choose(const QModelIndex &index);
    std::optional<QVector<summary::Element>> readChildren(const QStringList &path);
    // The chosen row of the list, as loaded; -1 (and the operator told)
    // when none is chosen.
    int chosenRow();

    SummaryTree *model_ = nullptr;
    QTreeView *view_ = nullptr;
    ui::DateField *from_ = nullptr, *to_ = nullptr;
    ui::RowList *list_ = nullptr;
    QLabel *heading_ = nullptr, *count_ = nullptr;
    QPushButton *show_ = nullptr, *detail_ = nullptr, *documents_ = nullptr, *export_ = nullptr, *exit_ = nullptr;
    std::optional<summary::Selection> chosen_;
    // What the list holds: the selection and period it was read for.
    std::optional<summary::Selection> listed_;
    summary::Period listedPeriod_;
    bool treeFailureShown_ = false;
};

} // namespace nimbo::classification
