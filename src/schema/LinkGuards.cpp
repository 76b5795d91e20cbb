#include "schema/LinkGuards.h"

namespace Schema::LinkGuards {

using Dialect::Engine;

namespace {

// Numbers are unique within a body, so the number alone names the protocol
// whatever direction a row gives it.
const QString kItself = QStringLiteral("NEW.Tab_NumeroProtocollo = NEW.Tab_NumeroProtocolloC");

QString quoted(const QString &s) { return QLatin1Char('\'') + QString(s).replace(QLatin1Char('\''), QStringLiteral("''")) + QLatin1Char('\''); }

} // namespace

QStringList statements(Kind kind, Engine e)
{
    if (kind != Kind::Central)
        return {};
    // Rows that already break the rule mean nothing: no list shows them.
    const QString purge = QStringLiteral("DELETE FROM Tab_ProtocolliCollegati WHERE Tab_NumeroProtocollo = "
                                         "Tab_NumeroProtocolloC");
    if (e == Engine::SQLite) {
        QStringList s{purge};
        for (const char *event : {"INSERT", "UPDATE"}) {
            const QString name = QStringLiteral("tab_protocollicollegati_itself_") + QString::fromLatin1(event).toLower();
            s << QStringLiteral("DROP TRIGGER IF EXISTS ") + name
              << QStringLiteral("CREATE TRIGGER %1 BEFORE %2 ON Tab_ProtocolliCollegati FOR EACH ROW WHEN %3 BEGIN "
                                "SELECT RAISE(ABORT, %4); END")
                     .arg(name, QString::fromLatin1(event), kItself, quoted(kLinkedToItself));
        }
        return s;
    }
    return {purge,
            QStringLiteral("ALTER TABLE Tab_ProtocolliCollegati DROP CONSTRAINT IF EXISTS tab_protocollicollegati_itself"),
            QStringLiteral("ALTER TABLE Tab_ProtocolliCollegati ADD CONSTRAINT tab_protocollicollegati_itself CHECK "
                           "(Tab_NumeroProtocollo <> Tab_NumeroProtocolloC)")};
}

} // namespace Schema::LinkGuards
