#pragma once
// Writing a dossier through the protocol server (operation 303), shared by
// the dossiers of a class and the quick creation from the chooser.

#include <QString>
#include <QVariantList>

#include "emergency/ServerCall.h"

namespace nimbo::classification {

emergency::CallOutcome writeDossier(const QVariantList &request);

// Says why the write failed: a refusal as the server wrote it, a server that
// cannot be made, an error of the call with its number, any other reply with
// the server's text. Logged under `where`.
void reportDossierFailure(const emergency::CallOutcome &out, const QString &caption, const QString &where);

} // namespace nimbo::classification
