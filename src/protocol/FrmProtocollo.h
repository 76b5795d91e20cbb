#pragma once
// The registration window of the general register: registration of a new
// protocol, consultation and rewrite of a registered one, and the search
// that loads protocols into it. The rules live in ProtocolRules and
// ProtocolSearch; this class wires the controls to them.

#include <QHash>
#include <QString>

#include "protocol/ClassifyChoice.h"
#include "protocol/ProtocolRules.h"
#include "protocol/ProtocolSearch.h"
#include "ui/ChildWindow.h"
#include "ui/CodeLookup.h"

class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QListWidgetItem;
class QPushButton;
class QRadioButton;
class QStackedWidget;
class QTreeWidget;
class QTreeWidgetItem;
class QComboBox;
class QTabWidget;

namespace nimbo::ui {
class FormGroup;
}

namespace nimbo::protocol {

class LinkedPanel;

class FrmProtocollo : public ChildWindow {
    Q_OBJECT
public:
    // mode "CANCELLA" opens the consultation of protocols to be cancelled:
    // search and consultation only, nothing is registered or rewritten.
    explicit FrmProtocollo(const QString &mode = {}, QWidget *parent = nullptr);
    bool forCancellation() const { return mode() == QLatin1String("CANCELLA"); }

    void ELABORATBAR(const QString &key) override;
    // Wide enough for long descriptions; the main window bounds it.
    QSize sizeHint() const override;

    // What the status line shows.
    QString statusText() const;
    bool isNewProtocol() const { return isNew_; }
    bool isModifiable() const { return modifiable_; }
    QString lastNumber() const { return lastNumber_; }
    // "ARCH" or "ATTIVA" for the protocol loaded from the list.
    QString iterState() const { return iterState_; }
    // The registration panel as the rules see it.
    ProtocolForm form() const;

    static constexpr int kButtons = 11;

    // The five code fields with their description labels, in CodeField order.
    struct CodeControl {
        CodeField kind;
        const char *code, *description;
    };
    static const CodeControl kCodeControls[5];

public slots:
    // A correspondent just added to the address book for this window (quick
    // entry): its identifier and description fill the correspondent field.
    void setCorrespondent(const QString &code, const QString &description);
    // Dossiers chosen for a new protocol (the dossier chooser): appended to
    // LWClassifica, each once (ClassifyRegistration.cpp).
    void addDossiers(const nimbo::protocol::ChosenDossiers &chosen);
    // The precedent chosen in the protocol list for precedents: shown in the
    // precedent fields; a registered protocol is linked to it at once, a new
    // one right after its registration (FrmProtocolloCollegati.cpp).
    void setPrecedent(const QString &direction, const QString &number, const QString &subject);

private slots:
    // Reads again the iter of the protocol on screen (an assignment made
    // from this window has added a movement).
    void reloadIter();
    // Reads again the dossiers of the protocol on screen (changed in the
    // classification window).
    void reloadDossiers();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    // The menu item's mode arrived: back to the entry state of that mode.
    void modeChanged() override;

    // A variant of the registration (a window built on this one) may give a
    // new protocol checks of its own, run before the common ones, and its
    // own operation and request; by default none, and operation 10.
    virtual std::optional<Failure> checkNew(ProtocolForm *f, const Context &ctx);
    virtual short newRequest(const ProtocolForm &f, const Context &ctx, QVariantList *request) const;
    // For a window that registers on this form in its own way (a subclass
    // with fields of its own): each hook runs at its point of REGISTRA and
    // here leaves the registration as it is.
    // Checks of its own, run before the common ones.
    virtual std::optional<Failure> checksBefore(const ProtocolForm &f, const Context &ctx) const;
    // The question asked before a new protocol is written, empty for none.
    virtual QString subjectWarning(const ProtocolForm &f, const Context &ctx) const;
    // Columns of the request that take other values (or are added).
    virtual ColumnValues ownColumns(const ProtocolForm &f, const Context &ctx) const;
    // Where such a window puts its fields, and its status line.
    QWidget *registrationPanel() const { return registration_; }
    void setStatus(const QString &text);

private:
    // construction
    void buildRegistration(QWidget *panel);
    void buildSearch(QWidget *panel);
    QLineEdit *edit(QWidget *parent, const char *name, bool readOnly = false);
    QLineEdit *dateEdit(QWidget *parent, const char *name, bool readOnly = false);
    QLabel *label(QWidget *parent, const char *name);
    QLabel *descLabel(QWidget *parent, const char *name);
    QWidget *buildButtons(QWidget *panel);
    QPushButton *backButton(QWidget *panel);

