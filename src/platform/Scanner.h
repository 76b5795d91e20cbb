#pragma once
// Scanning over SANE into multi-page TIFF files (libtiff), and the page
// count and pages of such a file. Nothing here shows a window: the scanner's
// settings dialog shown before a scan (SHOW_SETUP_BEFORE_SCAN) is a hook the
// program installs and tests replace.
//
//   scanner::ScanRequest r;
//   r.device = "test:0"; r.pages = 2; r.file = ".../tempOle/Prot.tif"; r.append = true;
//   const scanner::ScanResult s = scanner::scan(r, [](int page) { ...; return true; });
//
// scan() blocks while the scanner works; windows run it on a worker thread
// and show its progress, one call of the progress function per page.

#include <QImage>
#include <QString>
#include <QVector>
#include <functional>

namespace nimbo::scanner {

struct Device {
    QString name;   // SANE device name, e.g. "test:0"
    QString vendor;
    QString model;
    QString type;
    QString label() const { return vendor + QLatin1Char(' ') + model + QStringLiteral(" (") + name + QLatin1Char(')'); }
};

// The message when no scanner answers.
extern const char *const kNoScanner;

// The scanners SANE sees now; empty with *why set when there are none or
// SANE cannot start.
QVector<Device> devices(QString *why);

// Settings offered before a scan; empty values keep the device's own.
struct Settings {
    QString mode;       // "Gray", "Color", "Lineart"
    int resolution = 0; // dpi
};

// What the settings dialog gets: the device and the choices it offers.
struct SetupChoices {
    Device device;
    QStringList modes;
    QVector<int> resolutions;
};
// Shows the scanner's settings; false when the operator cancels the scan.
using SetupDialog = std::function<bool(const SetupChoices &, Settings *)>;
void setSetupDialog(SetupDialog dialog);

struct ScanRequest {
    QString device;       // empty: the first device
    int pages = 1;        // pages to scan; a feeder that runs out ends earlier
    QString file;         // the TIFF written
    bool append = false;  // add the pages after those already in the file
    bool showSetup = false;
    Settings settings;
};

struct ScanResult {
    bool ok = false;
    QString text;        // the failure, for the operator
    int pagesScanned = 0;
    int pagesInFile = 0;
};

// Called after each page with its number from 1; false stops the scan
// after that page.
using PageDone = std::function<bool(int page)>;

ScanResult scan(const ScanRequest &request, const PageDone &pageDone = {});

// Number of pages of a TIFF file; 0 when it cannot be read.
int pageCount(const QString &file);
// One page (from 1); a null image when there is no such page.
QImage page(const QString &file, int number);
// Appends the pages of one TIFF to another (created when missing).
bool appendPages(const QString &target, const QString &source, QString *why);
// Writes images as one multi-page TIFF (replacing the file).
bool writePages(const QString &file, const QVector<QImage> &pages, QString *why);

} // namespace nimbo::scanner
