#pragma once
// A dossier chosen in the dossier chooser, with the codes and descriptions
// of its title, category and class: what the chooser hands the window that
// opened it (the registration window, the classification of a protocol).
// It lives here because the registration window, which cannot see the
// classification library built on top of it, receives it by signal.

#include <QList>
#include <QMetaType>
#include <QString>

namespace nimbo::protocol {

struct ChosenDossier {
    QString title, titleDescription;
    QString category, categoryDescription;
    QString cls, classDescription;
    qint64 dossier = 0;
    QString dossierDescription;

    // The dossier code as every list shows it: "00007".
    static QString shownCode(qint64 code) { return QStringLiteral("%1").arg(code, 5, 10, QLatin1Char('0')); }
    QString code() const { return shownCode(dossier); }
    // "<title>.<category>.<class>.<dossier>": two choices with one key are
    // the same dossier.
    QString key() const
    {
        return title + QLatin1Char('.') + category + QLatin1Char('.') + cls + QLatin1Char('.') + code();
    }
    // "<title descr>\<category descr>\<class descr>\<dossier descr>".
    QString text() const
    {
        return titleDescription + QLatin1Char('\\') + categoryDescription + QLatin1Char('\\') + classDescription
               + QLatin1Char('\\') + dossierDescription;
    }
    bool operator==(const ChosenDossier &o) const { return key() == o.key(); }
};

using ChosenDossiers = QList<ChosenDossier>;

} // namespace nimbo::protocol

Q_DECLARE_METATYPE(nimbo::protocol::ChosenDossier)
