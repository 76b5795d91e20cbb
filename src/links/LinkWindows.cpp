#include "links/Links.h"

#include <QPushButton>
#include <QVBoxLayout>

#include "links/FrmCollega.h"
#include "links/FrmProtPreced.h"
#include "protocol/ProtocolLinksPanel.h"
#include "ui/ChildWindow.h"
#include "ui/WindowRegistry.h"

namespace nimbo::links {

namespace {

// The protocols linked to a given one, for consultation: the registration
// window's panel without the buttons that change links.
class FrmDetCollegati : public ChildWindow {
    Q_OBJECT
public:
    explicit FrmDetCollegati(QWidget *parent = nullptr) : ChildWindow(parent)
    {
        setObjectName(QStringLiteral("FrmDetCollegati"));
        setWindowTitle(QStringLiteral("Protocolli Collegati"));
        auto *v = new QVBoxLayout(this);
        v->setContentsMargins(6, 4, 6, 2);
        panel_ = new protocol::LinkedPanel(false, this);
        panel_->exitButton()->setText(QStringLiteral("Esci"));
        v->addWidget(panel_);
        connect(panel_->exitButton(), &QPushButton::clicked, this, &ChildWindow::closeWindow);
        setToolbarKeys(QStringLiteral("ESCI"));
    }
    Q_INVOKABLE void setProtocol(const QString &direction, const QString &number)
    {
        panel_->setProtocol(direction, number);
    }
    void ELABORATBAR(const QString &key) override
    {
        if (key == QLatin1String("ESCI"))
            closeWindow();
    }

private:
    protocol::LinkedPanel *panel_ = nullptr;
};

} // namespace

void registerLinkWindows()
{
    WindowRegistry::add(QStringLiteral("FrmCollega"), [] { return new FrmCollega; });
    WindowRegistry::add(QStringLiteral("FrmDetCollegati"), [] { return new FrmDetCollegati; });
    WindowRegistry::add(QStringLiteral("FrmProtPreced"), [] { return new FrmProtPreced; });
}

} // namespace nimbo::links

#include "LinkWindows.moc"
