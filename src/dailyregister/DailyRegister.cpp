#include "dailyregister/DailyRegister.h"

#include <QBuffer>
#include <QCryptographicHash>
#include <QDir>
#include <QFileInfo>
#include <QScopeGuard>
#include <QSet>
#include <QFontMetricsF>
#include <QHash>
#include <QPainter>
#include <QPdfWriter>
#include <QRegularExpression>
#include <QSaveFile>
#include <QSqlError>
#include <QSqlQuery>
#include <QXmlStreamWriter>

#include "data/CorrespondentText.h"
#include "data/Dialect.h"

namespace nimbo::daily {

namespace {

const QString kReserved = QStringLiteral("RISERVATO");

// What a correction may change, with the name the register prints.
struct Watched {
    const char *column;
    const char *label;
};
const Watched kWatched[] = {
    {"Tab_TipoProtocollo", "Tipo"},
    {"Tab_Oggetto", "Oggetto"},
    {"Tab_Intestatario", "Corrispondente"},
    {"Tab_Tipologia", "Tipo documento"},
    {"Tab_StatoProtocollo", "Stato"},
    {"Tab_SoggPrivacy", "Riservatezza"},
    {"Tab_DataRicezione", "Data ricezione"},
    {"Tab_OraRicezione", "Ora ricezione"},
    {"Tab_SedeRicezione", "Dipartimento"},
    {"Tab_UfficioRegistrazione", "Ufficio"},
    {"Tab_Titolo", "Classificazione"},
    {"Tab_Categoria", "Classificazione"},
    {"Tab_Classe", "Classificazione"},
    {"Tab_Annotazioni", "Annotazioni"},
    {"Tab_ProtDocArrivo", "Protocollo del mittente"},
    {"Tab_DataProtDocArrivo", "Data protocollo del mittente"},
    {"Tab_NumeroDocumenti", "Numero documenti"},
    {"Tab_NomeImpronta", "Documento"},
};

QString watchedList(const QString &alias)
{
    QStringList out;
    for (const Watched &w : kWatched)
        out << alias + QLatin1String(w.column);
    return out.join(QStringLiteral(", "));
}

// A value as text, whichever engine read it: dates ISO.
QString norm(const QVariant &v)
{
    if (v.isNull())
        return {};
    if (v.typeId() == QMetaType::QDate)
        return v.toDate().toString(Qt::ISODate);
    if (v.typeId() == QMetaType::QDateTime)
        return v.toDateTime().date().toString(Qt::ISODate);
    return v.toString().trimmed();
}

QDate dateOf(const QVariant &v)
{
    if (v.typeId() == QMetaType::QDate)
        return v.toDate();
    return QDate::fromString(v.toString().left(10), Qt::ISODate);
}


bool fail(QString *error, const QSqlQuery &q, const QString &what)
{
    if (error)
        *error = what + QStringLiteral(": ") + q.lastError().text();
    return false;
}

QString shown(const QString &n) { return n.left(4) + QLatin1Char('-') + n.mid(4); }

} // namespace

QString identifier(const QString &ente, const QDate &date)
{
    return ente + QLatin1Char('-') + date.toString(QStringLiteral("yyyyMMdd"));
}

bool bodies(const QSqlDatabase &db, QStringList *out, QString *error)
{
    QSqlQuery q(db);
    if (!q.exec(QStringLiteral("SELECT Ente_Codice FROM Tab_Enti ORDER BY Ente_Codice")))
        return fail(error, q, QStringLiteral("Errore in lettura degli enti"));
    while (q.next())
        *out << q.value(0).toString();
    return true;
}

bool collect(const QSqlDatabase &db, const QString &ente, const QDate &date, Day *day, QString *error)
{
    *day = Day();
    day->ente = ente;
    day->date = date;
    const QString iso = date.toString(Qt::ISODate);
    QSqlQuery q(db);
    q.setForwardOnly(true);
    if (!q.prepare(QStringLiteral("SELECT Ente_Denominazione FROM Tab_Enti WHERE Ente_Codice = ?")))
        return fail(error, q, QStringLiteral("Errore in lettura dell'ente"));
    q.addBindValue(ente);
    if (!q.exec())
        return fail(error, q, QStringLiteral("Errore in lettura dell'ente"));
    if (!q.next()) {
        if (error)
            *error = QStringLiteral("Ente sconosciuto: ") + ente;
        return false;
    }
    day->enteName = q.value(0).toString().trimmed();

    // The day's protocols as they are now ...
    if (!q.prepare(QStringLiteral("SELECT Tab_NumeroProtocollo, Tab_TipoProtocollo, Tab_OraProtocollo, "
                                  "Tab_NomiCorrispondenti, Tab_Oggetto, Tab_Tipologia, Tab_StatoProtocollo, "
                                  "Tab_SoggPrivacy, Tab_Intestatario FROM Tab_Protocollo WHERE Tab_Ente = ? AND "
                                  "Tab_DataProtocollo = ? ORDER BY Tab_NumeroProtocollo")))
        return fail(error, q, QStringLiteral("Errore in lettura dei protocolli del giorno"));
    q.addBindValue(ente);
    q.addBindValue(iso);
    if (!q.exec())
        return fail(error, q, QStringLiteral("Errore in lettura dei protocolli del giorno"));
    QHash<QString, int> at;
    QHash<QString, QString> holder;
    while (q.next()) {
        Entry e;
        e.number = q.value(0).toString();
        e.direction = q.value(1).toString();
        e.time = q.value(2).toString();
        e.correspondent = correspondentsOnOneLine(q.value(3).toString());
        e.subject = q.value(4).toString();
        e.type = q.value(5).toString();
        e.state = q.value(6).toString();
        e.reserved = q.value(7).toString().trimmed() == QLatin1String("S");
        holder.insert(e.number, norm(q.value(8)));
        at.insert(e.number, int(day->entries.size()));
        day->entries << e;
    }
    // ... taken back to the end of the day: the first change made after it
    // holds the row as it stood then.
    if (!day->entries.isEmpty()) {
        if (!q.prepare(QStringLiteral("SELECT s.Tab_NumeroProtocollo, s.Tab_TipoProtocollo, s.Tab_Oggetto, s.Tab_Tipologia, "
                                      "s.Tab_StatoProtocollo, s.Tab_SoggPrivacy, s.Tab_Intestatario FROM Tab_Protocollo p "
                                      "JOIN Tab_Protocollo_Storico s ON s.Tab_Ente = p.Tab_Ente AND "
                                      "s.Tab_NumeroProtocollo = p.Tab_NumeroProtocollo WHERE p.Tab_Ente = ? AND "
                                      "p.Tab_DataProtocollo = ? AND s.Tab_DataModifica > ? ORDER BY s.ID")))
            return fail(error, q, QStringLiteral("Errore in lettura dello storico dei protocolli"));
        q.addBindValue(ente);
        q.addBindValue(iso);
        q.addBindValue(iso);
        if (!q.exec())
            return fail(error, q, QStringLiteral("Errore in lettura dello storico dei protocolli"));
        QSet<QString> done;
        QVector<QPair<int, QString>> otherHolder;
        while (q.next()) {
            const QString n = q.value(0).toString();
            if (done.contains(n) || !at.contains(n))
                continue;
            done.insert(n);
            Entry &e = day->entries[at.value(n)];
            e.direction = q.value(1).toString();
            e.subject = q.value(2).toString();
            e.type = q.value(3).toString();
            e.state = q.value(4).toString();
            e.reserved = q.value(5).toString().trimmed() == QLatin1String("S");
            const QString then = norm(q.value(6));
            if (then != holder.value(n))
                otherHolder << qMakePair(at.value(n), then);
        }
        q.finish();
        QSqlQuery r(db);
        if (!otherHolder.isEmpty()
            && !r.prepare(QStringLiteral("SELECT Tab_Denominazione FROM Tab_Rubrica WHERE Tab_EnteRubrica = ? AND "
                                         "Tab_Identificativo = ?")))
            return fail(error, r, QStringLiteral("Errore in lettura della rubrica"));
        for (const auto &[i, id] : otherHolder) {
            r.addBindValue(ente);
            r.addBindValue(id.toLongLong());
            if (!r.exec())
                return fail(error, r, QStringLiteral("Errore in lettura della rubrica"));
            day->entries[i].correspondent = r.next() ? r.value(0).toString().trimmed() : QString();
        }
    }

    // The corrections and cancellations made that day to earlier protocols.
    QSqlQuery h(db);
    h.setForwardOnly(true);
    if (!h.prepare(QStringLiteral("SELECT s.ID, s.Tab_NumeroProtocollo, s.Tab_TipoProtocollo, s.Tab_DataProtocollo, "
                                  "s.Tab_OraModifica, %1 FROM Tab_Protocollo_Storico s WHERE s.Tab_Ente = ? AND "
                                  "s.Tab_DataModifica = ? AND s.Tab_DataProtocollo < ? ORDER BY s.ID")
                       .arg(watchedList(QStringLiteral("s.")))))
        return fail(error, h, QStringLiteral("Errore in lettura delle modifiche del giorno"));
    h.addBindValue(ente);
    h.addBindValue(iso);
    h.addBindValue(iso);
    if (!h.exec())
        return fail(error, h, QStringLiteral("Errore in lettura delle modifiche del giorno"));
    constexpr int kFirstWatched = 5;
    constexpr int kWatchedCount = int(sizeof(kWatched) / sizeof(kWatched[0]));
    // Read whole first: a connection runs one statement at a time, and each
    // change is then compared with the state that followed it.
    struct Before {
        QVariant id;
        QString number, direction, time;
        QDate protocolDate;
        QStringList values;
    };
    QVector<Before> befores;
    while (h.next()) {
        Before b{h.value(0), h.value(1).toString(), h.value(2).toString(), h.value(4).toString(), dateOf(h.value(3)), {}};
        for (int i = 0; i < kWatchedCount; ++i)
            b.values << norm(h.value(kFirstWatched + i));
        befores << b;
    }
    h.finish();
    QSqlQuery next(db), now(db);
    if (!next.prepare(QStringLiteral("SELECT %1, s.Tab_MotivoCancellazione FROM Tab_Protocollo_Storico s WHERE "
                                     "s.Tab_Ente = ? AND s.Tab_NumeroProtocollo = ? AND s.ID > ? ORDER BY s.ID")
                          .arg(watchedList(QStringLiteral("s.")))
                      + Dialect::limit(1))
        || !now.prepare(QStringLiteral("SELECT %1, p.Tab_MotivoCancellazione FROM Tab_Protocollo p WHERE p.Tab_Ente = ? "
                                       "AND p.Tab_NumeroProtocollo = ?")
                            .arg(watchedList(QStringLiteral("p.")))))
        return fail(error, next, QStringLiteral("Errore in lettura delle modifiche del giorno"));
    for (const Before &b : std::as_const(befores)) {
        next.addBindValue(ente);
        next.addBindValue(b.number);
        next.addBindValue(b.id);
        if (!next.exec())
            return fail(error, next, QStringLiteral("Errore in lettura delle modifiche del giorno"));
        QSqlQuery *after = &next;
        if (!next.next()) {
            next.finish();
            now.addBindValue(ente);
            now.addBindValue(b.number);
            if (!now.exec())
                return fail(error, now, QStringLiteral("Errore in lettura delle modifiche del giorno"));
            if (!now.next())
                continue;
            after = &now;
        }
        QStringList what;
        bool cancelled = false;
        for (int i = 0; i < kWatchedCount; ++i) {
            const QString then = norm(after->value(i));
            if (b.values[i] == then)
                continue;
            if (QLatin1String(kWatched[i].column) == QLatin1String("Tab_StatoProtocollo") && then == QLatin1String("C")) {
                cancelled = true;
                continue;
            }
            const QString label = QString::fromUtf8(kWatched[i].label);
            if (!what.contains(label))
                what << label;
        }
        const QString reason = after->value(kWatchedCount).toString().trimmed();
        after->finish();
        if (!cancelled && what.isEmpty())
            continue; // the print state or the writer alone: not a correction
        Change c;
        c.number = b.number;
        c.direction = b.direction;
        c.protocolDate = b.protocolDate;
        c.time = b.time;
        if (cancelled)
            c.what = QStringLiteral("Annullamento") + (reason.isEmpty() ? QString() : QStringLiteral(" - motivo ") + reason);
        if (!what.isEmpty())
            c.what += (c.what.isEmpty() ? QString() : QStringLiteral("; ")) + QStringLiteral("Modifica: ")
                      + what.join(QStringLiteral(", "));
        day->changes << c;
    }
    return true;
}

namespace {

// ---- the PDF ----------------------------------------------------------------

struct Column {
    const char *title;
    qreal share; // of the page's width
};

class Pages {
public:
    Pages(QPdfWriter &writer, QPainter &painter, const Day &day) : writer_(writer), p_(painter), day_(day)
    {
        font_ = QFont(QStringLiteral("DejaVu Sans"));
        font_.setPointSizeF(7.5);
        // No ligatures: the text read back from the file is the text written.
        font_.setStyleStrategy(QFont::StyleStrategy(QFont::NoFontMerging | QFont::PreferNoShaping));
        bold_ = font_;
        bold_.setBold(true);
        title_ = font_;
        title_.setPointSizeF(11);
        title_.setBold(true);
        width_ = writer.width();
        height_ = writer.height();
        line_ = QFontMetricsF(font_, &writer).height();
        pad_ = line_ * 0.2;
    }

