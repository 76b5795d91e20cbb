#include "classification/CloseCaseRules.h"

#include <QRegularExpression>

#include "data/Funzioni_Com_1.h"
#include "ui/ProtocolNumber.h"

namespace nimbo::classification {
namespace {

QString q(const QString &text) { return QLatin1Char('\'') + Funzioni_Com_1::quote(text) + QLatin1Char('\''); }

QDate typedDate(const QString &text) { return QDate::fromString(text.trimmed(), QStringLiteral("dd/MM/yyyy")); }

QString requestDate(const QDate &d) { return d.isValid() ? d.toString(QStringLiteral("MM/dd/yyyy")) : QString(); }

bool digits(const QString &text)
{
    static const QRegularExpression all(QStringLiteral("^[0-9]+$"));
    return all.match(text).hasMatch();
}

// The texts that differ between the two windows: the list's name the
// protocol to close, the single window's the closing note.
struct Texts {
    const char *noYear, *badYear, *noNumber, *badNumber, *same, *missing, *beforeNote;
};
const Texts kList{"Inserire l'anno del protocollo da archiviare",
                  "Inserire correttamente l'anno del protocollo del documento da archiviare",
                  "Inserire il numero di protocollo del documento da archiviare",
                  "Inserire correttamente il numero di protocollo del documento da archiviare",
                  "II numero di protocollo della nota di chiusura deve essere diverso da quello del documento da "
                  "archiviare.",
                  "il protocollo inserito non esiste in archivio o è stato annullato",
                  "La data di chiusura non può essere minore della data di protocollazione del documento da archiviare"};
const Texts kOne{"Inserire l'anno del protocollo della nota di chiusura",
                 "Inserire correttamente l'anno del protocollo della nota di chiusura",
                 "Inserire il numero di protocollo della nota di chiusura",
                 "Inserire correttamente il numero di protocollo della nota di chiusura",
                 "II numero di protocollo della nota di chiusura deve essere diverso da quello del documento in "
                 "questione.",
                 "il numero di protocollo inserito non esiste in archivio",
                 "La data di chiusura non può essere minore della data di protocollazione del documento di chiusura"};

} // namespace

QString closeCandidatesQuery(const protocol::Viewer &v)
{
    protocol::scope::DeadlineColumns c;
    c.operatorCode = QStringLiteral("x.Tab_codiceOpe");
    c.office = QStringLiteral("x.Tab_Ufficio");
    c.department = QStringLiteral("x.Dipa_CodDipartimento");
    // A case closed by anyone has nothing left to close. The movement is
    // matched on the whole key through the iter table's own columns.
    return QStringLiteral("SELECT DISTINCT x.Tab_TipoProtocollo, x.Tab_NumeroProtocollo, x.Tab_DataProtocollo, "
                          "x.Tab_Oggetto, x.Tab_Denominazione, x.Tab_DataSerialeMov, x.Tab_DataEvasione, "
                          "x.Dipa_Denominazione, x.Tab_Descrizione, x.Tab_Ufficio, x.Tab_SoggPrivacy "
                          "FROM ProtocolliAssegnati_Competenza x WHERE x.Tab_Ente = ")
           + q(v.ente) + QStringLiteral(" AND ") + protocol::scope::deadlines(v, c)
           + QStringLiteral(" AND NOT EXISTS (SELECT 1 FROM Tab_Iter_Documento arch WHERE arch.Tab_TipoMovimento = 5 "
                            "AND arch.Tab_Ente = x.Tab_Ente AND arch.Tab_TipoProtocollo = x.Tab_TipoProtocollo "
                            "AND arch.Tab_NumeroProtocollo = x.Tab_NumeroProtocollo) "
                            "ORDER BY x.Tab_DataEvasione, x.Tab_NumeroProtocollo");
}

QString closedByNoteQuery(const QString &ente, const QString &noteNumber)
{
    return QStringLiteral("SELECT Tab_TipoProtocollo, Tab_NumeroProtocollo, Tab_DataChiusuraProcedimento, "
                          "Tab_Annotazioni FROM Tab_Iter_Documento WHERE Tab_TipoMovimento = 5 AND Tab_Ente = %1 "
                          "AND Tab_ProtoEvasione = %2 ORDER BY Tab_NumeroProtocollo")
        .arg(q(ente), q(noteNumber));
}

QString protocolToCloseQuery(const QString &ente, const QString &direction, const QString &number)
{
    return QStringLiteral("SELECT Tab_DataProtocollo, Tab_Oggetto, Tab_SoggPrivacy FROM Tab_Protocollo WHERE "
                          "Tab_Ente = %1 AND Tab_TipoProtocollo = %2 AND Tab_NumeroProtocollo = %3")
        .arg(q(ente), q(direction), q(number));
}

QString noteDateQuery(const QString &ente, const QString &direction, const QString &number)
{
    return QStringLiteral("SELECT Tab_DataProtocollo FROM Tab_Protocollo WHERE Tab_Ente = %1 AND "
                          "Tab_NumeroProtocollo = %2 AND COALESCE(Tab_StatoProtocollo, 'A') <> 'C' AND "
                          "Tab_TipoProtocollo = %3")
        .arg(q(ente), q(number), q(direction));
}

QString noteKey(const QString &year, const QString &progressive)
{
    const QString y = year.trimmed();
    const QString n = progressive.trimmed();
    if (y.size() != 4 || !digits(y) || !digits(n) || n.size() > 7)
        return {};
    return y + n.rightJustified(7, QLatin1Char('0'));
}

std::optional<CloseCaseFailure> closeCaseFailure(CloseCaseVariant variant, const CloseCaseForm &f, const QDate &today,
                                                 const NoteDate &noteDate)
{
    using namespace closefield;
    const Texts &t = variant == CloseCaseVariant::List ? kList : kOne;
    const auto fail = [](const QString &message, const char *field) {
        return std::optional<CloseCaseFailure>(CloseCaseFailure{message, field});
    };
    const QDate closed = typedDate(f.closingDate);
    if (!closed.isValid())
        return fail(QStringLiteral("Inserire una data corretta"), kDate);
    if (closed < f.protocolDate || closed > today)
        return fail(QStringLiteral("La data di chiusura non può essere minore della data di protocollazione del "
                                   "documento o maggiore della data corrente"),
                    kDate);
    const QString direction = f.noteDirection.trimmed().toUpper();
    if (direction != QLatin1String("E") && direction != QLatin1String("U"))
        return fail(QStringLiteral("Inserire 'E' per documenti in Entrata e 'U' per documenti in Uscita "), kDirection);
    const QString year = f.noteYear.trimmed();
    if (year.isEmpty())
        return fail(QString::fromUtf8(t.noYear), kYear);
    if (year.size() != 4 || !digits(year))
        return fail(QString::fromUtf8(t.badYear), kYear);
    const QString progressive = f.noteNumber.trimmed();
    if (progressive.isEmpty())
        return fail(QString::fromUtf8(t.noNumber), kNumber);
    const QString note = noteKey(year, progressive);
    if (note.isEmpty() || progressive.toLongLong() == 0)
        return fail(QString::fromUtf8(t.badNumber), kNumber);
    if (note == f.number)
        return fail(QString::fromUtf8(t.same), kNumber);
    const std::optional<QDate> noted = noteDate(direction, note);
    if (!noted)
        return fail(QString::fromUtf8(t.missing), kNumber);
    if (closed < *noted)
        return fail(QString::fromUtf8(t.beforeNote), kDate);
    if (f.protocolDate > *noted)
        return fail(QStringLiteral("La data di protocollo da evadere non può essere maggiore della data di "
                                   "protocollazione del documento di chiusura (")
                        + noted->toString(QStringLiteral("dd/MM/yyyy")) + QLatin1Char(')'),
                    kNumber);
    return std::nullopt;
}

QString closingAnnotation(const QDate &closed, const QString &noteNumber, const QString &notes)
{
    QString text = QStringLiteral("Pratica evasa in data ") + closed.toString(QStringLiteral("dd/MM/yyyy"))
                   + QLatin1Char('\n') + QStringLiteral(" con nota Prot. N. ") + shownNumber(noteNumber);
    if (!notes.trimmed().isEmpty())
        text += QLatin1Char('\n') + notes.trimmed();
    return text;
}

QVariantList closeCaseWriteRequest(const QString &ente, const CloseCaseForm &f, const QString &office,
                                   const QString &operatorCode, const QDate &today)
{
    const QDate closed = typedDate(f.closingDate);
    const QString direction = f.noteDirection.trimmed().toUpper();
    const QString note = noteKey(f.noteYear, f.noteNumber);
    const ColumnValues columns{
        {QStringLiteral("Tab_Ente"), ente},
        {QStringLiteral("Tab_TipoProtocollo"), f.direction},
        {QStringLiteral("Tab_NumeroProtocollo"), f.number},
        {QStringLiteral("Tab_Ufficio"), office},
        {QStringLiteral("Tab_CodiceOpe"), operatorCode},
        {QStringLiteral("Tab_Annotazioni"), closingAnnotation(closed, note, f.notes)},
        {QStringLiteral("Tab_RiferimentoInterno"), note},
        {QStringLiteral("Tab_TipoRif_Interno"), direction},
        {QStringLiteral("Tab_DataEvasione"), requestDate(closed)},
        {QStringLiteral("Tab_ProtoEvasione"), note},
        {QStringLiteral("Tab_DataChiusuraProcedimento"), requestDate(closed)},
        {QStringLiteral("Tab_CodOper"), operatorCode},
        {QStringLiteral("Tab_DatOper"), requestDate(today)},
    };
    return closeCaseRequest(columns);
}

} // namespace nimbo::classification
