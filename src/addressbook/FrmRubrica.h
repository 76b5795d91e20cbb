#pragma once
// The address book of the entity: the search (name beginning with or
// containing the text, kind, number of rows) with its result list at the
// left, the chosen entry at the right. Identifiers come from the protocol
// server; an entry that a protocol uses keeps its name, and an entry used
// by a protocol or a group is never deleted. A caller that names an entry
// (presetIdentifier) gets the list limited to it and the entry shown, until
// "NUOVO", "ANNULLA" or a new search.

#include "ui/RecordEditor.h"

class QComboBox;
class QLineEdit;
class QPushButton;

namespace nimbo::ui {
class CodeLookup;
class PickList;
class RowList;
} // namespace nimbo::ui

namespace nimbo::addressbook {

class FrmRubrica : public ui::RecordEditor {
    Q_OBJECT
    Q_PROPERTY(qlonglong presetIdentifier READ presetIdentifier WRITE setPresetIdentifier)
public:
    explicit FrmRubrica(QWidget *parent = nullptr);

    // Runs the search with the criteria shown (a preset entry is forgotten).
    void search();
    void ELABORATBAR(const QString &key) override;

    // The entry the window is limited to (0: none).
    qlonglong presetIdentifier() const { return preset_; }
    void setPresetIdentifier(qlonglong id);

protected:
    ui::CheckList checks(bool isNew) const override;
    void addColumns(Funzioni_Com_1::FieldList &fields, const ui::Record &record, bool isNew) const override;
    QVector<ui::UsageCheck> usageChecks(const ui::Record &record) const override;
    void enteredMode(Mode mode) override;
    void loaded(const ui::Record &record) override;
    void written(bool deleted) override;
    QString toolbarFor(Mode mode) const override;
    bool writeRecord(const ui::Record &record, bool isNew) override;

private:
    QString listQuery() const;
    void showProtocols();

    QString ente_;
    qlonglong preset_ = 0;
    ui::PickList *pick_;
    ui::RowList *list_;
    QLineEdit *search_;
    QComboBox *filter_;
    QComboBox *kinds_;
    QComboBox *rows_;
    QLineEdit *name_;
    QLabel *municipalityName_;
    QLabel *postal_;
    QLabel *kindName_;
    QComboBox *nimbo_;
    QPushButton *protocols_;
    ui::CodeLookup *municipality_;
    ui::CodeLookup *kind_;
    QString readName_;               // the name as the entry was read
    mutable QString askedAbout_;     // the name the duplicate question was last asked for
    mutable qlonglong lastWritten_ = 0;
};

} // namespace nimbo::addressbook
