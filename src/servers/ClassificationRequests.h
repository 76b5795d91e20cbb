#pragma once
// The dossier and case-closing operations of the protocol server (code in
// ClassificationServer.cpp) and the builders of their requests, so that the
// windows never lay out an array by hand.
//
// Reply of both: [0, "", ...] on success; ["991", text] when the request is
// refused (the text is shown as it is and names the field); [status, text]
// with another status when the database fails. Each request is one
// transaction: refused or failed, it writes nothing.
//
// Operation 303, writing a dossier. Request (3 entries):
//   0  "A" new dossier, "R" change of an existing one
//   1  row condition: Tab_CodiceFascicolo= <n> AND Tab_Classe= '<k>' AND
//      tab_ente='<e>' AND Tab_Categoria='<c>' AND tab_Titolo='<t>' (n is 0
//      for a new dossier; nothing else is accepted)
//   2  column list: a two-row table {names, values} of Tab_Fascicoli
//      (Tab_Ente, Tab_Titolo, Tab_Categoria, Tab_Classe, Tab_CodiceFascicolo,
//      Tab_Descrizione, Tab_Apertura, Tab_Chiusura, Tab_CodOper, Tab_DatOper)
// A new dossier goes into an active class of the body; its code is the
// class's next one, taken from a counter of the class in the same
// transaction that writes the row, so two workstations never get the same
// code and a code once handed out is never handed out again (not even after
// the dossier is deleted). A change rewrites the description and the dates
// of the dossier the condition names; it never moves it nor changes its
// code. The description is required (at most 100 characters); the closing
// date, when given, is not before the opening date. A new dossier's empty
// opening date is today; a change's empty opening date keeps the stored
// one, and a change that names Tab_Chiusura empty reopens the dossier
// (not named: the closing date stays). The writer is the session's
// operator (Tab_CodOper without a session), an active operator of the body.
// Reply: [0, "", dossier code].
//
// Operation 304, closing a handled case (a type-5 movement of the iter).
// Request (1 entry):
//   0  column list: a two-row table {names, values} of Tab_Iter_Documento
//      (Tab_Ente, Tab_TipoProtocollo, Tab_NumeroProtocollo, Tab_Ufficio,
//      Tab_CodiceOpe, Tab_Annotazioni, Tab_RiferimentoInterno,
//      Tab_TipoRif_Interno, Tab_DataEvasione, Tab_ProtoEvasione,
//      Tab_DataChiusuraProcedimento, Tab_CodOper, Tab_DatOper); the
//      movement key, type (5) and Tab_InCarico ("N") are the server's
// The protocol (not cancelled) and the closing note (Tab_ProtoEvasione, the
// number of another protocol of the body, either direction, not cancelled)
// must exist; the office (Tab_Ufficio) is one of the body; the closing date
// is not in the future, not before the note's date nor the protocol's, and
// the protocol is not dated after the note. Tab_DataSerialeMov may not be
// given; Tab_TipoMovimento and Tab_InCarico, if given, must be 5 and "N".
// The operator is the session's (Tab_CodiceOpe without one). The protocol's row
// is locked before its movements are looked at, so a case closed twice, or
// by two clerks at once, has exactly one type-5 movement: the second
// request is refused.
// Reply: [0, "", movement key].

#include <QString>
#include <QVariantList>

#include "servers/ProtocolServer.h"

namespace nimbo {

constexpr short kOpScriviFascicolo = 303;
constexpr short kOpEvadiPratica = 304;

namespace classification {

// "Tab_CodiceFascicolo= <n> AND Tab_Classe= '<k>' AND tab_ente='<e>' AND
// Tab_Categoria='<c>' AND tab_Titolo='<t>'", apostrophes doubled.
inline QString dossierCondition(const QString &ente, const QString &title, const QString &category,
                                const QString &cls, qint64 code)
{
    const auto q = [](QString s) { return s.replace(QLatin1Char('\''), QLatin1String("''")); };
    return QStringLiteral("Tab_CodiceFascicolo= %1 AND Tab_Classe= '%2' AND tab_ente='%3' AND Tab_Categoria='%4' "
                          "AND tab_Titolo='%5'")
        .arg(code)
        .arg(q(cls), q(ente), q(category), q(title));
}

// The whole request of operation 303.
inline QVariantList dossierRequest(const QString &mode, const QString &condition, const ColumnValues &columns)
{
    return {mode, condition, packColumns(columns)};
}

// The whole request of operation 304.
inline QVariantList closeCaseRequest(const ColumnValues &columns) { return {packColumns(columns)}; }

} // namespace classification
} // namespace nimbo
