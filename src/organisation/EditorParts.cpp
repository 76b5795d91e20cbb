#include "organisation/EditorParts.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "session/DicAmbiente.h"
#include "ui/FormKit.h"
#include "ui/RecordEditor.h"
#include "ui/WindowRegistry.h"

namespace nimbo::organisation {

QLineEdit *textField(QWidget *parent, const char *name, int maxLength, bool upperCase)
{
    auto *e = new QLineEdit(parent);
    e->setObjectName(QLatin1String(name));
    if (maxLength > 0)
        e->setMaxLength(maxLength);
    if (upperCase) {
        // The code fields' upper-case rule without their narrow width.
        ui::makeCodeField(e, maxLength, true);
        e->setMinimumWidth(0);
        e->setMaximumWidth(QWIDGETSIZE_MAX);
    }
    return e;
}

QLineEdit *codeField(QWidget *parent, const char *name, int maxLength, bool upperCase)
{
    auto *e = new QLineEdit(parent);
    e->setObjectName(QLatin1String(name));
    if (maxLength > 0)
        e->setMaxLength(maxLength);
    ui::makeCodeField(e, maxLength, upperCase);
    return e;
}

QComboBox *choiceField(QWidget *parent, const char *name, const QStringList &values)
{
    auto *c = new QComboBox(parent);
    c->setObjectName(QLatin1String(name));
    for (const QString &v : values)
        c->addItem(v, v);
    c->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    return c;
}

QPushButton *button(QWidget *parent, const char *name, const QString &caption)
{
    auto *b = new QPushButton(caption, parent);
    b->setObjectName(QLatin1String(name));
    return b;
}

Contacts addContacts(QVBoxLayout *into, QWidget *detail, int phoneLength, int mailLength)
{
    auto *group = new ui::FormGroup(QStringLiteral("Recapiti"), detail);
    const Contacts c{codeField(group, "TxtTelefono", phoneLength, false), codeField(group, "TxtFax", phoneLength, false),
                     textField(group, "TxtEmail", mailLength)};
    group->addRow(QStringLiteral("Telefono"), {c.phone, "Fax", c.fax});
    group->addRow(QStringLiteral("Posta elettronica"), {c.mail});
    into->addWidget(group);
    return c;
}

QString writer() { return DicAmbiente::session().op.code; }

void openCounters(QWidget *over, const QString &entity, const QString &department, const QString &heading)
{
    QWidget *w = WindowRegistry::create(QStringLiteral("FrmStart"));
    if (!w)
        return;
    w->setParent(over, Qt::Dialog);
    w->setAttribute(Qt::WA_DeleteOnClose);
    w->setProperty("entityCode", entity);
    w->setProperty("departmentCode", department);
    w->setProperty("tableName", department.isEmpty() ? QStringLiteral("TAB_STARTPROTOCOLLO")
                                                     : QStringLiteral("TAB_STARTDIPARTIMENTI"));
    w->setWindowTitle(heading);
    w->setWindowModality(Qt::ApplicationModal);
    w->show();
}

ui::RecordEditor *openEditorFor(const QString &window, const QList<QPair<QString, QString>> &context,
                                const QString &caption, const QString &heading)
{
    auto *e = qobject_cast<ui::RecordEditor *>(WindowRegistry::open(window));
    if (!e)
        return nullptr;
    // "No" to throwing typed data away keeps the window on its record.
    if (!e->changeContext(context))
        return e;
    e->setWindowTitle(caption);
    e->setHeading(heading);
    e->reloadList();
    return e;
}

} // namespace nimbo::organisation
