#include "organisation/StructureRules.h"

namespace F = Funzioni_Com_1;

namespace nimbo::organisation {

QString structureTreeQuery()
{
    return QStringLiteral(
        "SELECT Tab_Enti.Ente_Codice, Tab_Enti.Ente_Denominazione, Tab_Dipartimenti.Dipa_CodDipartimento, "
        "Tab_Dipartimenti.Dipa_Denominazione, Tab_Uffici.Tab_Ufficio, Tab_Uffici.Tab_Descrizione, "
        "Tab_UfficiComponenti.Tab_Progressivo, Tab_UfficiComponenti.Tab_Componente "
        "FROM Tab_Enti "
        "LEFT JOIN Tab_Dipartimenti ON Tab_Dipartimenti.Dipa_CodiceEnte = Tab_Enti.Ente_Codice "
        "LEFT JOIN Tab_Uffici ON Tab_Uffici.Tab_Ente = Tab_Dipartimenti.Dipa_CodiceEnte "
        "AND Tab_Uffici.Tab_Dipartimento = Tab_Dipartimenti.Dipa_CodDipartimento "
        "LEFT JOIN Tab_UfficiComponenti ON Tab_UfficiComponenti.Tab_Ente = Tab_Uffici.Tab_Ente "
        "AND Tab_UfficiComponenti.Tab_Ufficio = Tab_Uffici.Tab_Ufficio "
        "ORDER BY Tab_Enti.Ente_Codice, Tab_Dipartimenti.Dipa_CodDipartimento, Tab_Uffici.Tab_Ufficio, "
        "Tab_UfficiComponenti.Tab_Componente");
}

const QVector<TreeEntry> &treeEntries()
{
    const QString ente = QStringLiteral("frmGEnti");
    const QString dip = QStringLiteral("frmGDipartimenti");
    const QString uff = QStringLiteral("FrmGUffici");
    const QString comp = QStringLiteral("FrmGComponenti");
    const QStringList none;
    const QStringList ofEnte{QStringLiteral("Dipa_CodiceEnte")};
    const QStringList ofDip{QStringLiteral("Tab_Ente"), QStringLiteral("Tab_Dipartimento")};
    const QStringList ofUff{QStringLiteral("Tab_Ente"), QStringLiteral("Tab_Dipartimento"), QStringLiteral("Tab_Ufficio")};
    const QString aoo = QStringLiteral("Area Organizzativa Omogenea");
    const QString office = QStringLiteral("Ufficio");
    static const QVector<TreeEntry> entries{
        {QStringLiteral("MnuAggiungiAOO"), QStringLiteral("Aggiungi ") + aoo, ente, none, QStringLiteral("Ente_Codice"), false, {-1, 0}},
        {QStringLiteral("MnuDettaglioAOO"), QStringLiteral("Dettaglio ") + aoo, ente, none, QStringLiteral("Ente_Codice"), true, {0}},
        {QStringLiteral("MnuAggiungiDip"), QStringLiteral("Aggiungi Dipartimento"), dip, ofEnte, QStringLiteral("Dipa_CodDipartimento"), false, {0}},
        {QStringLiteral("MnuAggiungiDip1"), QStringLiteral("Aggiungi Dipartimento"), dip, ofEnte, QStringLiteral("Dipa_CodDipartimento"), false, {1}},
        {QStringLiteral("MnuDettaglioDip"), QStringLiteral("Dettaglio Dipartimento"), dip, ofEnte, QStringLiteral("Dipa_CodDipartimento"), true, {1}},
        {QStringLiteral("MnuAggiungiUO"), QStringLiteral("Aggiungi ") + office, uff, ofDip, QStringLiteral("Tab_Ufficio"), false, {1}},
        {QStringLiteral("MnuAggiungiUOq"), QStringLiteral("Aggiungi ") + office, uff, ofDip, QStringLiteral("Tab_Ufficio"), false, {2}},
        {QStringLiteral("MnuDettaglioUO"), QStringLiteral("Dettaglio ") + office, uff, ofDip, QStringLiteral("Tab_Ufficio"), true, {2}},
        {QStringLiteral("MnuAggiungiComponente"), QStringLiteral("Aggiungi Componente"), comp, ofUff, QStringLiteral("Tab_Progressivo"), false, {2}},
        {QStringLiteral("MnuAggiungiComp1"), QStringLiteral("Aggiungi Componente"), comp, ofUff, QStringLiteral("Tab_Progressivo"), false, {3}},
        {QStringLiteral("MnuDettaglioComp"), QStringLiteral("Dettaglio Componente"), comp, ofUff, QStringLiteral("Tab_Progressivo"), true, {3}},
    };
    return entries;
}

const TreeEntry *treeEntry(const QString &item)
{
    for (const TreeEntry &e : treeEntries())
        if (e.item == item)
            return &e;
    return nullptr;
}

QString nodeKeyOf(const TreeEntry &entry, const QStringList &contextValues, const QString &keyValue)
{
    QStringList codes = contextValues.mid(0, entry.context.size());
    codes << keyValue;
    return codes.join(QLatin1Char('|'));
}

// ---- notices -------------------------------------------------------------------

QString noticesQuery()
{
    return QStringLiteral("SELECT ID,Cod_dip,des_dip,Cod_Uff,Des_Uff,cod_Ser,Des_ser,Cod_OP,Data_EFF,"
                          "Stato_Acquisizione FROM PROT_STRUTTURE_I WHERE (Stato_Acquisizione <> '2' OR "
                          "Stato_Acquisizione IS NULL) ORDER BY Data_EFF, ID");
}

QString noticeQuery(qlonglong id)
{
    return QStringLiteral("SELECT ID,Cod_dip,des_dip,Cod_Uff,Des_Uff,cod_Ser,Des_ser,Cod_OP,Data_EFF,Livello,"
                          "Stato_Acquisizione FROM Prot_Strutture_I WHERE ID=")
           + QString::number(id);
}

QString operationText(const QString &op, bool withCode)
{
    const QString o = op.trimmed().toUpper();
    QString text;
    if (o == QLatin1String("A"))
        text = QStringLiteral("Attivazione");
    else if (o == QLatin1String("D"))
        text = QStringLiteral("Disattivazione");
    else if (o == QLatin1String("M"))
        text = QStringLiteral("Modifica");
    else
        return op.trimmed();
    return withCode ? o + QStringLiteral(" - ") + text : text;
}

QString levelText(const QString &level)
{
    const QString l = level.trimmed();
    if (l == QLatin1String("1"))
        return QStringLiteral("1 - Agg.to Dipartimento");
    if (l == QLatin1String("2"))
        return QStringLiteral("2 - Agg.to Ufficio");
    if (l == QLatin1String("3"))
        return QStringLiteral("3 - Agg.to Servizio");
    return l;
}

QString stateText(const QString &state)
{
    return state.trimmed() == QLatin1String("1") ? QStringLiteral("Modifica in fase di applicazione")
                                                 : QStringLiteral("Modifica notificata al responsabile");
}

QString codeAndName(const QString &code, const QString &name)
{
    const QString c = code.trimmed();
    const QString n = name.trimmed();
    if (c.isEmpty() && n.isEmpty())
        return {};
    return c + QStringLiteral(" - ") + n;
}

QString appliedAmongQuery(const QVector<qlonglong> &ids)
{
    QStringList list;
    for (qlonglong id : ids)
        list << QString::number(id);
    return QStringLiteral("SELECT ID FROM PROT_STRUTTURE_I WHERE Stato_Acquisizione = '2' AND ID IN (")
           + list.join(QLatin1Char(',')) + QStringLiteral(") ORDER BY ID");
}

QVector<F::Statement> noticeWrites(const QVector<qlonglong> &ids, const QVector<bool> &ticked)
{
    QVector<F::Statement> out;
    for (int i = 0; i < ids.size(); ++i)
        out.append({QStringLiteral("R"), QStringLiteral("PROT_STRUTTURE_I"),
                    {{QStringLiteral("Stato_Acquisizione"),
                      ticked.value(i) ? QStringLiteral("1") : QStringLiteral("0")}},
                    QStringLiteral("ID=") + QString::number(ids.at(i))
                        + QStringLiteral(" AND (Stato_Acquisizione <> '2' OR Stato_Acquisizione IS NULL)")});
    return out;
}

} // namespace nimbo::organisation
