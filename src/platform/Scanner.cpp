#include "platform/Scanner.h"

#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <QMutex>
#include <sane/sane.h>
#include <sane/saneopts.h>
#include <tiffio.h>

#include <cstring>

namespace nimbo::scanner {

const char *const kNoScanner =
    "Nessuno scanner risponde. Verificare che lo scanner sia acceso e collegato, poi riprovare.";

namespace {

SetupDialog g_setup;
// SANE is a process-wide library: one user at a time.
QMutex g_sane;

QString saneText(SANE_Status s) { return QString::fromLocal8Bit(sane_strstatus(s)); }

class Session {
public:
    Session() { status_ = sane_init(nullptr, nullptr); }
    ~Session()
    {
        if (status_ == SANE_STATUS_GOOD)
            sane_exit();
    }
    bool ok() const { return status_ == SANE_STATUS_GOOD; }

private:
    SANE_Status status_;
};

QVector<Device> listDevices(QString *why)
{
    QVector<Device> out;
    const SANE_Device **list = nullptr;
    const SANE_Status s = sane_get_devices(&list, SANE_TRUE);
    if (s != SANE_STATUS_GOOD) {
        *why = QString::fromLatin1(kNoScanner) + QStringLiteral(" (") + saneText(s) + QLatin1Char(')');
        return out;
    }
    for (int i = 0; list && list[i]; ++i)
        out.append({QString::fromLocal8Bit(list[i]->name), QString::fromLocal8Bit(list[i]->vendor),
                    QString::fromLocal8Bit(list[i]->model), QString::fromLocal8Bit(list[i]->type)});
    if (out.isEmpty())
        *why = QString::fromLatin1(kNoScanner);
    return out;
}

int findOption(SANE_Handle h, const char *name, const SANE_Option_Descriptor **desc)
{
    SANE_Int count = 0;
    if (sane_control_option(h, 0, SANE_ACTION_GET_VALUE, &count, nullptr) != SANE_STATUS_GOOD)
        return -1;
    for (int i = 1; i < count; ++i) {
        const SANE_Option_Descriptor *d = sane_get_option_descriptor(h, i);
        if (d && d->name && std::strcmp(d->name, name) == 0 && SANE_OPTION_IS_ACTIVE(d->cap)
            && SANE_OPTION_IS_SETTABLE(d->cap)) {
            *desc = d;
            return i;
        }
    }
    return -1;
}

SetupChoices choices(SANE_Handle h, const Device &device)
{
    SetupChoices c;
    c.device = device;
    const SANE_Option_Descriptor *d = nullptr;
    if (findOption(h, SANE_NAME_SCAN_MODE, &d) > 0 && d->constraint_type == SANE_CONSTRAINT_STRING_LIST)
        for (int i = 0; d->constraint.string_list[i]; ++i)
            c.modes << QString::fromLocal8Bit(d->constraint.string_list[i]);
    if (findOption(h, SANE_NAME_SCAN_RESOLUTION, &d) > 0) {
        if (d->constraint_type == SANE_CONSTRAINT_WORD_LIST) {
            for (int i = 1; i <= d->constraint.word_list[0]; ++i)
                c.resolutions << (d->type == SANE_TYPE_FIXED ? int(SANE_UNFIX(d->constraint.word_list[i]))
                                                            : d->constraint.word_list[i]);
        } else if (d->constraint_type == SANE_CONSTRAINT_RANGE) {
            const auto *r = d->constraint.range;
            const int lo = d->type == SANE_TYPE_FIXED ? int(SANE_UNFIX(r->min)) : r->min;
            const int hi = d->type == SANE_TYPE_FIXED ? int(SANE_UNFIX(r->max)) : r->max;
            for (int dpi : {75, 100, 150, 200, 300, 600})
                if (dpi >= lo && dpi <= hi)
                    c.resolutions << dpi;
        }
    }
    return c;
}

void apply(SANE_Handle h, const Settings &s)
{
    const SANE_Option_Descriptor *d = nullptr;
    if (!s.mode.isEmpty()) {
        const int i = findOption(h, SANE_NAME_SCAN_MODE, &d);
        if (i > 0) {
            QByteArray v = s.mode.toLocal8Bit();
            v.resize(std::max<int>(v.size() + 1, d->size), '\0');
            sane_control_option(h, i, SANE_ACTION_SET_VALUE, v.data(), nullptr);
        }
    }
    if (s.resolution > 0) {
        const int i = findOption(h, SANE_NAME_SCAN_RESOLUTION, &d);
        if (i > 0) {
            SANE_Word w = d->type == SANE_TYPE_FIXED ? SANE_FIX(s.resolution) : s.resolution;
            sane_control_option(h, i, SANE_ACTION_SET_VALUE, &w, nullptr);
        }
    }
}

// One page as SANE sends it, written as a new directory of the TIFF.
bool writeFrame(TIFF *tif, const SANE_Parameters &p, const QByteArray &data, int lines, int dpi, QString *why)
{
    const int samples = p.format == SANE_FRAME_RGB ? 3 : 1;
    TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, uint32_t(p.pixels_per_line));
    TIFFSetField(tif, TIFFTAG_IMAGELENGTH, uint32_t(lines));
    TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, uint16_t(p.depth));
    TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, uint16_t(samples));
    TIFFSetField(tif, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
    // In SANE's line art a set bit is black.
    TIFFSetField(tif, TIFFTAG_PHOTOMETRIC,
                 samples == 3 ? PHOTOMETRIC_RGB : (p.depth == 1 ? PHOTOMETRIC_MINISWHITE : PHOTOMETRIC_MINISBLACK));
    TIFFSetField(tif, TIFFTAG_COMPRESSION, p.depth == 1 ? COMPRESSION_CCITTFAX4 : COMPRESSION_LZW);
    TIFFSetField(tif, TIFFTAG_ROWSPERSTRIP, TIFFDefaultStripSize(tif, 0));
    TIFFSetField(tif, TIFFTAG_SUBFILETYPE, FILETYPE_PAGE);
    if (dpi > 0) {
        TIFFSetField(tif, TIFFTAG_XRESOLUTION, float(dpi));
        TIFFSetField(tif, TIFFTAG_YRESOLUTION, float(dpi));
        TIFFSetField(tif, TIFFTAG_RESOLUTIONUNIT, RESUNIT_INCH);
    }
    for (int y = 0; y < lines; ++y) {
        if (TIFFWriteScanline(tif, const_cast<char *>(data.constData()) + qsizetype(y) * p.bytes_per_line, uint32_t(y),
                              0) < 0) {
            *why = QStringLiteral("Errore nella scrittura del file TIFF.");
            return false;
        }
    }
    if (!TIFFWriteDirectory(tif)) {
        *why = QStringLiteral("Errore nella scrittura del file TIFF.");
        return false;
    }
    return true;
}

