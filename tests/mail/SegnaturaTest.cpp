#include <gtest/gtest.h>

#include "mail/InteropMessages.h"
#include "mail/Segnatura.h"

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

using namespace nimbo::mail;

namespace {

const QByteArray kLetter = "%PDF-1.4 lettera di trasmissione";
const QByteArray kAnnex = "allegato tecnico, versione 2";

SegnaturaData outgoing()
{
    SegnaturaData d;
    d.id = {QStringLiteral("ausl_xx"), QStringLiteral("AOO_PROT"), QStringLiteral("REG_GEN"),
            segnaturaNumber(QStringLiteral("2026-0000042")), QDate(2026, 3, 9), QTime(10, 15, 30)};
    d.sender = {QStringLiteral("Azienda USL di Esempio"), QStringLiteral("ausl_xx"), QStringLiteral("AOO_PROT"),
                QStringLiteral("protocollo@pec.ausl.example.it")};
    SegnaturaRecipient town;
    static_cast<SegnaturaParty &>(town) = {QStringLiteral("Comune di Città Alta"), QStringLiteral("c_x123"),
                                           QStringLiteral("AOO1"), QStringLiteral("comune@pec.example.it")};
    SegnaturaRecipient firm;
    static_cast<SegnaturaParty &>(firm) = {QStringLiteral("Ditta Rossi & Figli S.r.l."), {}, {},
                                           QStringLiteral("rossi@example.it")};
    firm.confirmationRequested = false;
    firm.copyOnly = true;
    d.recipients = {town, firm};
    d.subject = QStringLiteral("Richiesta <urgente> di parere & \"chiarimenti\" sull'àmbito");
    d.classificationCode = QStringLiteral("1.2.3");
    d.classificationName = QStringLiteral("Affari generali - Protocollo");
    d.reserved = true;
    d.primary = {QStringLiteral("lettera.pdf"), QStringLiteral("application/pdf"), sha256(kLetter),
                 QStringLiteral("SHA-256"), QStringLiteral("Lettera")};
    d.attachments = {{QStringLiteral("allegato 1.txt"), QStringLiteral("text/plain"), sha256(kAnnex),
                      QStringLiteral("SHA-256"), {}}};
    return d;
}

// A validator that is not ours: xmllint against the schema in data/agid.
QString xmllint(const QByteArray &xml, const char *schema)
{
    QTemporaryDir dir;
    QFile f(dir.filePath(QStringLiteral("doc.xml")));
    if (!f.open(QIODevice::WriteOnly) || f.write(xml) != xml.size())
        return QStringLiteral("cannot write");
    f.close();
    QProcess p;
    p.start(QStringLiteral("xmllint"), {QStringLiteral("--noout"), QStringLiteral("--nonet"), QStringLiteral("--schema"),
                                        QStringLiteral(NIMBO_AGID_DIR "/") + QLatin1String(schema), f.fileName()});
    if (!p.waitForFinished(60000))
        return QStringLiteral("xmllint did not run");
    return p.exitCode() == 0 ? QString() : QString::fromUtf8(p.readAllStandardError());
}

} // namespace

TEST(Segnatura, RoundTripValidatesForAnotherReaderAndBindsTheFiles)
{
    const SegnaturaData d = outgoing();
    QString error;
    const QByteArray xml = buildSegnatura(d, &error);
    ASSERT_FALSE(xml.isEmpty()) << error.toStdString();
    EXPECT_EQ(xmllint(xml, "segnatura_protocollo.xsd"), QString());
    EXPECT_TRUE(xml.contains("<prot:NumeroRegistrazione>0000042</prot:NumeroRegistrazione>"));
    EXPECT_TRUE(xml.contains(sha256(kLetter).toBase64()));

    SegnaturaData back;
    ASSERT_TRUE(parseSegnatura(xml, &back, &error)) << error.toStdString();
    EXPECT_EQ(back, d);
    EXPECT_FALSE(back.signatureValuePresent);

    QMap<QString, QByteArray> files{{QStringLiteral("lettera.pdf"), kLetter},
                                    {QStringLiteral("allegato 1.txt"), kAnnex},
                                    {QStringLiteral("Segnatura.xml"), xml}};
    EXPECT_TRUE(checkDigests(back, files, &error)) << error.toStdString();
    files[QStringLiteral("lettera.pdf")] = kLetter + ' ';
    files.remove(QStringLiteral("allegato 1.txt"));
    EXPECT_FALSE(checkDigests(back, files, &error));
    EXPECT_EQ(error, QStringLiteral("lettera.pdf: l'impronta non corrisponde al file ricevuto\n"
                                    "allegato 1.txt: file non ricevuto"));

    back.primary.digestAlgorithm = QStringLiteral("MD5");
    EXPECT_FALSE(checkDigests(back, {{QStringLiteral("lettera.pdf"), kLetter}, {QStringLiteral("allegato 1.txt"), kAnnex}},
                              &error));
    EXPECT_TRUE(error.contains(QStringLiteral("non supportato (MD5)"))) << error.toStdString();
}

