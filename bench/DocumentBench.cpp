// Storing the scanned image of a protocol and showing its first page, on a
// large register, on SQLite and PostgreSQL: a 20-page A4 scan at 300 dpi
// (grey, LZW, as the scanning window writes it) is zipped when COMPRESSO is
// 1, stored through the image server (operation 17, replacing the
// protocol's image), read back through operation 30002 (privacy check and
// access-log row included), unzipped by its flag and its first page
// decoded. Latency of the whole round trip.
//
//   NIMBO_BENCH_ROWS  protocols in the register (default 1000000)
//   NIMBO_BENCH_OPS   round trips per case (default 30)
//   NIMBO_BENCH_PG    as for the other benchmarks (see BenchRegister.h)
//
// Smoke run: NIMBO_BENCH_ROWS=2000 NIMBO_BENCH_OPS=3 bench_DocumentBench

#include <QBuffer>
#include <QFile>
#include <QImageReader>
#include <QPainter>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <chrono>
#include <cstdio>
#include <vector>

#include "BenchRegister.h"
#include "data/ConnectionPool.h"
#include "data/Zip.h"
#include "platform/Scanner.h"
#include "servers/ImageServer.h"

namespace {

using bench::envNumber;
using bench::kEnte;

// A page that compresses like a typed letter: white paper, lines of dark
// marks, some grain.
QImage page(int n)
{
    QImage img(2480, 3508, QImage::Format_Grayscale8);
    img.fill(250);
    QPainter p(&img);
    QRandomGenerator g(quint32(n + 1));
    for (int line = 0; line < 60; ++line) {
        const int y = 300 + line * 50;
        for (int x = 250; x < 2200;) {
            const int w = 20 + int(g.bounded(120));
            p.fillRect(x, y, w, 28, QColor(30, 30, 30));
            x += w + 18;
        }
    }
    p.end();
    for (int i = 0; i < 20000; ++i)
        img.setPixel(int(g.bounded(2480)), int(g.bounded(3508)), qRgb(120, 120, 120));
    return img;
}

const QByteArray &scan()
{
    static QByteArray bytes;
    if (bytes.isEmpty()) {
        QTemporaryDir dir;
        QVector<QImage> pages;
        for (int i = 0; i < 20; ++i)
            pages.append(page(i));
        QString why;
        const QString file = dir.filePath(QStringLiteral("scan.tif"));
        if (!nimbo::scanner::writePages(file, pages, &why)) {
            std::fprintf(stderr, "%s\n", qPrintable(why));
            return bytes;
        }
        QFile f(file);
        if (f.open(QIODevice::ReadOnly))
            bytes = f.readAll();
        std::fprintf(stderr, "scan: 20 pages, %.1f MB\n", double(bytes.size()) / 1e6);
    }
    return bytes;
}

void BM_StoreAndShowFirstPage(benchmark::State &state)
{
    const bool pg = state.range(0) == 1;
    const bool zipped = state.range(1) == 1;
    const auto target = bench::database(pg ? Dialect::Engine::PostgreSQL : Dialect::Engine::SQLite,
                                        QStringLiteral("nimbo_bench_doc"));
    if (!target) {
        state.SkipWithError("no database");
        return;
    }
    const QByteArray tiff = scan();
    const long ops = envNumber("NIMBO_BENCH_OPS", 30);
    const long rows = envNumber("NIMBO_BENCH_ROWS", 1000000);
    const int year = QDate::currentDate().year();
    for (auto _ : state) {
        std::vector<double> latencies;
        long failures = 0;
        const auto t0 = std::chrono::steady_clock::now();
        for (long i = 0; i < ops; ++i) {
            // Protocols spread over the register; odd numbers are incoming.
            const long g = 1 + 2 * ((i * 7919) % std::max(1L, rows / 2));
            const QString number = QString::number(year) + QString::number(g).rightJustified(7, QLatin1Char('0'));
            const auto s0 = std::chrono::steady_clock::now();
            nimbo::ImageServer server(*target);
            QByteArray stored = tiff;
            QString error;
            if (zipped && !Zip::compressBytes(tiff, QStringLiteral("IMG_") + number + QStringLiteral(".tif"), &stored, &error)) {
                ++failures;
                continue;
            }
            QVariantList store = nimbo::image::storeRequest(
                nimbo::image::kImage, QStringLiteral("OP01"), kEnte,
                {QStringLiteral("Prot_EU"), QStringLiteral("Prot_Numero"), QStringLiteral("Immagine"), QStringLiteral("Compresso")},
                {QStringLiteral("E"), number, stored, zipped ? QStringLiteral("1") : QStringLiteral("0")});
            if (server.Elabora(nimbo::kOpRegistraAllegato, store).value(0).toInt() != 0) {
                ++failures;
                continue;
            }
            nimbo::image::Reader who{kEnte, QStringLiteral("OP01"), QStringLiteral("BENCH-PC"), QString(),
                                     QStringLiteral(" - Visualizza Documento")};
            QVariantList read = nimbo::image::readRequest(nimbo::image::kImage, who, QStringLiteral("E"), number);
            const QVariantList reply = server.Elabora(nimbo::kOpLeggiDocumento, read);
            QByteArray back = reply.value(2).toByteArray();
            if (reply.value(3).toString() == QLatin1String("1") && !Zip::extractBytes(reply.value(2).toByteArray(), &back, &error))
                back.clear();
            QBuffer buffer(&back);
            buffer.open(QIODevice::ReadOnly);
            QImageReader reader(&buffer, "tiff");
            const QImage first = reader.read();
            if (first.isNull() || first.width() != 2480) {
                ++failures;
                continue;
            }
            latencies.push_back(std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - s0).count());
        }
        const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
        bench::reportLatencies(state, latencies, seconds, failures);
        state.counters["bytes"] = double(tiff.size());
    }
    nimbo::ConnectionPool::closeAll();
}

BENCHMARK(BM_StoreAndShowFirstPage)
    ->ArgNames({"pg", "zip"})
    ->Args({0, 0})
    ->Args({0, 1})
    ->Args({1, 0})
    ->Args({1, 1})
    ->Iterations(1)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char **argv) { return bench::runBenchmarks(argc, argv); }
