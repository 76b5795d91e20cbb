#pragma once
// "Consulta Archivio Storico": the protocols of an older register kept in
// its own database and old layout (tables Protocollo, "M/D Multipli",
// "Uff Multipli", Uffici). The sources of the operator's department are
// declared in Tab_Fonte_DatiS; every read goes through the history server,
// which opens the source read-only. At most the first 5000 protocols that
// meet the criteria are listed.

#include <QString>

#include "data/Funzioni_Com_1.h"
#include "history/HistoryRules.h"
#include "ui/ChildWindow.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;

namespace nimbo::ui {
class DateField;
class RowList;
} // namespace nimbo::ui

namespace nimbo::history {

// Reads rows of a declared source through the history server (OLESTORICO).
// A failure is already shown to the operator under the caption.
Funzioni_Com_1::LoadedRows readOldArchive(const QString &source, const QString &sql, const QString &caption);

class FrmStorico : public ChildWindow {
    Q_OBJECT
public:
    explicit FrmStorico(QWidget *parent = nullptr);
    void ELABORATBAR(const QString &key) override;
    QSize sizeHint() const override;

    OldCriteria criteria() const;
    // Chooses a source by its index in the source combo.
    bool chooseSource(int index);
    bool search();
    bool openRow(int row);
    bool print();
    bool showScans();

    ui::RowList *list() const { return list_; }
    QString source() const { return source_; }
    QString detailText() const;

private:
    QComboBox *sources_, *offices_;
    QLineEdit *year_, *number_, *subject_, *correspondent_;
    ui::DateField *from_, *to_;
    QCheckBox *incoming_, *outgoing_;
    QLabel *count_, *cut_;
    QPushButton *cmdScan_;
    ui::RowList *list_;
    QPlainTextEdit *detail_;
    QString source_, images_, openKey_;
};

} // namespace nimbo::history
