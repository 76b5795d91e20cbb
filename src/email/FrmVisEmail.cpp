#include "email/FrmVisEmail.h"

#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QLocale>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTextDocument>
#include <QVBoxLayout>

#include "documents/Documents.h"
#include "email/WindowParts.h"
#include "platform/Dialogs.h"
#include "session/GECentr.h"
#include "ui/FormKit.h"
#include "ui/WindowRegistry.h"

namespace nimbo::email {
namespace {

const QString kTitle = QStringLiteral("Visualizzazione E-mail");
// Our own texts.
const QString kCertified = QStringLiteral("Messaggio di posta elettronica certificata: è mostrato il messaggio originale.");
const QString kNoAttachment = QStringLiteral("selezionare l'allegato da visualizzare");

// A document that loads nothing an HTML body points at (images, style
// sheets, local files).
class InertDocument : public QTextDocument {
public:
    using QTextDocument::QTextDocument;

protected:
    QVariant loadResource(int, const QUrl &) override { return {}; }
};

QString sizeText(qint64 bytes) { return QLocale(QLocale::Italian).formattedDataSize(bytes); }

} // namespace

QString messageText(const mail::ParsedMail &m)
{
    if (!m.text.trimmed().isEmpty() || m.html.isEmpty())
        return m.text;
    InertDocument doc;
    doc.setHtml(m.html);
    return doc.toPlainText();
}

FrmVisEmail::FrmVisEmail(QWidget *parent) : ChildWindow(parent)
{
    setObjectName(QStringLiteral("FrmVisEmail"));
    setWindowTitle(kTitle);
    setToolbarKeys(QStringLiteral("ESCI"));
    kind_ = new QLabel(this);
    kind_->setObjectName(QStringLiteral("lblCertificata"));
    kind_->setWordWrap(true);
    kind_->hide();
    auto *head = new ui::FormGroup(QStringLiteral("Messaggio"), this);
    from_ = ui::readOnlyField(head, "TxtDa");
    to_ = ui::readOnlyField(head, "TxtA");
    date_ = ui::readOnlyField(head, "TxtData", 16);
    subject_ = ui::readOnlyField(head, "TxtOggetto");
    head->addRow(QStringLiteral("Da"), {ui::Cell(from_, 1), QStringLiteral("Data"), date_});
    head->addRow(QStringLiteral("A"), {ui::Cell(to_, 1)});
    head->addRow(QStringLiteral("Oggetto"), {ui::Cell(subject_, 1)});
    text_ = new QPlainTextEdit(this);
    text_->setObjectName(QStringLiteral("TxtTesto"));
    text_->setReadOnly(true);
    auto *files = new ui::FormGroup(QStringLiteral("Allegati (doppio click per l'anteprima)"), this);
    attachments_ = new QListWidget(files);
    attachments_->setObjectName(QStringLiteral("lstAllegati"));
    attachments_->setMaximumHeight(110);
    files->addWide(attachments_);
    preview_ = namedButton(this, "cmdAnteprima", QStringLiteral("Anteprima allegato"));
    answer_ = namedButton(this, "cmdRispondi", QStringLiteral("Rispondi al mittente"));
    quit_ = namedButton(this, "cmdEsci", QStringLiteral("Esci"));
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(kind_);
    layout->addWidget(head);
    layout->addWidget(text_, 1);
    layout->addWidget(files);
    layout->addLayout(buttonRow({preview_, answer_}, {quit_}));
    connect(attachments_, &QListWidget::itemDoubleClicked, this,
            [this](QListWidgetItem *item) { preview(attachments_->row(item)); });
    connect(preview_, &QPushButton::clicked, this, [this] {
        if (attachments_->currentRow() < 0)
            showBox(kTitle, kNoAttachment, Icon::Warning);
        else
            preview(attachments_->currentRow());
    });
    connect(answer_, &QPushButton::clicked, this, &FrmVisEmail::answer);
    connect(quit_, &QPushButton::clicked, this, [this] { closeWindow(); });
}

QSize FrmVisEmail::sizeHint() const { return QSize(760, 600).expandedTo(minimumSizeHint()); }

void FrmVisEmail::ELABORATBAR(const QString &key)
{
    if (key == QLatin1String("ESCI"))
        closeWindow();
}

bool FrmVisEmail::setMessage(const QString &file, const QString &sender)
{
    QFile in(file);
    mail::ParsedMail parsed;
    QString why;
    const bool read = in.open(QIODevice::ReadOnly) ? mail::parseMail(in.readAll(), &parsed, &why)
                                                   : (why = in.errorString(), false);
    if (!read) {
        GECentr::writeLog(why, QStringLiteral("setMessage"), objectName());
        showBox(kTitle, QStringLiteral("Impossibile leggere il messaggio: ") + why, Icon::Critical);
        return false;
    }
    // A certified envelope is shown by the message it carries.
    const bool certified = parsed.certified == mail::ParsedMail::Certified::Message && parsed.original;
    const mail::ParsedMail &m = certified ? *parsed.original : parsed;
    kind_->setText(kCertified);
    kind_->setVisible(certified);
    sender_ = m.fromAddress.isEmpty() ? sender.trimmed() : m.fromAddress;
    from_->setText(m.fromName.isEmpty() || m.fromName == m.fromAddress
                       ? m.fromAddress
                       : m.fromName + (m.fromAddress.isEmpty() ? QString() : QStringLiteral(" <") + m.fromAddress
                                                                                 + QLatin1Char('>')));
    to_->setText(m.to.join(QStringLiteral(", ")));
    date_->setText(m.date.isValid() ? m.date.toLocalTime().toString(QStringLiteral("dd/MM/yyyy hh:mm")) : QString());
    subject_->setText(m.subject);
    text_->setPlainText(messageText(m));
    files_ = m.attachments;
    attachments_->clear();
    for (const mail::MailAttachment &a : std::as_const(files_))
        attachments_->addItem(a.fileName + QStringLiteral("  (") + sizeText(a.data.size()) + QLatin1Char(')'));
    preview_->setEnabled(!files_.isEmpty());
    setWindowTitle(kTitle + (m.subject.isEmpty() ? QString() : QStringLiteral(" - ") + m.subject));
    return true;
}

bool FrmVisEmail::preview(int row)
{
    if (row < 0 || row >= files_.size())
        return false;
    const mail::MailAttachment &a = files_.at(row);
    const QString path = documents::freePath(documents::workFolder(), documents::safeFileName(a.fileName));
    const QString failure = documents::writeWorkFile(path, a.data, true);
    if (!failure.isEmpty()) {
        showBox(kTitle, failure, Icon::Critical);
        return false;
    }
    // The preview window takes the file over and removes it when it goes.
    QWidget *w = WindowRegistry::open(QStringLiteral("frmProtVisAllegati"));
    if (!w || !QMetaObject::invokeMethod(w, "showFile", Q_ARG(QString, path))) {
        documents::removeWorkFiles({path});
        GECentr::writeLog(QStringLiteral("Finestra non disponibile: frmProtVisAllegati"), QStringLiteral("preview"),
                          objectName());
        return false;
    }
    return true;
}

void FrmVisEmail::answer()
{
    QWidget *w = WindowRegistry::open(QStringLiteral("FrmEmailGen"));
    if (!w)
        return;
    const QString subject = subject_->text();
    QMetaObject::invokeMethod(w, "setRecipient", Q_ARG(QString, sender_),
                              Q_ARG(QString, subject.startsWith(QLatin1String("Re:"), Qt::CaseInsensitive)
                                                 ? subject
                                                 : QStringLiteral("Re: ") + subject));
}

} // namespace nimbo::email
