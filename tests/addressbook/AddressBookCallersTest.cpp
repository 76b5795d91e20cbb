// The address book opened by the registration window on the correspondent
// of the form: the list holds that entry alone until the operator starts a
// new entry, gives up or searches again. While an entry is written the
// shared toolbar offers only "ESCI;ANNULLA". The window fits a 1024x768
// main window.

#include <QRadioButton>

#include "AddressBookFixture.h"
#include "addressbook/FrmRubrica.h"
#include "data/ServerRegistry.h"
#include "servers/GenericServer.h"

using namespace nimbo;
using addressbook::FrmRubrica;
using protocol::FrmProtocollo;

namespace {

const QString kSpyGp = QStringLiteral("NimboTest.SpiaProtocollo");
const QString kSpyGeneric = QStringLiteral("NimboTest.SpiaGenericaRubrica");

// Stands in front of a real server and notes the toolbar the main window
// shows while each call of the given operation runs.
class ToolbarSpy : public AppServer {
public:
    ToolbarSpy(std::unique_ptr<AppServer> real, short operation, MDIMenu *main, QStringList *seen)
        : real_(std::move(real)), operation_(operation), main_(main), seen_(seen)
    {
    }
    QVariantList Elabora(short operation, QVariantList &params) override
    {
        if (operation == operation_)
            *seen_ << test::shownToolbar(main_);
        return real_->Elabora(operation, params);
    }

private:
    std::unique_ptr<AppServer> real_;
    short operation_;
    MDIMenu *main_;
    QStringList *seen_;
};

class AddressBookCallers : public test::AddressBookMenusTest {
protected:
    void TearDown() override
    {
        DicAmbiente::session().cfg.oleGp = kProtocolProgId;
        DicAmbiente::session().cfg.oleGenerica = kGenericProgId;
        ServerRegistry::remove(kSpyGp);
        ServerRegistry::remove(kSpyGeneric);
        AddressBookMenusTest::TearDown();
    }
    // Every identifier request and every table write from now on notes the
    // toolbar shown meanwhile.
    void spyOnWrites(MDIMenu *main)
    {
        ServerRegistry::add(kSpyGp, [this, main] {
            return std::make_unique<ToolbarSpy>(ServerRegistry::create(kProtocolProgId, nullptr),
                                                kOpProgressivoRubrica, main, &duringIdentifier);
        });
        ServerRegistry::add(kSpyGeneric, [this, main] {
            return std::make_unique<ToolbarSpy>(std::make_unique<GenericServer>(), Funzioni_Com_1::kOpBatchWrite, main,
                                                &duringWrite);
        });
        DicAmbiente::session().cfg.oleGp = kSpyGp;
        DicAmbiente::session().cfg.oleGenerica = kSpyGeneric;
    }
    static QStringList codes(QWidget *book)
    {
        QStringList out;
        ui::RowList *list = test::rowList(book, "LwNomi");
        for (int i = 0; list && i < list->count(); ++i)
            out << list->text(i, 0);
        return out;
    }

