#pragma once
// nimbo-admin daily-register: the daily register of one day, for one body or
// for every body of the register.

#include <QTextStream>

#include "admin/AdminOptions.h"

namespace Admin {

int dailyRegister(const Options &o, QTextStream &out, QString *error);
QString dailyRegisterUsage();
// True when the command needs the painting part of Qt (fonts for the PDF).
bool needsGui(const QStringList &args);

} // namespace Admin
