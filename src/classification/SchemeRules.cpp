#include "classification/SchemeRules.h"

#include "data/Dialect.h"

namespace F = Funzioni_Com_1;

namespace nimbo::classification {
namespace {

const SchemeLevelText kTexts[] = {
    {"FrmTitoli", "Tab_Titolo", "Gestione Anagrafiche Titoli", "Anagrafiche Titoli", "REGISTRAZIONE CODICI TITOLI",
     "Anagrafica Titoli", "Codice Titolo gia' presente nella tabella Titoli",
     "Il campo Codice Titolo deve essere significativo", "Il campo Descrizione Titolo deve essere significativo",
     "Cancellazione del Titolo non effettuabile. Esistono in archivio informazioni ad esso correlate.",
     "ATTENZIONE ! Errore in cancellazione Codice Titolo Corrente", "Selezionare un Titolo dall'elenco.",
     "CmdCategorie", "Categorie..."},
    {"FrmCategorie", "Tab_Categoria", "Gestione Anagrafiche Categorie", "Anagrafiche Categorie",
     "REGISTRAZIONE CODICI CATEGORIE", "Anagrafica Categorie", "Codice categoria gia' presente per il titolo in esame",
     "Il campo Codice Categoria deve essere significativo", "Il campo Descrizione Categoria deve essere significativo",
     "Cancellazione della categoria non effettuabile. La categoria  è già stata usata in fase di registrazione di un "
     "protocollo",
     "ATTENZIONE ! Errore in cancellazione Codice Categoria Corrente", "Selezionare una Categoria dall'elenco.",
     "CmdClassi", "Classi..."},
    {"frmClassi", "Tab_Classe", "Anagrafiche Classi", "Anagrafiche Classi", "REGISTRAZIONE CODICI CLASSI",
     "Anagrafica Classi", "Codice classe gia' presente per la categoria corrente",
     "Il campo Codice Classe deve essere significativo", "Il campo Descrizione Classe deve essere significativo",
     "Cancellazione della Classe non effettuabile. La Classe  è già stata usata in fase di registrazione di un "
     "protocollo",
     "ATTENZIONE ! Errore in cancellazione Codice Classe Corrente", "Selezionare una Classe dall'elenco.", "CmdClassi",
     "Fascicoli..."},
};

QString q(const QString &text) { return ui::sqlText(text); }

// "tab_ente='e' AND Tab_CodiceTitolo='t' ..." over the parents of a level,
// with the given names for the columns of the table read.
QString parentsCondition(SchemeLevel level, const SchemePath &p, const QStringList &columns)
{
    const QStringList values{p.ente, p.title, p.category};
    QStringList parts;
    for (int i = 0; i <= int(level); ++i)
        parts << columns.at(i) + QStringLiteral(" = ") + q(values.at(i));
    return parts.join(QStringLiteral(" AND "));
}

QString own(const SchemePath &p, SchemeLevel level)
{
    switch (level) {
    case SchemeLevel::Title: return p.title;
    case SchemeLevel::Category: return p.category;
    case SchemeLevel::Class: return p.cls;
    }
    return {};
}

// Columns of the classification and dossier tables, by level.
const QStringList kPathColumns{QStringLiteral("Tab_Ente"), QStringLiteral("Tab_Titolo"),
                               QStringLiteral("Tab_Categoria"), QStringLiteral("Tab_Classe")};

// The rows of a classification or dossier table below the element.
QString below(SchemeLevel level, const SchemePath &p)
{
    const QStringList values{p.ente, p.title, p.category, p.cls};
    QStringList parts;
    for (int i = 0; i <= int(level) + 1; ++i)
        parts << kPathColumns.at(i) + QStringLiteral(" = ") + q(values.at(i));
    return parts.join(QStringLiteral(" AND "));
}

} // namespace

QString elementCondition(SchemeLevel level, const SchemePath &p)
{
    return parentsCondition(level, p, parentColumns(level)) + QStringLiteral(" AND Tab_Codice = ") + q(own(p, level));
}

const SchemeLevelText &textOf(SchemeLevel level) { return kTexts[int(level)]; }

QStringList parentColumns(SchemeLevel level)
{
    const QStringList all{QStringLiteral("Tab_Ente"), QStringLiteral("Tab_CodiceTitolo"),
                          QStringLiteral("Tab_CodiceCategoria")};
    return all.mid(0, int(level) + 1);
}

QString listQuery(SchemeLevel level, const SchemePath &parents)
{
    // The flag as the clerk reads it, not as it is stored.
    return QStringLiteral("SELECT Tab_Codice, Tab_Descrizione, CASE WHEN Tab_Attivo = 1 THEN 'SI' ELSE 'NO' END "
                          "FROM %1 WHERE %2 ORDER BY Tab_Codice")
        .arg(QLatin1String(textOf(level).table), parentsCondition(level, parents, parentColumns(level)));
}

QString loadQuery(SchemeLevel level, const SchemePath &path)
{
    return QStringLiteral("SELECT Tab_Codice, Tab_Descrizione, Tab_Attivo FROM %1 WHERE %2")
        .arg(QLatin1String(textOf(level).table), elementCondition(level, path));
}

QString existsQuery(SchemeLevel level, const SchemePath &path)
{
    return QStringLiteral("SELECT Tab_Codice FROM %1 WHERE %2")
        .arg(QLatin1String(textOf(level).table), elementCondition(level, path));
}

QVector<ui::UsageCheck> usageChecks(SchemeLevel level, const SchemePath &path)
{
    const QString message = QString::fromUtf8(textOf(level).inUse);
    QString children;
    switch (level) {
    case SchemeLevel::Title:
        children = QStringLiteral("SELECT Tab_Codice FROM Tab_Categoria WHERE Tab_Ente = %1 AND Tab_CodiceTitolo = %2")
                       .arg(q(path.ente), q(path.title));
        break;
    case SchemeLevel::Category:
        children = QStringLiteral("SELECT Tab_Codice FROM Tab_Classe WHERE Tab_Ente = %1 AND Tab_CodiceTitolo = %2 "
                                  "AND Tab_CodiceCategoria = %3")
                       .arg(q(path.ente), q(path.title), q(path.category));
        break;
    case SchemeLevel::Class:
        children = QStringLiteral("SELECT Tab_CodiceFascicolo FROM Tab_Fascicoli WHERE ") + below(level, path);
        break;
    }
    // A classification names every level of its path, so the element's own
    // codes find it (the path below the element is the dossier's).
    const QString classified = QStringLiteral("SELECT Tab_NumeroProtocollo FROM Tab_ProFascicoli WHERE ") + below(level, path);
    return {{children + Dialect::limit(1), message}, {classified + Dialect::limit(1), message}};
}

QVector<F::Statement> cascadeStatements(SchemeLevel level, const SchemePath &path, const QDate &today,
                                        const QString &writer)
{
    const auto stamp = [&](F::FieldList fields) {
        fields.append({QStringLiteral("Tab_CodOper"), writer});
        fields.append({QStringLiteral("Tab_DatOper"), today});
        return fields;
    };
    const F::FieldList off = stamp({{QStringLiteral("Tab_Attivo"), 0}});
    const QString stillActive = QStringLiteral(" AND Tab_Attivo <> 0");
    QVector<F::Statement> out;
    if (level == SchemeLevel::Title) {
        const QString underTitle = QStringLiteral("Tab_Ente = %1 AND Tab_CodiceTitolo = %2").arg(q(path.ente), q(path.title));
        out.append({QStringLiteral("R"), QStringLiteral("Tab_Categoria"), off, underTitle + stillActive});
        out.append({QStringLiteral("R"), QStringLiteral("Tab_Classe"), off, underTitle + stillActive});
    } else if (level == SchemeLevel::Category) {
        out.append({QStringLiteral("R"), QStringLiteral("Tab_Classe"), off,
                    QStringLiteral("Tab_Ente = %1 AND Tab_CodiceTitolo = %2 AND Tab_CodiceCategoria = %3")
                            .arg(q(path.ente), q(path.title), q(path.category))
                        + stillActive});
    }
    // The dossiers of the element: by the codes down to its own.
    out.append({QStringLiteral("R"), QStringLiteral("Tab_Fascicoli"), stamp({{QStringLiteral("Tab_Chiusura"), today}}),
                below(level, path) + QStringLiteral(" AND Tab_Chiusura IS NULL")});
    return out;
}

} // namespace nimbo::classification
