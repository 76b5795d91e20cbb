#pragma once
// The e-mail windows, registered by name: "FrmProtEmail" (the provisional
// e-mails to register), "frmProtEmailCanc" (the reason of a discard),
// "FrmVisEmail" (a message and its attachments), "FrmEmail" (the
// registration notice, opened by the registration window), "FrmEmailGen"
// (a general e-mail) and "FrmCambiaEmail" (the operator's mail settings).

namespace nimbo::email {

void registerEmailWindows();

} // namespace nimbo::email
