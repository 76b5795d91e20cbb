#include "startup/CreaTabMenu.h"
#include "startup/FrmAbout.h"

#include "startup/FrmStart.h"

#include <QAction>
#include <QFile>
#include <QLabel>
#include <QMenu>
#include <QMdiSubWindow>
#include <QMenuBar>
#include <QTextStream>
#include <QVBoxLayout>

#include "data/Funzioni_Com_1.h"
#include "session/DicAmbiente.h"
#include "session/GECentr.h"
#include "ui/Keyboard.h"
#include "ui/WindowRegistry.h"

namespace F = Funzioni_Com_1;

namespace {

void collect(const QList<QAction *> &actions, int level, QVector<CreaTabMenu::Entry> *out)
{
    for (QAction *a : actions) {
        if (a->isSeparator() || a->objectName().isEmpty())
            continue;
        out->append({level, a->objectName(), nimbo::ui::plainCaption(a), {}, a->property("Tag").toString()});
        if (QMenu *m = a->menu())
            collect(m->actions(), level + 1, out);
    }
}

} // namespace

CreaTabMenu::CreaTabMenu(QMenuBar *menus, QWidget *parent) : nimbo::ChildWindow(parent)
{
    setObjectName(QStringLiteral("CreaTabMenu"));
    setWindowTitle(QStringLiteral("Crea Elenco funzioni"));
    setToolbarKeys(QStringLiteral("ESCI;REGISTRA"));
    entries_ = menus ? walk(menus) : FunctionTable::menuTree();
    auto *layout = new QVBoxLayout(this);
    auto *label = new QLabel(QString::number(entries_.size()) + QStringLiteral(" voci di menu"), this);
    label->setObjectName(QStringLiteral("lblVoci"));
    layout->addWidget(label);

    QFile list(listPath());
    if (list.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Text)) {
        QTextStream out(&list);
        for (const Entry &e : entries_)
            out << e.level << '\t' << e.name << '\t' << e.caption << '\n';
    } else {
        GECentr::writeLog(QStringLiteral("Errore-Scrittura ") + listPath(), QStringLiteral("Form_Load"),
                          QStringLiteral("CreaTabMenu"));
    }
}

QString CreaTabMenu::listPath() const { return DicAmbiente::session().programFolder + QStringLiteral("/Menu.txt"); }

QVector<CreaTabMenu::Entry> CreaTabMenu::walk(QMenuBar *menus)
{
    QVector<Entry> out;
    if (menus)
        collect(menus->actions(), 0, &out);
    return out;
}

QHash<QString, QString> CreaTabMenu::assignCodes(const QVector<Entry> &entries, const QHash<QString, QString> &existing)
{
    // Items walked from a bar carry no code of their own: the tree's code
    // of the same item is the one a new table gives it.
    QVector<Entry> withCodes = entries;
    QHash<QString, QString> treeCodes;
    for (const Entry &e : FunctionTable::menuTree())
        treeCodes.insert(e.name, e.code);
    for (Entry &e : withCodes)
        if (e.code.isEmpty())
            e.code = treeCodes.value(e.name);
    return FunctionTable::assignCodes(withCodes, existing);
}

bool CreaTabMenu::registerFunctions()
{
    QHash<QString, QString> existing;
    const F::LoadedRows rows = F::loadRows(QStringLiteral("PROTOCOLLO"), QStringLiteral("Select tf_nome,tf_codice FROM Tab_Funzioni"));
    if (!rows.ok && !rows.noRows()) {
        GECentr::logProgramError(QStringLiteral("Errore-") + QStringLiteral("Lettura Funzioni"),
                                 QStringLiteral("REGISTRA"), QStringLiteral("CreaTabMenu"));
        return false;
    }
    for (int r = 0; r < rows.rowCount(); ++r)
        existing.insert(rows.value(0, r).toString().trimmed(), rows.value(1, r).toString().trimmed());
    const QHash<QString, QString> codes = assignCodes(entries_, existing);

    // Deleting and adding go as one unit, so a failed rebuild leaves the old
    // table in place instead of an empty one.
    QVector<F::Statement> batch;
    batch.append({QStringLiteral("C"), QStringLiteral("Tab_Funzioni"), {}, QStringLiteral("Tf_Nome LIKE '%'")});
    for (const Entry &e : entries_)
        batch.append({QStringLiteral("A"),
                      QStringLiteral("Tab_Funzioni"),
                      {{QStringLiteral("Tf_Nome"), e.name},
                       {QStringLiteral("Tf_Caption"), e.caption},
                       {QStringLiteral("Tf_Codice"), codes.value(e.name)}},
                      {}});
    if (!F::Update_Tabella(batch, QStringLiteral("PROTOCOLLO"), F::kModeServer)) {
        GECentr::logProgramError(QStringLiteral("Errore-") + QStringLiteral("Registrazione Funzioni"),
                                 QStringLiteral("REGISTRA"), QStringLiteral("CreaTabMenu"));
        return false;
    }
    return true;
}

void CreaTabMenu::ELABORATBAR(const QString &key)
{
    if (key == QLatin1String("REGISTRA"))
        registerFunctions();
    else if (key == QLatin1String("ESCI")) {
        // Inside the main window the frame goes with it.
        if (auto *sub = qobject_cast<QMdiSubWindow *>(parentWidget()))
            sub->close();
        else
            close();
    }
}

namespace nimbo::startup {

void registerStartupWindows()
{
    nimbo::WindowRegistry::add(QStringLiteral("CreaTabMenu"), [] { return new CreaTabMenu; });
    // Opened by the entity and department windows, which set its properties.
    nimbo::WindowRegistry::add(QStringLiteral("FrmStart"), [] { return new FrmStart; });
    registerAboutWindow();
}

} // namespace nimbo::startup
