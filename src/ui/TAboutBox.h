#pragma once
// TAboutBox: the about box, a fixed 248 x 222 pixel dialog with the program's name, version
// and year on a bevelled panel and an OK button that Enter presses. Its texts are English in
// every interface language.
#include <QDialog>

class QFrame;
class QLabel;
class QPushButton;

class TAboutBox : public QDialog {
    Q_OBJECT
public:
    explicit TAboutBox(QWidget* parent = nullptr);

    QFrame* Panel1;
    QLabel* ProductName;
    QLabel* Version;
    QLabel* Copyright;
    QLabel* Comments;
    QLabel* Label1;
    QLabel* Label2;
    QPushButton* OKButton;

protected:
    void showEvent(QShowEvent* event) override;
};
