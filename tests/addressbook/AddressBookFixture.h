#pragma once
// The address-book windows on the demo register, both engines: DEMO9's
// session, the protocol server, scripted boxes, and a few entries and
// protocols written straight into the database.

#include <QComboBox>
#include <QLabel>
#include <QSqlError>

#include "../ui/UiFixture.h"
#include "addressbook/AddressBook.h"
#include "addressbook/AddressBookRules.h"
#include "organisation/Organisation.h"
#include "ui/RowList.h"

#include <QTableView>

namespace nimbo::test {

// The list whose view carries the name.
inline ui::RowList *rowList(QWidget *w, const char *view)
{
    auto *v = w->findChild<QTableView *>(QLatin1String(view));
    return v ? qobject_cast<ui::RowList *>(v->parentWidget()) : nullptr;
}

class AddressBookTest : public ProtocolWindowTest {
protected:
    void SetUp() override
    {
        ProtocolWindowTest::SetUp();
        if (IsSkipped() || HasFatalFailure())
            return;
        logInAs(QStringLiteral("DEMO9"));
    }
    // Types into a field as the operator does.
    static void fill(QWidget *w, const char *name, const QString &text)
    {
        auto *e = w->findChild<QLineEdit *>(QLatin1String(name));
        ASSERT_NE(e, nullptr) << name;
        e->setFocus();
        e->selectAll();
        if (text.isEmpty())
            QTest::keyClick(e, Qt::Key_Delete);
        else
            QTest::keyClicks(e, text);
    }
    static void choose(QWidget *w, const char *name, const QString &data)
    {
        auto *c = w->findChild<QComboBox *>(QLatin1String(name));
        ASSERT_NE(c, nullptr) << name;
        const int at = c->findData(data);
        ASSERT_GE(at, 0) << name << " " << data.toStdString();
        c->setCurrentIndex(at);
    }
    static QString shown(QWidget *w, const char *name)
    {
        if (auto *e = w->findChild<QLineEdit *>(QLatin1String(name)))
            return e->text();
        auto *l = w->findChild<QLabel *>(QLatin1String(name));
        return l ? l->text() : QStringLiteral("<no ") + QLatin1String(name) + QLatin1Char('>');
    }
    // An entry of the body: name, municipality, kind; active unless said.
    void entry(int id, const QString &name, const QString &municipality = QStringLiteral("076063"),
               const QString &kind = QStringLiteral("002"), const QString &writer = QStringLiteral("DEMO"))
    {
        QSqlQuery q(db().central());
        q.prepare(QStringLiteral("INSERT INTO Tab_Rubrica (Tab_Identificativo, Tab_EnteRubrica, Tab_Denominazione, "
                                 "Tab_Domicilio, Tab_NumeroCivico, Tab_ComuneUbicazione, Tab_TipoUtenza, Tab_Attivo, "
                                 "Tab_CodOper) VALUES (?, '001', ?, 'VIA ROMA', '1 ', ?, ?, 1, ?)"));
        for (const QVariant &v : QVariantList{id, name, municipality, kind, writer})
            q.addBindValue(v);
        ASSERT_TRUE(q.exec()) << q.lastError().text().toStdString();
    }
    // A protocol of the body whose holder is the entry.
    void protocolOf(int holder, const QString &number)
    {
        sql(QStringLiteral("INSERT INTO Tab_Protocollo (Tab_Ente, Tab_TipoProtocollo, Tab_NumeroProtocollo, "
                           "Tab_Intestatario, Tab_Oggetto, Tab_StatoProtocollo, Tab_SoggPrivacy, Tab_Stampato) VALUES "
                           "('001', 'E', '%1', %2, 'PRATICA', 'A', 'N', 'N')")
                .arg(number)
                .arg(holder));
    }
    int count(const QString &where)
    {
        return scalar(QStringLiteral("SELECT COUNT(*) FROM Tab_Rubrica WHERE ") + where).toInt();
    }
    static QStringList column(ui::RowList *list, int c)
    {
        QStringList out;
        if (!list)
            return {QStringLiteral("<no list>")};
        for (int i = 0; i < list->count(); ++i)
            out << list->text(i, c);
        return out;
    }
};

// The program started and driven through its menus, with the windows of a
// registration and of the address book.
class AddressBookMenusTest : public MainWindowTest {
protected:
    void SetUp() override
    {
        MainWindowTest::SetUp();
        if (IsSkipped() || HasFatalFailure())
            return;
        protocol::registerProtocolWindows();
        organisation::registerOrganisationWindows();
        addressbook::registerAddressBookWindows();
    }
};

} // namespace nimbo::test
