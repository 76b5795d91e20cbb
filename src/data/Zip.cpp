#include "data/Zip.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <cstring>
#include <exception>
#include <memory>
#include <zip.h>

#include "session/GECentr.h"

namespace Zip {
namespace {

const QString kEmpty = QStringLiteral("Il file selezionato è vuoto");
const QString kOk = QStringLiteral("Operazione OK");

QString errorText(zip_error_t *error)
{
    return QString::fromLocal8Bit(zip_error_strerror(error));
}

struct ErrorHolder {
    zip_error_t error;
    ErrorHolder() { zip_error_init(&error); }
    ~ErrorHolder() { zip_error_fini(&error); }
    ErrorHolder(const ErrorHolder &) = delete;
    ErrorHolder &operator=(const ErrorHolder &) = delete;
};

struct SourceFree {
    void operator()(zip_source_t *s) const { zip_source_free(s); }
};
using SourcePtr = std::unique_ptr<zip_source_t, SourceFree>;

struct ArchiveDiscard {
    void operator()(zip_t *z) const { zip_discard(z); }
};
using ArchivePtr = std::unique_ptr<zip_t, ArchiveDiscard>;

bool readSource(zip_source_t *src, QByteArray *out, QString *error)
{
    if (zip_source_open(src) < 0) {
        *error = errorText(zip_source_error(src));
        return false;
    }
    QByteArray bytes;
    char chunk[64 * 1024];
    for (;;) {
        const zip_int64_t n = zip_source_read(src, chunk, sizeof chunk);
        if (n < 0) {
            *error = errorText(zip_source_error(src));
            zip_source_close(src);
            return false;
        }
        if (n == 0)
            break;
        bytes.append(chunk, static_cast<qsizetype>(n));
    }
    zip_source_close(src);
    *out = std::move(bytes);
    return true;
}

} // namespace

bool compressBytes(const QByteArray &data, const QString &entryName, QByteArray *zipped, QString *error)
{
    ErrorHolder eh;
    // The archive is written into this buffer source; it must outlive the
    // archive so its bytes can be read back after closing.
    SourcePtr archiveSource(zip_source_buffer_create(nullptr, 0, 0, &eh.error));
    if (!archiveSource) {
        *error = errorText(&eh.error);
        return false;
    }
    ArchivePtr archive(zip_open_from_source(archiveSource.get(), ZIP_CREATE | ZIP_TRUNCATE, &eh.error));
    if (!archive) {
        *error = errorText(&eh.error);
        return false;
    }
    zip_source_keep(archiveSource.get()); // the archive now holds a reference too

    zip_source_t *entry = zip_source_buffer(archive.get(), data.constData(), static_cast<zip_uint64_t>(data.size()), 0);
    if (!entry) {
        *error = errorText(zip_get_error(archive.get()));
        return false;
    }
    const QByteArray name = (entryName.isEmpty() ? QStringLiteral("file") : entryName).toUtf8();
    const zip_int64_t index = zip_file_add(archive.get(), name.constData(), entry, ZIP_FL_ENC_UTF_8 | ZIP_FL_OVERWRITE);
    if (index < 0) {
        zip_source_free(entry);
        *error = errorText(zip_get_error(archive.get()));
        return false;
    }
    if (zip_set_file_compression(archive.get(), static_cast<zip_uint64_t>(index), ZIP_CM_DEFLATE, 0) < 0) {
        *error = errorText(zip_get_error(archive.get()));
        return false;
    }
    if (zip_close(archive.get()) < 0) {
        *error = errorText(zip_get_error(archive.get()));
        return false;
    }
    (void)archive.release(); // closed and freed by zip_close
    return readSource(archiveSource.get(), zipped, error);
}

bool extractBytes(const QByteArray &zipped, QByteArray *data, QString *error)
{
    ErrorHolder eh;
    SourcePtr source(zip_source_buffer_create(zipped.constData(), static_cast<zip_uint64_t>(zipped.size()), 0, &eh.error));
    if (!source) {
        *error = errorText(&eh.error);
        return false;
    }
    ArchivePtr archive(zip_open_from_source(source.get(), ZIP_RDONLY, &eh.error));
    if (!archive) {
        *error = errorText(&eh.error);
        return false;
    }
    (void)source.release(); // owned by the archive from here on

    const zip_int64_t count = zip_get_num_entries(archive.get(), 0);
    zip_int64_t index = -1;
    for (zip_int64_t i = 0; i < count; ++i) {
        const char *name = zip_get_name(archive.get(), static_cast<zip_uint64_t>(i), 0);
        const size_t len = name ? std::strlen(name) : 0;
        if (name && !(len > 0 && name[len - 1] == '/')) {
            index = i;
            break;
        }
    }
    if (index < 0) {
        *error = QStringLiteral("l'archivio non contiene file");
        return false;
    }

    zip_file_t *file = zip_fopen_index(archive.get(), static_cast<zip_uint64_t>(index), 0);
    if (!file) {
        *error = errorText(zip_get_error(archive.get()));
        return false;
    }
    QByteArray bytes;
    zip_stat_t st;
    zip_stat_init(&st);
    if (zip_stat_index(archive.get(), static_cast<zip_uint64_t>(index), 0, &st) == 0 && (st.valid & ZIP_STAT_SIZE)
        && st.size < (zip_uint64_t(1) << 32))
        bytes.reserve(static_cast<qsizetype>(st.size));
    char chunk[64 * 1024];
    for (;;) {
        // The last read also checks the entry's CRC, so a damaged archive
        // is reported here rather than giving back wrong bytes.
        const zip_int64_t n = zip_fread(file, chunk, sizeof chunk);
        if (n < 0) {
            *error = errorText(zip_file_get_error(file));
            zip_fclose(file);
            return false;
        }
        if (n == 0)
            break;
        bytes.append(chunk, static_cast<qsizetype>(n));
    }
    zip_fclose(file);
    *data = std::move(bytes);
    return true;
}

namespace {

enum class Direction { Compress, Extract };

Result failure(Direction dir, const QString &text)
{
    const QString proc = dir == Direction::Compress ? QStringLiteral("CreaZip") : QStringLiteral("EsplodiZip");
    GECentr::writeLog(text, proc);
    return {dir == Direction::Compress ? QStringLiteral("1") : QStringLiteral("-1"), text};
}

Result unexpected(Direction dir, const QString &detail)
{
    const QString proc = dir == Direction::Compress ? QStringLiteral("CreaZip") : QStringLiteral("EsplodiZip");
    return failure(dir, QStringLiteral("Errore in ") + proc + QStringLiteral(": ") + detail);
}

Result run(Direction dir, const QString &path)
{
    try {
        const QFileInfo info(path);
        if (path.isEmpty() || !info.isFile() || info.size() == 0)
            return {QStringLiteral("1"), kEmpty};

        QFile in(path);
        if (!in.open(QIODevice::ReadOnly))
            return unexpected(dir, in.errorString());
        const QByteArray input = in.readAll();
        if (in.error() != QFileDevice::NoError)
            return unexpected(dir, in.errorString());
        in.close();

        QByteArray output;
        QString libError;
        const bool done = dir == Direction::Compress ? compressBytes(input, info.fileName(), &output, &libError)
                                                     : extractBytes(input, &output, &libError);
        if (!done) {
            const QString prefix = dir == Direction::Compress ? QStringLiteral("Errore nella compressione del file ")
                                                              : QStringLiteral("Errore nell'estrazione del file ");
            return failure(dir, prefix + path + QStringLiteral(" - ") + libError);
        }

        // The original content is replaced only once the new one is fully
        // on disk.
        QSaveFile out(path);
        if (!out.open(QIODevice::WriteOnly))
            return unexpected(dir, out.errorString());
        if (out.write(output) != output.size()) {
            const QString why = out.errorString();
            out.cancelWriting();
            return unexpected(dir, why);
        }
        if (!out.commit())
            return unexpected(dir, out.errorString());
        return {QStringLiteral("0"), kOk};
    } catch (const std::exception &e) {
        return unexpected(dir, QString::fromLocal8Bit(e.what()));
    }
}

} // namespace
} // namespace Zip

Zip::Result CreaZip(const QString &path) { return Zip::run(Zip::Direction::Compress, path); }
Zip::Result EsplodiZip(const QString &path) { return Zip::run(Zip::Direction::Extract, path); }
