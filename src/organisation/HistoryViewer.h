#pragma once
// The history of a department or of an office, read only: the records of
// the operator's entity in a list (deleted ones too, marked so: their
// history is all that is left of them), the changes of the chosen one, and
// the record as one change left it. The rows are written by the database on
// every change; no window writes them.

#include <QHash>

#include "ui/ChildWindow.h"

class QComboBox;
class QLabel;
class QLineEdit;

namespace nimbo::ui {
class RowList;
}

namespace nimbo::organisation {

class HistoryViewer : public ChildWindow {
    Q_OBJECT
public:
    enum class Of { Department, Office };
    explicit HistoryViewer(Of of, QWidget *parent = nullptr);

    // The text a change type is shown as ("A" -> "ATTIVAZIONE UFFICIO").
    static QString typeText(Of of, const QString &type);

    // The queries, for the operator's entity.
    QString recordsQuery() const;
    QString changesQuery(const QString &code) const;
    QString changeQuery(int id, const QString &code) const;

    void ELABORATBAR(const QString &key) override;

private:
    void loadRecords();
    void recordChosen(int row);
    void changeChosen(int row);
    void clearDetail();

    Of of_;
    QString ente_;
    QString chosen_; // code of the record whose changes are listed
    QComboBox *departments_ = nullptr;
    ui::RowList *records_;
    ui::RowList *changes_;
    QLabel *changesHeading_;
    QLabel *detailHeading_;
    QHash<QString, QLineEdit *> detail_;
};

} // namespace nimbo::organisation
