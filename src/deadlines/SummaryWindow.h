#pragma once
// "Ricerca in iter documento": which documents an office or member passed
// to another office or member, and when. CERCA lists them (newest first, at
// most the chosen number of protocols), a double click shows one read-only,
// STAMPA prints the list under a heading that states the criteria.

#include "deadlines/SummaryRules.h"
#include "ui/ChildWindow.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QStackedWidget;

namespace nimbo::ui {
class DateField;
class RowList;
} // namespace nimbo::ui

namespace nimbo::search {
class ProtocolDetail;
}

namespace nimbo::deadlines {

class FrmRiepiloghiIter : public ChildWindow {
    Q_OBJECT
public:
    explicit FrmRiepiloghiIter(QWidget *parent = nullptr);

    void ELABORATBAR(const QString &key) override;
    QSize sizeHint() const override;

    // CERCA: false when a criterion was refused or the read failed.
    bool search();
    // STAMPA: the list as shown, under the criteria's heading.
    bool print();
    // Shows a row of the list (numbered as loaded) read-only.
    bool openRow(int row);
    void backToList();

    summary::Criteria criteria() const;
    // The heading of the print for the criteria as chosen now.
    QString headingText() const;

    ui::RowList *list() const { return list_; }
    search::ProtocolDetail *detail() const { return detail_; }
    bool detailShown() const;

private:
    void buildCriteria(QWidget *page);
    void fillOffices(QComboBox *department, QComboBox *office);
    void fillSenders();
    void fillMembers();

    QStackedWidget *pages_ = nullptr;
    QWidget *listPage_ = nullptr;
    QCheckBox *incoming_ = nullptr, *outgoing_ = nullptr;
    ui::DateField *from_ = nullptr, *to_ = nullptr;
    QLineEdit *subject_ = nullptr, *correspondent_ = nullptr;
    QComboBox *fromDepartment_ = nullptr, *fromOffice_ = nullptr, *fromOperator_ = nullptr;
    QComboBox *toDepartment_ = nullptr, *toOffice_ = nullptr, *toMember_ = nullptr;
    QComboBox *limit_ = nullptr;
    QLabel *count_ = nullptr;
    ui::RowList *list_ = nullptr;
    search::ProtocolDetail *detail_ = nullptr;
};

} // namespace nimbo::deadlines
