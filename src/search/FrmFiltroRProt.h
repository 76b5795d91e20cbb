#pragma once
// "Ricerca Protocolli": the general search over the register. The operator
// fills any of the criteria, CERCA lists what he may see (newest first, at
// most the chosen number of rows, with their count and a line telling when
// the limit left protocols out),
// a row opens read-only in the same window and PRECEDENTE/SUCCESSIVO move
// through the list; STAMPA prints the list. The criteria can be kept under
// a name and run again later.

#include <QPointer>

#include "search/GeneralSearch.h"
#include "ui/ChildWindow.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QStackedWidget;

namespace nimbo::ui {
class DateField;
class RowList;
} // namespace nimbo::ui

namespace nimbo::search {

class ProtocolDetail;

class FrmFiltroRProt : public ChildWindow {
    Q_OBJECT
public:
    // With archive, the search of the past years' register
    // ("FrmStoricoRProt"): only protocols dated before the current year.
    explicit FrmFiltroRProt(QWidget *parent = nullptr, bool archive = false);

    void ELABORATBAR(const QString &key) override;
    QSize sizeHint() const override;

    // CERCA: false when a criterion was refused or the read failed (the
    // list is then left as it was).
    bool search();
    // Opens a row of the list (numbered as loaded) in the detail.
    bool openRow(int row);
    // PRECEDENTE (-1) and SUCCESSIVO (+1) in the order the list shows.
    void step(int delta);
    // ANNULLA: back to the list.
    void backToList();
    // STAMPA: the list as it is shown.
    bool print();

    // The criteria as typed, and typed back (a department or office the
    // operator may no longer see is left out: false then).
    GeneralCriteria criteria() const;
    bool applyCriteria(const GeneralCriteria &c);

    // The saved searches: the name typed is saved, the one chosen in the
    // combo is run or removed.
    bool saveSearch();
    bool runSaved();
    bool removeSaved();

    ui::RowList *list() const { return list_; }
    ProtocolDetail *detail() const { return detail_; }
    bool detailShown() const;

private:
    void buildCriteria(QWidget *page);
    void buildSaved(QWidget *page);
    void fillDocumentTypes();
    void fillDepartments();
    void fillOffices();
    void reloadSaved(const QString &current = QString());
    void focusControl(const QString &name);

    QDate before_;
    QStackedWidget *pages_ = nullptr;
    QWidget *listPage_ = nullptr;
    QLineEdit *year_ = nullptr, *number_ = nullptr, *emergency_ = nullptr, *correspondent_ = nullptr,
              *subject_ = nullptr, *savedName_ = nullptr;
    ui::DateField *date_ = nullptr;
    QComboBox *operator_ = nullptr, *docType_ = nullptr, *department_ = nullptr, *office_ = nullptr,
              *limit_ = nullptr, *saved_ = nullptr;
    QCheckBox *incoming_ = nullptr, *outgoing_ = nullptr;
    QLabel *count_ = nullptr, *cut_ = nullptr;
    ui::RowList *list_ = nullptr;
    ProtocolDetail *detail_ = nullptr;
    bool searched_ = false;
};

} // namespace nimbo::search