    // registration panel
    void newProtocol();
    void cancelEdit();
    void registerProtocol();
    void clearFields();
    void setDirection(const QString &direction);
    void applyDirectionRight();
    void applyState(const QString &state);
    void enableButtons(const QVector<int> &enabled);
    // The matches of a code lookup, as the pick list shows them.
    QVector<ui::Match> matches(CodeField field, const QString &typed, bool byDescription,
                               LookupList list = LookupList::Whole) const;
    ui::CodeLookup *lookupOf(CodeField field) const { return lookups_[int(field)]; }
    // Asks before typed data is thrown away; true when it may go.
    bool mayDiscard();
    // Quick entry of a correspondent not yet in the address book
    // (FrmProtocolloRubrica.cpp).
    void newCorrespondent();
    void showCorrespondentInBook();
    // "Altri Destinatari": the further recipients of the outgoing protocol shown.
    void openFurtherRecipients();
    void searchRecurringSubjects();
    // The recurring subjects of the department and direction beginning with the text.
    QVector<ui::Match> recurringSubjects(const QString &typed) const;
    void takeRecurringSubject(const ui::Match &m);
    void recallLast();
    void rememberForRecall();
    bool saveRecurringSubject();
    void otherProtocols();
    void printLabel();
    void printReceipt();
    // "Assegna" / "Trasmetti": the assignment window for the protocol shown.
    void openAssignment();
    // "Classifica": the dossier chooser for a new protocol, the
    // classification window for a registered one; "Rimuovi" drops a dossier
    // from a new protocol's list (ClassifyRegistration.cpp).
    QWidget *buildClassifyButtons(QWidget *parent);
    void openClassification();
    void removeDossier();
    void updateClassifyButtons();
    // The scanning, image and attachment windows (FrmProtocolloDocumenti.cpp).
    static QString documentWindow(int button);
    void openDocumentWindow(int button);
    // Files dropped on the window become attachments of the protocol shown.
    void dropFiles(const QStringList &paths);
    Context context() const;
    void focusField(const QString &name);

    // linked protocols and precedent (FrmProtocolloCollegati.cpp)
    void addPrecedentRow(ui::FormGroup *group);
    void showLinks();
    void choosePrecedent();
    void updatePrecedentButton();
    // Links the protocol just registered to the precedent chosen for it;
    // false (the clerk told) when that write failed.
    bool linkPrecedent(const QString &direction, const QString &number);

    // search panel (FrmProtocolloRicerca.cpp)
    void showSearch();
    void runSearch();
    SearchCriteria criteria() const;
    void loadProtocol(QTreeWidgetItem *item);
    void step(int delta);
    void fillDocTypes();

    QLineEdit *field(const char *name) const;
    QLabel *desc(const char *name) const;

    QStackedWidget *panels_ = nullptr;
    QWidget *registration_ = nullptr, *search_ = nullptr, *linked_ = nullptr, *cancelled_ = nullptr;
    QRadioButton *optE_ = nullptr, *optU_ = nullptr;
    QGroupBox *senderRef_ = nullptr;
    QPushButton *cmdNuovoMitDest_ = nullptr;
    QPushButton *cmdMitDest_ = nullptr, *cmdAltriDest_ = nullptr, *cmdRichiama_ = nullptr, *cmdOggetto_ = nullptr;
    QCheckBox *privacy_ = nullptr, *saveSubject_ = nullptr;
    QLabel *state_ = nullptr, *status_ = nullptr;
    ui::PickList *listDecod_ = nullptr;
    ui::CodeLookup *lookups_[5] = {};
    QTabWidget *lists_ = nullptr;
    QTreeWidget *classifica_ = nullptr, *iter_ = nullptr;
    LinkedPanel *linkPanel_ = nullptr;
    QPushButton *cmdPrecedente_ = nullptr;
    QString precedentDirection_, precedentNumber_;
    QPushButton *cmdClassifica_ = nullptr, *cmdRimuoviClass_ = nullptr;
    QPushButton *buttons_[kButtons] = {};
    QHash<QString, QLineEdit *> edits_;
    QHash<QString, QLabel *> labels_;

    // search controls
    QComboBox *cboTipoDoc_ = nullptr;
    QCheckBox *chkE_ = nullptr, *chkU_ = nullptr;
    QRadioButton *optAttivi_ = nullptr, *optPrivacy_ = nullptr, *optTutti_ = nullptr;
    QTreeWidget *list_ = nullptr;
    QLabel *found_ = nullptr;

    bool isNew_ = false;
    bool modifiable_ = true;
    bool listLoaded_ = false;
    QString lastNumber_;
    QString iterState_;
    QString emergencyNumber_;
    // The last protocol entered here, for the recall.
    QHash<QString, QString> tags_;
    QVector<Dossier> lastDossiers_;
};

// Makes the registration window known to the main window ("FrmProtocollo").
void registerProtocolWindows();

// The matches of a code lookup of a registration, as the pick list shows
// them (a correspondent's code without its padding).
QVector<ui::Match> registrationMatches(CodeField kind, const QString &typed, const LookupScope &scope,
                                       bool byDescription, LookupList list = LookupList::Whole);

} // namespace nimbo::protocol
