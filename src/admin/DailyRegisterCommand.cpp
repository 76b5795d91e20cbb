#include "admin/DailyRegisterCommand.h"

#include <QDir>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QSqlError>

#include "dailyregister/DailyRegister.h"
#include "data/Dialect.h"

namespace Admin {

namespace {

const QString kConn = QStringLiteral("nimbo_admin_daily");

} // namespace

bool needsGui(const QStringList &args) { return !args.isEmpty() && args.first() == QLatin1String("daily-register"); }

QString dailyRegisterUsage()
{
    return QStringLiteral(
        "  daily-register --sqlite FILE | --pg \"CONNINFO\" --date AAAA-MM-GG --out CARTELLA [--ente ENTE]\n"
        "      produce il registro giornaliero di protocollo del giorno (di ogni ente se --ente manca): in\n"
        "      CARTELLA scrive ENTE-AAAAMMGG.pdf (PDF/A-1b), ENTE-AAAAMMGG.xml (metadati) e\n"
        "      ENTE-AAAAMMGG.pdf.sha256; ripetuto, produce lo stesso PDF e ne registra la produzione\n");
}

int dailyRegister(const Options &o, QTextStream &out, QString *error)
{
    Dialect::Target target;
    if (!targetOf(o, &target, error))
        return 2;
    const QString dateText = o.values.value(QStringLiteral("date")).trimmed();
    const QDate date = QDate::fromString(dateText, Qt::ISODate);
    if (!date.isValid() || dateText.size() != 10) {
        *error = QStringLiteral("Indicare il giorno con --date AAAA-MM-GG.");
        return 2;
    }
    const QString folder = o.values.value(QStringLiteral("out")).trimmed();
    if (folder.isEmpty()) {
        *error = QStringLiteral("Indicare con --out la cartella in cui scrivere il registro.");
        return 2;
    }
    if (date > QDate::currentDate()) {
        *error = QStringLiteral("Il giorno %1 non è ancora venuto.").arg(date.toString(QStringLiteral("dd/MM/yyyy")));
        return 2;
    }
    if (target.engine == Dialect::Engine::SQLite && !QFileInfo::exists(target.location)) {
        *error = QStringLiteral("Il database %1 non esiste.").arg(target.location);
        return 1;
    }
    QString why;
    if (!Dialect::open(kConn, target, &why)) {
        *error = QStringLiteral("Impossibile aprire il database centrale: ") + why.trimmed();
        return 1;
    }
    int rc = 0;
    {
        QSqlDatabase db = QSqlDatabase::database(kConn, false);
        QStringList bodies;
        const QString ente = o.values.value(QStringLiteral("ente")).trimmed().toUpper();
        if (!ente.isEmpty())
            bodies << ente;
        else if (!nimbo::daily::bodies(db, &bodies, error))
            rc = 1;
        for (const QString &b : std::as_const(bodies)) {
            nimbo::daily::Produced p;
            if (!nimbo::daily::produce(db, b, date, folder, QStringLiteral("ADMIN"), QDateTime::currentDateTime(), &p,
                                       error)) {
                rc = 1;
                break;
            }
            out << QStringLiteral("%1: %2 protocolli, %3 annullamenti o modifiche; SHA-256 %4%5")
                       .arg(QFileInfo(p.pdf).fileName())
                       .arg(p.protocols)
                       .arg(p.changes)
                       .arg(p.digest,
                            p.sameAsBefore ? QStringLiteral(" (uguale a quello già prodotto)")
                            : p.changedSinceBefore
                                ? QStringLiteral(" (DIVERSO da quello prodotto in precedenza per lo stesso giorno)")
                                : QString())
                << Qt::endl;
        }
    }
    Dialect::close(kConn);
    return rc;
}

} // namespace Admin