int currentResolution(SANE_Handle h)
{
    const SANE_Option_Descriptor *d = nullptr;
    const int i = findOption(h, SANE_NAME_SCAN_RESOLUTION, &d);
    if (i <= 0)
        return 0;
    SANE_Word w = 0;
    if (sane_control_option(h, i, SANE_ACTION_GET_VALUE, &w, nullptr) != SANE_STATUS_GOOD)
        return 0;
    return d->type == SANE_TYPE_FIXED ? int(SANE_UNFIX(w)) : w;
}

} // namespace

void setSetupDialog(SetupDialog dialog) { g_setup = std::move(dialog); }

QVector<Device> devices(QString *why)
{
    QMutexLocker lock(&g_sane);
    Session session;
    if (!session.ok()) {
        *why = QString::fromLatin1(kNoScanner);
        return {};
    }
    return listDevices(why);
}

ScanResult scan(const ScanRequest &request, const PageDone &pageDone)
{
    ScanResult result;
    QMutexLocker lock(&g_sane);
    Session session;
    if (!session.ok()) {
        result.text = QString::fromLatin1(kNoScanner);
        return result;
    }
    QString why;
    const QVector<Device> found = listDevices(&why);
    Device device;
    for (const Device &d : found)
        if (request.device.isEmpty() || d.name == request.device)
            device = d;
    if (request.device.isEmpty() && !found.isEmpty())
        device = found.first();
    if (device.name.isEmpty()) {
        result.text = QString::fromLatin1(kNoScanner);
        return result;
    }
    SANE_Handle h = nullptr;
    SANE_Status s = sane_open(device.name.toLocal8Bit().constData(), &h);
    if (s != SANE_STATUS_GOOD) {
        result.text = QString::fromLatin1(kNoScanner) + QStringLiteral(" (") + saneText(s) + QLatin1Char(')');
        return result;
    }
    struct Close {
        SANE_Handle h;
        ~Close() { sane_close(h); }
    } closer{h};
    Settings settings = request.settings;
    if (request.showSetup && g_setup && !g_setup(choices(h, device), &settings)) {
        result.text = QStringLiteral("Scansione annullata.");
        return result;
    }
    apply(h, settings);
    const int dpi = currentResolution(h);

    // New pages go to a file of their own first, so that a failed scan
    // leaves the file it was to extend as it was.
    const QString scratch = request.file + QStringLiteral(".scan");
    QFile::remove(scratch);
    TIFF *tif = TIFFOpen(QFile::encodeName(scratch).constData(), "w");
    if (!tif) {
        result.text = QStringLiteral("Impossibile creare il file ") + scratch;
        return result;
    }
    bool failed = false;
    for (int page = 1; page <= request.pages && !failed; ++page) {
        s = sane_start(h);
        if (s == SANE_STATUS_NO_DOCS && page > 1)
            break;
        if (s != SANE_STATUS_GOOD) {
            result.text = QStringLiteral("Errore dello scanner: ") + saneText(s);
            failed = true;
            break;
        }
        SANE_Parameters p;
        sane_get_parameters(h, &p);
        if (p.format != SANE_FRAME_GRAY && p.format != SANE_FRAME_RGB) {
            sane_cancel(h);
            result.text = QStringLiteral("Formato dello scanner non gestito.");
            failed = true;
            break;
        }
        QByteArray data;
        if (p.lines > 0)
            data.reserve(qsizetype(p.lines) * p.bytes_per_line);
        QByteArray chunk(64 * 1024, Qt::Uninitialized);
        for (;;) {
            SANE_Int len = 0;
            s = sane_read(h, reinterpret_cast<SANE_Byte *>(chunk.data()), SANE_Int(chunk.size()), &len);
            if (s == SANE_STATUS_EOF)
                break;
            if (s != SANE_STATUS_GOOD) {
                result.text = QStringLiteral("Errore dello scanner: ") + saneText(s);
                failed = true;
                break;
            }
            data.append(chunk.constData(), len);
        }
        if (failed) {
            sane_cancel(h);
            break;
        }
        const int lines = p.bytes_per_line > 0 ? int(data.size() / p.bytes_per_line) : 0;
        if (lines <= 0 || !writeFrame(tif, p, data, lines, dpi, &result.text)) {
            if (result.text.isEmpty())
                result.text = QStringLiteral("Lo scanner non ha inviato alcuna immagine.");
            failed = true;
            break;
        }
        ++result.pagesScanned;
        if (pageDone && !pageDone(page))
            break;
    }
    sane_cancel(h);
    TIFFClose(tif);
    if (failed || result.pagesScanned == 0) {
        QFile::remove(scratch);
        if (result.text.isEmpty())
            result.text = QString::fromLatin1(kNoScanner);
        return result;
    }
    if (request.append && QFileInfo::exists(request.file)) {
        if (!appendPages(request.file, scratch, &result.text)) {
            QFile::remove(scratch);
            return result;
        }
        QFile::remove(scratch);
    } else {
        QFile::remove(request.file);
        if (!QFile::rename(scratch, request.file)) {
            result.text = QStringLiteral("Impossibile scrivere il file ") + request.file;
            return result;
        }
    }
    result.pagesInFile = pageCount(request.file);
    result.ok = true;
    return result;
}

