#pragma once
// "Visualizzazione Allegato": a preview of one attachment (images, PDF
// through Qt's PDF module, plain text); anything else, and a double click,
// opens it with the desktop's own program.

#include <QStringList>
#include <QUrl>
#include <functional>

#include "ui/ChildWindow.h"

class QLabel;
class QPdfDocument;
class QPlainTextEdit;
class QPushButton;
class QStackedWidget;

namespace nimbo::documents {

// How a file is opened with the desktop's own program (QDesktopServices
// unless a test installs its own).
using ExternalOpener = std::function<bool(const QUrl &)>;
void setExternalOpener(ExternalOpener opener);
bool openExternally(const QUrl &url);

class FrmProtVisAllegati : public ChildWindow {
    Q_OBJECT
public:
    enum class Kind { None, Image, Pdf, Text, External };

    explicit FrmProtVisAllegati(QWidget *parent = nullptr);
    ~FrmProtVisAllegati() override;

    // Reads the attachment through the image server and previews it; false
    // (after telling the operator) when it cannot be read.
    Q_INVOKABLE bool setAttachment(qlonglong id, const QString &storedName);
    // Previews a file another window wrote into the work folder (a part of
    // an e-mail); the window takes it over and removes it when it closes
    // or shows another. False when the file cannot be read.
    Q_INVOKABLE bool showFile(const QString &path);
    void ELABORATBAR(const QString &key) override;
    QSize sizeHint() const override;

    Kind kind() const { return kind_; }
    QString file() const { return file_; }
    int pdfPages() const;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void print();
    // Forgets the file shown and removes the window's work files.
    void release();
    // Shows file_, whose first bytes are head.
    void preview(const QByteArray &head);

    QLabel *lblPreview_, *image_, *other_;
    QPlainTextEdit *text_;
    QStackedWidget *stack_;
    QPdfDocument *pdf_;
    QWidget *pdfView_;
    QPushButton *cmdStampa_, *cmdEsci_;
    QString file_;
    QStringList files_;
    Kind kind_ = Kind::None;
};

} // namespace nimbo::documents
