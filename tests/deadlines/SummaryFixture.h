#pragma once
// The workflow summary on the demo register, both engines: protocols of
// body 001 written by hand, with assignments and transmissions between
// the demo offices, and the window made as the menu makes it.

#include "../search/GeneralSearchWindowFixture.h"
#include "deadlines/Deadlines.h"
#include "deadlines/SummaryRules.h"
#include "deadlines/SummaryWindow.h"

namespace nimbo::test {

// A recipient of a movement: an office, and its member (0: the whole office).
struct Reached {
    QString office;
    int member = 0;
};

template <class Base> class SummaryFixture : public SearchFixture<Base> {
protected:
    void SetUp() override
    {
        SearchFixture<Base>::SetUp();
        if (this->IsSkipped() || this->HasFatalFailure())
            return;
        deadlines::registerSummaryWindows();
    }

    static QString number(int n) { return QStringLiteral("2025%1").arg(n, 7, 10, QLatin1Char('0')); }

    // A movement of protocol n made by an operator of an office, with its recipients.
    void moved(int n, const QString &serial, int type, const QString &office, const QString &op,
               const QList<Reached> &to = {}, const QString &direction = QStringLiteral("E"))
    {
        this->sql(QStringLiteral("INSERT INTO Tab_Iter_Documento (Tab_Ente, Tab_TipoProtocollo, Tab_NumeroProtocollo, "
                           "Tab_DataSerialeMov, Tab_TipoMovimento, Tab_Ufficio, Tab_CodiceOpe) VALUES ('001', '%1', "
                           "'%2', '%3', %4, '%5', '%6')")
                .arg(direction, number(n), serial)
                .arg(type)
                .arg(office, op));
        for (const Reached &r : to)
            this->sql(QStringLiteral("INSERT INTO Tab_Iter_Destinatari (Tab_Ente, Tab_TipoProtocollo, Tab_NumeroProtocollo, "
                               "Tab_DataSerialeMov, Tab_UfficioDestinatario, Tab_Componente, Tab_TipoAssegnazione) "
                               "VALUES ('001', '%1', '%2', '%3', '%4', %5, 1)")
                    .arg(direction, number(n), serial, r.office)
                    .arg(r.member));
    }
    void seeded(int n, const QString &subject = QStringLiteral("PRATICA"), const QString &privacy = QStringLiteral("N"))
    {
        this->protocol({.number = number(n), .subject = subject, .privacy = privacy});
    }

    std::unique_ptr<deadlines::FrmRiepiloghiIter> openSummary()
    {
        auto w = std::make_unique<deadlines::FrmRiepiloghiIter>();
        w->resize(1000, 680);
        return w;
    }
    // The numbers listed, as shown ("2025-0000003" -> 3), in the list's order.
    static QList<int> listed(deadlines::FrmRiepiloghiIter *w)
    {
        QList<int> out;
        const QAbstractItemModel *m = w->list()->view()->model();
        for (int r = 0; r < m->rowCount(); ++r)
            out << m->index(r, deadlines::summary::ColNumber).data().toString().section(QLatin1Char('-'), 1).toInt();
        return out;
    }
    static QStringList shown(deadlines::FrmRiepiloghiIter *w, int column)
    {
        QStringList out;
        const QAbstractItemModel *m = w->list()->view()->model();
        for (int r = 0; r < m->rowCount(); ++r)
            out << m->index(r, column).data().toString();
        return out;
    }
    void setLevel(const QString &op, int level)
    {
        this->sql(QStringLiteral("UPDATE Tab_Operatori SET Op_Livello = '%1' WHERE Op_Codice_Operatore = '%2'").arg(level).arg(op));
    }
};

using SummaryTest = SummaryFixture<ProtocolWindowTest>;

} // namespace nimbo::test
