#include "classification/ChooserRules.h"

#include "data/Dialect.h"
#include "protocol/ProtocolRules.h"
#include "protocol/ProtocolSearch.h"
#include "ui/RecordEditor.h"

namespace F = Funzioni_Com_1;

namespace nimbo::classification {
namespace {

const QString kDb = QStringLiteral("PROTOCOLLO");

QString q(const QString &text) { return ui::sqlText(text.trimmed()); }

// The table of a level and the condition naming its parents.
QString levelSource(Level level, const SchemePath &p)
{
    switch (level) {
    case Level::Title: return QStringLiteral("Tab_Titolo WHERE Tab_Ente = ") + q(p.ente);
    case Level::Category:
        return QStringLiteral("Tab_Categoria WHERE Tab_Ente = ") + q(p.ente) + QStringLiteral(" AND Tab_CodiceTitolo = ")
               + q(p.title);
    case Level::Class:
        return QStringLiteral("Tab_Classe WHERE Tab_Ente = ") + q(p.ente) + QStringLiteral(" AND Tab_CodiceTitolo = ")
               + q(p.title) + QStringLiteral(" AND Tab_CodiceCategoria = ") + q(p.category);
    }
    return {};
}

QString codeAt(Level level, const SchemePath &p)
{
    return level == Level::Title ? p.title : level == Level::Category ? p.category : p.cls;
}

QVector<ui::Match> read(const QString &sql)
{
    QVector<ui::Match> out;
    const F::LoadedRows r = F::loadRows(kDb, sql);
    for (int i = 0; r.ok && i < r.rowCount(); ++i)
        out.append({r.value(0, i).toString().trimmed(), r.value(1, i).toString().trimmed(), QString()});
    return out;
}

QString text(const F::LoadedRows &r, int column, int row) { return r.value(column, row).toString().trimmed(); }

} // namespace

QString schemeLookupQuery(Level level, const SchemePath &path, const QString &typed, bool byDescription)
{
    const QString t = typed.trimmed();
    const QString head = QStringLiteral("SELECT Tab_Codice, Tab_Descrizione FROM ") + levelSource(level, path)
                         + QStringLiteral(" AND Tab_Attivo = 1 AND ");
    if (byDescription)
        return head
               + Dialect::likeNoCase(Dialect::centralTarget().engine, QStringLiteral("Tab_Descrizione"),
                                     ui::sqlText(t + QLatin1Char('%')))
               + QStringLiteral(" ORDER BY Tab_Descrizione");
    return head + QStringLiteral("Tab_Codice = ") + q(t.toUpper()) + QStringLiteral(" ORDER BY Tab_Codice");
}

QVector<ui::Match> findActive(Level level, const SchemePath &path, const QString &typed, bool byDescription)
{
    if (typed.trimmed().isEmpty())
        return {};
    const QVector<ui::Match> byCode = read(schemeLookupQuery(level, path, typed, false));
    if (!byCode.isEmpty() || !byDescription)
        return byCode;
    return read(schemeLookupQuery(level, path, typed, true));
}

std::optional<ui::Match> activeElement(Level level, const SchemePath &path)
{
    const QString code = codeAt(level, path).trimmed();
    if (code.isEmpty())
        return std::nullopt;
    const QVector<ui::Match> rows = read(schemeLookupQuery(level, path, code, false));
    if (rows.isEmpty())
        return std::nullopt;
    return rows.first();
}

QString openDossiersQuery(const SchemePath &p)
{
    return QStringLiteral("SELECT Tab_CodiceFascicolo, Tab_Descrizione FROM Tab_Fascicoli WHERE Tab_Ente = ") + q(p.ente)
           + QStringLiteral(" AND Tab_Titolo = ") + q(p.title) + QStringLiteral(" AND Tab_Categoria = ") + q(p.category)
           + QStringLiteral(" AND Tab_Classe = ") + q(p.cls)
           + QStringLiteral(" AND Tab_Chiusura IS NULL ORDER BY Tab_Descrizione");
}

QString dossierItem(qint64 code, const QString &description)
{
    return ChosenDossier::shownCode(code) + QStringLiteral(" - ") + description;
}

qint64 itemCode(const QString &item) { return item.left(5).toLongLong(); }

QString itemDescription(const QString &item) { return item.mid(8); }

std::optional<ChooserFailure> listingFailure(const SchemePath &path, const std::function<bool(Level)> &exists)
{
    if (path.title.trimmed().isEmpty() || path.category.trimmed().isEmpty() || path.cls.trimmed().isEmpty()) {
        const char *field = path.title.trimmed().isEmpty()      ? "CodTitolo"
                            : path.category.trimmed().isEmpty() ? "CodCategoria"
                                                                : "CodClasse";
        return ChooserFailure{QStringLiteral("Inserire prima i dati relativi al titolo, categoria e  classe."),
                              QString::fromLatin1(field)};
    }
    if (!exists(Level::Title))
        return ChooserFailure{QString::fromUtf8("Il Titolo specificato non è presente in archivio"),
                              QStringLiteral("CodTitolo")};
    if (!exists(Level::Category))
        return ChooserFailure{QString::fromUtf8("La Categoria specificata non è presente in archivio"),
                              QStringLiteral("CodCategoria")};
    if (!exists(Level::Class))
        return ChooserFailure{QString::fromUtf8("la Classe specificata non è presente in archivio"),
                              QStringLiteral("CodClasse")};
    return std::nullopt;
}

std::optional<ChooserFailure> confirmFailure(const SchemePath &path, int selected,
                                             const std::function<bool(Level)> &exists)
{
    if (path.title.trimmed().isEmpty())
        return ChooserFailure{QStringLiteral("Inserire il codice del Titolo "), QStringLiteral("CodTitolo")};
    if (!exists(Level::Title))
        return ChooserFailure{QString::fromUtf8("Il Titolo specificato non è presente in archivio"),
                              QStringLiteral("CodTitolo")};
    if (path.category.trimmed().isEmpty())
        return ChooserFailure{QStringLiteral("Inserire il codice della Categoria"), QStringLiteral("CodCategoria")};
    if (!exists(Level::Category))
        return ChooserFailure{QString::fromUtf8("La Categoria specificata non è presente in archivio"),
                              QStringLiteral("CodCategoria")};
    if (path.cls.trimmed().isEmpty())
        return ChooserFailure{QStringLiteral("Inserire il codice della Classe"), QStringLiteral("CodClasse")};
    if (!exists(Level::Class))
        return ChooserFailure{QString::fromUtf8("la Classe specificata non è presente in archivio"),
                              QStringLiteral("CodClasse")};
    if (selected <= 0)
        return ChooserFailure{QStringLiteral("selezionare almeno un fascicolo dall'elenco"),
                              QStringLiteral("LstSchedario")};
    return std::nullopt;
}

ColumnValues newDossierColumns(const SchemePath &p, const QString &description, const QString &operatorCode,
                               const QDate &today)
{
    const QString day = today.toString(QStringLiteral("MM/dd/yyyy"));
    return {{QStringLiteral("Tab_Ente"), p.ente},
            {QStringLiteral("Tab_Titolo"), p.title},
            {QStringLiteral("Tab_Categoria"), p.category},
            {QStringLiteral("Tab_Classe"), p.cls},
            {QStringLiteral("Tab_CodiceFascicolo"), 0},
            {QStringLiteral("Tab_Descrizione"), description.trimmed()},
            {QStringLiteral("Tab_Apertura"), day},
            {QStringLiteral("Tab_Chiusura"), QString()},
            {QStringLiteral("Tab_CodOper"), operatorCode},
            {QStringLiteral("Tab_DatOper"), day}};
}

QString classificationQuery(const QString &ente, const QString &direction, const QString &number)
{
    return protocol::dossiersQuery(ente, direction, number);
}

QString Classified::state() const
{
    if (closed.isValid())
        return QStringLiteral("chiuso il ") + closed.toString(QStringLiteral("dd/MM/yyyy"));
    return inactive ? QStringLiteral("non attivo") : QStringLiteral("aperto");
}

QVector<Classified> classifiedRows(const F::LoadedRows &r)
{
    QVector<Classified> out;
    for (int i = 0; r.ok && i < r.rowCount(); ++i) {
        Classified c;
        c.dossier = {text(r, 0, i), text(r, 1, i), text(r, 2, i), text(r, 3, i), text(r, 4, i), text(r, 5, i),
                     r.value(6, i).toLongLong(), text(r, 7, i)};
        const QString closed = protocol::dateText(r.value(8, i));
        c.closed = protocol::shownDate(closed);
        // A level that is gone reads as null: not active either.
        for (int col : {9, 10, 11})
            c.inactive = c.inactive || r.value(col, i).isNull() || r.value(col, i).toInt() != 1;
        out.append(c);
    }
    return out;
}

QString codeAndDescription(const QString &code, const QString &description)
{
    return description.isEmpty() ? code : code + QStringLiteral(" - ") + description;
}

ChosenDossiers notYetPresent(const ChosenDossiers &chosen, const QVector<Classified> &present)
{
    QStringList keys;
    for (const Classified &c : present)
        keys << c.dossier.key();
    ChosenDossiers out;
    for (const ChosenDossier &d : chosen)
        if (!keys.contains(d.key())) {
            keys << d.key();
            out << d;
        }
    return out;
}

QString linkCondition(const QString &ente, const QString &direction, const QString &number, const ChosenDossier &d)
{
    return QStringLiteral("Tab_Ente = ") + q(ente) + QStringLiteral(" AND Tab_TipoProtocollo = ") + q(direction)
           + QStringLiteral(" AND Tab_NumeroProtocollo = ") + q(number) + QStringLiteral(" AND Tab_Titolo = ")
           + q(d.title) + QStringLiteral(" AND Tab_Categoria = ") + q(d.category) + QStringLiteral(" AND Tab_Classe = ")
           + q(d.cls) + QStringLiteral(" AND Tab_CodiceFascicolo = ") + QString::number(d.dossier);
}

F::Statement linkInsert(const QString &ente, const QString &direction, const QString &number, const ChosenDossier &d,
                        const QString &operatorCode, const QDate &today)
{
    return {QStringLiteral("A"),
            QStringLiteral("Tab_ProFascicoli"),
            {{QStringLiteral("Tab_Ente"), ente},
             {QStringLiteral("Tab_TipoProtocollo"), direction},
             {QStringLiteral("Tab_NumeroProtocollo"), number},
             {QStringLiteral("Tab_Titolo"), d.title},
             {QStringLiteral("Tab_Categoria"), d.category},
             {QStringLiteral("Tab_Classe"), d.cls},
             {QStringLiteral("Tab_CodiceFascicolo"), d.dossier},
             {QStringLiteral("Tab_Provenienza"), QStringLiteral("P")},
             {QStringLiteral("Tab_CodOper"), operatorCode},
             {QStringLiteral("Tab_DatOper"), today}},
            QString()};
}

bool writeQuietly(const QVector<F::Statement> &statements, QString *failure)
{
    ServerHolder holder;
    if (!createServer(holder, F::genericProgId(), failure))
        return false;
    QVariantList params{kDb, QVariant(F::packStatements(statements))};
    const QVariantList reply = holder.object->Elabora(F::kOpBatchWrite, params);
    holder.release();
    bool numeric = false;
    if (reply.value(0).toInt(&numeric) == F::kStatusOk && numeric)
        return true;
    *failure = reply.value(1).toString();
    return false;
}

QString offeredQuery(const QString &ente, const ChosenDossier &d)
{
    return QStringLiteral("SELECT x.Tab_CodiceFascicolo FROM Tab_Fascicoli x "
                          "JOIN Tab_Classe k ON k.Tab_Ente = x.Tab_Ente AND k.Tab_CodiceTitolo = x.Tab_Titolo "
                          "AND k.Tab_CodiceCategoria = x.Tab_Categoria AND k.Tab_Codice = x.Tab_Classe "
                          "JOIN Tab_Categoria c ON c.Tab_Ente = x.Tab_Ente AND c.Tab_CodiceTitolo = x.Tab_Titolo "
                          "AND c.Tab_Codice = x.Tab_Categoria "
                          "JOIN Tab_Titolo t ON t.Tab_Ente = x.Tab_Ente AND t.Tab_Codice = x.Tab_Titolo "
                          "WHERE x.Tab_Ente = ")
           + q(ente) + QStringLiteral(" AND x.Tab_Titolo = ") + q(d.title) + QStringLiteral(" AND x.Tab_Categoria = ")
           + q(d.category) + QStringLiteral(" AND x.Tab_Classe = ") + q(d.cls)
           + QStringLiteral(" AND x.Tab_CodiceFascicolo = ") + QString::number(d.dossier)
           + QStringLiteral(" AND x.Tab_Chiusura IS NULL AND k.Tab_Attivo = 1 AND c.Tab_Attivo = 1 AND t.Tab_Attivo = 1");
}

} // namespace nimbo::classification
