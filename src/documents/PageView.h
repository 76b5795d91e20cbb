#pragma once
// A page of a scanned document at a zoom, in a scroll area, with the file's
// page count. Used by the scanning window and the viewer.

#include <QImage>
#include <QScrollArea>

class QLabel;

namespace nimbo::documents {

class PageView : public QScrollArea {
    Q_OBJECT
public:
    explicit PageView(QWidget *parent = nullptr);
    // Opens a multi-page TIFF and shows its first page; false when it has no page.
    bool load(const QString &file);
    void clear();
    QString file() const { return file_; }
    int pageCount() const { return pages_; }
    int currentPage() const { return page_; }
    bool showPage(int page);
    void setZoom(int percent);
    int zoom() const { return zoom_; }
    QImage image() const { return image_; }

signals:
    void pageShown(int page);

private:
    void render();
    QLabel *label_;
    QString file_;
    QImage image_;
    int pages_ = 0;
    int page_ = 0;
    int zoom_ = 50;
};

// Zoom choices offered by the windows, in percent.
QList<int> zoomSteps();

// Checks a print range typed by the operator: empty when it may be printed,
// else the message to show.
QString checkPageRange(const QString &from, const QString &to, int pageCount);

} // namespace nimbo::documents