TEST(Segnatura, AnotherAdministrationsSegnaturaIsReadAsTheSchemaAllows)
{
    // Default namespace, a person as sender, the classification as a path,
    // digests without the algorithm attribute, time zones on date and time.
    const QByteArray xml = R"(<?xml version="1.0" encoding="UTF-8"?>
<SegnaturaInformatica xmlns="http://www.agid.gov.it/protocollo/" xmlns:p="http://www.agid.gov.it/protocollo/"
    xmlns:ds="http://www.w3.org/2000/09/xmldsig#" p:versione="3.0.0" p:lang="it">
  <Intestazione>
    <Identificatore><CodiceAmministrazione>r_emiro</CodiceAmministrazione><CodiceAOO>AOO_R</CodiceAOO>
      <CodiceRegistro>PG</CodiceRegistro><NumeroRegistrazione>00012345</NumeroRegistrazione>
      <DataRegistrazione>2025-12-31+01:00</DataRegistrazione><OraRegistrazione>23:59:58Z</OraRegistrazione></Identificatore>
    <Oggetto>Trasmissione atti</Oggetto>
    <Classifica><Denominazione>Personale</Denominazione>
      <CodicePath><Livello>III</Livello><SubLivello><Livello>2</Livello></SubLivello></CodicePath></Classifica>
  </Intestazione>
  <Descrizione>
    <Mittente><PersonaFisica><Nome>Anna</Nome><Cognome>Bianchi</Cognome>
      <Contatti><IndirizzoTelematico p:tipo="url">https://x.example</IndirizzoTelematico>
        <IndirizzoTelematico>anna@example.it</IndirizzoTelematico></Contatti></PersonaFisica></Mittente>
    <Destinatario p:confermaRicezione="false"><Amministrazione><DenominazioneAmministrazione>ASL</DenominazioneAmministrazione>
      <CodiceIPAAmministrazione>ausl_xx</CodiceIPAAmministrazione><CodiceIPAAOO>AOO_PROT</CodiceIPAAOO></Amministrazione></Destinatario>
    <DocumentoPrimario p:nomeFile="atto.pdf" p:mimeType="application/pdf"><Impronta>)"
                            + sha256("atto").toBase64() + R"(</Impronta></DocumentoPrimario>
  </Descrizione>
  <ds:Signature><ds:SignedInfo><ds:CanonicalizationMethod Algorithm="http://www.w3.org/2001/10/xml-exc-c14n#"/>
    <ds:SignatureMethod Algorithm="http://www.w3.org/2001/04/xmldsig-more#rsa-sha256"/>
    <ds:Reference URI=""><ds:DigestMethod Algorithm="http://www.w3.org/2001/04/xmlenc#sha256"/>
      <ds:DigestValue>AAAA</ds:DigestValue></ds:Reference></ds:SignedInfo>
    <ds:SignatureValue>QUJD</ds:SignatureValue></ds:Signature>
</SegnaturaInformatica>)";
    ASSERT_EQ(xmllint(xml, "segnatura_protocollo.xsd"), QString());
    SegnaturaData d;
    QString error;
    ASSERT_TRUE(parseSegnatura(xml, &d, &error)) << error.toStdString();
    EXPECT_EQ(d.id, (RegistrationId{QStringLiteral("r_emiro"), QStringLiteral("AOO_R"), QStringLiteral("PG"),
                                     QStringLiteral("00012345"), QDate(2025, 12, 31), QTime(23, 59, 58)}));
    EXPECT_EQ(d.classificationCode, QStringLiteral("III.2"));
    EXPECT_EQ(d.sender.name, QStringLiteral("Bianchi Anna"));
    EXPECT_EQ(d.sender.email, QStringLiteral("anna@example.it"));
    EXPECT_EQ(d.primary.digestAlgorithm, QStringLiteral("SHA-256"));
    EXPECT_TRUE(checkDigests(d, {{QStringLiteral("atto.pdf"), QByteArray("atto")}}, &error)) << error.toStdString();
    EXPECT_TRUE(d.signatureValuePresent);
    EXPECT_FALSE(confirmationRequested(d, QStringLiteral("AUSL_XX"), QStringLiteral("aoo_prot")));
    EXPECT_FALSE(confirmationRequested(d, QStringLiteral("altro"), QStringLiteral("AOO_PROT")));

    const RegistrationFields f = registrationFields(d);
    EXPECT_EQ(f.subject, QStringLiteral("Trasmissione atti"));
    EXPECT_EQ(f.senderReference, QStringLiteral("00012345"));
    EXPECT_EQ(f.senderDate, QDate(2025, 12, 31));
    EXPECT_EQ(f.classification, QStringLiteral("III.2 - Personale"));
    EXPECT_EQ(f.senderAdministration, QStringLiteral("r_emiro"));
}

