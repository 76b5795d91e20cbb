// Every record editor of the program against the schema definition: a
// field whose length differs from its column's cuts what another window
// wrote, and a write then stores the cut value.

#include <QCheckBox>
#include <QPlainTextEdit>

#include "ui/AllWindows.h"
#include "schema/Definition.h"
#include "ui/RecordEditor.h"
#include "ui/UiFixture.h"

using nimbo::test::UiTest;
using nimbo::ui::RecordEditor;
namespace WR = nimbo::WindowRegistry;

namespace {

class FieldLengths : public UiTest {
protected:
    void TearDown() override
    {
        StartUp::shutdown();
        UiTest::TearDown();
    }
};

} // namespace

TEST_P(FieldLengths, EveryRecordEditorTakesItsLengthsFromTheSchema)
{
    const auto row =
        Funzioni_Com_1::Caricadati(QStringLiteral("PROTOCOLLO"), LoginRules::operatorQuery(QStringLiteral("DEMO9")));
    ASSERT_TRUE(row.has_value());
    LoginRules::storeOperator(*row);
    LoginRules::loadOperatorExtras();
    nimbo::test::registerEveryWindow();

    QStringList editors;
    QStringList wrong;
    int lineFields = 0;
    for (const QString &name : WR::names()) {
        std::unique_ptr<QWidget> w(WR::create(name));
        auto *e = qobject_cast<RecordEditor *>(w.get());
        if (!e || e->table().isEmpty())
            continue;
        editors << name;
        const Schema::Kind kind = e->isLocal() ? Schema::Kind::Local : Schema::Kind::Central;
        const Schema::Table *table = Schema::findTable(kind, e->table());
        if (!table) {
            wrong << name + QStringLiteral(": table ") + e->table() + QStringLiteral(" not defined");
            continue;
        }
        for (const RecordEditor::BoundField &f : e->boundFields()) {
            if (f.kind == RecordEditor::Kind::Transient)
                continue;
            const Schema::Column *c = table->column(f.column);
            if (!c) {
                wrong << name + QStringLiteral(": ") + f.column + QStringLiteral(" not a column of ") + table->name;
                continue;
            }
            auto *line = qobject_cast<QLineEdit *>(f.widget);
            if (!line || c->type != Schema::Type::Text)
                continue;
            ++lineFields;
            if (c->length == 0)
                wrong << name + QStringLiteral(": ") + f.column + QStringLiteral(" declares no length");
            else if (line->maxLength() != c->length)
                wrong << QStringLiteral("%1: %2 takes %3, the schema declares %4")
                             .arg(name, f.column)
                             .arg(line->maxLength())
                             .arg(c->length);
        }
    }
    EXPECT_TRUE(wrong.isEmpty()) << wrong.join(QLatin1Char('\n')).toStdString();
    // The walk reached the editors it is for, the tree's detail editors too.
    for (const char *n : {"frmEnti", "frmGEnti", "frmDipartimenti", "frmGDipartimenti", "FrmUffici", "FrmGUffici",
                          "FrmGComponenti", "FrmOperatoriNew", "frmPostazioni", "FrmComuni", "FrmRubrica"})
        EXPECT_TRUE(editors.contains(QLatin1String(n))) << n;
    EXPECT_GT(lineFields, 60);

    // What the demo register holds fits the lengths declared for it.
    QStringList longer;
    for (const Schema::Table &t : Schema::tables(Schema::Kind::Central))
        for (const Schema::Column &c : t.columns)
            if (c.type == Schema::Type::Text && c.length > 0) {
                const QString most =
                    scalar(QStringLiteral("SELECT COALESCE(MAX(LENGTH(%1)), 0) FROM %2").arg(c.name, t.name));
                if (most.toInt() > c.length)
                    longer << QStringLiteral("%1.%2: %3 > %4").arg(t.name, c.name, most).arg(c.length);
            }
    EXPECT_TRUE(longer.isEmpty()) << longer.join(QLatin1Char('\n')).toStdString();
}

NIMBO_INSTANTIATE_ENGINES(FieldLengths);
