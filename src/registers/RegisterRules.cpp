#include "registers/RegisterRules.h"

#include <QDir>

#include "data/Funzioni_Com_1.h"

namespace nimbo::registers {

namespace {

QString q(const QString &text) { return QLatin1Char('\'') + Funzioni_Com_1::quote(text) + QLatin1Char('\''); }

} // namespace

QString lastArchivedQuery(const QString &ente)
{
    return QStringLiteral("SELECT Max(Tab_NumeroProtocollo) AS MaxProtocollo From Tab_Protocollo WHERE Tab_Ente=%1 "
                          "and (Tab_Protocollo.Tab_Stampato='M') ")
        .arg(q(ente));
}

QString protocolDateQuery(const QString &ente, const QString &number)
{
    return QStringLiteral("SELECT Tab_DataProtocollo FROM Tab_Protocollo WHERE Tab_Ente=%1 and (Tab_NumeroProtocollo=%2)")
        .arg(q(ente), q(number));
}

QString firstProtocolQuery(const QString &ente)
{
    return QStringLiteral("SELECT Min(Tab_NumeroProtocollo) FROM Tab_Protocollo WHERE Tab_Ente=%1").arg(q(ente));
}

std::optional<QString> checkEndDate(const QDate &end, const QDate &start, const QDate &today)
{
    if (!end.isValid())
        return QStringLiteral("ATTENZIONE! Inserire una data corretta.");
    if (start.isValid() && end < start)
        return QStringLiteral("ATTENZIONE! la data di fine periodo non può essere minore della data di inizio periodo!");
    if (end >= today)
        return QStringLiteral("ATTENZIONE! la data di fine periodo deve essere minore della data corrente!");
    return std::nullopt;
}

QString searchQuery(const QString &ente, const QString &lastArchived, const QDate &end)
{
    return QStringLiteral("SELECT Tab_TipoProtocollo,Tab_NumeroProtocollo,Tab_DataProtocollo,Tab_DataRicezione,"
                          "Tab_Oggetto,Tab_Stampato, Tab_StatoProtocollo, Tab_SoggPrivacy FROM Tab_Protocollo WHERE "
                          "Tab_Ente=%1 AND (Tab_Stampato Is Null OR Tab_Stampato='N' OR Tab_Stampato='S') AND "
                          "Tab_NumeroProtocollo>%2 AND Tab_DataProtocollo<=%3 ORDER BY Tab_NumeroProtocollo ASC")
        .arg(q(ente), q(lastArchived), q(end.toString(Qt::ISODate)));
}

QString archiveFolder(const QString &programFolder, const QString &ente, const QDate &end)
{
    return QDir(programFolder).filePath(QStringLiteral("documenti/Appoggio/") + ente + QStringLiteral("_Proto_")
                                        + end.toString(QStringLiteral("yyyy_MM_dd")));
}

QString archiveFileName(const QString &ente, const QString &table, const QDate &end)
{
    return ente + QLatin1Char('_') + table + QLatin1Char('_') + end.toString(QStringLiteral("yyyy_MM_dd"))
           + QStringLiteral(".txt");
}

QString archiveLine(const QVector<std::optional<QString>> &fields)
{
    QStringList out;
    out.reserve(fields.size());
    for (const auto &f : fields) {
        if (!f) {
            out << QStringLiteral("\\N");
            continue;
        }
        QString e;
        e.reserve(f->size());
        for (const QChar c : *f) {
            switch (c.unicode()) {
            case '\\': e += QStringLiteral("\\\\"); break;
            case '|': e += QStringLiteral("\\|"); break;
            case '\n': e += QStringLiteral("\\n"); break;
            case '\r': e += QStringLiteral("\\r"); break;
            default: e += c;
            }
        }
        out << e;
    }
    return out.join(QLatin1Char('|'));
}

std::optional<QVector<std::optional<QString>>> readArchiveLine(const QString &line)
{
    QVector<std::optional<QString>> fields;
    QString cur;
    bool null = false, escaped = false;
    const auto close = [&] {
        fields << (null ? std::nullopt : std::optional<QString>(cur));
        cur.clear();
        null = false;
    };
    for (const QChar c : line) {
        if (c == QLatin1Char('\n') || c == QLatin1Char('\r'))
            return std::nullopt;
        if (escaped) {
            escaped = false;
            switch (c.unicode()) {
            case '\\': cur += QLatin1Char('\\'); break;
            case '|': cur += QLatin1Char('|'); break;
            case 'n': cur += QLatin1Char('\n'); break;
            case 'r': cur += QLatin1Char('\r'); break;
            case 'N':
                if (!cur.isEmpty())
                    return std::nullopt;
                null = true;
                break;
            default: return std::nullopt;
            }
            continue;
        }
        if (null)
            if (c != QLatin1Char('|'))
                return std::nullopt;
        if (c == QLatin1Char('\\'))
            escaped = true;
        else if (c == QLatin1Char('|'))
            close();
        else
            cur += c;
    }
    if (escaped)
        return std::nullopt;
    close();
    return fields;
}

} // namespace nimbo::registers
