#pragma once
// A libxlsxwriter workbook that appears under its name whole or not at all:
// it is written beside the target under a temporary name and renamed over
// the target at the end, so a failed or cancelled export leaves nothing
// half-written (and an older file of that name as it was).

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QString>
#include <QTemporaryFile>
#include <cstdio>
#include <xlsxwriter.h>

namespace nimbo::xlsx {

class Book {
public:
    explicit Book(const QString &target)
        : target_(target),
          part_(QFileInfo(target).absoluteDir().filePath(QStringLiteral(".") + QFileInfo(target).fileName()
                                                          + QStringLiteral(".XXXXXX")))
    {
        if (!part_.open()) {
            error_ = part_.errorString();
            return;
        }
        part_.close();
        lxw_workbook_options options{};
        // Rows go to disk as they are written: the memory stays flat
        // whatever the size of the list.
        options.constant_memory = LXW_TRUE;
        book_ = workbook_new_opt(QFile::encodeName(part_.fileName()).constData(), &options);
        if (!book_)
            error_ = QStringLiteral("impossibile creare il file ") + target;
    }
    ~Book()
    {
        if (book_)
            workbook_close(book_); // the temporary file goes with part_
    }
    Book(const Book &) = delete;
    Book &operator=(const Book &) = delete;

    // Null when the file could not be started (see error()).
    lxw_workbook *get() const { return book_; }
    QString error() const { return error_; }

    // Closes the workbook and gives it the target's name; false with
    // error() set when it could not.
    bool commit()
    {
        lxw_workbook *b = book_;
        book_ = nullptr;
        if (!b)
            return false;
        if (const lxw_error e = workbook_close(b); e != LXW_NO_ERROR) {
            error_ = QString::fromUtf8(lxw_strerror(e));
            return false;
        }
        // rename(2) replaces an older file in one step.
        if (std::rename(QFile::encodeName(part_.fileName()).constData(), QFile::encodeName(target_).constData()) != 0) {
            error_ = QStringLiteral("impossibile scrivere il file ") + target_;
            return false;
        }
        part_.setAutoRemove(false);
        return true;
    }

private:
    QString target_;
    QTemporaryFile part_;
    lxw_workbook *book_ = nullptr;
    QString error_;
};

// The formats of an exported list: its title in bold, the column headings
// bold and ruled below, dates day first.
struct ListFormats {
    lxw_format *bold = nullptr;
    lxw_format *heading = nullptr;
    lxw_format *day = nullptr;
};
inline ListFormats listFormats(lxw_workbook *book)
{
    ListFormats f;
    f.bold = workbook_add_format(book);
    format_set_bold(f.bold);
    f.heading = workbook_add_format(book);
    format_set_bold(f.heading);
    format_set_bottom(f.heading, LXW_BORDER_THIN);
    f.day = workbook_add_format(book);
    format_set_num_format(f.day, "dd/mm/yyyy");
    format_set_align(f.day, LXW_ALIGN_LEFT);
    return f;
}

inline void text(lxw_worksheet *sheet, int row, int column, const QString &value, lxw_format *format = nullptr)
{
    if (value.isEmpty())
        return;
    worksheet_write_string(sheet, lxw_row_t(row), lxw_col_t(column), value.toUtf8().constData(), format);
}

} // namespace nimbo::xlsx