    void heading()
    {
        ++page_;
        y_ = 0;
        p_.setPen(Qt::black);
        p_.setFont(title_);
        const qreal big = QFontMetricsF(title_, &writer_).height();
        p_.drawText(QRectF(0, y_, width_, big), Qt::AlignHCenter, day_.enteName.isEmpty() ? day_.ente : day_.enteName);
        y_ += big;
        p_.drawText(QRectF(0, y_, width_, big), Qt::AlignHCenter,
                    QStringLiteral("Registro giornaliero di protocollo del ")
                        + day_.date.toString(QStringLiteral("dd/MM/yyyy")));
        y_ += big;
        p_.setFont(font_);
        p_.drawText(QRectF(0, y_, width_, line_), Qt::AlignLeft,
                    QStringLiteral("Identificativo: ") + identifier(day_.ente, day_.date));
        p_.drawText(QRectF(0, y_, width_, line_), Qt::AlignRight, QStringLiteral("Pag. ") + QString::number(page_));
        y_ += line_ * 1.5;
    }

    void section(const QString &title, const QVector<Column> &cols)
    {
        cols_ = cols;
        need(line_ * 4);
        p_.setFont(bold_);
        p_.drawText(QRectF(0, y_, width_, line_), Qt::AlignLeft, title);
        y_ += line_ * 1.3;
        titles();
    }

