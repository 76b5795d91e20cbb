#pragma once
// nimbo-admin's mail commands: the body's mailbox settings, reading the
// mailbox (for a timer) and sending again what the mail server kept.

#include <QTextStream>

#include "admin/AdminOptions.h"

namespace Admin {

int setMailbox(const Options &o, QTextStream &out, QString *error);
int fetchMail(const Options &o, QTextStream &out, QString *error);
int sendMail(const Options &o, QTextStream &out, QString *error);

QString mailUsage();

} // namespace Admin
