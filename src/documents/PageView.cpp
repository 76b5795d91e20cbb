#include "documents/PageView.h"

#include <QLabel>

#include "platform/Scanner.h"

namespace nimbo::documents {

PageView::PageView(QWidget *parent) : QScrollArea(parent), label_(new QLabel(this))
{
    setObjectName(QStringLiteral("ImgEdit"));
    label_->setAlignment(Qt::AlignCenter);
    label_->setBackgroundRole(QPalette::Base);
    setWidget(label_);
    setAlignment(Qt::AlignCenter);
    setWidgetResizable(false);
    setMinimumSize(240, 200);
}

bool PageView::load(const QString &file)
{
    file_ = file;
    pages_ = scanner::pageCount(file);
    page_ = 0;
    image_ = QImage();
    if (pages_ <= 0) {
        render();
        return false;
    }
    return showPage(1);
}

void PageView::clear()
{
    file_.clear();
    pages_ = page_ = 0;
    image_ = QImage();
    render();
}

bool PageView::showPage(int page)
{
    if (page < 1 || page > pages_)
        return false;
    const QImage img = scanner::page(file_, page);
    if (img.isNull())
        return false;
    image_ = img;
    page_ = page;
    render();
    emit pageShown(page);
    return true;
}

void PageView::setZoom(int percent)
{
    zoom_ = qBound(10, percent, 400);
    render();
}

void PageView::render()
{
    if (image_.isNull()) {
        label_->setPixmap(QPixmap());
        label_->resize(0, 0);
        return;
    }
    const QSize size = image_.size() * zoom_ / 100;
    label_->setPixmap(QPixmap::fromImage(image_.scaled(size.expandedTo({1, 1}), Qt::KeepAspectRatio,
                                                       Qt::SmoothTransformation)));
    label_->resize(label_->pixmap().size());
}

QList<int> zoomSteps() { return {25, 50, 75, 100, 150, 200}; }

QString checkPageRange(const QString &from, const QString &to, int pageCount)
{
    bool okFrom = false, okTo = false;
    const int a = from.trimmed().toInt(&okFrom);
    const int b = to.trimmed().toInt(&okTo);
    if (!okFrom || !okTo || a < 1 || b < 1)
        return QStringLiteral("indicare un valore numerico");
    if (a > pageCount)
        return QStringLiteral("la pagina di partenza non può essere superiore al numero totale di pagine del documento ");
    if (a > b)
        return QStringLiteral("la pagina di partenza non può essere superiore alla pagina finale del documento ");
    // Not in the original checks: a last page past the end would print nothing for it.
    if (b > pageCount)
        return QStringLiteral("la pagina finale non può essere superiore al numero totale di pagine del documento ");
    return {};
}

} // namespace nimbo::documents
