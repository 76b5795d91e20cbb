#pragma once
// "FrmRinviaScad" sets the first deadline of a protocol or postpones the one
// in force, with the official who authorised it; "FrmStoricoScadenze" lists
// a protocol's deadlines and removes the last postponement. Both are opened
// by name and take their protocol through setProtocol(direction, number);
// both write through the protocol server (operations 51 and 52). The rules
// live in PostponeRules.h.

#include <QDate>

#include "ui/ChildWindow.h"

class QLabel;
class QLineEdit;
class QPushButton;

namespace nimbo::ui
{
class DateField;
class RowList;
} // namespace nimbo::ui

namespace nimbo::deadlines
{

class FrmRinviaScad : public ChildWindow
{
    Q_OBJECT
public:
    explicit FrmRinviaScad(QWidget *parent = nullptr);
    void ELABORATBAR(const QString &key) override;

    // "Registra": true when the deadline was written (the window then closes).
    bool registerDeadline();
    QString number() const { return number_; }
    QDate currentDeadline() const { return current_; }

public slots:
    void setProtocol(const QString &direction, const QString &number);

private:
    QLabel *heading_;
    QLineEdit *currentField_;
    ui::DateField *newDate_;
    QLineEdit *reason_, *official_, *reference_;
    QPushButton *register_, *cancel_;
    QString direction_, number_;
    QDate current_;
};

class FrmStoricoScadenze : public ChildWindow
{
    Q_OBJECT
public:
    explicit FrmStoricoScadenze(QWidget *parent = nullptr);
    void ELABORATBAR(const QString &key) override;

    // Reads the history again; false when the read failed.
    bool reload();
    // "Elimina Ultimo Rinvio": true when it was removed.
    bool removeLast();
    ui::RowList *history() const { return list_; }
    QString number() const { return number_; }

public slots:
    void setProtocol(const QString &direction, const QString &number);

private:
    QLabel *heading_;
    ui::RowList *list_;
    QPushButton *remove_, *quit_;
    QString direction_, number_;
};

} // namespace nimbo::deadlines
