#pragma once
// Grid and list loaders: rows of a query through the generic data server
// into a QTableWidget or a QTreeWidget, in one pass with updates off.

#include <QString>

#include "data/ServerRegistry.h"

class QTableWidget;
class QTreeWidget;

// Column titles and widths are each one text split at ";" ("CODICE;
// DESCRIZIONE" with "8;100"); a width counts average characters. True when
// the control was filled (an empty result leaves it with its titles only).
bool CaricaGrigliaDaQuery(const QString &database, const QString &sql, QTableWidget *grid, const QString &titles,
                          const QString &widths, const QString &progId, nimbo::ServerHolder &holder);
bool CaricaGrigliaDaQuery(const QString &database, const QString &sql, QTableWidget *grid, const QString &titles,
                          const QString &widths);

bool CaricaLWDaQuery(const QString &database, const QString &sql, QTreeWidget *list, const QString &titles,
                     const QString &widths, const QString &progId, nimbo::ServerHolder &holder);
bool CaricaLWDaQuery(const QString &database, const QString &sql, QTreeWidget *list, const QString &titles,
                     const QString &widths);
