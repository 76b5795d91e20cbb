#pragma once
// The protocol counters of an entity (TAB_STARTPROTOCOLLO) or of one of its
// departments (TAB_STARTDIPARTIMENTI), newest year first. The caller sets
// the three properties before showing it.

#include <QDialog>

class QTreeWidget;

class FrmStart : public QDialog {
    Q_OBJECT
    Q_PROPERTY(QString entityCode READ entityCode WRITE setEntityCode)
    Q_PROPERTY(QString departmentCode READ departmentCode WRITE setDepartmentCode)
    Q_PROPERTY(QString tableName READ tableName WRITE setTableName)
public:
    explicit FrmStart(QWidget *parent = nullptr);

    QString entityCode() const { return entity_; }
    QString departmentCode() const { return department_; }
    QString tableName() const { return table_; }
    void setEntityCode(const QString &code) { entity_ = code; }
    void setDepartmentCode(const QString &code) { department_ = code; }
    void setTableName(const QString &name) { table_ = name; }

    // True when the properties name a table and the codes it needs.
    static bool validParameters(const QString &entity, const QString &department, const QString &table);
    // The counters query for valid parameters.
    static QString query(const QString &entity, const QString &department, const QString &table);

    QTreeWidget *list() const { return list_; }

protected:
    void showEvent(QShowEvent *event) override;

private:
    // First activation: checks the properties and fills the list once.
    void activate();

    QString entity_, department_, table_;
    QTreeWidget *list_;
    bool activated_ = false;
};