    void row(const QStringList &cells)
    {
        p_.setFont(font_);
        qreal h = line_;
        QVector<QRectF> rects;
        qreal x = 0;
        for (int i = 0; i < cols_.size(); ++i) {
            const qreal w = cols_[i].share * width_;
            const QRectF r(x + pad_, 0, w - 2 * pad_, height_);
            const QRectF need = p_.boundingRect(r, Qt::TextWordWrap | Qt::TextWrapAnywhere, cells.value(i));
            h = qMax(h, need.height());
            rects << QRectF(x + pad_, 0, w - 2 * pad_, 0);
            x += w;
        }
        h += pad_ * 2;
        if (y_ + h > height_) {
            writer_.newPage();
            heading();
            titles();
            p_.setFont(font_);
        }
        for (int i = 0; i < cols_.size(); ++i) {
            QRectF r = rects[i];
            r.moveTop(y_ + pad_);
            r.setHeight(h);
            p_.drawText(r, Qt::TextWordWrap | Qt::TextWrapAnywhere, cells.value(i));
        }
        y_ += h;
        p_.drawLine(QPointF(0, y_), QPointF(width_, y_));
    }

    void text(const QString &t)
    {
        need(line_ * 2);
        p_.setFont(font_);
        p_.drawText(QRectF(0, y_, width_, line_ * 2), Qt::AlignLeft | Qt::TextWordWrap, t);
        y_ += line_ * 2;
    }

