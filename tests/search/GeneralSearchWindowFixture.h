#pragma once
// The general search window on the demo register, both engines: protocols
// of body 001 written by hand (registered by a department and office,
// routed by the iter to other offices), a demo operator's profile loaded as
// the login leaves it, and the window made as the menu makes it.

#include <QCheckBox>
#include <QProcess>
#include <QTableView>

#include "../ui/UiFixture.h"
#include "search/FrmFiltroRProt.h"
#include "search/FrmFiltroRProtRules.h"
#include "search/ProtocolDetail.h"
#include "search/Search.h"
#include "ui/RowList.h"

namespace nimbo::test {

// One protocol of body 001.
struct Seeded {
    QString number;
    QString subject = QStringLiteral("DOMANDA DI CONTRIBUTO");
    QString department = QStringLiteral("PRO"), office = QStringLiteral("UPR");
    QString direction = QStringLiteral("E");
    QString privacy = QStringLiteral("N");
    QString registeredBy = QStringLiteral("DEMO9");
    int holder = 2; // COMUNE DI POTENZA
    QString date = QStringLiteral("2025-03-04");
    QString state = QStringLiteral("A");
};

template <class Base> class SearchFixture : public Base {
protected:
    void SetUp() override
    {
        Base::SetUp();
        if (this->IsSkipped() || this->HasFatalFailure())
            return;
        search::registerSearchWindows();
    }

    void protocol(const Seeded &p)
    {
        this->sql(QStringLiteral("INSERT INTO Tab_Protocollo (Tab_Ente, Tab_TipoProtocollo, Tab_NumeroProtocollo, "
                                 "Tab_DataProtocollo, Tab_Oggetto, Tab_Intestatario, Tab_Tipologia, Tab_SoggPrivacy, "
                                 "Tab_CodiceOpeReg, Tab_StatoProtocollo, Tab_SedeRicezione, Tab_UfficioRegistrazione) "
                                 "VALUES ('001', '%1', '%2', '%3', '%4', %5, 'LET', '%6', '%7', '%8', '%9', '%10')")
                      .arg(p.direction, p.number, p.date, QString(p.subject).replace(QLatin1Char('\''), QStringLiteral("''")))
                      .arg(p.holder)
                      .arg(p.privacy, p.registeredBy, p.state, p.department, p.office));
    }
    // The protocol sent by the iter to an office.
    void routed(const QString &number, const QString &office, const QString &direction = QStringLiteral("E"))
    {
        this->sql(QStringLiteral("INSERT INTO Tab_Iter_Destinatari (Tab_Ente, Tab_TipoProtocollo, Tab_NumeroProtocollo, "
                                 "Tab_DataSerialeMov, Tab_UfficioDestinatario) VALUES ('001', '%1', '%2', "
                                 "'20250305090000', '%3')")
                      .arg(direction, number, office));
    }

    // The window as the menu opens it, for the operator whose profile is loaded.
    std::unique_ptr<search::FrmFiltroRProt> open()
    {
        auto w = std::make_unique<search::FrmFiltroRProt>();
        w->resize(1000, 680);
        return w;
    }

    static ui::RowList *list(search::FrmFiltroRProt *w) { return w->list(); }
    // One column of every row, in the order the list shows them.
    static QStringList shownColumn(search::FrmFiltroRProt *w, int column)
    {
        const QAbstractItemModel *m = w->list()->view()->model();
        QStringList out;
        for (int r = 0; r < m->rowCount(); ++r)
            out << m->index(r, column).data().toString();
        return out;
    }
    // The criteria page: the detail beside it names a field as a criterion is named.
    static QWidget *criteria(QWidget *w) { return w->findChild<QWidget *>(QStringLiteral("FraRicerca")); }
    static void choose(QWidget *w, const char *name, const QString &code)
    {
        auto *c = criteria(w)->findChild<QComboBox *>(QLatin1String(name));
        ASSERT_NE(c, nullptr) << name;
        const int at = c->findData(code);
        ASSERT_GE(at, 0) << name << " " << code.toStdString();
        c->setCurrentIndex(at);
    }
    // The codes a combo offers after its empty first item.
    static QStringList offered(QWidget *w, const char *name)
    {
        auto *c = criteria(w)->findChild<QComboBox *>(QLatin1String(name));
        QStringList out;
        for (int i = 1; c && i < c->count(); ++i)
            out << c->itemData(i).toString();
        return out;
    }
    static void fill(QWidget *w, const char *name, const QString &text)
    {
        auto *e = criteria(w)->findChild<QLineEdit *>(QLatin1String(name));
        ASSERT_NE(e, nullptr) << name;
        e->setText(text);
    }
    static QString label(QWidget *w, const char *name)
    {
        auto *l = w->findChild<QLabel *>(QLatin1String(name));
        return l ? l->text() : QStringLiteral("<none>");
    }
    // What a PDF says, as pdftotext reads it.
    static QString pdfText(const QString &pdf)
    {
        QProcess p;
        p.start(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), pdf, QStringLiteral("-")});
        if (!p.waitForFinished(30000))
            return QStringLiteral("<pdftotext did not finish>");
        return QString::fromUtf8(p.readAllStandardOutput());
    }
    void setPrivacy(const QString &op, const QString &right)
    {
        this->sql(QStringLiteral("UPDATE Tab_Operatori SET Op_AbilPrivacy = %1 WHERE Op_Codice_Operatore = '%2'")
                      .arg(right.isNull() ? QStringLiteral("NULL") : QLatin1Char('\'') + right + QLatin1Char('\''), op));
    }
};

inline const QString kMasked = QStringLiteral("*****************************************");

} // namespace nimbo::test
