// Stores documents through the image server, one process among several:
// each round the image of a protocol all workers share, then an attachment
// named like every other worker's on the worker's own protocol; prints the
// identifier each attachment got, one a line.
//
//   nimbo_image_worker sqlite|pg <file or conninfo> <ente> <rounds> <shared number> <own number>

#include <QCoreApplication>
#include <cstdio>

#include "servers/ImageServer.h"

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QStringList a = app.arguments();
    if (a.size() < 7) {
        std::fprintf(stderr, "usage: %s sqlite|pg <file|conninfo> <ente> <rounds> <shared> <own>\n", argv[0]);
        return 2;
    }
    const Dialect::Target target = a[1] == QLatin1String("pg") ? Dialect::Target::postgres(a[2])
                                                               : Dialect::Target::sqlite(a[2]);
    const QString ente = a[3], shared = a[5], own = a[6];
    const long rounds = a[4].toLong();
    nimbo::ImageServer server(target);
    const auto failed = [](const QVariantList &reply) {
        if (reply.value(0).toString() == QLatin1String("0"))
            return false;
        std::fprintf(stderr, "%s: %s\n", qPrintable(reply.value(0).toString()), qPrintable(reply.value(1).toString()));
        return true;
    };
    for (long i = 0; i < rounds; ++i) {
        QVariantList scan = nimbo::image::storeRequest(
            nimbo::image::kImage, QStringLiteral("OP01"), ente,
            {QStringLiteral("Prot_EU"), QStringLiteral("Prot_Numero"), QStringLiteral("Immagine")},
            {QStringLiteral("E"), shared, QStringLiteral("%1-%2").arg(QCoreApplication::applicationPid()).arg(i).toLatin1()});
        if (failed(server.Elabora(nimbo::kOpRegistraAllegato, scan)))
            return 1;
        QVariantList attach = nimbo::image::storeRequest(
            nimbo::image::kAttachment, QStringLiteral("OP01"), ente,
            {QStringLiteral("num_ProtocolloGenerale"), QStringLiteral("Nome_allegato"), QStringLiteral("allegato")},
            {own, QStringLiteral("documento.pdf"), QByteArray("%PDF")});
        const QVariantList reply = server.Elabora(nimbo::kOpRegistraAllegato, attach);
        if (failed(reply))
            return 1;
        std::printf("%s\n", qPrintable(reply.value(2).toString()));
        std::fflush(stdout);
    }
    return 0;
}
