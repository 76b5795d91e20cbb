#pragma once
// "FrmAltriDest": the further recipients of an outgoing protocol besides its
// main one. The list is built here from single entries of the address book,
// from groups of entries and from entries added through quick entry, and
// the protocol server replaces the protocol's list with it as a whole
// (operation 14).
//
// The caller names the protocol with setProtocol(direction, number) and
// says through the mode whether the list may be changed: "CONSULTAZIONE"
// only shows it, any other mode changes it. A cancelled or incoming
// protocol is only shown.

#include "links/FrmAltriDestRules.h"
#include "ui/ChildWindow.h"

class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace nimbo::ui {
class RowList;
}

namespace nimbo::links {

class FrmAltriDest : public ChildWindow {
    Q_OBJECT
public:
    inline static const QString kReadOnly = QStringLiteral("CONSULTAZIONE");

    explicit FrmAltriDest(QWidget *parent = nullptr);

    // Shows the protocol of the operator's body and its further recipients.
    Q_INVOKABLE void setProtocol(const QString &direction, const QString &number);
    void ELABORATBAR(const QString &key) override;
    QSize sizeHint() const override;

    // Whether the list may be changed and registered.
    bool mayChange() const;
    const QVector<recipients::Recipient> &recipients() const { return list_; }

    // The selection panel: searches singles or groups with the criteria shown.
    void search();
    // Adds the chosen singles, or the members of the chosen groups.
    void addChosen();
    // Takes the chosen rows (ticked, or else the current one) off the list.
    void removeChosen();
    // Sends the list to the protocol server; closes the window on success.
    void registerList();

public slots:
    // An entry just made through quick entry for this window: added to the list.
    void setCorrespondent(const QString &code, const QString &description);

protected:
    void modeChanged() override;

private:
    void buildSelection(QWidget *parent);
    void applyMode();
    void showList();
    void openQuickEntry();
    bool groupsShown() const;
    recipients::Search criteria() const;
    // Rows read as entries: identifier, name, street, number, town.
    QVector<recipients::Recipient> entries(const QString &sql) const;

    QLineEdit *direction_ = nullptr, *number_ = nullptr, *date_ = nullptr, *subject_ = nullptr;
    QLabel *main_ = nullptr;
    ui::RowList *others_ = nullptr;
    QPushButton *open_ = nullptr, *drop_ = nullptr, *save_ = nullptr;
    QGroupBox *selection_ = nullptr;
    QRadioButton *singles_ = nullptr, *groups_ = nullptr;
    QComboBox *filter_ = nullptr;
    QLineEdit *text_ = nullptr;
    ui::RowList *found_ = nullptr;
    QPushButton *add_ = nullptr, *newEntry_ = nullptr;

    QString protocolDirection_, protocolNumber_, state_;
    qlonglong mainRecipient_ = 0;
    QVector<recipients::Recipient> list_;
    QVector<recipients::Recipient> offered_; // the singles the selection shows
};

} // namespace nimbo::links
