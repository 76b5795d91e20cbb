#pragma once
// The background window shown from the start of the program until the login
// succeeds. Loading it makes the working folders under the program folder.

#include <QPixmap>
#include <QWidget>

class Sfondo : public QWidget {
    Q_OBJECT
public:
    explicit Sfondo(const QString &programFolder, QWidget *parent = nullptr);

    // "Sfondo.jpg" of the program folder; null when the file is absent or unreadable.
    const QPixmap &picture() const { return picture_; }
    bool foldersReady() const { return foldersReady_; }

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QPixmap picture_;
    bool foldersReady_ = false;
};
