#include "startup/FrmAbout.h"

#include <QPlainTextEdit>
#include <QVBoxLayout>

#include <curl/curl.h>
#include <libical/ical.h>
#include <libpq-fe.h>
#include <libxml/xmlversion.h>
#include <pcsclite.h>
#include <sane/sane.h>
#include <sodium.h>
#include <sqlite3.h>
#include <tiffvers.h>
#include <xlsxwriter.h>
#include <zip.h>

// GLib names a structure member "signals", which Qt defines as a keyword.
#pragma push_macro("signals")
#undef signals
#include <gmime/gmime.h>
#pragma pop_macro("signals")

#include "data/Dialect.h"
#include "data/Funzioni_Com_1.h"
#include "schema/Schema.h"
#include "ui/WindowRegistry.h"

namespace F = Funzioni_Com_1;

namespace nimbo::startup {
namespace {

const QString kCaption = QStringLiteral("Informazioni");

// The program's version as the logs write it ("1.00 - Build 0").
QString programVersion()
{
    return QString::number(NIMBO_VERSION_MAJOR) + QLatin1Char('.')
           + QStringLiteral("%1").arg(NIMBO_VERSION_MINOR, 2, 10, QLatin1Char('0')) + QStringLiteral(" - Build ")
           + QString::number(NIMBO_VERSION_PATCH);
}

// The engine and its version as one text ("SQLite 3.40.1", "PostgreSQL
// 15.5 on ..."): naming the engine is this window's very purpose.
QString serverVersionQuery(Dialect::Engine e)
{
    return e == Dialect::Engine::PostgreSQL ? QStringLiteral("SELECT version()")
                                            : QStringLiteral("SELECT 'SQLite ' || sqlite_version()");
}

QString firstLine(const char *text) { return QString::fromUtf8(text).section(QLatin1Char('\n'), 0, 0).trimmed(); }

} // namespace

QList<LibraryInfo> libraries()
{
    const int pq = PQlibVersion();
    const curl_version_info_data *curl = curl_version_info(CURLVERSION_NOW);
    return {
        {QStringLiteral("Qt"), QString::fromLatin1(qVersion()), QStringLiteral("LGPL-3.0")},
        {QStringLiteral("SQLite"), QString::fromLatin1(sqlite3_libversion()), QStringLiteral("Pubblico dominio")},
        {QStringLiteral("libpq (PostgreSQL)"), QStringLiteral("%1.%2").arg(pq / 10000).arg(pq % 10000),
         QStringLiteral("PostgreSQL License")},
        {QStringLiteral("libsodium"), QString::fromLatin1(sodium_version_string()), QStringLiteral("ISC")},
        {QStringLiteral("libzip"), QString::fromLatin1(zip_libzip_version()), QStringLiteral("BSD-3-Clause")},
        {QStringLiteral("libtiff"), firstLine(TIFFLIB_VERSION_STR).remove(QStringLiteral("LIBTIFF, Version ")),
         QStringLiteral("libtiff (BSD)")},
        {QStringLiteral("SANE"), QStringLiteral("%1.%2").arg(SANE_CURRENT_MAJOR).arg(SANE_CURRENT_MINOR),
         QStringLiteral("GPL-2.0-or-later con eccezione di collegamento")},
        {QStringLiteral("mustache (kainjow)"), QStringLiteral("4.1"), QStringLiteral("BSL-1.0")},
        {QStringLiteral("libxlsxwriter"), QString::fromLatin1(lxw_version()), QStringLiteral("BSD-2-Clause")},
        {QStringLiteral("libcurl"), QString::fromLatin1(curl->version), QStringLiteral("curl (MIT/X)")},
        {QStringLiteral("GMime"),
         QStringLiteral("%1.%2.%3").arg(gmime_major_version).arg(gmime_minor_version).arg(gmime_micro_version),
         QStringLiteral("LGPL-2.1-or-later")},
        {QStringLiteral("libxml2"), QString::fromLatin1(LIBXML_DOTTED_VERSION), QStringLiteral("MIT")},
        {QStringLiteral("libical"), QString::fromLatin1(ICAL_VERSION), QStringLiteral("LGPL-2.1 / MPL-2.0")},
        {QStringLiteral("PC/SC lite"), QString::fromLatin1(PCSCLITE_VERSION_NUMBER), QStringLiteral("BSD-3-Clause")},
    };
}

FrmAbout::FrmAbout(QWidget *parent) : ChildWindow(parent)
{
    setObjectName(QStringLiteral("frmAbout"));
    setWindowTitle(kCaption);
    const Dialect::Target central = Dialect::centralTarget();
    const auto version = F::Caricadati(QStringLiteral("PROTOCOLLO"), serverVersionQuery(central.engine));
    const auto recorded =
        F::Caricadati(QStringLiteral("PROTOCOLLO"), QStringLiteral("SELECT MAX(version_number) FROM Schema_Version"));

    QStringList lines;
    lines << QStringLiteral("Nimbo - Protocollo informatico")
          << QStringLiteral("Versione del programma: ") + programVersion()
          << QStringLiteral("Versione dello schema del database: ")
                 + (recorded ? recorded->value(0).toString() : QStringLiteral("non disponibile"))
                 + QStringLiteral(" (il programma gestisce la versione ")
                 + QString::number(Schema::currentVersion(Schema::Kind::Central)) + QStringLiteral(")")
          << QStringLiteral("Database: ")
                 + (central.engine == Dialect::Engine::PostgreSQL ? QStringLiteral("PostgreSQL")
                                                                  : QStringLiteral("SQLite"))
          << QStringLiteral("Versione del server: ")
                 + (version ? version->value(0).toString().trimmed() : QStringLiteral("non disponibile"))
          << QString() << QStringLiteral("Librerie utilizzate:");
    for (const LibraryInfo &l : libraries())
        lines << QStringLiteral("  %1 %2 - licenza %3").arg(l.name, l.version, l.licence);

    text_ = new QPlainTextEdit(this);
    text_->setObjectName(QStringLiteral("TxtInformazioni"));
    text_->setReadOnly(true);
    text_->setPlainText(lines.join(QLatin1Char('\n')));
    auto *v = new QVBoxLayout(this);
    v->setContentsMargins(8, 8, 8, 8);
    v->addWidget(text_);
    setToolbarKeys(QStringLiteral("ESCI"));
}

QSize FrmAbout::sizeHint() const { return QSize(620, 460); }

QString FrmAbout::text() const { return text_->toPlainText(); }

void FrmAbout::ELABORATBAR(const QString &key)
{
    if (key == QLatin1String("ESCI"))
        closeWindow();
}

void registerAboutWindow()
{
    WindowRegistry::add(QStringLiteral("frmAbout"), [] { return new FrmAbout; });
}

} // namespace nimbo::startup
