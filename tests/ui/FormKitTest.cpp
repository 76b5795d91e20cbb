// The window kit on its own: date boxes, code fields and their lookups,
// read-only looks, descriptions that do not widen a window, the unsaved-data
// question, the shown protocol number and Qt's Italian texts.

#include <QAction>
#include <QCalendarWidget>
#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QVBoxLayout>
#include <gtest/gtest.h>

#include "support/ScriptedDialogs.h"
#include "ui/ChildWindow.h"
#include "ui/CodeLookup.h"
#include "ui/DateField.h"
#include "ui/Desktop.h"
#include "ui/DirtyTracker.h"
#include "ui/FormKit.h"
#include "ui/ProtocolNumber.h"

using namespace nimbo;
using namespace nimbo::ui;

namespace {

QString typed(QLineEdit *e, const QString &keys)
{
    e->clear();
    QTest::keyClicks(e, keys);
    return e->text();
}

} // namespace

TEST(FormKit, DateFieldTakesOnlyRealDatesAndOffersACalendar)
{
    DateField d;
    // Slashes come by themselves; a day that the month does not have is refused.
    EXPECT_EQ(typed(&d, QStringLiteral("15032026")), QStringLiteral("15/03/2026"));
    EXPECT_EQ(d.date(), QDate(2026, 3, 15));
    EXPECT_EQ(typed(&d, QStringLiteral("31022026")), QStringLiteral("31/0")) << "no 31 February, nor any month after it";
    EXPECT_EQ(typed(&d, QStringLiteral("30/4")), QStringLiteral("30/4"));
    EXPECT_EQ(typed(&d, QStringLiteral("31/04")), QStringLiteral("31/0"));
    EXPECT_EQ(typed(&d, QStringLiteral("29/02/2027")), QStringLiteral("29/02/202")) << "2027 is not a leap year";
    EXPECT_EQ(typed(&d, QStringLiteral("29/02/2028")), QStringLiteral("29/02/2028"));
    EXPECT_EQ(typed(&d, QStringLiteral("32")), QStringLiteral("3"));
    EXPECT_EQ(typed(&d, QStringLiteral("12/13")), QStringLiteral("12/1"));
    EXPECT_EQ(typed(&d, QStringLiteral("1a")), QStringLiteral("1"));
    // A short form is completed when the field is left with Enter.
    typed(&d, QStringLiteral("1/3/2026"));
    QSignalSpy done(&d, &QLineEdit::editingFinished);
    QTest::keyClick(&d, Qt::Key_Return);
    EXPECT_EQ(d.text(), QStringLiteral("01/03/2026"));
    EXPECT_EQ(done.count(), 1);
    // An unfinished date is not a date.
    typed(&d, QStringLiteral("12/03"));
    EXPECT_FALSE(d.date().isValid());

    // The calendar pops up and a click writes the date as if typed.
    QAction *button = d.findChild<QAction *>(QStringLiteral("calendario"));
    ASSERT_NE(button, nullptr);
    EXPECT_TRUE(button->isVisible());
    QSignalSpy edited(&d, &QLineEdit::textEdited);
    button->trigger();
    QCalendarWidget *cal = d.calendar();
    ASSERT_NE(cal, nullptr);
    EXPECT_TRUE(cal->isVisible());
    emit cal->clicked(QDate(2026, 12, 24));
    EXPECT_EQ(d.text(), QStringLiteral("24/12/2026"));
    EXPECT_EQ(edited.count(), 1);
    EXPECT_FALSE(cal->isVisible());
    // A read-only date has no calendar.
    setReadOnly(&d, true);
    EXPECT_FALSE(button->isVisible());
    button->trigger();
    EXPECT_FALSE(cal->isVisible());
}

TEST(FormKit, ReadOnlyFieldsLookReadOnlyAndCodesAreUpperCase)
{
    QWidget w;
    auto *a = new QLineEdit(&w), *b = new QLineEdit(&w);
    setReadOnly(a, true);
    EXPECT_TRUE(looksReadOnly(a));
    EXPECT_FALSE(looksReadOnly(b));
    EXPECT_NE(a->palette().color(QPalette::Base), b->palette().color(QPalette::Base));
    EXPECT_EQ(a->focusPolicy(), Qt::ClickFocus) << "Tab skips what cannot be typed";
    setReadOnly(a, false);
    EXPECT_FALSE(looksReadOnly(a));
    EXPECT_EQ(a->palette().color(QPalette::Base), b->palette().color(QPalette::Base));

    makeCodeField(b, 7, true);
    EXPECT_EQ(typed(b, QStringLiteral("let")), QStringLiteral("LET"));
    EXPECT_LE(b->width(), fieldWidth(b, 7));
    EXPECT_LT(fieldWidth(b, 7), fieldWidth(b, 30));
}

