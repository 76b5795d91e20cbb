#include "codes/CodeTables.h"

#include "data/Dialect.h"
#include "data/Usage.h"

namespace nimbo::codes {
namespace {

QString probe(const char *table, const char *column, const QString &code)
{
    return QStringLiteral("SELECT 1 FROM ") + QLatin1String(table) + QStringLiteral(" WHERE ") + QLatin1String(column)
           + QStringLiteral(" = ") + ui::sqlText(code) + Dialect::limit(1);
}

CodeTable plain(const char *name, const char *table, const char *inUse,
                std::function<QStringList(const QString &, const QString &)> usage)
{
    CodeTable t;
    t.name = QString::fromLatin1(name);
    t.table = QString::fromLatin1(table);
    t.codeColumn = QStringLiteral("Tab_Codice");
    t.descriptionColumn = QStringLiteral("Tab_Descrizione");
    t.operatorColumn = QStringLiteral("Tab_CodOper");
    t.dateColumn = QStringLiteral("Tab_DatOper");
    t.inUse = QString::fromUtf8(inUse);
    t.usage = std::move(usage);
    return t;
}

QVector<CodeTable> build()
{
    QVector<CodeTable> out;
    out << plain("TAB_TIPODOCUMENTO", "Tab_TipoDocumento", "Non è possibile cancellare il tipo documento poiché in uso",
                 [](const QString &code, const QString &) {
                     return QStringList{probe("Tab_Protocollo", "Tab_Tipologia", code),
                                        probe("Tab_DocumentiCollegati", "Tab_TipoDocumento", code),
                                        probe("Tab_ProtocEmailProvvis", "Tab_Tipologia", code)};
                 });
    out << plain("TAB_MOTIVO_CANCELLA", "Tab_Motivo_Cancella",
                 "Non è possibile cancellare il motivo di cancellazione poiché in uso",
                 [](const QString &code, const QString &) {
                     return QStringList{probe("Tab_Protocollo", "Tab_MotivoCancellazione", code),
                                        probe("Tab_ProtocEmailProvvis", "Tab_MotivoCancellazione", code)};
                 });
    // The registers' reasons are kept with their sessions; Tab_RegistriEmergenza
    // shows them per register.
    out << plain("TAB_MOTIVO_REGTEMP", "Tab_Motivo_Regtemp",
                 "Non è possibile cancellare il motivo di registrazione in emergenza poiché in uso",
                 [](const QString &code, const QString &) {
                     return QStringList{probe("Tab_RegistriEmergenza", "Tab_Motivo", code)};
                 });
    {
        CodeTable t = plain("TAB_TIPOUTENZA", "Tab_TipoUtenza",
                            "Non è possibile cancellare la tipologia di mittente/destinatario poiché in uso",
                            [](const QString &code, const QString &) {
                                return QStringList{probe("Tab_Rubrica", "Tab_TipoUtenza", code)};
                            });
        t.extraColumn = QStringLiteral("Tab_Interno");
        t.extraCaption = QStringLiteral("Interno");
        t.extraRule = ExtraRule::YesNo;
        out << t;
    }
    {
        CodeTable t;
        t.name = QStringLiteral("TAB_PROVINCIE");
        t.table = QStringLiteral("Tab_Provincie");
        t.codeColumn = QStringLiteral("Prv_Codprov");
        t.descriptionColumn = QStringLiteral("Prv_Descrizione");
        t.extraColumn = QStringLiteral("Prv_Sigla_Auto");
        t.extraCaption = QStringLiteral("Sigla");
        t.regionColumn = QStringLiteral("Prv_Codreg");
        t.operatorColumn = QStringLiteral("Prv_CodOper");
        t.dateColumn = QStringLiteral("Prv_DatOper");
        t.extraRule = ExtraRule::Required;
        t.inUse = QStringLiteral("Non è possibile cancellare la provincia poiché in uso");
        t.usage = [](const QString &, const QString &plate) { return Usage::provinceUsage(plate); };
        out << t;
    }
    {
        CodeTable t;
        t.name = QStringLiteral("TAB_REGIONI");
        t.table = QStringLiteral("Tab_Regioni");
        t.codeColumn = QStringLiteral("Reg_Codreg");
        t.descriptionColumn = QStringLiteral("Reg_Descrizione");
        t.extraColumn = QStringLiteral("Reg_Memo_Regione");
        t.extraCaption = QStringLiteral("Cod. Mnemonico");
        t.operatorColumn = QStringLiteral("Reg_CodOper");
        t.dateColumn = QStringLiteral("Reg_DatOper");
        t.extraRule = ExtraRule::Required;
        t.inUse = QStringLiteral("Non è possibile cancellare la regione poiché in uso");
        t.usage = [](const QString &code, const QString &) { return Usage::regionUsage(code); };
        out << t;
    }
    return out;
}

} // namespace

QString CodeTable::titles() const
{
    QString t = QStringLiteral("Codice;Descrizione");
    if (!extraColumn.isEmpty())
        t += QLatin1Char(';') + extraCaption;
    if (!regionColumn.isEmpty())
        t += QStringLiteral(";Regione");
    return t;
}

QString CodeTable::widths() const
{
    QString w = QStringLiteral("8;40");
    if (!extraColumn.isEmpty())
        w += QStringLiteral(";") + QString::number(qMax(8, extraCaption.size() + 2));
    if (!regionColumn.isEmpty())
        w += QStringLiteral(";20");
    return w;
}

QString CodeTable::listSql() const
{
    QStringList cols{QStringLiteral("t.") + codeColumn, QStringLiteral("t.") + descriptionColumn};
    if (!extraColumn.isEmpty())
        cols << QStringLiteral("t.") + extraColumn;
    QString from = table + QStringLiteral(" t");
    if (!regionColumn.isEmpty()) {
        cols << QStringLiteral("r.Reg_Descrizione");
        from += QStringLiteral(" LEFT JOIN Tab_Regioni r ON r.Reg_Codreg = t.") + regionColumn;
    }
    return QStringLiteral("SELECT ") + cols.join(QStringLiteral(", ")) + QStringLiteral(" FROM ") + from
           + QStringLiteral(" ORDER BY t.") + codeColumn;
}

QStringList CodeTable::loadColumns() const
{
    QStringList cols{codeColumn, descriptionColumn};
    if (!extraColumn.isEmpty())
        cols << extraColumn;
    if (!regionColumn.isEmpty())
        cols << regionColumn;
    return cols;
}

QString CodeTable::loadSql(const QString &code) const
{
    return QStringLiteral("SELECT ") + loadColumns().join(QStringLiteral(", ")) + QStringLiteral(" FROM ") + table
           + QStringLiteral(" WHERE") + condition(code);
}

QString CodeTable::condition(const QString &code) const
{
    return QLatin1Char(' ') + codeColumn + QStringLiteral("=") + ui::sqlText(code);
}

const QVector<CodeTable> &codeTables()
{
    static const QVector<CodeTable> tables = build();
    return tables;
}

const CodeTable *codeTableNamed(const QString &storedName)
{
    const QString wanted = storedName.trimmed();
    for (const CodeTable &t : codeTables())
        if (t.name.compare(wanted, Qt::CaseInsensitive) == 0)
            return &t;
    return nullptr;
}

ui::CheckList codeChecks(const CodeTable &t, bool isNew, std::function<bool(const QString &)> inGrid)
{
    const auto filled = [](const QString &column) {
        return [column](ui::Record &r) { return !r.value(column).trimmed().isEmpty(); };
    };
    ui::CheckList c;
    c.append({t.codeColumn, filled(t.codeColumn), QStringLiteral("Inserire il codice dell'elemento da inserire")});
    if (isNew)
        c.append({t.codeColumn, [col = t.codeColumn, inGrid](ui::Record &r) { return !inGrid(r.value(col).trimmed()); },
                  QStringLiteral("Il codice inserito è già presente in archivio")});
    c.append({t.descriptionColumn, filled(t.descriptionColumn),
              QStringLiteral("Inserire la descrizione dell'elemento da inserire")});
    switch (t.extraRule) {
    case ExtraRule::YesNo:
        c.append({t.extraColumn, [col = t.extraColumn](ui::Record &r) {
                      const QString v = r.value(col).trimmed().toUpper();
                      return v == QLatin1String("S") || v == QLatin1String("N");
                  },
                  QStringLiteral("Inserire S o N")});
        break;
    case ExtraRule::Required:
        c.append({t.extraColumn, filled(t.extraColumn), QStringLiteral("Inserire un valore corretto")});
        break;
    case ExtraRule::None: break;
    }
    if (!t.regionColumn.isEmpty())
        c.append({t.regionColumn, filled(t.regionColumn), QStringLiteral("Selezionare una regione dall'elenco")});
    return c;
}

CodeTextValidator::CodeTextValidator(Rule rule, QObject *parent) : QValidator(parent), rule_(rule) {}

QString CodeTextValidator::filtered(const QString &text, Rule rule)
{
    static const QString marks = QStringLiteral("'-./,()");
    QString out;
    out.reserve(text.size());
    for (const QChar ch : text) {
        const QChar c = ch.toUpper();
        const bool ascii = (c >= QLatin1Char('A') && c <= QLatin1Char('Z')) || (c >= QLatin1Char('0') && c <= QLatin1Char('9'))
                           || c == QLatin1Char(' ');
        if (ascii || (rule == Rule::Names && (c.isLetter() || marks.contains(c))))
            out += c;
    }
    return out;
}

QValidator::State CodeTextValidator::validate(QString &input, int &pos) const
{
    const QString before = input.left(pos);
    const QString kept = filtered(before, rule_);
    input = kept + filtered(input.mid(pos), rule_);
    pos = int(kept.size());
    return Acceptable;
}

} // namespace nimbo::codes