    QStringList duringIdentifier;
    QStringList duringWrite;
};

TEST_P(AddressBookCallers, TheRegistrationShowsItsCorrespondentAloneInTheAddressBook)
{
    MDIMenu *main = logInAsDemo();
    ASSERT_NE(main, nullptr);
    const int everyone = scalar(QStringLiteral("SELECT COUNT(*) FROM Tab_Rubrica r JOIN Tab_Comuni c ON "
                                               "c.Com_Codcom = r.Tab_ComuneUbicazione WHERE r.Tab_EnteRubrica = '001'"))
                             .toInt();
    ASSERT_GT(everyone, 1);

    auto *reg = qobject_cast<FrmProtocollo *>(menu(main, "mnuProtDoc"));
    ASSERT_NE(reg, nullptr);
    press(main, "NUOVO");
    child<QRadioButton>(reg, "OptTipoProtocollo_0")->click();
    type(reg, "CodiceMitDest", QStringLiteral("2"));
    ASSERT_FALSE(text(reg, "DescMitDest").isEmpty());

    // "Mittente" opens the address book on that entry alone, shown to be changed.
    child(reg, "CmdMitDest")->click();
    auto *book = qobject_cast<FrmRubrica *>(active(main));
    ASSERT_NE(book, nullptr);
    EXPECT_EQ(book->presetIdentifier(), 2);
    EXPECT_EQ(codes(book), QStringList{QStringLiteral("2")});
    EXPECT_EQ(text(book, "TxtCodice"), QStringLiteral("2"));
    EXPECT_EQ(book->editMode(), ui::RecordEditor::Mode::Edit);
    EXPECT_EQ(test::shownToolbar(main), QStringLiteral("ESCI;NUOVO;REGISTRA;ANNULLA;CANCELLA"));
    // A write keeps the list on it.
    press(main, "REGISTRA");
    EXPECT_EQ(codes(book), QStringList{QStringLiteral("2")});

    // "ANNULLA" lets the search show every entry again.
    press(main, "ANNULLA");
    EXPECT_EQ(book->presetIdentifier(), 0);
    EXPECT_EQ(codes(book).size(), everyone);

    // Asked again from the registration, the open window is limited again;
    // "NUOVO" forgets the entry too.
    activate(main, reg);
    child(reg, "CmdMitDest")->click();
    ASSERT_EQ(active(main), book);
    EXPECT_EQ(codes(book), QStringList{QStringLiteral("2")});
    press(main, "NUOVO");
    EXPECT_EQ(book->presetIdentifier(), 0);
    EXPECT_EQ(codes(book).size(), everyone);
    press(main, "ANNULLA");

    // So does a search of the operator's own.
    activate(main, reg);
    child(reg, "CmdMitDest")->click();
    EXPECT_EQ(codes(book), QStringList{QStringLiteral("2")});
    type(book, "TxtRic", QString());
    EXPECT_EQ(codes(book).size(), everyone);

    // Without a correspondent in the form the address book just opens.
    activate(main, reg);
    press(main, "ANNULLA"); // the form typed so far is given up
    press(main, "NUOVO");
    child(reg, "CmdMitDest")->click();
    EXPECT_EQ(active(main), book);
    EXPECT_EQ(book->presetIdentifier(), 0);
}

TEST_P(AddressBookCallers, WhileAnEntryIsWrittenTheToolbarOffersOnlyLeavingOrGivingUp)
{
    MDIMenu *main = logInAsDemo();
    ASSERT_NE(main, nullptr);
    auto *book = qobject_cast<FrmRubrica *>(menu(main, "mnugestioneMD"));
    ASSERT_NE(book, nullptr);
    spyOnWrites(main);

    press(main, "NUOVO");
    EXPECT_EQ(test::shownToolbar(main), QStringLiteral("ESCI;REGISTRA;ANNULLA"));
    edit(book, "txtNome", QStringLiteral("cartoleria del corso"));
    edit(book, "txtDom", QStringLiteral("corso garibaldi"));
    edit(book, "TxtCCom", QStringLiteral("076063"));
    boxes.clear();
    press(main, "REGISTRA");
    EXPECT_TRUE(boxes.shown.isEmpty()) << boxes.texts().join(QLatin1Char('|')).toStdString();
    EXPECT_EQ(duringIdentifier, QStringList{QStringLiteral("ESCI;ANNULLA")});
    EXPECT_EQ(duringWrite, QStringList{QStringLiteral("ESCI;ANNULLA")});
    EXPECT_EQ(test::shownToolbar(main), QStringLiteral("ESCI;NUOVO;REGISTRA;ANNULLA;CANCELLA"));

    // A change is a write too.
    edit(book, "TxtTel", QStringLiteral("0971 11111"));
    press(main, "REGISTRA");
    EXPECT_EQ(duringWrite, (QStringList{QStringLiteral("ESCI;ANNULLA"), QStringLiteral("ESCI;ANNULLA")}));
    EXPECT_EQ(test::shownToolbar(main), QStringLiteral("ESCI;NUOVO;REGISTRA;ANNULLA;CANCELLA"));

    // A write that cannot get its identifier gives the new entry's toolbar back.
    press(main, "NUOVO");
    edit(book, "txtNome", QStringLiteral("edicola della stazione"));
    edit(book, "txtDom", QStringLiteral("piazza stazione"));
    edit(book, "TxtCCom", QStringLiteral("076063"));
    DicAmbiente::session().cfg.oleGp = QStringLiteral("Nessun.Server");
    boxes.clear();
    press(main, "REGISTRA");
    EXPECT_EQ(boxes.texts(), (QStringList{QStringLiteral("Errore In Creazione OLE OLEGP"), addressbook::kMsgNoIdentifier}));
    EXPECT_EQ(book->editMode(), ui::RecordEditor::Mode::New);
    EXPECT_EQ(test::shownToolbar(main), QStringLiteral("ESCI;REGISTRA;ANNULLA"));
    EXPECT_EQ(scalar(QStringLiteral("SELECT COUNT(*) FROM Tab_Rubrica WHERE Tab_Denominazione = 'EDICOLA DELLA STAZIONE'")),
              QStringLiteral("0"));
}

TEST_P(AddressBookCallers, TheAddressBookFitsA1024x768MainWindowWithItsFieldsLabelled)
{
    MDIMenu *main = logInAsDemo();
    ASSERT_NE(main, nullptr);
    main->resize(1024, 768);
    QCoreApplication::processEvents();
    auto *book = qobject_cast<FrmRubrica *>(menu(main, "mnugestioneMD"));
    ASSERT_NE(book, nullptr);
    test::expectFitsWithFieldsLabelled(main, book, db().folder() + QStringLiteral("/FrmRubrica.png"));
    // An entry chosen, its detail filled.
    book->setPresetIdentifier(2);
    test::expectFitsWithFieldsLabelled(main, book, db().folder() + QStringLiteral("/FrmRubrica-voce.png"));
}

} // namespace

NIMBO_INSTANTIATE_ENGINES(AddressBookCallers);
