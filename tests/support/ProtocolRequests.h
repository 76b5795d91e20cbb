#pragma once
// Column lists of a plausible registration, for the protocol server's tests,
// its worker processes and the benchmark.

#include <QSqlError>
#include <QSqlQuery>
#include <QString>

#include "servers/ProtocolServer.h"

namespace nimbo::test {

// The columns the registration window sends for a new protocol; an empty
// reception date is sent for an outgoing one when receivedOn is empty.
inline ColumnValues newProtocolColumns(const QString &ente, const QString &direction, const QString &subject,
                                       const QString &operatorCode = QStringLiteral("OP01"),
                                       const QString &receivedOn = QStringLiteral("03/10/2024"))
{
    return {{QStringLiteral("Tab_TipoProtocollo"), direction},
            {QStringLiteral("Tab_NumeroProtocollo"), QString()},
            {QStringLiteral("Tab_DataRegistrazione"), QStringLiteral("03/11/2024")},
            {QStringLiteral("Tab_DataProtocollo"), QStringLiteral("03/11/2024")},
            {QStringLiteral("Tab_DataRicezione"), receivedOn},
            {QStringLiteral("Tab_SedeRicezione"), QStringLiteral("D01")},
            {QStringLiteral("Tab_CodiceOpeReg"), operatorCode},
            {QStringLiteral("Tab_UfficioRegistrazione"), QStringLiteral("U01")},
            {QStringLiteral("Tab_Oggetto"), subject},
            {QStringLiteral("Tab_Tipologia"), QStringLiteral("LET")},
            {QStringLiteral("Tab_Intestatario"), 12},
            {QStringLiteral("Tab_Annotazioni"), QString()},
            {QStringLiteral("Tab_Categoria"), QString()},
            {QStringLiteral("Tab_Classe"), QString()},
            {QStringLiteral("Tab_Titolo"), QString()},
            {QStringLiteral("Tab_NomeImpronta"), subject + QStringLiteral("Rossi MarioDirezioneProtocollo")},
            {QStringLiteral("Tab_RegistroTemporaneo"), QStringLiteral(" ")},
            {QStringLiteral("Tab_ProtocolloTemporaneo"), QString()},
            {QStringLiteral("Tab_StatoProtocollo"), QStringLiteral("A")},
            {QStringLiteral("Tab_Ente"), ente},
            {QStringLiteral("Tab_CodOper"), operatorCode},
            {QStringLiteral("Tab_DatOper"), QStringLiteral("03/11/2024")},
            {QStringLiteral("Tab_ProtDocArrivo"), QString()},
            {QStringLiteral("Tab_DataProtDocArrivo"), QString()},
            {QStringLiteral("Tab_SoggPrivacy"), QStringLiteral("N")},
            {QStringLiteral("Tab_ComponenteUfficio"), 0},
            {QStringLiteral("Tab_OraProtocollo"), QStringLiteral("10:15:00")},
            {QStringLiteral("Tab_OraRicezione"), QString()},
            {QStringLiteral("Tab_Stampato"), QStringLiteral("N")}};
}

// One Tab_ProFascicoli row as the window builds it (the protocol's key is
// filled in by the server).
inline ColumnValues dossierColumns(const QString &ente, int dossier, const QString &title = QStringLiteral("01"))
{
    return {{QStringLiteral("Tab_Ente"), ente},
            {QStringLiteral("Tab_TipoProtocollo"), QString()},
            {QStringLiteral("Tab_NumeroProtocollo"), QString()},
            {QStringLiteral("Tab_titolo"), title},
            {QStringLiteral("Tab_categoria"), QStringLiteral("02")},
            {QStringLiteral("Tab_classe"), QStringLiteral("03")},
            {QStringLiteral("Tab_Codicefascicolo"), dossier},
            {QStringLiteral("Tab_Provenienza"), QStringLiteral("P")},
            {QStringLiteral("Tab_CodOper"), QStringLiteral("OP01")},
            {QStringLiteral("Tab_DatOper"), QStringLiteral("03/11/2024")}};
}

// What newProtocolColumns() refers to, so that the protocol server accepts
// it: the body, the operators OP01 and OP02, document type LET, department
// D01 with office U01, and correspondent 12 in the body's address book; and
// what dossierColumns() names: title 01, category 02, class 03 and its
// dossiers 1 to 10 (the database refuses a classification of a missing
// dossier).
// Safe to call again for the same body. False with *error on failure.
inline bool seedRegistrationReferences(const QSqlDatabase &db, const QString &ente, QString *error = nullptr)
{
    const QString e = QString(ente).replace(QLatin1Char('\''), QStringLiteral("''"));
    const QStringList statements = {
        QStringLiteral("INSERT INTO Tab_Enti (Ente_Codice, Ente_Denominazione) VALUES ('%1', 'Ente %1') "
                       "ON CONFLICT DO NOTHING").arg(e),
        QStringLiteral("INSERT INTO Tab_Operatori (Op_Codice_Operatore, Op_Cognome, Op_Ente, Op_Livello, Op_Attivo) "
                       "VALUES ('OP01', 'Rossi', '%1', '9', 'S'), ('OP02', 'Bianchi', '%1', '9', 'S') "
                       "ON CONFLICT DO NOTHING").arg(e),
        QStringLiteral("INSERT INTO Tab_TipoDocumento (Tab_Codice, Tab_Descrizione) VALUES ('LET', 'Lettera') "
                       "ON CONFLICT DO NOTHING"),
        QStringLiteral("INSERT INTO Tab_Dipartimenti (Dipa_CodiceEnte, Dipa_CodDipartimento, Dipa_Denominazione) "
                       "VALUES ('%1', 'D01', 'Direzione') ON CONFLICT DO NOTHING").arg(e),
        QStringLiteral("INSERT INTO Tab_Uffici (Tab_Ente, Tab_Dipartimento, Tab_Ufficio, Tab_Descrizione) "
                       "VALUES ('%1', 'D01', 'U01', 'Protocollo') ON CONFLICT DO NOTHING").arg(e),
        QStringLiteral("INSERT INTO Tab_Rubrica (Tab_EnteRubrica, Tab_Identificativo, Tab_Denominazione) "
                       "VALUES ('%1', 12, 'Rossi Mario') ON CONFLICT DO NOTHING").arg(e),
        QStringLiteral("INSERT INTO Tab_Titolo (Tab_Ente, Tab_Codice, Tab_Descrizione) VALUES ('%1', '01', "
                       "'AMMINISTRAZIONE') ON CONFLICT DO NOTHING").arg(e),
        QStringLiteral("INSERT INTO Tab_Categoria (Tab_Ente, Tab_CodiceTitolo, Tab_Codice, Tab_Descrizione) VALUES "
                       "('%1', '01', '02', 'PERSONALE') ON CONFLICT DO NOTHING").arg(e),
        QStringLiteral("INSERT INTO Tab_Classe (Tab_Ente, Tab_CodiceTitolo, Tab_CodiceCategoria, Tab_Codice, "
                       "Tab_Descrizione) VALUES ('%1', '01', '02', '03', 'CONCORSI') ON CONFLICT DO NOTHING").arg(e),
    };
    QStringList all = statements;
    for (int dossier = 1; dossier <= 10; ++dossier)
        all << QStringLiteral("INSERT INTO Tab_Fascicoli (Tab_Ente, Tab_Titolo, Tab_Categoria, Tab_Classe, "
                              "Tab_CodiceFascicolo, Tab_Descrizione) VALUES ('%1', '01', '02', '03', %2, "
                              "'FASCICOLO %2') ON CONFLICT DO NOTHING")
                   .arg(e)
                   .arg(dossier);
    for (const QString &sql : all) {
        QSqlQuery q(db);
        if (!q.exec(sql)) {
            if (error)
                *error = q.lastError().text() + QStringLiteral(" [") + sql + QLatin1Char(']');
            return false;
        }
    }
    return true;
}

} // namespace nimbo::test
