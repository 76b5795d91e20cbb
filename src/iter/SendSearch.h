#pragma once
// The search fields of the sent and completed lists: direction, period,
// subject, document type, correspondent, year and number, and "Visualizza".

#include <QWidget>

#include "iter/SendLists.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace nimbo::ui {
class DateField;
}

namespace nimbo::iter {

class SearchFields : public QWidget {
    Q_OBJECT
public:
    explicit SearchFields(const QString &periodCaption, QWidget *parent = nullptr);

    ListCriteria criteria() const;
    void setPeriodCaption(const QString &caption);
    // Today minus a week to today, both directions the operator may see.
    void resetDefaults();
    QPushButton *searchButton() const { return search_; }

signals:
    void search();

private:
    QCheckBox *optE_ = nullptr, *optU_ = nullptr;
    QLabel *period_ = nullptr;
    ui::DateField *from_ = nullptr, *to_ = nullptr;
    QLineEdit *subject_ = nullptr, *correspondent_ = nullptr, *year_ = nullptr, *number_ = nullptr;
    QComboBox *type_ = nullptr;
    QPushButton *search_ = nullptr;
};

} // namespace nimbo::iter
