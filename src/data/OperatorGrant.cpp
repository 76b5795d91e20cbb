#include "data/OperatorGrant.h"

#include <QSet>
#include <QStringList>

namespace OperatorGrant {
namespace {

QSet<QString> codes(const QString &list)
{
    QSet<QString> out;
    for (const QString &f : list.split(QLatin1Char('-'), Qt::SkipEmptyParts))
        if (!f.trimmed().isEmpty())
            out.insert(f.trimmed());
    return out;
}

} // namespace

QString refusal(const Rights &own, const Rights *before, const Rights &wanted)
{
    const QString level = wanted.level.trimmed();
    if (!level.isEmpty() && !(before && before->level.trimmed() == level)) {
        bool numeric = false, ownNumeric = false;
        const int given = level.toInt(&numeric);
        const int mine = own.level.trimmed().toInt(&ownNumeric);
        if (!numeric || !ownNumeric || given > mine)
            return QStringLiteral("Livello %1 non consentito: non si può assegnare a un operatore un livello "
                                  "superiore al proprio (%2).")
                .arg(level, own.level.trimmed());
    }
    const QSet<QString> stillWithheld = codes(wanted.withheld);
    const QSet<QString> wasWithheld = before ? codes(before->withheld) : QSet<QString>();
    for (const QString &f : codes(own.withheld))
        if (!stillWithheld.contains(f) && (!before || wasWithheld.contains(f)))
            return QStringLiteral("Funzione %1 non consentita: non si può abilitare per un operatore una funzione "
                                  "che non è abilitata per sé.")
                .arg(f);
    return {};
}

} // namespace OperatorGrant
