// Opens dossiers or closes handled cases through the protocol server, one
// process among several. Prints one line a request: "OK <reply value>" or
// "<status> <text>".
//
//   nimbo_classification_worker sqlite|pg <file|conninfo> dossier <count> <ente> <title> <category> <class> <op>
//   nimbo_classification_worker sqlite|pg <file|conninfo> close <ente> <direction> <note> <office> <op> <date> <number>...

#include <QCoreApplication>
#include <cstdio>

#include "servers/ClassificationRequests.h"

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QStringList a = app.arguments();
    const bool dossier = a.size() == 10 && a[3] == QLatin1String("dossier");
    const bool close = a.size() >= 11 && a[3] == QLatin1String("close");
    if (!dossier && !close) {
        std::fprintf(stderr, "usage: %s sqlite|pg <file|conninfo> dossier <count> <ente> <title> <category> <class> <op>\n"
                             "       %s sqlite|pg <file|conninfo> close <ente> <direction> <note> <office> <op> <date> "
                             "<number>...\n",
                     argv[0], argv[0]);
        return 2;
    }
    const Dialect::Target target = a[1] == QLatin1String("pg") ? Dialect::Target::postgres(a[2])
                                                               : Dialect::Target::sqlite(a[2]);
    nimbo::ProtocolServer server(target);
    const auto report = [](const QVariantList &reply) {
        if (reply.value(0).toString() == QLatin1String("0"))
            std::printf("OK %s\n", qPrintable(reply.value(2).toString()));
        else
            std::printf("%s %s\n", qPrintable(reply.value(0).toString()), qPrintable(reply.value(1).toString()));
        std::fflush(stdout);
    };
    if (dossier) {
        const long count = a[4].toLong();
        for (long i = 0; i < count; ++i) {
            QVariantList request = nimbo::classification::dossierRequest(
                QStringLiteral("A"), nimbo::classification::dossierCondition(a[5], a[6], a[7], a[8], 0),
                {{QStringLiteral("Tab_Descrizione"), QStringLiteral("PRATICA %1").arg(i)},
                 {QStringLiteral("Tab_CodOper"), a[9]}});
            report(server.Elabora(nimbo::kOpScriviFascicolo, request));
        }
        return 0;
    }
    for (const QString &number : a.mid(10)) {
        QVariantList request = nimbo::classification::closeCaseRequest({{QStringLiteral("Tab_Ente"), a[4]},
                                                                        {QStringLiteral("Tab_TipoProtocollo"), a[5]},
                                                                        {QStringLiteral("Tab_NumeroProtocollo"), number},
                                                                        {QStringLiteral("Tab_ProtoEvasione"), a[6]},
                                                                        {QStringLiteral("Tab_Ufficio"), a[7]},
                                                                        {QStringLiteral("Tab_CodiceOpe"), a[8]},
                                                                        {QStringLiteral("Tab_DataChiusuraProcedimento"), a[9]}});
        report(server.Elabora(nimbo::kOpEvadiPratica, request));
    }
    return 0;
}