TEST(FormKit, DescriptionsShortenInsteadOfWideningTheWindow)
{
    QWidget w;
    auto *layout = new QVBoxLayout(&w);
    auto *plain = new QLabel(&w);
    auto *desc = new DescriptionLabel(&w);
    layout->addWidget(desc);
    const QString longText = QString(QStringLiteral("AZIENDA OSPEDALIERA REGIONALE - ")).repeated(8);
    desc->setText(longText);
    plain->setText(longText);
    EXPECT_LT(desc->minimumSizeHint().width(), plain->minimumSizeHint().width() / 5);
    EXPECT_LT(w.minimumSizeHint().width(), 400);
    desc->resize(300, 24);
    EXPECT_EQ(desc->text(), longText) << "the window's rules read the whole text";
    EXPECT_TRUE(desc->elided());
    desc->setText(QStringLiteral("LETTERA"));
    EXPECT_FALSE(desc->elided());
}

TEST(FormKit, FormGroupGivesEveryFieldItsCaption)
{
    auto *g = new FormGroup(QStringLiteral("Documento"));
    std::unique_ptr<FormGroup> owner(g);
    auto *subject = new QLineEdit(g), *date = new QLineEdit(g), *time = new QLineEdit(g), *code = new QLineEdit(g);
    auto *desc = new DescriptionLabel(g);
    g->addRow(QStringLiteral("Oggetto"), {Cell(subject, 1)});
    g->addRow(QStringLiteral("Data"), {date, QStringLiteral("Ora"), time});
    g->addCodeRow(QStringLiteral("Tipo Documento"), code, desc);
    QStringList captions;
    for (QLabel *l : g->findChildren<QLabel *>())
        if (l->buddy())
            captions << l->text() + QLatin1Char('>') + QString::number(l->buddy() == subject ? 1
                                                                      : l->buddy() == date ? 2
                                                                      : l->buddy() == time ? 3
                                                                      : l->buddy() == code ? 4
                                                                                           : 0);
    captions.sort();
    EXPECT_EQ(captions, (QStringList{QStringLiteral("Data>2"), QStringLiteral("Oggetto>1"), QStringLiteral("Ora>3"),
                                     QStringLiteral("Tipo Documento>4")}));
}

