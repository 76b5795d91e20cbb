// The registration window's form: the registration panel with its groups
// of fields, its lists and its row of buttons.

#include "protocol/FrmProtocollo.h"
#include "protocol/FrmProtocolloTexts.h"

#include <QCheckBox>
#include <QComboBox>
#include <QEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QStackedWidget>
#include <QTabWidget>
#include <QTreeWidget>
#include <QVBoxLayout>
#include "data/Funzioni_Com_1.h"
#include "platform/Busy.h"
#include "platform/Dialogs.h"
#include "protocol/ProtocolPrint.h"
#include "session/DicAmbiente.h"
#include "session/GECentr.h"
#include "organisation/Pickers.h"
#include "ui/ColumnMemory.h"
#include "ui/CodeLookup.h"
#include "ui/TypeAhead.h"
#include "ui/DateField.h"
#include "ui/FormKit.h"
#include "ui/ProtocolNumber.h"
#include "ui/ReportOutput.h"
#include "ui/WindowRegistry.h"

namespace F = Funzioni_Com_1;

namespace nimbo::protocol {

void FrmProtocollo::buildRegistration(QWidget *panel)
{
    auto *v = new QVBoxLayout(panel);
    v->setContentsMargins(0, 0, 0, 0);
    v->setSpacing(4);

    // The protocol: direction, state, number, dates.
    auto *head = new ui::FormGroup(QStringLiteral("Protocollo"), panel);
    auto *dir = new QWidget(head);
    dir->setObjectName(QStringLiteral("OptTipoProtocollo"));
    auto *dirLayout = new QHBoxLayout(dir);
    dirLayout->setContentsMargins(0, 0, 0, 0);
    optE_ = new QRadioButton(QStringLiteral("Entrata"), dir);
    optE_->setObjectName(QStringLiteral("OptTipoProtocollo_0"));
    optU_ = new QRadioButton(QStringLiteral("Uscita"), dir);
    optU_->setObjectName(QStringLiteral("OptTipoProtocollo_1"));
    dirLayout->addWidget(optE_);
    dirLayout->addWidget(optU_);
    connect(optE_, &QRadioButton::clicked, this, [this] { setDirection(QStringLiteral("E")); });
    connect(optU_, &QRadioButton::clicked, this, [this] { setDirection(QStringLiteral("U")); });
    state_ = label(head, "StatoProto");
    state_->setToolTip(QStringLiteral("Doppio click per visualizzare estremi cancellazione"));
    state_->installEventFilter(this);
    QFont strong = state_->font();
    strong.setBold(true);
    state_->setFont(strong);
    QLineEdit *number = edit(head, "txtNumeroProtocollo", true);
    number->setFont(strong);
    number->setFixedWidth(ui::fieldWidth(number, 11));
    QLineEdit *time = edit(head, "OraProtocollo", true);
    time->setFixedWidth(ui::fieldWidth(time, 7));
    head->addRow(QStringLiteral("Tipo"), {dir, ui::Cell(new QWidget(head), 1), QStringLiteral("Stato"), state_});
    head->addRow(QStringLiteral("Numero"), {number, QStringLiteral("Data"), dateEdit(head, "DataProtocollo", true),
                                            QStringLiteral("Ora"), time, QStringLiteral("Registrato il"),
                                            dateEdit(head, "DataRegistrazione", true)});
    v->addWidget(head);

    // The document: correspondent, type, subject, notes.
    auto *doc = new ui::FormGroup(QStringLiteral("Documento"), panel);
    cmdMitDest_ = new QPushButton(QStringLiteral("Mittente"), doc);
    cmdMitDest_->setObjectName(QStringLiteral("CmdMitDest"));
    cmdMitDest_->setToolTip(QStringLiteral("Apre la rubrica sul Mittente/Destinatario indicato; nel campo: codice della "
                                           "rubrica, o Invio su una parte della denominazione"));
    cmdAltriDest_ = new QPushButton(QStringLiteral("Altri Destinatari"), doc);
    cmdAltriDest_->setObjectName(QStringLiteral("CmdAltriDest"));
    QLineEdit *who = edit(doc, "CodiceMitDest");
    ui::makeCodeField(who, 7, false);
    cmdNuovoMitDest_ = new QPushButton(QStringLiteral("Nuovo..."), doc);
    cmdNuovoMitDest_->setObjectName(QStringLiteral("CmdNuovoMitDest"));
    cmdNuovoMitDest_->setToolTip(QStringLiteral("Inserimento rapido in rubrica di un Mittente/Destinatario non presente"));
    doc->addCodeRow(cmdMitDest_, who, descLabel(doc, "DescMitDest"), {cmdNuovoMitDest_, cmdAltriDest_});
    QLineEdit *type = edit(doc, "CodTipoDoc");
    ui::makeCodeField(type, 7, true);
    doc->addCodeRow(QStringLiteral("Tipo Documento"), type, descLabel(doc, "DescTipoDoc"));
    cmdOggetto_ = new QPushButton(QStringLiteral("Ricerca oggetto ricorrente"), doc);
    cmdOggetto_->setObjectName(QStringLiteral("CmdOggettoRicorrente"));
    doc->addRow(QStringLiteral("Oggetto"), {ui::Cell(edit(doc, "Oggetto"), 1), cmdOggetto_});
    privacy_ = new QCheckBox(QStringLiteral("Soggetto a privacy"), doc);
    privacy_->setObjectName(QStringLiteral("Check1"));
    saveSubject_ = new QCheckBox(QStringLiteral("Salva oggetto"), doc);
    saveSubject_->setObjectName(QStringLiteral("Check2"));
    doc->addRow(QStringLiteral("Annotazioni"), {ui::Cell(edit(doc, "Annotazioni"), 1), privacy_, saveSubject_});
    addPrecedentRow(doc);
    v->addWidget(doc);

    // Reception and the sender's reference beside the registering office.
    auto *middle = new QHBoxLayout;
    middle->setSpacing(6);
    auto *left = new QVBoxLayout;
    left->setSpacing(4);
    auto *reception = new ui::FormGroup(QStringLiteral("Ricezione"), panel);
    QLineEdit *receivedAt = edit(reception, "OraRicezione");
    receivedAt->setFixedWidth(ui::fieldWidth(receivedAt, 7));
    receivedAt->setPlaceholderText(QStringLiteral("hh:mm"));
    reception->addRow(QStringLiteral("Data ricezione"),
                      {dateEdit(reception, "DataRicezione"), QStringLiteral("Ora"), receivedAt});
    left->addWidget(reception);
    auto *ref = new ui::FormGroup(QStringLiteral("Riferimento documento mittente"), panel);
    senderRef_ = ref;
    senderRef_->setObjectName(QStringLiteral("FraRifMittente"));
    QLineEdit *refNumber = edit(ref, "Text1");
    refNumber->setFixedWidth(ui::fieldWidth(refNumber, 12));
    ref->addRow(QStringLiteral("Protocollo n."), {refNumber, QStringLiteral("del"), dateEdit(ref, "Text2")});
    left->addWidget(ref);
    middle->addLayout(left);

    auto *office = new ui::FormGroup(QStringLiteral("Registrazione"), panel);
    const bool unit = DicAmbiente::session().parm.enteCodiceAsl == QLatin1String("104");
    QLineEdit *dept = edit(office, "CodSedeRic");
    ui::makeCodeField(dept, 7, true);
    office->addCodeRow(QStringLiteral("Dipartimento"), dept, descLabel(office, "DescSedeRic"));
    QLineEdit *off = edit(office, "CodUfficio");
    ui::makeCodeField(off, 7, true);
    office->addCodeRow(QString::fromUtf8(unit ? "Unità Operativa" : "Ufficio"), off, descLabel(office, "DescUfficio"));
    QLineEdit *member = edit(office, "CodOperatore");
    ui::makeCodeField(member, 7, false);
    office->addCodeRow(QStringLiteral("Componente"), member, descLabel(office, "DescOperatore"));
    middle->addWidget(office, 1);
    v->addLayout(middle);

    // Dossiers and iter share one place; the emergency number beside them.
    auto *bottom = new QHBoxLayout;
    bottom->setSpacing(6);
    lists_ = new QTabWidget(panel);
    lists_->setObjectName(QStringLiteral("TabElenchi"));
    classifica_ = new QTreeWidget(lists_);
    classifica_->setObjectName(QStringLiteral("LWClassifica"));
    classifica_->setHeaderLabels({QStringLiteral("Titolo"), QStringLiteral("Categoria"), QStringLiteral("Classe"),
                                  QStringLiteral("Fascicolo")});
    classifica_->setRootIsDecorated(false);
    iter_ = new QTreeWidget(lists_);
    iter_->setObjectName(QStringLiteral("lswIter"));
    iter_->setHeaderLabels({QStringLiteral("Data e ora"), QStringLiteral("Tipo movimento"), QStringLiteral("Dipartimento"),
                            QStringLiteral("Ufficio"), QStringLiteral("Operatore")});
    iter_->setRootIsDecorated(false);
    ui::ColumnMemory::fitToRows(classifica_);
    ui::ColumnMemory::fitToRows(iter_);
    lists_->addTab(classifica_, QStringLiteral("Classificazione"));
    lists_->addTab(iter_, QStringLiteral("Iter del documento"));
    lists_->setCornerWidget(buildClassifyButtons(lists_), Qt::TopRightCorner);
    lists_->setMinimumHeight(96);
    bottom->addWidget(lists_, 1);
    auto *eme = new ui::FormGroup(QStringLiteral("Emergenza"), panel);
    eme->setObjectName(QStringLiteral("FraEmergenza"));
    eme->addRow(QStringLiteral("Numero protocollo assegnato in emergenza:"), {edit(eme, "TxtNEme", true)});
    eme->addRow(QStringLiteral("Registro:"), {edit(eme, "TxtREme", true)});
    for (const char *name : {"TxtNEme", "TxtREme"})
        field(name)->setFixedWidth(ui::fieldWidth(field(name), 14));
    eme->grid()->setRowStretch(2, 1);
    bottom->addWidget(eme);
    v->addLayout(bottom, 1);

    v->addWidget(buildButtons(panel));

    // The code lookups, each on its own queries, sharing the pick list.
    // Department and office use the organisation's pickers; a registered
    // protocol keeps showing a department or office closed since.
    const auto ente = [this] { return context().ente; };
    const auto openOnly = [this] { return isNew_; };
    for (const CodeControl &c : kCodeControls) {
        const CodeField kind = c.kind;
        ui::CodeLookup::Finder finder;
        if (kind == CodeField::Department)
            finder = organisation::departmentFinder(ente, openOnly);
        else if (kind == CodeField::Office)
            finder = organisation::officeFinder(ente, [this] { return field("CodSedeRic")->text(); }, openOnly);
        else
            finder = [this, kind](const QString &typed, bool byDescription) { return matches(kind, typed, byDescription); };
        lookups_[int(kind)] = new ui::CodeLookup(field(c.code), desc(c.description), listDecod_, finder, this);
    }
    // The correspondent and the recurring subjects narrow as they are typed.
    lookups_[int(CodeField::Correspondent)]->setSearchAsYouType(true, [this](const QString &typed, bool byDescription) {
        return matches(CodeField::Correspondent, typed, byDescription, LookupList::AsTyped);
    });
    new ui::TypeAhead(
        field("Oggetto"), listDecod_, [this](const QString &typed) { return recurringSubjects(typed); },
        [this](const ui::Match &m) { takeRecurringSubject(m); }, this);
    connect(cmdNuovoMitDest_, &QPushButton::clicked, this, &FrmProtocollo::newCorrespondent);
    connect(cmdMitDest_, &QPushButton::clicked, this, &FrmProtocollo::showCorrespondentInBook);
    connect(cmdAltriDest_, &QPushButton::clicked, this, &FrmProtocollo::openFurtherRecipients);
    connect(cmdOggetto_, &QPushButton::clicked, this, &FrmProtocollo::searchRecurringSubjects);
    connect(cmdRichiama_, &QPushButton::clicked, this, &FrmProtocollo::recallLast);
    connect(buttons_[0], &QPushButton::clicked, this, &FrmProtocollo::showLinks);
    connect(buttons_[1], &QPushButton::clicked, this, &FrmProtocollo::otherProtocols);
    connect(buttons_[2], &QPushButton::clicked, this, [this] {
        lists_->setCurrentWidget(lists_->currentWidget() == iter_ ? static_cast<QWidget *>(classifica_) : iter_);
    });
    connect(buttons_[3], &QPushButton::clicked, this, [this] {
        const ProtocolForm f = form();
        ProtocolFacts p{f.direction, f.number, shownDate(f.dataProtocollo), f.codSedeRic, f.descSedeRic,
                        f.codUfficio, f.descUfficio, f.descMitDest, f.oggetto};
        const PrintOutcome out = printStamp(p, PrintSettings::fromSession());
        if (out.failed())
            showBox(kCaption, out.message, Icon::Critical);
    });
    connect(buttons_[9], &QPushButton::clicked, this, &FrmProtocollo::openAssignment);
    for (int i : {4, 5, 6, 7, 8, 10})
        connect(buttons_[i], &QPushButton::clicked, this, [this, i] { openDocumentWindow(i); });
}

void FrmProtocollo::openAssignment()
{
    // The assignment window lives in the iter library, which builds on this
    // one: it is reached by name and told the protocol through its invokable.
    const ProtocolForm f = form();
    if (f.number.isEmpty() || f.direction.isEmpty())
        return;
    QWidget *w = WindowRegistry::open(QStringLiteral("FrmAssegna"));
    if (!w || !QMetaObject::invokeMethod(w, "setProtocol", Q_ARG(QString, f.direction), Q_ARG(QString, f.number),
                                         Q_ARG(QString, f.dataProtocollo))) {
        GECentr::writeLog(QStringLiteral("Finestra di assegnazione non disponibile"), QStringLiteral("openAssignment"),
                          objectName());
        return;
    }
    // The movement it writes shows at once in the iter tab. The window may
    // be one already open for another protocol: one connection is enough.
    connect(w, SIGNAL(assigned(QString)), this, SLOT(reloadIter()), Qt::UniqueConnection);
}

QWidget *FrmProtocollo::buildButtons(QWidget *panel)
{
    // The recall and the eleven functions on the protocol, in two rows.
    auto *box = new QWidget(panel);
    auto *g = new QGridLayout(box);
    g->setContentsMargins(0, 0, 0, 0);
    g->setSpacing(4);
    cmdRichiama_ = new QPushButton(QStringLiteral("Richiama dati ultimo protocollo"), box);
    cmdRichiama_->setObjectName(QStringLiteral("CmdRichiama"));
    cmdRichiama_->setToolTip(QStringLiteral("Copia nel nuovo protocollo i dati dell'ultimo registrato"));
    g->addWidget(cmdRichiama_, 0, 0);
    for (int i = 0; i < kButtons; ++i) {
        auto *b = new QPushButton(QString::fromUtf8(kButtonTexts[i].caption), box);
        b->setObjectName(QStringLiteral("btnTB_%1").arg(i));
        b->setToolTip(QString::fromUtf8(kButtonTexts[i].tooltip));
        g->addWidget(b, (i + 1) / 6, (i + 1) % 6);
        buttons_[i] = b;
    }
    return box;
}


} // namespace nimbo::protocol
