#include "search/ProtocolDetail.h"

#include <QLabel>
#include <QVBoxLayout>

#include "data/Funzioni_Com_1.h"

namespace F = Funzioni_Com_1;

namespace nimbo::search {

namespace {
QString q(const QString &text) { return QLatin1Char('\'') + F::quote(text) + QLatin1Char('\''); }
} // namespace

// A first cut: the number of the protocol found. The full detail replaces it.
ProtocolDetail::ProtocolDetail(const QString &documentsRefused, const QString &callerTag, QWidget *parent)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("FraDettaglio"));
    setProperty("documentsRefused", documentsRefused);
    setProperty("callerTag", callerTag);
    auto *v = new QVBoxLayout(this);
    auto *number = new QLabel(this);
    number->setObjectName(QStringLiteral("LblNumero"));
    v->addWidget(number);
    v->addStretch(1);
}

bool ProtocolDetail::load(const QString &direction, const QString &number, const protocol::Viewer &viewer)
{
    bool failed = false;
    const auto row = F::loadRow(QStringLiteral("PROTOCOLLO"),
                                QStringLiteral("SELECT Tab_NumeroProtocollo FROM Tab_Protocollo WHERE Tab_Ente = ")
                                    + q(viewer.ente) + QStringLiteral(" AND Tab_TipoProtocollo = ") + q(direction)
                                    + QStringLiteral(" AND Tab_NumeroProtocollo = ") + q(number),
                                &failed);
    if (!row)
        return false;
    setProperty("direction", direction);
    setProperty("number", number);
    findChild<QLabel *>(QStringLiteral("LblNumero"))->setText(number);
    return true;
}

QString ProtocolDetail::direction() const { return property("direction").toString(); }
QString ProtocolDetail::number() const { return property("number").toString(); }

} // namespace nimbo::search