int pageCount(const QString &file)
{
    if (!QFileInfo(file).isFile())
        return 0;
    TIFF *tif = TIFFOpen(QFile::encodeName(file).constData(), "r");
    if (!tif)
        return 0;
    const int n = TIFFNumberOfDirectories(tif);
    TIFFClose(tif);
    return n;
}

QImage page(const QString &file, int number)
{
    QImageReader reader(file, "tiff");
    if (number < 1 || !reader.jumpToImage(number - 1))
        return {};
    return reader.read();
}

bool appendPages(const QString &target, const QString &source, QString *why)
{
    // Append the source's directories to the target as they are, with
    // libtiff's copy of every tag and strip.
    TIFF *in = TIFFOpen(QFile::encodeName(source).constData(), "r");
    if (!in) {
        *why = QStringLiteral("Impossibile leggere il file ") + source;
        return false;
    }
    // Written to a copy that replaces the target only when whole.
    const QString copy = target + QStringLiteral(".new");
    QFile::remove(copy);
    if (QFileInfo::exists(target) && !QFile::copy(target, copy)) {
        TIFFClose(in);
        *why = QStringLiteral("Impossibile scrivere il file ") + target;
        return false;
    }
    TIFF *out = TIFFOpen(QFile::encodeName(copy).constData(), QFileInfo::exists(copy) ? "a" : "w");
    if (!out) {
        TIFFClose(in);
        *why = QStringLiteral("Impossibile scrivere il file ") + target;
        return false;
    }
    bool ok = true;
    do {
        uint32_t w = 0, h = 0;
        uint16_t bps = 8, spp = 1, photo = PHOTOMETRIC_MINISBLACK, comp = COMPRESSION_NONE, unit = RESUNIT_NONE;
        float xr = 0, yr = 0;
        TIFFGetField(in, TIFFTAG_IMAGEWIDTH, &w);
        TIFFGetField(in, TIFFTAG_IMAGELENGTH, &h);
        TIFFGetFieldDefaulted(in, TIFFTAG_BITSPERSAMPLE, &bps);
        TIFFGetFieldDefaulted(in, TIFFTAG_SAMPLESPERPIXEL, &spp);
        TIFFGetField(in, TIFFTAG_PHOTOMETRIC, &photo);
        TIFFGetFieldDefaulted(in, TIFFTAG_COMPRESSION, &comp);
        TIFFSetField(out, TIFFTAG_IMAGEWIDTH, w);
        TIFFSetField(out, TIFFTAG_IMAGELENGTH, h);
        TIFFSetField(out, TIFFTAG_BITSPERSAMPLE, bps);
        TIFFSetField(out, TIFFTAG_SAMPLESPERPIXEL, spp);
        TIFFSetField(out, TIFFTAG_PHOTOMETRIC, photo);
        TIFFSetField(out, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
        TIFFSetField(out, TIFFTAG_COMPRESSION, comp);
        TIFFSetField(out, TIFFTAG_SUBFILETYPE, FILETYPE_PAGE);
        if (TIFFGetField(in, TIFFTAG_XRESOLUTION, &xr) && TIFFGetField(in, TIFFTAG_YRESOLUTION, &yr)) {
            TIFFGetFieldDefaulted(in, TIFFTAG_RESOLUTIONUNIT, &unit);
            TIFFSetField(out, TIFFTAG_XRESOLUTION, xr);
            TIFFSetField(out, TIFFTAG_YRESOLUTION, yr);
            TIFFSetField(out, TIFFTAG_RESOLUTIONUNIT, unit);
        }
        TIFFSetField(out, TIFFTAG_ROWSPERSTRIP, TIFFDefaultStripSize(out, 0));
        QByteArray line(TIFFScanlineSize(in), Qt::Uninitialized);
        for (uint32_t y = 0; y < h && ok; ++y)
            ok = TIFFReadScanline(in, line.data(), y, 0) >= 0 && TIFFWriteScanline(out, line.data(), y, 0) >= 0;
        ok = ok && TIFFWriteDirectory(out);
    } while (ok && TIFFReadDirectory(in));
    TIFFClose(in);
    TIFFClose(out);
    if (!ok) {
        QFile::remove(copy);
        *why = QStringLiteral("Errore nella scrittura del file TIFF.");
        return false;
    }
    QFile::remove(target);
    if (!QFile::rename(copy, target)) {
        *why = QStringLiteral("Impossibile scrivere il file ") + target;
        return false;
    }
    return true;
}

bool writePages(const QString &file, const QVector<QImage> &pages, QString *why)
{
    TIFF *tif = TIFFOpen(QFile::encodeName(file).constData(), "w");
    if (!tif) {
        *why = QStringLiteral("Impossibile creare il file ") + file;
        return false;
    }
    for (const QImage &source : pages) {
        const QImage img = source.convertToFormat(QImage::Format_Grayscale8);
        SANE_Parameters p{};
        p.format = SANE_FRAME_GRAY;
        p.depth = 8;
        p.pixels_per_line = img.width();
        p.bytes_per_line = img.width();
        QByteArray data;
        data.reserve(qsizetype(img.width()) * img.height());
        for (int y = 0; y < img.height(); ++y)
            data.append(reinterpret_cast<const char *>(img.constScanLine(y)), img.width());
        if (!writeFrame(tif, p, data, img.height(), int(img.dotsPerMeterX() * 0.0254 + 0.5), why)) {
            TIFFClose(tif);
            return false;
        }
    }
    TIFFClose(tif);
    return true;
}

} // namespace nimbo::scanner
