#pragma once
// "Elenco documenti Archiviati": the completed protocols the operator may
// see, with the closing details and the movements of the chosen one.

#include "iter/SendLists.h"
#include "ui/ChildWindow.h"

class QLabel;

namespace nimbo::ui {
class RowList;
}

namespace nimbo::iter {

class SearchFields;

class FrmArchiviati : public ChildWindow {
    Q_OBJECT
public:
    explicit FrmArchiviati(QWidget *parent = nullptr);

    void ELABORATBAR(const QString &key) override;
    QSize sizeHint() const override;

    // Runs the search ("Visualizza"); false when a check failed.
    bool search();
    // Shows the closing details and the movements of a row of the list.
    void showDetail(int row);
    ui::RowList *list() const { return list_; }
    ui::RowList *movements() const { return iter_; }
    // "Docum." and "Allegati": the images or attachments of the chosen row.
    void openDocumentsOfChosen(const QString &window);

private:
    SearchFields *fields_ = nullptr;
    ui::RowList *list_ = nullptr, *iter_ = nullptr;
    QLabel *closedOn_ = nullptr, *closingProtocol_ = nullptr, *notes_ = nullptr;
};

} // namespace nimbo::iter
