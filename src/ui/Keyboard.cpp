#include "ui/Keyboard.h"

#include <QAction>
#include <QFile>
#include <QMenu>
#include <QMenuBar>
#include <QShortcut>
#include <QToolBar>

namespace nimbo::ui {

const char *const kCaptionProperty = "nimboCaption";

namespace {

struct KeyRow {
    const char *key;
    const char *shortcuts; // portable text, ";" between alternatives
    const char *icon;      // freedesktop name; the program ships one of each
};

// Row order settles a key two shown buttons share: a window that can
// drop its typing takes Esc for ANNULLA, and ESCI gets it back once only
// ESCI is left.
const KeyRow kKeys[] = {
    {"ANNULLA", "Esc", "edit-undo"},
    {"ESCI", "Esc;Ctrl+Shift+Q", "application-exit"},
    {"NUOVO", "F2", "document-new"},
    {"CERCA", "F3;Ctrl+F", "edit-find"},
    {"AGGIORNA", "F5", "view-refresh"},
    {"FILTRA", "F7", "view-filter"},
    {"CANCELLA", "F8", "edit-delete"},
    {"REGISTRA", "F9;Ctrl+S", "document-save"},
    {"STAMPA", "Ctrl+P", "document-print"},
    {"ETICHETTA", "Ctrl+E", "label"},
    {"AVVIA RICERCA", "Ctrl+Return;Ctrl+Enter", "system-search"},
    {"PRIMO", "Alt+Home", "go-first"},
    {"PRECEDENTE", "Alt+Left", "go-previous"},
    {"SUCCESSIVO", "Alt+Right", "go-next"},
    {"ULTIMO", "Alt+End", "go-last"},
    {"ORDINAC", "Ctrl+Shift+C", "view-sort-ascending"},
    {"ORDINAD", "Ctrl+Shift+D", "view-sort-descending"},
    {"SELEZIONA TUTTI", "Ctrl+Shift+A", "edit-select-all"},
    {"DESELEZIONA TUTTI", "Ctrl+Shift+N", "edit-clear"},
    {"ATTIVA", "Ctrl+Shift+T", "list-add"},
    {"DISATTIVA", "Ctrl+Shift+I", "list-remove"},
    {"APERTURA", "Ctrl+Shift+O", "document-open"},
    {"CHIUSURA", "Ctrl+Shift+H", "window-close"},
    {"STORICO SCADENZE", "Ctrl+Shift+S", "x-office-calendar"},
};

const KeyRow *rowOf(const QString &key)
{
    for (const KeyRow &r : kKeys)
        if (key == QLatin1String(r.key))
            return &r;
    return nullptr;
}

bool isMnemonicLetter(QChar c) { return c.isLetterOrNumber(); }

// The caption's own mnemonic, if it has one ("&?"): the character after a
// single "&". An "&" before a space is a plain "and", not a mnemonic.
int ownMnemonicAt(const QString &caption)
{
    for (int i = 0; i + 1 < caption.size(); ++i) {
        if (caption[i] != QLatin1Char('&'))
            continue;
        if (caption[i + 1] == QLatin1Char('&')) {
            ++i;
            continue;
        }
        if (!caption[i + 1].isSpace())
            return i + 1;
    }
    return -1;
}

void assignAmong(const QList<QAction *> &actions)
{
    QString taken;
    // Captions that bring their own mnemonic keep it: their letters go first.
    for (QAction *a : actions) {
        if (a->isSeparator())
            continue;
        const QString caption = a->property(kCaptionProperty).isValid() ? a->property(kCaptionProperty).toString()
                                                                         : a->text();
        const int own = ownMnemonicAt(caption);
        if (own >= 0)
            taken += caption[own].toLower();
    }
    for (QAction *a : actions) {
        if (a->isSeparator())
            continue;
        if (!a->property(kCaptionProperty).isValid())
            a->setProperty(kCaptionProperty, a->text());
        const QString caption = a->property(kCaptionProperty).toString();
        if (ownMnemonicAt(caption) < 0)
            a->setText(withMnemonic(caption, &taken));
        if (QMenu *m = a->menu())
            assignAmong(m->actions());
    }
}

} // namespace

QString withMnemonic(const QString &caption, QString *taken)
{
    if (ownMnemonicAt(caption) >= 0)
        return caption;
    // A literal "&" must not turn the next letter into a mnemonic.
    QString escaped;
    QList<int> at; // position in `escaped` of each character of the caption
    for (const QChar c : caption) {
        at << int(escaped.size());
        escaped += c;
        if (c == QLatin1Char('&'))
            escaped += QLatin1Char('&');
    }
    const auto free = [taken](QChar c) { return isMnemonicLetter(c) && !taken->contains(c.toLower()); };
    int pick = -1;
    for (int i = 0; i < caption.size() && pick < 0; ++i) {
        const bool startsWord = i == 0 || !caption[i - 1].isLetterOrNumber();
        if (startsWord && free(caption[i]))
            pick = i;
    }
    for (int i = 0; i < caption.size() && pick < 0; ++i)
        if (free(caption[i]))
            pick = i;
    if (pick < 0)
        return escaped;
    *taken += caption[pick].toLower();
    return escaped.insert(at[pick], QLatin1Char('&'));
}

QChar mnemonicOf(const QString &text)
{
    const int at = ownMnemonicAt(text);
    return at < 0 ? QChar() : text[at].toLower();
}

void assignMnemonics(QMenuBar *bar)
{
    if (bar)
        assignAmong(bar->actions());
}

QString plainCaption(const QAction *action)
{
    const QVariant kept = action->property(kCaptionProperty);
    if (kept.isValid())
        return kept.toString();
    return action->text();
}

QList<QKeySequence> shortcutsOf(const QString &toolbarKey)
{
    QList<QKeySequence> out;
    if (const KeyRow *r = rowOf(toolbarKey))
        for (const QString &k : QString::fromLatin1(r->shortcuts).split(QLatin1Char(';'), Qt::SkipEmptyParts))
            out << QKeySequence::fromString(k, QKeySequence::PortableText);
    return out;
}

QStringList keysWithShortcuts()
{
    QStringList out;
    for (const KeyRow &r : kKeys)
        out << QString::fromLatin1(r.key);
    return out;
}

QIcon iconOf(const QString &toolbarKey)
{
    const KeyRow *r = rowOf(toolbarKey);
    if (!r)
        return {};
    const QString name = QString::fromLatin1(r->icon);
    const QString own = QStringLiteral(":/nimbo/icons/") + name + QStringLiteral(".png");
    const QIcon fallback = QFile::exists(own) ? QIcon(own) : QIcon();
    return QIcon::fromTheme(name, fallback);
}

QString tipOf(const QString &toolbarKey)
{
    QStringList keys;
    for (const QKeySequence &k : shortcutsOf(toolbarKey))
        keys << k.toString(QKeySequence::NativeText);
    return keys.isEmpty() ? toolbarKey : toolbarKey + QStringLiteral(" (") + keys.join(QStringLiteral(", ")) + QLatin1Char(')');
}

void dressToolbar(QToolBar *bar)
{
    bar->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    // Icons the height of the text: the bar stays as tall as it was, and
    // every window keeps the room it was laid out for.
    const int side = qMax(16, bar->fontMetrics().height());
    bar->setIconSize(QSize(side, side));
    for (QAction *a : bar->actions()) {
        const QString key = a->objectName();
        a->setIcon(iconOf(key));
        a->setToolTip(tipOf(key));
    }
}

void applyShortcuts(QToolBar *bar)
{
    QList<QKeySequence> given;
    const auto actions = bar->actions();
    // First clear, so that no two buttons hold one key even for a moment.
    for (QAction *a : actions)
        a->setShortcuts({});
    for (const QString &key : keysWithShortcuts()) {
        QAction *button = nullptr;
        for (QAction *a : actions)
            if (a->objectName() == key && a->isVisible())
                button = a;
        if (!button)
            continue;
        QList<QKeySequence> mine;
        for (const QKeySequence &k : shortcutsOf(key))
            if (!given.contains(k))
                mine << k;
        given << mine;
        button->setShortcuts(mine);
    }
}

void bindMenuKey(QWidget *window, QMenuBar *bar)
{
    auto *f10 = new QShortcut(QKeySequence(Qt::Key_F10), window);
    f10->setObjectName(QStringLiteral("menuKey"));
    QObject::connect(f10, &QShortcut::activated, bar, [bar] {
        for (QAction *a : bar->actions())
            if (a->isVisible() && a->isEnabled() && !a->isSeparator()) {
                bar->setFocus(Qt::ShortcutFocusReason);
                bar->setActiveAction(a);
                return;
            }
    });
}

} // namespace nimbo::ui