TEST(Segnatura, BuildRefusesWhatTheExchangeCannotUse)
{
    EXPECT_EQ(segnaturaNumber(QStringLiteral("2026-0000042")), QStringLiteral("0000042"));
    EXPECT_EQ(segnaturaNumber(QStringLiteral("20260000042")), QStringLiteral("0000042"));
    EXPECT_EQ(segnaturaNumber(QStringLiteral(" 42 ")), QStringLiteral("0000042"));
    EXPECT_EQ(segnaturaNumber(QStringLiteral("12345678")), QStringLiteral("12345678"));
    EXPECT_EQ(segnaturaNumber(QStringLiteral("4x2")), QString());
    EXPECT_TRUE(isSegnaturaFileName(QStringLiteral("allegati/SEGNATURA.XML")));
    EXPECT_FALSE(isSegnaturaFileName(QStringLiteral("Segnatura.xml.p7m")));

    SegnaturaData d = outgoing();
    d.id.number = QStringLiteral("0000042\n");
    d.recipients.clear();
    d.attachments.append({QStringLiteral("lettera.pdf"), QStringLiteral("application/pdf"), sha256("x"),
                          QStringLiteral("SHA-256"), {}});
    d.attachments.append({QStringLiteral("b.pdf"), QStringLiteral("application/pdf"), QByteArray(20, 'x'),
                          QStringLiteral("SHA-256"), {}});
    QString error;
    EXPECT_TRUE(buildSegnatura(d, &error).isEmpty());
    EXPECT_EQ(error, QStringLiteral("Protocollo: numero di protocollo non valido (almeno 7 cifre).\n"
                                    "Nessun destinatario.\n"
                                    "Due documenti con lo stesso nome del file: lettera.pdf\n"
                                    "Impronta SHA-256 mancante o non valida: b.pdf"));

    // Characters XML cannot carry are refused by the check of the bytes,
    // not written into a file another administration cannot read.
    d = outgoing();
    d.subject = QStringLiteral("Oggetto\x01 con controllo");
    EXPECT_TRUE(buildSegnatura(d, &error).isEmpty());
    EXPECT_TRUE(error.contains(QStringLiteral("non è ben formato"))) << error.toStdString();
}

TEST(Segnatura, SignerHookGetsThePlaceholderAndItsResultIsCheckedAgain)
{
    QString error;
    QByteArray seen;
    const SegnaturaSigner fill = [&seen](QByteArray *xml, QString *) {
        seen = *xml;
        xml->replace("<ds:SignatureValue/>", "<ds:SignatureValue>QUJD</ds:SignatureValue>");
        return true;
    };
    const QByteArray signedXml = buildSegnatura(outgoing(), &error, fill);
    ASSERT_FALSE(signedXml.isEmpty()) << error.toStdString();
    EXPECT_TRUE(seen.contains("<ds:SignatureValue/>"));
    SegnaturaData back;
    ASSERT_TRUE(parseSegnatura(signedXml, &back, &error)) << error.toStdString();
    EXPECT_TRUE(back.signatureValuePresent);

    const SegnaturaSigner breaks = [](QByteArray *xml, QString *) {
        xml->replace("ds:Signature", "ds:Firma");
        return true;
    };
    EXPECT_TRUE(buildSegnatura(outgoing(), &error, breaks).isEmpty());
    EXPECT_TRUE(error.contains(QStringLiteral("non è conforme allo schema segnatura_protocollo.xsd"))) << error.toStdString();

    const SegnaturaSigner fails = [](QByteArray *, QString *e) {
        *e = QStringLiteral("Carta non inserita");
        return false;
    };
    EXPECT_TRUE(buildSegnatura(outgoing(), &error, fails).isEmpty());
    EXPECT_EQ(error, QStringLiteral("Carta non inserita"));
}

