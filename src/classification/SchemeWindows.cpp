#include "classification/Classification.h"

#include "classification/CloseCaseWindow.h"
#include "classification/DossierEditor.h"
#include "classification/SchemeEditor.h"
#include "ui/WindowRegistry.h"

namespace nimbo::classification {

void registerSchemeWindows()
{
    WindowRegistry::add(QStringLiteral("FrmTitoli"), [] { return new SchemeEditor(SchemeLevel::Title); });
    WindowRegistry::add(QStringLiteral("FrmCategorie"), [] { return new SchemeEditor(SchemeLevel::Category); });
    WindowRegistry::add(QStringLiteral("frmClassi"), [] { return new SchemeEditor(SchemeLevel::Class); });
    WindowRegistry::add(QStringLiteral("frmFascicoli"), [] { return new DossierEditor; });
    WindowRegistry::add(QStringLiteral("frmArchPratica"), [] { return new CloseCaseWindow(CloseCaseWindow::Variant::List); });
    WindowRegistry::add(QStringLiteral("frmArchivia"), [] { return new CloseCaseWindow(CloseCaseWindow::Variant::One); });
}

} // namespace nimbo::classification