    void space() { y_ += line_; }

private:
    void need(qreal h)
    {
        if (y_ + h > height_) {
            writer_.newPage();
            heading();
        }
    }
    void titles()
    {
        p_.setFont(bold_);
        qreal x = 0;
        for (const Column &c : cols_) {
            const qreal w = c.share * width_;
            p_.drawText(QRectF(x + pad_, y_, w - 2 * pad_, line_), Qt::AlignLeft, QString::fromUtf8(c.title));
            x += w;
        }
        y_ += line_ + pad_;
        p_.drawLine(QPointF(0, y_), QPointF(width_, y_));
        p_.setFont(font_);
    }

    QPdfWriter &writer_;
    QPainter &p_;
    const Day &day_;
    QFont font_, bold_, title_;
    QVector<Column> cols_;
    qreal width_ = 0, height_ = 0, line_ = 0, pad_ = 0, y_ = 0;
    int page_ = 0;
};

// The end of the day, the one date the file carries.
QDateTime endOfDay(const QDate &d) { return QDateTime(d, QTime(23, 59, 59), Qt::UTC); }

QByteArray xmp(const Day &day)
{
    const QString when = endOfDay(day.date).toString(Qt::ISODate);
    QByteArray body;
    QXmlStreamWriter w(&body);
    w.writeStartElement(QStringLiteral("x:xmpmeta"));
    w.writeNamespace(QStringLiteral("adobe:ns:meta/"), QStringLiteral("x"));
    w.writeStartElement(QStringLiteral("rdf:RDF"));
    w.writeNamespace(QStringLiteral("http://www.w3.org/1999/02/22-rdf-syntax-ns#"), QStringLiteral("rdf"));
    const auto description = [&](const QString &prefix, const QString &ns) {
        w.writeStartElement(QStringLiteral("rdf:Description"));
        w.writeAttribute(QStringLiteral("rdf:about"), QString());
        w.writeNamespace(ns, prefix);
    };
    description(QStringLiteral("dc"), QStringLiteral("http://purl.org/dc/elements/1.1/"));
    w.writeStartElement(QStringLiteral("dc:title"));
    w.writeStartElement(QStringLiteral("rdf:Alt"));
    w.writeStartElement(QStringLiteral("rdf:li"));
    w.writeAttribute(QStringLiteral("xml:lang"), QStringLiteral("x-default"));
    w.writeCharacters(QStringLiteral("Registro giornaliero di protocollo ") + identifier(day.ente, day.date));
    w.writeEndElement();
    w.writeEndElement();
    w.writeEndElement();
    w.writeEndElement();
    description(QStringLiteral("xmp"), QStringLiteral("http://ns.adobe.com/xap/1.0/"));
    w.writeTextElement(QStringLiteral("xmp:CreateDate"), when);
    w.writeTextElement(QStringLiteral("xmp:ModifyDate"), when);
    w.writeTextElement(QStringLiteral("xmp:CreatorTool"), QStringLiteral("Nimbo"));
    w.writeEndElement();
    description(QStringLiteral("pdfaid"), QStringLiteral("http://www.aiim.org/pdfa/ns/id/"));
    w.writeTextElement(QStringLiteral("pdfaid:part"), QStringLiteral("1"));
    w.writeTextElement(QStringLiteral("pdfaid:conformance"), QStringLiteral("B"));
    w.writeEndElement();
    w.writeEndElement();
    w.writeEndElement();
    return QByteArray("<?xpacket begin=\"\xEF\xBB\xBF\" id=\"W5M0MpCehiHzreSzNTczkc9d\"?>\n") + body
           + QByteArray("\n<?xpacket end=\"w\"?>");
}

// The writer stamps the moment of writing and a random identifier into the
// file; both are replaced, byte for byte in length so that the cross
// reference table stays right, by the end of the day and an identifier
// derived from the body and the day.
bool stabilise(QByteArray &pdf, const Day &day, QString *error)
{
    static const QRegularExpression created(QStringLiteral("/CreationDate \\((D:[^)]*)\\)"));
    const QString text = QString::fromLatin1(pdf);
    auto m = created.match(text);
    if (m.hasMatch()) {
        const QString now = m.captured(1);
        QString fixed = QStringLiteral("D:") + day.date.toString(QStringLiteral("yyyyMMdd")) + QStringLiteral("235959");
        // The offset part as long as the writer's: "Z" padded with its own
        // form "+00'00'" when the writer wrote an offset.
        const QString tail = now.mid(fixed.size());
        if (tail.size() == 7)
            fixed += QStringLiteral("+00'00'");
        else if (tail.size() == 1)
            fixed += QLatin1Char('Z');
        else
            fixed += tail;
        if (fixed.size() != now.size()) {
            *error = QStringLiteral("Data del file PDF in una forma inattesa: ") + now;
            return false;
        }
        pdf.replace(m.capturedStart(1), now.size(), fixed.toLatin1());
    }
    static const QRegularExpression ids(QStringLiteral("/ID \\[\\s*<([0-9A-Fa-f]+)>\\s*<([0-9A-Fa-f]+)>\\s*\\]"));
    const QString text2 = QString::fromLatin1(pdf);
    auto id = ids.match(text2);
    if (id.hasMatch()) {
        const QByteArray seed =
            QCryptographicHash::hash(identifier(day.ente, day.date).toUtf8(), QCryptographicHash::Sha256).toHex();
        for (int g = 1; g <= 2; ++g) {
            const int len = int(id.capturedLength(g));
            QByteArray hex = seed.repeated(len / seed.size() + 1).left(len);
            if (id.captured(g).at(0).isUpper())
                hex = hex.toUpper();
            pdf.replace(id.capturedStart(g), len, hex);
        }
    }
    // Any other uuid the writer adds (the metadata is ours and has none).
    static const QRegularExpression uuid(
        QStringLiteral("uuid:[0-9a-fA-F]{8}-[0-9a-fA-F]{4}-[0-9a-fA-F]{4}-[0-9a-fA-F]{4}-[0-9a-fA-F]{12}"));
    if (uuid.match(QString::fromLatin1(pdf)).hasMatch()) {
        *error = QStringLiteral("Identificativo casuale inatteso nel file PDF.");
        return false;
    }
    return true;
}

} // namespace

bool renderPdf(const Day &day, QByteArray *pdf, QString *error)
{
    QBuffer buffer(pdf);
    buffer.open(QIODevice::WriteOnly);
    {
        QPdfWriter writer(&buffer);
        writer.setPdfVersion(QPagedPaintDevice::PdfVersion_A1b);
        writer.setResolution(300);
        writer.setTitle(QStringLiteral("Registro giornaliero di protocollo ") + identifier(day.ente, day.date));
        writer.setCreator(QStringLiteral("Nimbo"));
        writer.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Landscape, QMarginsF(12, 12, 12, 12),
                                         QPageLayout::Millimeter));
        writer.setDocumentXmpMetadata(xmp(day));
        QPainter painter;
        if (!painter.begin(&writer)) {
            *error = QStringLiteral("Impossibile scrivere il file PDF del registro giornaliero");
            return false;
        }
        Pages pages(writer, painter, day);
        pages.heading();
        if (day.entries.isEmpty()) {
            pages.text(QStringLiteral("Nessun protocollo registrato nel giorno."));
        } else {
            pages.text(QStringLiteral("Protocolli registrati: %1, dal n. %2 al n. %3")
                           .arg(day.entries.size())
                           .arg(shown(day.entries.first().number), shown(day.entries.last().number)));
            pages.section(QStringLiteral("Protocolli registrati nel giorno"),
                          {{"Numero", 0.09}, {"Ora", 0.06}, {"Tipo", 0.04}, {"Corrispondente", 0.24},
                           {"Oggetto", 0.41}, {"Tipo doc.", 0.07}, {"Stato", 0.09}});
            for (const Entry &e : day.entries)
                pages.row({shown(e.number), e.time, e.direction, e.reserved ? kReserved : e.correspondent,
                           e.reserved ? kReserved : e.subject, e.type,
                           e.state == QLatin1String("C") ? QStringLiteral("Annullato") : QStringLiteral("Attivo")});
        }
        pages.space();
        if (day.changes.isEmpty()) {
            pages.text(QStringLiteral("Nessun annullamento o modifica di protocolli dei giorni precedenti."));
        } else {
            pages.section(QStringLiteral("Annullamenti e modifiche di protocolli dei giorni precedenti"),
                          {{"Numero", 0.09}, {"Data prot.", 0.08}, {"Tipo", 0.04}, {"Ora modifica", 0.08},
                           {"Descrizione", 0.71}});
            for (const Change &c : day.changes)
                pages.row({shown(c.number), c.protocolDate.toString(QStringLiteral("dd/MM/yyyy")), c.direction, c.time,
                           c.what});
        }
        if (!painter.end()) {
            *error = QStringLiteral("Impossibile scrivere il file PDF del registro giornaliero");
            return false;
        }
    }
    return stabilise(*pdf, day, error);
}