TEST(FormKit, CodeLookupClearsOnEditRefreshesOnLeaveAndPicksFromTheList)
{
    test::ScriptedDialogs boxes;
    QWidget w;
    w.resize(600, 400);
    auto *code = new QLineEdit(&w);
    auto *desc = new DescriptionLabel(&w);
    auto *list = new PickList(&w);
    QStringList asked;
    const QVector<Match> table{{QStringLiteral("LET"), QStringLiteral("LETTERA"), {}},
                               {QStringLiteral("LEG"), QStringLiteral("LEGGE REGIONALE"), {}},
                               {QStringLiteral("ZZA"), QStringLiteral("ATTO AMMINISTRATIVO"), {}}};
    CodeLookup lookup(code, desc, list, [&](const QString &t, bool byDescription) {
        asked << (byDescription ? QStringLiteral("d:") : QStringLiteral("c:")) + t;
        QVector<Match> out;
        for (const Match &m : table)
            if (byDescription ? m.description.startsWith(t, Qt::CaseInsensitive) : m.code.compare(t, Qt::CaseInsensitive) == 0)
                out.append(m);
        return out;
    });
    w.show();

    // Several descriptions: the list opens; Enter on a row takes it.
    QTest::keyClicks(code, QStringLiteral("le"));
    QTest::keyClick(code, Qt::Key_Return);
    ASSERT_TRUE(list->isVisible());
    EXPECT_EQ(list->count(), 2);
    EXPECT_EQ(list->item(1)->text(), QStringLiteral("LEG - LEGGE REGIONALE"));
    EXPECT_TRUE(desc->text().isEmpty());
    emit list->itemActivated(list->item(1));
    EXPECT_FALSE(list->isVisible());
    EXPECT_EQ(code->text(), QStringLiteral("LEG"));
    EXPECT_EQ(desc->text(), QStringLiteral("LEGGE REGIONALE"));

    // Editing the code drops the description at once; leaving finds the new one.
    QTest::keyClick(code, Qt::Key_Backspace);
    EXPECT_TRUE(desc->text().isEmpty());
    QTest::keyClicks(code, QStringLiteral("T"));
    asked.clear();
    emit code->editingFinished();
    EXPECT_EQ(asked, QStringList{QStringLiteral("c:LET")});
    EXPECT_EQ(desc->text(), QStringLiteral("LETTERA"));
    // Leaving again with nothing changed asks nothing.
    emit code->editingFinished();
    EXPECT_EQ(asked.size(), 1);
    // A code that begins with a letter and matches no description is a code.
    code->clear();
    asked.clear();
    QTest::keyClicks(code, QStringLiteral("zza"));
    QTest::keyClick(code, Qt::Key_Return);
    EXPECT_EQ(asked, (QStringList{QStringLiteral("d:zza"), QStringLiteral("c:zza")}));
    EXPECT_EQ(code->text(), QStringLiteral("ZZA"));
    EXPECT_EQ(desc->text(), QStringLiteral("ATTO AMMINISTRATIVO"));
    // An unknown code leaves no stale description.
    code->clear();
    QTest::keyClicks(code, QStringLiteral("999"));
    emit code->editingFinished();
    EXPECT_TRUE(desc->text().isEmpty());
}

TEST(FormKit, UnsavedTypingIsAskedAboutBeforeTheWindowCloses)
{
    test::ScriptedDialogs boxes;
    ChildWindow w;
    w.setWindowTitle(QStringLiteral("Finestra"));
    auto *field = new QLineEdit(&w);
    w.dirty()->watch(&w);
    w.show();
    // Text set by the program is not the operator's typing.
    field->setText(QStringLiteral("caricato"));
    EXPECT_FALSE(w.dirty()->isDirty());
    EXPECT_TRUE(w.closeWindow());
    EXPECT_TRUE(boxes.shown.isEmpty());

    w.show();
    QTest::keyClicks(field, QStringLiteral("x"));
    EXPECT_TRUE(w.dirty()->isDirty());
    boxes.answers = {Answer::No};
    EXPECT_FALSE(w.closeWindow());
    EXPECT_TRUE(w.isVisible());
    ASSERT_EQ(boxes.shown.size(), 1);
    EXPECT_EQ(boxes.shown.first().text, DirtyTracker::kQuestion);
    EXPECT_EQ(boxes.shown.first().title, QStringLiteral("Finestra"));
    EXPECT_EQ(boxes.shown.first().buttons, Buttons::YesNo);
    boxes.answers = {Answer::Yes};
    EXPECT_TRUE(w.closeWindow());
    EXPECT_FALSE(w.isVisible());
}

TEST(FormKit, OneShownFormOfTheProtocolNumber)
{
    EXPECT_EQ(shownNumber(QStringLiteral("20260000001")), QStringLiteral("2026-0000001"));
    EXPECT_EQ(shownNumber(QStringLiteral("2026-0000001")), QStringLiteral("2026-0000001"));
    EXPECT_EQ(storedNumber(QStringLiteral(" 2026-0000001 ")), QStringLiteral("20260000001"));
    EXPECT_TRUE(shownNumber(QString()).isEmpty());
}

TEST(FormKit, QtOwnButtonsSpeakItalian)
{
    ASSERT_TRUE(installItalian()) << "qtbase_it.qm not found in " << qtTranslationsPath().toStdString();
    QDialogButtonBox box(QDialogButtonBox::Cancel | QDialogButtonBox::Yes | QDialogButtonBox::No);
    EXPECT_EQ(box.button(QDialogButtonBox::Cancel)->text(), QStringLiteral("Annulla"));
    EXPECT_NE(box.button(QDialogButtonBox::Yes)->text().remove(QLatin1Char('&')), QStringLiteral("Yes"));
    EXPECT_EQ(QLocale().language(), QLocale::Italian);
}