TEST(Segnatura, BrokenSegnaturaIsRefusedReadablyAndAnsweredWithAValidNotice)
{
    QString error;
    const QByteArray good = buildSegnatura(outgoing(), &error);
    ASSERT_FALSE(good.isEmpty()) << error.toStdString();

    QTemporaryDir dir;
    QFile secret(dir.filePath(QStringLiteral("segreto.txt")));
    ASSERT_TRUE(secret.open(QIODevice::WriteOnly));
    secret.write("PAROLA-SEGRETA-123");
    secret.close();
    const QByteArray secretUrl = "file://" + secret.fileName().toUtf8();

    QByteArray missing = good;
    missing.replace(QByteArray("<prot:Oggetto>"), QByteArray("<prot:Soggetto>"));
    missing.replace(QByteArray("</prot:Oggetto>"), QByteArray("</prot:Soggetto>"));
    QByteArray wrongNs = good;
    wrongNs.replace("http://www.agid.gov.it/protocollo/", "http://www.agid.gov.it/protocollo/v2/");
    QByteArray xxe = good;
    xxe.replace("<prot:SegnaturaInformatica",
                "<!DOCTYPE prot:SegnaturaInformatica [<!ENTITY x SYSTEM \"" + secretUrl + "\">]>\n<prot:SegnaturaInformatica");
    xxe.replace("<prot:Oggetto>", "<prot:Oggetto>&x;");
    QByteArray paramEntity = good;
    paramEntity.replace("<prot:SegnaturaInformatica",
                        "<!DOCTYPE s [<!ENTITY % p SYSTEM \"" + secretUrl + "\"> %p;]>\n<prot:SegnaturaInformatica");
    const QByteArray deep = QByteArray("<a>").repeated(5000) + QByteArray("</a>").repeated(5000);
    const QByteArray huge = QByteArray("<a>").repeated(10 * 1024 * 1024 / 3) + "</a>";
    const QByteArray signatureOnly =
        R"(<ds:Signature xmlns:ds="http://www.w3.org/2000/09/xmldsig#"><ds:SignedInfo>
<ds:CanonicalizationMethod Algorithm="x"/><ds:SignatureMethod Algorithm="x"/><ds:Reference>
<ds:DigestMethod Algorithm="x"/><ds:DigestValue/></ds:Reference></ds:SignedInfo><ds:SignatureValue/></ds:Signature>)";

    const struct {
        const char *name;
        QByteArray xml;
        const char *expected;
        bool senderKnown;
    } cases[] = {
        {"missing element", missing, "prot:Soggetto", true},
        {"wrong namespace", wrongNs, "non è conforme allo schema", false},
        {"not XML", "Gentile ufficio, in allegato la nota.", "non è ben formato", false},
        {"empty", "  \n", "è vuoto", false},
        {"deep nesting", deep, "non è ben formato", false},
        {"10 MB", huge, "dimensione massima", false},
        {"external entity", xxe, "DOCTYPE", false},
        {"parameter entity", paramEntity, "DOCTYPE", false},
        {"signature alone", signatureOnly, "non è una segnatura di protocollo", false},
    };
    const RegistrationId ours{QStringLiteral("c_x123"), QStringLiteral("AOO1"), QStringLiteral("PG"),
                              QStringLiteral("0000007"), QDate(2026, 3, 10), {}};
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        SegnaturaData d;
        EXPECT_FALSE(parseSegnatura(c.xml, &d, &error));
        EXPECT_TRUE(error.contains(QString::fromUtf8(c.expected))) << error.toStdString();
        EXPECT_FALSE(error.contains(QStringLiteral("PAROLA-SEGRETA")));
        EXPECT_LT(error.size(), 3000);

        const QByteArray notice =
            notificaForRefusedSegnatura(c.xml, error, ours, QStringLiteral("E-mail \"Richiesta parere\" del 09/03/2026"), &error);
        ASSERT_FALSE(notice.isEmpty()) << error.toStdString();
        EXPECT_EQ(xmllint(notice, "pec_message.xsd"), QString());
        InteropMessage m;
        ASSERT_TRUE(parseInteropMessage(notice, &m, &error)) << error.toStdString();
        EXPECT_EQ(m.kind, InteropKind::NotificaEccezione);
        EXPECT_EQ(m.id, ours);
        EXPECT_FALSE(m.reason.isEmpty());
        if (c.senderKnown) {
            EXPECT_EQ(m.received.id, outgoing().id);
        } else {
            EXPECT_EQ(m.received.id, RegistrationId{});
            EXPECT_EQ(m.received.description, QStringLiteral("E-mail \"Richiesta parere\" del 09/03/2026"));
        }
    }
}

