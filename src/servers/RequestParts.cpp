#include "servers/RequestParts.h"

#include "data/Dialect.h"
#include "data/Funzioni_Com_1.h"
#include "data/TextCheck.h"

namespace nimbo {

bool isPlainValue(const QVariant &v)
{
    return v.typeId() != QMetaType::QVariantList && v.typeId() != QMetaType::QVariantMap && v.canConvert<QString>();
}

bool requestText(const QVariant &v, const QString &field, bool required, QString *out, QString *why)
{
    if (v.isValid() && !v.isNull() && !isPlainValue(v)) {
        *why = QStringLiteral("Valore non valido per ") + field + QStringLiteral(": è atteso un testo.");
        return false;
    }
    *out = v.toString().trimmed();
    if (const QString bad = TextCheck::problem(field, *out); !bad.isEmpty()) {
        *why = bad;
        return false;
    }
    if (required && out->isEmpty()) {
        *why = QStringLiteral("Dato obbligatorio mancante: ") + field;
        return false;
    }
    return true;
}

UnitOutcome statementFailure(const QSqlDatabase &db, const QSqlError &e, const QString &what)
{
    return {{Funzioni_Com_1::kStatusSqlFailed, what + e.text().trimmed()},
            Dialect::isLockError(db, e.nativeErrorCode(), e.text()),
            Dialect::isConnectionLost(db, e)};
}

} // namespace nimbo
