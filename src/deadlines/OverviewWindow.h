#pragma once
// "Scadenzario Pratiche": the matters assigned for competence that fall due
// in the next days, or are past their deadline and not yet completed, as
// far as the operator's level lets him see them. CERCA lists them (at most
// a thousand, saying when the list was cut), a row opens in the detail with
// the assignment, PRECEDENTE/SUCCESSIVO move through the list; from the
// detail the clerk records a reminder, opens the documents, the iter, the
// links, the further recipients and the correspondent's other protocols.
// STAMPA prints the list; it can also be exported to a spreadsheet or a
// calendar.

#include <QDate>
#include <QVector>

#include "deadlines/DeadlineSearch.h"
#include "ui/ChildWindow.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QStackedWidget;

namespace nimbo::ui {
class RowList;
}
namespace nimbo::search {
class ProtocolDetail;
}

namespace nimbo::deadlines {

class FrmScadPratiche : public ChildWindow {
    Q_OBJECT
public:
    explicit FrmScadPratiche(QWidget *parent = nullptr);

    void ELABORATBAR(const QString &key) override;
    QSize sizeHint() const override;

    // CERCA: false when the criteria were refused or the read failed.
    bool search();
    // The most rows a search lists (overview::kRowLimit unless changed).
    void setRowLimit(int limit) { rowLimit_ = qMax(1, limit); }
    // Opens a row of the list (numbered as loaded) in the detail.
    bool openRow(int row);
    // PRECEDENTE (-1) and SUCCESSIVO (+1) in the order the list shows.
    void step(int delta);
    // ANNULLA: from the other documents back to the detail, from the
    // detail back to the list.
    void back();
    // STAMPA: the list as shown, through PraticheScadute.
    bool print();
    // "Esporta in Excel" and "Esporta calendario": the list as shown.
    bool exportSheet();
    bool exportCalendar();

    // The detail's buttons, on the matter shown.
    QWidget *registerReminder();
    void mailReminder();
    bool showOtherDocuments();
    QWidget *openIter();
    QWidget *openLinked();
    QWidget *openFurtherRecipients();

    ui::RowList *list() const { return list_; }
    ui::RowList *otherDocuments() const { return others_; }
    search::ProtocolDetail *detail() const { return detail_; }
    bool detailShown() const;
    bool otherDocumentsShown() const;
    // The found matters in the order and filter of the list.
    QVector<DeadlineRow> shownRows() const;
    // The matter in the detail (null when none).
    const DeadlineRow *current() const;

private:
    QWidget *buildCriteria(QWidget *page);
    QWidget *buildDetailPage();
    QWidget *buildOthersPage();
    void fillDepartments();
    void fillOffices();
    void showAssignment(const DeadlineRow &r);
    void fillMissingAddresses();
    void listToolbar();
    bool save(const QString &suggested, const QString &filter, const QString &suffix, QString *path);

    QStackedWidget *pages_ = nullptr;
    QWidget *listPage_ = nullptr, *detailPage_ = nullptr, *othersPage_ = nullptr;
    QRadioButton *optDue_ = nullptr, *optOverdue_ = nullptr;
    QComboBox *days_ = nullptr, *department_ = nullptr, *office_ = nullptr;
    QLineEdit *correspondent_ = nullptr, *subject_ = nullptr;
    QLabel *count_ = nullptr, *cut_ = nullptr, *othersHeading_ = nullptr;
    QPushButton *sheetButton_ = nullptr, *calendarButton_ = nullptr, *furtherButton_ = nullptr;
    ui::RowList *list_ = nullptr, *others_ = nullptr;
    search::ProtocolDetail *detail_ = nullptr;
    QLineEdit *aOffice_ = nullptr, *aAssigned_ = nullptr, *aDeadline_ = nullptr, *aNotes_ = nullptr;

    QVector<DeadlineRow> rows_;
    DeadlineCriteria searched_;
    QDate today_;
    int current_ = -1;
    int rowLimit_;
};

} // namespace nimbo::deadlines