TEST(InteropMessages, ConfermaRicezioneAndNoticesValidateAndReadBack)
{
    const RegistrationId ours{QStringLiteral("c_x123"), QStringLiteral("AOO1"), QStringLiteral("PG"),
                              QStringLiteral("0000007"), QDate(2026, 3, 10), QTime(8, 0, 1)};
    const RegistrationId theirs = outgoing().id;
    QString error;
    const QByteArray conferma = buildConfermaRicezione(ours, theirs, &error);
    ASSERT_FALSE(conferma.isEmpty()) << error.toStdString();
    EXPECT_EQ(xmllint(conferma, "pec_message.xsd"), QString());
    InteropMessage m;
    ASSERT_TRUE(parseInteropMessage(conferma, &m, &error)) << error.toStdString();
    EXPECT_EQ(m, (InteropMessage{InteropKind::ConfermaRicezione, ours, {theirs, {}}, {}, {}}));

    EXPECT_TRUE(buildConfermaRicezione(RegistrationId{}, theirs, &error).isEmpty());
    EXPECT_TRUE(error.startsWith(QStringLiteral("Nostro protocollo: codice IPA dell'amministrazione mancante.")))
        << error.toStdString();

    // A reason taken from a parser message may hold anything.
    const QByteArray notice = buildNotificaEccezione(
        {}, {{}, QStringLiteral("Messaggio <senza> segnatura\x02")},
        QStringLiteral("Impronta errata: allegato.pdf\r\n\x1b[31m") + QString(10000, QLatin1Char('x')), &error);
    ASSERT_FALSE(notice.isEmpty()) << error.toStdString();
    EXPECT_EQ(xmllint(notice, "pec_message.xsd"), QString());
    ASSERT_TRUE(parseInteropMessage(notice, &m, &error)) << error.toStdString();
    EXPECT_EQ(m.kind, InteropKind::NotificaEccezione);
    EXPECT_EQ(m.id, RegistrationId{});
    EXPECT_EQ(m.received.description, QStringLiteral("Messaggio <senza> segnatura"));
    EXPECT_TRUE(m.reason.startsWith(QStringLiteral("Impronta errata: allegato.pdf\r\n[31m"))) << m.reason.toStdString();
    EXPECT_EQ(m.reason.size(), 4000);

    EXPECT_TRUE(buildNotificaEccezione(ours, {}, QStringLiteral("motivo"), &error).isEmpty());
    EXPECT_EQ(error, QStringLiteral("Manca la descrizione del messaggio ricevuto."));

    // A Segnatura validates against the message schema set too (it imports
    // it) but is no answer.
    EXPECT_FALSE(parseInteropMessage(buildSegnatura(outgoing(), &error), &m, &error));
    EXPECT_TRUE(error.contains(QStringLiteral("non è un messaggio di protocollo"))) << error.toStdString();

    const QByteArray cancelled = R"(<pec:AnnullamentoProtocollazione xmlns:pec="http://www.agid.gov.it/protocollo/pec/"
 xmlns:prot="http://www.agid.gov.it/protocollo/" pec:versione="3.0.0" pec:lang="it"><pec:Identificatore>
<prot:CodiceAmministrazione>ausl_xx</prot:CodiceAmministrazione><prot:CodiceAOO>AOO_PROT</prot:CodiceAOO>
<prot:CodiceRegistro>REG_GEN</prot:CodiceRegistro><prot:NumeroRegistrazione>0000042</prot:NumeroRegistrazione>
<prot:DataRegistrazione>2026-03-09</prot:DataRegistrazione></pec:Identificatore><pec:Motivo>Errore materiale</pec:Motivo>
<pec:Provvedimento>Determina 12/2026</pec:Provvedimento></pec:AnnullamentoProtocollazione>)";
    ASSERT_TRUE(parseInteropMessage(cancelled, &m, &error)) << error.toStdString();
    EXPECT_EQ(m.kind, InteropKind::AnnullamentoProtocollazione);
    EXPECT_EQ(m.id.number, QStringLiteral("0000042"));
    EXPECT_EQ(m.measure, QStringLiteral("Determina 12/2026"));
}