namespace {

bool save(const QString &path, const QByteArray &bytes, QString *error)
{
    QSaveFile f(path);
    if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size() || !f.commit()) {
        *error = QStringLiteral("Impossibile scrivere il file ") + path;
        return false;
    }
    return true;
}

QByteArray metadata(const Day &day, const QString &digest, const QString &pdfName, const QDateTime &now)
{
    QByteArray out;
    QXmlStreamWriter w(&out);
    w.setAutoFormatting(true);
    w.writeStartDocument();
    w.writeStartElement(QStringLiteral("RegistroGiornaliero"));
    w.writeTextElement(QStringLiteral("Identificativo"), identifier(day.ente, day.date));
    w.writeTextElement(QStringLiteral("Ente"), day.ente);
    w.writeTextElement(QStringLiteral("DenominazioneEnte"), day.enteName);
    w.writeTextElement(QStringLiteral("Data"), day.date.toString(Qt::ISODate));
    w.writeTextElement(QStringLiteral("PrimoNumero"), day.entries.isEmpty() ? QString() : day.entries.first().number);
    w.writeTextElement(QStringLiteral("UltimoNumero"), day.entries.isEmpty() ? QString() : day.entries.last().number);
    w.writeTextElement(QStringLiteral("NumeroProtocolli"), QString::number(day.entries.size()));
    w.writeTextElement(QStringLiteral("NumeroModifiche"), QString::number(day.changes.size()));
    w.writeStartElement(QStringLiteral("File"));
    w.writeAttribute(QStringLiteral("nome"), pdfName);
    w.writeAttribute(QStringLiteral("formato"), QStringLiteral("PDF/A-1b"));
    w.writeEndElement();
    w.writeStartElement(QStringLiteral("Impronta"));
    w.writeAttribute(QStringLiteral("algoritmo"), QStringLiteral("SHA-256"));
    w.writeCharacters(digest);
    w.writeEndElement();
    w.writeTextElement(QStringLiteral("DataOraProduzione"), now.toOffsetFromUtc(now.offsetFromUtc()).toString(Qt::ISODate));
    w.writeEndElement();
    w.writeEndDocument();
    return out;
}

} // namespace

