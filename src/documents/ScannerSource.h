#pragma once
// "Elenco Scanner Attivi": the scanners that answer now, and the one the
// scanning window starts from.

#include "ui/ChildWindow.h"

class QListWidget;
class QLabel;
class QPushButton;

namespace nimbo::documents {

class ScannerSource : public ChildWindow {
    Q_OBJECT
public:
    explicit ScannerSource(QWidget *parent = nullptr);
    void ELABORATBAR(const QString &key) override;
    void refresh();

private:
    QListWidget *list_;
    QLabel *lblScelto_;
    QPushButton *cmdAggiorna_, *cmdSeleziona_, *cmdEsci_;
};

// The scanner chosen in the list for this session; empty: the first one.
QString preferredScanner();

} // namespace nimbo::documents
