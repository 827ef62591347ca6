#include "ui/TAboutBox.h"

#include "ui/WindowFont.h"
#include "ProgramVersion.h"

#include <QFrame>
#include <QGuiApplication>
#include <QLabel>
#include <QPushButton>
#include <QScreen>

namespace {

QLabel* makeLabel(QWidget* parent, const char* name, const QString& text, int x, int y, int width)
{
    auto* label = new QLabel(text, parent);
    label->setObjectName(QString::fromLatin1(name));
    label->move(x, y);
    label->adjustSize();
    if (width > 0) {
        // Long lines wrap at the label's width.
        label->setWordWrap(true);
        label->setFixedWidth(width);
        label->adjustSize();
    }
    return label;
}

} // namespace

TAboutBox::TAboutBox(QWidget* parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("AboutBox"));
    setWindowTitle(QStringLiteral("About"));
    setFont(windowFont());
    setFixedSize(248, 222);
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);

    Panel1 = new QFrame(this);
    Panel1->setObjectName(QStringLiteral("Panel1"));
    Panel1->setGeometry(8, 8, 233, 169);
    // A lowered outer and a raised inner bevel.
    Panel1->setFrameStyle(QFrame::Box | QFrame::Sunken);
    Panel1->setLineWidth(1);
    Panel1->setMidLineWidth(1);

    ProductName = makeLabel(Panel1, "ProductName", QStringLiteral("Tessavo"), 96, 16, 0);
    Version = makeLabel(Panel1, "Version", QStringLiteral("Version ") + QString::fromLatin1(programVersion), 92, 40, 0);
    Copyright = makeLabel(Panel1, "Copyright", QStringLiteral("Written in 2004"), 83, 80, 0);
    Comments = makeLabel(Panel1, "Comments", QStringLiteral("Thin-film growth simulation"), 64, 104, 160);
    Label1 = makeLabel(Panel1, "Label1", QStringLiteral("Solid-on-solid model with"), 16, 128, 208);
    Label2 = makeLabel(Panel1, "Label2", QStringLiteral("surface relaxation on a square lattice"), 15, 144, 210);

    OKButton = new QPushButton(QStringLiteral("OK"), this);
    OKButton->setObjectName(QStringLiteral("OKButton"));
    OKButton->setGeometry(87, 188, 75, 25);
    OKButton->setDefault(true);
    OKButton->setAutoDefault(true);
    connect(OKButton, &QPushButton::clicked, this, &QDialog::accept);
}

void TAboutBox::showEvent(QShowEvent* event)
{
    // Centred on the screen each time it is shown.
    if (QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect area = screen->availableGeometry();
        move(area.center() - QPoint(frameGeometry().width() / 2, frameGeometry().height() / 2));
    }
    QDialog::showEvent(event);
}