bool produce(const QSqlDatabase &db, const QString &ente, const QDate &date, const QString &folder,
             const QString &operatorCode, const QDateTime &now, Produced *out, QString *error)
{
    *out = Produced();
    if (!date.isValid()) {
        *error = QStringLiteral("Data del registro giornaliero non valida.");
        return false;
    }
    Day day;
    if (!collect(db, ente, date, &day, error))
        return false;
    QByteArray pdf;
    if (!renderPdf(day, &pdf, error))
        return false;
    const QString id = identifier(ente, date);
    const QDir dir(folder);
    if (!QDir().mkpath(folder)) {
        *error = QStringLiteral("Impossibile creare la cartella ") + folder;
        return false;
    }
    out->digest = QString::fromLatin1(QCryptographicHash::hash(pdf, QCryptographicHash::Sha256).toHex());
    out->pdf = dir.filePath(id + QStringLiteral(".pdf"));
    out->xml = dir.filePath(id + QStringLiteral(".xml"));
    out->sha = dir.filePath(id + QStringLiteral(".pdf.sha256"));
    out->protocols = int(day.entries.size());
    out->changes = int(day.changes.size());

    // The record first: a register whose production cannot be recorded is
    // not handed out.
    QSqlDatabase central = db;
    if (!central.transaction()) {
        *error = QStringLiteral("Errore in registrazione del registro giornaliero: ") + central.lastError().text();
        return false;
    }
    bool committed = false;
    const auto rollback = qScopeGuard([&] {
        if (!committed)
            central.rollback();
    });
    QSqlQuery q(central);
    const QString stamp = now.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
    const QString iso = date.toString(Qt::ISODate);
    const bool pg = Dialect::engineOf(central) == Dialect::Engine::PostgreSQL;
    // One row per content: the same content produced again counts there,
    // side by side too (the key holds the fingerprint).
    q.prepare(QStringLiteral("INSERT INTO Tab_RegistroGiornaliero (Reg_Ente, Reg_Data, Reg_Impronta, Reg_Identificativo, "
                             "Reg_PrimoNumero, Reg_UltimoNumero, Reg_Protocolli, Reg_Modifiche, Reg_PrimaProduzione, "
                             "Reg_UltimaProduzione, Reg_Produzioni, Reg_CodOper) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, 1, ?) "
                             "ON CONFLICT (Reg_Ente, Reg_Data, Reg_Impronta) DO UPDATE SET Reg_UltimaProduzione = "
                             "excluded.Reg_UltimaProduzione, Reg_Produzioni = Tab_RegistroGiornaliero.Reg_Produzioni + 1, "
                             "Reg_CodOper = excluded.Reg_CodOper RETURNING Reg_Produzioni"));
    for (const QVariant &v : QVariantList{ente, iso, out->digest, id,
                                          day.entries.isEmpty() ? QString() : day.entries.first().number,
                                          day.entries.isEmpty() ? QString() : day.entries.last().number,
                                          out->protocols, out->changes, stamp, stamp, operatorCode})
        q.addBindValue(v);
    if (!q.exec() || !q.next())
        return fail(error, q, QStringLiteral("Errore in registrazione del registro giornaliero"));
    out->sameAsBefore = q.value(0).toInt() > 1;
    q.finish();
    q.prepare(QStringLiteral("SELECT COUNT(*) FROM Tab_RegistroGiornaliero WHERE Reg_Ente = ? AND Reg_Data = ? AND "
                             "Reg_Impronta <> ?"));
    q.addBindValue(ente);
    q.addBindValue(iso);
    q.addBindValue(out->digest);
    if (!q.exec() || !q.next())
        return fail(error, q, QStringLiteral("Errore in registrazione del registro giornaliero"));
    out->changedSinceBefore = q.value(0).toInt() > 0;
    q.finish();
    Q_UNUSED(pg);

    if (!save(out->pdf, pdf, error)
        || !save(out->xml, metadata(day, out->digest, QFileInfo(out->pdf).fileName(), now), error)
        || !save(out->sha, (out->digest + QStringLiteral("  ") + QFileInfo(out->pdf).fileName() + QLatin1Char('\n')).toUtf8(),
                 error))
        return false;
    if (!central.commit()) {
        *error = QStringLiteral("Errore in registrazione del registro giornaliero: ") + central.lastError().text();
        return false;
    }
    committed = true;
    return true;
}

} // namespace nimbo::daily
